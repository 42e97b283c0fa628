// The paint-effect engine: one property test over every code of the random
// pool, and the effect of each paint parameter on what is painted.

#include <set>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "pictures/transitions.h"

using namespace pictures;

namespace {

// Two pictures that differ in every pixel, with structure so that motion is
// visible too (a plain colour pushed sideways looks like nothing happened).
QImage oldPicture(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb(20 + (x * 3) % 60, 40 + (y * 5) % 60, 200));
    return img;
}

QImage newPicture(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb(230, 100 + ((x / 4 + y / 4) % 2) * 80, 10 + (x + y) % 40));
    return img;
}

int differingPixels(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            n += (pa[x] & 0xffffff) != (pb[x] & 0xffffff);
    }
    return n;
}

const QSize kSize(96, 64);

} // namespace

TEST(EffectTable, PoolHasTheEightRangesAndOnlyThem)
{
    const std::vector<int> codes = randomPoolCodes();
    EXPECT_EQ(codes.size(), 555u + 30 + 264 + 526 + 264 + 260 + 36 + 36);
    for (int code : {2000, 2554, 4000, 4029, 5000, 5263, 6000, 6525, 7000, 7263, 8000, 8259, 15000,
                     15035, 16000, 16035})
        EXPECT_TRUE(isPoolCode(code)) << code;
    for (int code : {0, 1, -1, 1999, 2555, 3000, 3999, 4030, 4999, 5264, 6526, 7264, 8260, 14999,
                     15036, 16036, 65535})
        EXPECT_FALSE(isPoolCode(code)) << code;
}

TEST(EffectTable, EveryPoolCodeHasAFamily)
{
    for (int code : randomPoolCodes()) {
        const EffectInfo info = effectInfo(code);
        ASSERT_NE(info.family, EffectFamily::None) << code;
        ASSERT_NE(info.kind, EffectKind::Instant) << code;
    }
}

// The property every effect must have: progress 0 shows exactly the old
// screen, progress 1 exactly the new picture, the middle differs from both;
// and the same inputs give the same frame.
TEST(EffectProperty, EveryPoolCodeStartsOldEndsNewAndDiffersHalfway)
{
    const QImage from = oldPicture(kSize), to = newPicture(kSize);
    const EffectParams params;
    QImage frame;
    int failures = 0;
    for (int code : randomPoolCodes()) {
        Transition t(code, params, from, to);
        t.renderFrame(0.0, frame);
        const bool startOk = frame == from;
        t.renderFrame(1.0, frame);
        const bool endOk = frame == to;
        t.renderFrame(0.5, frame);
        const int vsOld = differingPixels(frame, from);
        const int vsNew = differingPixels(frame, to);
        const QImage again = Transition(code, params, from, to).frame(0.5);
        const bool deterministic = again == frame;
        if (!startOk || !endOk || vsOld == 0 || vsNew == 0 || !deterministic) {
            ADD_FAILURE() << "code " << code << ": start " << startOk << " end " << endOk
                          << " half vs old " << vsOld << " half vs new " << vsNew
                          << " deterministic " << deterministic;
            if (++failures > 20)
                return;
        }
    }
}

// Each frame of a paint is monotone for reveal effects: a pixel that shows the
// new picture keeps showing it.
TEST(EffectProperty, RevealFramesNeverGoBack)
{
    const QImage from = oldPicture(kSize), to = newPicture(kSize);
    for (int code : {2000, 2333, 4001, 5007, 6100, 7012, 15003}) {
        Transition t(code, EffectParams{}, from, to);
        QImage previous = t.frame(0.0);
        for (int step = 1; step <= 20; ++step) {
            const QImage now = t.frame(step / 20.0);
            for (int y = 0; y < kSize.height(); ++y)
                for (int x = 0; x < kSize.width(); ++x)
                    if (previous.pixel(x, y) == to.pixel(x, y))
                        ASSERT_EQ(now.pixel(x, y), to.pixel(x, y))
                            << code << " at " << x << "," << y << " step " << step;
            previous = now;
        }
    }
}

// Frames rendered one after another into the same buffer (as the picture
// view does) equal frames rendered afresh, forwards, backwards and after the
// buffer was changed behind the transition's back.
TEST(EffectProperty, FramesIntoTheSameBufferEqualFreshOnes)
{
    const QImage from = oldPicture(kSize), to = newPicture(kSize);
    for (int code : {2000, 2411, 4002, 5100, 6200, 7100, 8050, 15010, 16005}) {
        Transition t(code, EffectParams{}, from, to);
        QImage out;
        for (double p : {0.0, 0.1, 0.2, 0.2, 0.45, 0.3, 0.7, 0.95, 1.0, 0.5}) {
            t.renderFrame(p, out);
            ASSERT_EQ(out, t.frame(p)) << code << " at " << p;
        }
        out.fill(Qt::green);
        t.renderFrame(0.6, out);
        ASSERT_EQ(out, t.frame(0.6)) << code << " after the buffer changed";
    }
}

TEST(EffectProperty, NeighbouringCodesLookDifferent)
{
    const QImage from = oldPicture(kSize), to = newPicture(kSize);
    const std::vector<int> codes = randomPoolCodes();
    for (size_t i = 0; i + 1 < codes.size(); ++i) {
        if (codes[i + 1] != codes[i] + 1)
            continue;
        // Compare at two moments: some pairs only part in the second half.
        bool differs = false;
        for (double p : {0.3, 0.6}) {
            const QImage a = Transition(codes[i], EffectParams{}, from, to).frame(p);
            const QImage b = Transition(codes[i + 1], EffectParams{}, from, to).frame(p);
            differs = differs || differingPixels(a, b) > kSize.width();
        }
        EXPECT_TRUE(differs) << codes[i] << " and " << codes[i + 1];
    }
}

TEST(EffectProperty, CodesOutsideThePoolPaintAtOnce)
{
    const QImage from = oldPicture(kSize), to = newPicture(kSize);
    for (int code : {0, 1, 1999, 3000, 9000, -5, 16036}) {
        Transition t(code, EffectParams{}, from, to);
        EXPECT_EQ(t.info().kind, EffectKind::Instant);
        EXPECT_EQ(t.frame(0.0), to) << code;
        EXPECT_EQ(t.frame(0.5), to) << code;
    }
}

TEST(EffectParams, WandPaintsABandInItsColourBehindTheFront)
{
    const QImage from = oldPicture(kSize), to = newPicture(kSize);
    EffectParams params;
    params.wandSize = 6;
    params.wandColor = QColor(0, 255, 0);
    const int wipe = 2000; // left to right
    const QImage frame = Transition(wipe, params, from, to).frame(0.5);
    int wandPixels = 0;
    for (int y = 0; y < kSize.height(); ++y)
        for (int x = 0; x < kSize.width(); ++x)
            wandPixels += frame.pixel(x, y) == qRgb(0, 255, 0);
    // A band of about 6 columns over the full height.
    EXPECT_GE(wandPixels, 4 * kSize.height());
    EXPECT_LE(wandPixels, 8 * kSize.height());
    EXPECT_EQ(Transition(wipe, params, from, to).frame(1.0), to);
    EXPECT_EQ(Transition(wipe, params, from, to).frame(0.0), from);
}

TEST(EffectParams, GrainMakesCoarserCells)
{
    const QImage from = oldPicture(kSize), to = newPicture(kSize);
    EffectParams fine, coarse;
    coarse.grain = 16;
    const int dissolve = 4000;
    const QImage a = Transition(dissolve, fine, from, to).frame(0.5);
    const QImage b = Transition(dissolve, coarse, from, to).frame(0.5);
    EXPECT_GT(differingPixels(a, b), 0);
    // With 16-pixel cells every 16x16 cell is all old or all new.
    for (int cy = 0; cy < kSize.height() / 16; ++cy)
        for (int cx = 0; cx < kSize.width() / 16; ++cx) {
            const bool isNew = b.pixel(cx * 16, cy * 16) == to.pixel(cx * 16, cy * 16);
            for (int y = cy * 16; y < cy * 16 + 16; ++y)
                for (int x = cx * 16; x < cx * 16 + 16; ++x)
                    ASSERT_EQ(b.pixel(x, y) == to.pixel(x, y), isNew) << x << "," << y;
        }
}

TEST(EffectParams, MaxPassesQuantisesProgress)
{
    const QImage from = oldPicture(kSize), to = newPicture(kSize);
    EffectParams params;
    params.maxPasses = 4;
    Transition t(2000, params, from, to);
    EXPECT_EQ(t.frame(0.26), t.frame(0.49));
    EXPECT_NE(t.frame(0.49), t.frame(0.51));
    EXPECT_EQ(t.frame(0.1), from); // still in the first step
    params.maxPasses = 64;
    params.delayMs = 10;
    EXPECT_EQ(params.durationMs(), 640);
    params.delayMs = 0;
    EXPECT_EQ(params.durationMs(), 0);
    EXPECT_EQ(Transition(2000, params, from, to).frame(0.5), to); // zero time paints at once
}

TEST(EffectParams, TransparentColourLetsTheOldScreenShowThrough)
{
    const QImage from = oldPicture(kSize);
    QImage to = newPicture(kSize);
    {
        QPainter p(&to);
        p.fillRect(10, 10, 20, 20, QColor(255, 0, 255));
    }
    EffectParams params;
    params.transparentColor = QColor(255, 0, 255);
    const QImage end = Transition(5000, params, from, to).frame(1.0);
    EXPECT_EQ(end.pixel(15, 15), from.pixel(15, 15));
    EXPECT_EQ(end.pixel(50, 50), to.pixel(50, 50));
    EXPECT_EQ(differingPixels(end, to), 400);
}

TEST(EffectParams, ColoursConvertFromTheStoredForm)
{
    EXPECT_EQ(bgrToColor(0x0000ff), QColor(255, 0, 0));
    EXPECT_EQ(bgrToColor(0xff0000), QColor(0, 0, 255));
    EXPECT_EQ(colorToBgr(QColor(0x12, 0x34, 0x56)), 0x563412);
    EXPECT_FALSE(bgrToColor(-1).isValid());
    EXPECT_EQ(colorToBgr(QColor()), -1);
}

TEST(EffectProperty, FamiliesCoverDifferentLooks)
{
    std::set<EffectFamily> families;
    for (int code : randomPoolCodes())
        families.insert(effectInfo(code).family);
    EXPECT_EQ(families.size(), 8u);
}
