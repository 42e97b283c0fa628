#include "app/bundledruntime.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

namespace app {

void useBundledRuntime()
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    const QString plugins =
        QFileInfo(self.symLinkTarget()).absolutePath() + QStringLiteral("/kelvra-runtime/plugins");
    if (!QFileInfo(plugins).isDir())
        return;
    // The system's own plugins stay behind ours, for what we do not carry.
    QByteArray path = QFile::encodeName(plugins);
    const QByteArray old = qgetenv("QT_PLUGIN_PATH");
    if (!old.isEmpty())
        path += ':' + old;
    qputenv("QT_PLUGIN_PATH", path);
}

} // namespace app
