#include "pictures/effectkernels.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define KELVRA_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define KELVRA_KERNEL
#endif

namespace pictures::kernels {

namespace {

constexpr size_t kBlock = 64;

struct Range {
    quint16 lo, hi;
};

inline Range blockRange(const quint16* __restrict f, size_t b, size_t e)
{
    quint16 lo = 65535, hi = 0;
    for (size_t i = b; i < e; ++i) {
        lo = std::min(lo, f[i]);
        hi = std::max(hi, f[i]);
    }
    return {lo, hi};
}

} // namespace

KELVRA_KERNEL void softSelect(const quint32* __restrict a, const quint32* __restrict b,
                              const quint16* __restrict f, quint32* __restrict out, size_t n,
                              qint32 t, qint32 band, qint32 prevT)
{
    // k = d * 256 / band in fixed point; d <= band keeps the product in range.
    const qint32 recip = ((256 << 16) + band - 1) / band;
    for (size_t s = 0; s < n; s += kBlock) {
        const size_t e = std::min(n, s + kBlock);
        const Range r = blockRange(f, s, e);
        if (r.lo >= t) { // all old (and so before)
            if (prevT < 0)
                std::memcpy(out + s, a + s, (e - s) * 4);
            continue;
        }
        if (t - r.hi >= band) { // all new
            if (prevT < 0 || prevT - r.hi < band)
                std::memcpy(out + s, b + s, (e - s) * 4);
            continue;
        }
        for (size_t i = s; i < e; ++i) {
            const qint32 d = std::clamp(t - qint32(f[i]), 0, band);
            const quint32 k = quint32(std::min((d * recip) >> 16, 256));
            out[i] = mixRgb(a[i], b[i], k);
        }
    }
}

KELVRA_KERNEL void softSelectWand(const quint32* __restrict a, const quint32* __restrict b,
                                  const quint16* __restrict f, quint32* __restrict out, size_t n,
                                  qint32 t, qint32 band, qint32 wand, quint32 wandColour)
{
    const qint32 recip = ((256 << 16) + band - 1) / band;
    const qint32 tNew = t - wand;
    for (size_t s = 0; s < n; s += kBlock) {
        const size_t e = std::min(n, s + kBlock);
        const Range r = blockRange(f, s, e);
        if (r.lo >= t) {
            std::memcpy(out + s, a + s, (e - s) * 4);
            continue;
        }
        if (tNew - r.hi >= band) {
            std::memcpy(out + s, b + s, (e - s) * 4);
            continue;
        }
        for (size_t i = s; i < e; ++i) {
            const qint32 dw = std::clamp(t - qint32(f[i]), 0, band);
            const qint32 dn = std::clamp(tNew - qint32(f[i]), 0, band);
            const quint32 kw = quint32(std::min((dw * recip) >> 16, 256));
            const quint32 kn = quint32(std::min((dn * recip) >> 16, 256));
            out[i] = mixRgb(mixRgb(a[i], wandColour, kw), b[i], kn);
        }
    }
}

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

namespace {

// Pick 0: the old picture only, 1: the new one only, 2: both blended.
// Inlined into each clone of radialSpan.
template <int Pick, bool Inside>
inline void radialRun(const quint32* __restrict oldp, const quint32* __restrict newp,
                      const quint16* __restrict ph, const qint32* __restrict scale,
                      const qint32* __restrict weight, quint32* __restrict d, int w, int h, int y,
                      int x0, int x1, int c2x, int c2y)
{
    const qint32 dy2 = 2 * y + 1 - c2y;
    for (qint32 x = x0; x < x1; ++x) {
        const qint32 q = scale[ph[x]];
        qint32 sx = x + (((2 * x + 1 - c2x) * q) >> 17);
        qint32 sy = y + ((dy2 * q) >> 17);
        if constexpr (!Inside) {
            sx = std::clamp(sx, 0, w - 1);
            sy = std::clamp(sy, 0, h - 1);
        }
        const qint32 j = sy * w + sx;
        if constexpr (Pick == 0)
            d[x] = oldp[j];
        else if constexpr (Pick == 1)
            d[x] = newp[j];
        else
            d[x] = mixRgb(oldp[j], newp[j], quint32(weight[ph[x]]));
    }
}

template <bool Inside>
inline void radialRunOf(int pick, const quint32* oldp, const quint32* newp, const quint16* ph,
                        const qint32* scale, const qint32* weight, quint32* d, int w, int h, int y,
                        int x0, int x1, int c2x, int c2y)
{
    if (pick == 0)
        radialRun<0, Inside>(oldp, newp, ph, scale, weight, d, w, h, y, x0, x1, c2x, c2y);
    else if (pick == 1)
        radialRun<1, Inside>(oldp, newp, ph, scale, weight, d, w, h, y, x0, x1, c2x, c2y);
    else
        radialRun<2, Inside>(oldp, newp, ph, scale, weight, d, w, h, y, x0, x1, c2x, c2y);
}

} // namespace

KELVRA_KERNEL void radialSpan(const quint32* __restrict oldp, const quint32* __restrict newp,
                              const quint16* __restrict phase, const qint32* __restrict scale,
                              const qint32* __restrict weight, quint32* __restrict out, int w,
                              int h, int y, int x0, int x1, int c2x, int c2y, int pick, bool inside)
{
    const qsizetype row = qsizetype(y) * w;
    if (inside)
        radialRunOf<true>(pick, oldp, newp, phase + row, scale, weight, out + row, w, h, y, x0, x1,
                          c2x, c2y);
    else
        radialRunOf<false>(pick, oldp, newp, phase + row, scale, weight, out + row, w, h, y, x0, x1,
                           c2x, c2y);
}

KELVRA_KERNEL void gatherColumns(const quint32* __restrict src, const qint32* __restrict off,
                                 quint32* __restrict out, int n)
{
    for (int i = 0; i < n; ++i)
        out[i] = src[off[i]];
}

KELVRA_KERNEL void gatherRow(const quint32* __restrict src, qsizetype stride, qint64 u, qint64 v,
                             qint64 du, qint64 dv, quint32* __restrict out, int n)
{
    if (dv == 0) { // a scaled row: one source row
        const quint32* row = src + (v >> 16) * stride;
        for (int i = 0; i < n; ++i)
            out[i] = row[(u + i * du) >> 16];
        return;
    }
    for (int i = 0; i < n; ++i)
        out[i] = src[((v + i * dv) >> 16) * stride + ((u + i * du) >> 16)];
}

} // namespace pictures::kernels
