#pragma once
// Helpers shared by the tests: private folders for the store and the Windows
// folder, so that no test touches the user's real files.

#include <QString>
#include <QTemporaryDir>

namespace testutil {

// Points XDG_CONFIG_HOME, KELVRA_WINDOWS_DIR, KELVRA_SYSTEM_DIR and
// XDG_CACHE_HOME (the thumbnail cache) into a
// fresh temporary folder for the lifetime of the object, and restores the
// previous environment afterwards.
class IsolatedEnv {
public:
    IsolatedEnv();
    ~IsolatedEnv();
    QString root() const { return m_dir.path(); }
    QString configDir() const;  // $XDG_CONFIG_HOME
    QString windowsDir() const; // $KELVRA_WINDOWS_DIR, without trailing "/"
    QString systemDir() const;  // $KELVRA_SYSTEM_DIR, without trailing "/"
    QString cacheDir() const;   // $XDG_CACHE_HOME

private:
    QTemporaryDir m_dir;
    QByteArray m_old[4];
    bool m_had[4] = {};
};

// Writes bytes to a file, creating parent folders.
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

} // namespace testutil
