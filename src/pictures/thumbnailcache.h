#pragma once
// The desktop's shared thumbnail cache (freedesktop.org thumbnail managing
// standard), so that file managers and the editor share the work:
//
//   $XDG_CACHE_HOME/thumbnails/normal/<md5 of the URI>.png   at most 128x128
//   $XDG_CACHE_HOME/thumbnails/large/<md5 of the URI>.png    at most 256x256
//   $XDG_CACHE_HOME/thumbnails/fail/kelvra-saver-1/<md5>.png  could not be read
//
// Each PNG carries the text chunks "Thumb::URI" (the file's URI, exactly as
// hashed) and "Thumb::MTime" (the file's modification time, whole seconds);
// a thumbnail whose two values do not match the file as it is now is stale
// and made again. Files are written to a temporary name in the same folder
// and renamed, with mode 0600 (folders 0700), so a reader never sees half a
// PNG. Nothing is ever written for a file inside the cache folder itself.
//
// Everything here is safe to call from several threads at once; it holds no
// state but the root folder.

#include <functional>

#include <QByteArray>
#include <QImage>
#include <QString>

namespace pictures {

enum class ThumbSize { Normal = 128, Large = 256 };

// "$XDG_CACHE_HOME/thumbnails" (default "~/.cache/thumbnails").
QString defaultThumbnailRoot();

// "file:///home/ann/My%20Photos/a.jpg": the absolute, cleaned path in UTF-8,
// percent-encoded as the desktop's file URIs are (everything but letters,
// digits and "-._~/!$&'()*+,:=@").
QByteArray thumbnailUri(const QString& path);
// The lower-case hex MD5 of the URI followed by ".png".
QString thumbnailFileName(const QByteArray& uri);

// Whether a thumbnail read from the cache describes the file with this URI
// and modification time.
bool isFreshThumbnail(const QImage& thumbnail, const QByteArray& uri, qint64 mtime);

struct Thumbnail {
    enum class Kind { Picture, Missing, Unreadable };
    Kind kind = Kind::Missing;
    QImage image;           // fitted into 256x256 (never enlarged); null unless Picture
    bool fromCache = false; // read from a fresh cache file, nothing decoded
    bool written = false;   // new cache files were written
};

class ThumbnailCache {
public:
    explicit ThumbnailCache(QString root = defaultThumbnailRoot());

    const QString& root() const { return m_root; }
    // The cache file of `path` at that size, and its failure record.
    QString cacheFile(ThumbSize size, const QString& path) const;
    QString failFile(const QString& path) const;
    // True for files inside the cache folder (never thumbnailed to disk).
    bool isInside(const QString& path) const;

    // Decodes a file to fit inside `bound`; a null image means unreadable.
    using Decoder = std::function<QImage(const QString& path, QSize bound)>;

    // The thumbnail of `path`: a fresh cached one ("large" first, then
    // "normal"), else made with `decode` and stored at both sizes. A fresh
    // failure record gives Unreadable without decoding again.
    Thumbnail get(const QString& path, const Decoder& decode) const;

    // The fresh cached thumbnail of `path`, largest first; null when there
    // is none. Reads at most two small files.
    QImage lookup(const QString& path) const;

private:
    bool write(const QString& file, const QImage& image) const;

    QString m_root;
};

// `image` scaled to fit inside size x size (never enlarged), with the two
// text chunks set.
QImage makeThumbnailImage(const QImage& image, ThumbSize size, const QByteArray& uri, qint64 mtime);

} // namespace pictures
