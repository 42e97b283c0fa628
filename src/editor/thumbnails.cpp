#include "editor/thumbnails.h"

#include <QFileInfo>

#include "media/videoframe.h"
#include "pictures/imageio.h"
#include "store/mediakind.h"

namespace editor {

pictures::Thumbnailer::Kind mediaKind(const QString& path)
{
    switch (store::mediaKind(path)) {
    case store::MediaKind::Clip:
        return pictures::Thumbnailer::Kind::Clip;
    case store::MediaKind::Sound:
    case store::MediaKind::CdTrack:
        return pictures::Thumbnailer::Kind::Sound;
    default:
        return pictures::Thumbnailer::Kind::Picture;
    }
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
