// The editor's desktop commands on a bare X server: the wallpaper on the
// root window, Test Screen Saver, and a real XScreenSaver running our show
// after "Set Kelvra Saver as Active Screen Saver".
#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "desktop/rootwindow.h"
#include "e2e/e2eutil.h"
#include "editor/projectfiles.h"
#include "store/settings.h"

namespace {

const QString kCaption = QStringLiteral("Kelvra Saver Settings");
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue()) <
           24;
}

// Waits, without a fixed sleep, until `done` holds; false after `ms`.
template <typename F>
bool waitFor(F done, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QThread::msleep(100);
    }
    return true;
}

class DesktopE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        E2E_REQUIRE_DISPLAY();
        session = std::make_unique<e2e::Session>();
        root = session->folders().root();
        home = root + QStringLiteral("/home");
        QDir().mkpath(home);
        log = root + QStringLiteral("/messages.log");
        env = session->env();
        // A bare X server: no desktop's wallpaper tool applies.
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("KELVRA_MESSAGE_LOG"), log);
        env.insert(QStringLiteral("KELVRA_MESSAGE_ANSWERS"), root + QStringLiteral("/answers"));

        // A red picture; blue around it.
        picture = root + QStringLiteral("/media/red.png");
        QDir().mkpath(root + QStringLiteral("/media"));
        QImage image(200, 150, QImage::Format_RGB32);
        image.fill(kRed);
        ASSERT_TRUE(image.save(picture, "PNG"));
        testutil::writeFile(session->folders().windowsDir() + QStringLiteral("/zem.ini"),
                            editor::formatCurrentConfig(5, {picture}));
        store::saveSetting(QStringLiteral("Background Color"),
                           QString::number(0x00FF0000), true); // 0x00BBGGRR: blue
    }
    void TearDown() override
    {
        if (!session)
            return;
        // Later tests expect the plain black root of a fresh server.
        const QByteArray old = qgetenv("DISPLAY");
        qputenv("DISPLAY", e2e::display().toUtf8());
        desktop::clearRootWindowPicture(Qt::black);
        qputenv("DISPLAY", old);
    }

    QStringList messages() const
    {
        return QString::fromUtf8(testutil::readFile(log)).split(u'\n', Qt::SkipEmptyParts);
    }
    bool waitForMessage(const QString& text)
    {
        return waitFor([&] { return messages().contains(text); });
    }
    std::unique_ptr<e2e::Program> startEditor()
    {
        auto editor = std::make_unique<e2e::Program>(e2e::binary(QStringLiteral("kelvra-saver")),
                                                     QStringList(), env);
        window = e2e::waitForWindow(kCaption, 15000);
        return editor;
    }
    static void key(quint32 window, const QString& keys)
    {
        e2e::xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                      QString::number(window)});
        e2e::xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
    }
    // Clicks the list's first row until the preview shows the red picture.
    bool selectFirstItem()
    {
        const QRect g = e2e::windowGeometry(window);
        for (int y = 30; y <= 90; y += 10) {
            e2e::xdotool({QStringLiteral("mousemove"), QString::number(g.left() + 40),
                          QString::number(g.top() + y), QStringLiteral("click"),
                          QStringLiteral("1")});
            const bool shown = waitFor(
                [&] {
                    const QImage shot = e2e::screenshot();
                    return near(QColor(shot.pixel(g.left() + g.width() * 3 / 4, g.center().y())),
                                kRed);
                },
                1500);
            if (shown)
                return true;
        }
        return false;
    }
    void closeEditor(e2e::Program& editor)
    {
        editor.terminate();
        ASSERT_TRUE(editor.waitForExit(10000)) << editor.stdErr().toStdString();
    }
    void install()
    {
        const e2e::Result r = e2e::run(e2e::binary(QStringLiteral("kelvra-saver")),
                                       {QStringLiteral("--install")}, env, 30000);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }

    std::unique_ptr<e2e::Session> session;
    QProcessEnvironment env;
    QString root, home, log, picture;
    quint32 window = 0;
};

TEST_F(DesktopE2E, CentredWallpaperOnTheRootWindowThenCleared)
{
    auto editor = startEditor();
    ASSERT_NE(window, 0u) << editor->stdErr().toStdString();
    ASSERT_TRUE(selectFirstItem());
    key(window, QStringLiteral("shift+F2"));
    ASSERT_TRUE(waitForMessage(
        QStringLiteral("information|Kelvra Saver|Windows wallpaper successfully set.")))
        << messages().join(u'\n').toStdString() << editor->stdErr().toStdString();
    closeEditor(*editor);
    ASSERT_TRUE(waitFor([] { return e2e::findWindows(kCaption).isEmpty(); }));

    // The picture in the middle of the 1280x1024 screen, blue around it:
    // it outlives the editor.
    const QImage shot = e2e::screenshot(QStringLiteral("desktop-wallpaper-centred"));
    ASSERT_EQ(shot.size(), QSize(1280, 1024));
    EXPECT_TRUE(near(QColor(shot.pixel(640, 512)), kRed));
    EXPECT_TRUE(near(QColor(shot.pixel(541, 438)), kRed));
    EXPECT_TRUE(near(QColor(shot.pixel(738, 586)), kRed));
    for (const QPoint p : {QPoint(5, 5), QPoint(1275, 1019), QPoint(538, 512), QPoint(741, 512),
                           QPoint(640, 435), QPoint(640, 589)})
        EXPECT_TRUE(near(QColor(shot.pixel(p)), kBlue)) << p.x() << "," << p.y();
    const e2e::Result props = e2e::run(QStringLiteral("xprop"),
                                       {QStringLiteral("-root"), QStringLiteral("_XROOTPMAP_ID"),
                                        QStringLiteral("ESETROOT_PMAP_ID")},
                                       env);
    EXPECT_EQ(props.out.count(QStringLiteral("(PIXMAP): pixmap id #")), 2) << props.out.toStdString();

    QFile::remove(log);
    auto again = startEditor();
    ASSERT_NE(window, 0u);
    // The wallpaper submenu, and so its shortcuts, wait for a previewed picture.
    ASSERT_TRUE(selectFirstItem());
    key(window, QStringLiteral("shift+F4"));
    ASSERT_TRUE(waitForMessage(QStringLiteral(
        "information|Kelvra Saver|The Windows wallpaper has been successfully cleared.")))
        << messages().join(u'\n').toStdString();
    closeEditor(*again);
    ASSERT_TRUE(waitFor([] { return e2e::findWindows(kCaption).isEmpty(); }));
    const QImage cleared = e2e::screenshot(QStringLiteral("desktop-wallpaper-cleared"));
    EXPECT_FALSE(near(QColor(cleared.pixel(640, 512)), kRed));
    EXPECT_TRUE(near(QColor(cleared.pixel(640, 512)), kBlue));
    EXPECT_FALSE(QFile::exists(session->folders().windowsDir() + QStringLiteral("/zempaper.bmp")));
    const e2e::Result gone = e2e::run(
        QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_XROOTPMAP_ID")}, env);
    EXPECT_TRUE(gone.out.contains(QStringLiteral("not found"))) << gone.out.toStdString();
}

TEST_F(DesktopE2E, TestScreenSaverStartsAShowThatAKeyEnds)
{
    install();
    auto editor = startEditor();
    ASSERT_NE(window, 0u) << editor->stdErr().toStdString();
    key(window, QStringLiteral("ctrl+e"));
    const quint32 show = e2e::waitForWindow(QStringLiteral("Kelvra Saver"), 15000);
    ASSERT_NE(show, 0u) << editor->stdErr().toStdString();
    EXPECT_TRUE(e2e::waitForPixel({640, 512}, kRed, 15000, QStringLiteral("desktop-test-show")));
    key(show, QStringLiteral("space"));
    EXPECT_TRUE(waitFor([] { return e2e::findWindows(QStringLiteral("Kelvra Saver")).isEmpty(); }));
    EXPECT_TRUE(editor->running());
    closeEditor(*editor);
}

// XScreenSaver runs hacks only for a normal user: as root the test runs it
// as a user of its own.
class XScreenSaverUser {
public:
    static constexpr const char* kName = "kelvra-e2e";
    // Empty when the daemon can be run; else why not. `program` is what the
    // daemon will start, through the installed link.
    QString prepare(const QString& program)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xscreensaver")).isEmpty())
            return QStringLiteral("xscreensaver is not installed (scripts/install-deps.sh)");
        if (::getuid() != 0)
            return {};
        if (!::getpwnam(kName)) {
            const e2e::Result r = e2e::run(QStringLiteral("useradd"),
                                           {QStringLiteral("--system"), QStringLiteral("-M"),
                                            QStringLiteral("-s"), QStringLiteral("/bin/sh"),
                                            QString::fromLatin1(kName)},
                                           QProcessEnvironment::systemEnvironment());
            if (!::getpwnam(kName))
                return QStringLiteral("cannot create the user %1: %2")
                    .arg(QString::fromLatin1(kName), r.err);
        }
        asUser = true;
        // A build inside a private folder (a 0700 temporary one) cannot be
        // run by another user, however the test's own folders are owned.
        const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const auto [runner, args] =
            command(QStringLiteral("test"), {QStringLiteral("-x"), program}, env);
        if (e2e::run(runner, args, env).exitCode != 0) {
            asUser = false;
            return QStringLiteral("the user %1 cannot run %2: a folder above it is private")
                .arg(QString::fromLatin1(kName), program);
        }
        return {};
    }
    // The command that runs `program` as that user with `env`.
    QPair<QString, QStringList> command(const QString& program, const QStringList& args,
                                        const QProcessEnvironment& env) const
    {
        if (!asUser)
            return {program, args};
        QStringList out = {QStringLiteral("-u"), QString::fromLatin1(kName), QStringLiteral("--"),
                           QStringLiteral("env")};
        for (const QString& name : env.keys()) {
            const bool wanted = name == QLatin1String("HOME") || name == QLatin1String("PATH") ||
                                name == QLatin1String("DISPLAY") || name.startsWith("XDG_") ||
                                name.startsWith("KELVRA_") || name.startsWith("QT_") ||
                                name == QLatin1String("LANG");
            if (wanted)
                out << name + u'=' + env.value(name);
        }
        out << program << args;
        return {QStringLiteral("runuser"), out};
    }
    // Gives the folder tree to the user.
    void own(const QString& folder) const
    {
        if (asUser)
            e2e::run(QStringLiteral("chown"),
                     {QStringLiteral("-R"), QString::fromLatin1(kName), folder},
                     QProcessEnvironment::systemEnvironment());
    }
    bool asUser = false;
};

TEST_F(DesktopE2E, XScreenSaverShowsOurPicturesAfterSetAsActive)
{
    XScreenSaverUser user;
    const QString problem = user.prepare(e2e::binary(QStringLiteral("kelvra-saver")));
    if (!problem.isEmpty())
        GTEST_SKIP() << problem.toStdString();
    install();

    auto editor = startEditor();
    ASSERT_NE(window, 0u) << editor->stdErr().toStdString();
    key(window, QStringLiteral("ctrl+g"));
    ASSERT_TRUE(waitForMessage(QStringLiteral("information|Kelvra Saver|Kelvra Saver has been "
                                              "successfully set as the active screen saver.")))
        << messages().join(u'\n').toStdString();
    closeEditor(*editor);
    const QByteArray prefs = testutil::readFile(home + QStringLiteral("/.xscreensaver"));
    ASSERT_TRUE(prefs.contains("\nmode:\t\tone\nselected:\t0\n")) << prefs.data();
    // No fading: the hack starts at once.
    testutil::writeFile(home + QStringLiteral("/.xscreensaver"),
                        prefs + "fade:\t\tFalse\nunfade:\t\tFalse\nsplash:\t\tFalse\n");
    user.own(root);

    QProcessEnvironment daemonEnv = env;
    daemonEnv.remove(QStringLiteral("KELVRA_MESSAGE_ANSWERS"));
    const auto [program, args] = user.command(QStringLiteral("xscreensaver"),
                                              {QStringLiteral("-no-splash")}, daemonEnv);
    e2e::Program daemon(program, args, daemonEnv);
    ASSERT_TRUE(daemon.started());
    const auto command = [&](const char* what) {
        return e2e::run(QStringLiteral("xscreensaver-command"), {QString::fromLatin1(what)}, env);
    };
    ASSERT_TRUE(waitFor([&] { return command("-version").exitCode == 0; }, 15000))
        << daemon.stdErr().toStdString();
    ASSERT_EQ(command("-activate").exitCode, 0);
    const bool shown = e2e::waitForPixel({640, 512}, kRed, 30000,
                                         QStringLiteral("desktop-xscreensaver"));
    const QImage shot = e2e::screenshot();
    command("-exit");
    daemon.waitForExit(10000);
    ASSERT_TRUE(shown) << daemon.stdErr().toStdString();
    // Our show covers the screen: blue around the picture, from our settings.
    EXPECT_TRUE(near(QColor(shot.pixel(5, 5)), kBlue));
}

} // namespace
