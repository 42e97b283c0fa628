#include "store/atomicfile.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

namespace store {

namespace {

// A save holds the lock for milliseconds. QLockFile only removes a lock
// whose owner is gone (it checks the owner's pid and takes an flock on the
// file first), so a short stale time cannot steal a live writer's lock; it
// only bounds the wait for a lock file left empty by a writer killed while
// creating it.
constexpr int kStaleLockMs = 1000;
constexpr int kLockTimeoutMs = 10000;

// QSaveFile links its unnamed temporary file to "<file>.XXXXXX" and renames
// that over the target; a writer killed in between leaves the link behind.
// Only called under the lock, when no other writer can be in that window.
void removeLeftoverTemporaries(const QString& path)
{
    const QFileInfo target(path);
    const QString prefix = target.fileName() + QLatin1Char('.');
    const QDir dir = target.dir();
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString suffix = name.mid(prefix.size());
        const bool temporary = name.startsWith(prefix) && suffix.size() == 6 &&
                               std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
                                   return c.isLetterOrNumber() && c.unicode() < 128;
                               });
        if (temporary)
            QFile::remove(dir.filePath(name));
    }
}

} // namespace

ReadStatus readWholeFile(const QString& path, QByteArray* data)
{
    data->clear();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return ReadStatus::Missing;
    if (info.isDir())
        return ReadStatus::Failed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ReadStatus::Failed;
    *data = file.read(kMaxFileSize);
    return file.error() == QFileDevice::NoError ? ReadStatus::Ok : ReadStatus::Failed;
}

bool updateFileLocked(const QString& path, const std::function<bool(QByteArray&)>& change)
{
    const QString lockPath = path + QLatin1String(".lock");
    // Something other than a lock file in its place would only ever look
    // fresh, and every writer would wait out the whole timeout.
    if (QFileInfo(lockPath).isDir())
        return false;
    QLockFile lock(lockPath);
    lock.setStaleLockTime(kStaleLockMs);
    if (!lock.tryLock(kLockTimeoutMs))
        return false;

    removeLeftoverTemporaries(path);
    QByteArray before;
    if (readWholeFile(path, &before) == ReadStatus::Failed)
        return false;
    QByteArray after = before;
    if (!change(after))
        return false;
    if (after == before && QFileInfo::exists(path))
        return true;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // QSaveFile buffers, and a failure of the flush inside commit() (a full
    // disk, a file size limit) would still rename the cut file into place:
    // flush first and give up on any error.
    if (file.write(after) != after.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace store
