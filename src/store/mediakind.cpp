#include "store/mediakind.h"

#include "store/listfile.h"

namespace store {

QString lowerExtension(const QString& path)
{
    const QString name = listEntryName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

const QStringList& clipExtensions()
{
    static const QStringList list = {".avi", ".mpg", ".mpe", ".mpeg", ".mov",
                                     ".mp4", ".m4v", ".mkv", ".webm", ".ogv"};
    return list;
}

const QStringList& soundExtensions()
{
    // AIFF too: the sound list's file dialog offers it, and the player plays it.
    static const QStringList list = {".wav", ".mid",  ".midi", ".rmi", ".mp3",
                                     ".ogg", ".oga",  ".opus", ".flac", ".m4a",
                                     ".aac", ".aif",  ".aiff", ".aifc"};
    return list;
}

MediaKind mediaKind(const QString& path)
{
    const QString ext = lowerExtension(path);
    if (ext.isEmpty())
        return MediaKind::Picture;
    if (clipExtensions().contains(ext))
        return MediaKind::Clip;
    if (soundExtensions().contains(ext))
        return MediaKind::Sound;
    if (ext == QLatin1String(".cda"))
        return MediaKind::CdTrack;
    return MediaKind::Picture;
}

bool packedUnconverted(const QString& path)
{
    static const QStringList asTheyAre = {".jpg", ".jpe", ".jpeg", ".mpv", ".mp2", ".mpa"};
    return mediaKind(path) != MediaKind::Picture || asTheyAre.contains(lowerExtension(path));
}

} // namespace store
