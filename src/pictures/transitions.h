#pragma once
// The paint-effect engine: a transition is data plus a pure function of
// (old screen, new picture, progress, parameters).
//
// Effect codes. Each code of the random pool maps through one table to a
// family and its variant; any other code (0 included) paints at once. No two
// codes of the pool paint the same frames: where a family's parameters would
// coincide (a symmetry, a one-band mode) the table gives the codes to another
// family instead.
//
//   codes          family     what it looks like
//   2000 - 2291    Wipe       straight fronts: 8 directions, blinds of 2 to 24
//                             bands, alternating, split, interleaved, staggered
//   2292 - 2554    SoftWipe   wide soft fronts: slanted, elliptic from nine
//                             points, split, box and diamond, soft blinds
//   4000 - 4029    Dissolve   random pixels, blocks, rows or columns
//   5000 - 5263    Iris       circle, box, diamond, cross, star, ellipse growing
//                             out of or closing into one of nine points, 1-3 rings
//   6000 - 6185    Clock      radial sweeps with 1 to 8 blades, both senses and
//                             fans, four start angles at the centre, eight
//                             points on the border
//   6186 - 6329    Spiral     a pointer sweeping outwards or inwards in 1-5 turns
//   6330 - 6419    Ripple     the picture ripples or waves while it changes
//   6420 - 6525    Swirl      curved blades turning around the centre
//   7000 - 7127    Blocks     blocks in spiral, snake, diagonal, checker, random
//                             and middle-out order
//   7128 - 7263    Pixelate   the old picture coarsens into a mosaic whose
//                             blocks turn new, then sharpens again
//   8000 - 8164    Motion     slide in, push, uncover in 8 directions, as one
//                             piece or as staggered strips, three speed curves
//   8165 - 8203    Zoom       grow, shrink, zoom through, stretch
//   8204 - 8235    Rotate     spin in or out, swing in or out around a corner
//   8236 - 8259    Peel       the old page peels off from an edge or a corner
//   15000 - 15035  Wave       wavy fronts in 4 directions
//   16000 - 16035  Fade       cross-fade, fade or dissolve through a colour,
//                             blur through, soft-edged wipes
//
// Parameters (the imaging control's paint properties):
//   EffectGrain     size in pixels of the cells the reveal works in; 1 = per pixel
//   EffectDelay     milliseconds per step; 0 is the fastest pace, not "no
//                   paint": the steps follow each other with no pause (1 ms
//                   each), so the effect still runs, in PaintMaxPasses ms
//   PaintMaxPasses  number of steps; the paint lasts EffectDelay x PaintMaxPasses ms,
//                   and progress moves in PaintMaxPasses visible steps
//   WandSize        width in pixels of a band in WandColor that runs just behind
//                   a reveal front (0 = no wand); fronts are anti-aliased over
//                   about a pixel, soft families over a share of the picture
//   WandColor       the band's colour
//   TransparentColor pixels of the new picture in this colour are never painted:
//                   the old screen stays visible through them (-1 = none)
//
// Colours are QColor here; settings store them as 0x00BBGGRR (see bgrToColor).

#include <cstdint>
#include <memory>
#include <vector>

#include <QColor>
#include <QImage>
#include <QSize>

namespace pictures {

enum class EffectFamily {
    None,
    Wipe,
    Dissolve,
    Iris,
    Clock,
    Blocks,
    Motion,
    Wave,
    Fade,
    SoftWipe,
    Spiral,
    Ripple,
    Swirl,
    Pixelate,
    Zoom,
    Rotate,
    Peel,
};

// Reveal families select per pixel between the old and the new picture;
// motion families move or distort whole pictures (Motion, Zoom, Rotate,
// Peel, Ripple, Pixelate); Fade blends.
enum class EffectKind { Instant, Reveal, Motion, Blend };

struct EffectInfo {
    EffectFamily family = EffectFamily::None;
    EffectKind kind = EffectKind::Instant;
    int variant = 0; // index of the code in its range
    const char* familyName = "none";
};

// Table lookup; family None for codes outside the pool.
EffectInfo effectInfo(int code);

// The eight closed ranges of the random pool, ascending (families that
// share a range follow each other in the table).
struct CodeRange {
    int first;
    int last;
};
const std::vector<CodeRange>& randomPoolRanges();
// Every code of the pool, ascending (1971 codes).
std::vector<int> randomPoolCodes();
bool isPoolCode(int code);

struct EffectParams {
    int grain = 1;
    int delayMs = 16;
    int maxPasses = 64;
    int wandSize = 0;
    QColor wandColor = QColor(255, 255, 255);
    QColor transparentColor; // invalid = none
    // Total duration of a paint in milliseconds (0 = paints at once).
    int durationMs() const;
};

// Replaces every pixel of `to` in the transparent colour by the pixel of
// `from` at the same place (nothing for an invalid colour or pictures of
// different sizes); `to` becomes Format_RGB32. Painting with or without an
// effect lets the old screen show through the same pixels.
void applyTransparentColor(QImage& to, const QImage& from, const QColor& transparent);

// Colours as the settings store them: 0x00BBGGRR, red in the low byte.
// Negative values give an invalid colour ("none").
QColor bgrToColor(qint64 value);
qint64 colorToBgr(const QColor& color); // -1 for an invalid colour

// Builds, or finds in a small cache, everything a paint with this code needs
// that depends only on the code, the parameters and the size (the reveal field
// or the distortion map; at 4K up to a few hundred milliseconds). Safe on any
// thread: a show calls it while it decodes the next picture, so that
// constructing the Transition at the tick only finds it.
void prepareEffect(int code, const EffectParams& params, QSize size);

// One paint from `from` to `to`. Both pictures must have the same size; they
// are converted to Format_RGB32. Everything that depends only on the code, the
// parameters and the size (the reveal field, the target with transparent
// pixels replaced) is computed once in the constructor (or found where
// prepareEffect left it), so a frame costs a select, a blend or a gather over
// the pixels. A Transition may be constructed on any thread and then used on
// another.
class Transition {
public:
    Transition(int code, const EffectParams& params, const QImage& from, const QImage& to);
    ~Transition();
    Transition(const Transition&) = delete;
    Transition& operator=(const Transition&) = delete;

    // Writes the frame at `progress` (0.0 = exactly the old screen, 1.0 =
    // exactly the new picture; values outside are clamped) into `out`, which
    // is (re)allocated to the pictures' size and format when it does not match.
    // Progress is quantised to PaintMaxPasses steps. When `out` still holds
    // this transition's previous frame, untouched, reveal effects only rewrite
    // what changed since (the result is the same).
    void renderFrame(double progress, QImage& out) const;
    QImage frame(double progress) const;

    const EffectInfo& info() const { return m_info; }
    QSize size() const;
    const QImage& source() const; // what progress 0.0 shows
    const QImage& target() const; // what progress 1.0 shows

private:
    struct Impl;
    std::unique_ptr<Impl> m_d;
    EffectInfo m_info;
};

} // namespace pictures
