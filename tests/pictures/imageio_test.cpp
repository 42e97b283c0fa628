// Picture files: every format we read, generated here by Qt or ImageMagick;
// broken and hostile files; EXIF orientation; saving.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <future>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTransform>

#include <Magick++.h>
#include <gtest/gtest.h>
#include <tiffio.h>

#include "common/testutil.h"
#include "pictures/imageio.h"
#include "pictures/pictureview.h"

using namespace pictures;

namespace {

const QSize kSize(64, 48);

// Four coloured quadrants: enough to see orientation, channel order and size.
QImage quadrants(QSize size = kSize)
{
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    const int w = size.width() / 2, h = size.height() / 2;
    p.fillRect(0, 0, w, h, QColor(220, 30, 30));
    p.fillRect(w, 0, size.width() - w, h, QColor(30, 200, 60));
    p.fillRect(0, h, w, size.height() - h, QColor(40, 60, 220));
    p.fillRect(w, h, size.width() - w, size.height() - h, QColor(240, 220, 40));
    return img;
}

// Black left half, white right half, for the one-bit formats.
QImage halves(QSize size = kSize)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter(&img).fillRect(0, 0, size.width() / 2, size.height(), Qt::black);
    return img;
}

QByteArray withQt(const QImage& img, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    EXPECT_TRUE(writer.write(img)) << format << writer.errorString().toStdString();
    return bytes;
}

QByteArray withMagick(const QImage& src, const char* coder,
                      const std::function<void(Magick::Image&)>& tune = {})
{
    const QImage img = src.convertToFormat(QImage::Format_RGB32);
    Magick::Image m;
    m.read(size_t(img.width()), size_t(img.height()), "BGRA", Magick::CharPixel, img.constBits());
    m.matte(false);
    if (tune)
        tune(m);
    m.magick(coder);
    Magick::Blob blob;
    m.write(&blob);
    // Writing TIFF here, outside the loader, installs ImageMagick's libtiff
    // handlers process-wide; the loader keeps them away from Qt's TIFF
    // plugin only for its own ImageMagick calls, so take them down here too.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return QByteArray(static_cast<const char*>(blob.data()), qsizetype(blob.length()));
}

// MacPaint: a 512-byte header and 720 PackBits rows of 72 bytes (576 pixels).
QByteArray macPaint()
{
    QByteArray d(512, '\0');
    for (int y = 0; y < 720; ++y) {
        // left 288 pixels black (bit set), right 288 white
        d.append(char(0xDD)); // repeat next byte 36 times (-35)
        d.append(char(0xFF));
        d.append(char(0xDD));
        d.append(char(0x00));
    }
    return d;
}

struct Format {
    const char* name;
    const char* extension;
    std::function<QByteArray()> make;
    bool lossy = false;
    bool bilevel = false;
    QSize size = kSize; // invalid: any size
    int tolerance = 0;  // per channel; 0: 48 for lossy formats, else 10
};

void PrintTo(const Format& f, std::ostream* os)
{
    *os << f.name;
}

std::vector<Format> formats()
{
    return {
        {"bmp", "bmp", [] { return withQt(quadrants(), "bmp"); }},
        {"dib", "dib", [] { return withQt(quadrants(), "bmp"); }},
        {"rle_bmp", "rle",
         [] {
             return withMagick(quadrants(), "BMP3", [](Magick::Image& m) {
                 m.type(Magick::PaletteType);
                 m.compressType(Magick::RLECompression);
             });
         }},
        {"png", "png", [] { return withQt(quadrants(), "png"); }},
        {"jpg", "jpg", [] { return withQt(quadrants(), "jpeg", 95); }, true},
        {"jpeg_cmyk", "jpeg",
         [] {
             return withMagick(quadrants(), "JPEG",
                               [](Magick::Image& m) { m.colorSpace(Magick::CMYKColorspace); });
         },
         true},
        {"tif", "tif", [] { return withQt(quadrants(), "tiff"); }},
        {"tiff_cmyk", "tiff",
         [] {
             return withMagick(quadrants(), "TIFF",
                               [](Magick::Image& m) { m.colorSpace(Magick::CMYKColorspace); });
         }},
        {"gif", "gif", [] { return withMagick(quadrants(), "GIF"); }},
        {"ico", "ico", [] { return withQt(quadrants(), "ico"); }},
        {"cur", "cur", [] { return withMagick(quadrants(), "CUR"); }},
        {"tga", "tga", [] { return withMagick(quadrants(), "TGA"); }},
        {"tga_rle", "tga",
         [] {
             return withMagick(quadrants(), "TGA",
                               [](Magick::Image& m) { m.compressType(Magick::RLECompression); });
         }},
        {"tga_palette", "tga",
         [] {
             return withMagick(quadrants(), "TGA",
                               [](Magick::Image& m) { m.type(Magick::PaletteType); });
         }},
        {"vda", "vda", [] { return withMagick(quadrants(), "TGA"); }},
        {"webp", "webp", [] { return withQt(quadrants(), "webp", 100); }, true},
        {"pcx", "pcx", [] { return withMagick(quadrants(), "PCX"); }},
        {"pcx_palette", "pcx",
         [] {
             return withMagick(quadrants(), "PCX",
                               [](Magick::Image& m) { m.type(Magick::PaletteType); });
         }},
        {"dcx", "dcx", [] { return withMagick(quadrants(), "DCX"); }},
        {"psd", "psd", [] { return withMagick(quadrants(), "PSD"); }},
        {"ras", "ras", [] { return withMagick(quadrants(), "SUN"); }},
        {"pct", "pct", [] { return withMagick(quadrants(), "PICT"); }},
        // Photo CD's YCC encoding shifts saturated colours a little more.
        {"pcd", "pcd", [] { return withMagick(quadrants(QSize(768, 512)), "PCD"); }, true, false,
         QSize(768, 512), 64},
        {"cal", "cal", [] { return withMagick(halves(), "CALS"); }, false, true},
        {"fax", "fax", [] { return withMagick(halves(QSize(1728, 48)), "FAX"); }, false, true,
         QSize()},
        {"mac", "mac", [] { return macPaint(); }, false, true, QSize(576, 720)},
    };
}

// Colour at the centre of each quadrant (or each half for one-bit formats).
void expectLooksLike(const QImage& img, const Format& f)
{
    ASSERT_FALSE(img.isNull());
    if (f.size.isValid())
        EXPECT_EQ(img.size(), f.size) << f.name;
    const int tol = f.tolerance ? f.tolerance : f.lossy ? 48 : 10;
    auto near = [&](QPoint at, QColor want) {
        const QColor got = img.pixelColor(at);
        EXPECT_NEAR(got.red(), want.red(), tol) << f.name << " at " << at.x() << "," << at.y();
        EXPECT_NEAR(got.green(), want.green(), tol) << f.name << " at " << at.x() << "," << at.y();
        EXPECT_NEAR(got.blue(), want.blue(), tol) << f.name << " at " << at.x() << "," << at.y();
    };
    const int w = img.width(), h = img.height();
    if (f.bilevel) {
        near(QPoint(w / 4, h / 2), Qt::black);
        near(QPoint(3 * w / 4, h / 2), Qt::white);
        return;
    }
    near(QPoint(w / 4, h / 4), QColor(220, 30, 30));
    near(QPoint(3 * w / 4, h / 4), QColor(30, 200, 60));
    near(QPoint(w / 4, 3 * h / 4), QColor(40, 60, 220));
    near(QPoint(3 * w / 4, 3 * h / 4), QColor(240, 220, 40));
}

class FormatTest : public ::testing::TestWithParam<Format> {
protected:
    QString write(const QByteArray& data, const QString& base = QStringLiteral("picture"))
    {
        const QString path = m_dir.filePath(base + "." + GetParam().extension);
        testutil::writeFile(path, data);
        return path;
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_P(FormatTest, LoadsWithItsColoursAndSize)
{
    const QByteArray data = GetParam().make();
    ASSERT_FALSE(data.isEmpty());
    const LoadResult r = loadImage(write(data));
    ASSERT_EQ(r.status, LoadStatus::Ok) << GetParam().name;
    expectLooksLike(r.image, GetParam());
    EXPECT_EQ(r.sourceSize, r.image.size());
}

TEST_P(FormatTest, InformationQueryGivesTheSize)
{
    const QByteArray data = GetParam().make();
    const QString path = write(data);
    const ImageInfo info = queryImageInfo(path);
    ASSERT_TRUE(info.ok) << GetParam().name;
    EXPECT_EQ(info.size, loadImage(path).image.size()) << GetParam().name;
}

TEST_P(FormatTest, FitsInsideABoundWithoutEnlarging)
{
    const QByteArray data = GetParam().make();
    LoadOptions o;
    o.fitInside = QSize(20, 20);
    const LoadResult small = loadImage(write(data), o);
    ASSERT_EQ(small.status, LoadStatus::Ok);
    EXPECT_LE(small.image.width(), 20);
    EXPECT_LE(small.image.height(), 20);
    EXPECT_TRUE(small.image.width() == 20 || small.image.height() == 20);
    o.fitInside = QSize(4000, 4000);
    EXPECT_EQ(loadImage(write(data), o).image.size(), small.sourceSize);
}

// Truncated, cut to the header, or with its middle overwritten: never a
// crash, never a half picture, and the picture view keeps what it showed.
TEST_P(FormatTest, BrokenFilesAreUnreadableAndKeepTheCurrentPicture)
{
    const QByteArray data = GetParam().make();
    PictureView view;
    QImage before(8, 8, QImage::Format_RGB32);
    before.fill(Qt::magenta);
    view.setImage(before);

    const qsizetype n = data.size();
    std::vector<std::pair<std::string, QByteArray>> broken = {
        {"empty", QByteArray()},
        {"first byte", data.left(1)},
        {"16 bytes", data.left(16)},
        {"half", data.left(n / 2)},
        {"all but 40%", data.left(n * 6 / 10)},
    };
    for (const auto& [what, bytes] : broken) {
        const QString path = write(bytes, QString::fromStdString("broken"));
        const LoadResult r = loadImage(path);
        EXPECT_NE(r.status, LoadStatus::Ok) << GetParam().name << ": " << what;
        EXPECT_NE(view.loadImage(path), LoadStatus::Ok) << GetParam().name << ": " << what;
        EXPECT_EQ(view.image(), before) << GetParam().name << ": " << what;
    }
    // Overwritten bytes may still decode (most formats carry no checksum);
    // they must not crash or hang.
    for (int at : {8, 24, int(n / 3), int(n / 2)}) {
        QByteArray bytes = data;
        for (int i = at; i < std::min<qsizetype>(n, at + 16); ++i)
            bytes[i] = char(bytes[i] ^ 0x5a);
        (void)loadImage(write(bytes, QStringLiteral("garbled")));
        (void)queryImageInfo(write(bytes, QStringLiteral("garbled")));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatTest, ::testing::ValuesIn(formats()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

TEST(ImageIo, NewerFormatsWhereThisMachineHasTheirDecoders)
{
    QTemporaryDir dir;
    for (const char* coder : {"HEIC", "AVIF"}) {
        QByteArray data;
        try {
            data = withMagick(quadrants(), coder);
        } catch (const std::exception& e) {
            std::printf("%s: no encoder here (%s); reading not tested\n", coder, e.what());
            continue;
        }
        const QString path = dir.filePath(QString::fromLatin1(coder).toLower() + ".img");
        testutil::writeFile(path, data);
        const LoadResult r = loadImage(path);
        ASSERT_EQ(r.status, LoadStatus::Ok) << coder;
        Format f{coder, "", {}, true};
        expectLooksLike(r.image, f);
    }
}

TEST(ImageIo, MissingFilesAndNonPicturesAreReportedApart)
{
    QTemporaryDir dir;
    EXPECT_EQ(loadImage(dir.filePath("nothing.jpg")).status, LoadStatus::NotFound);
    EXPECT_EQ(loadImage(dir.path()).status, LoadStatus::NotFound);
    EXPECT_EQ(loadImage(QString()).status, LoadStatus::NotFound);
    for (const char* name : {"text.bmp", "text.jpg", "text.tga", "text.pcx", "text.mac", "text.png",
                             "script.wmf", "text.pct"}) {
        const QString path = dir.filePath(name);
        testutil::writeFile(path, "This is not a picture at all, just some text.\r\n");
        EXPECT_EQ(loadImage(path).status, LoadStatus::Unreadable) << name;
        EXPECT_FALSE(queryImageInfo(path).ok) << name;
    }
    // ImageMagick's script formats are never reached, whatever the name says.
    const QString svg = dir.filePath("drawing.pcx");
    testutil::writeFile(svg, "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>");
    EXPECT_EQ(loadImage(svg).status, LoadStatus::Unreadable);
    const QString msl = dir.filePath("x.tga");
    testutil::writeFile(msl, "<?xml version='1.0'?><image><read filename='/etc/passwd'/></image>");
    EXPECT_EQ(loadImage(msl).status, LoadStatus::Unreadable);
}

TEST(ImageIo, AFileNamedWronglyIsReadByItsContent)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("really-a-png.jpg");
    testutil::writeFile(path, withQt(quadrants(), "png"));
    const LoadResult r = loadImage(path);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.format, "png");
}

TEST(ImageIo, LargeJpegDecodesStraightToTheFittedSize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.jpg");
    testutil::writeFile(path, withQt(quadrants(QSize(1600, 1200)), "jpeg", 90));
    LoadOptions o;
    o.fitInside = QSize(400, 400);
    const LoadResult r = loadImage(path, o);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.decoder, "libjpeg");
    EXPECT_EQ(r.image.size(), QSize(400, 300));
    EXPECT_EQ(r.sourceSize, QSize(1600, 1200));
    o.exactFit = false; // the DCT scale alone: 2/8 of 1600 x 1200
    EXPECT_EQ(loadImage(path, o).image.size(), QSize(400, 300));
    o.fitInside = QSize(500, 500); // needs 3/8
    EXPECT_EQ(loadImage(path, o).image.size(), QSize(600, 450));
    // The pixel limit is the file's own size, whatever it is decoded to.
    o.maxPixels = 300000;
    EXPECT_EQ(loadImage(path, o).status, LoadStatus::TooLarge);
}

// ---------------------------------------------------------------------------
// EXIF orientation: the file holds the picture turned as a camera stores it,
// and the tag says how to turn it upright.

namespace {

QByteArray exifSegment(int orientation, bool bigEndian)
{
    QByteArray tiff;
    auto put16 = [&](int v) {
        if (bigEndian) {
            tiff.append(char(v >> 8));
            tiff.append(char(v));
        } else {
            tiff.append(char(v));
            tiff.append(char(v >> 8));
        }
    };
    auto put32 = [&](quint32 v) {
        if (bigEndian) {
            put16(int(v >> 16));
            put16(int(v & 0xffff));
        } else {
            put16(int(v & 0xffff));
            put16(int(v >> 16));
        }
    };
    tiff.append(bigEndian ? "MM" : "II");
    put16(42);
    put32(8);
    put16(2);      // entries
    put16(0x010f); // make (ASCII, 4 bytes inline)
    put16(2);
    put32(4);
    tiff.append("Kv\0\0", 4);
    put16(0x0112); // orientation
    put16(3);
    put32(1);
    put16(orientation);
    put16(0);
    put32(0);
    QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray seg("\xFF\xE1", 2);
    const int len = int(payload.size()) + 2;
    seg.append(char(len >> 8));
    seg.append(char(len & 0xff));
    return seg + payload;
}

// What a camera stores for an upright scene under each orientation tag: the
// inverse of the turn the tag asks for.
QImage storedFor(const QImage& upright, int o)
{
    switch (o) {
    case 2:
        return upright.mirrored(true, false);
    case 3:
        return upright.mirrored(true, true);
    case 4:
        return upright.mirrored(false, true);
    case 5: // transpose is its own inverse
        return upright.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6: // shown turned 90 degrees clockwise, so stored turned back
        return upright.transformed(QTransform().rotate(-90));
    case 7:
        return upright.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8:
        return upright.transformed(QTransform().rotate(90));
    default:
        return upright;
    }
}

} // namespace

class ExifTest : public ::testing::TestWithParam<int> {};

TEST_P(ExifTest, PhotosComeOutUpright)
{
    const int o = GetParam();
    const QImage upright = quadrants(QSize(80, 40));
    QByteArray jpeg = withQt(storedFor(upright, o), "jpeg", 95);
    QTemporaryDir dir;
    for (bool bigEndian : {false, true}) {
        const QByteArray file = jpeg.left(2) + exifSegment(o, bigEndian) + jpeg.mid(2);
        const QString path = dir.filePath(QStringLiteral("o%1.jpg").arg(o));
        testutil::writeFile(path, file);
        const LoadResult r = loadImage(path);
        ASSERT_TRUE(r.ok());
        Format f{"exif", "jpg", {}, true, false, QSize(80, 40)};
        expectLooksLike(r.image, f);
        EXPECT_EQ(queryImageInfo(path).size, QSize(80, 40));
        // scaled decoding turns the same way
        LoadOptions small;
        small.fitInside = QSize(40, 40);
        const LoadResult s = loadImage(path, small);
        ASSERT_TRUE(s.ok());
        Format fs{"exif scaled", "jpg", {}, true, false, QSize(40, 20)};
        expectLooksLike(s.image, fs);
    }
}

INSTANTIATE_TEST_SUITE_P(Orientations, ExifTest, ::testing::Range(1, 9));

// ---------------------------------------------------------------------------
// Decompression bombs: headers that claim billions of pixels are refused from
// the header, in a child process whose address space cannot grow by more than
// 300 MB, so that an attempted big allocation would fail the test.

namespace {

quint32 crc32(const QByteArray& d)
{
    quint32 c = 0xffffffffu;
    for (char ch : d) {
        c ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
    }
    return ~c;
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    b[0] = char(v >> 24);
    b[1] = char(v >> 16);
    b[2] = char(v >> 8);
    b[3] = char(v);
    return b;
}

QByteArray pngBomb()
{
    QByteArray ihdr = "IHDR" + be32(100000) + be32(100000) + QByteArray("\x08\x02\0\0\0", 5);
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += be32(13) + ihdr + be32(crc32(ihdr));
    QByteArray idat = QByteArray("IDAT") + QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    png += be32(8) + idat + be32(crc32(idat));
    return png;
}

QByteArray patchJpegSize(QByteArray jpeg, int w, int h)
{
    const int sof = int(jpeg.indexOf("\xFF\xC0"));
    jpeg[sof + 5] = char(h >> 8);
    jpeg[sof + 6] = char(h);
    jpeg[sof + 7] = char(w >> 8);
    jpeg[sof + 8] = char(w);
    return jpeg;
}

// A real progressive JPEG of 16 x 16 whose frame header is changed to claim
// w x h; `fullChroma` also claims full-resolution colour components, which
// triples the coefficient memory a decoder needs.
QByteArray progressiveClaim(int w, int h, bool fullChroma)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    EXPECT_TRUE(writer.write(quadrants(QSize(16, 16))));
    const int sof = int(jpeg.indexOf("\xFF\xC2"));
    EXPECT_GT(sof, 0) << "not progressive";
    jpeg[sof + 5] = char(h >> 8);
    jpeg[sof + 6] = char(h);
    jpeg[sof + 7] = char(w >> 8);
    jpeg[sof + 8] = char(w);
    if (fullChroma) {
        const int components = jpeg[sof + 9];
        for (int c = 0; c < components; ++c)
            jpeg[sof + 11 + 3 * c] = char(0x22);
    }
    return jpeg;
}

QByteArray bmpBomb()
{
    QByteArray bmp = withQt(quadrants(QSize(4, 4)), "bmp");
    auto put32 = [&](int at, qint32 v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = char((quint32(v) >> (8 * i)) & 0xff);
    };
    put32(18, 60000);
    put32(22, 60000);
    return bmp;
}

QByteArray pcxBomb()
{
    QByteArray pcx = withMagick(quadrants(QSize(4, 4)), "PCX");
    pcx[8] = char(0xff); // xmax = 65535
    pcx[9] = char(0xff);
    pcx[10] = char(0xff); // ymax = 65535
    pcx[11] = char(0xff);
    return pcx;
}

QByteArray psdBomb()
{
    QByteArray psd = withMagick(quadrants(QSize(4, 4)), "PSD");
    const QByteArray h = be32(30000), w = be32(30000); // the largest a PSD may claim
    psd.replace(14, 4, h);
    psd.replace(18, 4, w);
    return psd;
}

void expectRefusedWithoutAllocating(const QByteArray& data, const QString& name)
{
    EXPECT_EXIT(
        {
            long pages = 0;
            FILE* f = std::fopen("/proc/self/statm", "r");
            if (!f || std::fscanf(f, "%ld", &pages) != 1)
                _exit(9);
            std::fclose(f);
            struct rlimit limit;
            limit.rlim_cur = limit.rlim_max =
                rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (300ULL << 20);
            setrlimit(RLIMIT_AS, &limit);
            const LoadResult r = decodeImage(data, name);
            _exit(r.status == LoadStatus::TooLarge ? 0 : 1 + int(r.status));
        },
        ::testing::ExitedWithCode(0), "")
        << name.toStdString();
}

} // namespace

TEST(ImageBombs, HugeHeadersAreRefusedBeforeAnythingIsAllocated)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    const QByteArray jpeg = withQt(quadrants(QSize(16, 16)), "jpeg", 90);
    expectRefusedWithoutAllocating(pngBomb(), "bomb.png");
    expectRefusedWithoutAllocating(patchJpegSize(jpeg, 65000, 65000), "bomb.jpg");
    // A few hundred bytes of progressive JPEG claiming 20000 x 20000: libjpeg
    // would allocate every coefficient of it before reading a scan.
    expectRefusedWithoutAllocating(progressiveClaim(20000, 20000, false), "progressive.jpg");
    // Within the pixel limit, but with every component at full resolution
    // its coefficients need 384 MB: the bound on one decode stops it.
    expectRefusedWithoutAllocating(progressiveClaim(8000, 8000, true), "coefficients.jpg");
    expectRefusedWithoutAllocating(bmpBomb(), "bomb.bmp");
    expectRefusedWithoutAllocating(pcxBomb(), "bomb.pcx");
    expectRefusedWithoutAllocating(psdBomb(), "bomb.psd");
}

TEST(ImageBombs, TheHeaderCheckAloneRefusesThem)
{
    // The same in-process, for the sanitizer build's allocation reports.
    EXPECT_EQ(decodeImage(pngBomb(), "bomb.png").status, LoadStatus::TooLarge);
    EXPECT_EQ(decodeImage(pcxBomb(), "bomb.pcx").status, LoadStatus::TooLarge);
    EXPECT_EQ(decodeImage(psdBomb(), "bomb.psd").status, LoadStatus::TooLarge);
}

// ---------------------------------------------------------------------------

TEST(ImageSave, BitmapsComeBackWithTheSamePixels)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("zempaper.bmp");
    QImage img = quadrants(QSize(67, 31)); // odd width: rows are padded
    img.setPixel(5, 5, qRgb(1, 2, 3));
    QString error;
    ASSERT_TRUE(saveImage(img, path, SaveFormat::WindowsBitmap, &error)) << error.toStdString();
    const QByteArray bytes = testutil::readFile(path);
    ASSERT_GE(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), "BM");
    EXPECT_EQ(quint8(bytes[28]), 24); // bits per pixel
    const LoadResult r = loadImage(path);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image.convertToFormat(QImage::Format_RGB32), img);
}

TEST(ImageSave, JpegsComeBackClose)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    const QImage img = quadrants(QSize(120, 80));
    ASSERT_TRUE(saveImage(img, path, SaveFormat::Jpeg));
    const LoadResult r = loadImage(path);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.image.size(), img.size());
    qint64 total = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb a = img.pixel(x, y), b = r.image.pixel(x, y);
            total += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                     std::abs(qBlue(a) - qBlue(b));
        }
    EXPECT_LT(double(total) / (img.width() * img.height() * 3), 2.0);
}

TEST(ImageSave, TransparencyGoesOnWhiteAndFailuresLeaveOldFiles)
{
    QTemporaryDir dir;
    QImage clear(10, 10, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QString path = dir.filePath("clear.bmp");
    ASSERT_TRUE(saveImage(clear, path, SaveFormat::WindowsBitmap));
    EXPECT_EQ(loadImage(path).image.pixel(3, 3), qRgb(255, 255, 255));

    QString error;
    EXPECT_FALSE(saveImage(clear, dir.filePath("no/such/folder/x.jpg"), SaveFormat::Jpeg, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(saveImage(QImage(), path, SaveFormat::Jpeg, &error));
    EXPECT_EQ(loadImage(path).image.pixel(3, 3), qRgb(255, 255, 255)); // untouched
}

// ---------------------------------------------------------------------------
// Files as they come from cameras, scanners and old programs.

namespace {

const QColor kNavy(20, 40, 160);
const QColor kGold(250, 220, 30);

// Left half navy, right half gold, in a palette of two colours (one bit) or
// of sixteen (eight bits, a palette picture with unused entries).
QImage twoColours(QSize size, QImage::Format format)
{
    QImage img(size, format);
    QList<QRgb> table = {kNavy.rgb(), kGold.rgb()};
    if (format == QImage::Format_Indexed8) {
        for (int i = 2; i < 16; ++i)
            table << qRgb(i * 15, 255 - i * 15, i * 7);
    }
    img.setColorTable(table);
    img.fill(0);
    for (int y = 0; y < size.height(); ++y)
        for (int x = size.width() / 2; x < size.width(); ++x)
            img.setPixel(x, y, 1);
    return img;
}

struct PaletteCase {
    const char* name;
    const char* format;
    QImage::Format pixels;
    QSize size;
    QSize bound;
};

void PrintTo(const PaletteCase& c, std::ostream* os)
{
    *os << c.name;
}

class PaletteTest : public ::testing::TestWithParam<PaletteCase> {};

// Replaces the two bytes at `marker`'s first place with stray bytes and the
// marker: libjpeg warns about "extraneous bytes" and reads on.
QByteArray withStrayBytes(QByteArray jpeg, const char* marker)
{
    const int at = int(jpeg.indexOf(marker));
    EXPECT_GT(at, 0);
    jpeg.insert(at, QByteArray("\x00\x7f", 2));
    return jpeg;
}

QByteArray withJfifVersion(QByteArray jpeg, int major, int minor)
{
    const int at = int(jpeg.indexOf(QByteArray("JFIF\0", 5)));
    EXPECT_GT(at, 0);
    jpeg[at + 5] = char(major);
    jpeg[at + 6] = char(minor);
    return jpeg;
}

// A photo-like picture: quadrants under noise, so that the entropy-coded
// data fills the file evenly.
QImage busyQuadrants(QSize size)
{
    QImage img = quadrants(size);
    quint32 seed = 12345;
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int(seed >> 28) - 8;
            const QColor c(line[x]);
            line[x] = qRgb(std::clamp(c.red() + n, 0, 255), std::clamp(c.green() + n, 0, 255),
                           std::clamp(c.blue() + n, 0, 255));
        }
    }
    return img;
}

} // namespace

TEST_P(PaletteTest, KeepsItsColoursWhenFittedSmaller)
{
    const PaletteCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("two.") + c.format);
    testutil::writeFile(path, withQt(twoColours(c.size, c.pixels), c.format));
    LoadOptions o;
    o.fitInside = c.bound;
    for (bool exact : {true, false}) {
        o.exactFit = exact;
        const LoadResult r = loadImage(path, o);
        ASSERT_TRUE(r.ok()) << c.name;
        EXPECT_LE(r.image.width(), exact ? c.bound.width() : 2 * c.bound.width());
        // Every pixel away from the seam keeps its half's colour: a picture
        // dithered to black and white has none of them.
        const int w = r.image.width(), h = r.image.height();
        int wrong = 0;
        for (int y = 0; y < h; y += std::max(1, h / 16)) {
            for (int x = 0; x < w; x += std::max(1, w / 64)) {
                if (std::abs(x - w / 2) < 3)
                    continue;
                const QColor want = x < w / 2 ? kNavy : kGold;
                const QColor got = r.image.pixelColor(x, y);
                if (std::abs(got.red() - want.red()) > 12 ||
                    std::abs(got.green() - want.green()) > 12 ||
                    std::abs(got.blue() - want.blue()) > 12)
                    ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << c.name << (exact ? " exact" : " loose");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Palettes, PaletteTest,
    ::testing::Values(
        PaletteCase{"png_1bit_wider_than_a_screen", "png", QImage::Format_Mono, {4000, 600},
                    {1280, 1024}},
        PaletteCase{"png_1bit_to_a_third", "png", QImage::Format_Mono, {1500, 900}, {500, 500}},
        PaletteCase{"png_palette_to_a_seventh", "png", QImage::Format_Indexed8, {2800, 700},
                    {400, 400}},
        PaletteCase{"bmp_1bit_wider_than_a_screen", "bmp", QImage::Format_Mono, {4000, 600},
                    {1280, 1024}},
        PaletteCase{"bmp_palette_to_a_fifth", "bmp", QImage::Format_Indexed8, {2000, 1000},
                    {400, 400}}),
    [](const auto& info) { return std::string(info.param.name); });

// libjpeg warns about things every viewer shows; only data that ends early
// or cannot be decoded makes a JPEG unreadable.
TEST(JpegWarnings, HarmlessOnesStillGiveThePicture)
{
    const QByteArray jpeg = withQt(quadrants(QSize(256, 192)), "jpeg", 95);
    const Format f{"jpg", "jpg", {}, true, false, QSize(256, 192)};
    const std::vector<std::pair<const char*, QByteArray>> files = {
        {"stray bytes before the scan", withStrayBytes(jpeg, "\xFF\xDA")},
        {"stray bytes before a table", withStrayBytes(jpeg, "\xFF\xC4")},
        {"JFIF 2.01", withJfifVersion(jpeg, 2, 1)},
    };
    QTemporaryDir dir;
    for (const auto& [what, bytes] : files) {
        const QString path = dir.filePath("photo.jpg");
        testutil::writeFile(path, bytes);
        const LoadResult r = loadImage(path);
        ASSERT_EQ(r.status, LoadStatus::Ok) << what;
        expectLooksLike(r.image, f);
        EXPECT_TRUE(queryImageInfo(path).ok) << what;
    }
}

TEST(JpegWarnings, TruncatedOrUndecodableOnesAreUnreadable)
{
    const QImage photo = busyQuadrants(QSize(320, 240));
    const QByteArray rgb = withQt(photo, "jpeg", 90);
    const QByteArray cmyk = withMagick(photo, "JPEG", [](Magick::Image& m) {
        m.colorSpace(Magick::CMYKColorspace);
        m.quality(90);
    });
    QByteArray garbled = rgb;
    const int scan = int(garbled.indexOf("\xFF\xDA")) + 20;
    for (int i = scan; i < garbled.size() - 2; i += 7)
        garbled[i] = char(0xFF); // markers everywhere in the entropy data
    const std::vector<std::pair<const char*, QByteArray>> files = {
        {"rgb cut at 70%", rgb.left(rgb.size() * 7 / 10)},
        {"cmyk cut at 70%", cmyk.left(cmyk.size() * 7 / 10)},
        {"cmyk cut at 95%", cmyk.left(cmyk.size() * 95 / 100)},
        {"entropy data garbled", garbled},
    };
    QTemporaryDir dir;
    for (const auto& [what, bytes] : files) {
        const QString path = dir.filePath("photo.jpg");
        testutil::writeFile(path, bytes);
        EXPECT_EQ(loadImage(path).status, LoadStatus::Unreadable) << what;
    }
    // The whole CMYK file is the picture, in its colours.
    const QString whole = dir.filePath("cmyk.jpg");
    testutil::writeFile(whole, cmyk);
    const LoadResult r = loadImage(whole);
    ASSERT_TRUE(r.ok());
    expectLooksLike(r.image, Format{"cmyk", "jpg", {}, true, false, QSize(320, 240)});
}

// A named pipe (or a device) in a list is no picture: asking about it must
// not open it, or the caller waits for a writer that never comes.
TEST(ImageIo, PipesAreNotFilesAndAreNeverOpened)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.jpg");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto attempt = std::async(std::launch::async, [&] {
        const ImageInfo info = queryImageInfo(fifo);
        return std::make_pair(info.ok, loadImage(fifo).status);
    });
    const bool returned = attempt.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!returned) {
        // Let the blocked open go, so that the test can end.
        ::close(::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK));
    }
    ASSERT_TRUE(returned) << "reading a named pipe blocked";
    const auto [infoOk, status] = attempt.get();
    EXPECT_FALSE(infoOk);
    EXPECT_EQ(status, LoadStatus::NotFound);
    EXPECT_EQ(loadImage(dir.path()).status, LoadStatus::NotFound);
}

TEST(ImageIo, FitSizeKeepsTheAspectAndNeverEnlarges)
{
    EXPECT_EQ(fitSize(QSize(6000, 4000), QSize(1920, 1080)), QSize(1620, 1080));
    EXPECT_EQ(fitSize(QSize(4000, 6000), QSize(1920, 1080)), QSize(720, 1080));
    EXPECT_EQ(fitSize(QSize(640, 480), QSize(1920, 1080)), QSize(640, 480));
    EXPECT_EQ(fitSize(QSize(10000, 1), QSize(100, 100)), QSize(100, 1));
    EXPECT_EQ(fitSize(QSize(640, 480), QSize()), QSize(640, 480));
}
