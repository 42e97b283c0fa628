// The list-file reader and the media kinds both programs share.
#include <cctype>

#include <gtest/gtest.h>

#include "qtprint.h"
#include "store/listfile.h"
#include "store/mediakind.h"

using namespace store;

namespace {

struct SplitCase {
    const char* name;
    QByteArray bytes;
    QStringList lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitListLines : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitListLines, EndsLinesAtCrLfCrOrLfAndDecodesEachLine)
{
    EXPECT_EQ(splitListLines(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitListLines,
    ::testing::Values(
        SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
        SplitCase{"LastLineUnended", "a\r\nb", {"a", "b"}},
        SplitCase{"Cr", "a\rb\rc", {"a", "b", "c"}}, SplitCase{"Lf", "a\nb\n", {"a", "b"}},
        SplitCase{"BlankLineKept", "a\r\n\r\nb", {"a", "", "b"}}, SplitCase{"Empty", "", {}},
        SplitCase{"Utf8", "\xc3\xa9t\xc3\xa9\r\n", {QString::fromUtf8("été")}},
        // An old editor's 8-bit line between UTF-8 ones: only it is Latin-1.
        SplitCase{"Latin1LineAmongUtf8",
                  "/p/K\xc3\xa4se.bmp\r\n/p/K\xe4se.bmp\r\n/p/\xe2\x82\xac.png",
                  {QString::fromUtf8("/p/Käse.bmp"), QString::fromUtf8("/p/Käse.bmp"),
                   QString::fromUtf8("/p/€.png")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ListEntryPath, IsTheLineWithoutSurroundingBlanks)
{
    EXPECT_EQ(listEntryPath("  /p/a b.jpg \t"), "/p/a b.jpg");
    EXPECT_EQ(listEntryPath("   "), "");
}

TEST(ListEntryName, FollowsTheLastSeparatorOfEitherKind)
{
    EXPECT_EQ(listEntryName("C:\\Pics\\a b.jpg"), "a b.jpg");
    EXPECT_EQ(listEntryName("/home/u/x\\y/z.png"), "z.png");
    EXPECT_EQ(listEntryName("C:\\Pics/mixed\\c.gif"), "c.gif");
    EXPECT_EQ(listEntryName("plain.bmp"), "plain.bmp");
    EXPECT_EQ(listEntryName("/a/folder/"), "");
}

struct KindCase {
    const char* path;
    MediaKind kind;
    bool unconverted;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.path; }

class MediaKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(MediaKinds, ToldByTheExtensionInAnyCase)
{
    EXPECT_EQ(mediaKind(GetParam().path), GetParam().kind);
    EXPECT_EQ(packedUnconverted(GetParam().path), GetParam().unconverted);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MediaKinds,
    ::testing::Values(KindCase{"/m/MOVIE.AVI", MediaKind::Clip, true},
                      KindCase{"/m/a.mov", MediaKind::Clip, true},
                      KindCase{"/m/a.MP4", MediaKind::Clip, true},
                      KindCase{"/m/a.m4v", MediaKind::Clip, true},
                      KindCase{"/m/a.mkv", MediaKind::Clip, true},
                      KindCase{"/m/a.webm", MediaKind::Clip, true},
                      KindCase{"/m/a.ogv", MediaKind::Clip, true},
                      KindCase{"/m/a.wav", MediaKind::Sound, true},
                      KindCase{"/m/a.Ogg", MediaKind::Sound, true},
                      KindCase{"/m/a.oga", MediaKind::Sound, true},
                      KindCase{"/m/a.opus", MediaKind::Sound, true},
                      KindCase{"/m/a.FLAC", MediaKind::Sound, true},
                      KindCase{"/m/a.m4a", MediaKind::Sound, true},
                      KindCase{"/m/a.aac", MediaKind::Sound, true},
                      KindCase{"/m/a.AIFF", MediaKind::Sound, true},
                      KindCase{"D:\\Track12.CDA", MediaKind::CdTrack, true},
                      KindCase{"/m/photo.JPG", MediaKind::Picture, true},
                      KindCase{"/m/old.mpv", MediaKind::Picture, true},
                      KindCase{"/m/photo.png", MediaKind::Picture, false},
                      KindCase{"/m.mp4/noext", MediaKind::Picture, false},
                      KindCase{"C:\\m.ogg\\pic", MediaKind::Picture, false},
                      KindCase{"/m/a.mp4.bmp", MediaKind::Picture, false}),
    [](const auto& info) {
        std::string name;
        for (char c : std::string(info.param.path))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name + "_" + std::to_string(info.index);
    });

} // namespace
