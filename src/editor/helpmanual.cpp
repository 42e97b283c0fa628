#include "editor/helpmanual.h"

#include <QFile>

#include "editor/projectfiles.h"

namespace editor {

bool installHelpManual(const QString& windowsDir, bool* written)
{
    if (written)
        *written = false;
    QFile source(QString::fromLatin1(kHelpResource));
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray manual = source.readAll();
    const QString path = windowsDir + QLatin1String(kHelpFileName);
    // Installing again must not touch a copy that is already right.
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == manual)
        return true;
    existing.close();
    if (!writeFileAtomically(path, manual))
        return false;
    if (written)
        *written = true;
    return true;
}

} // namespace editor
