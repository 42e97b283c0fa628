#include <ostream>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "show/overlay.h"
#include "show/placement.h"
#include "show/randomeffect.h"

using namespace show;

TEST(RandomEffectTest, CodesLieInThePoolAndNeverRepeatBackToBack)
{
    RandomEffect random;
    int previous = 0;
    std::set<int> seen;
    for (int i = 0; i < 5000; ++i) {
        const int code = random.next();
        ASSERT_TRUE(inRandomPool(code)) << code;
        ASSERT_NE(code, previous);
        previous = code;
        seen.insert(code);
    }
    // The pool has 1971 codes; 5000 draws reach most of them and every range.
    EXPECT_GT(seen.size(), 1500u);
    for (int low : {2000, 4000, 5000, 6000, 7000, 8000, 15000, 16000})
        EXPECT_NE(seen.lower_bound(low), seen.end());
}

TEST(RandomEffectTest, TwoRunsDrawTheSameSequence)
{
    RandomEffect first;
    RandomEffect second;
    std::vector<int> a, b;
    for (int i = 0; i < 50; ++i) {
        a.push_back(first.next());
        b.push_back(second.next());
    }
    EXPECT_EQ(a, b);
    EXPECT_EQ(first.last(), a.back());
}

// 1024x768 pixels at 15 twips per pixel.
constexpr double kWinW = 1024 * 15.0;
constexpr double kWinH = 768 * 15.0;

TEST(PlacementTest, NormalZoomCentresAtOwnSize)
{
    const PicturePlacement p = placePicture("0", 100, 640, 480, kWinW, kWinH, 15, 15, 7);
    EXPECT_EQ(p.rect, (TwipRect{2880, 2160, 9600, 7200}));
    EXPECT_EQ(p.sizeMode, 0);
}

struct ZoomCase {
    const char* zoom;
    int w, h;
    int startMode;
    TwipRect rect;
    int mode;
};

void PrintTo(const ZoomCase& c, std::ostream* os)
{
    *os << "zoom " << c.zoom << ' ' << c.w << 'x' << c.h;
}

class ZoomTest : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(ZoomTest, RectangleAndSizeMode)
{
    const ZoomCase& c = GetParam();
    const PicturePlacement p =
        placePicture(c.zoom, 100, c.w, c.h, kWinW, kWinH, 15, 15, c.startMode);
    EXPECT_EQ(p.rect, c.rect) << c.zoom << " " << c.w << "x" << c.h;
    EXPECT_EQ(p.sizeMode, c.mode) << c.zoom << " " << c.w << "x" << c.h;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZoomTest,
    ::testing::Values(
        // Stretch keeps the whole window.
        ZoomCase{"2", 640, 480, 0, {0, 0, 15360, 11520}, 1},
        // Fit with a smaller picture: centred at its own size, size mode 3.
        ZoomCase{"1", 640, 480, 0, {2880, 2160, 9600, 7200}, 3},
        // Wider than the window but not taller: full width, mode 3 whatever the zoom.
        ZoomCase{"0", 2000, 500, 0, {0, 2010, 15360, 7500}, 3},
        // Taller than the window: full height.
        ZoomCase{"0", 100, 1000, 0, {6930, 0, 1500, 11520}, 3},
        // An odd difference drops the half twip: (15360 - 15) / 2 = 7672.5.
        ZoomCase{"0", 1, 1, 0, {7672, 5752, 15, 15}, 0},
        // Unknown text keeps the view's size mode and still centres.
        ZoomCase{"x", 640, 480, 7, {2880, 2160, 9600, 7200}, 7}));

TEST(PlacementTest, ZoomPercentageScalesTheRectangle)
{
    const PicturePlacement p = placePicture("0", 50, 640, 480, kWinW, kWinH, 15, 15, 0);
    EXPECT_EQ(p.rect, (TwipRect{5280, 3960, 4800, 3600}));
}

TEST(PlacementTest, VideoCentredForNormalAndFullOtherwise)
{
    EXPECT_EQ(placeVideo("0", 320, 240, kWinW, kWinH, 15, 15), (TwipRect{5280, 3960, 4800, 3600}));
    EXPECT_EQ(placeVideo("1", 320, 240, kWinW, kWinH, 15, 15), (TwipRect{0, 0, 15360, 11520}));
    EXPECT_EQ(placeVideo("2", 320, 240, kWinW, kWinH, 15, 15), (TwipRect{0, 0, 15360, 11520}));
    EXPECT_EQ(placeVideo("0", 4000, 240, kWinW, kWinH, 15, 15), (TwipRect{0, 3960, 15360, 3600}));
}

TEST(OverlayTest, BlockSizeFromTheFirstLineHeight)
{
    // Three lines: the height counts the first line's height three times.
    const TextBlock block = measureBlock({100.4, 250.5, 80}, 20.25, 2, 3);
    EXPECT_EQ(block.width, 252); // 252.5 rounds to even
    EXPECT_EQ(block.height, 70); // (20.25 + 3) * 3 = 69.75
}

TEST(OverlayTest, FitToTheImage)
{
    EXPECT_EQ(fitBlock({300, 40}, 800, 600), (TextBlock{300, 40}));
    EXPECT_EQ(fitBlock({900, 40}, 800, 600), (TextBlock{800, 80}));
    EXPECT_EQ(fitBlock({100, 700}, 800, 600), (TextBlock{100, 600}));
    EXPECT_EQ(fitBlock({900, 700}, 800, 600), (TextBlock{800, 1200}));
}

struct AlignCase {
    const char* code;
    bool placed;
    double left, top;
};

void PrintTo(const AlignCase& c, std::ostream* os)
{
    *os << "code " << c.code;
}

class AlignTest : public ::testing::TestWithParam<AlignCase> {};

TEST_P(AlignTest, BlockPlacedByCode)
{
    // An 800x600 image at zoom 100 with a 301x41 block; height value 51.
    const BlockPosition pos = placeBlock(GetParam().code, {301, 41}, 800, 600, 1.0, 51);
    EXPECT_EQ(pos.placed, GetParam().placed) << GetParam().code;
    if (pos.placed) {
        EXPECT_DOUBLE_EQ(pos.left, GetParam().left) << GetParam().code;
        EXPECT_DOUBLE_EQ(pos.top, GetParam().top) << GetParam().code;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, AlignTest,
    ::testing::Values(AlignCase{"0", true, 0, 25 - 20}, AlignCase{"1", true, 0, 300 - 20},
                      AlignCase{"2", true, 0, 559}, AlignCase{"3", true, 400 - 150, 0},
                      AlignCase{"4", true, 400 - 150, 300 - 20}, AlignCase{"5", true, 250, 559},
                      AlignCase{"6", true, 499, 280}, AlignCase{"7", true, 499, 280},
                      AlignCase{"8", true, 499, 559}, AlignCase{"9", false, 0, 0},
                      AlignCase{"abc", false, 0, 0}));
