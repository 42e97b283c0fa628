#pragma once
// The list files both programs read: "zem.ini", "zem-sound.ini", project
// files and a saver's bundle lists hold one path per line. The editor writes
// them and the show reads them, so one reader serves both.

#include <algorithm>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace store {

// The lines of a list file. A line ends at CR LF, CR or LF; a last line
// without an end is kept, the empty piece after a final end is not a line.
// Each line is UTF-8, or Latin-1 when it is not valid UTF-8: older versions
// wrote their 8-bit code page, and deciding line by line keeps one old line
// from spoiling the rest of a file.
QStringList splitListLines(const QByteArray& bytes);

// The path a list line names: the line without surrounding blanks. Callers
// test existence on this path and keep this path, never the raw line, so
// what was tested is what gets loaded.
inline QString listEntryPath(const QString& line) { return line.trimmed(); }

// The file name of a path: what follows its last "/" or "\". Lists written
// on either system may hold either separator.
inline QString listEntryName(const QString& path)
{
    return path.mid(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1);
}

} // namespace store
