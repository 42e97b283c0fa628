#include "creator/createsaver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "archive/bundle.h"
#include "archive/package.h"
#include "archive/resultcode.h"
#include "archive/ziparchive.h"
#include "pictures/imageio.h"
#include "pictures/textdraw.h"
#include "pictures/transitions.h"
#include "store/paths.h"
#include "store/settings.h"

namespace creator {

namespace {

constexpr const char* kRuntimeList = "kelvra-runtime-files.txt";

QString colorNumber(const QColor& c) { return QString::number(pictures::colorToBgr(c)); }
QString boolWord(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

// The values the editor's controls start with: what the bundle carries for a
// setting that was never stored, and what the show would use.
QHash<QString, QString> controlDefaults()
{
    const pictures::TextStyle text;
    const pictures::EffectParams effect;
    return {
        {QStringLiteral("Paint Effect"), QStringLiteral("0")},
        {QStringLiteral("Randomize Effects"), QStringLiteral("False")},
        {QStringLiteral("EffectGrain"), QString::number(effect.grain)},
        {QStringLiteral("EffectDelay"), QString::number(effect.delayMs)},
        {QStringLiteral("PaintMaxPasses"), QString::number(effect.maxPasses)},
        {QStringLiteral("WandSize"), QString::number(effect.wandSize)},
        {QStringLiteral("WandColor"), colorNumber(effect.wandColor)},
        {QStringLiteral("Display Text"), QString()},
        {QStringLiteral("Display Text Align"), QStringLiteral("0")},
        {QStringLiteral("Display Text Font Name"), text.fontName},
        {QStringLiteral("Display Text Font Size"), QString::number(text.fontSize)},
        {QStringLiteral("Display Text Forecolor"), colorNumber(text.color)},
        {QStringLiteral("Display Text Bold"), boolWord(text.bold)},
        {QStringLiteral("Display Text Italic"), boolWord(text.italic)},
        {QStringLiteral("Display Text Strikethrough"), boolWord(text.strikethrough)},
        {QStringLiteral("Display Text Underline"), boolWord(text.underline)},
        {QStringLiteral("Display Text Style"), QString::number(text.style)},
        {QStringLiteral("Display Text Wordwrap"), boolWord(text.wordWrap)},
        {QStringLiteral("Display Text Hilite Color"), colorNumber(text.highlightColor)},
        {QStringLiteral("Display Text Angle"), QString::number(text.angle)},
        {QStringLiteral("Display Text ShadowXDepth"), QString::number(text.shadowXDepth)},
        {QStringLiteral("Display Text ShadowYDepth"), QString::number(text.shadowYDepth)},
        {QStringLiteral("Display Text Shadow Color"), colorNumber(text.shadowColor)},
    };
}

bool convertToJpeg(const QString& from, const QString& to)
{
    const pictures::LoadResult r = pictures::loadImage(from);
    return r.ok() && pictures::saveImage(r.image, to, pictures::SaveFormat::Jpeg);
}

QString firstExisting(const QString& name)
{
    for (const QString& folder : {store::windowsDir(true), store::systemDir(true)}) {
        if (QFileInfo(folder + name).isFile())
            return folder + name;
    }
    return {};
}

bool copyExecutable(const QString& from, const QString& to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        return false;
    QFile::setPermissions(to, QFile::permissions(to) | QFile::ExeOwner | QFile::ExeGroup |
                                  QFile::ExeOther | QFile::WriteOwner);
    return true;
}

// Wires an archive's notifications to the progress display: the first line
// says which archive is being made, the second how far it is; a cancel
// aborts the packing at its next report.
void followProgress(archive::ZipArchive& zip, CreateSaverHost& host)
{
    const bool media = zip.archiveName().endsWith(QLatin1String(".dat"), Qt::CaseInsensitive);
    zip.fileStatus = [&host, media](const archive::FileStatus&) {
        host.setMsg1(media ? QStringLiteral("Processing Dependencies...")
                           : QStringLiteral("Packaging Personalized Screen Saver..."));
    };
    zip.globalStatus = [&host, &zip, media](const archive::GlobalStatus& s) {
        const QString counts = QStringLiteral("%1 of %2...").arg(s.filesDone).arg(s.fileCount);
        host.setMsg2(media ? QStringLiteral("Compacting and Preparing Input File ") + counts
                           : QStringLiteral("Processing Object ") + counts);
        host.setRange(1, 100);
        if (host.canceled())
            zip.abort();
        else
            host.setValue(s.percent);
    };
}

archive::PackageSetup installerSetup(const archive::BundleNames& names)
{
    const QString web = frmCreateSaver::homepage();
    const QString crlf2 = QStringLiteral("\r\n\r\n");
    archive::PackageSetup s;
    s.title = names.title;
    s.saverFile = names.file;
    s.strings[1] = QStringLiteral("Kelvra Saver Personalized Screen Saver");
    s.strings[2] = QStringLiteral("Current Destination Folder:");
    s.strings[0] = QStringLiteral("Overall Progress:");
    s.messages[9] = QStringLiteral("Are you sure you want to abort the installation process?");
    s.messages[12] = QStringLiteral("Installing File:");
    s.messages[0] =
        QStringLiteral("The Kelvra Saver Personalized Screen Saver has been successfully "
                       "installed on your system.  To begin using this screen saver, go into "
                       "Windows Control Panel and select the \"") +
        names.title +
        QStringLiteral("\" option in screen saver settings.  Preferences are also available "
                       "there to customize the screen saver.") +
        crlf2 +
        QStringLiteral("If you'd like to create your own personalized screen savers, please "
                       "visit ") +
        web + QStringLiteral(" for information on the full Kelvra Saver product.") + crlf2 +
        QStringLiteral("Enjoy!");
    s.messages[3] =
        QStringLiteral("Welcome to the Kelvra Saver Personalized Screen Saver installation.  "
                       "This setup process will configure the screen saver to run properly on "
                       "your system.  Once installed, simply select ") +
        names.title +
        QStringLiteral(" in the Windows Control Panel's Display / Screen Savers section to "
                       "enable the software.  Options are also available on this dialog to "
                       "customize the screen saver by selecting the \"Settings\" button.") +
        crlf2 + QStringLiteral("Enjoy!");
    s.messages[5] = QString();
    s.icon = QString::fromLatin1(archive::kIconMember);
    s.defaultFolder = QStringLiteral("%w");
    s.programGroup = QStringLiteral("Kelvra Screen Saver(s)");
    s.items.append({QStringLiteral("%w/") + QString::fromLatin1(archive::kUninstallerName),
                    QStringLiteral("Uninstall ") + names.title +
                        QStringLiteral(" Personalized Screen Saver")});
    s.items.append({QStringLiteral("%w/") + names.launcherFile(),
                    names.title + QStringLiteral(" Personalized Screen Saver Configuration")});
    return s;
}

// The second packing: the installer program with the saver's files.
int packInstaller(const archive::BundleNames& names, const QString& job, const QString& target,
                  RuntimeChoice runtimes, CreateSaverHost& host)
{
    archive::ZipArchive zip;
    zip.setFilesToProcess(QString());
    const QString icon = job + QString::fromLatin1(archive::kIconMember);
    QFile::remove(icon);
    QFile::copy(QStringLiteral(":/creator/vls.ico"), icon);
    const QString setup = job + QString::fromLatin1(archive::kSetupMember);
    archive::writePackageSetup(setup, installerSetup(names));

    zip.setArchiveName(target);
    zip.setPassword(QString());
    zip.addFileToProcess(job + names.file);
    zip.addFileToProcess(job + names.archiveFile());
    zip.addFileToProcess(job + names.launcherFile());
    const QString uninstaller = uninstallerProgram();
    if (!uninstaller.isEmpty())
        zip.addFileToProcess(uninstaller, QString::fromLatin1(archive::kUninstallerName));
    if (runtimes == WithRuntimes) {
        for (const auto& [file, member] : runtimeFiles())
            zip.addFileToProcess(file, QString::fromLatin1(archive::kRuntimeFolder) + member);
    }
    zip.addFileToProcess(setup);
    zip.addFileToProcess(icon);

    const QString stub = installerStub();
    if (stub.isEmpty())
        return archive::kReadFailed;
    zip.setSelfExtractorStub(stub);
    zip.setComment(QByteArray(archive::kPackageComment));
    followProgress(zip, host);
    const int code = zip.pack();
    if (archive::packSucceeded(code))
        QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner |
                                          QFile::ExeGroup | QFile::ExeOther);
    return code;
}

} // namespace

QString packagingErrorMessage(int code)
{
    return QStringLiteral("An error occurred while attempting to package your screen saver.  "
                          "\r\n\r\nExtended Error Information:  ") +
           archive::resultDescription(code) + QStringLiteral(".  Error Code:  ") +
           QString::number(code);
}

QString installerStub() { return firstExisting(QStringLiteral("kelvra-sfx")); }

QString uninstallerProgram()
{
    const QString installed = store::windowsDir(true) + QString::fromLatin1(archive::kUninstallerName);
    if (QFileInfo(installed).isFile())
        return installed;
    return firstExisting(QStringLiteral("vls-uninst"));
}

QList<QPair<QString, QString>> runtimeFiles()
{
    // One line per file: its path, a tab, its name below "runtime/".
    QList<QPair<QString, QString>> files;
    QFile list(store::systemDir(true) + QString::fromLatin1(kRuntimeList));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return files;
    while (!list.atEnd()) {
        const QString line = QString::fromUtf8(list.readLine()).trimmed();
        const int tab = int(line.indexOf(QLatin1Char('\t')));
        if (tab > 0)
            files.append({line.left(tab), line.mid(tab + 1)});
    }
    return files;
}

CreateSaverResult createSaver(const CreateSaverRequest& request, CreateSaverHost& host)
{
    CreateSaverResult result;
    const archive::BundleNames names = archive::bundleNames(request.saverFileName);
    const QString work = store::workDir();
    // A folder of this run's own: nothing a running saver or another run
    // keeps in the work folder is touched, and the cleanup is one removal.
    const QString job =
        work + QStringLiteral("creator-%1/").arg(QCoreApplication::applicationPid());
    QDir(job).removeRecursively();
    QDir().mkpath(job);
    auto cleanup = [&job] { QDir(job).removeRecursively(); };

    copyExecutable(work + QStringLiteral("VLS.scr"), job + names.file);
    copyExecutable(job + names.file, job + names.launcherFile());

    const QString target = request.outputFolder + names.launcherFile();
    if (QFileInfo::exists(target) &&
        !host.askOverwrite(QStringLiteral("A personalized screen saver already exists by that "
                                          "name in the output folder selected.  Would you like "
                                          "to overwrite this file?"))) {
        cleanup();
        return result;
    }

    archive::BundleSettingsSource source;
    source.interval = request.interval;
    source.setting = [](const QString& name, const QString& def) {
        return store::getSetting(name, def, true);
    };
    source.controlDefaults = controlDefaults();
    archive::BundleFiles files;
    files.settingsFile = job + names.settingsFile();
    archive::writeSettingsFile(files.settingsFile,
                               archive::bundleSettingValues(source, names.title));

    const int last = int(request.media.size()) - 1;
    host.progressInit(QStringLiteral("Kelvra Saver"),
                      QStringLiteral("Create Personalized Screen Saver:"),
                      QStringLiteral("Initializing..."), 1, 100);
    host.setMsg1(QStringLiteral("Examining Data to Process..."));
    host.setCaption(QStringLiteral("Kelvra Saver - Screen Saver Creator"));
    host.setRange(0, last);

    archive::BundleEntries entries(job, convertToJpeg);
    entries.reserve(request.media);
    bool cancelled = false;
    for (int i = 0; i <= last; ++i) {
        if (host.canceled()) {
            cancelled = true;
            break;
        }
        host.setValue(i);
        host.setMsg2(QStringLiteral("Reading Object %1 of %2...").arg(i).arg(last));
        entries.add(request.media[i]);
    }
    files.listFile = job + names.listFile();
    files.entries = entries.entries();
    archive::writeListFile(files.listFile, files.entries);
    if (cancelled) {
        host.progressTerminate();
        cleanup();
        return result;
    }

    const QString soundList = store::windowsDir(true) + QStringLiteral("zem-sound.ini");
    const QString soundCopy = job + names.soundListFile();
    if (archive::copySoundList(soundList, soundCopy))
        files.soundListCopy = soundCopy;
    files.archive = job + names.archiveFile();
    files.members = archive::bundleMembers(files.entries, files.listFile, files.settingsFile,
                                           files.soundListCopy, soundList);
    archive::ZipArchive media;
    media.setArchiveName(files.archive);
    followProgress(media, host);
    const int mediaCode = archive::packBundle(files, media);
    if (!archive::packSucceeded(mediaCode)) {
        // An installer without its media archive would install a saver that
        // cannot start: stop here with the one error that matters.
        host.progressTerminate();
        result.outcome = CreateSaverResult::Outcome::Failed;
        result.errorMessage = packagingErrorMessage(mediaCode);
        host.message(result.errorMessage);
        cleanup();
        return result;
    }

    const int code = packInstaller(names, job, target, request.runtimes, host);
    host.progressTerminate();
    if (!archive::packSucceeded(code)) {
        result.outcome = CreateSaverResult::Outcome::Failed;
        result.errorMessage = packagingErrorMessage(code);
        host.message(result.errorMessage);
    } else {
        result.outcome = CreateSaverResult::Outcome::Created;
        result.package = target;
        host.message(QStringLiteral("Your personalized screen saver has been successfully "
                                    "created and packaged!  \r\n\r\nThe installation EXE to "
                                    "distribute can be found in the following location:  ") +
                     target);
    }
    cleanup();
    return result;
}

} // namespace creator
