#include "editor/thumbnails.h"

#include <QFileInfo>

#include "media/soundplayer.h"
#include "media/videoframe.h"
#include "media/mediafiles.h"
#include "pictures/imageio.h"

namespace editor {

pictures::Thumbnailer::Kind mediaKind(const QString& path)
{
    static const QStringList clips = media::clipExtensions();
    static const QStringList sounds = [] {
        QStringList list = media::SoundPlayer::fileExtensions();
        list << QStringLiteral(".cda");
        return list;
    }();
    const QString suffix = QLatin1Char('.') + QFileInfo(path).suffix().toLower();
    if (clips.contains(suffix))
        return pictures::Thumbnailer::Kind::Clip;
    if (sounds.contains(suffix))
        return pictures::Thumbnailer::Kind::Sound;
    return pictures::Thumbnailer::Kind::Picture;
}

std::unique_ptr<pictures::Thumbnailer> makeMediaThumbnailer(const QString& cacheRoot,
                                                            QObject* parent)
{
    pictures::Thumbnailer::Decoders decoders;
    decoders.picture = [](const QString& path, QSize bound) {
        pictures::LoadOptions options;
        options.fitInside = bound;
        return pictures::loadImage(path, options).image;
    };
    decoders.clip = [](const QString& path, QSize bound) {
        return media::firstVideoFrame(path, bound);
    };
    decoders.kindOf = mediaKind;
    return std::make_unique<pictures::Thumbnailer>(
        cacheRoot.isEmpty() ? pictures::ThumbnailCache() : pictures::ThumbnailCache(cacheRoot),
        std::move(decoders), parent);
}

} // namespace editor
