#pragma once
// The paint-effect engine: a transition is data plus a pure function of
// (old screen, new picture, progress, parameters).
//
// Effect codes. Each code of the random pool maps through one table to a
// family and its variant; any other code (0 included) paints at once.
//
//   codes          family     what it looks like
//   2000 - 2554    Wipe       straight fronts: 8 directions, blinds of 1 to 16
//                             bands, alternating bands, split from/to the middle
//   4000 - 4029    Dissolve   random pixels, blocks, rows or columns
//   5000 - 5263    Iris       circle, box, diamond, cross, star, ellipse growing
//                             out of or closing into one of nine points, 1-3 rings
//   6000 - 6525    Clock      radial sweeps with 1 to 8 blades, both senses,
//                             four start angles, nine centres
//   7000 - 7263    Blocks     blocks in spiral, snake, diagonal and checker order
//   8000 - 8259    Motion     slide in, push, uncover in 8 directions, as one
//                             piece or as staggered strips, four speed curves
//   15000 - 15035  Wave       wavy fronts in 4 directions
//   16000 - 16035  Fade       cross-fade, fade through a colour, soft-edged wipes
//
// Neighbouring codes always differ in the fastest-changing parameter (the
// direction or shape), so code n and n + 1 never look alike.
//
// Parameters (the imaging control's paint properties):
//   EffectGrain     size in pixels of the cells the reveal works in; 1 = per pixel
//   EffectDelay     milliseconds per step
//   PaintMaxPasses  number of steps; the paint lasts EffectDelay x PaintMaxPasses ms,
//                   and progress moves in PaintMaxPasses visible steps
//   WandSize        width in pixels of a band in WandColor that runs just behind
//                   a reveal front (0 = no wand)
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

enum class EffectFamily { None, Wipe, Dissolve, Iris, Clock, Blocks, Motion, Wave, Fade };

// Reveal families select per pixel between the old and the new picture;
// motion families move whole pictures; Fade blends.
enum class EffectKind { Instant, Reveal, Motion, Blend };

struct EffectInfo {
    EffectFamily family = EffectFamily::None;
    EffectKind kind = EffectKind::Instant;
    int variant = 0; // index of the code in its range
    const char* familyName = "none";
};

// Table lookup; family None for codes outside the pool.
EffectInfo effectInfo(int code);

// The eight closed ranges of the random pool, ascending.
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

// Colours as the settings store them: 0x00BBGGRR, red in the low byte.
// Negative values give an invalid colour ("none").
QColor bgrToColor(qint64 value);
qint64 colorToBgr(const QColor& color); // -1 for an invalid colour

// One paint from `from` to `to`. Both pictures must have the same size; they
// are converted to Format_RGB32. Everything that depends only on the code, the
// parameters and the size (the reveal field, the target with transparent
// pixels replaced) is computed once in the constructor, so a frame costs a
// select or a few row copies over the pixels.
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
    const QImage& target() const; // what progress 1.0 shows

private:
    struct Impl;
    std::unique_ptr<Impl> m_d;
    EffectInfo m_info;
};

} // namespace pictures
