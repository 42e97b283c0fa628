#pragma once
// Picture files: loading the first image of a file, a header-only size query,
// and saving as JPEG or as a 24-bit Windows bitmap.
//
// Decoders are tried in a fixed order: our libjpeg-turbo path for JPEG (DCT
// scaling, strict about truncated or corrupt data), Qt's image plugins, then
// ImageMagick (Magick++) restricted to an explicit list of formats, chosen by
// the file's content or, for formats without a signature, by its extension.
// Nothing is ever decoded whose header claims more than the pixel limit, so a
// hostile header cannot make us allocate gigabytes.
//
// All functions are reentrant and may be called from any thread; the Magick++
// path serialises itself internally.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace pictures {

enum class LoadStatus {
    Ok,
    NotFound,   // no such file, or not a regular file (a folder, a pipe, a device)
    Unreadable, // empty, truncated, corrupt, not a picture, or a format we do not read
    TooLarge,   // the header claims more pixels (or a longer side) than the limits
                // allow, or decoding would allocate more than maxDecodeBytes
};

// The default bound on one decoder's allocations; ImageMagick's process-wide
// resource limits use it too.
inline constexpr qint64 kMaxDecodeBytes = 256LL * 1024 * 1024;

struct LoadOptions {
    // When valid, the picture is decoded straight to fit inside this size,
    // keeping its aspect ratio; it is never enlarged. JPEG uses the decoder's
    // DCT scaling, so a 24 MP photo shown on a 2 MP screen never exists at
    // 24 MP in memory. An invalid size decodes at full size.
    QSize fitInside;
    // When false, the decoded image may be up to twice the fitted size in each
    // direction (whatever the cheapest decoder scale gives), which skips the
    // final resampling; the caller scales it when it paints anyway.
    bool exactFit = true;
    // Limits checked against the header before anything is decoded, the
    // same for every format: the picture's own size, whatever it is decoded
    // to (64 MP is 256 MiB as ARGB32).
    qint64 maxPixels = 64LL * 1024 * 1024;
    int maxSide = 32768;
    qint64 maxFileBytes = 512LL * 1024 * 1024;
    // What one decoder may allocate while it works (a progressive JPEG's
    // coefficients, Qt's image buffer); beyond it the picture is TooLarge.
    qint64 maxDecodeBytes = kMaxDecodeBytes;
};

struct LoadResult {
    LoadStatus status = LoadStatus::Unreadable;
    // Format_RGB32 for opaque pictures, Format_ARGB32_Premultiplied when the
    // picture has transparency. Upright: the EXIF orientation is applied.
    QImage image;
    QSize sourceSize;  // the picture's own pixel size, upright (before any scaling)
    QByteArray format; // short lower-case name of the decoder's format ("jpeg", "pcx"...)
    QString decoder;   // "libjpeg", "qt" or "magick"; for tests and diagnostics
    bool ok() const { return status == LoadStatus::Ok; }
};

// Loads the first image (first page, first frame) of the file.
LoadResult loadImage(const QString& path, const LoadOptions& options = {});

// The same from bytes in memory; nameHint (a file name, or empty) supplies the
// extension for formats that have no signature (TGA, PICT, MacPaint...).
LoadResult decodeImage(const QByteArray& data, const QString& nameHint = {},
                       const LoadOptions& options = {});

// Header-only information: the upright pixel size, without decoding pixels.
// Anything but a regular file gives ok == false without being opened (a
// named pipe would block the caller).
struct ImageInfo {
    bool ok = false;
    QSize size; // upright pixel size
    QByteArray format;
};
ImageInfo queryImageInfo(const QString& path);

// Save formats keep the imaging component's numbers.
enum class SaveFormat {
    WindowsBitmap = 6, // 24 bits per pixel, uncompressed
    Jpeg = 10,         // 24 bits per pixel, quality 100, 4:4:4
};

// Writes the image atomically (a failed save leaves an older file untouched).
// Transparent pixels are composed over white. Returns false with a readable
// message in *error when the file cannot be written.
bool saveImage(const QImage& image, const QString& path, SaveFormat format,
               QString* error = nullptr);

// Lower-case extensions (without dot) that loadImage reads on this machine.
QStringList readableExtensions();

// The size a picture of `source` pixels gets when fitted inside `bound`
// keeping its aspect ratio, never enlarged; each side at least 1.
QSize fitSize(QSize source, QSize bound);

} // namespace pictures
