#include "pictures/thumbnailcache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
#include <QStandardPaths>

namespace pictures {

namespace {

constexpr const char* kUriKey = "Thumb::URI";
constexpr const char* kMTimeKey = "Thumb::MTime";
// The standard keys failures by program and version, so that a newer decoder
// tries again what an older one could not read.
constexpr const char* kFailFolder = "fail/kelvra-saver-1";

QString cleanAbsolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QImage readThumbnail(const QString& file)
{
    QImageReader reader(file, "png");
    // A thumbnail is small; anything else in that folder is not ours to trust.
    if (!reader.canRead() || reader.size().width() > 4096 || reader.size().height() > 4096)
        return {};
    return reader.read();
}

bool ensureFolder(const QString& folder, const QString& root)
{
    if (!QDir().mkpath(folder))
        return false;
    // The cache is private: a thumbnail shows what the picture shows.
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    for (QString f = folder; f.startsWith(root); f = QFileInfo(f).path()) {
        if (QFile::permissions(f).testAnyFlags(others))
            QFile::setPermissions(f, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (f.size() <= root.size())
            break;
    }
    return true;
}

} // namespace

QString defaultThumbnailRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/thumbnails");
}

QByteArray thumbnailUri(const QString& path)
{
    return QByteArrayLiteral("file://") +
           cleanAbsolute(path).toUtf8().toPercentEncoding("/!$&'()*+,:=@");
}

QString thumbnailFileName(const QByteArray& uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

bool isFreshThumbnail(const QImage& thumbnail, const QByteArray& uri, qint64 mtime)
{
    if (thumbnail.isNull())
        return false;
    return thumbnail.text(QString::fromLatin1(kUriKey)).toUtf8() == uri &&
           thumbnail.text(QString::fromLatin1(kMTimeKey)) == QString::number(mtime);
}

QImage makeThumbnailImage(const QImage& image, ThumbSize size, const QByteArray& uri, qint64 mtime)
{
    const int side = int(size);
    QImage out = image;
    if (image.width() > side || image.height() > side)
        out = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    out.setText(QString::fromLatin1(kUriKey), QString::fromLatin1(uri));
    out.setText(QString::fromLatin1(kMTimeKey), QString::number(mtime));
    out.setText(QStringLiteral("Software"), QStringLiteral("Kelvra Saver"));
    return out;
}

ThumbnailCache::ThumbnailCache(QString root) : m_root(QDir::cleanPath(std::move(root))) {}

QString ThumbnailCache::cacheFile(ThumbSize size, const QString& path) const
{
    return m_root + (size == ThumbSize::Large ? "/large/" : "/normal/") +
           thumbnailFileName(thumbnailUri(path));
}

QString ThumbnailCache::failFile(const QString& path) const
{
    return m_root + '/' + QLatin1String(kFailFolder) + '/' + thumbnailFileName(thumbnailUri(path));
}

bool ThumbnailCache::isInside(const QString& path) const
{
    const QString prefix = m_root + '/';
    if (cleanAbsolute(path).startsWith(prefix))
        return true;
    // Reached through a link: the file itself still lives in the cache.
    const QString canonicalRoot = QFileInfo(m_root).canonicalFilePath();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonicalRoot.isEmpty() && canonical.startsWith(canonicalRoot + '/');
}

QImage ThumbnailCache::lookup(const QString& path) const
{
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    const QByteArray uri = thumbnailUri(path);
    const qint64 mtime = info.lastModified().toSecsSinceEpoch();
    for (ThumbSize size : {ThumbSize::Large, ThumbSize::Normal}) {
        QImage image = readThumbnail(cacheFile(size, path));
        if (isFreshThumbnail(image, uri, mtime))
            return image;
    }
    return {};
}

Thumbnail ThumbnailCache::get(const QString& path, const Decoder& decode) const
{
    Thumbnail result;
    const QFileInfo info(path);
    if (!info.isFile())
        return result; // Missing
    const QByteArray uri = thumbnailUri(path);
    const qint64 mtime = info.lastModified().toSecsSinceEpoch();

    result.image = lookup(path);
    if (!result.image.isNull()) {
        result.kind = Thumbnail::Kind::Picture;
        result.fromCache = true;
        return result;
    }
    const bool store = !isInside(path);
    if (store && isFreshThumbnail(readThumbnail(failFile(path)), uri, mtime)) {
        result.kind = Thumbnail::Kind::Unreadable;
        result.fromCache = true;
        return result;
    }

    const QImage decoded = decode ? decode(path, QSize(256, 256)) : QImage();
    if (decoded.isNull()) {
        result.kind = Thumbnail::Kind::Unreadable;
        if (store) {
            QImage mark(1, 1, QImage::Format_ARGB32);
            mark.fill(Qt::transparent);
            result.written =
                write(failFile(path), makeThumbnailImage(mark, ThumbSize::Normal, uri, mtime));
        }
        return result;
    }
    result.kind = Thumbnail::Kind::Picture;
    result.image = makeThumbnailImage(decoded, ThumbSize::Large, uri, mtime);
    if (store) {
        const bool large = write(cacheFile(ThumbSize::Large, path), result.image);
        const bool normal = write(cacheFile(ThumbSize::Normal, path),
                                  makeThumbnailImage(result.image, ThumbSize::Normal, uri, mtime));
        result.written = large && normal;
    }
    return result;
}

bool ThumbnailCache::write(const QString& file, const QImage& image) const
{
    if (!ensureFolder(QFileInfo(file).path(), m_root))
        return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (!image.save(&out, "PNG"))
        return false;
    return out.commit();
}

} // namespace pictures
