#include "editor/helpmanual.h"

#include <QFile>

#include "editor/projectfiles.h"

namespace editor {

bool installHelpManual(const QString& windowsDir)
{
    QFile source(QString::fromLatin1(kHelpResource));
    if (!source.open(QIODevice::ReadOnly))
        return false;
    return writeFileAtomically(windowsDir + kHelpFileName, source.readAll());
}

} // namespace editor
