// The video view on the offscreen platform: real clips made by ffmpeg, real
// decoding, frames checked in the view's own frame buffer.

#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "common/testutil.h"
#include "media_testutil.h"
#include "media/videoview.h"

using namespace media;
using mediatest::waitFor;

namespace {

// A parent that counts what reaches it.
class Recorder : public QWidget {
public:
    Recorder() { setMouseTracking(true); }
    int keys = 0;
    int presses = 0;
    int moves = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void mouseMoveEvent(QMouseEvent*) override { ++moves; }
};

// Red, not green: swapped red and blue channels would show up as blue.
bool isRed(QRgb c)
{
    return qRed(c) > 180 && qGreen(c) < 90 && qBlue(c) < 90;
}

class VideoViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qputenv("KELVRA_AUDIO", "null");
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        ASSERT_TRUE(mediatest::makeClip(path("moving.mpg"), "160x120", 1.2, "mpeg1video"));
        ASSERT_TRUE(mediatest::makeClip(path("moving.mp4"), "160x120", 1.2, "libx264"));
        ASSERT_TRUE(mediatest::makeClip(path("moving.avi"), "160x120", 1.2, "mpeg4"));
        ASSERT_TRUE(mediatest::makeClip(path("moving.mov"), "160x120", 1.2, "mpeg4"));
        ASSERT_TRUE(mediatest::makeClip(path("moving.mkv"), "160x120", 1.2, "libx264"));
        ASSERT_TRUE(mediatest::makeClip(path("moving.webm"), "160x120", 1.2, "libvpx"));
        ASSERT_TRUE(mediatest::makeColourClip(path("red.mpg"), "160x120", 1.0, "0xff0000"));
        // The same MPEG program stream under its other names.
        for (const char* other : {"moving.mpe", "moving.mpeg"})
            ASSERT_TRUE(QFile::copy(path("moving.mpg"), path(other)));
        testutil::writeFile(path("broken.avi"), QByteArray(8192, '\x11'));
        ASSERT_TRUE(mediatest::makeTone(path("tone.wav"), 0.5));
        ASSERT_TRUE(mediatest::ffmpeg(
            {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i",
             "sine=duration=1", "-c:v", "mpeg1video", "-c:a", "mp2"},
            path("sound.mpg")));
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static QString path(const char* name) { return s_dir->filePath(QString::fromUtf8(name)); }
    static std::unique_ptr<QTemporaryDir> s_dir;
};

std::unique_ptr<QTemporaryDir> VideoViewTest::s_dir;

TEST_F(VideoViewTest, NothingStartsBeforeTheFirstOpen)
{
    VideoView view;
    EXPECT_FALSE(view.isOpen());
    EXPECT_EQ(view.playingState(), 0);
    EXPECT_TRUE(view.frameSize().isEmpty());
    view.play(); // nothing open: nothing happens
    view.stop();
    EXPECT_FALSE(view.isPlaying());
    EXPECT_EQ(view.renderedFrames(), 0u);
}

class VideoClips : public VideoViewTest, public ::testing::WithParamInterface<std::string> {};

// Open gives the frame size and a first frame; play moves frames, reports
// -1 while playing, notices the end; play after the end plays again.
TEST_P(VideoClips, PlaysToTheEndAndAgain)
{
    VideoView view;
    view.resize(320, 240);
    int ended = 0;
    int status = 0;
    QObject::connect(&view, &VideoView::ended, [&] { ++ended; });
    QObject::connect(&view, &VideoView::statusChanged, [&] { ++status; });

    ASSERT_TRUE(view.open(path(GetParam().c_str())));
    EXPECT_EQ(view.frameSize(), QSize(160, 120));
    EXPECT_FALSE(view.currentFrame().isNull()) << "the first frame is there before play";
    EXPECT_EQ(view.playingState(), 0);

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        const quint64 before = view.renderedFrames();
        view.play();
        EXPECT_EQ(view.playingState(), -1);
        ASSERT_TRUE(waitFor([&] { return view.renderedFrames() > before + 5; }))
            << "frames move while playing";
        ASSERT_TRUE(waitFor([&] { return ended == run; }));
        EXPECT_EQ(view.playingState(), 0);
        EXPECT_TRUE(view.isOpen()) << "the clip stays open after its end";
    }
    EXPECT_GE(status, 4);
}

INSTANTIATE_TEST_SUITE_P(Formats, VideoClips,
                         ::testing::Values(std::string("moving.mpg"), std::string("moving.mpe"),
                                           std::string("moving.mpeg"), std::string("moving.mp4"),
                                           std::string("moving.avi"), std::string("moving.mov"),
                                           std::string("moving.mkv"), std::string("moving.webm")),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST_F(VideoViewTest, FrameKeepsItsAspectCentredOrStretches)
{
    VideoView view;
    view.resize(400, 200);
    view.show();
    ASSERT_TRUE(view.open(path("red.mpg")));
    // 160x120 (4:3) in 400x200: 267x200 (rounded), centred.
    const QRect r = view.frameRect();
    EXPECT_EQ(r.height(), 200);
    EXPECT_NEAR(r.width(), 267, 1);
    EXPECT_NEAR(r.left(), (400 - r.width()) / 2, 1);
    EXPECT_EQ(r.top(), 0);
    const QImage frame = view.currentFrame();
    ASSERT_EQ(frame.size(), r.size());
    EXPECT_TRUE(isRed(frame.pixel(frame.width() / 2, frame.height() / 2)));

    // What the view paints: red inside the rectangle, nothing outside.
    const QImage shot = view.grab().toImage();
    EXPECT_TRUE(isRed(shot.pixel(200, 100)));

    view.setKeepAspect(false);
    EXPECT_EQ(view.frameRect(), QRect(0, 0, 400, 200));
    view.resize(160, 120);
    EXPECT_EQ(view.frameRect(), QRect(0, 0, 160, 120)) << "a resize redraws at the new size";
    EXPECT_EQ(view.currentFrame().size(), QSize(160, 120));
}

TEST_F(VideoViewTest, StopStopsAndCloseEmpties)
{
    VideoView view;
    view.resize(160, 120);
    ASSERT_TRUE(view.open(path("moving.mpg")));
    view.play();
    ASSERT_TRUE(waitFor([&] { return view.renderedFrames() > 3; }));
    view.stop();
    EXPECT_EQ(view.playingState(), 0);
    mediatest::pause(300); // frames already on their way may still land
    const quint64 held = view.renderedFrames();
    mediatest::pause(500);
    EXPECT_LE(view.renderedFrames(), held + 1) << "no new frames once stopped";
    EXPECT_FALSE(view.currentFrame().isNull()) << "the last frame stays";

    view.close();
    EXPECT_FALSE(view.isOpen());
    EXPECT_TRUE(view.currentFrame().isNull());
    EXPECT_TRUE(view.frameSize().isEmpty());
    view.play();
    EXPECT_EQ(view.playingState(), 0);
}

// No sound card here: without KELVRA_AUDIO a clip with sound must still
// play, silently, to its end.
TEST_F(VideoViewTest, ClipWithSoundPlaysWithoutASoundCard)
{
    const QByteArray saved = qgetenv("KELVRA_AUDIO");
    qunsetenv("KELVRA_AUDIO");
    {
        VideoView view;
        view.resize(160, 120);
        int ended = 0;
        QObject::connect(&view, &VideoView::ended, [&] { ++ended; });
        ASSERT_TRUE(view.open(path("sound.mpg")));
        view.play();
        EXPECT_TRUE(waitFor([&] { return view.renderedFrames() > 5; }));
        EXPECT_TRUE(waitFor([&] { return ended == 1; }));
    }
    qputenv("KELVRA_AUDIO", saved);
}

TEST_F(VideoViewTest, SoundOnlyFilePlaysAndShowsNothing)
{
    // A red parent: whatever the view leaves unpainted shows red.
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette p = parent.palette();
    p.setColor(QPalette::Window, Qt::red);
    parent.setPalette(p);
    parent.resize(160, 120);
    auto* view = new VideoView(&parent);
    view->setGeometry(0, 0, 160, 120);
    parent.show();
    int ended = 0;
    QObject::connect(view, &VideoView::ended, [&] { ++ended; });
    ASSERT_TRUE(view->open(path("tone.wav")));
    EXPECT_TRUE(view->frameSize().isEmpty());
    view->play();
    EXPECT_EQ(view->playingState(), -1);
    EXPECT_TRUE(waitFor([&] { return ended == 1; }));
    EXPECT_TRUE(isRed(parent.grab().toImage().pixel(80, 60))) << "no black box over the parent";
}

TEST_F(VideoViewTest, UnplayableClipShowsNothing)
{
    VideoView view;
    view.resize(160, 120);
    for (const char* name : {"broken.avi", "missing.mpg"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(view.open(path(name)));
        EXPECT_FALSE(view.isOpen());
        EXPECT_TRUE(view.currentFrame().isNull());
        view.play();
        EXPECT_EQ(view.playingState(), 0);
    }
    // A good clip after a bad one still plays.
    ASSERT_TRUE(view.open(path("red.mpg")));
    EXPECT_EQ(view.frameSize(), QSize(160, 120));
}

TEST_F(VideoViewTest, InputIsReportedAndGoesOnToTheParent)
{
    Recorder window;
    window.resize(320, 240);
    auto* view = new VideoView(&window);
    view->setGeometry(80, 60, 160, 120);
    window.show();
    ASSERT_TRUE(view->hasMouseTracking());
    ASSERT_TRUE(view->open(path("moving.mpg")));
    view->play();

    int keys = 0, presses = 0, moves = 0;
    QObject::connect(view, &VideoView::keyPressed, [&](int) { ++keys; });
    QObject::connect(view, &VideoView::mousePressed, [&](Qt::MouseButton) { ++presses; });
    QObject::connect(view, &VideoView::mouseMoved, [&](const QPoint&) { ++moves; });

    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(view, &key);
    const QPointF local(10, 10);
    const QPointF global = view->mapToGlobal(local);
    QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(view, &press);

    EXPECT_EQ(keys, 1);
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(window.keys, 1) << "the key went on to the window";
    EXPECT_EQ(window.moves, 1) << "the move went on to the window";
    EXPECT_EQ(window.presses, 1) << "the click went on to the window";
}

} // namespace
