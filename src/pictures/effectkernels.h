#pragma once
// The per-pixel loops of the paint effects. Branch-free where it counts so
// that the compiler vectorises them (built with -O3, each also for AVX2 and
// picked at run time).

#include <cstddef>

#include <QtGlobal>

namespace pictures::kernels {

// Asks for pixels [0, n) of a row ahead of their use: displaced sampling
// reads many rows at once in short runs, which the processor's own prefetch
// does not follow, so each first touch would wait for memory.
inline void prefetchRow(const quint32* p, int n)
{
    for (int i = 0; i < n; i += 16)
        __builtin_prefetch(p + i);
}

// a + (b - a) * k / 256 per channel, k in 0..256; k = 256 gives b exactly.
inline quint32 mixRgb(quint32 a, quint32 b, quint32 k)
{
    const quint32 ik = 256 - k;
    const quint32 rb = (((a & 0x00ff00ffu) * ik + (b & 0x00ff00ffu) * k) >> 8) & 0x00ff00ffu;
    const quint32 ag = (((a >> 8) & 0x00ff00ffu) * ik + ((b >> 8) & 0x00ff00ffu) * k) & 0xff00ff00u;
    return rb | ag;
}

// The colour times k / 256 (k in 0..256), alpha kept opaque.
inline quint32 scaleRgb(quint32 c, quint32 k)
{
    const quint32 rb = (((c & 0x00ff00ffu) * k) >> 8) & 0x00ff00ffu;
    const quint32 g = (((c & 0x0000ff00u) * k) >> 8) & 0x0000ff00u;
    return 0xff000000u | rb | g;
}

// Per pixel, the new picture b blends over the old a as the front t passes
// the pixel's field value f: weight clamp((t - f) / band, 0, 1). With
// prevT >= 0, `out` holds this paint's frame at prevT <= t and only blocks
// that changed since are written.
void softSelect(const quint32* a, const quint32* b, const quint16* f, quint32* out, size_t n,
                qint32 t, qint32 band, qint32 prevT);

// The same with a band of `wand` units in colour `wandColour` running ahead
// of the new picture.
void softSelectWand(const quint32* a, const quint32* b, const quint16* f, quint32* out, size_t n,
                    qint32 t, qint32 band, qint32 wand, quint32 wandColour);

// out = a + (b - a) * k / 256 per byte, k in 0..256.
void blendBytes(const quint8* a, const quint8* b, quint8* out, size_t n, unsigned k);

void blendToColor(const quint32* a, quint32 color, quint32* out, size_t n, unsigned k);

// Row y, pixels [x0, x1), of a picture displaced away from (or towards) a
// centre: pixel (x, y) takes old and new at (x, y) + (x + 1/2 - cx,
// y + 1/2 - cy) * scale[ph] / 65536, blended with weight[ph] / 256 for the new
// one, ph = phase[pixel] (w x h). c2x, c2y are 2 cx, 2 cy. `pick` 0 or 1 says
// that the weight is 0 or 256 all along the span (only one picture is
// fetched), 2 that it varies. With `inside` the caller has checked that no
// pixel of the span samples outside the picture; otherwise positions are
// clamped to it.
void radialSpan(const quint32* oldp, const quint32* newp, const quint16* phase, const qint32* scale,
                const qint32* weight, quint32* out, int w, int h, int y, int x0, int x1, int c2x,
                int c2y, int pick, bool inside);

// out[i] = src[off[i]] for i in [0, n): one row of a picture whose columns
// are shifted by whole rows.
void gatherColumns(const quint32* src, const qint32* off, quint32* out, int n);

// out[i] = src[(v >> 16) * stride + (u >> 16)] with (u, v) stepping by (du, dv)
// in 16.16 fixed point; the caller keeps every position inside the picture.
void gatherRow(const quint32* src, qsizetype stride, qint64 u, qint64 v, qint64 du, qint64 dv,
               quint32* out, int n);

} // namespace pictures::kernels
