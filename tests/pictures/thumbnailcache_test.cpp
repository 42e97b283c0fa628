// The shared thumbnail cache: file names, the PNG's text chunks as other
// programs read them, reuse, renewal, and the cache folder left alone. Real
// files in temporary folders; the PNG chunks are read byte by byte here, not
// through Qt, so that what other desktop programs see is what is checked.

#include <atomic>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

#include "pictures/imageio.h"
#include "pictures/thumbnailcache.h"
#include "pictures/thumbnailer.h"

namespace {

using pictures::Thumbnail;
using pictures::ThumbnailCache;
using pictures::ThumbSize;

// --- names -------------------------------------------------------------------

struct UriCase {
    const char* name;
    QString path;
    QByteArray uri;
};

void PrintTo(const UriCase& c, std::ostream* os)
{
    *os << c.name;
}

class ThumbnailUri : public ::testing::TestWithParam<UriCase> {};

TEST_P(ThumbnailUri, IsTheEncodedAbsolutePath)
{
    EXPECT_EQ(pictures::thumbnailUri(GetParam().path), GetParam().uri);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ThumbnailUri,
    ::testing::Values(
        UriCase{"plain", "/home/jens/photos/me.png", "file:///home/jens/photos/me.png"},
        UriCase{"blank", "/tmp/My Photos/a b.jpg", "file:///tmp/My%20Photos/a%20b.jpg"},
        UriCase{"non_ascii", QString::fromUtf8("/tmp/\xc3\xa4pfel.jpg"),
                "file:///tmp/%C3%A4pfel.jpg"},
        UriCase{"dot_segments", "/tmp/x/../y/./p.png", "file:///tmp/y/p.png"},
        UriCase{"reserved_kept", "/tmp/a!$&'()*+,:=@~_-.png", "file:///tmp/a!$&'()*+,:=@~_-.png"},
        UriCase{"reserved_encoded", "/tmp/a#b%c?d;e[f].png",
                "file:///tmp/a%23b%25c%3Fd%3Be%5Bf%5D.png"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThumbnailName, IsTheMd5OfTheUri)
{
    // The example of the thumbnail standard itself.
    EXPECT_EQ(pictures::thumbnailFileName("file:///home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
}

TEST(ThumbnailUriRelative, IsMadeAbsolute)
{
    const QByteArray uri = pictures::thumbnailUri("rel/p.png");
    EXPECT_EQ(uri, "file://" + QDir::currentPath().toUtf8().toPercentEncoding("/") + "/rel/p.png");
}

// --- PNG text chunks, read as any other program reads them ---------------------

// Key -> text of every tEXt and zTXt chunk (and uncompressed iTXt) of a PNG file.
std::map<QByteArray, QByteArray> pngTextChunks(const QByteArray& png)
{
    std::map<QByteArray, QByteArray> text;
    if (!png.startsWith("\x89PNG\r\n\x1a\n"))
        return text;
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        const QByteArray type = png.mid(at + 4, 4);
        const QByteArray data = png.mid(at + 8, length);
        if (type == "tEXt") {
            const qsizetype nul = data.indexOf('\0');
            text[data.left(nul)] = data.mid(nul + 1);
        } else if (type == "iTXt") {
            const qsizetype nul = data.indexOf('\0');
            const QByteArray key = data.left(nul);
            if (data.at(nul + 1) == 0) { // not compressed
                // key \0 flag method language \0 translated \0 text
                qsizetype p = data.indexOf('\0', nul + 3);
                p = data.indexOf('\0', p + 1);
                text[key] = data.mid(p + 1);
            } else {
                text[key] = "(compressed)";
            }
        } else if (type == "zTXt") {
            // key \0 method(0 = zlib) stream; qUncompress wants a length first.
            const qsizetype nul = data.indexOf('\0');
            text[data.left(nul)] =
                qUncompress(QByteArray("\x00\x01\x00\x00", 4) + data.mid(nul + 2));
        }
        at += 12 + length;
    }
    return text;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage picture(QSize size, QColor color)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(color);
    return img;
}

class ThumbnailCacheTest : public ::testing::Test {
protected:
    QString media(const QString& name) const { return m_media.filePath(name); }
    QString root() const { return m_cacheRoot.path() + "/thumbnails"; }

    void savePicture(const QString& path, QSize size, QColor color)
    {
        ASSERT_TRUE(picture(size, color).save(path, "PNG"));
    }
    // A decoder that counts its calls and decodes for real.
    ThumbnailCache::Decoder countingDecoder()
    {
        return [this](const QString& path, QSize bound) {
            ++decodes;
            pictures::LoadOptions options;
            options.fitInside = bound;
            return pictures::loadImage(path, options).image;
        };
    }
    void setMTime(const QString& path, qint64 secs)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            f.setFileTime(QDateTime::fromSecsSinceEpoch(secs), QFileDevice::FileModificationTime));
    }
    QStringList cacheFiles() const
    {
        QStringList files;
        QDir dir(root());
        for (const QString& sub : {"normal", "large"})
            for (const QString& f : QDir(dir.filePath(sub)).entryList(QDir::Files))
                files << sub + "/" + f;
        return files;
    }

    QTemporaryDir m_media;
    QTemporaryDir m_cacheRoot;
    int decodes = 0;
};

TEST_F(ThumbnailCacheTest, WritesBothSizesAsTheStandardSays)
{
    const QString file = media("wide photo.png");
    savePicture(file, {800, 400}, Qt::red);
    setMTime(file, 1700000000);
    const ThumbnailCache cache(root());

    const Thumbnail t = cache.get(file, countingDecoder());
    ASSERT_EQ(t.kind, Thumbnail::Kind::Picture);
    EXPECT_TRUE(t.written);
    EXPECT_FALSE(t.fromCache);
    EXPECT_EQ(decodes, 1);

    const QByteArray uri = "file://" + file.toUtf8().replace(" ", "%20");
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
        ".png";
    const struct {
        const char* folder;
        QSize size;
    } expected[] = {{"normal", {128, 64}}, {"large", {256, 128}}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.folder);
        const QString path = root() + "/" + e.folder + "/" + name;
        ASSERT_TRUE(QFileInfo::exists(path));
        EXPECT_EQ(QFileInfo(path).permissions(),
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        const QByteArray bytes = readAll(path);
        const auto text = pngTextChunks(bytes);
        ASSERT_TRUE(text.count("Thumb::URI"));
        EXPECT_EQ(text.at("Thumb::URI"), uri);
        ASSERT_TRUE(text.count("Thumb::MTime"));
        EXPECT_EQ(text.at("Thumb::MTime"), "1700000000");
        QImage png(path);
        EXPECT_EQ(png.size(), e.size);
        EXPECT_EQ(QColor(png.pixel(10, 10)), QColor(Qt::red));
    }
    // The folders are private too.
    EXPECT_EQ(QFileInfo(root() + "/large").permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                              QFile::ExeOwner | QFile::ReadUser |
                                                              QFile::WriteUser | QFile::ExeUser);
}

TEST_F(ThumbnailCacheTest, ReusesAFreshThumbnailAndRemakesAChangedOne)
{
    const QString file = media("a.png");
    savePicture(file, {300, 300}, Qt::blue);
    setMTime(file, 1600000000);
    const ThumbnailCache cache(root());
    ASSERT_EQ(cache.get(file, countingDecoder()).kind, Thumbnail::Kind::Picture);
    ASSERT_EQ(decodes, 1);

    // Fresh: read back, nothing decoded, nothing written.
    const QDateTime written = QFileInfo(cache.cacheFile(ThumbSize::Large, file)).lastModified();
    Thumbnail again = cache.get(file, countingDecoder());
    EXPECT_TRUE(again.fromCache);
    EXPECT_FALSE(again.written);
    EXPECT_EQ(decodes, 1);
    EXPECT_EQ(QColor(again.image.pixel(5, 5)), QColor(Qt::blue));
    EXPECT_EQ(QFileInfo(cache.cacheFile(ThumbSize::Large, file)).lastModified(), written);

    // The file changes (a new picture, a new time): made again.
    savePicture(file, {300, 300}, Qt::green);
    setMTime(file, 1600000100);
    again = cache.get(file, countingDecoder());
    EXPECT_FALSE(again.fromCache);
    EXPECT_EQ(decodes, 2);
    EXPECT_EQ(QColor(again.image.pixel(5, 5)), QColor(Qt::green));
    EXPECT_EQ(pngTextChunks(readAll(cache.cacheFile(ThumbSize::Normal, file))).at("Thumb::MTime"),
              "1600000100");
}

TEST_F(ThumbnailCacheTest, ReplacesAThumbnailOfAnotherFile)
{
    const QString file = media("b.png");
    savePicture(file, {50, 50}, Qt::yellow);
    const ThumbnailCache cache(root());
    // Another program left a thumbnail under this name that names another URI
    // (a collision or a damaged cache): it is not trusted.
    QImage foreign = picture({50, 50}, Qt::black);
    foreign.setText("Thumb::URI", "file:///elsewhere.png");
    foreign.setText("Thumb::MTime",
                    QString::number(QFileInfo(file).lastModified().toSecsSinceEpoch()));
    QDir().mkpath(root() + "/large");
    ASSERT_TRUE(foreign.save(cache.cacheFile(ThumbSize::Large, file)));
    const Thumbnail t = cache.get(file, countingDecoder());
    EXPECT_EQ(decodes, 1);
    EXPECT_EQ(QColor(t.image.pixel(1, 1)), QColor(Qt::yellow));
    // A picture smaller than a thumbnail is kept at its size.
    EXPECT_EQ(t.image.size(), QSize(50, 50));
}

TEST_F(ThumbnailCacheTest, NeverWritesForFilesInsideTheCache)
{
    const ThumbnailCache cache(root());
    QDir().mkpath(root() + "/normal");
    const QString inside = root() + "/normal/0123.png";
    savePicture(inside, {200, 100}, Qt::cyan);
    const QStringList before = cacheFiles();

    const Thumbnail t = cache.get(inside, countingDecoder());
    EXPECT_EQ(t.kind, Thumbnail::Kind::Picture); // shown all the same
    EXPECT_FALSE(t.written);
    EXPECT_EQ(cacheFiles(), before);
    EXPECT_FALSE(QFileInfo::exists(cache.failFile(inside)));

    // Nor through a link into the cache, nor for an unreadable file there.
    const QString link = media("link.png");
    ASSERT_TRUE(QFile::link(inside, link));
    EXPECT_FALSE(cache.get(link, countingDecoder()).written);
    const QString junk = root() + "/junk.png";
    QFile(junk).open(QIODevice::WriteOnly);
    EXPECT_EQ(cache.get(junk, countingDecoder()).kind, Thumbnail::Kind::Unreadable);
    EXPECT_EQ(cacheFiles(), before);
    EXPECT_FALSE(QDir(root() + "/fail").exists());
}

TEST_F(ThumbnailCacheTest, RemembersUnreadableFilesUntilTheyChange)
{
    const QString file = media("broken.jpg");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture at all");
    }
    setMTime(file, 1500000000);
    const ThumbnailCache cache(root());
    Thumbnail t = cache.get(file, countingDecoder());
    EXPECT_EQ(t.kind, Thumbnail::Kind::Unreadable);
    EXPECT_EQ(decodes, 1);
    const auto text = pngTextChunks(readAll(cache.failFile(file)));
    EXPECT_EQ(text.at("Thumb::MTime"), "1500000000");
    EXPECT_TRUE(cacheFiles().isEmpty());

    t = cache.get(file, countingDecoder());
    EXPECT_EQ(t.kind, Thumbnail::Kind::Unreadable);
    EXPECT_EQ(decodes, 1); // not tried again

    savePicture(file, {64, 64}, Qt::magenta); // repaired
    setMTime(file, 1500000100);
    t = cache.get(file, countingDecoder());
    EXPECT_EQ(t.kind, Thumbnail::Kind::Picture);
    EXPECT_EQ(decodes, 2);
}

TEST_F(ThumbnailCacheTest, MissingFileIsMissing)
{
    const ThumbnailCache cache(root());
    EXPECT_EQ(cache.get(media("gone.png"), countingDecoder()).kind, Thumbnail::Kind::Missing);
    EXPECT_EQ(cache.get(m_media.path(), countingDecoder()).kind, Thumbnail::Kind::Missing);
    EXPECT_EQ(decodes, 0);
    EXPECT_FALSE(QDir(root()).exists());
}

// --- the worker ----------------------------------------------------------------

TEST_F(ThumbnailCacheTest, ThumbnailerMakesIconsOnWorkersForEachKind)
{
    const QString photo = media("photo.png");
    savePicture(photo, {400, 200}, Qt::red);
    const QString tune = media("tune.mid");
    QFile(tune).open(QIODevice::WriteOnly);
    const QString gone = media("gone.png");
    const QString junk = media("junk.png");
    QFile(junk).open(QIODevice::WriteOnly);

    std::atomic<int> mainThreadDecodes{0};
    pictures::Thumbnailer::Decoders decoders;
    decoders.picture = [&](const QString& path, QSize bound) {
        if (QThread::currentThread() == qApp->thread())
            ++mainThreadDecodes;
        pictures::LoadOptions options;
        options.fitInside = bound;
        return pictures::loadImage(path, options).image;
    };
    decoders.kindOf = [](const QString& path) {
        return path.endsWith(".mid") ? pictures::Thumbnailer::Kind::Sound
                                     : pictures::Thumbnailer::Kind::Picture;
    };
    pictures::Thumbnailer thumbs(ThumbnailCache(root()), decoders);
    const QSize icon(16, 16);
    thumbs.setIconSize(icon);
    QSignalSpy idle(&thumbs, &pictures::Thumbnailer::idle);

    for (const QString& p : {photo, tune, gone, junk})
        EXPECT_TRUE(thumbs.icon(p).isNull()); // nothing yet: queued
    ASSERT_TRUE(idle.wait(10000));
    while (thumbs.pending() > 0)
        ASSERT_TRUE(idle.wait(10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(mainThreadDecodes, 0);

    const QImage photoIcon = thumbs.icon(photo).toImage();
    // 16x8 of picture centred in the 16x16 box, transparent above and below.
    EXPECT_EQ(photoIcon.size(), icon);
    EXPECT_EQ(photoIcon.pixelColor(8, 4), QColor(Qt::red));
    EXPECT_EQ(photoIcon.pixelColor(8, 11), QColor(Qt::red));
    EXPECT_EQ(photoIcon.pixelColor(8, 2).alpha(), 0);
    EXPECT_EQ(photoIcon.pixelColor(8, 13).alpha(), 0);
    EXPECT_EQ(thumbs.icon(tune).toImage(),
              pictures::thumbnailSymbol(pictures::ThumbSymbol::Note, icon)
                  .convertToFormat(thumbs.icon(tune).toImage().format()));
    EXPECT_EQ(thumbs.icon(gone).toImage(),
              pictures::thumbnailSymbol(pictures::ThumbSymbol::Missing, icon)
                  .convertToFormat(thumbs.icon(gone).toImage().format()));
    EXPECT_EQ(thumbs.icon(junk).toImage(),
              pictures::thumbnailSymbol(pictures::ThumbSymbol::Unreadable, icon)
                  .convertToFormat(thumbs.icon(junk).toImage().format()));
    // The three symbols tell the cases apart.
    EXPECT_NE(thumbs.icon(gone).toImage(), thumbs.icon(junk).toImage());

    // The preview gets the large one; a sound has none.
    EXPECT_EQ(thumbs.picture(photo).size(), QSize(256, 128));
    EXPECT_TRUE(thumbs.picture(tune).isNull());
    // After the session, from the disk cache alone.
    pictures::Thumbnailer fresh(ThumbnailCache(root()), decoders);
    EXPECT_EQ(fresh.picture(photo).size(), QSize(256, 128));
}

} // namespace
