#include "app/dispatcher.h"

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QWidget>

#include "app/singleinstance.h"
#include "desktop/x11embed.h"
#include "pictures/decodepool.h"
#include "store/paths.h"

namespace app {

Q_LOGGING_CATEGORY(lcForward, "kelvra.forward", QtWarningMsg)

namespace {

void warn(const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(text));
}

// The loop has ended; windows closed on the way out are deleted now, so that
// their unload handling runs before the process ends. A picture decode that
// is still busy (a file that never answers, a slow decoder) must not keep
// the process: it ends here, without the exit handlers, which nothing of
// ours needs any more (settings and files are written as they change).
int finish(int code)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (pictures::decodesRunning()) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

int runShow(const Mode& mode, const WindowFactories& factories)
{
    // One show per user and display, whichever program runs it: a second
    // start ends at once and leaves the running show alone.
    std::unique_ptr<InstanceClaim> claim = InstanceClaim::take(QString::fromLatin1(kShowCaption));
    if (!claim)
        return 0;

    QWidget* window = factories.makeShow(mode);
    window->setAttribute(Qt::WA_DeleteOnClose);
    claim.release()->setParent(window);
    window->setWindowFlags(window->windowFlags() | Qt::FramelessWindowHint |
                           Qt::WindowStaysOnTopHint);
    // Without a window manager, full-screen is only a geometry.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->setGeometry(screen->geometry());
    window->setCursor(Qt::BlankCursor);
    window->showFullScreen();
    window->raise();
    window->activateWindow();
    return finish(QApplication::exec());
}

int runEmbedded(const Mode& mode, const WindowFactories& factories)
{
    std::uint32_t parent = mode.windowId;
    if (mode.kind == ModeKind::Host && mode.rootWindow)
        parent = desktop::x11RootWindow();
    if (parent == 0) {
        // A preview start without a window has nothing to draw into.
        if (mode.kind == ModeKind::Preview)
            return 0;
        warn(QStringLiteral("no window to run in: give -root or -window-id ID"));
        return 1;
    }
    if (!desktop::x11Available()) {
        warn(QStringLiteral("running inside another window needs an X11 display"));
        return 1;
    }

    // A host's small window is its settings preview, and the show in it
    // behaves as the "/p" preview does.
    Mode shown = mode;
    if (mode.kind == ModeKind::Host && !mode.rootWindow) {
        QList<QSize> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens << screen->size() * screen->devicePixelRatio();
        const std::optional<QSize> host = desktop::x11WindowSize(parent);
        if (host && hostWindowIsPreview(*host, screens))
            shown.kind = ModeKind::Preview;
    }

    QWidget* window = factories.makeShow(shown);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // A child of the root window is a top-level window to a window manager,
    // which must leave it undecorated where it is.
    if (mode.kind == ModeKind::Host && mode.rootWindow)
        window->setWindowFlags(Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    const bool embedded = desktop::embedIntoForeignWindow(window, parent, [window] {
        // The host took our X window with it: unload and end.
        window->close();
        QCoreApplication::exit(0);
    });
    if (!embedded) {
        delete window;
        warn(QStringLiteral("the window 0x%1 does not exist").arg(parent, 0, 16));
        return 1;
    }
    // Qt does not count a window inside a foreign one as a top-level window,
    // so its closing (the show's own ending) would not end the process.
    QObject::connect(window, &QObject::destroyed, qApp, [] { QCoreApplication::exit(0); });
    window->show();
    return finish(QApplication::exec());
}

int runConfig(const Mode& mode, const WindowFactories& factories)
{
    const QString message = forwardedMessage(mode, factories.forwardsProjectPaths);
    // The holder may be starting or ending just now: a few tries settle it.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (std::unique_ptr<InstanceClaim> claim = InstanceClaim::take(factories.configCaption)) {
            QWidget* window = factories.makeConfig(mode);
            window->setAttribute(Qt::WA_DeleteOnClose);
            InstanceClaim* held = claim.release();
            held->setParent(window);
            const auto deliver = factories.deliver;
            QObject::connect(held, &InstanceClaim::messageReceived, window,
                             [window, deliver](const QString& text) {
                                 store::ForceFrontWindow(window, true);
                                 if (deliver)
                                     deliver(window, text);
                             });
            window->show();
            return finish(QApplication::exec());
        }
        if (sendToInstance(factories.configCaption, message))
            return 0;
        QThread::msleep(100);
    }
    warn(QStringLiteral("the open \"%1\" window does not answer").arg(factories.configCaption));
    return 1;
}

} // namespace

QString forwardedMessage(const Mode& mode, bool forwardsProjectPaths)
{
    if (forwardsProjectPaths && !mode.projectPath.isEmpty())
        return mode.projectPath;
    return QStringLiteral("[Restore App]");
}

int dispatch(const Mode& mode, const WindowFactories& factories)
{
    switch (mode.kind) {
    case ModeKind::Password:
        // Only the Win9x family changes the password here (with the handle
        // in mode.windowId); elsewhere the process ends without a window.
        static_assert(!isWin9xFamily(), "no password change on this platform");
        return 0;
    case ModeKind::Preview:
    case ModeKind::Host:
        return runEmbedded(mode, factories);
    case ModeKind::Show:
        return runShow(mode, factories);
    case ModeKind::Config:
        break;
    }
    return runConfig(mode, factories);
}

} // namespace app
