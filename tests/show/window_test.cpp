// frmSaver on the offscreen platform: what it reads at the start, from where,
// and what its unload leaves behind.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "media/media_testutil.h"
#include "media/soundplayer.h"
#include "pictures/pictureview.h"
#include "show/frmsaver.h"
#include "show/playlist.h"
#include "store/settings.h"

using namespace show;

namespace {

void settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString picture(const QString& path, const QColor& color)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(color);
    EXPECT_TRUE(image.save(path));
    return path;
}

struct WindowTest : ::testing::Test {
    testutil::IsolatedEnv env;
    QString shortName = runtimeShortName(QCoreApplication::arguments().first());
    QString work() const { return env.windowsDir() + "/tmpFiles/"; }
    QString messageLog() const { return env.root() + "/messages.log"; }

    void SetUp() override
    {
        qputenv("KELVRA_MESSAGE_LOG", messageLog().toUtf8());
        qputenv("KELVRA_MESSAGE_ANSWERS", (env.root() + "/answers").toUtf8());
        qputenv("KELVRA_AUDIO", "null");
    }
    void TearDown() override
    {
        qunsetenv("KELVRA_MESSAGE_LOG");
        qunsetenv("KELVRA_MESSAGE_ANSWERS");
    }
};

} // namespace

TEST_F(WindowTest, EditorReadsItsListsSettingsAndInterval)
{
    const QString a = picture(env.root() + "/a.png", Qt::red);
    const QString s = env.root() + "/tune.wav";
    testutil::writeFile(s, "RIFF");
    testutil::writeFile(env.windowsDir() + "/zem.ini",
                        ("3\r\n2\r\n" + a + "\r\n\r\n" + a + "\r\n/gone.png\r\n").toUtf8());
    testutil::writeFile(env.windowsDir() + "/zem-sound.ini", (s + "\r\n").toUtf8());
    store::saveSetting("Screen Saver Timeout", "3", true);
    store::saveSetting("Background Color", QString::number(0x00FF0000), true); // blue

    frmSaver full(Program::Editor, ShowMode::FullScreen);
    EXPECT_EQ(full.images(), (QStringList{a, a}));
    EXPECT_EQ(full.sounds(), QStringList{s});
    EXPECT_EQ(full.machine().config().itemIntervalMs, 3000);
    EXPECT_EQ(full.backColor(), QColor(0, 0, 255));
    EXPECT_EQ(full.windowTitle(), "Kelvra Saver");

    // A preview never loads the sound list.
    frmSaver preview(Program::Editor, ShowMode::Preview);
    EXPECT_TRUE(preview.sounds().isEmpty());
    EXPECT_EQ(preview.images().size(), 2);
}

TEST_F(WindowTest, EditorPaintSettingsDefaultToTheViewsValues)
{
    store::saveSetting("EffectGrain", "6", true);
    store::saveSetting("WandColor", QString::number(0x0000FF00), true);
    frmSaver show(Program::Editor, ShowMode::FullScreen);
    const int delay = show.pictureView()->effectDelay();
    show.resize(320, 240);
    show.show();
    settle(100);
    EXPECT_EQ(show.pictureView()->effectGrain(), 6);
    EXPECT_EQ(show.pictureView()->wandColor(), QColor(0, 255, 0));
    EXPECT_EQ(show.pictureView()->effectDelay(), delay); // missing: left as it was
    show.close();
}

TEST_F(WindowTest, RuntimeWithoutSettingsFileSaysSoOnceAndRuns)
{
    QDir().mkpath(work());
    const QString a = picture(work() + "p.png", Qt::green);
    testutil::writeFile(work() + "i" + shortName + ".ini", "C:\\Pictures\\p.png\r\n");
    frmSaver show(Program::Runtime, ShowMode::FullScreen);
    EXPECT_EQ(show.images(), QStringList{a});
    show.resize(320, 240);
    show.show();
    settle(300);
    const QString log = QString::fromUtf8(testutil::readFile(messageLog()));
    EXPECT_EQ(log.count("A data file for this screen saver cannot be read."), 1)
        << log.toStdString();
    EXPECT_TRUE(log.contains("File:  " + shortName + ".ini")) << log.toStdString();
    EXPECT_FALSE(show.machine().closed());
    show.close();
}

TEST_F(WindowTest, RuntimeSettingsFileSeedsTheProgramKeyWhichWins)
{
    QDir().mkpath(work());
    testutil::writeFile(work() + shortName + ".ini",
                        "[Screen Saver Properties]\r\nEffect Grain=7\r\nWand Size=3\r\n"
                        "Paint Effect=4005\r\n");
    store::saveSetting("WandSize", "11", true);
    frmSaver show(Program::Runtime, ShowMode::FullScreen);
    show.resize(320, 240);
    show.show();
    settle(200);
    EXPECT_EQ(show.pictureView()->effectGrain(), 7);
    EXPECT_EQ(show.pictureView()->wandSize(), 11);
    EXPECT_EQ(show.machine().currentEffect(), 4005);
    EXPECT_TRUE(testutil::readFile(messageLog()).isEmpty());
    show.close();
}

TEST_F(WindowTest, RuntimeUnloadLeavesOnlyTheRuntimeFile)
{
    QDir().mkpath(work());
    testutil::writeFile(work() + "VLS.SCR", "x");
    testutil::writeFile(work() + shortName + ".ini", "[Screen Saver Properties]\r\n");
    picture(work() + "p.png", Qt::green);
    testutil::writeFile(work() + "i" + shortName + ".ini", (work() + "p.png\r\n").toUtf8());
    {
        frmSaver show(Program::Runtime, ShowMode::FullScreen);
        show.resize(320, 240);
        show.show();
        settle(200);
        show.close();
    }
    EXPECT_EQ(QDir(work()).entryList(QDir::Files | QDir::Hidden), QStringList{"VLS.SCR"});
}

TEST_F(WindowTest, SoundsPlayOneAfterAnotherAndStartOver)
{
    const QString a = env.root() + "/a.wav";
    const QString b = env.root() + "/b.WAV";
    const QString text = env.root() + "/notes.txt";
    ASSERT_TRUE(mediatest::makeTone(a, 0.3));
    ASSERT_TRUE(mediatest::makeTone(b, 0.3));
    testutil::writeFile(text, "not a sound");
    testutil::writeFile(env.windowsDir() + "/zem-sound.ini",
                        (a + "\r\n" + text + "\r\n" + b + "\r\n").toUtf8());
    frmSaver show(Program::Editor, ShowMode::FullScreen);
    show.resize(320, 240);
    show.show();
    // Record the order in which the files are played.
    QStringList played;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 4000 && played.size() < 3) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const media::SoundPlayer* mmc = show.soundPlayer();
        if (mmc->updateInterval() > 0 && (played.isEmpty() || played.last() != mmc->fileName()))
            played << mmc->fileName();
    }
    // The text entry is passed over; after the last entry the first comes again.
    EXPECT_EQ(played, (QStringList{a, b, a}));
    show.close();
    EXPECT_EQ(show.soundPlayer()->updateInterval(), 0);
    EXPECT_FALSE(show.soundPlayer()->isOpen());
}

// The next picture's paint (its text, its screen, its effect and first
// frame) is made with its decode, so a tick only hands it to the view; and a
// setting changed in between still shows, through a paint made at the tick.
TEST_F(WindowTest, TheNextPaintIsMadeWithTheDecode)
{
    QStringList list;
    for (const QColor& c : {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue)})
        list << picture(env.root() + QStringLiteral("/%1.png").arg(c.name().mid(1)), c);
    testutil::writeFile(env.windowsDir() + "/zem.ini",
                        ("1\r\n3\r\n" + list.join("\r\n") + "\r\n").toUtf8());
    store::saveSetting("Screen Saver Timeout", "1", true);
    store::saveSetting("Paint Effect", "2000", true);
    store::saveSetting("EffectDelay", "10", true);
    store::saveSetting("PaintMaxPasses", "10", true);
    store::saveSetting("Display Text", "Hello there", true);

    frmSaver show(Program::Editor, ShowMode::Hosted);
    show.resize(320, 240);
    QStringList requested;
    QObject::connect(&show, &frmSaver::pictureRequested,
                     [&](const QString& path) { requested << path; });
    show.show();
    QElapsedTimer timer;
    timer.start();
    while (requested.size() < 3 && timer.elapsed() < 20000)
        settle(50);
    ASSERT_GE(requested.size(), 3);
    // The first picture is decoded before anything is on screen; the two
    // after it come with their paints made.
    EXPECT_GE(show.plannedPaints(), 2);

    // The text changes: the paint made ahead no longer fits and is not used.
    const int planned = show.plannedPaints();
    store::saveSetting("Display Text Font Size", "40", true);
    const qsizetype seen = requested.size();
    while (requested.size() < seen + 1 && timer.elapsed() < 40000)
        settle(50);
    ASSERT_GT(requested.size(), seen);
    settle(100);
    EXPECT_EQ(show.plannedPaints(), planned);
    show.close();
}

// A picture shown again (the same file listed twice, or the picture before a
// clip coming round again) is drawn from the picture on screen; the paint
// made with its first decode is gone by then and must not be what is shown.
struct ShownAgainCase {
    const char* name;
    bool clipBetween;
    const char* displayText;
};

void PrintTo(const ShownAgainCase& c, std::ostream* os)
{
    *os << c.name;
}

struct PictureShownAgain : WindowTest, ::testing::WithParamInterface<ShownAgainCase> {};

TEST_P(PictureShownAgain, IsDrawnAgain)
{
    const ShownAgainCase& c = GetParam();
    const QString red = picture(env.root() + "/red.png", Qt::red);
    QStringList list;
    if (c.clipBetween) {
        const QString clip = env.root() + "/between.mpg";
        ASSERT_TRUE(mediatest::makeColourClip(clip, "64x48", 0.6, "0x0000ff"));
        list << red << clip;
    } else {
        // The second red is decoded while the first is on screen.
        list << picture(env.root() + "/green.png", Qt::green) << red << red;
    }
    testutil::writeFile(
        env.windowsDir() + "/zem.ini",
        (QStringLiteral("1\r\n%1\r\n").arg(list.size()) + list.join("\r\n") + "\r\n").toUtf8());
    store::saveSetting("Screen Saver Timeout", "1", true);
    store::saveSetting("Paint Effect", "0", true);
    store::saveSetting("Display Text", c.displayText, true);

    frmSaver show(Program::Editor, ShowMode::Hosted);
    show.resize(320, 240);
    int requested = 0;
    int painted = 0;
    QObject::connect(&show, &frmSaver::pictureRequested, [&](const QString& path) {
        if (path == red)
            ++requested;
    });
    QObject::connect(&show, &frmSaver::paintStarted, [&] {
        if (requested == 2)
            ++painted;
    });
    show.show();
    QElapsedTimer timer;
    timer.start();
    while (painted == 0 && timer.elapsed() < 20000)
        settle(20);
    ASSERT_EQ(requested, 2);
    ASSERT_EQ(painted, 1);
    const QImage shown = show.pictureView()->image();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixelColor(1, 1), QColor(Qt::red));
    // The text is drawn on it again.
    bool onlyRed = true;
    for (int y = 0; y < shown.height() && onlyRed; ++y)
        for (int x = 0; x < shown.width() && onlyRed; ++x)
            onlyRed = shown.pixelColor(x, y) == QColor(Qt::red);
    EXPECT_EQ(onlyRed, QString(c.displayText).isEmpty());
    EXPECT_TRUE(show.pictureView()->isVisible());
    show.close();
}

INSTANTIATE_TEST_SUITE_P(Show, PictureShownAgain,
                         ::testing::Values(ShownAgainCase{"DuplicateEntry", false, ""},
                                           ShownAgainCase{"DuplicateEntryWithText", false, "Hello"},
                                           ShownAgainCase{"AfterAClip", true, ""}),
                         [](const ::testing::TestParamInfo<ShownAgainCase>& info) {
                             return std::string(info.param.name);
                         });
