#include "store/atomicfile.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace store {

namespace {

constexpr int kLockTimeoutMs = 10000;

// Serialises the writers of one file across processes through "<file>.lock".
//
// On Unix an flock on that file: the kernel drops it when its owner dies, so a
// killed writer never blocks the others, and nothing is written or synced to
// take it. The owner unlinks the file before letting go, and a process that
// got the lock on a file that has since been unlinked or replaced tries
// again, so at most one process holds the lock on the file at the path.
// Elsewhere QLockFile, whose stale detection takes over a dead owner's lock.
class WriterLock {
public:
    explicit WriterLock(const QString& lockPath);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    bool acquire(int timeoutMs);

private:
#ifdef Q_OS_UNIX
    QByteArray m_path;
    int m_fd = -1;
#else
    QString m_path;
    QLockFile m_lock;
#endif
};

#ifdef Q_OS_UNIX

WriterLock::WriterLock(const QString& lockPath) : m_path(QFile::encodeName(lockPath)) {}

WriterLock::~WriterLock()
{
    if (m_fd >= 0) {
        ::unlink(m_path.constData());
        ::close(m_fd);
    }
}

bool WriterLock::acquire(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const int fd = ::open(m_path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return false; // no folder, a folder in the way, no permission
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat held = {};
            struct stat current = {};
            if (::fstat(fd, &held) == 0 && ::stat(m_path.constData(), &current) == 0 &&
                held.st_dev == current.st_dev && held.st_ino == current.st_ino) {
                m_fd = fd;
                return true;
            }
            ::close(fd); // locked a file its previous owner had already removed
            continue;
        }
        const int error = errno;
        ::close(fd);
        if ((error != EWOULDBLOCK && error != EINTR) || deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

#else

WriterLock::WriterLock(const QString& lockPath) : m_path(lockPath), m_lock(lockPath)
{
    // A save holds the lock for milliseconds; QLockFile removes a stale lock
    // only when its owner is gone, so this bounds the wait for a lock file
    // left empty by a writer killed while creating it.
    m_lock.setStaleLockTime(1000);
}

WriterLock::~WriterLock() = default;

bool WriterLock::acquire(int timeoutMs)
{
    // Something other than a lock file in its place would only ever look
    // fresh, and every writer would wait out the whole timeout.
    if (QFileInfo(m_path).isDir())
        return false;
    return m_lock.tryLock(timeoutMs);
}

#endif

// QSaveFile links its unnamed temporary file to "<file>.XXXXXX" (six ASCII
// letters) and renames that over the target; a writer killed in between
// leaves the link behind. Only called under the lock, when no other writer
// can be in that window.
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
                                   return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                                          (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
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
    // read(n) reserves n bytes up front: ask only for what the file holds.
    const qint64 size = file.size();
    *data = size > 0 ? file.read(std::min(size, kMaxFileSize)) : file.read(64 * 1024);
    return file.error() == QFileDevice::NoError ? ReadStatus::Ok : ReadStatus::Failed;
}

bool updateFileLocked(const QString& path, const std::function<bool(QByteArray&)>& change,
                      bool privateFolder)
{
    WriterLock lock(path + QLatin1String(".lock"));
    if (!lock.acquire(kLockTimeoutMs))
        return false;

    if (privateFolder)
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
