#pragma once
// Whole-file reads and locked, atomic read-modify-write of small text files
// shared between processes (the settings store and INI files).
//
// Writers serialise on a lock file beside the target ("<file>.lock"), re-read
// the target under the lock, apply their change and replace the file through
// QSaveFile, so a reader sees either the old or the new file, never a torn
// one, and two writers never lose each other's values. A writer killed while
// holding the lock does not hold up the others. The lock file exists only
// while a write is under way (or is left by a killed writer).

#include <functional>

#include <QByteArray>
#include <QString>

namespace store {

enum class ReadStatus { Ok, Missing, Failed };

// Files larger than this are read only up to this size.
inline constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;

// The file's bytes; Missing when nothing exists at the path, Failed when it
// exists but cannot be read (a folder, for instance).
ReadStatus readWholeFile(const QString& path, QByteArray* data);

// Locks, reads the current bytes (empty when the file is missing), calls
// `change` and, when it returns true and the bytes differ, replaces the
// file. Returns false when `change` returns false, or when the lock, the
// read or the write fails; the old file is then left as it was. The folder
// must exist.
//
// With `privateFolder` (a folder that only this program writes), what a
// writer killed in the middle of the replacement can leave beside the file
// ("<file>.XXXXXX") is removed; elsewhere such names may be the user's own.
bool updateFileLocked(const QString& path, const std::function<bool(QByteArray&)>& change,
                      bool privateFolder = false);

} // namespace store
