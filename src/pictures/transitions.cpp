#include "pictures/transitions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <list>
#include <mutex>
#include <tuple>

#include "pictures/effectkernels.h"

namespace pictures {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct RangeEntry {
    int first;
    int last;
    EffectFamily family;
    EffectKind kind;
    const char* name;
};

// The one table from code to family. Rows that follow each other without a
// gap form one range of the random pool; a family's row is never longer than
// the number of distinct variants its decoder below can give.
constexpr RangeEntry kTable[] = {
    {2000, 2291, EffectFamily::Wipe, EffectKind::Reveal, "wipe"},
    {2292, 2554, EffectFamily::SoftWipe, EffectKind::Reveal, "soft wipe"},
    {4000, 4029, EffectFamily::Dissolve, EffectKind::Reveal, "dissolve"},
    {5000, 5263, EffectFamily::Iris, EffectKind::Reveal, "iris"},
    {6000, 6185, EffectFamily::Clock, EffectKind::Reveal, "clock"},
    {6186, 6329, EffectFamily::Spiral, EffectKind::Reveal, "spiral"},
    {6330, 6419, EffectFamily::Ripple, EffectKind::Motion, "ripple"},
    {6420, 6525, EffectFamily::Swirl, EffectKind::Reveal, "swirl"},
    {7000, 7127, EffectFamily::Blocks, EffectKind::Reveal, "blocks"},
    {7128, 7263, EffectFamily::Pixelate, EffectKind::Motion, "pixelate"},
    {8000, 8164, EffectFamily::Motion, EffectKind::Motion, "motion"},
    {8165, 8203, EffectFamily::Zoom, EffectKind::Motion, "zoom"},
    {8204, 8235, EffectFamily::Rotate, EffectKind::Motion, "rotate"},
    {8236, 8259, EffectFamily::Peel, EffectKind::Motion, "peel"},
    {15000, 15035, EffectFamily::Wave, EffectKind::Reveal, "wave"},
    {16000, 16035, EffectFamily::Fade, EffectKind::Blend, "fade"},
};

// ---------------------------------------------------------------------------
// Variant decoders: a variant index to the parameters it stands for. Each
// enumerates only combinations that look different; see the comments for the
// ones left out.

// Centre first, then clockwise from top-left.
QPointF anchor(int index, double w, double h)
{
    static constexpr double ax[9] = {0.5, 0, 0.5, 1, 1, 1, 0.5, 0, 0};
    static constexpr double ay[9] = {0.5, 0, 0, 0, 0.5, 1, 1, 1, 0.5};
    return {ax[index % 9] * w, ay[index % 9] * h};
}

bool isCorner(int anchorIndex)
{
    return anchorIndex % 2 == 1;
}

struct WipeVariant {
    int dir = 0;   // 0..7, multiples of 45 degrees from "to the right"
    int bands = 1; // blinds
    int mode = 0;  // 0 plain, 1 alternating, 2 split out, 3 split in, 4 interleaved,
                   // 5 and 6 staggered either way
};

const std::vector<WipeVariant>& wipeVariants()
{
    static const std::vector<WipeVariant> list = [] {
        static constexpr int bandCounts[10] = {1, 2, 3, 4, 6, 8, 10, 12, 16, 24};
        std::vector<WipeVariant> l;
        for (int d = 0; d < 8; ++d) // one front
            l.push_back({d, 1, 0});
        for (int b = 1; b < 10; ++b) // blinds
            for (int d = 0; d < 8; ++d)
                l.push_back({d, bandCounts[b], 0});
        // Alternating bands and split bands are their own mirror images under
        // a half turn: four directions give all of them. An even number of
        // alternating bands closes in pairs, which is a split of half as many.
        for (int b : {3, 5, 7})
            for (int d = 0; d < 4; ++d)
                l.push_back({d, b, 1});
        for (int mode : {2, 3})
            for (int b = 0; b < 10; ++b)
                for (int d = 0; d < 4; ++d)
                    l.push_back({d, bandCounts[b], mode});
        // With one band, interleaving and staggering are a plain wipe; with
        // more than four, staggered strips make one slanted front.
        for (int b = 1; b < 10; ++b)
            for (int d = 0; d < 8; ++d)
                l.push_back({d, bandCounts[b], 4});
        for (int mode : {5, 6})
            for (int b : {2, 3, 4})
                for (int d = 0; d < 8; ++d)
                    l.push_back({d, b, mode});
        return l;
    }();
    return list;
}

struct IrisVariant {
    int shape = 0; // circle, box, diamond, cross, star, ellipse
    bool inward = false;
    int anchor = 0;
    int rings = 1;
};

const std::vector<IrisVariant>& irisVariants()
{
    static const std::vector<IrisVariant> list = [] {
        std::vector<IrisVariant> l;
        for (int r = 0; r < 54; ++r)
            for (int shape = 0; shape < 6; ++shape) {
                const int a = (r / 2) % 9;
                // A diamond from a corner is a diagonal wipe (or blinds).
                if (shape == 2 && isCorner(a))
                    continue;
                l.push_back({shape, r % 2 == 1, a, 1 + (r / 18) % 3});
            }
        return l;
    }();
    return list;
}

struct ClockVariant {
    int blades = 1;
    int sense = 0; // clockwise, counter-clockwise, fan (both ways from the start)
    int anchor = 0;
    int start = 0; // quarter turns, at the centre only
};

const std::vector<ClockVariant>& clockVariants()
{
    static const std::vector<ClockVariant> list = [] {
        static constexpr int bladeCounts[6] = {1, 2, 3, 4, 6, 8};
        std::vector<ClockVariant> l;
        // At the centre a start angle only counts where it does not turn the
        // blades onto themselves (a quarter turn with four or eight blades).
        for (int sense = 0; sense < 3; ++sense)
            for (int start = 0; start < 4; ++start)
                for (int b : bladeCounts) {
                    bool seen = false;
                    for (int earlier = 0; earlier < start; ++earlier)
                        seen = seen || (start - earlier) * b % 4 == 0;
                    if (!seen)
                        l.push_back({b, sense, 0, start});
                }
        // Off the centre the picture spans only part of a turn: the sweep runs
        // over that sector as one wedge.
        for (int a = 1; a < 9; ++a)
            for (int sense = 0; sense < 3; ++sense)
                for (int b : bladeCounts)
                    l.push_back({b, sense, a, 0});
        return l;
    }();
    return list;
}

// Mixed-radix decoding: digits[i] in 0..radix[i]-1, the first changing fastest.
template <size_t N> std::array<int, N> digits(int v, const std::array<int, N>& radix)
{
    std::array<int, N> d{};
    for (size_t i = 0; i < N; ++i) {
        d[i] = v % radix[i];
        v /= radix[i];
    }
    return d;
}

double frac(double v)
{
    return v - std::floor(v);
}

quint32 hash3(quint32 x, quint32 y, quint32 seed)
{
    quint32 h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

// atan2 to about 1e-5 radians (0.02 pixels at 2000 pixels from the centre),
// several times cheaper than the library's: the clock fields call it per pixel.
double fastAtan2(double y, double x)
{
    const double ax = std::abs(x), ay = std::abs(y);
    if (ax == 0 && ay == 0)
        return 0;
    const bool swap = ay > ax;
    const double z = swap ? ax / ay : ay / ax;
    const double z2 = z * z;
    double a =
        z * (0.9998660 + z2 * (-0.3302995 + z2 * (0.1801410 + z2 * (-0.0851330 + z2 * 0.0208351))));
    if (swap)
        a = kPi / 2 - a;
    if (x < 0)
        a = kPi - a;
    return y < 0 ? -a : a;
}

// Turns clockwise from 12 o'clock, in [0, 1).
double turnsAround(double dx, double dy)
{
    return frac(fastAtan2(dx, -dy) / (2 * kPi));
}

double easeCurve(int kind, double t)
{
    switch (kind) {
    case 1: // smooth start and end
        return t * t * (3 - 2 * t);
    case 2: // fast start, gentle landing
        return 1 - (1 - t) * (1 - t) * (1 - t);
    case 3: // gentle start
        return t * t * t;
    default:
        return t;
    }
}

double smoothstep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Shape distances for the iris, on coordinates normalised to the short side.
double shapeDistance(int shape, double dx, double dy, double aspect)
{
    const double ax = std::abs(dx), ay = std::abs(dy);
    switch (shape) {
    case 0: // circle
        return std::sqrt(dx * dx + dy * dy);
    case 1: // box
        return std::max(ax, ay);
    case 2: // diamond
        return ax + ay;
    case 3: // cross: arms first
        return std::min(ax, ay) * 2.5 + std::max(ax, ay) * 0.35;
    case 4: { // four-pointed star
        const double s = std::sqrt(ax) + std::sqrt(ay);
        return s * s;
    }
    default: // ellipse with the picture's proportions
        return std::sqrt((dx / aspect) * (dx / aspect) + dy * dy);
    }
}

// Largest shape distance from c over the picture (its border, corners included).
double maxShapeDistance(int shape, QPointF c, double W, double H, double unit, double aspect)
{
    double maxD = 1e-9;
    for (int i = 0; i <= 64; ++i) {
        const double t = i / 64.0;
        for (QPointF pt :
             {QPointF(t * W, 0), QPointF(t * W, H), QPointF(0, t * H), QPointF(W, t * H)})
            maxD = std::max(maxD, shapeDistance(shape, (pt.x() - c.x()) / unit,
                                                (pt.y() - c.y()) / unit, aspect));
    }
    return maxD;
}

// The order in which blocks of a cols x rows grid appear, 0 .. n-1.
std::vector<int> blockOrder(int pattern, int cols, int rows, bool flipX, bool flipY)
{
    const int n = cols * rows;
    std::vector<int> order(size_t(n), 0);
    auto at = [&](int c, int r) -> int& {
        if (flipX)
            c = cols - 1 - c;
        if (flipY)
            r = rows - 1 - r;
        return order[size_t(r * cols + c)];
    };
    auto byKey = [&](auto key) {
        std::vector<std::pair<double, int>> cells;
        for (int y = 0; y < rows; ++y)
            for (int c = 0; c < cols; ++c)
                cells.push_back({key(c, y), y * cols + c});
        std::stable_sort(cells.begin(), cells.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (int k = 0; k < n; ++k)
            at(cells[size_t(k)].second % cols, cells[size_t(k)].second / cols) = k;
    };
    switch (pattern) {
    case 0:   // spiral inwards
    case 1: { // spiral outwards
        int l = 0, t = 0, r = cols - 1, b = rows - 1, k = 0;
        while (l <= r && t <= b) {
            for (int c = l; c <= r; ++c)
                at(c, t) = k++;
            for (int y = t + 1; y <= b; ++y)
                at(r, y) = k++;
            if (t < b)
                for (int c = r - 1; c >= l; --c)
                    at(c, b) = k++;
            if (l < r)
                for (int y = b - 1; y > t; --y)
                    at(l, y) = k++;
            ++l, ++t, --r, --b;
        }
        if (pattern == 1)
            for (int& v : order)
                v = n - 1 - v;
        break;
    }
    case 2: // snake along rows
        for (int y = 0, k = 0; y < rows; ++y)
            for (int i = 0; i < cols; ++i)
                at(y % 2 ? cols - 1 - i : i, y) = k++;
        break;
    case 3: // snake along columns
        for (int c = 0, k = 0; c < cols; ++c)
            for (int i = 0; i < rows; ++i)
                at(c, c % 2 ? rows - 1 - i : i) = k++;
        break;
    case 4: { // diagonal staircase
        int k = 0;
        for (int d = 0; d < cols + rows - 1; ++d)
            for (int c = 0; c < cols; ++c) {
                const int y = d - c;
                if (y >= 0 && y < rows)
                    at(c, y) = k++;
            }
        break;
    }
    case 5: { // checkerboard: the black squares row by row, then the white ones
        int k = 0;
        for (int phase = 0; phase < 2; ++phase)
            for (int y = 0; y < rows; ++y)
                for (int c = 0; c < cols; ++c)
                    if ((c + y) % 2 == phase)
                        at(c, y) = k++;
        break;
    }
    case 6: // random
        byKey([](int c, int y) { return double(hash3(quint32(c), quint32(y), 7006)); });
        break;
    default: // columns from the middle outwards, alternately left and right
        byKey([&](int c, int y) {
            const double dx = c + 0.5 - cols / 2.0;
            return std::floor(std::abs(dx)) * 2 + (dx < 0) + y * 0.5 / rows;
        });
        break;
    }
    return order;
}

// ---------------------------------------------------------------------------
// What a paint needs that depends only on (code, grain, size): a reveal field,
// a displacement map or a block order. Shared between paints through a cache.

struct Prepared {
    // Reveal field: per pixel, when it turns new, 0..65535.
    std::vector<quint16> field;
    double spanPixels = 256; // pixels over which the field runs 0 -> 1 (wand, anti-aliasing)
    double softness = 0;     // share of the field a soft front spans (0 = a pixel or so)
    int cell = 1;            // pixels per side of the cells the field was evaluated on
    // Displacement map: per pixel its distance from the ripple's centre, an
    // index into the frame's displacement table (empty for waves, whose
    // index is the row or column).
    std::vector<quint16> phase;
    int phaseCount = 0;
    // Block order for the pixelate family: per cell of cellPixels, 0..1.
    std::vector<float> cellTime;
    int cellW = 0, cellH = 0, cols = 0;
};

// Builds the reveal field of a reveal code or a soft fade.
void buildField(Prepared& field, const EffectInfo& info, int grain, QSize size)
{
    const int w = size.width(), h = size.height();
    const double W = w, H = h;
    const double shortSide = std::max(1, std::min(w, h));
    const double diagonal = std::hypot(W, H);
    const int v = info.variant;
    int cell = std::max(1, grain);
    bool noise = false; // a random field: its cells need no anti-aliasing
    std::function<double(double, double)> f; // of a pixel (cell) centre
    std::vector<int> order;
    int cols = 0, rows = 0;

    switch (info.family) {
    case EffectFamily::Wipe: {
        const WipeVariant wv = wipeVariants()[size_t(v) % wipeVariants().size()];
        const int bands = wv.bands, mode = wv.mode;
        const double angle = wv.dir * kPi / 4;
        const double ux = std::cos(angle), uy = std::sin(angle);
        // projection range over the corners
        const double p0 = std::min({0.0, ux * W, uy * H, ux * W + uy * H});
        const double p1 = std::max({0.0, ux * W, uy * H, ux * W + uy * H});
        const double vx = -uy, vy = ux;
        const double q0 = std::min({0.0, vx * W, vy * H, vx * W + vy * H});
        const double q1 = std::max({0.0, vx * W, vy * H, vx * W + vy * H});
        field.spanPixels = (p1 - p0) / (mode >= 4 ? 1 : mode == 2 || mode == 3 ? 2 * bands : bands);
        f = [=](double x, double y) {
            const double s = (ux * x + uy * y - p0) / (p1 - p0);
            const double q = (vx * x + vy * y - q0) / (q1 - q0);
            const double sb = std::min(s * bands, bands - 1e-9);
            const int i = int(sb);
            const double t = sb - i;
            const int j = std::min(bands - 1, int(q * bands));
            switch (mode) {
            case 1:
                return i % 2 ? 1 - t : t;
            case 2:
                return std::abs(t - 0.5) * 2;
            case 3:
                return 1 - std::abs(t - 0.5) * 2;
            case 4:
                return s * 0.6 + (j % 2) * 0.4;
            case 5:
                return (s + 0.6 * j / bands) / 1.6;
            case 6:
                return (s + 0.6 * (bands - 1 - j) / bands) / 1.6;
            default:
                return t;
            }
        };
        break;
    }
    case EffectFamily::SoftWipe: {
        // Five softness steps, changing slowest within each group; groups:
        // slanted fronts (8), ellipses from nine points out and in (18), split
        // along four axes out and in (8), box and diamond out and in (4),
        // slanted soft blinds of three and five bands (16).
        static constexpr double softness[5] = {0.12, 0.25, 0.4, 0.6, 0.85};
        int k = v;
        int group = 0;
        for (int size : {40, 90, 40, 20, 80}) {
            if (k < size)
                break;
            k -= size;
            ++group;
        }
        static constexpr int perSoftOf[5] = {8, 18, 8, 4, 16};
        const int perSoft = perSoftOf[std::min(group, 4)];
        field.softness = softness[(k / perSoft) % 5];
        const int i = k % perSoft;
        if (group == 0 || group == 2 || group == 4) {
            const double angle =
                group == 2 ? (i % 4) * kPi / 4 : (2 * (i % 8) + 1) * kPi / 8; // axes / slanted
            const double ux = std::cos(angle), uy = std::sin(angle);
            const double p0 = std::min({0.0, ux * W, uy * H, ux * W + uy * H});
            const double p1 = std::max({0.0, ux * W, uy * H, ux * W + uy * H});
            const int bands = group == 4 ? (i < 8 ? 3 : 5) : 1;
            field.spanPixels = (p1 - p0) / bands;
            const bool split = group == 2, inward = i >= 4;
            f = [=](double x, double y) {
                const double s = (ux * x + uy * y - p0) / (p1 - p0);
                if (bands > 1)
                    return frac(std::min(s, 1 - 1e-9) * bands);
                if (!split)
                    return s;
                const double d = std::abs(s - 0.5) * 2;
                return inward ? 1 - d : d;
            };
        } else {
            const int shape = group == 1 ? 5 : (i % 2 ? 2 : 1);
            const bool inward = group == 1 ? i >= 9 : i >= 2;
            const QPointF c = group == 1 ? anchor(i % 9, W, H) : QPointF(W / 2, H / 2);
            const double aspect = W / std::max(1.0, H);
            const double maxD = maxShapeDistance(shape, c, W, H, shortSide, aspect);
            field.spanPixels = maxD * shortSide;
            f = [=](double x, double y) {
                const double d = std::min(
                    shapeDistance(shape, (x - c.x()) / shortSide, (y - c.y()) / shortSide, aspect) /
                        maxD,
                    1.0);
                return inward ? 1 - d : d;
            };
        }
        break;
    }
    case EffectFamily::Dissolve: {
        static constexpr int sizes[10] = {1, 2, 3, 4, 6, 8, 12, 16, 24, 32};
        const int pattern = v % 3;
        cell = std::max(1, grain) * sizes[(v / 3) % 10];
        noise = true;
        const quint32 seed = quint32(4000 + v);
        const int c = cell;
        field.spanPixels = 255;
        field.softness = 1.0 / 48;
        f = [=](double x, double y) {
            const quint32 cx = quint32(x / c), cy = quint32(y / c);
            const quint32 hv = pattern == 0   ? hash3(cx, cy, seed)
                               : pattern == 1 ? hash3(0, cy, seed)
                                              : hash3(cx, 0, seed);
            return (hv >> 8) / double(1 << 24);
        };
        break;
    }
    case EffectFamily::Iris: {
        const IrisVariant iv = irisVariants()[size_t(v) % irisVariants().size()];
        const int shape = iv.shape, rings = iv.rings;
        const bool inward = iv.inward;
        const QPointF c = anchor(iv.anchor, W, H);
        const double aspect = W / std::max(1.0, H);
        const double maxD = maxShapeDistance(shape, c, W, H, shortSide, aspect);
        field.spanPixels = maxD * shortSide / rings;
        f = [=](double x, double y) {
            double d =
                shapeDistance(shape, (x - c.x()) / shortSide, (y - c.y()) / shortSide, aspect) /
                maxD;
            d = std::min(d, 1 - 1e-9);
            const double t = rings > 1 ? frac(d * rings) : d;
            return inward ? 1 - t : t;
        };
        break;
    }
    case EffectFamily::Clock: {
        const ClockVariant cv = clockVariants()[size_t(v) % clockVariants().size()];
        const int blades = cv.blades;
        const QPointF c = anchor(cv.anchor, W, H);
        const bool ccw = cv.sense == 1, fan = cv.sense == 2;
        auto turns = [c](double x, double y) { return turnsAround(x - c.x(), y - c.y()); };
        // From a point on the border the picture only spans part of a turn:
        // the sweep runs over that sector, from the end of the widest empty
        // gap, so that it takes the whole paint.
        double from = cv.start * 0.25; // 12, 3, 6, 9 o'clock at the centre
        double sector = 1.0;
        if (cv.anchor != 0) {
            std::vector<double> seen;
            for (int i = 0; i <= 32; ++i)
                for (int k = 0; k <= 32; ++k) {
                    const double x = W * i / 32.0, y = H * k / 32.0;
                    if (std::hypot(x - c.x(), y - c.y()) > 1e-6)
                        seen.push_back(turns(x, y));
                }
            std::sort(seen.begin(), seen.end());
            double gap = 1 - seen.back() + seen.front(), gapEnd = seen.front();
            for (size_t i = 1; i < seen.size(); ++i)
                if (seen[i] - seen[i - 1] > gap) {
                    gap = seen[i] - seen[i - 1];
                    gapEnd = seen[i];
                }
            from = gapEnd;
            sector = 1 - gap;
        }
        // The front's speed in pixels at a typical distance from the centre.
        field.spanPixels = 2 * kPi * 0.3 * diagonal * sector / blades / (fan ? 2 : 1);
        f = [=](double x, double y) {
            double a = std::min(frac(turns(x, y) - from) / sector, 1 - 1e-9);
            if (ccw)
                a = 1 - a - 1e-9;
            if (fan)
                a = 1 - std::abs(1 - 2 * a);
            return std::clamp(frac(a * blades), 0.0, 1 - 1e-9);
        };
        break;
    }
    case EffectFamily::Spiral: {
        // Three styles: a pointer turning around the centre, one ring
        // further each turn; the same very soft; the same on square rings.
        static constexpr double turnCounts[4] = {1, 2, 3, 5};
        const auto d = digits<5>(v, {2, 2, 4, 3, 3});
        const bool ccw = d[0], inward = d[1];
        const double rounds = turnCounts[d[2]];
        const int arms = 1 + d[3];
        const int style = d[4];
        field.softness = style == 1 ? 0.3 : 0;
        const double maxR = diagonal / 2;
        field.spanPixels = 2 * kPi * 0.3 * diagonal * (rounds + 1) / arms;
        f = [=](double x, double y) {
            const double rho =
                style == 2
                    ? std::min(std::max(std::abs(x - W / 2) / W, std::abs(y - H / 2) / H) * 2, 1.0)
                    : std::min(std::hypot(x - W / 2, y - H / 2) / maxR, 1.0);
            double a = turnsAround(x - W / 2, y - H / 2);
            if (ccw)
                a = 1 - a - 1e-9;
            a = frac(a * arms);
            const double t =
                std::clamp((std::floor(rho * rounds - a) + 1 + a) / (rounds + 1), 0.0, 1 - 1e-9);
            return inward ? 1 - 1e-9 - t : t;
        };
        break;
    }
    case EffectFamily::Swirl: {
        // Blades bent by the distance from the centre; three styles: sharp,
        // soft, and growing out of the hub as they turn.
        static constexpr int bladeCounts[5] = {1, 2, 3, 4, 6};
        static constexpr double twists[5] = {0.5, 1, 2, -0.75, -1.5};
        const auto d = digits<4>(v, {5, 2, 5, 3});
        const int blades = bladeCounts[d[0]];
        const bool ccw = d[1];
        const double twist = twists[d[2]];
        const int style = d[3];
        field.softness = style == 1 ? 0.35 : 0;
        const double maxR = diagonal / 2;
        field.spanPixels = 2 * kPi * 0.3 * diagonal / blades;
        f = [=](double x, double y) {
            const double rho = std::hypot(x - W / 2, y - H / 2) / maxR;
            double a = turnsAround(x - W / 2, y - H / 2);
            if (ccw)
                a = 1 - a;
            const double t = frac(blades * (a + twist * rho));
            return std::clamp(style == 2 ? 0.55 * t + 0.45 * std::min(rho, 1.0) : t, 0.0,
                              1 - 1e-9);
        };
        break;
    }
    case EffectFamily::Blocks: {
        // Cells as a fraction of the short side, so a grid looks the same on
        // every screen: 4 to 14 cells across it.
        static constexpr int divisions[4] = {4, 6, 9, 14};
        const auto d = digits<4>(v, {8, 4, 2, 2});
        cell = std::max({1, grain, int(shortSide) / divisions[d[1]]});
        cols = (w + cell - 1) / cell;
        rows = (h + cell - 1) / cell;
        order = blockOrder(d[0], cols, rows, d[2], d[3]);
        field.spanPixels = 255;
        field.softness = 1.0 / 48;
        break;
    }
    case EffectFamily::Wave: {
        const int dir = v % 4;
        const int r = v / 4;
        static constexpr double amps[3] = {0.15, 0.3, 0.5};
        static constexpr double freqs[3] = {1, 2, 4};
        const double amp = amps[r % 3], freq = freqs[(r / 3) % 3];
        const bool horizontal = dir < 2, reverse = dir % 2;
        field.spanPixels = (horizontal ? W : H) * (1 + amp);
        f = [=](double x, double y) {
            double s = horizontal ? x / W : y / H;
            const double q = horizontal ? y / H : x / W;
            if (reverse)
                s = 1 - s;
            const double wave = amp * (1 + std::sin(2 * kPi * freq * q)) / 2;
            return std::clamp((s + wave) / (1 + amp), 0.0, 1 - 1e-9);
        };
        break;
    }
    case EffectFamily::Fade: {
        static constexpr double softness[3] = {0.2, 0.4, 0.7};
        const int mode = v % 12;
        field.softness = softness[(v / 12) % 3];
        switch (mode) {
        case 1:
        case 9: // soft wipes right / left
            field.spanPixels = W;
            f = [=](double x, double) { return mode == 1 ? x / W : 1 - x / W; };
            break;
        case 3: // soft wipe down
            field.spanPixels = H;
            f = [=](double, double y) { return y / H; };
            break;
        case 5:
        case 10: { // soft iris out / in
            const double maxD = diagonal / 2;
            field.spanPixels = maxD;
            f = [=](double x, double y) {
                const double d = std::min(std::hypot(x - W / 2, y - H / 2) / maxD, 1.0);
                return mode == 5 ? d : 1 - d;
            };
            break;
        }
        case 7: // soft diagonal
            field.spanPixels = W + H;
            f = [=](double x, double y) { return (x + y) / (W + H); };
            break;
        case 6: { // dissolve through the wand colour, in cells of 1, 3 or 8
            static constexpr int cells[3] = {1, 3, 8};
            cell = std::max(1, grain) * cells[(v / 12) % 3];
            noise = true;
            field.softness = 1.0 / 32;
            field.spanPixels = 255;
            f = [=](double x, double y) {
                return (hash3(quint32(x / cell), quint32(y / cell), 16006) >> 8) /
                       double(1 << 24);
            };
            break;
        }
        case 2:
        case 4: // through black or white: the third variant dissolves
            if ((v / 12) % 3 != 2)
                return;
            field.softness = 1.0 / 32;
            field.spanPixels = 255;
            noise = true;
            f = [=](double x, double y) {
                return (hash3(quint32(x), quint32(y), 16000 + mode) >> 8) / double(1 << 24);
            };
            break;
        case 11: // soft clock
            field.spanPixels = 2 * kPi * 0.3 * diagonal;
            f = [=](double x, double y) { return turnsAround(x - W / 2, y - H / 2); };
            break;
        default: // plain fades and blur: no field
            return;
        }
        break;
    }
    default:
        return;
    }

    if (!order.empty()) {
        // Each block grows as a square out of its middle over a fifth of the
        // paint, in its turn: several grow at once, each its own shape.
        const double n = double(order.size());
        const int bc = cell;
        field.softness = 0;
        field.spanPixels = bc * 5.0;
        f = [=](double x, double y) {
            const int cx = int(x) / bc, cy = int(y) / bc;
            const double lx = (x - (cx + 0.5) * bc) / bc, ly = (y - (cy + 0.5) * bc) / bc;
            const double grow = std::min(std::max(std::abs(lx), std::abs(ly)) * 2, 1.0);
            return std::min(order[size_t(cy * cols + cx)] / n * 0.8 + grow * 0.2, 1 - 1e-9);
        };
        order.clear();
        cell = 1;
    }
    // Big screens are evaluated on 2x2 cells: a front blended over two
    // pixels cannot be told from one at 4K, and set-up costs a quarter.
    if (cell == 1 && qint64(w) * h > 2600000)
        cell = 2;
    field.cell = noise ? 1 : cell;
    // Evaluate per cell (a pixel unless EffectGrain says more), then spread
    // over the pixels.
    field.field.resize(size_t(w) * size_t(h));
    const int cw = (w + cell - 1) / cell, ch = (h + cell - 1) / cell;
    std::vector<quint16> row(static_cast<size_t>(cw));
    for (int cy = 0; cy < ch; ++cy) {
        for (int cx = 0; cx < cw; ++cx) {
            const double value =
                f(std::min(W - 0.5, (cx + 0.5) * cell), std::min(H - 0.5, (cy + 0.5) * cell));
            row[size_t(cx)] = quint16(std::clamp(int(value * 65536), 0, 65535));
        }
        const int y0 = cy * cell, y1 = std::min(h, y0 + cell);
        quint16* first = field.field.data() + size_t(y0) * size_t(w);
        if (cell == 1) {
            std::memcpy(first, row.data(), size_t(w) * 2);
        } else {
            for (int cx = 0, x = 0; cx < cw; ++cx)
                for (int k = 0; k < cell && x < w; ++k, ++x)
                    first[x] = row[size_t(cx)];
        }
        for (int y = y0 + 1; y < y1; ++y)
            std::memcpy(field.field.data() + size_t(y) * size_t(w), first, size_t(w) * 2);
    }
}

struct RippleVariant {
    int kind = 0; // 0 ripple, 1 rows wave, 2 columns wave, 3 shock ring
    int anchor = 0;
    double amplitude = 0.02; // of the short side
    double wavelength = 0.1; // of the short side (kind 3: ring width)
    bool reverse = false;
};

RippleVariant rippleVariant(int v)
{
    RippleVariant r;
    if (v < 36) { // ripples from nine points, two strengths, two wavelengths
        const auto d = digits<3>(v, {9, 2, 2});
        r.anchor = d[0];
        r.amplitude = d[1] ? 0.06 : 0.03;
        r.wavelength = d[2] ? 0.16 : 0.07;
        return r;
    }
    if (v < 72) { // waves across rows or columns
        const auto d = digits<4>(v - 36, {2, 3, 3, 2});
        r.kind = 1 + d[0];
        r.amplitude = 0.02 * (1 + d[1]);
        r.wavelength = 0.5 / (1 + d[2]);
        r.reverse = d[3];
        return r;
    }
    const auto d = digits<2>(v - 72, {9, 2}); // a shock ring running out of a point
    r.kind = 3;
    r.anchor = d[0];
    r.amplitude = 0.04;
    r.wavelength = d[1] ? 0.12 : 0.05;
    return r;
}

void buildDisplacement(Prepared& prep, const EffectInfo& info, QSize size)
{
    const int w = size.width(), h = size.height();
    const RippleVariant rv = rippleVariant(info.variant);
    if (rv.kind == 1 || rv.kind == 2) {
        prep.phaseCount = rv.kind == 1 ? h : w;
        return;
    }
    prep.phase.resize(size_t(w) * size_t(h));
    const QPointF c = anchor(rv.anchor, w, h);
    double maxR = 0;
    for (QPointF corner : {QPointF(0, 0), QPointF(w, 0), QPointF(0, h), QPointF(w, h)})
        maxR = std::max(maxR, std::hypot(corner.x() - c.x(), corner.y() - c.y()));
    prep.phaseCount = std::min(65535, int(maxR) + 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double r = std::hypot(x + 0.5 - c.x(), y + 0.5 - c.y());
            prep.phase[size_t(y) * size_t(w) + size_t(x)] =
                quint16(std::min(double(prep.phaseCount - 1), r));
        }
}

struct PixelateVariant {
    int order = 0; // 0 all at once, else a block order pattern + 1
    int division = 4;
    int shape = 0; // square, wide, tall
};

PixelateVariant pixelateVariant(int v)
{
    static constexpr int orders[8] = {-1, 6, 3, 2, 4, 5, 7, 1};
    static constexpr int divisions[6] = {6, 4, 8, 12, 16, 24};
    const auto d = digits<3>(v, {8, 6, 3});
    return {orders[d[0]] + 1, divisions[d[1]], d[2]};
}

void buildBlockTimes(Prepared& prep, const EffectInfo& info, QSize size)
{
    const PixelateVariant pv = pixelateVariant(info.variant);
    const int shortSide = std::max(1, std::min(size.width(), size.height()));
    const int b = std::max(2, shortSide / pv.division);
    prep.cellW = pv.shape == 1 ? 2 * b : b;
    prep.cellH = pv.shape == 2 ? 2 * b : b;
    const int cols = (size.width() + prep.cellW - 1) / prep.cellW;
    const int rows = (size.height() + prep.cellH - 1) / prep.cellH;
    prep.cols = cols;
    prep.cellTime.assign(size_t(cols) * size_t(rows), 0.5f);
    if (pv.order == 0)
        return;
    const std::vector<int> order = blockOrder(pv.order - 1, cols, rows, false, false);
    // Blocks turn new between 30% and 70% of the paint, while the mosaic is
    // coarse.
    for (size_t i = 0; i < order.size(); ++i)
        prep.cellTime[i] = float(0.3 + 0.4 * (order[i] + 0.5) / double(order.size()));
}

std::shared_ptr<const Prepared> buildPrepared(const EffectInfo& info, int grain, QSize size)
{
    auto prep = std::make_shared<Prepared>();
    switch (info.family) {
    case EffectFamily::Ripple:
        buildDisplacement(*prep, info, size);
        break;
    case EffectFamily::Pixelate:
        buildBlockTimes(*prep, info, size);
        break;
    default:
        buildField(*prep, info, grain, size);
        break;
    }
    return prep;
}

bool needsPrepared(EffectFamily family)
{
    switch (family) {
    case EffectFamily::None:
    case EffectFamily::Motion:
    case EffectFamily::Zoom:
    case EffectFamily::Rotate:
    case EffectFamily::Peel:
        return false;
    default:
        return true;
    }
}

// Prepared data is cached per (code, grain, size): a show reuses a handful.
// Two threads asking for the same entry at once both build it; the cache
// keeps one.
std::shared_ptr<const Prepared> cachedPrepared(int code, const EffectInfo& info, int grain,
                                               QSize size)
{
    using Key = std::tuple<int, int, int, int>;
    static std::mutex mutex;
    static std::list<std::pair<Key, std::shared_ptr<const Prepared>>> cache;
    const Key key{code, grain, size.width(), size.height()};
    {
        std::lock_guard lock(mutex);
        for (auto it = cache.begin(); it != cache.end(); ++it) {
            if (it->first == key) {
                cache.splice(cache.begin(), cache, it);
                return cache.front().second;
            }
        }
    }
    auto prep = buildPrepared(info, grain, size);
    std::lock_guard lock(mutex);
    cache.emplace_front(key, prep);
    while (cache.size() > 4)
        cache.pop_back();
    return prep;
}

// Copies `src` shifted by (dx, dy) onto `dst`, only inside `clip`.
void blit(QImage& dst, const QImage& src, int dx, int dy, const QRect& clip)
{
    const QRect target =
        clip.intersected(QRect(dx, dy, src.width(), src.height())).intersected(dst.rect());
    if (target.isEmpty())
        return;
    const size_t bytes = size_t(target.width()) * 4;
    for (int y = target.top(); y <= target.bottom(); ++y) {
        const auto* s =
            reinterpret_cast<const quint32*>(src.constScanLine(y - dy)) + (target.left() - dx);
        auto* d = reinterpret_cast<quint32*>(dst.scanLine(y)) + target.left();
        std::memcpy(d, s, bytes);
    }
}

// The same, leaving out `hole` (the part that a layer on top covers anyway).
void blitAround(QImage& dst, const QImage& src, int dx, int dy, const QRect& clip,
                const QRegion& hole)
{
    const QRegion rest = QRegion(clip).subtracted(hole);
    for (const QRect& r : rest)
        blit(dst, src, dx, dy, r);
}

void fillAround(QImage& dst, quint32 colour, const QRect& clip, const QRegion& hole)
{
    const QRegion rest = QRegion(clip).subtracted(hole).intersected(dst.rect());
    for (const QRect& r : rest)
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::fill_n(reinterpret_cast<quint32*>(dst.scanLine(y)) + r.left(), r.width(), colour);
}

// Where a layer drawn scaled by (sx, sy) and turned by `angle` about `pivot`
// takes each output pixel from: source = pivot + R(-angle)(out - pivot) / s,
// as 16.16 fixed point per row.
struct Placement {
    double a = 1, b = 0, c = 0, d = 0, e = 1, f = 0; // u = a x + b y + c, v = d x + e y + f
};

Placement placement(QPointF pivot, double sx, double sy, double angle)
{
    sx = std::max(sx, 1e-6);
    sy = std::max(sy, 1e-6);
    const double co = std::cos(angle), si = std::sin(angle);
    // R(-angle) = [co si; -si co]
    Placement p;
    p.a = co / sx;
    p.b = si / sx;
    p.d = -si / sy;
    p.e = co / sy;
    // pixel centres: out + 0.5 maps to source + 0.5
    const double ox = 0.5 - pivot.x(), oy = 0.5 - pivot.y();
    p.c = pivot.x() + p.a * ox + p.b * oy - 0.5;
    p.f = pivot.y() + p.d * ox + p.e * oy - 0.5;
    return p;
}

// The pixels [first, last) of row y whose source falls inside a layer of
// lw x lh, and the source position of x = first in 16.16 fixed point.
struct RowSpan {
    int first = 0, last = 0;
    qint64 u = 0, v = 0, du = 0, dv = 0;
};

RowSpan insideSpan(const Placement& p, int y, int w, int lw, int lh)
{
    constexpr double one = 65536.0;
    RowSpan r;
    r.du = std::llround(p.a * one);
    r.dv = std::llround(p.d * one);
    const qint64 u0 = std::llround((p.b * y + p.c + 0.5) * one);
    const qint64 v0 = std::llround((p.e * y + p.f + 0.5) * one);
    // Solve 0 <= s0 + x ds < n * one for x, then settle the ends exactly.
    double lo = 0, hi = w;
    auto limit = [&](qint64 s0, qint64 ds, int n) {
        const double end = double(n) * one;
        if (ds == 0) {
            if (s0 < 0 || double(s0) >= end)
                hi = lo;
            return;
        }
        double a = -double(s0) / double(ds), b = (end - double(s0)) / double(ds);
        if (a > b)
            std::swap(a, b);
        lo = std::max(lo, std::floor(a) - 1);
        hi = std::min(hi, std::ceil(b) + 1);
    };
    limit(u0, r.du, lw);
    limit(v0, r.dv, lh);
    int first = int(std::clamp(lo, 0.0, double(w))), last = int(std::clamp(hi, 0.0, double(w)));
    auto inside = [&](int x) {
        const qint64 ui = (u0 + x * r.du) >> 16, vi = (v0 + x * r.dv) >> 16;
        return ui >= 0 && ui < lw && vi >= 0 && vi < lh;
    };
    while (first < last && !inside(first))
        ++first;
    while (last > first && !inside(last - 1))
        --last;
    r.first = first;
    r.last = last;
    r.u = u0 + first * r.du;
    r.v = v0 + first * r.dv;
    return r;
}

// One row of a placed layer over `under`: out[x] = layer(source(x)) where the
// source falls inside the layer, else under[x].
void placedRow(const QImage& layer, const Placement& p, int y, const quint32* under, quint32* out,
               int w)
{
    const RowSpan r = insideSpan(p, y, w, layer.width(), layer.height());
    if (r.first > 0)
        std::memcpy(out, under, size_t(r.first) * 4);
    if (r.last < w)
        std::memcpy(out + r.last, under + r.last, size_t(w - r.last) * 4);
    kernels::gatherRow(reinterpret_cast<const quint32*>(layer.constBits()),
                       layer.bytesPerLine() / 4, r.u, r.v, r.du, r.dv, out + r.first,
                       r.last - r.first);
}

} // namespace

// ---------------------------------------------------------------------------

EffectInfo effectInfo(int code)
{
    for (const RangeEntry& e : kTable) {
        if (code >= e.first && code <= e.last)
            return {e.family, e.kind, code - e.first, e.name};
    }
    return {};
}

const std::vector<CodeRange>& randomPoolRanges()
{
    static const std::vector<CodeRange> ranges = [] {
        std::vector<CodeRange> r;
        for (const RangeEntry& e : kTable) {
            if (!r.empty() && r.back().last + 1 == e.first)
                r.back().last = e.last;
            else
                r.push_back({e.first, e.last});
        }
        return r;
    }();
    return ranges;
}

std::vector<int> randomPoolCodes()
{
    std::vector<int> codes;
    for (const CodeRange& r : randomPoolRanges())
        for (int c = r.first; c <= r.last; ++c)
            codes.push_back(c);
    return codes;
}

bool isPoolCode(int code)
{
    return effectInfo(code).family != EffectFamily::None;
}

int EffectParams::durationMs() const
{
    const int passes = std::clamp(maxPasses, 0, 10000);
    // A delay of 0 (or less) is the fastest pace, a step per millisecond:
    // stored by an old editor as "as fast as you can", it never meant "no
    // effect".
    const int delay = std::clamp(delayMs, 1, 10000);
    return int(std::min<qint64>(qint64(passes) * delay, 60000));
}

void applyTransparentColor(QImage& to, const QImage& from, const QColor& transparent)
{
    if (!transparent.isValid() || to.isNull() || to.size() != from.size())
        return;
    if (to.format() != QImage::Format_RGB32)
        to.convertTo(QImage::Format_RGB32);
    const QImage back = from.convertToFormat(QImage::Format_RGB32);
    const quint32 key = transparent.rgb() & 0x00ffffffu;
    for (int y = 0; y < to.height(); ++y) {
        auto* t = reinterpret_cast<quint32*>(to.scanLine(y));
        const auto* f = reinterpret_cast<const quint32*>(back.constScanLine(y));
        for (int x = 0; x < to.width(); ++x)
            if ((t[x] & 0x00ffffffu) == key)
                t[x] = f[x];
    }
}

QColor bgrToColor(qint64 value)
{
    if (value < 0)
        return {};
    const quint32 v = quint32(value);
    return QColor(int(v & 0xff), int((v >> 8) & 0xff), int((v >> 16) & 0xff));
}

qint64 colorToBgr(const QColor& c)
{
    if (!c.isValid())
        return -1;
    return qint64(c.red()) | (qint64(c.green()) << 8) | (qint64(c.blue()) << 16);
}

void prepareEffect(int code, const EffectParams& params, QSize size)
{
    const EffectInfo info = effectInfo(code);
    if (!needsPrepared(info.family) || size.isEmpty() || params.durationMs() <= 0)
        return;
    cachedPrepared(code, info, std::clamp(params.grain, 1, 256), size);
}

struct Transition::Impl {
    int code = 0;
    EffectParams params;
    QImage from;
    QImage to; // the target: transparent pixels already replaced by the old screen
    std::shared_ptr<const Prepared> prep;
    // field families
    qint32 band = 1; // field units over which a pixel blends from old to new
    qint32 wandUnits = 0;
    quint32 wand = 0xffffffffu;
    int ease = 0;
    // motion
    int motionKind = 0, dirX = 0, dirY = 0, strips = 1;
    bool alternate = false;
    // fade
    int fadeMode = 0;
    quint32 through = 0xff000000u;
    mutable QImage solid;                // `through` as a picture, for dissolving through it
    QImage fromBlur, toBlur;             // blur through
    // The frame last written by a field family without wand: a following
    // frame into the same, untouched buffer only rewrites what changed since.
    mutable qint64 lastKey = -1;
    mutable const uchar* lastBits = nullptr;
    mutable qint32 lastT = -1;

    void renderField(double p, QImage& out) const;
    void renderThrough(double p, QImage& out) const;
    void renderMotion(double p, QImage& out) const;
    void renderBlend(double p, QImage& out) const;
    void renderPlaced(double p, QImage& out) const;
    void renderPeel(double p, QImage& out) const;
    void renderRipple(double p, QImage& out) const;
    void renderPixelate(double p, QImage& out) const;
    int variant = 0;
    EffectFamily family = EffectFamily::None;
};

namespace {

QImage blurred(const QImage& img, int strength)
{
    const QSize small(std::max(1, img.width() / strength), std::max(1, img.height() / strength));
    return img.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .scaled(img.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

Transition::Transition(int code, const EffectParams& params, const QImage& from, const QImage& to)
    : m_d(std::make_unique<Impl>()), m_info(effectInfo(code))
{
    Impl& d = *m_d;
    d.code = code;
    d.params = params;
    d.to = to.convertToFormat(QImage::Format_RGB32);
    d.from = from.size() == to.size() ? from.convertToFormat(QImage::Format_RGB32)
                                      : QImage(to.size(), QImage::Format_RGB32);
    if (from.size() != to.size())
        d.from.fill(Qt::black);

    applyTransparentColor(d.to, d.from, params.transparentColor);
    if (d.to.isNull() || params.durationMs() <= 0)
        m_info = EffectInfo{};
    d.family = m_info.family;
    d.variant = m_info.variant;
    const int v = m_info.variant;
    const int grain = std::clamp(params.grain, 1, 256);
    if (needsPrepared(m_info.family))
        d.prep = cachedPrepared(code, m_info, grain, d.to.size());

    if (d.prep && !d.prep->field.empty()) {
        // Fronts blend over about a pixel (a cell with EffectGrain), soft
        // families over their share of the paint.
        const double unitsPerPixel = 65536.0 / std::max(1.0, d.prep->spanPixels);
        d.band = qint32(std::clamp(
            std::max(d.prep->softness * 65536.0, 1.2 * d.prep->cell * unitsPerPixel), 1.0,
            65536.0));
        if (params.wandSize > 0 && m_info.kind == EffectKind::Reveal) {
            d.wandUnits = qint32(std::clamp(params.wandSize * unitsPerPixel, 1.0, 32768.0));
            d.wand = params.wandColor.isValid() ? params.wandColor.rgb() : 0xffffffffu;
        }
    }

    switch (m_info.family) {
    case EffectFamily::Motion: {
        static constexpr int dx[8] = {1, -1, 0, 0, 1, -1, 1, -1};
        static constexpr int dy[8] = {0, 0, 1, -1, 1, 1, -1, -1};
        static constexpr int eases[3] = {1, 0, 2};
        const auto dg = digits<4>(v, {3, 8, 3, 3});
        d.motionKind = dg[0]; // slide in, push, uncover
        d.dirX = dx[dg[1]];
        d.dirY = dy[dg[1]];
        d.strips = dg[2] == 0 ? 1 : dg[2] == 1 ? 6 : 12;
        d.alternate = dg[2] == 2;
        d.ease = eases[dg[3]];
        break;
    }
    case EffectFamily::Fade: {
        d.fadeMode = v % 12;
        d.ease = (v / 12) % 3;
        const QColor wandColor = params.wandColor.isValid() ? params.wandColor : Qt::white;
        d.through = d.fadeMode == 2 ? 0xff000000u : d.fadeMode == 4 ? 0xffffffffu : wandColor.rgb();
        if (d.fadeMode == 8 && !d.to.isNull()) {
            static constexpr int strengths[3] = {4, 8, 16};
            const int s = strengths[(v / 12) % 3];
            d.fromBlur = blurred(d.from, s);
            d.toBlur = blurred(d.to, s);
        }
        break;
    }
    case EffectFamily::SoftWipe:
    case EffectFamily::Spiral:
    case EffectFamily::Swirl:
        d.ease = 0;
        break;
    default:
        break;
    }
}

Transition::~Transition() = default;

QSize Transition::size() const
{
    return m_d->to.size();
}

const QImage& Transition::source() const
{
    return m_d->from;
}

const QImage& Transition::target() const
{
    return m_d->to;
}

QImage Transition::frame(double progress) const
{
    QImage out;
    renderFrame(progress, out);
    return out;
}

void Transition::renderFrame(double progress, QImage& out) const
{
    const Impl& d = *m_d;
    if (out.size() != d.to.size() || out.format() != QImage::Format_RGB32)
        out = QImage(d.to.size(), QImage::Format_RGB32);
    if (out.isNull())
        return;
    double p = std::isnan(progress) ? 0.0 : std::clamp(progress, 0.0, 1.0);
    const int passes = std::max(1, d.params.maxPasses);
    p = std::floor(p * passes + 1e-9) / passes;
    const size_t bytes = size_t(out.sizeInBytes());
    if (m_info.kind == EffectKind::Instant || p >= 1.0) {
        std::memcpy(out.bits(), d.to.constBits(), bytes);
        d.lastT = -1;
        return;
    }
    if (p <= 0.0) {
        std::memcpy(out.bits(), d.from.constBits(), bytes);
        d.lastT = 0; // the old screen: nothing new yet
        d.lastKey = out.cacheKey();
        d.lastBits = out.constBits();
        return;
    }
    if (d.prep && !d.prep->field.empty()) {
        if (d.family == EffectFamily::Fade &&
            (d.fadeMode == 2 || d.fadeMode == 4 || d.fadeMode == 6))
            d.renderThrough(p, out);
        else
            d.renderField(p, out);
        return;
    }
    d.lastT = -1;
    switch (m_info.family) {
    case EffectFamily::Motion:
        d.renderMotion(p, out);
        break;
    case EffectFamily::Zoom:
    case EffectFamily::Rotate:
        d.renderPlaced(p, out);
        break;
    case EffectFamily::Peel:
        d.renderPeel(p, out);
        break;
    case EffectFamily::Ripple:
        d.renderRipple(p, out);
        break;
    case EffectFamily::Pixelate:
        d.renderPixelate(p, out);
        break;
    default:
        d.renderBlend(p, out);
        break;
    }
}

void Transition::Impl::renderField(double p, QImage& out) const
{
    // Before bits(): writing access changes the image's cache key.
    const bool sameBuffer = out.cacheKey() == lastKey && out.constBits() == lastBits;
    const size_t n = size_t(to.width()) * size_t(to.height());
    const auto* o = reinterpret_cast<const quint32*>(from.constBits());
    const auto* nw = reinterpret_cast<const quint32*>(to.constBits());
    auto* dst = reinterpret_cast<quint32*>(out.bits());
    const quint16* f = prep->field.data();
    const double e = easeCurve(ease, p);
    // The front runs from before the first pixel to past the last, band and
    // wand included, so that every moment strictly inside shows both.
    const qint32 span = 65536 + band + wandUnits;
    const qint32 t = std::clamp(qint32(std::lround(e * span)), 1, span);
    if (wandUnits == 0) {
        kernels::softSelect(o, nw, f, dst, n, t, band, sameBuffer && lastT >= 0 && t >= lastT ? lastT : -1);
        lastT = t;
        lastKey = out.cacheKey();
        lastBits = out.constBits();
        return;
    }
    lastT = -1;
    kernels::softSelectWand(o, nw, f, dst, n, t, band, wandUnits, wand);
}

// Fading or dissolving through a colour: old -> colour in the first half,
// colour -> new in the second.
void Transition::Impl::renderThrough(double p, QImage& out) const
{
    if (solid.size() != to.size()) {
        solid = QImage(to.size(), QImage::Format_RGB32);
        solid.fill(through);
    }
    const size_t n = size_t(to.width()) * size_t(to.height());
    const bool first = p < 0.5;
    const auto* a = reinterpret_cast<const quint32*>(first ? from.constBits() : solid.constBits());
    const auto* b = reinterpret_cast<const quint32*>(first ? solid.constBits() : to.constBits());
    const double local = first ? p * 2 : p * 2 - 1;
    const qint32 span = 65536 + band;
    const qint32 t = std::clamp(qint32(std::lround(local * span)), 1, span);
    kernels::softSelect(a, b, prep->field.data(), reinterpret_cast<quint32*>(out.bits()), n, t,
                        band, -1);
    lastT = -1;
}

void Transition::Impl::renderMotion(double p, QImage& out) const
{
    const int w = to.width(), h = to.height();
    const bool horizontalMove = dirX != 0;
    // Strips run across the motion: rows for sideways motion, columns for
    // vertical motion. Strip i starts later by `lag`.
    const int n = strips;
    const double lag = n > 1 ? 0.5 / (n - 1) : 0.0;
    for (int i = 0; i < n; ++i) {
        QRect clip;
        if (horizontalMove) {
            const int y0 = h * i / n, y1 = h * (i + 1) / n;
            clip = QRect(0, y0, w, y1 - y0);
        } else {
            const int x0 = w * i / n, x1 = w * (i + 1) / n;
            clip = QRect(x0, 0, x1 - x0, h);
        }
        if (clip.isEmpty())
            continue;
        const double local = n > 1 ? std::clamp((p - lag * i) / (1 - lag * (n - 1)), 0.0, 1.0) : p;
        const double e = easeCurve(ease, local);
        int sx = dirX, sy = dirY;
        if (alternate && i % 2) {
            sx = -sx;
            sy = -sy;
        }
        // New picture's offset: from one full size away to 0.
        const int nx = int(std::lround(sx * w * (1 - e)));
        const int ny = int(std::lround(sy * h * (1 - e)));
        // Each pixel is written once: layers underneath only where the
        // layers on top leave a gap.
        const QRect newRect(nx, ny, w, h);
        switch (motionKind) {
        case 0: // slide in over the old screen
            blitAround(out, from, 0, 0, clip, QRegion(newRect));
            blit(out, to, nx, ny, clip);
            break;
        case 1: { // push the old screen out
            const QRect oldRect(nx - sx * w, ny - sy * h, w, h);
            // Diagonally the two pictures leave two corners between them
            // uncovered: they are black, as behind a moving pair of pages.
            if (sx != 0 && sy != 0)
                fillAround(out, 0xff000000u, clip, QRegion(newRect).united(oldRect));
            blit(out, from, oldRect.x(), oldRect.y(), clip);
            blit(out, to, nx, ny, clip);
            break;
        }
        default: { // uncover: the old screen moves away
            const int ox = int(std::lround(-sx * w * e));
            const int oy = int(std::lround(-sy * h * e));
            blitAround(out, to, 0, 0, clip, QRegion(ox, oy, w, h));
            blit(out, from, ox, oy, clip);
            break;
        }
        }
    }
}

void Transition::Impl::renderBlend(double p, QImage& out) const
{
    const size_t n = size_t(to.width()) * size_t(to.height());
    const auto* o = reinterpret_cast<const quint32*>(from.constBits());
    const auto* nw = reinterpret_cast<const quint32*>(to.constBits());
    auto* dst = reinterpret_cast<quint32*>(out.bits());
    const double e = easeCurve(ease, p);
    auto blendK = [&](const quint32* a, const quint32* b, double k) {
        kernels::blendBytes(reinterpret_cast<const quint8*>(a), reinterpret_cast<const quint8*>(b),
                            reinterpret_cast<quint8*>(dst), n * 4,
                            unsigned(std::clamp(std::lround(k * 256), 1L, 255L)));
    };
    if (fadeMode == 8 && !fromBlur.isNull()) { // blur through
        const auto* ob = reinterpret_cast<const quint32*>(fromBlur.constBits());
        const auto* nb = reinterpret_cast<const quint32*>(toBlur.constBits());
        if (p < 0.4)
            blendK(o, ob, smoothstep(0, 0.4, p));
        else if (p < 0.6)
            blendK(ob, nb, (p - 0.4) / 0.2);
        else
            blendK(nb, nw, smoothstep(0.6, 1, p));
        return;
    }
    switch (fadeMode) {
    case 2:
    case 4:
    case 6: // through a colour
        if (e < 0.5)
            kernels::blendToColor(o, through, dst, n,
                                  unsigned(std::clamp(std::lround(e * 512), 1L, 256L)));
        else
            kernels::blendToColor(nw, through, dst, n,
                                  unsigned(std::clamp(std::lround((1 - e) * 512), 0L, 255L)));
        break;
    default:
        blendK(o, nw, e);
        break;
    }
}

// Zoom and rotation: one picture placed scaled and turned over the other.
void Transition::Impl::renderPlaced(double p, QImage& out) const
{
    const int w = to.width(), h = to.height();
    const double W = w, H = h;
    const int v = variant;
    const QPointF centre(W / 2, H / 2);
    const QImage* layer = &to;
    const QImage* under = &from;
    Placement place;
    const double e = easeCurve(1, p);
    if (family == EffectFamily::Zoom) {
        if (v < 27) {
            const int a = v % 9, mode = v / 9;
            const QPointF pivot = anchor(a, W, H);
            if (mode == 0) { // the new picture grows out of a point
                place = placement(pivot, e, e, 0);
            } else if (mode == 1) { // the old one shrinks into it
                layer = &from;
                under = &to;
                place = placement(pivot, 1 - e, 1 - e, 0);
            } else { // zoom through: the old one rushes in while the new one settles
                const Placement po = placement(pivot, 1 + 3 * e, 1 + 3 * e, 0);
                const Placement pn = placement(pivot, 1 + 3 * (1 - e), 1 + 3 * (1 - e), 0);
                const unsigned k = unsigned(std::clamp(std::lround(smoothstep(0.3, 0.7, p) * 256),
                                                       0L, 256L));
                // Outside the middle of the paint only one layer shows.
                std::vector<quint32> a1(static_cast<size_t>(w)), a2(static_cast<size_t>(w));
                for (int y = 0; y < h; ++y) {
                    const auto* ur = reinterpret_cast<const quint32*>(from.constScanLine(y));
                    auto* d = reinterpret_cast<quint32*>(out.scanLine(y));
                    if (k == 0 || k >= 256) {
                        placedRow(k ? to : from, k ? pn : po, y, ur, d, w);
                        continue;
                    }
                    placedRow(from, po, y, ur, a1.data(), w);
                    placedRow(to, pn, y, ur, a2.data(), w);
                    kernels::blendBytes(reinterpret_cast<const quint8*>(a1.data()),
                                        reinterpret_cast<const quint8*>(a2.data()),
                                        reinterpret_cast<quint8*>(d), size_t(w) * 4, k);
                }
                return;
            }
        } else { // stretch along one axis out of an edge or the middle
            const int k = v - 27;
            const int axisPoint = k % 3;
            const bool vertical = (k / 3) % 2;
            const bool shrinkOld = k >= 6;
            const double s = shrinkOld ? 1 - e : e;
            if (shrinkOld) {
                layer = &from;
                under = &to;
            }
            const QPointF pivot(vertical ? W / 2 : W * axisPoint / 2, vertical ? H * axisPoint / 2 : H / 2);
            place = placement(pivot, vertical ? 1 : s, vertical ? s : 1, 0);
        }
    } else { // Rotate
        const int group = v / 8, k = v % 8;
        static constexpr double turns[4] = {0.25, 0.5, 1, 2};
        if (group < 2) { // spin in or out about the centre
            const double sense = k % 2 ? -1 : 1;
            const double tt = turns[k / 2];
            if (group == 0) {
                place = placement(centre, e, e, sense * (1 - e) * tt * 2 * kPi);
            } else {
                layer = &from;
                under = &to;
                place = placement(centre, 1 - e, 1 - e, sense * e * tt * 2 * kPi);
            }
        } else { // swing around a corner like a door
            static constexpr int corners[4] = {1, 3, 5, 7};
            const QPointF pivot = anchor(corners[k % 4], W, H);
            const double sense = k / 4 ? -1 : 1;
            if (group == 2) {
                place = placement(pivot, 1, 1, sense * (1 - e) * kPi / 2);
            } else {
                layer = &from;
                under = &to;
                place = placement(pivot, 1, 1, sense * e * kPi / 2);
            }
        }
    }
    for (int y = 0; y < h; ++y)
        placedRow(*layer, place, y, reinterpret_cast<const quint32*>(under->constScanLine(y)),
                  reinterpret_cast<quint32*>(out.scanLine(y)), w);
}

// The old page lifts from an edge or a corner and folds back over itself:
// behind the fold the new picture, on the fold the page's back.
void Transition::Impl::renderPeel(double p, QImage& out) const
{
    const int w = to.width(), h = to.height();
    const double W = w, H = h;
    const int side = variant % 8, style = variant / 8;
    // Direction the fold travels (from the side that lifts into the picture).
    static constexpr int sx[8] = {-1, 0, 1, 0, -1, 1, 1, -1};
    static constexpr int sy[8] = {0, -1, 0, 1, -1, -1, 1, 1};
    double nx = sx[side], ny = sy[side];
    if (nx != 0 && ny != 0) { // corners fold along the picture's other diagonal
        nx *= H;
        ny *= W;
    }
    const double len = std::hypot(nx, ny);
    nx /= len;
    ny /= len;
    double lo = 1e300, hi = -1e300;
    for (QPointF c : {QPointF(0, 0), QPointF(W, 0), QPointF(0, H), QPointF(W, H)}) {
        lo = std::min(lo, nx * c.x() + ny * c.y());
        hi = std::max(hi, nx * c.x() + ny * c.y());
    }
    // The fold line at g = 0 moves from the lifting side to past the far
    // one; the folded flap is as wide as the part already lifted, so it
    // leaves the picture only at the end.
    const double e = easeCurve(1, p);
    const double L = lo + e * (hi - lo);
    const double shadow = std::max(4.0, 0.04 * std::min(W, H));
    static constexpr quint32 paper = 0xfff2eee4u;
    // The flap shows the page's point mirrored across the fold:
    // q = p + 2 (L - n.p) n, an affine map of the pixel.
    Placement mirror;
    mirror.a = 1 - 2 * nx * nx;
    mirror.b = -2 * nx * ny;
    mirror.d = -2 * nx * ny;
    mirror.e = 1 - 2 * ny * ny;
    mirror.c = 0.5 * mirror.a + 0.5 * mirror.b + 2 * L * nx - 0.5;
    mirror.f = 0.5 * mirror.d + 0.5 * mirror.e + 2 * L * ny - 0.5;
    const auto* fb = reinterpret_cast<const quint32*>(from.constBits());
    const qsizetype fs = from.bytesPerLine() / 4;
    for (int y = 0; y < h; ++y) {
        const auto* orow = reinterpret_cast<const quint32*>(from.constScanLine(y));
        const auto* nrow = reinterpret_cast<const quint32*>(to.constScanLine(y));
        auto* d = reinterpret_cast<quint32*>(out.scanLine(y));
        // g = L - n.p: >= 0 on the lifted side of the fold (the new picture
        // shows), < 0 on the page still lying flat.
        const double gy = L - (nx * 0.5 + ny * (y + 0.5));
        auto g = [&](int x) { return gy - nx * x; };
        // The lifted pixels form one run at one end of the row.
        int liftFirst = 0, liftLast = 0;
        if (std::abs(nx) < 1e-12) {
            liftLast = gy >= 0 ? w : 0;
        } else {
            const double edge = gy / nx; // g(edge) = 0
            int x0 = int(std::clamp(std::floor(edge), -1.0, double(w)));
            if (nx > 0) { // lifted for x <= edge
                while (x0 + 1 < w && x0 + 1 >= 0 && g(x0 + 1) >= 0)
                    ++x0;
                while (x0 >= 0 && g(x0) < 0)
                    --x0;
                liftFirst = 0;
                liftLast = std::clamp(x0 + 1, 0, w);
            } else { // lifted for x >= edge
                int x1 = std::clamp(x0, 0, w);
                while (x1 > 0 && g(x1 - 1) >= 0)
                    --x1;
                while (x1 < w && g(x1) < 0)
                    ++x1;
                liftFirst = x1;
                liftLast = w;
            }
        }
        if (liftLast > liftFirst) {
            std::memcpy(d + liftFirst, nrow + liftFirst, size_t(liftLast - liftFirst) * 4);
            // The flap's shadow on the new picture, next to the fold: where
            // 0 <= g < shadow, one run.
            int s0 = liftFirst, s1 = liftLast;
            if (std::abs(nx) >= 1e-12) {
                const double xa = (gy - shadow) / nx, xb = gy / nx;
                s0 = std::max(s0, int(std::floor(std::min(xa, xb))) - 1);
                s1 = std::min(s1, int(std::ceil(std::max(xa, xb))) + 2);
            }
            for (int x = s0; x < s1; ++x) {
                const double gx = g(x);
                if (gx >= 0 && gx < shadow)
                    d[x] = kernels::scaleRgb(nrow[x], unsigned(150 + 106 * gx / shadow));
            }
        }
        // The flat rest: the flap where the mirrored point is on the page.
        const int flatFirst = liftFirst > 0 ? 0 : liftLast;
        const int flatLast = liftFirst > 0 ? liftFirst : w;
        if (flatLast <= flatFirst)
            continue;
        RowSpan flap = insideSpan(mirror, y, w, w, h);
        const int a0 = std::max(flap.first, flatFirst), a1 = std::min(flap.last, flatLast);
        if (a1 <= a0) {
            std::memcpy(d + flatFirst, orow + flatFirst, size_t(flatLast - flatFirst) * 4);
            continue;
        }
        std::memcpy(d + flatFirst, orow + flatFirst, size_t(a0 - flatFirst) * 4);
        std::memcpy(d + a1, orow + a1, size_t(flatLast - a1) * 4);
        if (style == 2) {
            for (int x = a0; x < a1; ++x) // plain paper, lit towards the fold
                d[x] = kernels::scaleRgb(paper, unsigned(256 - 60 * std::min(1.0, -g(x) / shadow)));
            continue;
        }
        kernels::gatherRow(fb, fs, flap.u + (a0 - flap.first) * flap.du,
                           flap.v + (a0 - flap.first) * flap.dv, flap.du, flap.dv, d + a0, a1 - a0);
        if (style == 0) { // thin paper: the picture shows through its back
            for (int x = a0; x < a1; ++x)
                d[x] = kernels::mixRgb(d[x], paper, 180);
        } else { // glossy back: the picture mirrored, darker towards the fold
            for (int x = a0; x < a1; ++x)
                d[x] = kernels::scaleRgb(d[x], unsigned(140 + 90 * std::min(1.0, -g(x) / shadow)));
        }
    }
}

// The picture ripples or waves. A ripple or a shock ring runs out of its
// point carrying the new picture behind it (a soft circle inside the waves);
// waves across rows or columns cross-fade while the whole picture sways.
void Transition::Impl::renderRipple(double p, QImage& out) const
{
    const int w = to.width(), h = to.height();
    const RippleVariant rv = rippleVariant(variant);
    const double shortSide = std::max(1, std::min(w, h));
    const int count = prep->phaseCount;
    const double lambda = std::max(2.0, rv.wavelength * shortSide);
    const double amp = rv.amplitude * shortSide * std::sin(kPi * p);
    const bool radial = rv.kind == 0 || rv.kind == 3;
    const double soft = std::max(2.0, 0.08 * shortSide);
    // Radial kinds: the new picture's edge runs from the point to past the
    // farthest corner; the waves live in a band around it.
    const double reach = rv.kind == 3 ? p * (count + 2 * lambda) - lambda + soft / 2
                                      : p * (count + soft + 1.5 * lambda);
    const double inner = reach - soft - (rv.kind == 3 ? 0.75 * lambda : lambda);
    const double outer = reach + (rv.kind == 3 ? 0.75 * lambda : 0.5 * lambda);
    const unsigned fade = unsigned(std::clamp(std::lround(smoothstep(0.3, 0.7, p) * 256), 0L, 256L));
    std::vector<qint32> lut(static_cast<size_t>(count));
    std::vector<qint32> weight(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        double dsp;
        if (radial) {
            const double t = std::clamp((i - inner) / (outer - inner), 0.0, 1.0);
            const double window = std::sin(kPi * t) * std::sin(kPi * t);
            const double wave = rv.kind == 3
                                    ? std::sin(2 * kPi * (i - reach) / (2 * lambda)) * 2
                                    : std::sin(2 * kPi * (i / lambda - 1.3 * p));
            dsp = rv.amplitude * shortSide * window * wave;
            weight[size_t(i)] = qint32(std::clamp(std::lround((reach - i) / soft * 256), 0L, 256L));
        } else {
            dsp = amp * std::sin(2 * kPi * (i / lambda - (rv.reverse ? -1.3 : 1.3) * p));
            weight[size_t(i)] = qint32(fade);
        }
        lut[size_t(i)] = qint32(std::clamp(std::lround(dsp * 16), -32000L, 32000L));
    }
    const auto* o = reinterpret_cast<const quint32*>(from.constBits());
    const auto* n = reinterpret_cast<const quint32*>(to.constBits());
    auto* dst = reinterpret_cast<quint32*>(out.bits());
    // Radial kinds sample at c + (p - c) * (1 + lut / r): the table holds
    // lut / r per distance, so that the kernel needs no direction per pixel.
    std::vector<qint32> scale;
    int reachOut = 0; // pixels a radial sample may lie from its pixel
    if (radial) {
        scale.resize(lut.size());
        for (size_t i = 0; i < lut.size(); ++i) {
            scale[i] = qint32(std::lround(lut[i] / 16.0 / (double(i) + 0.5) * 65536));
            reachOut =
                std::max(reachOut, int(std::abs(qint64(scale[i]) * qint64(i + 1)) >> 16) + 2);
        }
    }
    const int c2x = int(std::lround(2 * anchor(rv.anchor, w, h).x()));
    const int c2y = int(std::lround(2 * anchor(rv.anchor, w, h).y()));
    if (rv.kind == 1) { // rows shifted sideways: a copy per row
        std::vector<quint32> a(static_cast<size_t>(w)), b(static_cast<size_t>(w));
        auto shifted = [w](const quint32* src, int s, quint32* d) {
            // d[x] = src[clamp(x + s)]
            const int first = std::clamp(-s, 0, w), last = std::clamp(w - s, 0, w);
            std::fill_n(d, first, src[std::clamp(first + s, 0, w - 1)]);
            if (last > first)
                std::memcpy(d + first, src + first + s, size_t(last - first) * 4);
            std::fill(d + std::max(first, last), d + w, src[w - 1]);
        };
        for (int y = 0; y < h; ++y) {
            const int s = int(std::lround(lut[size_t(y)] / 16.0));
            auto* d = dst + qsizetype(y) * w;
            if (fade == 0 || fade >= 256) {
                shifted((fade == 0 ? o : n) + qsizetype(y) * w, s, d);
                continue;
            }
            shifted(o + qsizetype(y) * w, s, a.data());
            shifted(n + qsizetype(y) * w, s, b.data());
            kernels::blendBytes(reinterpret_cast<const quint8*>(a.data()),
                                reinterpret_cast<const quint8*>(b.data()),
                                reinterpret_cast<quint8*>(d), size_t(w) * 4, fade);
        }
        return;
    }
    if (!radial) { // columns shifted up and down
        // Out of the cross-fade image m = mix(old, new, fade), whose pixels
        // do not depend on where they are shown, each pixel takes m from its
        // column's shifted row: one blend per pixel, then one fetch. The
        // frame is made in strips of columns from top to bottom, m row by
        // row just ahead of its use, so that the rows a strip samples stay
        // in the cache.
        constexpr int kStrip = 128;
        const bool blend = fade > 0 && fade < 256;
        const int stride = blend ? kStrip : w;
        std::vector<int> dyOf(static_cast<size_t>(w));
        std::vector<qint32> shift(static_cast<size_t>(w)), clamped(static_cast<size_t>(kStrip));
        int lo = 0, hi = 0;
        for (int x = 0; x < w; ++x) {
            dyOf[size_t(x)] = int(std::lround(lut[size_t(x)] / 16.0));
            lo = std::min(lo, dyOf[size_t(x)]);
            hi = std::max(hi, dyOf[size_t(x)]);
        }
        std::vector<quint32> mixed(blend ? size_t(kStrip) * size_t(h) : 0);
        for (int x0 = 0; x0 < w; x0 += kStrip) {
            const int sw = std::min(kStrip, w - x0);
            for (int i = 0; i < sw; ++i)
                shift[size_t(i)] = dyOf[size_t(x0 + i)] * stride + i;
            const quint32* src = blend ? mixed.data() : (fade == 0 ? o : n) + x0;
            int made = 0; // rows of m made for this strip
            for (int y = 0; y < h; ++y) {
                if (blend) {
                    for (const int last = std::min(h - 1, y + hi); made <= last; ++made) {
                        const qsizetype at = qsizetype(made) * w + x0;
                        kernels::blendBytes(
                            reinterpret_cast<const quint8*>(o + at),
                            reinterpret_cast<const quint8*>(n + at),
                            reinterpret_cast<quint8*>(mixed.data() + qsizetype(made) * kStrip),
                            size_t(sw) * 4, fade);
                    }
                } else if (const int ahead = y + hi + 4; ahead < h) {
                    kernels::prefetchRow(src + qsizetype(ahead) * w, sw);
                }
                const qint32* off = shift.data();
                if (y + lo < 0 || y + hi >= h) { // near the top or bottom: clamp
                    for (int i = 0; i < sw; ++i)
                        clamped[size_t(i)] =
                            (std::clamp(y + dyOf[size_t(x0 + i)], 0, h - 1) - y) * stride + i;
                    off = clamped.data();
                }
                kernels::gatherColumns(src + qsizetype(y) * stride, off,
                                       dst + qsizetype(y) * w + x0, sw);
            }
        }
        return;
    }
    // Radial: per row, nested chords of the circles around the centre. Out
    // to in: the old picture as it is, the old one displaced, both blended
    // across the soft edge, the new one displaced, the new one as it is.
    // Chords are rounded so that each pixel lands in a zone that paints it
    // exactly as the blended zone would.
    const QPointF c = anchor(rv.anchor, w, h);
    const double radii[4] = {outer + 1, reach + 2, reach - soft - 2, inner - 1};
    enum Zone { CopyOld, OldOnly, Blend, NewOnly, CopyNew };
    for (int y = 0; y < h; ++y) {
        auto* d = dst + qsizetype(y) * w;
        if (const int ahead = y + reachOut + 4; ahead < h) {
            const double ady = std::abs(ahead + 0.5 - c.y()) - reachOut;
            if (ady < outer + 1) {
                const double xo = std::sqrt(std::max(0.0, (outer + 1) * (outer + 1) - ady * ady));
                const int p0 = std::clamp(int(c.x() - xo) - reachOut - 16, 0, w);
                const int p1 = std::clamp(int(c.x() + xo) + reachOut + 16, p0, w);
                kernels::prefetchRow(o + qsizetype(ahead) * w + p0, p1 - p0);
                kernels::prefetchRow(n + qsizetype(ahead) * w + p0, p1 - p0);
            }
        }
        const double dy = y + 0.5 - c.y();
        // Chord k is [lk[k], rk[k]); the outer two rounded outwards (all
        // outside lie beyond the radius), the inner two inwards.
        int lk[4], rk[4];
        int left = 0, right = w;
        for (int k = 0; k < 4; ++k) {
            const double r = std::min(radii[k], k > 0 ? radii[k - 1] : radii[k]);
            int l = left, rr = left; // empty: a point inside the chord around it
            if (r > 0 && std::abs(dy) < r) {
                const double half = std::sqrt(r * r - dy * dy);
                if (k < 2) {
                    l = int(std::floor(c.x() - half)) - 1;
                    rr = int(std::ceil(c.x() + half)) + 1;
                } else {
                    l = int(std::ceil(c.x() - half)) + 1;
                    rr = int(std::floor(c.x() + half)) - 1;
                }
                l = std::clamp(l, left, right);
                rr = std::clamp(rr, l, right);
            }
            lk[k] = left = l;
            rk[k] = right = rr;
        }
        auto fill = [&](int zone, int x0, int x1) {
            if (x1 <= x0)
                return;
            if (zone == CopyOld || zone == CopyNew) {
                std::memcpy(d + x0, (zone == CopyOld ? o : n) + qsizetype(y) * w + x0,
                            size_t(x1 - x0) * 4);
                return;
            }
            const bool inside =
                y - reachOut >= 0 && y + reachOut < h && x0 - reachOut >= 0 && x1 + reachOut <= w;
            kernels::radialSpan(o, n, prep->phase.data(), scale.data(), weight.data(), dst, w, h, y,
                                x0, x1, c2x, c2y,
                                zone == OldOnly   ? 0
                                : zone == NewOnly ? 1
                                                  : 2,
                                inside);
        };
        fill(CopyOld, 0, lk[0]);
        for (int k = 0; k < 3; ++k)
            fill(k + 1, lk[k], lk[k + 1]);
        fill(CopyNew, lk[3], rk[3]);
        for (int k = 2; k >= 0; --k)
            fill(k + 1, rk[k + 1], rk[k]);
        fill(CopyOld, rk[0], w);
    }
}

// The mosaic coarsens to full blocks in the middle of the paint, its blocks
// turn new in their order meanwhile, then it sharpens on the new picture.
void Transition::Impl::renderPixelate(double p, QImage& out) const
{
    const int w = to.width(), h = to.height();
    const double tri = 1 - std::abs(1 - 2 * p);
    const int bw = std::max(1, int(std::lround(prep->cellW * tri)));
    const int bh = std::max(1, int(std::lround(prep->cellH * tri)));
    const int rowsOfCells = (h + prep->cellH - 1) / prep->cellH;
    for (int by = 0; by < h; by += bh) {
        const int sy = std::min(h - 1, by + bh / 2);
        const int cy = std::min(rowsOfCells - 1, sy / prep->cellH);
        auto* d = reinterpret_cast<quint32*>(out.scanLine(by));
        const auto* orow = reinterpret_cast<const quint32*>(from.constScanLine(sy));
        const auto* nrow = reinterpret_cast<const quint32*>(to.constScanLine(sy));
        const float* times = prep->cellTime.data() + size_t(cy) * size_t(prep->cols);
        for (int bx = 0; bx < w; bx += bw) {
            const int sx = std::min(w - 1, bx + bw / 2);
            const quint32 c = p >= times[sx / prep->cellW] ? nrow[sx] : orow[sx];
            std::fill_n(d + bx, std::min(bw, w - bx), c);
        }
        for (int y = by + 1; y < std::min(h, by + bh); ++y)
            std::memcpy(out.scanLine(y), d, size_t(w) * 4);
    }
}

} // namespace pictures
