// kelvra-sample-show: puts the sample show of a first start into a Windows
// folder that holds no "zem.ini" yet (scripts/run.sh calls it before the
// program starts). Leaves a folder with a "zem.ini" as it is.
//
//   kelvra-sample-show WINDOWS_DIR [--clip FILE]
//
// Exit codes: 0 made or kept (a line on stdout says which), 1 failed.

#include <cstdio>

#include <QCommandLineParser>
#include <QGuiApplication>

#include "editor/sampleshow.h"

int main(int argc, char** argv)
{
    // Only pictures are drawn: no window, so no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Puts a sample show into a Windows folder without \"zem.ini\"."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("clip"), QStringLiteral("A short clip to include."),
                      QStringLiteral("FILE")});
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The Windows folder."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(1);

    const QString folder = parser.positionalArguments().first();
    const editor::SampleShowResult r =
        editor::makeSampleShow(folder, parser.value(QStringLiteral("clip")));
    switch (r.status) {
    case editor::SampleShowResult::Status::Made:
        std::printf("Made a sample show of %d items in %s.\n", int(r.media.size()),
                    qPrintable(folder));
        return 0;
    case editor::SampleShowResult::Status::Kept:
        std::printf("Kept the show of %s.\n", qPrintable(folder));
        return 0;
    case editor::SampleShowResult::Status::Failed:
        std::fprintf(stderr, "The sample show could not be made: %s\n", qPrintable(r.error));
        return 1;
    }
    return 1;
}
