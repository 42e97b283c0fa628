#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "show/showmachine.h"

using namespace show;

namespace {

// Records what the show asks of its window; the test plays the window's part
// (paint progress, clip playing, sound ending) and drives the clock.
struct FakeHost : ShowHost {
    std::optional<EffectChoice> choice = EffectChoice{false, 2001};
    bool painting = false;
    bool clipPlaying = false;
    bool clipVisible = false;
    bool soundPlaying = false;
    QPoint cursor{0, 0};
    QStringList shown;  // "P:<path>:<effect>" or "C:<path>:<reopen>"
    QStringList sounds; // sounds started
    QStringList prepared;
    int closes = 0;
    int paintStops = 0;
    int clipStops = 0;

    std::optional<EffectChoice> effectChoice() override { return choice; }
    bool isPainting() const override { return painting; }
    bool isClipPlaying() const override { return clipPlaying; }
    bool isClipVisible() const override { return clipVisible; }
    void showPicture(const QString& path, bool exists, int effect) override
    {
        shown << QStringLiteral("P:%1:%2%3").arg(path).arg(effect).arg(exists ? "" : ":missing");
        clipVisible = false;
    }
    void showClip(const QString& path, bool reopen) override
    {
        shown << QStringLiteral("C:%1:%2").arg(path).arg(reopen);
        clipVisible = true;
    }
    void prepareNext(const QString& path) override { prepared << path; }
    bool isSoundPlaying() const override { return soundPlaying; }
    void playSound(const QString& path, SoundKind) override
    {
        sounds << path;
        soundPlaying = true;
    }
    QPoint cursorPos() const override { return cursor; }
    void stopPaint() override { ++paintStops; }
    void stopClip() override { ++clipStops; }
    void closeShow() override { ++closes; }
};

struct MachineTest : ::testing::Test {
    QTemporaryDir dir;
    FakeHost host;
    qint64 now = 0;

    QString file(const QString& name)
    {
        testutil::writeFile(dir.filePath(name), "x");
        return dir.filePath(name);
    }
    ShowMachine::Config config(QStringList images, Program program = Program::Editor,
                               ShowMode mode = ShowMode::FullScreen)
    {
        ShowMachine::Config c;
        c.program = program;
        c.mode = mode;
        c.itemIntervalMs = 1000;
        c.images = std::move(images);
        return c;
    }
    void run(ShowMachine& m, qint64 until)
    {
        // Step the fake clock through every deadline up to `until`.
        while (auto next = m.nextDeadline()) {
            if (*next > until)
                break;
            now = *next;
            m.advance(now);
        }
        now = until;
    }
};

} // namespace

TEST_F(MachineTest, WalksTheListInOrderWithWrapAround)
{
    const QString a = file("a.jpg"), b = file("b.png"), c = file("c.gif");
    ShowMachine m(config({a, b, c}), host);
    m.start(0);
    EXPECT_EQ(m.nextItemIndex(), 1);
    run(m, 3500);
    const QString e = ":2001";
    EXPECT_EQ(host.shown, (QStringList{"P:" + a + e, "P:" + b + e, "P:" + c + e, "P:" + a + e}));
    // The window is always told what comes next, so it can decode it early.
    EXPECT_EQ(host.prepared.last(), b);
    EXPECT_EQ(m.nextItemIndex(), 1);
}

TEST_F(MachineTest, TicksWhilePaintingOrPlayingAreSkipped)
{
    const QString a = file("a.jpg"), b = file("b.jpg"), v = file("v.MOV");
    ShowMachine m(config({a, b, v}), host);
    m.start(0);
    host.painting = true;
    run(m, 1000);
    EXPECT_EQ(host.shown.size(), 1);
    EXPECT_EQ(m.nextItemIndex(), 1); // the item comes again next tick
    host.painting = false;
    run(m, 2000);
    EXPECT_EQ(host.shown.last(), "P:" + b + ":2001");
    run(m, 3000);
    EXPECT_EQ(host.shown.last(), "C:" + v + ":1");
    // The clip outlasts several intervals: nothing else is shown.
    host.clipPlaying = true;
    run(m, 6000);
    EXPECT_EQ(host.shown.size(), 3);
    host.clipPlaying = false;
    run(m, 7000);
    EXPECT_EQ(host.shown.last(), "P:" + a + ":2001");
}

TEST_F(MachineTest, SinglePictureIsNeverPaintedAgainAndSingleClipReplays)
{
    const QString a = file("a.jpg");
    ShowMachine one(config({a}), host);
    one.start(0);
    run(one, 5000);
    EXPECT_EQ(host.shown.size(), 1);

    FakeHost clipHost;
    const QString v = file("v.avi");
    ShowMachine clip(config({v}), clipHost);
    clip.start(0);
    clip.advance(1000);
    EXPECT_EQ(clipHost.shown, (QStringList{"C:" + v + ":1", "C:" + v + ":0"}));
}

TEST_F(MachineTest, MissingFirstEntryShowsNothingAndTheFirstTickShowsTheSecond)
{
    const QString b = file("b.jpg");
    ShowMachine m(config({dir.filePath("gone.jpg"), b}), host);
    m.start(0);
    EXPECT_TRUE(host.shown.isEmpty());
    EXPECT_EQ(m.nextItemIndex(), 1);
    m.advance(1000);
    EXPECT_EQ(host.shown, QStringList{"P:" + b + ":2001"});
    // A file gone during the show: the tick repaints the previous picture.
    m.advance(2000);
    EXPECT_EQ(host.shown.last(), "P:" + dir.filePath("gone.jpg") + ":2001:missing");
}

TEST_F(MachineTest, EmptyListTurnsTheItemTimerOff)
{
    ShowMachine m(config({}), host);
    m.start(0);
    EXPECT_FALSE(m.timers().isActive(TimerId::Item));
    // A preview with an empty list starts the timer, and its first tick stops it.
    FakeHost previewHost;
    ShowMachine p(config({}, Program::Editor, ShowMode::Preview), previewHost);
    p.start(0);
    EXPECT_TRUE(p.timers().isActive(TimerId::Item));
    p.advance(1000);
    EXPECT_FALSE(p.timers().isActive(TimerId::Item));
}

TEST_F(MachineTest, RandomEffectsAreReadOnEveryTick)
{
    const QString a = file("a.jpg"), b = file("b.jpg");
    host.choice = EffectChoice{true, 0};
    ShowMachine m(config({a, b, a, b}), host);
    m.start(0);
    const int first = m.currentEffect();
    EXPECT_TRUE(inRandomPool(first));
    m.advance(1000);
    EXPECT_NE(m.currentEffect(), first);
    host.choice = EffectChoice{false, 7};
    m.advance(2000);
    EXPECT_EQ(m.currentEffect(), 7);
    // A runtime without its settings file keeps the effect it has.
    host.choice.reset();
    m.advance(3000);
    EXPECT_EQ(m.currentEffect(), 7);
}

TEST_F(MachineTest, MouseWatchThresholdAndTheCornerRule)
{
    const QString a = file("a.jpg"), b = file("b.jpg");
    ShowMachine m(config({a, b}), host);
    m.start(0);
    host.cursor = {0, 0};
    m.mouseTick(250); // 0,0 counts as not sampled
    host.cursor = {100, 100};
    m.mouseTick(500); // first real sample
    EXPECT_EQ(host.closes, 0);
    host.cursor = {104, 96};
    m.mouseTick(750); // 4 pixels: ignored
    EXPECT_EQ(host.closes, 0);
    host.cursor = {104, 101};
    m.mouseTick(1000); // 5 pixels on one axis, from 104,96
    EXPECT_TRUE(m.endRequested());
    EXPECT_EQ(host.closes, 1);
}

TEST_F(MachineTest, MouseMoveEventsUseTheirOwnLastPosition)
{
    const QString a = file("a.jpg"), b = file("b.jpg");
    ShowMachine m(config({a, b}), host);
    m.start(0);
    m.mouseMoved({300, 300});
    m.mouseMoved({304, 304});
    EXPECT_EQ(host.closes, 0);
    m.mouseMoved({304, 309});
    EXPECT_EQ(host.closes, 1);
}

TEST_F(MachineTest, EndRequestDuringAPaintClosesAtTheNextProgressReport)
{
    const QString a = file("a.jpg"), b = file("b.jpg");
    ShowMachine m(config({a, b}), host);
    m.start(0);
    host.painting = true;
    m.keyOrClick();
    EXPECT_TRUE(m.endRequested());
    EXPECT_EQ(host.closes, 0);
    m.paintProgress(40);
    EXPECT_EQ(host.paintStops, 1);
    EXPECT_EQ(host.closes, 1);
    m.paintProgress(50);
    EXPECT_EQ(host.closes, 1); // closed once only
}

TEST_F(MachineTest, EndRequestWithAPictureAtRestClosesAtOnce)
{
    // One picture is never painted again, so no progress report will come.
    ShowMachine m(config({file("a.jpg")}), host);
    m.start(0);
    m.keyOrClick();
    EXPECT_EQ(host.closes, 1);
}

TEST_F(MachineTest, EndTimerIsTheBackstopWhenAPaintHangs)
{
    const QString a = file("a.jpg"), b = file("b.jpg");
    ShowMachine m(config({a, b}), host);
    m.start(0);
    host.painting = true;
    now = 100;
    m.advance(now);
    m.keyOrClick();
    EXPECT_TRUE(m.timers().isActive(TimerId::End));
    run(m, 599);
    EXPECT_EQ(host.closes, 0);
    run(m, 600); // the paint never reported again
    EXPECT_EQ(host.closes, 1);
}

TEST_F(MachineTest, PreviewAndHostedIgnoreInput)
{
    const QString a = file("a.jpg"), b = file("b.jpg");
    for (ShowMode mode : {ShowMode::Preview, ShowMode::Hosted}) {
        FakeHost h;
        ShowMachine m(config({a, b}, Program::Editor, mode), h);
        m.start(0);
        m.keyOrClick();
        m.mouseMoved({10, 10});
        m.mouseMoved({300, 300});
        h.cursor = {10, 10};
        m.mouseTick(250);
        h.cursor = {500, 500};
        m.mouseTick(500);
        EXPECT_EQ(h.closes, 0);
        EXPECT_FALSE(m.endRequested());
    }
    // The editor's empty preview ends at any movement over it.
    FakeHost h;
    ShowMachine empty(config({}, Program::Editor, ShowMode::Preview), h);
    empty.start(0);
    empty.keyOrClick();
    EXPECT_EQ(h.closes, 0);
    empty.mouseMoved({1, 1});
    EXPECT_EQ(h.closes, 1);
}

TEST_F(MachineTest, EmptyListRulesOfEachProgram)
{
    ShowMachine editor(config({}), host);
    editor.start(0);
    editor.mouseMoved({7, 7}); // no threshold at all
    EXPECT_EQ(host.closes, 1);

    FakeHost rh;
    ShowMachine runtime(config({}, Program::Runtime), rh);
    runtime.start(0);
    runtime.mouseMoved({7, 7});
    runtime.mouseMoved({70, 70});
    // The mouse watch holds to the same rule as the movement events.
    rh.cursor = {100, 100};
    runtime.mouseTick(250);
    rh.cursor = {400, 300};
    runtime.mouseTick(500);
    EXPECT_EQ(rh.closes, 0);
    runtime.keyOrClick();
    EXPECT_EQ(rh.closes, 1);
}

TEST_F(MachineTest, RuntimeClosesAtOnceOnMovement)
{
    const QString a = file("a.jpg"), b = file("b.jpg");
    ShowMachine m(config({a, b}, Program::Runtime), host);
    m.start(0);
    host.painting = true;
    m.mouseMoved({50, 50});
    m.mouseMoved({50, 55});
    EXPECT_EQ(host.closes, 1);
}

TEST_F(MachineTest, SoundsFollowEachOtherAndOtherKindsAreSkipped)
{
    const QString w = file("one.wav"), t = file("notes.txt"), m3 = file("two.MP3");
    auto c = config({file("a.jpg")});
    c.sounds = {w, t, m3};
    ShowMachine m(c, host);
    m.start(0);
    EXPECT_EQ(host.sounds, QStringList{w});
    EXPECT_EQ(m.nextSoundIndex(), 1);
    run(m, 1000);
    EXPECT_EQ(host.sounds, QStringList{w}); // still playing
    host.soundPlaying = false;              // the status notification closed it
    run(m, 1100);                           // the text entry's turn: passed over
    run(m, 1200);
    EXPECT_EQ(host.sounds, (QStringList{w, m3}));
    host.soundPlaying = false;
    run(m, 1300);
    EXPECT_EQ(host.sounds, (QStringList{w, m3, w})); // wraps to the first
}

TEST_F(MachineTest, PreviewPlaysNoSound)
{
    auto c = config({file("a.jpg")}, Program::Editor, ShowMode::Preview);
    c.sounds = {file("one.wav")};
    ShowMachine m(c, host);
    m.start(0);
    run(m, 2000);
    EXPECT_TRUE(host.sounds.isEmpty());
    EXPECT_FALSE(m.timers().isActive(TimerId::Sound));
}

TEST(TimerBankTest, FiresInDeadlineOrderWithoutBursts)
{
    TimerBank bank;
    bank.start(TimerId::Item, 1000, 0);
    bank.start(TimerId::Sound, 100, 0);
    bank.start(TimerId::Item, 0, 0); // 0 leaves it off
    EXPECT_FALSE(bank.isActive(TimerId::Item));
    bank.start(TimerId::Item, 1000, 0);
    EXPECT_EQ(bank.nextDeadline(), 100);
    // Two seconds late: each timer fires once, then waits a full interval.
    EXPECT_EQ(bank.takeDue(3000), TimerId::Sound);
    EXPECT_EQ(bank.takeDue(3000), TimerId::Item);
    EXPECT_EQ(bank.takeDue(3000), std::nullopt);
    EXPECT_EQ(bank.nextDeadline(), 3100);
    bank.ensureRunning(TimerId::Sound, 100, 3050); // keeps its phase
    EXPECT_EQ(bank.nextDeadline(), 3100);
}
