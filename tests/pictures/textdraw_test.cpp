// Measuring and drawing the display text.

#include <QImage>

#include <gtest/gtest.h>

#include "pictures/textdraw.h"

using namespace pictures;

namespace {

QImage canvas(QSize size = QSize(300, 200))
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::black);
    return img;
}

// Bounding box of the pixels that are no longer black.
QRect inked(const QImage& img, QRgb only = 0)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y) & 0xffffff;
            if (p != 0 && (only == 0 || p == only))
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

TextStyle plain()
{
    TextStyle s;
    s.fontName = QStringLiteral("DejaVu Sans");
    s.fontSize = 12;
    return s;
}

} // namespace

TEST(TextMeasure, WidthAndHeightFollowTheTextAndTheFont)
{
    TextStyle s = plain();
    const int one = measureLineWidth(s, QStringLiteral("Kelvra"));
    EXPECT_GT(one, 20);
    EXPECT_NEAR(measureLineWidth(s, QStringLiteral("KelvraKelvra")), 2 * one, 2);
    EXPECT_EQ(measureLineWidth(s, QString()), 0);
    s.bold = true;
    EXPECT_GT(measureLineWidth(s, QStringLiteral("Kelvra")), one);
    const int h12 = measureLineHeight(plain(), QStringLiteral("x"));
    s = plain();
    s.fontSize = 24;
    EXPECT_NEAR(measureLineHeight(s, QStringLiteral("x")), 2 * h12, 2);
    EXPECT_EQ(textFont(s).pixelSize(), 32); // 24 pt at 96 dpi
}

TEST(TextMeasure, LinesSplitAtCrLf)
{
    EXPECT_EQ(splitTextLines(QStringLiteral("a\r\nb\r\nc")),
              QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(splitTextLines(QStringLiteral("a\nb")).size(), 2);
    EXPECT_EQ(splitTextLines(QStringLiteral("one")).size(), 1);
}

// Code = column * 3 + row: 0 3 6 along the top, 2 5 8 along the bottom.
class AlignmentTest : public ::testing::TestWithParam<int> {};

TEST_P(AlignmentTest, TheBlockSitsWhereTheCodeSays)
{
    const int code = GetParam();
    QImage img = canvas();
    const QRect rect(0, 0, 300, 200);
    drawText(img, QStringLiteral("Hi\r\nthere"), plain(), rect, code);
    const QRect box = inked(img);
    ASSERT_FALSE(box.isEmpty());
    const int column = code / 3, row = code % 3;
    const double cx = box.center().x() / 300.0, cy = box.center().y() / 200.0;
    auto third = [](double v) { return v < 0.25 ? 0 : v > 0.4 && v < 0.6 ? 1 : v > 0.75 ? 2 : -1; };
    EXPECT_EQ(third(cx), column) << code << " centre x " << cx;
    EXPECT_EQ(third(cy), row) << code << " centre y " << cy;
    // and touching the edges it is aligned to
    if (column == 0)
        EXPECT_LE(box.left(), 3);
    if (column == 2)
        EXPECT_GE(box.right(), 296);
    if (row == 0)
        EXPECT_LE(box.top(), 6);
    if (row == 2)
        EXPECT_GE(box.bottom(), 190);
}

INSTANTIATE_TEST_SUITE_P(Codes, AlignmentTest, ::testing::Range(0, 9));

TEST(TextDraw, UnknownAlignmentDrawsCentred)
{
    QImage a = canvas(), b = canvas();
    drawText(a, QStringLiteral("Mid"), plain(), a.rect(), 4);
    drawText(b, QStringLiteral("Mid"), plain(), b.rect(), 9);
    EXPECT_EQ(a, b);
}

TEST(TextDraw, ShadowFallsByItsDepthsInItsColour)
{
    TextStyle s = plain();
    s.shadowXDepth = 6;
    s.shadowYDepth = 4;
    s.shadowColor = QColor(255, 0, 0);
    QImage img = canvas();
    drawText(img, QStringLiteral("Shadow"), s, img.rect(), 4);
    const QRect text = inked(img, 0xffffff);
    const QRect shadow = inked(img, 0xff0000);
    ASSERT_FALSE(shadow.isEmpty());
    EXPECT_NEAR(shadow.right() - text.right(), 6, 1);
    EXPECT_NEAR(shadow.bottom() - text.bottom(), 4, 1);
}

TEST(TextDraw, AngleTurnsTheBlock)
{
    TextStyle s = plain();
    QImage flat = canvas(QSize(300, 300)), turned = canvas(QSize(300, 300));
    drawText(flat, QStringLiteral("Sideways text"), s, flat.rect(), 4);
    s.angle = 900; // a quarter turn counter-clockwise
    drawText(turned, QStringLiteral("Sideways text"), s, turned.rect(), 4);
    const QRect a = inked(flat), b = inked(turned);
    EXPECT_GT(a.width(), 3 * a.height());
    EXPECT_GT(b.height(), 3 * b.width());
}

TEST(TextDraw, WordWrapBreaksLongLinesAndOffClipsThem)
{
    const QString text = QStringLiteral("a long line of words that cannot fit");
    const QRect rect(50, 20, 120, 160);
    QImage wrapped = canvas(), clipped = canvas();
    TextStyle s = plain();
    drawText(wrapped, text, s, rect, 0);
    s.wordWrap = false;
    drawText(clipped, text, s, rect, 0);
    const QRect w = inked(wrapped), c = inked(clipped);
    EXPECT_GT(w.height(), 2 * c.height());
    // Glyphs may reach a quarter line past the rectangle, no further.
    const int reach = (measureLineHeight(s, text) + 3) / 4;
    const QRect room = rect.adjusted(-reach, -reach, reach, reach);
    EXPECT_TRUE(room.contains(w));
    EXPECT_TRUE(room.contains(c));
    EXPECT_GE(c.right(), rect.right() - 2); // runs to the edge and is cut there
}

TEST(TextDraw, StylesAndDecorationsChangeWhatIsDrawn)
{
    QImage base = canvas();
    drawText(base, QStringLiteral("Styled"), plain(), base.rect(), 4);
    auto drawnWith = [&](auto change) {
        TextStyle s = plain();
        change(s);
        QImage img = canvas();
        drawText(img, QStringLiteral("Styled"), s, img.rect(), 4);
        return img;
    };
    EXPECT_NE(drawnWith([](TextStyle& s) { s.underline = true; }), base);
    EXPECT_NE(drawnWith([](TextStyle& s) { s.strikethrough = true; }), base);
    EXPECT_NE(drawnWith([](TextStyle& s) { s.italic = true; }), base);
    EXPECT_NE(drawnWith([](TextStyle& s) { s.color = Qt::yellow; }), base);
    for (int style = 1; style <= 5; ++style)
        EXPECT_NE(drawnWith([style](TextStyle& s) { s.style = style; }), base) << style;
    EXPECT_EQ(drawnWith([](TextStyle& s) { s.style = 77; }), base);
    // the highlight box is filled with the highlight colour
    const QImage boxed = drawnWith([](TextStyle& s) {
        s.style = 1;
        s.highlightColor = QColor(0, 0, 255);
    });
    EXPECT_GT(inked(boxed, 0x0000ff).width(), inked(base).width());
    // an unknown font still draws, with a fallback for the character set
    const QImage fallback = drawnWith([](TextStyle& s) {
        s.fontName = QStringLiteral("No Such Font");
        s.charset = 204;
    });
    EXPECT_FALSE(inked(fallback).isEmpty());
}

TEST(TextDraw, OnlyGlyphOverhangPassesTheRectangle)
{
    QImage img = canvas();
    const QRect rect(100, 80, 60, 30);
    TextStyle s = plain();
    s.fontSize = 30;
    drawText(img, QStringLiteral("Much too big for it"), s, rect, 4);
    const QRect box = inked(img);
    ASSERT_FALSE(box.isEmpty());
    // Glyphs may reach a quarter line past the rectangle, no further.
    const int reach = (measureLineHeight(s, QStringLiteral("M")) + 3) / 4;
    EXPECT_TRUE(rect.adjusted(-reach, -reach, reach, reach).contains(box));
}
