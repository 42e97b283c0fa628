// The sound player and the command strings with real files, real decoding
// and the null audio output.

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <set>
#include <string>

#include "common/testutil.h"
#include "media_testutil.h"
#include "media/mcicommand.h"
#include "media/soundplayer.h"

using namespace media;
using mediatest::waitFor;

namespace {

class SoundPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qputenv("KELVRA_AUDIO", "null");
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        ASSERT_TRUE(mediatest::makeTone(path("tone.wav"), 1.0));
        ASSERT_TRUE(mediatest::makeTone(path("tone.mp3"), 1.0));
        ASSERT_TRUE(mediatest::makeTone(path("tone.ogg"), 1.0));
        ASSERT_TRUE(mediatest::makeTone(path("tone.aiff"), 1.0));
        ASSERT_TRUE(mediatest::makeTone(path("tone.opus"), 1.0));
        ASSERT_TRUE(mediatest::makeTone(path("tone.aac"), 1.0));
        testutil::writeFile(path("scale.mid"), mediatest::scaleMidi(3)); // 1.5 s
        testutil::writeFile(path("broken.mp3"), QByteArray(4096, '\x5a'));
        testutil::writeFile(path("broken.mid"), QByteArray("MThd\x00\x00", 6));
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static QString path(const char* name) { return s_dir->filePath(QString::fromUtf8(name)); }

    // What the show does to start an entry.
    static void start(SoundPlayer& p, const QString& file)
    {
        p.setCommand(QStringLiteral("Stop"));
        p.setCommand(QStringLiteral("Close"));
        p.setDeviceType(QString());
        p.setFileName(file);
        p.setCommand(QStringLiteral("Open"));
        ASSERT_EQ(p.error(), MciOk) << file.toStdString();
        p.setTimeFormat(0);
        p.setCommand(QStringLiteral("Play"));
        ASSERT_EQ(p.error(), MciOk) << file.toStdString();
        p.setUpdateInterval(500);
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
};

std::unique_ptr<QTemporaryDir> SoundPlayerTest::s_dir;

class SoundFiles : public SoundPlayerTest, public ::testing::WithParamInterface<std::string> {};

// Position and length advance, the status notification keeps coming, and
// the end is noticed the way the show notices it: position >= length.
TEST_P(SoundFiles, PlaysToItsEndWithAdvancingPosition)
{
    SoundPlayer player;
    int updates = 0;
    QObject::connect(&player, &SoundPlayer::statusUpdate, [&updates] { ++updates; });
    start(player, path(GetParam().c_str()));
    const qint64 length = player.length();
    EXPECT_GT(length, 800);
    EXPECT_LT(length, 2000);
    EXPECT_TRUE(player.isPlaying());

    ASSERT_TRUE(waitFor([&] { return player.position() > 100; }));
    const qint64 early = player.position();
    EXPECT_LT(early, length);
    ASSERT_TRUE(waitFor([&] { return player.position() >= player.length(); }))
        << "position " << player.position() << " of " << player.length();
    EXPECT_GE(player.position(), early);
    EXPECT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    EXPECT_EQ(player.position(), player.length());
    EXPECT_GE(updates, 1);

    // The show's end handling: interval 0, Stop, Close.
    player.setUpdateInterval(0);
    player.setCommand(QStringLiteral("Stop"));
    player.setCommand(QStringLiteral("Close"));
    EXPECT_EQ(player.error(), MciOk);
    EXPECT_FALSE(player.isOpen());
    const int seen = updates;
    mediatest::pause(700);
    EXPECT_EQ(updates, seen) << "no notifications with the interval at 0";
}

std::string fileCaseName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = info.param;
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, SoundFiles,
                         ::testing::Values(std::string("tone.wav"), std::string("tone.mp3"),
                                           std::string("tone.ogg"), std::string("tone.aiff"),
                                           std::string("tone.opus"), std::string("tone.aac"),
                                           std::string("scale.mid")),
                         fileCaseName);

TEST_F(SoundPlayerTest, MidiLengthComesFromTheFileAndPositionFollowsTheMusic)
{
    SoundPlayer player;
    start(player, path("scale.mid"));
    EXPECT_EQ(player.length(), 1500);
    EXPECT_EQ(player.trackCount(), 1);
    EXPECT_EQ(player.trackLength(), 1500);
    // The null output renders at the pace of the music, so the position is
    // seen at many points on its way; rendered at once it would jump.
    std::set<qint64> seen;
    ASSERT_TRUE(waitFor([&] {
        seen.insert(player.position());
        return !player.isPlaying();
    }));
    EXPECT_LE(*seen.rbegin(), 1500) << "the position never runs past the end";
    EXPECT_GE(std::count_if(seen.begin(), seen.end(), [](qint64 p) { return p > 0 && p < 1500; }),
              5);
    EXPECT_EQ(player.position(), 1500);
}

TEST_F(SoundPlayerTest, StopHoldsThePositionAndCloseForgetsTheSource)
{
    for (const char* name : {"tone.wav", "scale.mid"}) {
        SCOPED_TRACE(name);
        SoundPlayer player;
        start(player, path(name));
        ASSERT_TRUE(waitFor([&] { return player.position() > 150; }));
        player.setCommand(QStringLiteral("Stop"));
        EXPECT_EQ(player.error(), MciOk);
        EXPECT_FALSE(player.isPlaying());
        const qint64 held = player.position();
        mediatest::pause(400);
        EXPECT_LE(std::abs(player.position() - held), 60) << "stopped sound does not move";
        EXPECT_LT(player.position(), player.length());

        player.setCommand(QStringLiteral("Close"));
        EXPECT_FALSE(player.isOpen());
        EXPECT_EQ(player.position(), 0);
        EXPECT_EQ(player.length(), 0);
        player.setCommand(QStringLiteral("Play"));
        EXPECT_NE(player.error(), MciOk) << "nothing open to play";
    }
}

TEST_F(SoundPlayerTest, PlayAfterTheEndStartsOverAndOpenReplaces)
{
    SoundPlayer player;
    start(player, path("tone.wav"));
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    player.play();
    EXPECT_EQ(player.error(), MciOk);
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(waitFor([&] { return player.position() > 50 && player.position() < 900; }));
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));

    // "Open" on an open device replaces what was open, even of another kind.
    player.setFileName(path("scale.mid"));
    player.open();
    ASSERT_EQ(player.error(), MciOk);
    EXPECT_EQ(player.length(), 1500);
}

TEST_F(SoundPlayerTest, FromAndToBoundThePlay)
{
    SoundPlayer player;
    player.setFileName(path("tone.wav"));
    player.open();
    ASSERT_EQ(player.error(), MciOk);
    player.setFrom(200);
    player.setTo(600);
    player.play();
    ASSERT_EQ(player.error(), MciOk);
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    // The show's CD rule: ended when position / 1000 >= to / 1000.
    EXPECT_GE(player.position(), 600);
    EXPECT_LT(player.position(), player.length());
    player.close();
    EXPECT_EQ(player.to(), -1);
}

// This machine has no sound card: without KELVRA_AUDIO the players must
// find that out themselves and still play at normal pace.
TEST_F(SoundPlayerTest, WithoutTheNullSettingNoSoundCardStillPlays)
{
    const QByteArray saved = qgetenv("KELVRA_AUDIO");
    qunsetenv("KELVRA_AUDIO");
    for (const char* name : {"tone.wav", "scale.mid"}) {
        SCOPED_TRACE(name);
        SoundPlayer player;
        start(player, path(name));
        EXPECT_TRUE(waitFor([&] { return player.position() > 100; }));
        EXPECT_TRUE(waitFor([&] { return !player.isPlaying(); }));
        EXPECT_EQ(player.position(), player.length());
    }
    qputenv("KELVRA_AUDIO", saved);
}

struct FailCase {
    const char* type;
    const char* file; // relative to the test folder, or absolute
    int error;
};

void PrintTo(const FailCase& c, std::ostream* os)
{
    *os << (*c.type ? c.type : "any") << ' ' << c.file;
}

class SoundFailures : public SoundPlayerTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(SoundFailures, OpenFailsWithACodeAndLeavesNothingOpen)
{
    const FailCase& c = GetParam();
    SoundPlayer player;
    player.setDeviceType(QString::fromUtf8(c.type));
    const QString file = QString::fromUtf8(c.file);
    player.setFileName(file.startsWith(QLatin1Char('/')) ? file : path(c.file));
    player.setCommand(QStringLiteral("Open"));
    EXPECT_EQ(player.error(), c.error);
    EXPECT_FALSE(player.isOpen());
    player.setCommand(QStringLiteral("Play"));
    EXPECT_NE(player.error(), MciOk);
    EXPECT_FALSE(player.isPlaying());
}

INSTANTIATE_TEST_SUITE_P(Cases, SoundFailures,
                         ::testing::Values(FailCase{"", "broken.mp3", MciInvalidFile},
                                           FailCase{"", "broken.mid", MciInvalidFile},
                                           FailCase{"", "missing.wav", MciFileNotFound},
                                           FailCase{"", "tone.xyz", MciExtensionNotFound},
                                           FailCase{"Sequencer", "scale.mid", MciInvalidDeviceName},
                                           // No such drive here: the request is made and fails.
                                           FailCase{"CDAudio", "/dev/kelvra-no-such-drive",
                                                    MciDeviceNotReady}));

TEST_F(SoundPlayerTest, CommandStringsForThePreview)
{
    MciSession session;
    const QString open = QStringLiteral("open \"%1\" alias mp wait").arg(path("tone.mp3"));
    ASSERT_EQ(session.send(open), MciOk);
    EXPECT_EQ(session.send(open), MciDuplicateAlias);
    EXPECT_EQ(session.send(QStringLiteral("play mp")), MciOk);
    QString reply;
    EXPECT_EQ(session.send(QStringLiteral("status mp mode"), &reply), MciOk);
    EXPECT_EQ(reply, QStringLiteral("playing"));
    ASSERT_TRUE(waitFor([&] {
        session.send(QStringLiteral("status MP position"), &reply);
        return reply.toLongLong() > 100;
    }));
    EXPECT_EQ(session.send(QStringLiteral("close mp")), MciOk);
    EXPECT_EQ(session.send(QStringLiteral("status mp mode")), MciInvalidDeviceId);

    // "play ... wait" returns when the sound has ended.
    ASSERT_EQ(session.send(QStringLiteral("open \"%1\" alias w").arg(path("tone.wav"))), MciOk);
    EXPECT_EQ(session.send(QStringLiteral("play w from 500 wait")), MciOk);
    EXPECT_EQ(session.send(QStringLiteral("status w mode"), &reply), MciOk);
    EXPECT_EQ(reply, QStringLiteral("stopped"));
    EXPECT_EQ(session.send(QStringLiteral("status w position"), &reply), MciOk);
    EXPECT_GE(reply.toLongLong(), 900) << "it played to the end before returning";

    EXPECT_EQ(session.send(QStringLiteral("open \"%1\" alias bad wait").arg(path("broken.mp3"))),
              MciInvalidFile);
    EXPECT_EQ(session.send(QStringLiteral("close all")), MciOk);
    EXPECT_TRUE(session.aliases().isEmpty());
}

} // namespace
