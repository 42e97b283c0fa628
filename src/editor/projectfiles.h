#pragma once
// The two list files of the editor, without widgets.
//
// Project file (".kvl"): one full path per line, in list order, nothing else.
// Current configuration ("zem.ini" in the Windows folder): the interval,
// the count n, then the n paths. Numbers are written with a leading blank
// (the sign position) and a trailing blank: " 12 ". Lines end with CR LF.
//
// Paths are written as UTF-8 so that every file name survives the round trip.
// Reading is the show's too (store::splitListLines): UTF-8, or Latin-1 line
// by line for what older versions wrote in an 8-bit code page; a line ends at
// CR LF, CR or LF. Every write replaces the file atomically.

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

// The paths of a project file's lines (store::listEntryPath: without
// surrounding blanks) that name existing files; empty lines, folders and
// missing files are skipped.
QStringList projectEntries(const QStringList& lines,
                           const std::function<bool(const QString&)>& isFile);

// The current configuration's paths at editor load: each line trimmed, kept
// when it names an existing file.
QStringList currentConfigEntries(const CurrentConfig& config,
                                 const std::function<bool(const QString&)>& isFile);

} // namespace editor
