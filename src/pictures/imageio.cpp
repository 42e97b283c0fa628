#include "pictures/imageio.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QSet>

#include "pictures/imageio_checks.h"
#include "pictures/jpegdecoder.h"
#include "pictures/magickdecoder.h"

namespace pictures {

namespace {

// Qt plugins we let decode; anything else Qt could read (SVG, MNG, WBMP, ICNS)
// is not a picture format of ours, and WBMP would claim random bytes.
bool isQtFormatOfOurs(const QByteArray& f)
{
    static const QSet<QByteArray> formats = {"bmp",  "gif", "jpeg", "jpg", "png", "tif",
                                             "tiff", "ico", "cur",  "tga", "webp"};
    return formats.contains(f);
}

bool isTgaExtension(const QString& ext)
{
    return ext == QLatin1String("tga") || ext == QLatin1String("vda") ||
           ext == QLatin1String("icb") || ext == QLatin1String("vst");
}

// The Qt plugin for content Qt recognised as `detected`. TGA has no
// signature, and a TGA header also passes the icon plugin's weak check, so
// for a TGA name a detected icon is taken as TGA.
QByteArray qtFormatFor(const QByteArray& detected, const QString& ext)
{
    if (isTgaExtension(ext) && (detected.isEmpty() || detected == "ico" || detected == "cur"))
        return "tga";
    return isQtFormatOfOurs(detected) ? detected : QByteArray();
}

QString extensionOf(const QString& name)
{
    return QFileInfo(name).suffix().toLower();
}

QImage normalised(QImage image)
{
    if (image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.format() != QImage::Format_RGB32)
        return image.convertToFormat(QImage::Format_RGB32);
    return image;
}

bool uprightFromTransform(QImageIOHandler::Transformations t)
{
    return t & QImageIOHandler::TransformationRotate90;
}

bool isRegularFile(const QFileInfo& info)
{
    return info.exists() && info.isFile();
}

LoadResult decodeWithQt(const QByteArray& data, const QString& ext, const LoadOptions& o)
{
    LoadResult result;
    result.decoder = QStringLiteral("qt");
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = qtFormatFor(QImageReader::imageFormat(&buffer), ext);
    if (format.isEmpty())
        return result;
    if ((format == "bmp" && !detail::bitmapIsComplete(data)) ||
        (format == "gif" && !detail::gifIsComplete(data)))
        return result;
    buffer.seek(0);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(
        int(std::clamp<qint64>(o.maxDecodeBytes / (1024 * 1024), 1, 4096)));
    if (!reader.canRead())
        return result;
    result.format = format == "jpg" ? QByteArray("jpeg") : format;

    // Never a scaled read: none of these formats decodes smaller for less,
    // and Qt scales a palette or one-bit picture in its own format, which
    // dithers it to black and white. fitResult() scales the full colours.
    const QSize stored = reader.size();
    if (stored.isValid()) {
        if (stored.width() <= 0 || stored.height() <= 0)
            return result;
        if (qint64(stored.width()) * stored.height() > o.maxPixels ||
            std::max(stored.width(), stored.height()) > o.maxSide) {
            result.status = LoadStatus::TooLarge;
            return result;
        }
    }
    QImage image = reader.read();
    if (image.isNull())
        return result;
    if (image.width() > o.maxSide || image.height() > o.maxSide ||
        qint64(image.width()) * image.height() > o.maxPixels) {
        result.status = LoadStatus::TooLarge;
        return result;
    }
    result.sourceSize = image.size();
    result.image = normalised(std::move(image));
    result.status = LoadStatus::Ok;
    return result;
}

void fitResult(LoadResult& r, const LoadOptions& o)
{
    if (!r.ok() || !o.fitInside.isValid())
        return;
    const QSize want = fitSize(r.image.size(), o.fitInside);
    if (want == r.image.size())
        return;
    if (!o.exactFit && r.image.width() <= 2 * want.width() && r.image.height() <= 2 * want.height())
        return;
    r.image = r.image.scaled(want, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

QSize fitSize(QSize source, QSize bound)
{
    if (source.isEmpty())
        return source;
    if (!bound.isValid() || (source.width() <= bound.width() && source.height() <= bound.height()))
        return source;
    const qint64 bw = std::max(1, bound.width());
    const qint64 bh = std::max(1, bound.height());
    // Compare source.w / source.h with bw / bh without rounding.
    if (qint64(source.width()) * bh >= qint64(source.height()) * bw) {
        const qint64 h = (qint64(source.height()) * bw + source.width() / 2) / source.width();
        return QSize(int(bw), int(std::max<qint64>(1, h)));
    }
    const qint64 w = (qint64(source.width()) * bh + source.height() / 2) / source.height();
    return QSize(int(std::max<qint64>(1, w)), int(bh));
}

LoadResult decodeImage(const QByteArray& data, const QString& nameHint, const LoadOptions& o)
{
    LoadResult result;
    if (data.isEmpty())
        return result;
    if (data.size() > o.maxFileBytes) {
        result.status = LoadStatus::TooLarge;
        return result;
    }
    const QString ext = extensionOf(nameHint);
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());

    if (detail::looksLikeJpeg(bytes, size_t(data.size()))) {
        QImage image;
        QSize source;
        switch (detail::jpegDecode(bytes, size_t(data.size()), o, &image, &source)) {
        case detail::JpegStatus::Ok:
            result.status = LoadStatus::Ok;
            result.image = normalised(std::move(image));
            result.sourceSize = source;
            result.format = "jpeg";
            result.decoder = QStringLiteral("libjpeg");
            return result;
        case detail::JpegStatus::TooLarge:
            result.status = LoadStatus::TooLarge;
            return result;
        case detail::JpegStatus::Corrupt:
            return result;
        case detail::JpegStatus::NotJpeg:
            break;
        }
    }

    result = decodeWithQt(data, ext, o);
    if (result.status == LoadStatus::TooLarge)
        return result;
    if (!result.ok()) {
        const QByteArray coder = detail::magickCoderFor(data, ext);
        if (coder.isEmpty())
            return LoadResult{};
        if ((coder == "BMP" && !detail::bitmapIsComplete(data)) ||
            (coder == "MAC" && !detail::macPaintIsComplete(data)) ||
            (coder == "PSD" && !detail::psdIsComplete(data))) {
            // Incomplete either way; a header claiming too much says why.
            const QSize claimed = detail::magickPing(data, coder);
            LoadResult refused;
            if (claimed.width() > o.maxSide || claimed.height() > o.maxSide ||
                qint64(claimed.width()) * claimed.height() > o.maxPixels)
                refused.status = LoadStatus::TooLarge;
            return refused;
        }
        result = detail::magickDecode(data, coder, o);
    }
    // In full colour before scaling, so that a palette keeps its colours.
    if (result.ok())
        result.image = normalised(std::move(result.image));
    fitResult(result, o);
    return result;
}

LoadResult loadImage(const QString& path, const LoadOptions& options)
{
    LoadResult result;
    QFileInfo info(path);
    if (path.isEmpty() || !isRegularFile(info)) {
        result.status = LoadStatus::NotFound;
        return result;
    }
    if (info.size() > options.maxFileBytes) {
        result.status = LoadStatus::TooLarge;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray data = file.readAll();
    return decodeImage(data, info.fileName(), options);
}

ImageInfo queryImageInfo(const QString& path)
{
    ImageInfo info;
    if (path.isEmpty() || !isRegularFile(QFileInfo(path)))
        return info;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return info;
    // JPEG: our own header reader, which also knows the EXIF orientation.
    const QByteArray head = file.peek(3);
    if (detail::looksLikeJpeg(reinterpret_cast<const uchar*>(head.constData()),
                              size_t(head.size()))) {
        // Headers with big EXIF or ICC blocks: read up to the first frame.
        const QByteArray data = file.read(4 << 20);
        QSize stored;
        int orientation = 1;
        if (detail::jpegReadHeader(reinterpret_cast<const uchar*>(data.constData()),
                                   size_t(data.size()), &stored,
                                   &orientation) == detail::JpegStatus::Ok) {
            info.ok = true;
            info.size = detail::orientationSwapsAxes(orientation) ? stored.transposed() : stored;
            info.format = "jpeg";
        }
        return info;
    }
    const QString ext = extensionOf(path);
    const QByteArray format = qtFormatFor(QImageReader::imageFormat(&file), ext);
    if (!format.isEmpty()) {
        file.seek(0);
        QImageReader reader(&file, format);
        reader.setAutoTransform(true);
        const QSize stored = reader.canRead() ? reader.size() : QSize();
        if (stored.isValid() && !stored.isEmpty()) {
            info.ok = true;
            info.size =
                uprightFromTransform(reader.transformation()) ? stored.transposed() : stored;
            info.format = format;
            return info;
        }
    }
    file.seek(0);
    if (file.size() > LoadOptions().maxFileBytes)
        return info;
    const QByteArray data = file.readAll();
    const QByteArray coder = detail::magickCoderFor(data, ext);
    if (coder.isEmpty())
        return info;
    const QSize size = detail::magickPing(data, coder);
    if (size.isValid() && !size.isEmpty()) {
        info.ok = true;
        info.size = size;
        info.format = coder.toLower();
    }
    return info;
}

bool saveImage(const QImage& image, const QString& path, SaveFormat format, QString* error)
{
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    if (image.isNull())
        return fail(QStringLiteral("There is no picture to save."));
    // 24 bits: transparent parts are put on white, as a viewer would show them.
    QImage flat(image.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, image);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    QImageWriter writer(&file, format == SaveFormat::Jpeg ? "jpeg" : "bmp");
    if (format == SaveFormat::Jpeg)
        writer.setQuality(100);
    if (!writer.write(flat)) {
        file.cancelWriting();
        return fail(QStringLiteral("Cannot write %1: %2").arg(path, writer.errorString()));
    }
    if (!file.commit())
        return fail(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

QStringList readableExtensions()
{
    QStringList out;
    const QList<QByteArray> qt = QImageReader::supportedImageFormats();
    auto has = [&](const char* f) { return qt.contains(QByteArray(f)); };
    // Our JPEG decoder is always there.
    out << QStringLiteral("jpg") << QStringLiteral("jpe") << QStringLiteral("jpeg");
    if (has("bmp"))
        out << QStringLiteral("bmp") << QStringLiteral("dib") << QStringLiteral("rle");
    for (const char* f : {"gif", "png", "tif", "tiff", "ico", "cur", "tga", "webp"}) {
        if (has(f))
            out << QString::fromLatin1(f);
    }
    for (const QString& e : detail::magickExtensions()) {
        if (!out.contains(e))
            out << e;
    }
    out.sort();
    return out;
}

} // namespace pictures
