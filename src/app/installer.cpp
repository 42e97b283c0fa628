#include "app/installer.h"

#include <cstdio>

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

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

bool writeIfChanged(const QString& path, const QByteArray& bytes, InstallResult& result)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes) {
        result.lines << QStringLiteral("%1: in place").arg(path);
        return true;
    }
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        result.error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    result.lines << QStringLiteral("%1: written").arg(path);
    return true;
}

// The desktop reads these caches rather than the files; without the tools
// the files still take effect at the next cache update.
void refreshCache(const QString& tool, const QString& folder)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(exe, {folder});
    process.waitForFinished(20000);
}

} // namespace

QString desktopExecArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString out;
    if (needsQuotes)
        out += u'"';
    for (QChar c : argument) {
        if (needsQuotes && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            out += u'\\';
        out += c;
        if (c == u'%')
            out += u'%';
    }
    if (needsQuotes)
        out += u'"';
    // The Exec value is itself a string value, in which "\" is escaped again.
    out.replace(u'\\', QStringLiteral("\\\\"));
    return out;
}

QString editorDesktopEntry(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Kelvra Saver\n"
                          "GenericName=Screen Saver Maker\n"
                          "Comment=Make screen savers from pictures and video clips\n"
                          "Exec=%1 %f\n"
                          "Terminal=false\n"
                          "Categories=Graphics;\n"
                          "MimeType=%2;\n")
        .arg(desktopExecArgument(program), QLatin1String(kProjectMimeType));
}

QString projectMimeXml()
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"%1\">\n"
               "    <comment>Kelvra Saver project</comment>\n"
               "    <sub-class-of type=\"text/plain\"/>\n"
               "    <glob pattern=\"*.kvl\"/>\n"
               "  </mime-type>\n"
               "</mime-info>\n")
        .arg(QLatin1String(kProjectMimeType));
}

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

    const QString applications = plan.dataHome + QStringLiteral("/applications");
    const QString mime = plan.dataHome + QStringLiteral("/mime");
    if (!writeIfChanged(applications + QStringLiteral("/kelvra-saver.desktop"),
                        editorDesktopEntry(editorPlace).toUtf8(), result) ||
        !writeIfChanged(mime + QStringLiteral("/packages/kelvra-saver.xml"),
                        projectMimeXml().toUtf8(), result))
        return fail();
    refreshCache(QStringLiteral("update-mime-database"), mime);
    refreshCache(QStringLiteral("update-desktop-database"), applications);
    return result;
}

} // namespace app
