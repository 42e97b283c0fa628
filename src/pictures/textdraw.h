#pragma once
// Measuring and drawing the display text onto a picture.
//
// Units: pixels of the picture the text is drawn on; font sizes in points at
// 96 dots per inch (so 12 pt = 16 px), independent of the screen.
//
// Alignment codes 0 to 8 (the block inside its rectangle, and each line inside
// the block). Columns run first:
//
//      code   horizontal  vertical           0  3  6
//        0    left        top                1  4  7
//        1    left        middle             2  5  8
//        2    left        bottom
//        3    centre      top       horizontal = code / 3, vertical = code % 3
//        4    centre      middle
//        5    centre      bottom    Any other code draws as 4.
//        6    right       top
//        7    right       middle
//        8    right       bottom
//
// Style codes:
//   0  plain text (with its shadow when a shadow depth is set)
//   1  text on a box filled with the highlight colour
//   2  outlined: each glyph edged with the highlight colour
//   3  embossed: light edge up-left, dark edge down-right, body in the text colour
//   4  engraved: the reverse of embossed
//   5  glowing: a soft halo in the highlight colour around the glyphs
//   any other code draws as 0
//
// Angle: tenths of a degree, counter-clockwise (900 = text running upwards);
// the block turns around the centre of its rectangle.
//
// Shadow: drawn in the shadow colour, offset by the horizontal depth to the
// right and the vertical depth downwards (negative depths go left / up);
// a depth of 0 in both directions draws no shadow.
//
// Character set: the Windows character-set number of the stored font. Text is
// Unicode here, so it only picks a font for the script when the named font is
// missing (for example 128 Japanese, 204 Cyrillic, 161 Greek, 177 Hebrew,
// 178 Arabic, 222 Thai); 0 and 1 mean "any".
//
// Word wrap: when true, a line longer than the rectangle's width breaks at
// word boundaries; when false, lines are clipped at the rectangle.

#include <QColor>
#include <QFont>
#include <QList>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

namespace pictures {

struct TextStyle {
    QString fontName = QStringLiteral("DejaVu Sans");
    double fontSize = 24.0; // points
    QColor color = QColor(255, 255, 255);
    bool bold = false;
    bool italic = false;
    bool strikethrough = false;
    bool underline = false;
    int charset = 0;
    int style = 0;
    QColor highlightColor = QColor(0, 0, 128);
    int angle = 0; // tenths of a degree
    double shadowXDepth = 0;
    double shadowYDepth = 0;
    QColor shadowColor = QColor(0, 0, 0);
    bool wordWrap = true;
    bool operator==(const TextStyle&) const = default;
};

// The QFont for a style (pixel size from points at 96 dpi).
QFont textFont(const TextStyle& style);

// Width and height of one line in pixels, without the shadow.
int measureLineWidth(const TextStyle& style, const QString& line);
int measureLineHeight(const TextStyle& style, const QString& line);

// Splits at CR LF (also a lone LF or CR).
QStringList splitTextLines(const QString& text);

// The lines of a text as they are drawn: split at line breaks and, with word
// wrap on and maxWidth > 0, broken at word boundaries (inside a word only
// when the word alone is too wide) so that no line is wider than maxWidth.
// Measuring and drawing use the same layout, so a block sized from it never
// wraps differently when it is drawn.
struct TextLayout {
    QFont font;
    QStringList lines;
    QList<double> lineWidths; // advance of each line, pixels
    double lineHeight = 0;
    double ascent = 0;
    int width = 0;  // the widest line, rounded up
    int height = 0; // all lines, rounded up
};
TextLayout layoutText(const TextStyle& style, const QString& text, int maxWidth);

// Draws the text into `rect` of `image` with the alignment code, laid out at
// the rectangle's width. The image is converted to a paintable format when
// needed. Nothing outside `rect` changes, save a few pixels of glyphs that
// reach past their advance, unless the angle turns the block out of it.
void drawText(QImage& image, const QString& text, const TextStyle& style, const QRect& rect,
              int alignment);
// The same with lines laid out before (layoutText), as they were measured.
void drawText(QImage& image, const TextLayout& layout, const TextStyle& style, const QRect& rect,
              int alignment);

} // namespace pictures
