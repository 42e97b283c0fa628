#include "app/bundledruntime.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

namespace app {

void useBundledRuntime()
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    const QString runtime =
        QFileInfo(self.symLinkTarget()).absolutePath() + QStringLiteral("/kelvra-runtime");
    const QString plugins = runtime + QStringLiteral("/plugins");
    if (!QFileInfo(plugins).isDir())
        return;
    // Without a font configuration of the system's own, text would show as
    // boxes: use the fonts that came with the saver.
    const QString fonts = runtime + QStringLiteral("/fonts/fonts.conf");
    if (!QFileInfo::exists(QStringLiteral("/etc/fonts/fonts.conf")) && QFileInfo::exists(fonts) &&
        !qEnvironmentVariableIsSet("FONTCONFIG_FILE"))
        qputenv("FONTCONFIG_FILE", QFile::encodeName(fonts));
    // The system's own plugins stay behind ours, for what we do not carry.
    QByteArray path = QFile::encodeName(plugins);
    const QByteArray old = qgetenv("QT_PLUGIN_PATH");
    if (!old.isEmpty())
        path += ':' + old;
    qputenv("QT_PLUGIN_PATH", path);
}

} // namespace app
