// The paint-effect engine: one property test over every code of the random
// pool, and the effect of each paint parameter on what is painted.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string_view>

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

// Smooth colour ramps with a coarse random texture: no period, so that no
// shift or mirror of it looks like another.
QImage busyPicture(QSize size, quint32 seed)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            quint32 h = quint32(x / 3) * 0x8da6b343u ^ quint32(y / 3) * 0xd8163841u ^ seed * 0x9e3779b9u;
            h ^= h >> 15;
            h *= 0x2c1b3c6du;
            h ^= h >> 12;
            // The two pictures lie far apart in colour, so that frames that
            // differ in a few pixels differ clearly on average.
            const int r = x * 150 / size.width() + int(h & 63);
            const int g = y * 150 / size.height() + int((h >> 8) & 63);
            const int b = 40 + int((h >> 16) & 127);
            img.setPixel(x, y, seed % 2 ? qRgb(r, g, b) : qRgb(255 - r, 255 - b, 255 - g));
        }
    return img;
}

const QSize kSize(96, 64);

} // namespace

TEST(EffectTable, PoolHasTheEightRangesAndOnlyThem)
{
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

// Every code of the pool is its own effect: rendered at three moments, no
// two codes give the same frames, and hardly any two come within 1/255 on
// average of each other.
TEST(EffectProperty, EveryPoolCodePaintsItsOwnFrames)
{
    const QSize size(160, 96);
    const QImage from = busyPicture(size, 1), to = busyPicture(size, 2);
    const std::vector<int> codes = randomPoolCodes();
    const size_t perCode = size_t(size.width() * size.height()) * 3 * 3; // RGB, three moments
    std::vector<quint8> frames(codes.size() * perCode);
    QImage frame;
    for (size_t c = 0; c < codes.size(); ++c) {
        Transition t(codes[c], EffectParams{}, from, to);
        quint8* dst = frames.data() + c * perCode;
        for (double p : {0.25, 0.5, 0.75}) {
            t.renderFrame(p, frame);
            for (int y = 0; y < size.height(); ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
                for (int x = 0; x < size.width(); ++x) {
                    *dst++ = quint8(qRed(row[x]));
                    *dst++ = quint8(qGreen(row[x]));
                    *dst++ = quint8(qBlue(row[x]));
                }
            }
        }
    }
    auto at = [&](size_t c) { return frames.data() + c * perCode; };

    // Identical frames: group by a hash, then compare the bytes.
    std::map<size_t, std::vector<size_t>> byHash;
    for (size_t c = 0; c < codes.size(); ++c)
        byHash[std::hash<std::string_view>{}(
                   std::string_view(reinterpret_cast<const char*>(at(c)), perCode))]
            .push_back(c);
    int identical = 0;
    for (const auto& [hash, group] : byHash)
        for (size_t i = 1; i < group.size(); ++i)
            if (std::memcmp(at(group[0]), at(group[i]), perCode) == 0 && ++identical <= 20)
                ADD_FAILURE() << "codes " << codes[group[0]] << " and " << codes[group[i]]
                              << " paint the same frames";
    EXPECT_EQ(identical, 0);

    // Near-identical pairs: a mean absolute difference under one level.
    // Averages over 8x8 tiles differ by no more than the pixels do, so a pair
    // whose tile averages are far apart is skipped unseen; sorting by one
    // picture-wide average first skips most pairs without a look.
    const int tilesX = size.width() / 8, tilesY = size.height() / 8;
    const size_t perTiles = size_t(tilesX * tilesY) * 9;
    std::vector<float> tiles(codes.size() * perTiles, 0.f);
    std::vector<double> overall(codes.size(), 0.0);
    for (size_t c = 0; c < codes.size(); ++c) {
        const quint8* px = at(c);
        float* t = tiles.data() + c * perTiles;
        for (int m = 0; m < 3; ++m)
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    for (int ch = 0; ch < 3; ++ch) {
                        const quint8 v = *px++;
                        t[((m * tilesY + y / 8) * tilesX + x / 8) * 3 + ch] += v / 64.f;
                        overall[c] += v;
                    }
        overall[c] /= double(perCode);
    }
    std::vector<size_t> order(codes.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return overall[a] < overall[b]; });
    int near = 0;
    for (size_t i = 0; i < order.size(); ++i)
        for (size_t j = i + 1; j < order.size() && overall[order[j]] - overall[order[i]] < 1; ++j) {
            const size_t a = order[i], b = order[j];
            const float *ta = tiles.data() + a * perTiles, *tb = tiles.data() + b * perTiles;
            double bound = 0;
            for (size_t k = 0; k < perTiles; ++k)
                bound += std::abs(ta[k] - tb[k]);
            if (bound / double(perTiles) >= 1)
                continue;
            qint64 sum = 0;
            const quint8 *pa = at(a), *pb = at(b);
            for (size_t k = 0; k < perCode; ++k)
                sum += std::abs(int(pa[k]) - int(pb[k]));
            if (double(sum) / double(perCode) < 1.0) {
                ++near;
                std::printf("near-identical: %d and %d (mean difference %.2f/255)\n", codes[a],
                            codes[b], double(sum) / double(perCode));
            }
        }
    std::printf("%d near-identical pairs among %zu codes\n", near, codes.size());
    EXPECT_LT(near, int(codes.size()) / 50);
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
    // A delay of 0 is the fastest pace, a step per millisecond, not "no effect".
    params.delayMs = 0;
    EXPECT_EQ(params.durationMs(), 64);
    EXPECT_NE(Transition(2000, params, from, to).frame(0.5), to);
    params.maxPasses = 0; // no steps at all paints at once
    EXPECT_EQ(params.durationMs(), 0);
    EXPECT_EQ(Transition(2000, params, from, to).frame(0.5), to);
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
    EXPECT_EQ(families.size(), 16u);
}

namespace {

// How many pixels of the new picture a one-row frame shows, counting a
// blended pixel by its share.
double newShare(const QImage& frame, const QImage& from, const QImage& to)
{
    double share = 0;
    for (int x = 0; x < frame.width(); ++x) {
        const int a = qRed(from.pixel(x, 0)), b = qRed(to.pixel(x, 0)), c = qRed(frame.pixel(x, 0));
        share += double(c - a) / double(b - a);
    }
    return share;
}

QImage plain(QSize size, QRgb colour)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

} // namespace

// A slow wipe across a 4K-wide screen moves in even steps of a few pixels,
// with one or two pixels of the front blended, never in jumps of 15.
TEST(EffectQuality, FrontsMoveSmoothlyAndSoftlyAcrossA4KScreen)
{
    const QSize size(3840, 1);
    const QImage from = plain(size, qRgb(0, 0, 0)), to = plain(size, qRgb(250, 250, 250));
    EffectParams params;
    params.maxPasses = 1000;
    Transition t(2000, params, from, to); // left to right
    double previous = 0, largest = 0;
    for (int step = 1; step < 1000; ++step) {
        const QImage f = t.frame(step / 1000.0);
        const double now = newShare(f, from, to);
        largest = std::max(largest, now - previous);
        ASSERT_GE(now, previous - 0.01) << step;
        previous = now;
        if (step == 500) {
            int blended = 0;
            for (int x = 0; x < size.width(); ++x)
                blended += qRed(f.pixel(x, 0)) != 0 && qRed(f.pixel(x, 0)) != 250;
            EXPECT_GE(blended, 1);
            EXPECT_LE(blended, 3);
        }
    }
    EXPECT_LE(largest, 3840 / 1000.0 + 1.5);
}

// WandSize is a width in pixels, whatever the screen's size.
TEST(EffectQuality, WandIsAsWideInPixelsOnEveryScreen)
{
    for (int width : {400, 3840}) {
        const QSize size(width, 2);
        const QImage from = plain(size, qRgb(0, 0, 0)), to = plain(size, qRgb(250, 250, 250));
        EffectParams params;
        params.maxPasses = 1000;
        params.wandSize = 8;
        params.wandColor = QColor(0, 255, 0);
        const QImage f = Transition(2000, params, from, to).frame(0.5);
        int wand = 0;
        for (int x = 0; x < width; ++x)
            wand += qGreen(f.pixel(x, 0)) > 128 && qRed(f.pixel(x, 0)) < 128;
        EXPECT_GE(wand, 7) << width;
        EXPECT_LE(wand, 9) << width;
    }
}

// A diagonal push leaves the two corners between the pictures empty; the new
// picture never shows there in its final place.
TEST(EffectQuality, DiagonalPushShowsNoGhostOfTheNewPicture)
{
    const QImage from = busyPicture(kSize, 1), to = busyPicture(kSize, 2);
    ASSERT_EQ(effectInfo(8013).family, EffectFamily::Motion);
    Transition t(8013, EffectParams{}, from, to);
    for (double p : {0.3, 0.5, 0.7}) {
        const QImage f = t.frame(p);
        int ghost = 0;
        for (int y = 0; y < kSize.height(); ++y)
            for (int x = 0; x < kSize.width(); ++x)
                ghost += f.pixel(x, y) == to.pixel(x, y);
        EXPECT_LT(ghost, kSize.width() * kSize.height() / 50) << p;
    }
}

// A clock from a point on the border sweeps as one wedge: the new picture
// meets the picture's border in one unbroken run. Codes 6042 + 18k and
// 6048 + 18k are the one-bladed clocks, clockwise and counter-clockwise, from
// the eight border points.
TEST(EffectQuality, OffCentreClocksSweepAsOneWedge)
{
    const QSize size(160, 100);
    const QImage from = plain(size, qRgb(0, 0, 0)), to = plain(size, qRgb(250, 250, 250));
    for (int k = 0; k < 8; ++k)
        for (int code : {6042 + 18 * k, 6048 + 18 * k}) {
            ASSERT_EQ(effectInfo(code).family, EffectFamily::Clock);
            Transition t(code, EffectParams{}, from, to);
            for (double p : {0.2, 0.45, 0.7, 0.9}) {
                const QImage f = t.frame(p);
                std::vector<bool> border;
                for (int x = 0; x < size.width(); ++x)
                    border.push_back(qRed(f.pixel(x, 0)) > 125);
                for (int y = 1; y < size.height(); ++y)
                    border.push_back(qRed(f.pixel(size.width() - 1, y)) > 125);
                for (int x = size.width() - 2; x >= 0; --x)
                    border.push_back(qRed(f.pixel(x, size.height() - 1)) > 125);
                for (int y = size.height() - 2; y > 0; --y)
                    border.push_back(qRed(f.pixel(0, y)) > 125);
                int runs = 0;
                for (size_t i = 0; i < border.size(); ++i)
                    runs += border[i] && !border[(i + border.size() - 1) % border.size()];
                EXPECT_EQ(runs, 1) << code << " at " << p;
            }
        }
}

namespace {

// A picture in which every pixel's colour names its own position, so that a
// frame shows where each of its pixels was taken from.
QImage positionPicture(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb(x & 255, y & 255, (x >> 8) | ((y >> 8) << 4)));
    return img;
}

QPoint positionOf(QRgb c)
{
    return {qRed(c) | ((qBlue(c) & 15) << 8), qGreen(c) | ((qBlue(c) >> 4) << 8)};
}

QRgb mixed(QRgb a, QRgb b, int k)
{
    auto ch = [k](int u, int v) { return (u * (256 - k) + v * k) >> 8; };
    return qRgb(ch(qRed(a), qRed(b)), ch(qGreen(a), qGreen(b)), ch(qBlue(a), qBlue(b)));
}

bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1 &&
           std::abs(qBlue(a) - qBlue(b)) <= 1;
}

struct DistortionCase {
    const char* name;
    int code;
    QSize size;
    QPointF centre; // of a ripple, as a share of the width and height
};

void PrintTo(const DistortionCase& c, std::ostream* os)
{
    *os << c.name;
}

class ColumnWave : public ::testing::TestWithParam<DistortionCase> {};

} // namespace

// A column wave shifts each column up or down as a whole: every column of a
// frame is a column of the old picture, the new one or their cross-fade,
// moved by one amount (held at the top and bottom rows), and neighbouring
// columns move by nearly the same amount. Widths that are not a multiple of
// the strips the frame is made in, and waves strong enough to reach past the
// picture's edges, catch a column taken from the wrong place.
TEST_P(ColumnWave, MovesEachColumnAsAWhole)
{
    const DistortionCase c = GetParam();
    const QImage from = busyPicture(c.size, 1), to = busyPicture(c.size, 2);
    const int w = c.size.width(), h = c.size.height();
    Transition t(c.code, EffectParams{}, from, to);
    // Early on only the old picture sways, late only the new one, in the
    // middle their even cross-fade.
    for (const auto& [p, k] : {std::pair{0.1, 0}, std::pair{0.5, 128}, std::pair{0.9, 256}}) {
        const QImage frame = t.frame(p);
        int moved = 0, previous = 0;
        for (int x = 0; x < w; ++x) {
            auto reference = [&](int y) { return mixed(from.pixel(x, y), to.pixel(x, y), k); };
            int found = -1;
            for (int dy = -h + 1; dy < h && found < 0; ++dy) {
                bool all = true;
                for (int y = 0; y < h && all; ++y)
                    all = near(frame.pixel(x, y), reference(std::clamp(y + dy, 0, h - 1)));
                if (all)
                    found = dy + h;
            }
            ASSERT_GE(found, 0) << "column " << x << " at " << p << " is no shifted column";
            const int dy = found - h;
            moved += dy != 0;
            if (x > 0)
                EXPECT_LE(std::abs(dy - previous), 4) << "column " << x << " at " << p;
            previous = dy;
        }
        EXPECT_GT(moved, w / 4) << "at " << p;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Effects, ColumnWave,
    ::testing::Values(DistortionCase{"gentle_long_wave_333x181", 6367, QSize(333, 181), {}},
                      DistortionCase{"strong_short_wave_300x64", 6383, QSize(300, 64), {}},
                      DistortionCase{"reversed_wave_129x100", 6385, QSize(129, 100), {}}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

class RadialRipple : public ::testing::TestWithParam<DistortionCase> {};

} // namespace

// Ripples and shock rings move pixels only along the line from their centre:
// with both pictures naming their own positions every pixel of a frame shows
// where it was taken from, which lies on that line within rounding (or on the
// picture's border, where samples are held), no farther than the strongest
// wave, and exactly at the pixel itself well beyond the running edge.
TEST_P(RadialRipple, MovesPixelsOnlyAlongTheRadius)
{
    const DistortionCase c = GetParam();
    const QImage pic = positionPicture(c.size);
    const int w = c.size.width(), h = c.size.height();
    const QPointF centre(c.centre.x() * w, c.centre.y() * h);
    const double rMax = std::max(
        {std::hypot(centre.x(), centre.y()), std::hypot(w - centre.x(), centre.y()),
         std::hypot(centre.x(), h - centre.y()), std::hypot(w - centre.x(), h - centre.y())});
    Transition t(c.code, EffectParams{}, pic, pic);
    for (double p : {0.15, 0.4, 0.7}) {
        const QImage frame = t.frame(p);
        int moved = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QPoint s = positionOf(frame.pixel(x, y));
                ASSERT_TRUE(s.x() < w && s.y() < h) << x << "," << y;
                const QPointF r(x + 0.5 - centre.x(), y + 0.5 - centre.y());
                const double len = std::hypot(r.x(), r.y());
                const double off = std::abs((s.x() - x) * r.y() - (s.y() - y) * r.x()) / len;
                const bool border = s.x() == 0 || s.y() == 0 || s.x() == w - 1 || s.y() == h - 1;
                ASSERT_TRUE(len < 2 || off <= 1.5 || border)
                    << x << "," << y << " at " << p << " taken from " << s.x() << "," << s.y();
                const double dist = std::hypot(s.x() - x, s.y() - y);
                ASSERT_LE(dist, 0.13 * std::min(w, h) + 2) << x << "," << y << " at " << p;
                moved += dist > 0;
                if (p < 0.2 && len > 0.8 * rMax) {
                    ASSERT_EQ(s, QPoint(x, y)) << x << "," << y << " moved before its time";
                }
            }
        EXPECT_GT(moved, w * h / 50) << "at " << p;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Effects, RadialRipple,
    ::testing::Values(
        DistortionCase{"ripple_from_the_centre", 6330, QSize(320, 200), QPointF(0.5, 0.5)},
        DistortionCase{"strong_ripple_from_a_corner", 6340, QSize(333, 181), QPointF(0, 0)},
        DistortionCase{"shock_ring_from_the_centre", 6402, QSize(320, 200), QPointF(0.5, 0.5)},
        DistortionCase{"wide_shock_ring_from_an_edge", 6413, QSize(257, 190), QPointF(0.5, 0)}),
    [](const auto& info) { return std::string(info.param.name); });

// Between two plain pictures a ripple's waves are invisible and only its soft
// edge shows: every pixel at the same distance from the centre is alike, and
// the new picture's share falls with the distance. A pixel painted from one
// picture where both should be blended breaks either.
TEST_P(RadialRipple, SoftEdgeDependsOnlyOnTheDistance)
{
    const DistortionCase c = GetParam();
    const int w = c.size.width(), h = c.size.height();
    const QPointF centre(c.centre.x() * w, c.centre.y() * h);
    Transition t(c.code, EffectParams{}, plain(c.size, qRgb(0, 0, 0)),
                 plain(c.size, qRgb(255, 255, 255)));
    for (double p : {0.2, 0.45, 0.7}) {
        const QImage frame = t.frame(p);
        std::map<int, std::pair<int, int>> byDistance; // min, max grey
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int r = int(std::hypot(x + 0.5 - centre.x(), y + 0.5 - centre.y()));
                const int g = qGreen(frame.pixel(x, y));
                auto [it, added] = byDistance.try_emplace(r, g, g);
                it->second.first = std::min(it->second.first, g);
                it->second.second = std::max(it->second.second, g);
            }
        int previous = 255, blended = 0;
        for (const auto& [r, range] : byDistance) {
            ASSERT_EQ(range.first, range.second) << "distance " << r << " at " << p;
            ASSERT_LE(range.first, previous) << "distance " << r << " at " << p;
            previous = range.first;
            blended += range.first > 0 && range.first < 255;
        }
        EXPECT_GT(blended, 3) << "at " << p << ": no soft edge";
    }
}
