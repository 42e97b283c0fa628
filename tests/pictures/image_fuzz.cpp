// libFuzzer target for the picture loader: any bytes, under any of our
// extensions, must decode or be refused without crashing, hanging or
// allocating past the limits. Built by scripts/fuzz-images.sh (clang only).

#include <cstddef>
#include <cstdint>

#include <QCoreApplication>
#include <QString>

#include "pictures/imageio.h"

namespace {

// The first byte picks the name, so the formats that are chosen by their
// extension (TGA, PICT, MacPaint, CALS, fax, Photo CD) get fuzzed too.
const char* const kNames[] = {"x.jpg",  "x.png",  "x.bmp", "x.gif", "x.tif", "x.ico", "x.cur",
                              "x.tga",  "x.pcx",  "x.dcx", "x.psd", "x.ras", "x.pct", "x.mac",
                              "x.cal",  "x.fax",  "x.pcd", "x.wmf", "x.wpg", "x.rle", "x.webp",
                              "x.heic", "x.avif", "x.vda", "x.dib", "x"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv); // plugin paths for QImageReader
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const char* name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    pictures::LoadOptions options;
    options.maxPixels = 4 * 1024 * 1024; // keep each run small
    if (data[0] & 0x80)
        options.fitInside = QSize(64, 64);
    const pictures::LoadResult r = pictures::decodeImage(bytes, QString::fromLatin1(name), options);
    if (r.ok() &&
        (r.image.isNull() || r.image.width() * qint64(r.image.height()) > options.maxPixels))
        __builtin_trap(); // a success must be a picture within the limits
    return 0;
}
