#include "show/overlay.h"

#include <algorithm>
#include <cmath>

#include "show/showrules.h"

namespace show {

TextBlock measureBlock(const QList<double>& lineWidths, double firstLineHeight, double shadowX,
                       double shadowY)
{
    TextBlock block;
    for (double width : lineWidths)
        block.width = std::max(block.width, nearest(width + shadowX));
    block.height = nearest((firstLineHeight + shadowY) * lineWidths.size());
    return block;
}

TextBlock fitBlock(TextBlock block, int imageW, int imageH)
{
    if (imageH < block.height)
        block.height = imageH;
    if (imageW < block.width) {
        block.width = imageW;
        block.height *= 2;
    }
    return block;
}

BlockPosition placeBlock(const QString& alignText, TextBlock block, int imageW, int imageH,
                         double zoom, double heightValue)
{
    auto h = [](double x) { return static_cast<double>(half(nearest(x))); };
    const double tw = static_cast<double>(block.width);
    const double th = static_cast<double>(block.height);
    const double centreLeft = h(zoom * imageW) - h(tw);
    const double rightLeft = zoom * imageW - tw;
    const double middleTop = h(zoom * imageH) - h(th);
    const double bottomTop = zoom * imageH - th;

    const QString code = alignText.trimmed();
    BlockPosition pos;
    pos.placed = true;
    if (code == u"0")
        pos = {true, 0, h(heightValue) - h(zoom * th)};
    else if (code == u"1")
        pos = {true, 0, middleTop};
    else if (code == u"2")
        pos = {true, 0, bottomTop};
    else if (code == u"3")
        pos = {true, centreLeft, 0};
    else if (code == u"4")
        pos = {true, centreLeft, middleTop};
    else if (code == u"5")
        pos = {true, centreLeft, bottomTop};
    else if (code == u"6" || code == u"7")
        pos = {true, rightLeft, middleTop};
    else if (code == u"8")
        pos = {true, rightLeft, bottomTop};
    else
        pos = {};
    return pos;
}

QImage drawOverlay(const QImage& picture, const QString& text, const pictures::TextStyle& style,
                   const QString& alignText, double zoom, QPointF& position)
{
    if (text.isEmpty() || picture.isNull())
        return picture;
    const int bw = picture.width();
    const int bh = picture.height();
    const int shadowRoom = int(std::ceil(std::abs(style.shadowXDepth)));
    const pictures::TextLayout layout =
        pictures::layoutText(style, text, std::max(1, bw - shadowRoom));
    // Whole pixels, rounded up: a block narrower than its widest line by a
    // fraction would clip it.
    QList<double> widths;
    for (double w : layout.lineWidths)
        widths << std::ceil(w);
    TextBlock block = measureBlock(widths, std::ceil(layout.lineHeight), style.shadowXDepth,
                                   style.shadowYDepth);
    block = fitBlock(block, bw, bh);

    // Code 0 puts the block at the top: its height value is the block's own.
    const BlockPosition pos =
        placeBlock(alignText, block, bw, bh, zoom, zoom * static_cast<double>(block.height));
    if (pos.placed)
        position = QPointF(pos.left, pos.top);
    const QRect rect(int(nearest(position.x())), int(nearest(position.y())), int(block.width),
                     int(block.height));
    QImage image = picture.copy();
    pictures::drawText(image, layout, style, rect,
                       static_cast<int>(std::clamp<long long>(nearest(leadingValue(alignText)),
                                                              INT_MIN, INT_MAX)));
    return image;
}

} // namespace show
