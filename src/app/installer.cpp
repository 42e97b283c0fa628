#include "app/installer.h"

#include <cstdio>

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "desktop/filetype.h"
#include "store/paths.h"

namespace app {

namespace {

bool samePath(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// Puts a link to `program` at `place`, replacing whatever file is there in
// one step, so that a running saver never sees the place empty.
bool placeProgram(const QString& program, const QString& place, InstallResult& result)
{
    const QFileInfo current(place);
    if (current.isSymLink() && samePath(current.symLinkTarget(), program)) {
        result.lines << QStringLiteral("%1: in place").arg(place);
        return true;
    }
    if (current.isDir()) {
        result.error = QStringLiteral("%1 is a folder; move it away and install again").arg(place);
        return false;
    }
    const QString temp = QStringLiteral("%1.new-%2").arg(place).arg(getpid());
    QFile::remove(temp);
    bool made = QFile::link(program, temp);
    if (!made) {
        made = QFile::copy(program, temp);
        if (made)
            QFile::setPermissions(temp, QFile::permissions(program));
    }
    if (!made ||
        ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(place).constData()) != 0) {
        QFile::remove(temp);
        result.error = QStringLiteral("cannot place %1").arg(place);
        return false;
    }
    result.lines << QStringLiteral("%1 -> %2").arg(place, program);
    return true;
}

} // namespace

InstallPlan currentInstallPlan()
{
    InstallPlan plan;
    const QString bin = QCoreApplication::applicationDirPath();
    plan.editorProgram = QCoreApplication::applicationFilePath();
    plan.runtimeProgram = bin + QStringLiteral("/vls");
    plan.windowsDir = store::windowsDir(true);
    plan.workDir = store::workDir();
    plan.dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return plan;
}

InstallResult install(const InstallPlan& plan)
{
    InstallResult result;
    auto fail = [&result] {
        result.ok = false;
        return result;
    };
    for (const QString& program : {plan.editorProgram, plan.runtimeProgram}) {
        if (!QFileInfo(program).isExecutable()) {
            result.error = QStringLiteral("%1 is missing; build the project first").arg(program);
            return fail();
        }
    }
    if (plan.windowsDir.isEmpty() || plan.workDir.isEmpty() || plan.dataHome.isEmpty() ||
        !QDir().mkpath(plan.windowsDir) || !QDir().mkpath(plan.workDir)) {
        result.error = QStringLiteral("cannot create the folder %1").arg(plan.workDir);
        return fail();
    }

    const QString editorPlace = plan.windowsDir + QStringLiteral("Kelvra Saver.scr");
    if (!placeProgram(plan.editorProgram, editorPlace, result) ||
        !placeProgram(plan.runtimeProgram, plan.workDir + QStringLiteral("VLS.scr"), result))
        return fail();

    // The editor's Help command opens the manual from the Windows folder.
    if (plan.helpManual) {
        const QString manual = plan.windowsDir + plan.helpManualName;
        bool manualWritten = false;
        if (!plan.helpManual(plan.windowsDir, &manualWritten)) {
            result.error = QStringLiteral("cannot write %1").arg(manual);
            return fail();
        }
        result.lines << QStringLiteral("%1: %2").arg(
            manual, manualWritten ? QStringLiteral("written") : QStringLiteral("in place"));
    }

    // The project type: the store's keys as the editor's call writes them,
    // and what the desktop reads to open a ".kvl" file with the editor.
    desktop::AssociateFileType(desktop::projectFileAssociation());
    const desktop::Registration registration =
        desktop::registerProjectType(plan.dataHome, editorPlace);
    result.lines << registration.lines;
    if (!registration.ok) {
        result.error = registration.error;
        return fail();
    }
    return result;
}

} // namespace app
