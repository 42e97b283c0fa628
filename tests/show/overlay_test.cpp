// The display text as the show draws it on a picture: real phrases, the
// fonts of this machine, several sizes and all nine alignment codes. Every
// word must come out whole: the ink on the picture is the ink of the same
// text drawn freely on a large canvas.

#include <QPainter>
#include <QPainterPath>

#include <gtest/gtest.h>

#include "pictures/textdraw.h"
#include "show/overlay.h"

using namespace show;

namespace {

struct Phrase {
    const char* name;
    const char* text;
};

const Phrase kPhrases[] = {
    {"Title", "Kelvra Saver"},
    {"Birthday", "Happy Birthday"},
    {"Season", "Merry Christmas and a Happy New Year"},
    {"TwoLines", "Welcome home\r\nWe missed you"},
    {"Long", "The quick brown fox jumps over the lazy dog while the family watches the "
             "holiday pictures go by, one after the other, on the living-room screen"},
};

const char* const kFonts[] = {"DejaVu Sans", "DejaVu Serif", "Nimbus Roman", "URW Bookman",
                              "Nimbus Sans Narrow"};

const double kSizes[] = {10, 24, 36};

struct Case {
    std::string name;
    QString text;
    pictures::TextStyle style;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<Case> cases()
{
    std::vector<Case> out;
    for (const Phrase& p : kPhrases) {
        for (const char* font : kFonts) {
            for (double size : kSizes) {
                Case c;
                c.text = QString::fromUtf8(p.text);
                c.style.fontName = QString::fromLatin1(font);
                c.style.fontSize = size;
                c.style.color = Qt::white;
                std::string f = font;
                f.erase(std::remove(f.begin(), f.end(), ' '), f.end());
                c.name = std::string(p.name) + "_" + f + "_" + std::to_string(int(size));
                out.push_back(c);
            }
        }
    }
    // Bold italic, with a shadow: wider glyphs, ink past the advance.
    Case bold;
    bold.text = QStringLiteral("Happy Birthday");
    bold.style.fontName = QStringLiteral("DejaVu Serif");
    bold.style.fontSize = 28;
    bold.style.bold = bold.style.italic = true;
    bold.style.color = Qt::white;
    bold.name = "BirthdayBoldItalic";
    out.push_back(bold);
    return out;
}

// Sum of the white ink (0..255 a pixel) on a black picture.
qint64 ink(const QImage& image)
{
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(line[x]);
    }
    return sum;
}

// The ink of the text drawn on a canvas with room for all of it, one line of
// the text a line, without wrapping or clipping.
qint64 freeInk(const Case& c)
{
    const QFont font = pictures::textFont(c.style);
    const QFontMetricsF fm(font);
    const QStringList lines = pictures::splitTextLines(c.text);
    double width = 0;
    for (const QString& l : lines)
        width = std::max(width, fm.horizontalAdvance(l));
    QImage canvas(int(width) + 200, int(fm.height() * lines.size()) + 200, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainterPath path;
    for (int i = 0; i < lines.size(); ++i)
        path.addText(QPointF(100, 100 + i * fm.height() + fm.ascent()), font, lines[i]);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(path, Qt::white);
    p.end();
    return ink(canvas);
}

// Rows of the picture that hold ink: first and last.
std::pair<int, int> inkRows(const QImage& image)
{
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) > 40) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

class OverlayText : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(OverlayText, EveryWordIsDrawnWholeAtEveryAlignment)
{
    const Case& c = GetParam();
    const qint64 expected = freeInk(c);
    ASSERT_GT(expected, 0);
    const double lineHeight = QFontMetricsF(pictures::textFont(c.style)).height();
    const int naturalLines = int(pictures::splitTextLines(c.text).size());
    const int oneLine = pictures::measureLineWidth(c.style, c.text);
    for (QSize size : {QSize(1280, 720), QSize(640, 480)}) {
        ASSERT_LT(pictures::layoutText(c.style, c.text, size.width()).height, size.height())
            << c.name << ": the table holds a text that cannot fit";
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::black);
        for (int code = 0; code <= 8; ++code) {
            QPointF position;
            const QImage drawn = drawOverlay(picture, c.text, c.style, QString::number(code), 1.0,
                                             position);
            const qint64 got = ink(drawn);
            // Antialiasing at other sub-pixel places moves a little ink; a
            // line cut in half or a word lost moves a lot.
            EXPECT_NEAR(double(got), double(expected), expected * 0.03)
                << c.name << " code " << code << " on " << size.width() << "x" << size.height();
            // A text that fits the picture's width keeps its own lines.
            const auto [first, last] = inkRows(drawn);
            if (naturalLines == 1 && oneLine < size.width()) {
                EXPECT_LT(last - first, 1.5 * lineHeight)
                    << c.name << " code " << code << ": wrapped although it fits";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Phrases, OverlayText, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

// The block is sized from the layout that is drawn: its width is the widest
// laid-out line, and a long text gets one block line per drawn line.
TEST(OverlayLayout, BlockHoldsEveryWrappedLine)
{
    pictures::TextStyle s;
    s.fontSize = 24;
    const QString text = QString::fromUtf8(kPhrases[4].text);
    const pictures::TextLayout narrow = pictures::layoutText(s, text, 400);
    EXPECT_GE(narrow.lines.size(), 4);
    EXPECT_LE(narrow.width, 400);
    EXPECT_EQ(narrow.lines.join(' ').simplified(), text.simplified());
    // Laid out again at its own width, it breaks the same way.
    EXPECT_EQ(pictures::layoutText(s, text, narrow.width).lines, narrow.lines);
    const pictures::TextLayout one = pictures::layoutText(s, QStringLiteral("Kelvra Saver"), 0);
    EXPECT_EQ(pictures::layoutText(s, QStringLiteral("Kelvra Saver"), one.width).lines.size(), 1);
}
