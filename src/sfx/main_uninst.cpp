// vls-uninst, installed as "VLS-Uninst.exe" beside the savers it removes.
//
//   VLS-Uninst.exe TITLE                 asks, removes, says so
//   VLS-Uninst.exe --unattended TITLE    removes without any window
//   --dest FOLDER                        the folder the saver was installed in
//                                        (default: this program's folder)

#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include "sfx/packageinstaller.h"
#include "sfx/programstart.h"
#include "store/messages.h"

int main(int argc, char* argv[])
{
    const sfx::ProgramStart start = sfx::startProgram(argc, argv);
    const bool quiet = start.unattended;
    QCoreApplication* app = start.app.get();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Removes a personalized screen saver."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("unattended"), QStringLiteral("Remove without a window.")});
    parser.addOption({QStringLiteral("dest"), QStringLiteral("The saver's folder."),
                      QStringLiteral("FOLDER")});
    parser.addPositionalArgument(QStringLiteral("TITLE"), QStringLiteral("The saver's title."));
    parser.process(*app);

    const QString title = parser.positionalArguments().value(0);
    const QString dest = parser.isSet(QStringLiteral("dest"))
                             ? QDir(parser.value(QStringLiteral("dest"))).absolutePath()
                             : QCoreApplication::applicationDirPath();
    const QString caption = QStringLiteral("Uninstall ") + title;
    if (!quiet &&
        store::messageBox(QStringLiteral("Remove the personalized screen saver \"%1\" from your "
                                         "system?")
                              .arg(title),
                          {store::MsgButtons::YesNo, store::MsgIcon::Question, caption}) !=
            store::MsgAnswer::Yes)
        return 1;
    QString error;
    if (!sfx::uninstall(dest, title, &error)) {
        if (quiet)
            std::fprintf(stderr, "%s\n", qPrintable(error));
        else
            store::messageBox(error, {store::MsgButtons::Ok, store::MsgIcon::Critical, caption});
        return 2;
    }
    if (!quiet)
        store::messageBox(QStringLiteral("\"%1\" has been removed from your system.").arg(title),
                          {store::MsgButtons::Ok, store::MsgIcon::Information, caption});
    return 0;
}
