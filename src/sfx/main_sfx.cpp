// kelvra-sfx: the installer a personalized saver's package starts with.
//
//   NAME.exe                      the installer window
//   NAME.exe --unattended [--dest FOLDER] [--force]
//                                 installs without any window; refuses to
//                                 replace another saver's files unless --force
//   --package FILE                installs from FILE instead of this program

#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include "archive/resultcode.h"
#include "sfx/installerwindow.h"
#include "sfx/packageinstaller.h"
#include "sfx/programstart.h"
#include "store/messages.h"

#include <QLineEdit>

namespace {

void say(const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); }

int unattended(sfx::PackageInstaller& installer, const QString& destOption, bool force)
{
    const QString dest =
        destOption.isEmpty() ? installer.defaultDestination() : QDir(destOption).absolutePath();
    const QStringList clashes = installer.clashes(dest);
    if (!clashes.isEmpty() && !force) {
        say(QStringLiteral("Not installed: it would replace files of another screen saver in "
                           "%1: %2. Use --force to replace them.")
                .arg(dest, clashes.join(QStringLiteral(", "))));
        return 3;
    }
    int lastShown = -10;
    QString error;
    const int code = installer.install(dest, [&](const sfx::InstallProgress& p) {
        if (p.percent >= lastShown + 10 || p.percent == 100) {
            lastShown = p.percent;
            say(QStringLiteral("%1% %2 (%3 of %4)")
                    .arg(p.percent)
                    .arg(p.file)
                    .arg(p.filesDone + (p.percent == 100 ? 0 : 1))
                    .arg(p.fileCount));
        }
        return true;
    }, &error);
    if (code != archive::kSuccess) {
        say(QStringLiteral("Not installed: %1 (code %2)").arg(error).arg(code));
        return 1;
    }
    std::printf("%s\n", qPrintable(dest + u'/' + installer.setup().saverFile));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const sfx::ProgramStart start = sfx::startProgram(argc, argv);
    const bool quiet = start.unattended;
    QCoreApplication* app = start.app.get();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Installs a personalized screen saver."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("unattended"), QStringLiteral("Install without a window.")});
    parser.addOption({QStringLiteral("dest"), QStringLiteral("Install into FOLDER."),
                      QStringLiteral("FOLDER")});
    parser.addOption({QStringLiteral("force"),
                      QStringLiteral("Replace another screen saver's files.")});
    parser.addOption({QStringLiteral("package"), QStringLiteral("Install from FILE."),
                      QStringLiteral("FILE")});
    parser.process(*app);

    const QString package = parser.isSet(QStringLiteral("package"))
                                ? parser.value(QStringLiteral("package"))
                                : QCoreApplication::applicationFilePath();
    sfx::PackageInstaller installer;
    const int code = installer.open(package);
    if (code != archive::kSuccess) {
        const QString text = QStringLiteral("This installer is damaged or incomplete: %1 (code %2)")
                                 .arg(archive::resultDescription(code))
                                 .arg(code);
        if (quiet) {
            say(text);
            return 2;
        }
        store::messageBox(text, {store::MsgButtons::Ok, store::MsgIcon::Critical});
        return 2;
    }
    if (quiet)
        return unattended(installer, parser.value(QStringLiteral("dest")),
                          parser.isSet(QStringLiteral("force")));

    // The icon travels in the package; the window shows it once unpacked.
    sfx::InstallerWindow window(installer, QString());
    if (parser.isSet(QStringLiteral("dest")))
        window.destination()->setText(QDir(parser.value(QStringLiteral("dest"))).absolutePath());
    window.show();
    window.exec();
    return window.installed() ? 0 : 1;
}
