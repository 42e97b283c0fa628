// The pure parts of the media layer: MIDI timing, command strings, the
// backend table and the CD request. No libmpv, no synthesizer.

#include <ostream>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "media_testutil.h"
#include "media/mcicommand.h"
#include "media/midifile.h"
#include "media/soundbackend.h"
#include "store/mediakind.h"

using namespace media;
using mediatest::MidiEvent;

namespace {

QByteArray noteOn(int key)
{
    return QByteArray("\x90", 1) + char(key) + char(100);
}
QByteArray noteOff(int key)
{
    return QByteArray("\x80", 1) + char(key) + char(0);
}

TEST(MidiTiming, ScaleAtDefaultTempoLastsHalfASecondPerNote)
{
    const auto timing = MidiTiming::parse(mediatest::scaleMidi(3));
    ASSERT_TRUE(timing);
    EXPECT_EQ(timing->lastTick(), 288);
    EXPECT_EQ(timing->lengthMs(), 1500);
    EXPECT_EQ(timing->tickToMs(96), 500);
    EXPECT_EQ(timing->msToTick(1000), 192);
}

TEST(MidiTiming, TempoChangesAndRunningStatusAcrossTracks)
{
    // Track 1: tempo 500000 at 0, 250000 (twice as fast) at tick 96.
    const QByteArray conductor = mediatest::midiTrack({{0, mediatest::tempo(500000)},
                                                       {96, mediatest::tempo(250000)},
                                                       {0, mediatest::endOfTrack()}});
    // Track 2: running status (no status byte on the second note on) and a
    // sysex; it ends at tick 288, the longest track.
    const QByteArray notes = mediatest::midiTrack({{0, noteOn(60)},
                                                   {0, QByteArray("\x40\x64", 2)},
                                                   {10, QByteArray("\xf0\x03\x7e\x7f\xf7", 5)},
                                                   {278, noteOff(60)},
                                                   {0, mediatest::endOfTrack()}});
    const auto timing = MidiTiming::parse(mediatest::midiFile(1, 96, {conductor, notes}));
    ASSERT_TRUE(timing);
    EXPECT_EQ(timing->trackCount(), 2);
    EXPECT_EQ(timing->lastTick(), 288);
    // 96 ticks at 500 ms a quarter, then 192 ticks at 250 ms a quarter.
    EXPECT_EQ(timing->lengthMs(), 500 + 500);
    EXPECT_EQ(timing->tickToMs(192), 750);
    EXPECT_EQ(timing->msToTick(750), 192);
    EXPECT_EQ(timing->msToTick(250), 48);
}

TEST(MidiTiming, SmpteDivisionCountsTicksPerSecond)
{
    // 25 frames a second, 40 ticks a frame: 1000 ticks a second.
    const quint16 division = quint16((quint8(-25) << 8) | 40);
    const auto timing = MidiTiming::parse(mediatest::midiFile(
        0, division, {mediatest::midiTrack({{0, noteOn(60)}, {2000, noteOff(60)}})}));
    ASSERT_TRUE(timing);
    EXPECT_EQ(timing->lengthMs(), 2000);
}

TEST(MidiTiming, RmidWrapperIsUnwrapped)
{
    const QByteArray smf = mediatest::scaleMidi(2);
    QByteArray rmi("RIFF");
    QByteArray body("RMID");
    body += "LIST" + QByteArray("\x04\x00\x00\x00INFO", 8); // a chunk before "data"
    body += "data";
    const quint32 n = quint32(smf.size());
    body += QByteArray(1, char(n & 0xff)) + char((n >> 8) & 0xff) + char((n >> 16) & 0xff) +
            char(n >> 24);
    body += smf;
    const quint32 total = quint32(body.size());
    rmi += QByteArray(1, char(total & 0xff)) + char((total >> 8) & 0xff) + char(0) + char(0);
    rmi += body;
    EXPECT_EQ(MidiTiming::unwrap(rmi), smf);
    const auto timing = MidiTiming::parse(rmi);
    ASSERT_TRUE(timing);
    EXPECT_EQ(timing->lengthMs(), 1000);
}

TEST(MidiTiming, DamagedInputNeverParsesAsMusicOrCrashes)
{
    const QByteArray good = mediatest::scaleMidi(3);
    EXPECT_FALSE(MidiTiming::parse(QByteArray()));
    EXPECT_FALSE(MidiTiming::parse(QByteArray("RIFF\x10\x00\x00\x00WAVEfmt ", 16)));
    EXPECT_FALSE(MidiTiming::parse(QByteArray("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x00", 14)))
        << "division 0";
    EXPECT_FALSE(MidiTiming::parse(good.left(14))) << "no track at all";
    // Every cut of a good file either fails or gives a length within it.
    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        const auto t = MidiTiming::parse(good.left(cut));
        if (t) {
            EXPECT_LE(t->lengthMs(), 1500) << cut;
        }
    }
    // Bytes flipped anywhere: no crash (ASan watches), lengths stay sane.
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ 0xff);
        const auto t = MidiTiming::parse(bad);
        if (t) {
            EXPECT_GE(t->lengthMs(), 0);
        }
    }
}

struct ParseCase {
    const char* command;
    int error;
    const char* verb;
    const char* device;
    const char* alias;
    qint64 from;
    qint64 to;
    bool wait;
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << '"' << c.command << '"';
}

class MciParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(MciParse, TakesCommandApart)
{
    const ParseCase& c = GetParam();
    const MciRequest r = parseMciCommand(QString::fromUtf8(c.command));
    ASSERT_EQ(r.error, c.error) << c.command;
    if (c.error != MciOk)
        return;
    EXPECT_EQ(r.verb, QString::fromUtf8(c.verb));
    EXPECT_EQ(r.device, QString::fromUtf8(c.device));
    EXPECT_EQ(r.alias, QString::fromUtf8(c.alias));
    EXPECT_EQ(r.from, c.from);
    EXPECT_EQ(r.to, c.to);
    EXPECT_EQ(r.wait, c.wait);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MciParse,
    ::testing::Values(
        ParseCase{"open \"/music/My Song.mp3\" alias mp wait", MciOk, "open", "/music/My Song.mp3",
                  "mp", -1, -1, true},
        ParseCase{"OPEN /a/b.wav ALIAS x", MciOk, "open", "/a/b.wav", "x", -1, -1, false},
        ParseCase{"open /a/b.wav type mpegvideo alias x shareable", MciOk, "open", "/a/b.wav", "x",
                  -1, -1, false},
        ParseCase{"play mp", MciOk, "play", "mp", "", -1, -1, false},
        ParseCase{"  play   mp  from 250 to 1000 wait ", MciOk, "play", "mp", "", 250, 1000, true},
        ParseCase{"close mp", MciOk, "close", "mp", "", -1, -1, false},
        ParseCase{"status mp position", MciOk, "status", "mp", "", -1, -1, false},
        ParseCase{"", MciMissingCommandString, "", "", "", -1, -1, false},
        ParseCase{"   ", MciMissingCommandString, "", "", "", -1, -1, false},
        ParseCase{"open \"/no/end.mp3 alias mp", MciNoClosingQuote, "", "", "", -1, -1, false},
        ParseCase{"eject mp", MciUnrecognizedCommand, "", "", "", -1, -1, false},
        ParseCase{"play", MciMissingParameter, "", "", "", -1, -1, false},
        ParseCase{"open /a.wav alias", MciMissingParameter, "", "", "", -1, -1, false},
        ParseCase{"play mp from", MciMissingParameter, "", "", "", -1, -1, false},
        ParseCase{"play mp from ten", MciBadInteger, "", "", "", -1, -1, false},
        ParseCase{"play mp to -5", MciBadInteger, "", "", "", -1, -1, false},
        ParseCase{"play mp loudly", MciUnrecognizedKeyword, "", "", "", -1, -1, false},
        ParseCase{"status mp", MciMissingParameter, "", "", "", -1, -1, false}));

TEST(MciSession, CommandsOnUnknownDevicesFailWithoutAudio)
{
    MciSession session;
    EXPECT_EQ(session.send(QStringLiteral("play mp")), MciInvalidDeviceId);
    EXPECT_EQ(session.send(QStringLiteral("close mp")), MciInvalidDeviceId);
    EXPECT_EQ(session.send(QStringLiteral("close all")), MciOk);
    EXPECT_EQ(session.send(QStringLiteral("open \"/no/such/file.mp3\" alias mp wait")),
              MciFileNotFound);
    EXPECT_EQ(session.send(QStringLiteral("open \"/no/such/file.xyz\" alias mp wait")),
              MciExtensionNotFound);
    EXPECT_TRUE(session.aliases().isEmpty());
}

struct KindCase {
    const char* type;
    const char* file;
    SoundBackendKind kind;
};

void PrintTo(const KindCase& c, std::ostream* os)
{
    *os << (*c.type ? c.type : "any") << ' ' << c.file;
}

class BackendTable : public ::testing::TestWithParam<KindCase> {};

TEST_P(BackendTable, ChoosesByDeviceTypeThenExtension)
{
    const KindCase& c = GetParam();
    EXPECT_EQ(chooseSoundBackend(QString::fromUtf8(c.type), QString::fromUtf8(c.file)), c.kind)
        << c.type << " " << c.file;
}

INSTANTIATE_TEST_SUITE_P(Kinds, BackendTable,
                         ::testing::Values(KindCase{"", "/s/a.wav", SoundBackendKind::File},
                                           KindCase{"", "/s/A.MP3", SoundBackendKind::File},
                                           KindCase{"", "/s/a.ogg", SoundBackendKind::File},
                                           KindCase{"", "/s/a.flac", SoundBackendKind::File},
                                           KindCase{"", "/s/a.m4a", SoundBackendKind::File},
                                           KindCase{"", "/s/a.mid", SoundBackendKind::Midi},
                                           KindCase{"", "/s/a.MIDI", SoundBackendKind::Midi},
                                           KindCase{"", "/s/a.rmi", SoundBackendKind::Midi},
                                           KindCase{"CDAudio", "D:", SoundBackendKind::CdAudio},
                                           KindCase{"cdaudio", "", SoundBackendKind::CdAudio},
                                           KindCase{"", "/s/a.cda", SoundBackendKind::None},
                                           KindCase{"", "/s/a.aiff", SoundBackendKind::File},
                                           KindCase{"", "/s/a.opus", SoundBackendKind::File},
                                           KindCase{"", "/s/a.AAC", SoundBackendKind::File},
                                           KindCase{"", "/s/a.png", SoundBackendKind::None},
                                           KindCase{"", "/s/noextension", SoundBackendKind::None},
                                           KindCase{"WaveAudio", "/s/a.wav",
                                                    SoundBackendKind::None}));

// The show and the sound list take a file as a sound by the store's table;
// one the player then refused would be skipped in silence.
TEST(BackendTable, EverySoundOfTheStoresTableHasAPlayer)
{
    for (const QString& ext : store::soundExtensions())
        EXPECT_NE(chooseSoundBackend(QString(), QStringLiteral("/s/a") + ext), SoundBackendKind::None)
            << ext.toStdString();
}

TEST(CdRequest, DriveTextNamesTheDevice)
{
    QTemporaryDir dir;
    const QString mounts = dir.filePath(QStringLiteral("mounts"));
    testutil::writeFile(mounts, "/dev/sda1 / ext4 rw 0 0\n"
                                "/dev/sr1 /media/user/Audio\\040Disc iso9660 ro 0 0\n"
                                "tmpfs /media tmpfs rw 0 0\n");
    qunsetenv("KELVRA_CDROM_DEVICE");

    CdRequest r = cdRequest(QStringLiteral("D:"), mounts);
    EXPECT_EQ(r.url, QStringLiteral("cdda://"));
    EXPECT_TRUE(r.device.isEmpty());
    EXPECT_TRUE(r.options.isEmpty());

    EXPECT_TRUE(cdRequest(QString(), mounts).device.isEmpty());

    r = cdRequest(QStringLiteral("/dev/sr0"), mounts);
    EXPECT_EQ(r.device, QStringLiteral("/dev/sr0"));
    EXPECT_EQ(r.options, QStringList{QStringLiteral("cdrom-device=/dev/sr0")});

    // A folder on a mounted disc: the device behind the longest mount point.
    EXPECT_EQ(cdRequest(QStringLiteral("/media/user/Audio Disc/Track02.cda"), mounts).device,
              QStringLiteral("/dev/sr1"));
    // Only disc file systems count: a hard disk is never taken for a drive.
    EXPECT_TRUE(cdRequest(QStringLiteral("/home/user"), mounts).device.isEmpty());
    EXPECT_EQ(
        cdRequest(QStringLiteral("/run/user/1000/gvfs/cdda:host=sr2/Track 2.wav"), mounts).device,
        QStringLiteral("/dev/sr2"));

    qputenv("KELVRA_CDROM_DEVICE", "/dev/sr7");
    EXPECT_EQ(cdRequest(QStringLiteral("E:"), mounts).device, QStringLiteral("/dev/sr7"));
    qunsetenv("KELVRA_CDROM_DEVICE");
}

} // namespace

namespace {

// What writeMidiFile() writes is read back by the same timing parser the
// sound player uses (and so by any MIDI reader).
TEST(MidiWriter, WritesATuneTheParserTimesExactly)
{
    // Two notes overlapping, given out of order, on two channels; 480 ticks
    // a quarter at 0.6 s a quarter.
    const std::vector<MidiNote> notes = {{960, 480, 67, 90, 1}, {0, 1200, 60, 80, 0}};
    const QByteArray file = writeMidiFile(notes, 480, 600000, {0, 48});
    ASSERT_TRUE(file.startsWith("MThd"));
    const auto timing = MidiTiming::parse(file);
    ASSERT_TRUE(timing);
    EXPECT_EQ(timing->trackCount(), 1);
    EXPECT_EQ(timing->lastTick(), 1440); // the second note ends last
    EXPECT_EQ(timing->lengthMs(), 1800);
    // The events are in time order: note on C at 0, its off at 1200 comes
    // after G's on at 960. Note-on bytes follow their delta times.
    const qsizetype onC = file.indexOf(QByteArray("\x90\x3c\x50", 3));
    const qsizetype onG = file.indexOf(QByteArray("\x91\x43\x5a", 3));
    const qsizetype offC = file.indexOf(QByteArray("\x80\x3c\x00", 3));
    ASSERT_GT(onC, 0);
    EXPECT_LT(onC, onG);
    EXPECT_LT(onG, offC);
    // The programs: piano on channel 0, strings on channel 1.
    EXPECT_GT(file.indexOf(QByteArray("\xc0\x00", 2)), 0);
    EXPECT_GT(file.indexOf(QByteArray("\xc1\x30", 2)), 0);
}

} // namespace
