#include "pictures/textdraw.h"

#include <cmath>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

namespace pictures {

namespace {

constexpr double kPixelsPerPoint = 96.0 / 72.0;

QFontDatabase::WritingSystem writingSystemFor(int charset)
{
    switch (charset) {
    case 128:
        return QFontDatabase::Japanese;
    case 129:
    case 130:
        return QFontDatabase::Korean;
    case 134:
        return QFontDatabase::SimplifiedChinese;
    case 136:
        return QFontDatabase::TraditionalChinese;
    case 161:
        return QFontDatabase::Greek;
    case 162:
    case 186:
    case 238:
        return QFontDatabase::Latin;
    case 163:
        return QFontDatabase::Vietnamese;
    case 177:
        return QFontDatabase::Hebrew;
    case 178:
        return QFontDatabase::Arabic;
    case 204:
        return QFontDatabase::Cyrillic;
    case 222:
        return QFontDatabase::Thai;
    case 2:
        return QFontDatabase::Symbol;
    default:
        return QFontDatabase::Any;
    }
}

} // namespace

QFont textFont(const TextStyle& s)
{
    QFont font(s.fontName);
    const QFontDatabase::WritingSystem ws = writingSystemFor(s.charset);
    if (ws != QFontDatabase::Any && !QFontDatabase::families(ws).contains(s.fontName)) {
        const QStringList families = QFontDatabase::families(ws);
        if (!families.isEmpty())
            font.setFamilies({s.fontName, families.first()});
    }
    font.setPixelSize(std::max(1, int(std::lround(s.fontSize * kPixelsPerPoint))));
    font.setBold(s.bold);
    font.setItalic(s.italic);
    font.setStrikeOut(s.strikethrough);
    font.setUnderline(s.underline);
    return font;
}

int measureLineWidth(const TextStyle& style, const QString& line)
{
    return layoutText(style, line, 0).width;
}

int measureLineHeight(const TextStyle& style, const QString& line)
{
    Q_UNUSED(line);
    return int(std::ceil(QFontMetricsF(textFont(style)).height()));
}

TextLayout layoutText(const TextStyle& style, const QString& text, int maxWidth)
{
    TextLayout out;
    out.font = textFont(style);
    const QFontMetricsF fm(out.font);
    out.lineHeight = fm.height();
    out.ascent = fm.ascent();
    const bool wrap = style.wordWrap && maxWidth > 0;
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    for (const QString& line : splitTextLines(text)) {
        if (line.isEmpty()) {
            out.lines << line;
            out.lineWidths << 0;
            continue;
        }
        // The widths come from the same shaping that breaks the lines, so
        // a block given its measured width lays out the same lines again.
        QTextLayout layout(line, out.font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (;;) {
            QTextLine tl = layout.createLine();
            if (!tl.isValid())
                break;
            // Without wrapping, a width no line reaches (a line is laid
            // out only once it has one).
            tl.setLineWidth(wrap ? maxWidth : 1e7);
            const QString piece = line.mid(tl.textStart(), tl.textLength());
            // Blanks where a line breaks draw nothing; they do not count.
            const QString kept = wrap ? piece.trimmed() : piece;
            out.lines << kept;
            out.lineWidths << (kept.size() == piece.size() ? tl.naturalTextWidth()
                                                             : fm.horizontalAdvance(kept));
        }
        layout.endLayout();
    }
    double widest = 0;
    for (double w : std::as_const(out.lineWidths))
        widest = std::max(widest, w);
    out.width = int(std::ceil(widest));
    out.height = int(std::ceil(out.lineHeight * out.lines.size()));
    return out;
}

QStringList splitTextLines(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

void drawText(QImage& image, const QString& text, const TextStyle& s, const QRect& rect,
              int alignment)
{
    if (text.isEmpty() || rect.isEmpty())
        return;
    drawText(image, layoutText(s, text, rect.width()), s, rect, alignment);
}

void drawText(QImage& image, const TextLayout& layout, const TextStyle& s, const QRect& rect,
              int alignment)
{
    if (image.isNull() || layout.lines.isEmpty() || rect.isEmpty())
        return;
    if (image.format() != QImage::Format_RGB32 &&
        image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
    if (alignment < 0 || alignment > 8)
        alignment = 4;
    const int hAlign = alignment / 3; // 0 left, 1 centre, 2 right
    const int vAlign = alignment % 3; // 0 top, 1 middle, 2 bottom

    const QFont& font = layout.font;
    const QStringList& lines = layout.lines;
    const double lineHeight = layout.lineHeight;
    const double blockHeight = lineHeight * lines.size();
    double blockWidth = 0;
    for (double w : layout.lineWidths)
        blockWidth = std::max(blockWidth, w);

    // Block position inside the rectangle, in the rectangle's own frame so
    // that an angle turns it around the rectangle's centre.
    const QPointF centre = QRectF(rect).center();
    const double left = -rect.width() / 2.0;
    const double top = -rect.height() / 2.0;
    const double bx = hAlign == 0   ? left
                      : hAlign == 1 ? -blockWidth / 2
                                    : left + rect.width() - blockWidth;
    const double by = vAlign == 0   ? top
                      : vAlign == 1 ? -blockHeight / 2
                                    : top + rect.height() - blockHeight;

    QPainterPath path;
    for (int i = 0; i < lines.size(); ++i) {
        const double w = layout.lineWidths[i];
        const double x = hAlign == 0 ? bx : hAlign == 1 ? -w / 2 : bx + blockWidth - w;
        path.addText(QPointF(x, by + i * lineHeight + layout.ascent), font, lines[i]);
    }

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // Lines that do not wrap are cut at the rectangle; glyphs that reach a
    // little past their advance (italics, accents, a rounded-down width)
    // keep their ink.
    if (s.angle == 0) {
        const int reach = int(std::ceil(lineHeight / 4));
        p.setClipRect(rect.adjusted(-reach, -reach, reach, reach));
    }
    p.translate(centre);
    if (s.angle != 0)
        p.rotate(-s.angle / 10.0);
    p.setPen(Qt::NoPen);

    const QRectF blockRect(bx, by, blockWidth, blockHeight);
    if (s.style == 1) {
        const double pad = std::max(2.0, lineHeight * 0.15);
        p.fillRect(blockRect.adjusted(-pad, -pad / 2, pad, pad / 2), s.highlightColor);
    }
    if (s.shadowXDepth != 0 || s.shadowYDepth != 0) {
        p.save();
        p.translate(s.shadowXDepth, s.shadowYDepth);
        p.fillPath(path, s.shadowColor);
        p.restore();
    }
    const double edge = std::max(1.0, lineHeight / 24.0);
    switch (s.style) {
    case 2: {
        QPen pen(s.highlightColor, edge * 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.strokePath(path, pen);
        break;
    }
    case 3:
    case 4: {
        const QColor light = s.style == 3 ? QColor(255, 255, 255, 200) : QColor(0, 0, 0, 200);
        const QColor dark = s.style == 3 ? QColor(0, 0, 0, 200) : QColor(255, 255, 255, 200);
        p.save();
        p.translate(-edge, -edge);
        p.fillPath(path, light);
        p.restore();
        p.save();
        p.translate(edge, edge);
        p.fillPath(path, dark);
        p.restore();
        break;
    }
    case 5: {
        for (int i = 4; i >= 1; --i) {
            QColor c = s.highlightColor;
            c.setAlpha(40);
            QPen pen(c, edge * 2.0 * i, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            p.strokePath(path, pen);
        }
        break;
    }
    default:
        break;
    }
    p.fillPath(path, s.color);
}

} // namespace pictures
