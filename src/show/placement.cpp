#include "show/placement.h"

#include "show/showrules.h"

namespace show {

PicturePlacement placePicture(const QString& zoomText, double zoomPercent, int pixelW, int pixelH,
                              double windowW, double windowH, double twipsX, double twipsY,
                              int currentSizeMode)
{
    PicturePlacement result;
    result.sizeMode = currentSizeMode;
    const TwipRect full{0, 0, nearest(windowW), nearest(windowH)};
    result.rect = full;

    if (zoomText == QLatin1String("0"))
        result.sizeMode = SizeNormal;
    else if (zoomText == QLatin1String("1"))
        result.sizeMode = SizeFit;
    else if (zoomText == QLatin1String("2"))
        result.sizeMode = SizeStretch;

    const double zoom = zoomPercent / 100.0;
    long long w = nearest(zoom * (pixelW * twipsX));
    long long h = nearest(zoom * (pixelH * twipsY));
    if (windowW < w) {
        w = nearest(windowW);
        result.sizeMode = SizeFit;
    }
    if (windowH < h) {
        h = nearest(windowH);
        result.sizeMode = SizeFit;
    }
    const long long x = half(nearest(windowW - w));
    const long long y = half(nearest(windowH - h));

    if (nearest(leadingValue(zoomText)) != 2)
        result.rect = TwipRect{x, y, w, h};
    return result;
}

TwipRect placeVideo(const QString& zoomText, int frameW, int frameH, double windowW, double windowH,
                    double twipsX, double twipsY)
{
    const TwipRect full{0, 0, nearest(windowW), nearest(windowH)};
    long long w = nearest(frameW * twipsX);
    long long h = nearest(frameH * twipsY);
    if (windowW < w)
        w = nearest(windowW);
    if (windowH < h)
        h = nearest(windowH);
    if (zoomText == QLatin1String("0"))
        return TwipRect{half(nearest(windowW - w)), half(nearest(windowH - h)), w, h};
    return full;
}

} // namespace show
