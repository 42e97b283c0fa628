#include <ostream>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "show/playlist.h"
#include "show/showrules.h"

using namespace show;

namespace {

struct ListFixture : ::testing::Test {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString touch(const QString& name) const
    {
        testutil::writeFile(path(name), "x");
        return path(name);
    }
};

} // namespace

TEST_F(ListFixture, KeepsExistingFilesInOrderAndDropsEverythingElse)
{
    const QString a = touch("a.jpg");
    const QString b = touch("b.avi");
    QDir(dir.path()).mkdir("folder.jpg");
    // The editor's current configuration: interval, count, then paths, with
    // blank lines, a missing file, a folder and a duplicate, mixed line ends.
    const QByteArray text = "5\r\n3\r\n" + a.toUtf8() + "\r\n\r\n" + path("gone.png").toUtf8() +
                            "\n" + path("folder.jpg").toUtf8() + "\r" + b.toUtf8() + "\r\n" +
                            a.toUtf8();
    testutil::writeFile(path("zem.ini"), text);
    EXPECT_EQ(loadList(path("zem.ini")), (QStringList{a, b, a}));
}

TEST_F(ListFixture, OldEditorsLatin1LineAndBlanksAroundAPathStillLoadTheFile)
{
    const QString kaese = touch(QString::fromUtf8("Käse.bmp"));
    const QString b = touch("b.jpg");
    // An old editor wrote its code page; blanks around a path are not part of it.
    const QByteArray latin1 = dir.path().toUtf8() + "/K\xe4se.bmp";
    testutil::writeFile(path("zem.ini"), " 5 \r\n 2 \r\n" + latin1 + "\r\n  " + b.toUtf8() + " \r\n");
    const QStringList list = loadList(path("zem.ini"));
    EXPECT_EQ(list, (QStringList{kaese, b}));
    for (const QString& entry : list)
        EXPECT_TRUE(QFileInfo(entry).isFile()) << entry.toStdString();
}

TEST_F(ListFixture, ImageListHoldsPicturesAndClipsButNoSounds)
{
    const QString pic = touch("a.png"), clip = touch("c.mp4"), ogg = touch("s.ogg"),
                  cd = touch("Track02.cda"), odd = touch("n.xyz");
    testutil::writeFile(path("zem.ini"), (QStringList{pic, ogg, clip, cd, odd}).join("\n").toUtf8());
    EXPECT_EQ(loadImageList(path("zem.ini")), (QStringList{pic, clip, odd}));
    EXPECT_EQ(loadList(path("zem.ini")), (QStringList{pic, ogg, clip, cd, odd}));
}

TEST_F(ListFixture, MissingListFileGivesEmptyList)
{
    EXPECT_TRUE(loadList(path("nothing.ini")).isEmpty());
    EXPECT_TRUE(loadList(QString()).isEmpty());
}

TEST_F(ListFixture, RuntimeFallsBackToTheWorkFolderByFileName)
{
    QTemporaryDir work;
    testutil::writeFile(work.filePath("p1.jpg"), "x");
    const QString here = touch("here.jpg");
    const QByteArray text = "/no/such/folder/p1.jpg\r\n" + here.toUtf8() +
                            "\r\nC:\\Users\\x\\p1.jpg\r\n/no/such/folder/p2.jpg\r\n";
    testutil::writeFile(path("iSaver.ini"), text);
    const QStringList list = loadList(path("iSaver.ini"), work.path());
    EXPECT_EQ(list, (QStringList{work.filePath("p1.jpg"), here, work.filePath("p1.jpg")}));
    // Without a fallback folder the same file keeps only the existing line.
    EXPECT_EQ(loadList(path("iSaver.ini")), QStringList{here});
}

struct KindCase {
    const char* path;
    ItemKind item;
    SoundKind sound;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.path; }


class KindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(KindTest, KindFollowsTheLowerCaseExtension)
{
    EXPECT_EQ(itemKind(GetParam().path), GetParam().item) << GetParam().path;
    EXPECT_EQ(soundKind(GetParam().path), GetParam().sound) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Names, KindTest,
    ::testing::Values(KindCase{"/m/MOVIE.AVI", ItemKind::VideoClip, SoundKind::Other},
                      KindCase{"/m/a.mpg", ItemKind::VideoClip, SoundKind::Other},
                      KindCase{"/m/a.Mpe", ItemKind::VideoClip, SoundKind::Other},
                      KindCase{"/m/a.mpeg", ItemKind::VideoClip, SoundKind::Other},
                      KindCase{"/m/a.MOV", ItemKind::VideoClip, SoundKind::Other},
                      KindCase{"/m/a.mp4", ItemKind::VideoClip, SoundKind::Other},
                      KindCase{"/m/a.WebM", ItemKind::VideoClip, SoundKind::Other},
                      KindCase{"/m/photo.jpg", ItemKind::Picture, SoundKind::Other},
                      KindCase{"/m.avi/noext", ItemKind::Picture, SoundKind::Other},
                      KindCase{"C:\\m.mov\\pic", ItemKind::Picture, SoundKind::Other},
                      KindCase{"/m/a.tar.WAV", ItemKind::Picture, SoundKind::SoundFile},
                      KindCase{"/m/a.mid", ItemKind::Picture, SoundKind::SoundFile},
                      KindCase{"/m/a.MIDI", ItemKind::Picture, SoundKind::SoundFile},
                      KindCase{"/m/a.rmi", ItemKind::Picture, SoundKind::SoundFile},
                      KindCase{"/m/a.Mp3", ItemKind::Picture, SoundKind::SoundFile},
                      KindCase{"/m/a.ogg", ItemKind::Picture, SoundKind::SoundFile},
                      KindCase{"/m/a.opus", ItemKind::Picture, SoundKind::SoundFile},
                      KindCase{"/m/a.flac", ItemKind::Picture, SoundKind::SoundFile},
                      KindCase{"D:\\Track12.CDA", ItemKind::Picture, SoundKind::CdTrack}));

TEST(CdTrackTest, TrackFromTheBaseNameAndDriveFromThePath)
{
    EXPECT_EQ(cdTrack("D:\\Track12.cda").track, 12);
    EXPECT_EQ(cdTrack("D:\\Track12.cda").drive, "D:");
    EXPECT_EQ(cdTrack("/media/cdrom/Track05.cda").track, 5);
    EXPECT_EQ(cdTrack("/media/cdrom/Track05.cda").drive, "");
    EXPECT_EQ(cdTrack("/x/Track7b.cda").track, 7);
    EXPECT_EQ(cdTrack("/x/Trk.cda").track, 0);
    EXPECT_EQ(cdTrack("/x/Track99999999999999999999.cda").track, INT_MAX);
}

TEST(WalkTest, IndexWrapsPastTheEnd)
{
    EXPECT_EQ(wrapIndex(0, 3), 0);
    EXPECT_EQ(wrapIndex(2, 3), 2);
    EXPECT_EQ(wrapIndex(3, 3), 0);
    EXPECT_EQ(wrapIndex(1, 1), 0);
    EXPECT_EQ(wrapIndex(-1, 3), 0);
}

struct IntervalCase {
    const char* text;
    int ms;
};

void PrintTo(const IntervalCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class IntervalTest : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(IntervalTest, SecondsTextBecomesMilliseconds)
{
    EXPECT_EQ(itemIntervalMs(GetParam().text), GetParam().ms) << GetParam().text;
}

// "1" is the default that a missing setting reads as.
INSTANTIATE_TEST_SUITE_P(Texts, IntervalTest,
                         ::testing::Values(IntervalCase{"5", 5000}, IntervalCase{"1", 1000},
                                           IntervalCase{" 12", 12000}, IntervalCase{"0", 0},
                                           IntervalCase{"", 0}, IntervalCase{"abc", 0},
                                           IntervalCase{"-3", 0},
                                           IntervalCase{"99999999", INT_MAX}));

TEST(RoundingTest, HalvesGoToEvenAndHalvingTruncates)
{
    EXPECT_EQ(nearest(2.5), 2);
    EXPECT_EQ(nearest(3.5), 4);
    EXPECT_EQ(nearest(-2.5), -2);
    EXPECT_EQ(nearest(2.4999), 2);
    EXPECT_EQ(nearest(-0.6), -1);
    EXPECT_EQ(half(7), 3);
    EXPECT_EQ(half(-7), -3);
    EXPECT_DOUBLE_EQ(leadingValue("12.5abc"), 12.5);
    EXPECT_DOUBLE_EQ(leadingValue("x1"), 0.0);
}

TEST(ShortNameTest, BlanksRemovedAndCutToFive)
{
    EXPECT_EQ(runtimeShortName("/opt/Sunset Beach.scr"), "Sunse");
    EXPECT_EQ(runtimeShortName("My Saver.exe"), "MySav");
    EXPECT_EQ(runtimeShortName("/usr/bin/vls"), "vls");
    EXPECT_EQ(runtimeShortName("a b.c.scr"), "ab.c");
}
