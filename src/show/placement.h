#pragma once
// Where a picture or a clip goes in the show window, by the "Zoom Setting":
// sizes in twips, clamped to the window and centred. Pure maths; the window
// converts the result back to pixels.
//
// Zoom settings: 0 normal (own size, centred), 1 full screen keeping the
// aspect ratio, 2 full screen stretched.

#include <QString>

namespace show {

// How the picture view fits its image into its rectangle.
enum SizeMode : int {
    SizeNormal = 0,  // own size
    SizeStretch = 1, // fills the rectangle
    SizeFit = 3,     // largest size keeping the aspect ratio
};

struct TwipRect {
    long long x = 0, y = 0, w = 0, h = 0;
    bool operator==(const TwipRect&) const = default;
};

struct PicturePlacement {
    TwipRect rect;    // where the picture view goes
    int sizeMode = 0; // size mode to set on the view
};

// `zoomText` is the setting's text, `zoomPercent` the view's zoom (100 =
// actual size), `pixelW`/`pixelH` the picture's pixel size, `windowW`/`windowH`
// the window's inner size in twips, `twipsX`/`twipsY` twips per pixel,
// `currentSizeMode` the view's size mode before (kept for an unknown zoom text).
PicturePlacement placePicture(const QString& zoomText, double zoomPercent, int pixelW, int pixelH,
                              double windowW, double windowH, double twipsX, double twipsY,
                              int currentSizeMode);

// The rectangle of a clip of frameW x frameH pixels: centred at its own size
// for zoom "0", the whole window for "1" and "2" and for any other text.
TwipRect placeVideo(const QString& zoomText, int frameW, int frameH, double windowW, double windowH,
                    double twipsX, double twipsY);

} // namespace show
