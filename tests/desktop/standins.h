#pragma once
// Recording stand-ins of the desktop's tools (gsettings, xfconf-query,
// dbus-send...): shell scripts in a private folder put first on PATH, each
// appending its arguments to a log, one call per line.

#include <QDir>
#include <QFile>
#include <QList>
#include <QStringList>

#include "common/testutil.h"

namespace desktoptest {

class StandIns {
public:
    // `folder` must exist; with `keepSystemPath` the system's PATH follows ours.
    explicit StandIns(const QString& folder, bool keepSystemPath = true)
        : m_bin(folder + QStringLiteral("/bin")), m_log(folder + QStringLiteral("/calls.log")),
          m_oldPath(qgetenv("PATH"))
    {
        QDir().mkpath(m_bin);
        qputenv("PATH", (m_bin + (keepSystemPath ? u':' + QString::fromLocal8Bit(m_oldPath)
                                                 : QString()))
                            .toLocal8Bit());
    }
    ~StandIns() { qputenv("PATH", m_oldPath); }
    StandIns(const StandIns&) = delete;
    StandIns& operator=(const StandIns&) = delete;

    // A tool that records its call, prints `output` and exits with `status`.
    void add(const QString& tool, const QByteArray& output = {}, int status = 0)
    {
        const QString out = m_bin + u'/' + tool + QStringLiteral(".out");
        testutil::writeFile(out, output);
        const QString path = m_bin + u'/' + tool;
        testutil::writeFile(
            path, "#!/bin/sh\n{ printf '%s' '" + tool.toUtf8() +
                      "'; for a in \"$@\"; do printf '\\037%s' \"$a\"; done; echo; } >> '" +
                      m_log.toUtf8() + "'\ncat '" + out.toUtf8() + "'\nexit " +
                      QByteArray::number(status) + "\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    }
    // Each call: the tool's name, then its arguments.
    QList<QStringList> calls() const
    {
        QList<QStringList> out;
        for (const QByteArray& line : testutil::readFile(m_log).split('\n'))
            if (!line.isEmpty())
                out << QString::fromUtf8(line).split(QChar(0x1f));
        return out;
    }
    void clear() const { QFile::remove(m_log); }

private:
    QString m_bin;
    QString m_log;
    QByteArray m_oldPath;
};

} // namespace desktoptest
