#include "show/playlist.h"

#include <algorithm>
#include <climits>

#include <QFile>
#include <QFileInfo>

#include "archive/bundle.h"
#include "media/mediafiles.h"
#include "show/showrules.h"
#include "store/paths.h"

namespace show {

namespace {

QString fileNameOf(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

} // namespace

QString lowerExtension(const QString& path)
{
    const QString name = fileNameOf(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

ItemKind itemKind(const QString& path)
{
    static const QStringList clips = media::clipExtensions();
    return clips.contains(lowerExtension(path)) ? ItemKind::VideoClip : ItemKind::Picture;
}

SoundKind soundKind(const QString& path)
{
    static const QStringList sounds = {".wav", ".mid", ".midi", ".rmi", ".mp3"};
    const QString ext = lowerExtension(path);
    if (sounds.contains(ext))
        return SoundKind::SoundFile;
    if (ext == QLatin1String(".cda"))
        return SoundKind::CdTrack;
    return SoundKind::Other;
}

CdTrack cdTrack(const QString& path)
{
    CdTrack result;
    const QString name = fileNameOf(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot < 0 ? name : name.left(dot);
    result.track = static_cast<int>(
        std::clamp(leadingValue(base.mid(5)), double(INT_MIN), double(INT_MAX)));
    if (path.size() >= 2 && path[1] == u':' && path[0].isLetter())
        result.drive = path.left(2);
    return result;
}

bool entryExists(const QString& path)
{
    // A named pipe or a device is no picture or clip: opening one would
    // wait for a writer that may never come.
    return store::FileExists(path);
}

QStringList loadList(const QString& listFile, const QString& fallbackFolder,
                     const std::function<bool(const QString&)>& pending)
{
    QStringList list;
    QFile file(listFile);
    if (listFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        return list;
    const QString text = QString::fromUtf8(file.readAll());
    file.close();

    QString folder = fallbackFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/') && !folder.endsWith(u'\\'))
        folder += u'/';

    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QString line = text.mid(start, end - start);
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
            text[end + 1] == u'\n')
            ++end;
        start = end + 1;

        if (line.isEmpty())
            continue;
        if (entryExists(line)) {
            list.append(line);
        } else if (!folder.isEmpty()) {
            const QString fallback = folder + fileNameOf(line);
            if (!fileNameOf(line).trimmed().isEmpty() &&
                (entryExists(fallback) || (pending && pending(fallback))))
                list.append(fallback);
        }
    }
    return list;
}

} // namespace show

namespace show {

QString runtimeShortName(const QString& programFileName)
{
    return archive::runtimeNames(programFileName).shortName;
}

} // namespace show
