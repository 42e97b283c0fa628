#include "editor/helpmanual.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>

#include "editor/projectfiles.h"
#include "store/messages.h"
#include "store/paths.h"

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

QString helpManualAddress(const QString& section)
{
    QUrl url = QUrl::fromLocalFile(store::windowsDir(true) + QLatin1String(kHelpFileName));
    if (!section.isEmpty())
        url.setFragment(section);
    return url.toString();
}

void openHelpManual(const QString& section)
{
    const QString path = store::windowsDir(true) + QLatin1String(kHelpFileName);
    if (!store::FileExists(path)) {
        store::messageBox(
            QStringLiteral("The Kelvra Saver Help components seems to have been deleted, moved, "
                           "or renamed; please reinstall Kelvra Saver or replace the help "
                           "components otherwise in order to use the help system."),
            {store::MsgButtons::Ok, store::MsgIcon::Information});
        return;
    }
    // Help answers in its own words, not the path helper's: the opener's
    // failure with its code, and a separate message when no opener runs.
    // A plain path lets the opener tell an unreadable manual apart.
    const QString target = section.isEmpty() ? path : helpManualAddress(section);
    store::shellExecute(target, QCoreApplication::instance(), [path](int code) {
        if (code == store::kShellCallFailed) {
            store::messageBox(
                QStringLiteral("An error has occurred while attempting to access the Reelkit "
                               "help system.  It is recommended that you reinstall ZEM Reelkit "
                               "in order to correct this condition."),
                {store::MsgButtons::Ok, store::MsgIcon::Exclamation});
        } else if (code <= 32) {
            store::messageBox(QStringLiteral("An error occurred attempting to open the '") + path +
                                  QStringLiteral("' file (ShellExecute API code %1).").arg(code),
                              {store::MsgButtons::Ok, store::MsgIcon::Exclamation, QString(),
                               true, true});
        }
    });
}

} // namespace editor
