#pragma once
// JPEG through libjpeg-turbo directly: DCT scaling to any multiple of 1/8,
// output straight into the QImage's rows (CMYK and YCCK too), a bound on
// what one decode may allocate, and strictness about truncated or
// undecodable data (libjpeg only warns about them and fills the rest with
// grey), while harmless warnings (stray bytes, a newer JFIF revision) pass.

#include <cstddef>

#include <QImage>
#include <QSize>

#include "pictures/imageio.h"

namespace pictures::detail {

enum class JpegStatus { Ok, NotJpeg, Corrupt, TooLarge };

bool looksLikeJpeg(const uchar* data, size_t size);

// Header only: stored size and the EXIF orientation (1 to 8, 1 when absent).
JpegStatus jpegReadHeader(const uchar* data, size_t size, QSize* storedSize, int* orientation);

// Decodes, scaled per options, upright. *sourceSize gets the upright source
// size. TooLarge: the header claims more than options.maxPixels or
// maxSide, or the decode would need more than options.maxDecodeBytes.
JpegStatus jpegDecode(const uchar* data, size_t size, const LoadOptions& options, QImage* image,
                      QSize* sourceSize);

// EXIF orientation from the payload of an APP1 segment ("Exif\0\0" + TIFF);
// 1 when absent or malformed.
int exifOrientation(const uchar* app1, size_t size);

// Turns an image stored with the EXIF orientation `orientation` upright.
QImage applyExifOrientation(const QImage& stored, int orientation);
bool orientationSwapsAxes(int orientation);

} // namespace pictures::detail
