#include "desktop/screensaver.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include "desktop/xscreensaverfile.h"
#include "store/atomicfile.h"
#include "store/messages.h"
#include "store/paths.h"
#include "store/settings.h"

namespace desktop {

namespace {

bool writeXScreenSaverFile(const QString& saverPath, SelectResult& result)
{
    QString path = xscreensaverFilePath();
    const QFileInfo info(path);
    if (info.isSymLink() && info.exists())
        path = info.canonicalFilePath();
    result.xscreensaverFile = path;

    QByteArray current;
    if (store::readWholeFile(path, &current) == store::ReadStatus::Failed) {
        result.error = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    const XScreenSaverSelection edit = selectInXScreenSaverFile(
        current, saverPath, QFileInfo(saverPath).completeBaseName());
    result.selected = edit.selected;
    if (edit.text == current)
        return true;
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(edit.text) != edit.text.size() ||
        !file.commit()) {
        result.error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace

QString xscreensaverFilePath() { return QDir::homePath() + QStringLiteral("/.xscreensaver"); }

SelectResult selectScreenSaver(const QString& saverPath)
{
    SelectResult result;
    result.stored = store::saveValue(store::RootKey::CurrentUser,
                                     QStringLiteral("Control Panel\\Desktop"),
                                     QStringLiteral("SCRNSAVE.EXE"), saverPath, true);
    if (!result.stored)
        result.error = QStringLiteral("cannot save SCRNSAVE.EXE in the settings store");
    const bool written = writeXScreenSaverFile(saverPath, result);
    result.ok = result.stored && written;
    return result;
}

bool setActiveScreenSaver(const QString& saverPath)
{
    const SelectResult result = selectScreenSaver(saverPath);
    const store::MsgOptions info{store::MsgButtons::Ok, store::MsgIcon::Information};
    if (result.ok) {
        store::messageBox(QStringLiteral("Kelvra Saver has been successfully set as the active "
                                         "screen saver."),
                          info);
        return true;
    }
    // The box keeps its fixed text; the cause goes to the log for whoever looks.
    std::fprintf(stderr, "Kelvra Saver: set as active screen saver: %s\n",
                 qPrintable(result.error));
    store::messageBox(
        QStringLiteral("An error occurred while attempting to set Kelvra Saver as the active "
                       "screen saver.\r\n\r\nYou may not have registry access on your account or "
                       "there was an error in writing to your system registry."),
        info);
    return false;
}

bool startScreenSaverTest(const QString& saverPath)
{
    const QString program = store::shortPathForm(saverPath);
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, {QStringLiteral("/s")});
}

} // namespace desktop
