#include "app/entry.h"

#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>

#include "app/commandline.h"
#include "app/installer.h"
#include "desktop/x11embed.h"

namespace app {

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

// SIGTERM (XScreenSaver ends its hacks so), SIGINT and SIGHUP close the
// windows the normal way, so that their unload handling runs.
void closeWindowsOnSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
        QApplication::closeAllWindows();
        // Not quit(): Qt lets a window inside a foreign one veto that.
        QCoreApplication::exit(0);
    });
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

void printHelp(const ProgramInfo& p)
{
    std::printf("Usage: %s [SWITCH]\n%s\n\n", p.name, p.description);
    std::printf("  (nothing), /c, any other text\n"
                "                     open %s (a second start raises the open one)\n",
                p.configWindow);
    if (p.installs)
        std::printf("  FILE.kvl           open the editor with that project; with the editor\n"
                    "                     open, the project goes to the open editor\n");
    std::printf("  /s                 run the show full-screen (only one show runs at a time)\n"
                "  /p ID              run the show inside the X11 window ID (a preview)\n"
                "  /a ID              change the screen-saver password: nothing to do here\n"
                "  -root              run as an XScreenSaver hack, inside $XSCREENSAVER_WINDOW\n"
                "                     or the root window\n"
                "  -window-id ID      run inside the X11 window ID (decimal or 0x hex)\n");
    if (p.installs)
        std::printf("  --install          install for the current user: \"Kelvra Saver.scr\" and\n"
                    "                     \"VLS.scr\", the desktop entry and the .kvl file type\n");
    std::printf("  --help             show this help\n"
                "  --version          show the version\n\n"
                "Only the first two characters of the trimmed, lower-cased command line\n"
                "count, so /S, \" /s \" and /sx all start the show.\n");
}

int runInstall(int argc, char** argv, const ProgramInfo& program)
{
    QCoreApplication app(argc, argv);
    InstallPlan plan = currentInstallPlan();
    plan.helpManual = program.helpManual;
    plan.helpManualName = QString::fromUtf8(program.helpManualName);
    const InstallResult result = install(plan);
    for (const QString& line : result.lines)
        std::printf("%s\n", qPrintable(line));
    if (!result.ok) {
        std::fprintf(stderr, "%s: installation failed: %s\n", argv[0], qPrintable(result.error));
        return 1;
    }
    return 0;
}

// The value of a Qt option such as "-display :1", when given.
QByteArray optionValue(int argc, char** argv, const char* option)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0)
            return argv[i + 1];
    }
    return {};
}

// Empty when a display can be opened, else the reason. Only the xcb
// platform is checked: Qt aborts on a missing X display, other platforms
// (offscreen in tests) report their own problems.
QString displayProblem(int argc, char** argv)
{
    QByteArray platform = optionValue(argc, argv, "-platform");
    if (platform.isEmpty())
        platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return {};
    return desktop::x11DisplayProblem(optionValue(argc, argv, "-display"));
}

QStringList argumentsOf(const QStringList& all)
{
    return all.mid(1);
}

} // namespace

int runProgram(int argc, char** argv, const ProgramInfo& program,
               const std::function<WindowFactories()>& factories)
{
    const QString first = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (argc == 2 && (first == QLatin1String("--help") || first == QLatin1String("-h"))) {
        printHelp(program);
        return 0;
    }
    if (argc == 2 && first == QLatin1String("--version")) {
        std::printf("%s %s\n", program.name, KELVRA_VERSION);
        return 0;
    }
    if (argc == 2 && program.installs && first == QLatin1String("--install"))
        return runInstall(argc, argv, program);

    // Modes that need no window end before a display is needed.
    QStringList rawArgs;
    for (int i = 1; i < argc; ++i)
        rawArgs << QString::fromLocal8Bit(argv[i]);
    const Mode early = parseCommandLine(rawArgs, qEnvironmentVariable("XSCREENSAVER_WINDOW"));
    if (early.kind == ModeKind::Password ||
        (early.kind == ModeKind::Preview && early.windowId == 0))
        return 0;

    const QString problem = displayProblem(argc, argv);
    if (!problem.isEmpty()) {
        std::fprintf(stderr,
                     "%s: cannot start: %s.\n"
                     "Start it from a desktop session, or under a virtual display: "
                     "xvfb-run -a %s\n",
                     program.name, qPrintable(problem), program.name);
        return 1;
    }

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(program.name));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVRA_VERSION));
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(kIconResource)));
    closeWindowsOnSignals();
    // Qt has taken its own options (-display, -platform...) out by now.
    const Mode mode = parseCommandLine(argumentsOf(QCoreApplication::arguments()),
                                       qEnvironmentVariable("XSCREENSAVER_WINDOW"));
    const WindowFactories windows = factories();
    if (windows.startUp && !windows.startUp(mode))
        return 1;
    const int code = dispatch(mode, windows);
    if (windows.finish)
        windows.finish();
    return code;
}

} // namespace app
