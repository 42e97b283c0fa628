#pragma once
// The display-text block: its size from the measured lines, fitted to the
// picture, and its place by the alignment code (pure maths in the units of
// the picture's pixels); and the text drawn where they put it.
//
// Alignment codes and where they put the block's rectangle:
//   0 left, top from the font's height value   3 centred, top      6 right, middle
//   1 left, middle                             4 centred, middle   7 right, middle
//   2 left, bottom                             5 centred, bottom   8 right, bottom
// Any other code (9, non-numeric text) places nothing.

#include <QImage>
#include <QList>
#include <QPointF>
#include <QString>

#include "pictures/textdraw.h"

namespace show {

struct TextBlock {
    long long width = 0;
    long long height = 0;
    bool operator==(const TextBlock&) const = default;
};

// Width: the widest measured line plus the horizontal shadow depth; height:
// the first line's height plus the vertical shadow depth, times the number of
// lines (each rounded to the nearest, halves to even).
TextBlock measureBlock(const QList<double>& lineWidths, double firstLineHeight, double shadowX,
                       double shadowY);

// Fits the block to a picture of imageW x imageH pixels: a block taller than
// the picture takes its height; a block wider than the picture takes its
// width and doubles its height (the text wraps onto more lines).
TextBlock fitBlock(TextBlock block, int imageW, int imageH);

struct BlockPosition {
    bool placed = false; // false: the alignment code places nothing
    double left = 0;
    double top = 0;
};

// `zoom` is the view's zoom percentage / 100; `heightValue` the vertical
// extent used by code 0.
BlockPosition placeBlock(const QString& alignText, TextBlock block, int imageW, int imageH,
                         double zoom, double heightValue);

// The text drawn on a copy of `picture`. Its lines are laid out once, broken
// to the picture's width (less the shadow), and that layout is both measured
// for the block and drawn, so that a line that fits never wraps and the
// block holds every line. `position` is where the last placed block went; an
// alignment code that places nothing draws there again.
QImage drawOverlay(const QImage& picture, const QString& text, const pictures::TextStyle& style,
                   const QString& alignText, double zoom, QPointF& position);

} // namespace show
