// The show of both programs on the test display: real list files, real
// settings, real pictures and clips; checked on screenshots.

#include <sys/stat.h>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include "archive/bundle.h"
#include "archive/resultcode.h"
#include "archive/ziparchive.h"
#include "e2e/e2eutil.h"
#include "store/settings.h"

namespace
{

const QString kCaption = QStringLiteral("Kelvra Saver");

// The fixture's screen is 1280x1024.
constexpr int kScreenW = 1280;
constexpr int kScreenH = 1024;

// Pixels of the pointer's cursor that are not transparent; -1 on failure.
int visibleCursorPixels()
{
    const e2e::Result r = e2e::run(e2e::binary("kelvra_e2e_show_cursor"), {},
                                   [] {
                                       QProcessEnvironment env =
                                           QProcessEnvironment::systemEnvironment();
                                       env.insert("DISPLAY", e2e::display());
                                       return env;
                                   }());
    bool ok = false;
    const int n = r.out.trimmed().toInt(&ok);
    return r.finished && r.exitCode == 0 && ok ? n : -1;
}

QColor pixel(const QImage& shot, int x, int y)
{
    return shot.pixelColor(x, y);
}

using e2e::bgr;
using e2e::near;

struct ShowE2E : ::testing::Test {
    std::unique_ptr<e2e::Session> session;
    QString windowsDir;

    void SetUp() override
    {
        if (e2e::display().isEmpty())
            GTEST_SKIP() << "no display";
        session = std::make_unique<e2e::Session>();
        windowsDir = session->folders().windowsDir();
        QDir().mkpath(windowsDir);
        // The pointer starts away from the corner, so the first sample counts.
        e2e::xdotool({"mousemove", "700", "700"});
        store::saveSetting("Screen Saver Timeout", "2", true);
        store::saveSetting("Paint Effect", "0", true);
        store::saveSetting("Zoom Setting", "0", true);
    }

    QString picture(const QString& name, const QColor& color, int w = 640, int h = 480)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(color);
        const QString path = session->folders().root() + u'/' + name;
        EXPECT_TRUE(image.save(path));
        return path;
    }

    // A clip of `color` that turns `last` for its final second.
    QString clip(const QString& name, const QColor& color, const QColor& last, double seconds)
    {
        const QString path = session->folders().root() + u'/' + name;
        auto hex = [](const QColor& c) {
            return QStringLiteral("0x%1").arg(c.rgb() & 0xFFFFFF, 6, 16, QChar('0'));
        };
        const int rc = QProcess::execute(
            "ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                       QStringLiteral("color=c=%1:s=320x240:d=%2:r=25,drawbox=c=%3:t=fill:"
                                      "enable='gte(t,%4)'")
                           .arg(hex(color))
                           .arg(seconds)
                           .arg(hex(last))
                           .arg(seconds - 1),
                       "-c:v", "mpeg4", path});
        EXPECT_EQ(rc, 0);
        return path;
    }

    void writeList(const QString& path, const QStringList& lines)
    {
        testutil::writeFile(path, lines.join("\r\n").toUtf8() + "\r\n");
    }

    // The editor's current configuration: interval, count, then the paths.
    void writeZem(const QStringList& paths)
    {
        writeList(windowsDir + "/zem.ini", QStringList{"2", QString::number(paths.size())} + paths);
    }

    std::unique_ptr<e2e::Program> start(const QStringList& args,
                                        const QString& program = "kelvra-saver")
    {
        auto p = std::make_unique<e2e::Program>(e2e::binary(program), args, session->env());
        EXPECT_TRUE(p->started());
        return p;
    }

    bool waitFor(const QPoint& at, const QColor& color, int ms, const QString& shot)
    {
        return e2e::waitForPixel(at, color, ms, shot, 12);
    }
};

TEST_F(ShowE2E, EmptyListShowsTheBackgroundAndAnyMovementEndsIt)
{
    store::saveSetting("Background Color", bgr(QColor(200, 40, 90)), true);
    auto show = start({"/s"});
    ASSERT_NE(e2e::waitForWindow(kCaption), 0u);
    ASSERT_TRUE(waitFor({640, 512}, QColor(200, 40, 90), 5000, "show-empty"));
    ASSERT_TRUE(waitFor({5, 5}, QColor(200, 40, 90), 2000, "show-empty-corner"));
    ASSERT_TRUE(waitFor({kScreenW - 5, kScreenH - 5}, QColor(200, 40, 90), 2000, "show-empty-far"));
    QThread::msleep(300);
    EXPECT_TRUE(show->running());
    EXPECT_EQ(visibleCursorPixels(), 0) << "the cursor is not hidden";
    e2e::xdotool({"mousemove_relative", "--", "1", "1"});
    EXPECT_TRUE(show->waitForExit(5000));
    EXPECT_EQ(show->exitCode(), 0);
    EXPECT_GT(visibleCursorPixels(), 0) << "the cursor is not back";
}

TEST_F(ShowE2E, PicturesAreCentredAndFollowEachOtherWithAnEffect)
{
    const QString green = picture("green.png", QColor(0, 200, 0));
    const QString blue = picture("blue.png", QColor(0, 0, 220));
    writeZem({green, blue});
    // A cross-fade of about 3.6 s: a screenshot can take a second on a
    // loaded machine, and the fade must still be seen.
    store::saveSetting("Paint Effect", "16000", true);
    store::saveSetting("EffectDelay", "60", true);
    store::saveSetting("PaintMaxPasses", "60", true);
    store::saveSetting("Screen Saver Timeout", "6", true); // time to look at the first
    auto show = start({"/s"});
    // 640x480 centred on 1280x1024: (320, 272) to (960, 752).
    ASSERT_TRUE(waitFor({640, 512}, QColor(0, 200, 0), 6000, "show-first"));
    const QImage shot = e2e::screenshot("show-first-placed");
    EXPECT_TRUE(near(pixel(shot, 321, 273), QColor(0, 200, 0)));
    EXPECT_TRUE(near(pixel(shot, 958, 750), QColor(0, 200, 0)));
    EXPECT_TRUE(near(pixel(shot, 318, 512), Qt::black));
    EXPECT_TRUE(near(pixel(shot, 640, 270), Qt::black));
    EXPECT_TRUE(near(pixel(shot, 962, 512), Qt::black));
    EXPECT_TRUE(near(pixel(shot, 640, 754), Qt::black));

    // The next picture comes after the interval, through frames that are
    // neither picture (the fade).
    bool between = false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000) {
        const QColor c = pixel(e2e::screenshot(), 640, 512);
        if (!near(c, QColor(0, 200, 0), 30) && !near(c, QColor(0, 0, 220), 30))
            between = true;
        if (near(c, QColor(0, 0, 220)))
            break;
    }
    EXPECT_TRUE(between) << "no frame of the effect was seen";
    EXPECT_TRUE(waitFor({640, 512}, QColor(0, 0, 220), 8000, "show-second"));
    EXPECT_TRUE(show->running());
    e2e::xdotool({"key", "a"});
    EXPECT_TRUE(show->waitForExit(5000));
}

TEST_F(ShowE2E, OverlayIsDrawnWhereItsAlignmentPutsIt)
{
    const QString green = picture("green.png", QColor(0, 200, 0));
    writeZem({green});
    store::saveSetting("Display Text", "MMMM", true);
    store::saveSetting("Display Text Align", "8", true); // bottom right
    store::saveSetting("Display Text Font Size", "40", true);
    store::saveSetting("Display Text Forecolor", bgr(QColor(255, 255, 0)), true);
    store::saveSetting("Display Text Bold", "True", true);
    auto show = start({"/s"});
    ASSERT_TRUE(waitFor({330, 280}, QColor(0, 200, 0), 6000, "show-overlay"));
    QThread::msleep(300);
    const QImage shot = e2e::screenshot("show-overlay");
    int yellowBottomRight = 0, yellowElsewhere = 0;
    for (int y = 272; y < 752; y += 2) {
        for (int x = 320; x < 960; x += 2) {
            if (!near(pixel(shot, x, y), QColor(255, 255, 0), 40))
                continue;
            if (x >= 640 && y >= 640)
                ++yellowBottomRight;
            else
                ++yellowElsewhere;
        }
    }
    EXPECT_GT(yellowBottomRight, 50);
    EXPECT_EQ(yellowElsewhere, 0);
    e2e::xdotool({"key", "Escape"});
    EXPECT_TRUE(show->waitForExit(5000));
}

TEST_F(ShowE2E, FourPixelsDoNotEndTheShowAndFiveDo)
{
    // One picture, shown once and never painted again: an end request must
    // still close the show.
    writeZem({picture("green.png", QColor(0, 200, 0))});
    store::saveSetting("Screen Saver Timeout", "30", true);
    auto show = start({"/s"});
    ASSERT_TRUE(waitFor({640, 512}, QColor(0, 200, 0), 6000, "show-mouse"));
    QThread::msleep(400); // sampled
    e2e::xdotool({"mousemove_relative", "--", "4", "4"});
    QThread::msleep(800);
    e2e::xdotool({"mousemove_relative", "--", "-4", "-4"});
    QThread::msleep(800);
    ASSERT_TRUE(show->running()) << "a 4-pixel move ended the show";
    // How fast it ends is show_bench's figure; here it only has to end.
    e2e::xdotool({"mousemove_relative", "--", "5", "0"});
    ASSERT_TRUE(show->waitForExit(5000));
    EXPECT_EQ(show->exitCode(), 0);
}

TEST_F(ShowE2E, KeyEndsALongIntervalShow)
{
    writeZem({picture("green.png", QColor(0, 200, 0)), picture("red.png", QColor(220, 0, 0))});
    store::saveSetting("Screen Saver Timeout", "60", true);
    auto show = start({"/s"});
    ASSERT_TRUE(waitFor({640, 512}, QColor(0, 200, 0), 6000, "show-key"));
    e2e::xdotool({"key", "space"});
    ASSERT_TRUE(show->waitForExit(5000)) << "the show waited for the next item";
}

TEST_F(ShowE2E, ClipPlaysToItsEndBeforeTheNextPicture)
{
    const QString green = picture("green.png", QColor(0, 200, 0));
    const QString movie = clip("movie.AVI", QColor(230, 20, 20), QColor(20, 20, 230), 3.0);
    writeZem({green, movie});
    store::saveSetting("Screen Saver Timeout", "1", true);
    auto show = start({"/s"});
    ASSERT_TRUE(waitFor({640, 512}, QColor(0, 200, 0), 6000, "show-clip-first"));
    ASSERT_TRUE(waitFor({640, 512}, QColor(230, 20, 20), 6000, "show-clip-playing"))
        << show->stdErr().toStdString();
    // The interval is 1 s; the 3-second clip still reaches its last second.
    ASSERT_TRUE(waitFor({640, 512}, QColor(20, 20, 230), 8000, "show-clip-end"));
    ASSERT_TRUE(waitFor({640, 512}, QColor(0, 200, 0), 8000, "show-clip-after"));
    e2e::xdotool({"key", "a"});
    EXPECT_TRUE(show->waitForExit(3000));
}

TEST_F(ShowE2E, PreviewDrawsInsideAForeignWindowAndIgnoresInput)
{
    writeZem({picture("green.png", QColor(0, 200, 0))});
    e2e::HostWindow host(QRect(100, 100, 320, 240));
    ASSERT_NE(host.id(), 0u);
    auto show = start({"/p", QString::number(host.id())});
    // Stretched over the whole preview.
    ASSERT_TRUE(waitFor({110, 110}, QColor(0, 200, 0), 6000, "show-preview"));
    ASSERT_TRUE(waitFor({410, 330}, QColor(0, 200, 0), 2000, "show-preview-corner"));
    const QImage shot = e2e::screenshot();
    EXPECT_FALSE(near(pixel(shot, 430, 345), QColor(0, 200, 0)));
    e2e::xdotool({"mousemove", "200", "200"});
    e2e::xdotool({"mousemove", "260", "260"});
    e2e::xdotool({"click", "1"});
    e2e::xdotool({"key", "a"});
    // The preview follows its window's size.
    host.resize(480, 360);
    EXPECT_TRUE(waitFor({570, 450}, QColor(0, 200, 0), 5000, "show-preview-resized"));
    EXPECT_TRUE(show->running());
    host.destroy();
    EXPECT_TRUE(show->waitForExit(3000));
}

// XScreenSaver's two windows: the saver's own, covering the screen, and its
// settings preview. A small green picture with a yellow text overlay tells
// which show runs in each.
struct HostedShow : ShowE2E {
    const QColor green{0, 200, 0};
    const QColor blue{30, 30, 120};
    const QColor yellow{255, 255, 0};

    std::unique_ptr<e2e::Program> startIn(const e2e::HostWindow& host)
    {
        writeZem({picture("green.png", green, 160, 120)});
        store::saveSetting("Background Color", bgr(blue), true);
        store::saveSetting("Display Text", "MM", true);
        store::saveSetting("Display Text Align", "8", true); // bottom right
        store::saveSetting("Display Text Font Size", "20", true);
        store::saveSetting("Display Text Forecolor", bgr(yellow), true);
        store::saveSetting("Display Text Bold", "True", true);
        // As XScreenSaver starts a hack: "-root" and the window in the environment.
        QProcessEnvironment env = session->env();
        env.insert("XSCREENSAVER_WINDOW", QStringLiteral("0x%1").arg(host.id(), 0, 16));
        return std::make_unique<e2e::Program>(e2e::binary("kelvra-saver"), QStringList{"-root"},
                                              env);
    }
    int yellowPixels(const QImage& shot, const QRect& area) const
    {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += near(pixel(shot, x, y), yellow, 40) ? 1 : 0;
        return n;
    }
    // Input belongs to the host: the show goes on until the host window goes.
    void inputIsLeftToTheHost(e2e::Program& show, e2e::HostWindow& host)
    {
        e2e::xdotool({"mousemove", "200", "200"});
        e2e::xdotool({"mousemove", "260", "260"});
        e2e::xdotool({"click", "1"});
        e2e::xdotool({"key", "a"});
        QThread::msleep(800);
        EXPECT_TRUE(show.running());
        host.destroy();
        EXPECT_TRUE(show.waitForExit(3000));
    }
};

TEST_F(HostedShow, AHostWindowCoveringTheScreenRunsTheRealShow)
{
    e2e::HostWindow host(QRect(0, 0, 1280, 1024));
    ASSERT_NE(host.id(), 0u);
    auto show = startIn(host);
    // Centred at its own size: (560, 452) to (720, 572), overlay included.
    ASSERT_TRUE(waitFor({565, 457}, green, 6000, "show-hosted"));
    QThread::msleep(300);
    const QImage shot = e2e::screenshot("show-hosted");
    EXPECT_TRUE(near(pixel(shot, 715, 457), green));
    EXPECT_TRUE(near(pixel(shot, 550, 440), blue));
    EXPECT_GT(yellowPixels(shot, QRect(640, 512, 80, 60)), 10) << "no overlay";
    inputIsLeftToTheHost(*show, host);
}

TEST_F(HostedShow, ASmallHostWindowIsTheSettingsPreview)
{
    e2e::HostWindow host(QRect(100, 100, 320, 240));
    ASSERT_NE(host.id(), 0u);
    auto show = startIn(host);
    // As "/p": stretched over the whole window, and no overlay.
    ASSERT_TRUE(waitFor({105, 105}, green, 6000, "show-hosted-preview"));
    ASSERT_TRUE(waitFor({415, 335}, green, 2000, "show-hosted-preview-corner"));
    QThread::msleep(300);
    const QImage shot = e2e::screenshot("show-hosted-preview");
    EXPECT_EQ(yellowPixels(shot, QRect(100, 100, 320, 240)), 0) << "overlay in a preview";
    inputIsLeftToTheHost(*show, host);
}

TEST_F(ShowE2E, RuntimeShowWithoutItemsOutlastsMouseMovementButNotAKey)
{
    const QString work = windowsDir + "/tmpFiles";
    QDir().mkpath(work);
    testutil::writeFile(work + "/vls.scr", "runtime");
    testutil::writeFile(work + "/vls.ini", "[Screen Saver Properties]\r\nPaint Effect=0\r\n");
    store::saveSetting("Background Color", bgr(QColor(200, 40, 90)), true);
    testutil::writeFile(work + "/ivls.ini", "");
    auto show = start({"/s"}, "vls");
    ASSERT_TRUE(waitFor({640, 512}, QColor(200, 40, 90), 6000, "show-runtime-empty"));
    // Large moves, each held longer than the mouse watch's period.
    for (const char* to : {"100", "900", "300"}) {
        e2e::xdotool({"mousemove", to, to});
        QThread::msleep(400);
    }
    EXPECT_TRUE(show->running()) << "mouse movement ended the runtime's empty show";
    e2e::xdotool({"key", "a"});
    EXPECT_TRUE(show->waitForExit(3000));
}

TEST_F(ShowE2E, RuntimeShowsItsBundleAndLeavesOnlyItsProgram)
{
    const QString work = windowsDir + "/tmpFiles";
    QDir().mkpath(work);
    testutil::writeFile(work + "/vls.scr", "runtime");
    // The bundle as the creator packs it, beside the runtime.
    const QString in = windowsDir + "/bundle-in";
    QDir().mkpath(in);
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(QColor(0, 200, 0));
    ASSERT_TRUE(image.save(in + "/p1.png"));
    testutil::writeFile(
        in + "/vls.ini",
        "[Screen Saver Properties]\r\nPaint Effect=0\r\nRandom Paint Effect=False\r\n");
    // The creator's paths are from another machine: the unpacked files stand in.
    writeList(in + "/ivls.ini", {"/home/someone/pictures/p1.png"});
    testutil::writeFile(in + "/svls.ini", "");
    const QString saverDir = windowsDir + "/saver";
    QDir().mkpath(saverDir);
    ASSERT_TRUE(QFile::link(QStringLiteral(KELVRA_BIN_DIR "/vls"), saverDir + "/vls"));
    archive::ZipArchive zip;
    for (const char* name : {"p1.png", "ivls.ini", "vls.ini", "svls.ini"})
        zip.addFileToProcess(in + u'/' + QLatin1String(name));
    zip.setArchiveName(saverDir + "/vls.dat");
    zip.setPassword(QString::fromLatin1(archive::kBundlePassword));
    ASSERT_EQ(zip.pack(), archive::kSuccess);

    auto show = std::make_unique<e2e::Program>(saverDir + "/vls", QStringList{"/s"},
                                               session->env());
    ASSERT_TRUE(waitFor({640, 512}, QColor(0, 200, 0), 6000, "show-runtime"));
    e2e::xdotool({"key", "a"});
    ASSERT_TRUE(show->waitForExit(3000));
    EXPECT_EQ(QDir(work).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"vls.scr"});
}

} // namespace

// A list as users' lists are: a named pipe where a file was, a two-colour
// scan wider than the screen, a photo with stray bytes a camera left, and an
// ".mp4" clip. The pipe is passed over, the other three show as they are,
// and a key still ends the show and the process.
TEST_F(ShowE2E, UnusualEntriesShowAndAKeyStillEndsTheProcess)
{
    const QString root = session->folders().root();
    const QString pipe = root + "/pipe.jpg";
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

    const QColor navy(20, 40, 160), gold(250, 220, 30);
    QImage scan(3000, 600, QImage::Format_Mono);
    scan.setColorTable({navy.rgb(), gold.rgb()});
    scan.fill(0);
    for (int y = 0; y < 600; ++y)
        for (int x = 1500; x < 3000; ++x)
            scan.setPixel(x, y, 1);
    const QString wide = root + "/wide.png";
    ASSERT_TRUE(scan.save(wide));

    const QColor plum(200, 60, 160);
    QImage photoImage(640, 480, QImage::Format_RGB32);
    photoImage.fill(plum);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(photoImage.save(&buffer, "JPEG", 95));
    jpeg.insert(int(jpeg.indexOf("\xFF\xDA")), QByteArray("\x00\x7f", 2));
    const QString photo = root + "/stray.jpg";
    testutil::writeFile(photo, jpeg);

    const QColor teal(0, 150, 150);
    const QString movie = clip("clip.mp4", teal, teal, 3);

    writeZem({pipe, wide, photo, movie});
    store::saveSetting("Screen Saver Timeout", "4", true);
    auto show = start({"/s"});
    // 3000x600 fitted to 1280x256, centred: navy left, gold right, in one
    // screenshot.
    QImage shot;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 8000) {
        shot = e2e::screenshot();
        if (near(pixel(shot, 320, 512), navy))
            break;
        QThread::msleep(50);
    }
    ASSERT_TRUE(near(pixel(shot, 320, 512), navy)) << "the wide picture did not show";
    EXPECT_TRUE(near(pixel(shot, 960, 512), gold));
    EXPECT_TRUE(near(pixel(shot, 640, 300), Qt::black));
    EXPECT_TRUE(waitFor({640, 512}, plum, 8000, "show-list-photo"));
    EXPECT_TRUE(waitFor({640, 512}, teal, 8000, "show-list-clip"));
    e2e::xdotool({"key", "q"});
    ASSERT_TRUE(show->waitForExit(10000)) << "the process did not end";
    EXPECT_FALSE(show->crashed());
}
