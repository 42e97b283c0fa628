#pragma once
// The two list files of the editor, without widgets.
//
// Project file (".kvl"): one full path per line, in list order, nothing else.
// Current configuration ("zem.ini" in the Windows folder): the interval,
// the count n, then the n paths. Numbers are written with a leading blank
// (the sign position) and a trailing blank: " 12 ". Lines end with CR LF.
//
// Paths are written as UTF-8 so that every file name survives the round trip.
// Reading accepts UTF-8 and, for files that are not valid UTF-8 (written by
// older versions in an 8-bit code page), Latin-1. A line ends at CR LF, CR or
// LF. Every write replaces the file atomically.

#include <functional>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace editor {

inline constexpr const char* kCurrentConfigName = "zem.ini";
inline constexpr const char* kSoundListName = "zem-sound.ini";

// " 12 ", "-3 "
QByteArray formatNumber(long long value);
QByteArray formatProject(const QStringList& paths);
QByteArray formatCurrentConfig(int interval, const QStringList& paths);

// Lines of a text file as described above. A last line without an end is
// kept; the empty piece after a final line end is not a line.
QStringList splitLines(const QByteArray& bytes);

struct CurrentConfig {
    QString intervalLine; // read and not used by the editor
    int count = 0;        // the count line, 0 when missing or not a number
    QStringList pathLines; // at most `count` lines after the count line, as read
};
CurrentConfig parseCurrentConfig(const QByteArray& bytes);

// Whole-file reads and atomic writes. read returns nothing when the file
// cannot be opened.
std::optional<QByteArray> readWholeFile(const QString& path);
bool writeFileAtomically(const QString& path, const QByteArray& bytes);

// The lines of a project file that name existing files (empty lines,
// folders and missing files skipped), unchanged.
QStringList projectEntries(const QStringList& lines,
                           const std::function<bool(const QString&)>& isFile);

// The current configuration's paths at editor load: each line trimmed, kept
// when it names an existing file.
QStringList currentConfigEntries(const CurrentConfig& config,
                                 const std::function<bool(const QString&)>& isFile);

} // namespace editor
