// The video view on a real X server: frames on the screen where the show
// puts them, and input over a playing clip reaching the window.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "e2e/e2eutil.h"
#include "media/media_testutil.h"
#include "media/videoview.h"

using namespace media;
using mediatest::waitFor;

namespace {

// This program draws its own windows on the fixture's display: Qt must
// connect there, so the platform is chosen before main() creates the
// application. Without a display (listing the tests) it stays offscreen.
const bool g_onDisplay = [] {
    const QByteArray display = e2e::display().toUtf8();
    if (display.isEmpty())
        return false;
    setenv("DISPLAY", display.constData(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}();

class Window : public QWidget {
public:
    Window()
    {
        setWindowFlags(Qt::FramelessWindowHint);
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::black);
        setPalette(p);
    }
    int keys = 0;
    int moves = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
    void mouseMoveEvent(QMouseEvent*) override { ++moves; }
};

// Red, not green: swapped red and blue channels would show up as blue.
bool isRed(QRgb c)
{
    return qRed(c) > 180 && qGreen(c) < 90 && qBlue(c) < 90;
}
bool isBlack(QRgb c)
{
    return qRed(c) < 40 && qGreen(c) < 40 && qBlue(c) < 40;
}

QImage screen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

class VideoOnScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!g_onDisplay || QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "no display: run through ctest, or set KELVRA_E2E_DISPLAY";
        qputenv("KELVRA_AUDIO", "null");
        ASSERT_TRUE(m_dir.isValid());
        m_clip = m_dir.filePath(QStringLiteral("red.mpg"));
        ASSERT_TRUE(mediatest::makeColourClip(m_clip, "160x120", 3.0, "0xff0000"));
        m_moving = m_dir.filePath(QStringLiteral("moving.mpg"));
        ASSERT_TRUE(mediatest::makeClip(m_moving, "320x240", 3.0, "mpeg1video", "testsrc2"));
        QDir().mkpath(QCoreApplication::applicationDirPath() + QStringLiteral("/e2e-shots"));
        m_window.setGeometry(0, 0, 640, 480);
        m_view = new VideoView(&m_window);
        m_window.show();
        ASSERT_TRUE(
            waitFor([&] { return m_window.isVisible() && m_window.windowHandle()->isExposed(); }));
    }

    // Waits until the screen shows what `ok` wants, keeping the last shot.
    bool waitForScreen(const std::function<bool(const QImage&)>& ok)
    {
        return waitFor([&] {
            m_shot = screen();
            return !m_shot.isNull() && ok(m_shot);
        });
    }

    void keepShot(const char* name)
    {
        // Kept next to the test program for a look afterwards.
        m_shot.save(QCoreApplication::applicationDirPath() + QStringLiteral("/e2e-shots/") +
                    QString::fromUtf8(name));
    }

    QTemporaryDir m_dir;
    QString m_clip;
    QString m_moving;
    Window m_window;
    VideoView* m_view = nullptr;
    QImage m_shot;
};

TEST_F(VideoOnScreen, ClipCentredAtItsSizeThenFillingTheWindow)
{
    ASSERT_TRUE(m_view->open(m_clip));
    // What the show does for zoom 0: the clip at its own size, centred.
    const QSize f = m_view->frameSize();
    m_view->setGeometry((640 - f.width()) / 2, (480 - f.height()) / 2, f.width(), f.height());
    m_view->show();
    m_view->play();
    const bool centred = waitForScreen([](const QImage& s) {
        return isRed(s.pixel(320, 240)) && isRed(s.pixel(242, 182)) && isRed(s.pixel(397, 297)) &&
               isBlack(s.pixel(237, 177)) && isBlack(s.pixel(402, 302)) && isBlack(s.pixel(20, 20));
    });
    keepShot("media-centred.png");
    ASSERT_TRUE(centred) << "centre " << std::hex << m_shot.pixel(320, 240) << " corner "
                         << m_shot.pixel(20, 20);

    // Zoom 1 and 2: the view fills the window; a 4:3 clip in a 4:3 window
    // covers all of it.
    m_view->setGeometry(m_window.rect());
    const bool filled = waitForScreen([](const QImage& s) {
        return isRed(s.pixel(3, 3)) && isRed(s.pixel(636, 476)) && isRed(s.pixel(320, 240));
    });
    keepShot("media-filled.png");
    EXPECT_TRUE(filled) << "corner " << std::hex << m_shot.pixel(3, 3);
}

TEST_F(VideoOnScreen, KeyAndMouseOverThePlayingClipReachTheWindow)
{
    ASSERT_TRUE(m_view->open(m_moving));
    m_view->setGeometry(160, 120, 320, 240);
    m_view->show();
    m_view->play();
    ASSERT_TRUE(waitFor([&] { return m_view->renderedFrames() > 3; }));
    m_shot = screen();
    keepShot("media-moving.png");
    ASSERT_EQ(m_view->playingState(), -1);
    m_window.activateWindow();
    e2e::xdotool({"windowfocus", "--sync", QString::number(m_window.winId())});

    int viewMoves = 0;
    QObject::connect(m_view, &VideoView::mouseMoved, [&](const QPoint&) { ++viewMoves; });
    e2e::xdotool({"mousemove", "300", "230"});
    e2e::xdotool({"mousemove", "320", "250"});
    EXPECT_TRUE(waitFor([&] { return m_window.moves > 0; })) << "a move over the clip";
    EXPECT_GT(viewMoves, 0) << "the view saw the move too";

    e2e::xdotool({"key", "a"});
    EXPECT_TRUE(waitFor([&] { return m_window.keys > 0; })) << "a key while the clip plays";
    EXPECT_EQ(m_view->playingState(), -1) << "input does not stop the clip by itself";
}

} // namespace
