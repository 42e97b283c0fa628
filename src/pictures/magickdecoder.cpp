#include "pictures/magickdecoder.h"

#include <cstring>
#include <mutex>

#include <QImage>

#include <Magick++.h>
#include <tiffio.h>

namespace pictures::detail {

namespace {

struct Coder {
    const char* extension;
    const char* coder;
};

// Formats without a usable signature: the extension decides, and only among
// these. Everything else must be recognised by its content.
constexpr Coder kByExtension[] = {
    {"tga", "TGA"},   {"vda", "TGA"}, {"icb", "TGA"},  {"vst", "TGA"},   {"pct", "PICT"},
    {"pict", "PICT"}, {"mac", "MAC"}, {"cal", "CALS"}, {"cals", "CALS"}, {"fax", "FAX"},
    {"g3", "FAX"},    {"pcd", "PCD"}, {"pcx", "PCX"},
};

// Every extension we may hand to ImageMagick, with its coder; used for the
// list of readable extensions.
constexpr Coder kAllExtensions[] = {
    {"pcx", "PCX"},   {"dcx", "DCX"},   {"pcd", "PCD"}, {"psd", "PSD"},  {"tga", "TGA"},
    {"vda", "TGA"},   {"ras", "SUN"},   {"wpg", "WPG"}, {"pct", "PICT"}, {"mac", "MAC"},
    {"cal", "CALS"},  {"fax", "FAX"},   {"wmf", "WMF"}, {"rle", "RLE"},  {"heic", "HEIC"},
    {"heif", "HEIC"}, {"avif", "AVIF"}, {"bmp", "BMP"}, {"dib", "BMP"},  {"tif", "TIFF"},
    {"tiff", "TIFF"},
};

bool startsWith(const QByteArray& d, const char* magic, int n, int at = 0)
{
    return d.size() >= at + n && std::memcmp(d.constData() + at, magic, size_t(n)) == 0;
}

std::mutex& magickMutex()
{
    static std::mutex m;
    return m;
}

// ImageMagick's TIFF module (also used by its CALS reader) installs
// process-wide libtiff handlers that report into the exception of the decode
// in progress. Qt's TIFF plugin shares libtiff, so an error in a later Qt
// decode would reach a stale exception and abort the process. ImageMagick's
// handlers are therefore only in place while ImageMagick runs.
class TiffHandlerSwap {
public:
    TiffHandlerSwap()
    {
        TIFFSetErrorHandler(s_error);
        TIFFSetWarningHandler(s_warning);
    }
    ~TiffHandlerSwap()
    {
        if (TIFFErrorHandler e = TIFFSetErrorHandler(nullptr))
            s_error = e;
        if (TIFFErrorHandler w = TIFFSetWarningHandler(nullptr))
            s_warning = w;
    }

private:
    static inline TIFFErrorHandler s_error = nullptr;
    static inline TIFFErrorHandler s_warning = nullptr;
};

// Held for every use of ImageMagick: one at a time, with its TIFF handlers.
struct MagickSession {
    std::lock_guard<std::mutex> lock{magickMutex()};
    TiffHandlerSwap handlers;
};

// Called with the mutex held.
void initMagick()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    Magick::InitializeMagick(nullptr);
    // One thread: the machine is shared with the show's own painting, and
    // OpenMP pools would outlive every decode. The pixel cache may not spill
    // to disk or to mapped files, so an oversized picture fails instead of
    // filling /tmp or memory. Its pixels take 8 bytes (16 bits a channel),
    // twice ours: twice our bound on one decode.
    Magick::ResourceLimits::thread(1);
    Magick::ResourceLimits::memory(2 * kMaxDecodeBytes);
    Magick::ResourceLimits::map(0);
    Magick::ResourceLimits::disk(0);
    Magick::ResourceLimits::width(65535);
    Magick::ResourceLimits::height(65535);
    Magick::ResourceLimits::listLength(64);
}

void prepare(Magick::Image& img, const QByteArray& coder)
{
    img.quiet(false);
    // Photo CD picks its resolution from the scene number: left alone it
    // gives the 768 x 512 base image, asked for scene 0 the 192 x 128 one.
    if (coder != "PCD") {
        img.subImage(0);
        img.subRange(1);
    }
    img.magick(coder.toStdString());
}

// Coders that turn their rows themselves; autoOrient would turn them twice.
bool orientsItself(const QByteArray& coder)
{
    return coder == "TGA";
}

} // namespace

QByteArray magickCoderFor(const QByteArray& d, const QString& ext)
{
    const auto* u = reinterpret_cast<const uchar*>(d.constData());
    if (startsWith(d, "\xB1\x68\xDE\x3A", 4))
        return "DCX";
    if (startsWith(d, "8BPS", 4))
        return "PSD";
    if (startsWith(d, "\x59\xA6\x6A\x95", 4))
        return "SUN";
    if (startsWith(d, "\xFF\x57\x50\x43", 4))
        return "WPG";
    if (startsWith(d, "\xD7\xCD\xC6\x9A", 4) || startsWith(d, "\x01\x00\x09\x00", 4) ||
        startsWith(d, "\x02\x00\x09\x00", 4))
        return "WMF";
    if (startsWith(d, "\x52\xCC", 2))
        return "RLE";
    if (startsWith(d, "ftyp", 4, 4)) {
        if (startsWith(d, "avif", 4, 8) || startsWith(d, "avis", 4, 8))
            return "AVIF";
        if (startsWith(d, "heic", 4, 8) || startsWith(d, "heix", 4, 8) ||
            startsWith(d, "mif1", 4, 8) || startsWith(d, "msf1", 4, 8))
            return "HEIC";
    }
    if (d.size() >= 128 && u[0] == 0x0A && u[1] <= 5 && u[2] <= 1 &&
        (u[3] == 1 || u[3] == 2 || u[3] == 4 || u[3] == 8))
        return "PCX";
    if (startsWith(d, "PCD_IPI", 7, 0x800))
        return "PCD";
    // Of Qt's formats, only those Qt's plugins reject in useful cases: OS/2
    // and unusual bitmaps, CMYK or old-style JPEG TIFFs. PNG, GIF, JPEG and
    // WebP that Qt rejects are broken; ImageMagick's readers would only add
    // ways in (its PNG reader allocates whatever a chunk length claims).
    if (startsWith(d, "BM", 2))
        return "BMP";
    if (startsWith(d, "II*\0", 4) || startsWith(d, "MM\0*", 4))
        return "TIFF";
    for (const Coder& c : kByExtension) {
        if (ext == QLatin1String(c.extension))
            return c.coder;
    }
    return {};
}

QSize magickPing(const QByteArray& data, const QByteArray& coder)
{
    if (coder == "FAX") {
        // Raw fax data has no header: ping gives a default page, decoding
        // the (one-bit, small) data gives the real size.
        LoadOptions o;
        const LoadResult r = magickDecode(data, coder, o);
        return r.ok() ? r.image.size() : QSize();
    }
    MagickSession session;
    initMagick();
    try {
        Magick::Blob blob(data.constData(), size_t(data.size()));
        Magick::Image img;
        prepare(img, coder);
        img.ping(blob);
        return QSize(int(img.columns()), int(img.rows()));
    } catch (const Magick::Warning&) {
        return {};
    } catch (const Magick::Error& e) {
        if (dynamic_cast<const Magick::ErrorResourceLimit*>(&e) ||
            std::strstr(e.what(), "exceeds limit"))
            return QSize(65536, 65536);
        return {};
    } catch (const std::exception&) {
        return {};
    }
}

LoadResult magickDecode(const QByteArray& data, const QByteArray& coder, const LoadOptions& options)
{
    LoadResult result;
    result.decoder = QStringLiteral("magick");
    result.format = coder.toLower();
    MagickSession session;
    initMagick();
    try {
        Magick::Blob blob(data.constData(), size_t(data.size()));
        {
            // The header first: nothing is decoded whose size is out of bounds.
            Magick::Image probe;
            prepare(probe, coder);
            try {
                probe.ping(blob);
            } catch (const Magick::Error& e) {
                // Wider or taller than ImageMagick's limits (ours, or the
                // system policy's, which may only be stricter).
                if (dynamic_cast<const Magick::ErrorResourceLimit*>(&e) ||
                    std::strstr(e.what(), "exceeds limit"))
                    result.status = LoadStatus::TooLarge;
                return result;
            }
            const qint64 w = qint64(probe.columns());
            const qint64 h = qint64(probe.rows());
            if (w <= 0 || h <= 0)
                return result;
            if (w > options.maxSide || h > options.maxSide || w * h > options.maxPixels) {
                result.status = LoadStatus::TooLarge;
                return result;
            }
        }
        Magick::Image img;
        prepare(img, coder);
        try {
            img.read(blob);
        } catch (const Magick::WarningCorruptImage&) {
            return result; // truncated or damaged: a partial picture is not the file's
        } catch (const Magick::Warning&) {
            // harmless remarks (unknown tags, ...): the picture was read
        }
        if (!orientsItself(coder))
            img.autoOrient();
        if (img.colorSpace() != Magick::sRGBColorspace &&
            img.colorSpace() != Magick::RGBColorspace && img.colorSpace() != Magick::GRAYColorspace)
            img.colorSpace(Magick::sRGBColorspace);
        img.classType(Magick::DirectClass);
        const int w = int(img.columns());
        const int h = int(img.rows());
        if (w <= 0 || h <= 0 || w > options.maxSide || h > options.maxSide ||
            qint64(w) * h > options.maxPixels) {
            result.status = w > 0 && h > 0 ? LoadStatus::TooLarge : LoadStatus::Unreadable;
            return result;
        }
        const bool alpha = img.matte();
        QImage out(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (out.isNull())
            return result;
        img.write(0, 0, size_t(w), size_t(h), "BGRA", Magick::CharPixel, out.bits());
        result.sourceSize = out.size();
        result.image = std::move(out);
        result.status = LoadStatus::Ok;
    } catch (const Magick::Warning&) {
        return result;
    } catch (const std::exception&) {
        return result;
    }
    return result;
}

QStringList magickExtensions()
{
    static const QStringList list = [] {
        MagickSession session;
        initMagick();
        QStringList out;
        for (const Coder& c : kAllExtensions) {
            try {
                Magick::CoderInfo info(c.coder);
                if (info.isReadable())
                    out << QString::fromLatin1(c.extension);
            } catch (const std::exception&) {
            }
        }
        return out;
    }();
    return list;
}

} // namespace pictures::detail
