#include "runtime/sessionfolder.h"

#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace runtime {

namespace {

bool processRunning(qint64 pid)
{
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

int lockFolder(const QString& path, bool wait)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool SessionFolder::isSessionName(const QString& name, qint64* pid)
{
    static const QRegularExpression re(QStringLiteral("^run-(\\d+)-[0-9a-f]{8}$"));
    const QRegularExpressionMatch m = re.match(name);
    if (!m.hasMatch())
        return false;
    if (pid)
        *pid = m.captured(1).toLongLong();
    return true;
}

int SessionFolder::removeStale(const QString& root)
{
    int removed = 0;
    const QStringList names = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& name : names) {
        qint64 pid = 0;
        if (!isSessionName(name, &pid) || pid == QCoreApplication::applicationPid() ||
            processRunning(pid))
            continue;
        const QString path = QDir(root).filePath(name);
        const int fd = lockFolder(path, false);
        if (fd < 0)
            continue; // someone holds it
        if (QDir(path).removeRecursively())
            ++removed;
        ::close(fd);
    }
    return removed;
}

SessionFolder::SessionFolder(const QString& root)
{
    if (!QDir().mkpath(root))
        return;
    removeStale(root);
    for (int attempt = 0; attempt < 5 && m_fd < 0; ++attempt) {
        const QString name = QStringLiteral("run-%1-%2")
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QString path = QDir(root).filePath(name);
        if (!QDir().mkdir(path))
            continue;
        m_fd = lockFolder(path, true);
        if (m_fd >= 0)
            m_path = path + u'/';
    }
}

SessionFolder::~SessionFolder()
{
    if (m_fd < 0)
        return;
    QDir(m_path).removeRecursively();
    ::close(m_fd);
}

} // namespace runtime
