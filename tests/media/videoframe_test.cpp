// First frames of clips for thumbnails: real clips made by ffmpeg, decoded
// through FFmpeg's libraries.

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "media/videoframe.h"
#include "media_testutil.h"

namespace {

struct ClipCase {
    const char* name;
    const char* file;
    const char* codec;
    const char* size;
    QSize bound;
    QSize expected;
};

void PrintTo(const ClipCase& c, std::ostream* os)
{
    *os << c.name;
}

class FirstVideoFrame : public ::testing::TestWithParam<ClipCase> {};

TEST_P(FirstVideoFrame, IsTheClipsColourFittedIntoTheBound)
{
    const ClipCase& c = GetParam();
    QTemporaryDir dir;
    const QString clip = dir.filePath(QString::fromLatin1(c.file));
    // Blue for a second, then red: the first frame is the blue one.
    ASSERT_TRUE(mediatest::ffmpeg(
        {"-f", "lavfi", "-i",
         QStringLiteral("color=c=0x2040e0:size=%1:rate=25:duration=1").arg(c.size), "-f", "lavfi",
         "-i", QStringLiteral("color=c=red:size=%1:rate=25:duration=1").arg(c.size),
         "-filter_complex", "[0][1]concat=n=2:v=1", "-c:v", c.codec, "-pix_fmt", "yuv420p"},
        clip));
    const QImage frame = media::firstVideoFrame(clip, c.bound);
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(frame.size(), c.expected);
    const QColor centre = frame.pixelColor(frame.width() / 2, frame.height() / 2);
    EXPECT_NEAR(centre.red(), 0x20, 12);
    EXPECT_NEAR(centre.green(), 0x40, 12);
    EXPECT_NEAR(centre.blue(), 0xe0, 12);
}

INSTANTIATE_TEST_SUITE_P(
    Clips, FirstVideoFrame,
    ::testing::Values(
        ClipCase{"mpeg1_wide", "a.mpg", "mpeg1video", "320x120", {128, 128}, {128, 48}},
        ClipCase{"mpeg4_avi", "b.avi", "mpeg4", "320x240", {256, 256}, {256, 192}},
        ClipCase{"h264_mp4_small", "c.mp4", "libx264", "96x64", {256, 256}, {96, 64}},
        ClipCase{"mpeg2_tall", "d.mpg", "mpeg2video", "240x320", {128, 128}, {96, 128}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FirstVideoFrameOfOtherFiles, IsNull)
{
    QTemporaryDir dir;
    const QString tone = dir.filePath("tone.wav");
    ASSERT_TRUE(mediatest::makeTone(tone, 0.5));
    EXPECT_TRUE(media::firstVideoFrame(tone, {128, 128}).isNull());
    const QString junk = dir.filePath("junk.avi");
    testutil::writeFile(junk, QByteArray(4096, 'x'));
    EXPECT_TRUE(media::firstVideoFrame(junk, {128, 128}).isNull());
    EXPECT_TRUE(media::firstVideoFrame(dir.filePath("gone.avi"), {128, 128}).isNull());
}

} // namespace
