#include "pictures/transitions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <tuple>

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

// The one table from code to family. The pool's ranges, nothing else.
constexpr RangeEntry kTable[] = {
    {2000, 2554, EffectFamily::Wipe, EffectKind::Reveal, "wipe"},
    {4000, 4029, EffectFamily::Dissolve, EffectKind::Reveal, "dissolve"},
    {5000, 5263, EffectFamily::Iris, EffectKind::Reveal, "iris"},
    {6000, 6525, EffectFamily::Clock, EffectKind::Reveal, "clock"},
    {7000, 7263, EffectFamily::Blocks, EffectKind::Reveal, "blocks"},
    {8000, 8259, EffectFamily::Motion, EffectKind::Motion, "motion"},
    {15000, 15035, EffectFamily::Wave, EffectKind::Reveal, "wave"},
    {16000, 16035, EffectFamily::Fade, EffectKind::Blend, "fade"},
};

// ---------------------------------------------------------------------------
// Reveal fields: f(x, y) in [0, 1) says when a pixel turns new. Each is
// evaluated at cell centres (cells of EffectGrain pixels or the family's
// block size), then stored as 0..254 per pixel.

struct FieldSpec {
    QSize size;
    int cell = 1;
    double spanPixels = 256; // pixels over which the field runs 0 -> 1 (for the wand)
};

// Centre of the nine anchor points: centre first, then clockwise from top-left.
QPointF anchor(int index, double w, double h)
{
    static constexpr double ax[9] = {0.5, 0, 0.5, 1, 1, 1, 0.5, 0, 0};
    static constexpr double ay[9] = {0.5, 0, 0, 0, 0.5, 1, 1, 1, 0.5};
    return {ax[index % 9] * w, ay[index % 9] * h};
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
// several times cheaper than the library's: the clock fields call it per cell.
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
    default: { // checkerboard: the black squares row by row, then the white ones
        int k = 0;
        for (int phase = 0; phase < 2; ++phase)
            for (int y = 0; y < rows; ++y)
                for (int c = 0; c < cols; ++c)
                    if ((c + y) % 2 == phase)
                        at(c, y) = k++;
        break;
    }
    }
    return order;
}

struct Field {
    std::vector<quint8> values; // per pixel, 0..254
    double spanPixels = 256;
};

// Builds the reveal field of a reveal or soft-blend code.
Field buildField(const EffectInfo& info, int grain, QSize size)
{
    const int w = size.width(), h = size.height();
    const double W = w, H = h;
    const double shortSide = std::max(1, std::min(w, h));
    const int v = info.variant;
    int cell = std::max(1, grain);
    Field field;
    std::function<double(double, double)> f; // of a cell centre in pixels
    std::vector<int> order;
    int cols = 0, rows = 0;

    switch (info.family) {
    case EffectFamily::Wipe: {
        static constexpr int bandCounts[10] = {1, 2, 3, 4, 6, 8, 10, 12, 16, 24};
        const int dir = v % 8;
        const int r = v / 8;
        const int bands = bandCounts[r % 10];
        const int mode = (r / 10) % 7;
        const double angle = dir * kPi / 4;
        const double ux = std::cos(angle), uy = std::sin(angle);
        // projection range over the corners
        const double p0 = std::min({0.0, ux * W, uy * H, ux * W + uy * H});
        const double p1 = std::max({0.0, ux * W, uy * H, ux * W + uy * H});
        const double vx = -uy, vy = ux;
        const double q0 = std::min({0.0, vx * W, vy * H, vx * W + vy * H});
        const double q1 = std::max({0.0, vx * W, vy * H, vx * W + vy * H});
        field.spanPixels = (p1 - p0) / (mode >= 4 ? 1 : bands);
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
    case EffectFamily::Dissolve: {
        static constexpr int sizes[10] = {1, 2, 3, 4, 6, 8, 12, 16, 24, 32};
        const int pattern = v % 3;
        cell = std::max(1, grain) * sizes[(v / 3) % 10];
        const quint32 seed = quint32(4000 + v);
        const int c = cell;
        field.spanPixels = 255;
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
        const int shape = v % 6;
        const int r = v / 6;
        const bool inward = r % 2;
        const QPointF c = anchor((r / 2) % 9, W, H);
        const int rings = 1 + (r / 18) % 3;
        const double aspect = W / std::max(1.0, H);
        double maxD = 1e-9;
        for (QPointF corner : {QPointF(0, 0), QPointF(W, 0), QPointF(0, H), QPointF(W, H)})
            maxD = std::max(maxD, shapeDistance(shape, (corner.x() - c.x()) / shortSide,
                                                (corner.y() - c.y()) / shortSide, aspect));
        // The cross and the star reach their far corners last along the
        // diagonals; sample the border too so the field never passes 1.
        for (int i = 0; i <= 64; ++i) {
            const double t = i / 64.0;
            for (QPointF pt :
                 {QPointF(t * W, 0), QPointF(t * W, H), QPointF(0, t * H), QPointF(W, t * H)})
                maxD = std::max(maxD, shapeDistance(shape, (pt.x() - c.x()) / shortSide,
                                                    (pt.y() - c.y()) / shortSide, aspect));
        }
        field.spanPixels = maxD * shortSide / rings;
        f = [=](double x, double y) {
            double d =
                shapeDistance(shape, (x - c.x()) / shortSide, (y - c.y()) / shortSide, aspect) /
                maxD;
            d = std::min(d, 1 - 1e-9);
            double t = rings > 1 ? frac(d * rings) : d;
            return inward ? 1 - t - 1e-9 : t;
        };
        break;
    }
    case EffectFamily::Clock: {
        static constexpr int bladeCounts[6] = {1, 2, 3, 4, 6, 8};
        const int blades = bladeCounts[v % 6];
        const int r = v / 6;
        const bool ccw = r % 2;
        const int anchorIndex = (r / 8) % 9;
        const QPointF c = anchor(anchorIndex, W, H);
        const bool fan = (r / 72) % 2;
        auto turns = [c](double x, double y) {
            return frac(fastAtan2(x - c.x(), -(y - c.y())) / (2 * kPi)); // clockwise from 12
        };
        // From a point on the border the picture only spans part of a turn:
        // the sweep runs over that sector, from the end of the widest empty
        // gap, so that it takes the whole paint.
        double from = ((r / 2) % 4) * 0.25; // 12, 3, 6, 9 o'clock at the centre
        double sector = 1.0;
        if (anchorIndex != 0) {
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
        field.spanPixels = (W + H) / 2 / blades;
        // Off the centre, the start index shifts the sweep's phase instead.
        const double phase = anchorIndex != 0 ? ((r / 2) % 4) * 0.25 : 0.0;
        f = [=](double x, double y) {
            double a = frac(std::min(frac(turns(x, y) - from) / sector, 1 - 1e-9) + phase);
            if (ccw)
                a = 1 - a - 1e-9;
            if (fan)
                a = 1 - std::abs(1 - 2 * a);
            return std::clamp(frac(a * blades), 0.0, 1 - 1e-9);
        };
        break;
    }
    case EffectFamily::Blocks: {
        // Cells as a fraction of the short side, so a grid looks the same on
        // every screen: 4 to 48 cells across it.
        static constexpr int divisions[11] = {4, 6, 8, 10, 12, 16, 20, 24, 32, 40, 48};
        const int pattern = v % 6;
        const int r = v / 6;
        cell = std::max({1, grain, int(shortSide) / divisions[r % 11]});
        const bool flipX = (r / 11) % 2, flipY = (r / 22) % 2;
        cols = (w + cell - 1) / cell;
        rows = (h + cell - 1) / cell;
        order = blockOrder(pattern, cols, rows, flipX, flipY);
        field.spanPixels = 255;
        break;
    }
    case EffectFamily::Wave: {
        const int dir = v % 4;
        const int r = v / 4;
        static constexpr double amps[3] = {0.04, 0.08, 0.14};
        static constexpr double freqs[3] = {1, 2, 4};
        const double amp = amps[r % 3], freq = freqs[(r / 3) % 3];
        const bool horizontal = dir < 2, reverse = dir % 2;
        field.spanPixels = horizontal ? W : H;
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
        const int mode = v % 12;
        switch (mode) {
        case 1:
        case 9: // soft wipes right / left
            field.spanPixels = W;
            f = [=](double x, double) { return mode == 1 ? x / W : 1 - x / W - 1e-9; };
            break;
        case 3: // soft wipe down
            field.spanPixels = H;
            f = [=](double, double y) { return y / H; };
            break;
        case 5:
        case 10: { // soft iris out / in
            const double maxD = std::sqrt(W * W + H * H) / 2;
            field.spanPixels = maxD;
            f = [=](double x, double y) {
                const double d = std::min(std::hypot(x - W / 2, y - H / 2) / maxD, 1 - 1e-9);
                return mode == 5 ? d : 1 - d - 1e-9;
            };
            break;
        }
        case 7: // soft diagonal
            field.spanPixels = W + H;
            f = [=](double x, double y) { return (x + y) / (W + H); };
            break;
        case 8: // soft dissolve in blocks of 8
            cell = std::max(1, grain) * 8;
            field.spanPixels = 255;
            f = [=](double x, double y) {
                return (hash3(quint32(x / cell), quint32(y / cell), 16008) >> 8) / double(1 << 24);
            };
            break;
        case 11: // soft clock
            field.spanPixels = W;
            f = [=](double x, double y) {
                return frac(fastAtan2(x - W / 2, -(y - H / 2)) / (2 * kPi));
            };
            break;
        default: // plain fades: no field
            return field;
        }
        break;
    }
    default:
        return field;
    }

    // Smooth fronts of big screens are evaluated on 2x2 cells: a two-pixel
    // step on a moving front cannot be seen at 4K, and set-up costs a quarter.
    if (order.empty() && cell == 1 && qint64(w) * h > 2600000)
        cell = 2;
    // Evaluate per cell, then spread over the pixels.
    field.values.resize(size_t(w) * size_t(h));
    const int cw = (w + cell - 1) / cell, ch = (h + cell - 1) / cell;
    std::vector<quint8> row(static_cast<size_t>(cw));
    const double n = order.empty() ? 0 : double(order.size());
    for (int cy = 0; cy < ch; ++cy) {
        for (int cx = 0; cx < cw; ++cx) {
            double value;
            if (!order.empty())
                value = order[size_t(cy * cols + cx)] / n;
            else
                value =
                    f(std::min(W - 0.5, (cx + 0.5) * cell), std::min(H - 0.5, (cy + 0.5) * cell));
            row[size_t(cx)] = quint8(std::clamp(int(value * 255), 0, 254));
        }
        const int y0 = cy * cell, y1 = std::min(h, y0 + cell);
        quint8* first = field.values.data() + size_t(y0) * size_t(w);
        if (cell == 1) {
            std::memcpy(first, row.data(), size_t(w));
        } else {
            for (int cx = 0, x = 0; cx < cw; ++cx)
                for (int k = 0; k < cell && x < w; ++k, ++x)
                    first[x] = row[size_t(cx)];
        }
        for (int y = y0 + 1; y < y1; ++y)
            std::memcpy(field.values.data() + size_t(y) * size_t(w), first, size_t(w));
    }
    return field;
}

// Fields are cached per (code, grain, size): a show reuses a handful of them.
std::shared_ptr<const Field> cachedField(int code, const EffectInfo& info, int grain, QSize size)
{
    using Key = std::tuple<int, int, int, int>;
    static std::mutex mutex;
    static std::list<std::pair<Key, std::shared_ptr<const Field>>> cache;
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
    auto field = std::make_shared<const Field>(buildField(info, grain, size));
    std::lock_guard lock(mutex);
    cache.emplace_front(key, field);
    while (cache.size() > 4)
        cache.pop_back();
    return field;
}

// ---------------------------------------------------------------------------
// Frame kernels. Branch-free so that the compiler vectorises them (this file
// is built with -O3); each is also built for AVX2 and picked at run time.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define KELVRA_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define KELVRA_KERNEL
#endif

KELVRA_KERNEL void selectPixels(const quint32* __restrict oldp, const quint32* __restrict newp,
                                const quint8* __restrict field, quint32* __restrict out, size_t n,
                                quint8 t)
{
    for (size_t i = 0; i < n; ++i) {
        const quint32 m = 0u - quint32(field[i] < t);
        out[i] = (newp[i] & m) | (oldp[i] & ~m);
    }
}

KELVRA_KERNEL void selectPixelsWand(const quint32* __restrict oldp, const quint32* __restrict newp,
                                    const quint8* __restrict field, quint32* __restrict out,
                                    size_t n, quint8 tNew, quint8 t, quint32 wand)
{
    for (size_t i = 0; i < n; ++i) {
        const quint32 mNew = 0u - quint32(field[i] < tNew);
        const quint32 mAny = 0u - quint32(field[i] < t);
        out[i] = (newp[i] & mNew) | (wand & mAny & ~mNew) | (oldp[i] & ~mAny);
    }
}

// Brings a frame at threshold `lo` forward to `hi`: only pixels with
// lo <= field < hi turn new. Blocks without such pixels are not written,
// so a wipe's frame costs a read of the field plus its moving band.
KELVRA_KERNEL void revealSince(const quint32* __restrict newp, const quint8* __restrict field,
                               quint32* __restrict out, size_t n, quint8 lo, quint8 hi)
{
    const quint8 width = quint8(hi - lo);
    for (size_t b = 0; b < n; b += 64) {
        const size_t e = std::min(n, b + 64);
        unsigned any = 0;
        for (size_t i = b; i < e; ++i)
            any |= unsigned(quint8(field[i] - lo) < width);
        if (!any)
            continue;
        for (size_t i = b; i < e; ++i) {
            const quint32 m = 0u - quint32(quint8(field[i] - lo) < width);
            out[i] = (newp[i] & m) | (out[i] & ~m);
        }
    }
}

// out = a + (b - a) * k / 256 per byte, k in 0..256.
KELVRA_KERNEL void blendBytes(const quint8* __restrict a, const quint8* __restrict b,
                              quint8* __restrict out, size_t n, unsigned k)
{
    const unsigned ik = 256 - k;
    for (size_t i = 0; i < n; ++i)
        out[i] = quint8((a[i] * ik + b[i] * k) >> 8);
}

KELVRA_KERNEL void blendToColor(const quint32* __restrict a, quint32 color, quint32* __restrict out,
                                size_t n, unsigned k)
{
    const unsigned ik = 256 - k;
    const quint32 crb = (color & 0x00ff00ffu) * k, cag = ((color >> 8) & 0x00ff00ffu) * k;
    for (size_t i = 0; i < n; ++i) {
        const quint32 rb = (((a[i] & 0x00ff00ffu) * ik + crb) >> 8) & 0x00ff00ffu;
        const quint32 ag = ((((a[i] >> 8) & 0x00ff00ffu) * ik + cag)) & 0xff00ff00u;
        out[i] = rb | ag;
    }
}

// Per-pixel alpha k = clamp((front - field) * 256 / soft), in fixed point:
// front8 is the front in 1/256 field levels, recip = 65536 / soft.
KELVRA_KERNEL void blendByField(const quint32* __restrict a, const quint32* __restrict b,
                                const quint8* __restrict field, qint32 front8, qint32 recip,
                                quint32* __restrict out, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const qint32 d = ((front8 - (qint32(field[i]) << 8)) * recip) >> 16;
        const quint32 k = quint32(std::clamp(d, 0, 256)), ik = 256 - k;
        const quint32 rb =
            (((a[i] & 0x00ff00ffu) * ik + (b[i] & 0x00ff00ffu) * k) >> 8) & 0x00ff00ffu;
        const quint32 ag =
            ((((a[i] >> 8) & 0x00ff00ffu) * ik + ((b[i] >> 8) & 0x00ff00ffu) * k)) & 0xff00ff00u;
        out[i] = rb | ag;
    }
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
        for (const RangeEntry& e : kTable)
            r.push_back({e.first, e.last});
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
    const int delay = std::clamp(delayMs, 0, 10000);
    return int(std::min<qint64>(qint64(passes) * delay, 60000));
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

struct Transition::Impl {
    int code = 0;
    EffectParams params;
    QImage from;
    QImage to; // the target: transparent pixels already replaced by the old screen
    std::shared_ptr<const Field> field;
    int wandLevels = 0;
    quint32 wand = 0xffffffffu;
    // motion
    int motionKind = 0, dirX = 0, dirY = 0, ease = 0, strips = 1;
    bool alternate = false;
    // fade
    int fadeMode = 0;
    int softLevels = 32;
    quint32 through = 0xff000000u;
    // The frame last written by a reveal without wand: a following frame
    // into the same, untouched buffer only rewrites what changed since.
    mutable qint64 lastKey = -1;
    mutable const uchar* lastBits = nullptr;
    mutable int lastT = -1;

    void renderReveal(double p, QImage& out) const;
    void renderMotion(double p, QImage& out) const;
    void renderBlend(double p, QImage& out) const;
};

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
    const int w = d.to.width(), h = d.to.height();

    if (params.transparentColor.isValid() && !d.to.isNull()) {
        const quint32 key = params.transparentColor.rgb() & 0x00ffffffu;
        for (int y = 0; y < h; ++y) {
            auto* t = reinterpret_cast<quint32*>(d.to.scanLine(y));
            const auto* f = reinterpret_cast<const quint32*>(d.from.constScanLine(y));
            for (int x = 0; x < w; ++x)
                if ((t[x] & 0x00ffffffu) == key)
                    t[x] = f[x];
        }
    }
    if (d.to.isNull() || params.durationMs() <= 0)
        m_info = EffectInfo{};

    const int v = m_info.variant;
    switch (m_info.kind) {
    case EffectKind::Reveal:
        d.field = cachedField(code, m_info, std::clamp(params.grain, 1, 256), d.to.size());
        if (params.wandSize > 0) {
            d.wandLevels = std::clamp(
                int(std::ceil(params.wandSize * 255.0 / std::max(1.0, d.field->spanPixels))), 1,
                128);
            d.wand = params.wandColor.isValid() ? params.wandColor.rgb() : 0xffffffffu;
        }
        break;
    case EffectKind::Motion: {
        static constexpr int dx[8] = {1, -1, 0, 0, 1, -1, 1, -1};
        static constexpr int dy[8] = {0, 0, 1, -1, 1, 1, -1, -1};
        d.motionKind = v % 3; // slide in, push, uncover
        const int r = v / 3;
        d.dirX = dx[r % 8];
        d.dirY = dy[r % 8];
        d.ease = (r / 8) % 4;
        const int stripKind = (r / 32) % 3;
        d.strips = stripKind == 0 ? 1 : stripKind == 1 ? 6 : 12;
        d.alternate = stripKind == 2;
        break;
    }
    case EffectKind::Blend: {
        d.fadeMode = v % 12;
        static constexpr int softness[3] = {24, 64, 160};
        d.softLevels = softness[(v / 12) % 3];
        d.ease = (v / 12) % 3;
        const QColor wandColor = params.wandColor.isValid() ? params.wandColor : Qt::white;
        d.through = d.fadeMode == 2 ? 0xff000000u : d.fadeMode == 4 ? 0xffffffffu : wandColor.rgb();
        d.field = cachedField(code, m_info, std::clamp(params.grain, 1, 256), d.to.size());
        break;
    }
    default:
        break;
    }
}

Transition::~Transition() = default;

QSize Transition::size() const
{
    return m_d->to.size();
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
    switch (m_info.kind) {
    case EffectKind::Reveal:
        d.renderReveal(p, out);
        break;
    case EffectKind::Motion:
        d.renderMotion(p, out);
        d.lastT = -1;
        break;
    case EffectKind::Blend:
        d.renderBlend(p, out);
        d.lastT = -1;
        break;
    default:
        break;
    }
}

void Transition::Impl::renderReveal(double p, QImage& out) const
{
    // Before bits(): writing access changes the image's cache key.
    const bool sameBuffer = out.cacheKey() == lastKey && out.constBits() == lastBits;
    const size_t n = size_t(to.width()) * size_t(to.height());
    const auto* o = reinterpret_cast<const quint32*>(from.constBits());
    const auto* nw = reinterpret_cast<const quint32*>(to.constBits());
    auto* dst = reinterpret_cast<quint32*>(out.bits());
    const quint8* f = field->values.data();
    if (wandLevels == 0) {
        const quint8 t = quint8(std::clamp(int(std::lround(p * 255)), 1, 255));
        if (sameBuffer && lastT >= 0 && t >= lastT)
            revealSince(nw, f, dst, n, quint8(lastT), t);
        else
            selectPixels(o, nw, f, dst, n, t);
        lastT = t;
        lastKey = out.cacheKey();
        lastBits = out.constBits();
        return;
    }
    // The wand runs ahead of the new picture: scale so that at the end the
    // band has passed every pixel.
    const int span = 255 + wandLevels;
    const int front = std::clamp(int(std::lround(p * span)), 1, span);
    const quint8 t = quint8(std::min(front, 255));
    const quint8 tNew = quint8(std::clamp(front - wandLevels, 0, 255));
    selectPixelsWand(o, nw, f, dst, n, tNew, t, wand);
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
            if (sx != 0 && sy != 0) // diagonal: the corners between show the new picture
                blitAround(out, to, 0, 0, clip, QRegion(newRect).united(oldRect));
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
    if (field && !field->values.empty()) {
        // Soft front: alpha ramps over softLevels levels of the field.
        const double front = e * (255.0 + softLevels);
        blendByField(o, nw, field->values.data(), qint32(std::lround(front * 256)),
                     qint32(65536 / softLevels), dst, n);
        return;
    }
    switch (fadeMode) {
    case 2:
    case 4:
    case 6: // through a colour
        if (e < 0.5)
            blendToColor(o, through, dst, n, unsigned(std::clamp(std::lround(e * 512), 1L, 256L)));
        else
            blendToColor(nw, through, dst, n,
                         unsigned(std::clamp(std::lround((1 - e) * 512), 0L, 255L)));
        break;
    default: {
        const unsigned k = unsigned(std::clamp(std::lround(e * 256), 1L, 255L));
        blendBytes(reinterpret_cast<const quint8*>(o), reinterpret_cast<const quint8*>(nw),
                   reinterpret_cast<quint8*>(dst), n * 4, k);
        break;
    }
    }
}

} // namespace pictures
