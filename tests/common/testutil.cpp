#include "common/testutil.h"

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testutil {

namespace {
const char* const kVars[4] = {"XDG_CONFIG_HOME", "KELVRA_WINDOWS_DIR", "KELVRA_SYSTEM_DIR",
                              "XDG_CACHE_HOME"};
}

IsolatedEnv::IsolatedEnv()
{
    for (int i = 0; i < 4; ++i) {
        m_had[i] = qEnvironmentVariableIsSet(kVars[i]);
        m_old[i] = qgetenv(kVars[i]);
    }
    QDir(root()).mkpath("config");
    QDir(root()).mkpath("windows");
    QDir(root()).mkpath("system");
    QDir(root()).mkpath("cache");
    qputenv("XDG_CONFIG_HOME", configDir().toUtf8());
    qputenv("KELVRA_WINDOWS_DIR", windowsDir().toUtf8());
    qputenv("KELVRA_SYSTEM_DIR", systemDir().toUtf8());
    qputenv("XDG_CACHE_HOME", cacheDir().toUtf8());
}

IsolatedEnv::~IsolatedEnv()
{
    for (int i = 0; i < 4; ++i) {
        if (m_had[i])
            qputenv(kVars[i], m_old[i]);
        else
            qunsetenv(kVars[i]);
    }
}

QString IsolatedEnv::configDir() const { return root() + "/config"; }
QString IsolatedEnv::windowsDir() const { return root() + "/windows"; }
QString IsolatedEnv::systemDir() const { return root() + "/system"; }
QString IsolatedEnv::cacheDir() const { return root() + "/cache"; }

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testutil
