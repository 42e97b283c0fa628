#include "app/createsaveroption.h"

#include <cstdio>
#include <cstring>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include "creator/createsavercommand.h"
#include "editor/projectfiles.h"
#include "store/paths.h"
#include "store/settings.h"

namespace app {

std::optional<int> runCreateSaverOption(int argc, char** argv)
{
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        asked = asked || std::strcmp(argv[i], "--create-saver") == 0;
    if (!asked)
        return std::nullopt;

    // No window is opened: no display is needed.
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("create-saver"),
                      QStringLiteral("Make a personalized saver named TITLE."),
                      QStringLiteral("TITLE")});
    parser.addOption({QStringLiteral("out"), QStringLiteral("Write the package into FOLDER."),
                      QStringLiteral("FOLDER")});
    parser.addOption({QStringLiteral("with-runtimes"),
                      QStringLiteral("Carry the shared libraries the saver needs.")});
    parser.addOption({QStringLiteral("force"), QStringLiteral("Replace an existing package.")});
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    creator::CliOptions options;
    options.title = parser.value(QStringLiteral("create-saver"));
    options.outputFolder = parser.value(QStringLiteral("out"));
    options.withRuntimes = parser.isSet(QStringLiteral("with-runtimes"));
    options.force = parser.isSet(QStringLiteral("force"));

    // The list and the interval the editor saved, read as the editor reads
    // them when it opens.
    QStringList media;
    if (const auto bytes = editor::readWholeFile(store::windowsDir(true) + QStringLiteral("zem.ini")))
        media = editor::currentConfigEntries(editor::parseCurrentConfig(*bytes),
                                             [](const QString& p) { return store::FileExists(p); });
    const QString interval = QString::number(
        store::getSetting(QStringLiteral("Screen Saver Timeout"), QStringLiteral("1"), true)
            .trimmed()
            .toInt());
    return creator::createSaverFromCommandLine(options, media, interval);
}

} // namespace app
