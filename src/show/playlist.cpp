#include "show/playlist.h"

#include <algorithm>
#include <climits>

#include <QFile>
#include <QFileInfo>

#include "archive/bundle.h"
#include "show/showrules.h"
#include "store/listfile.h"
#include "store/mediakind.h"
#include "store/paths.h"

namespace show {

ItemKind itemKind(const QString& path)
{
    return store::mediaKind(path) == store::MediaKind::Clip ? ItemKind::VideoClip
                                                            : ItemKind::Picture;
}

SoundKind soundKind(const QString& path)
{
    switch (store::mediaKind(path)) {
    case store::MediaKind::Sound:
        return SoundKind::SoundFile;
    case store::MediaKind::CdTrack:
        return SoundKind::CdTrack;
    default:
        return SoundKind::Other;
    }
}

CdTrack cdTrack(const QString& path)
{
    CdTrack result;
    const QString name = store::listEntryName(path);
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
    const QStringList lines = store::splitListLines(file.readAll());
    file.close();

    QString folder = fallbackFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/') && !folder.endsWith(u'\\'))
        folder += u'/';

    for (const QString& line : lines) {
        const QString path = store::listEntryPath(line);
        if (path.isEmpty())
            continue;
        if (entryExists(path)) {
            list.append(path);
        } else if (!folder.isEmpty()) {
            const QString name = store::listEntryName(path);
            if (!name.isEmpty() &&
                (entryExists(folder + name) || (pending && pending(folder + name))))
                list.append(folder + name);
        }
    }
    return list;
}

QStringList loadImageList(const QString& listFile, const QString& fallbackFolder,
                          const std::function<bool(const QString&)>& pending)
{
    QStringList list = loadList(listFile, fallbackFolder, pending);
    list.removeIf([](const QString& path) {
        const store::MediaKind kind = store::mediaKind(path);
        return kind == store::MediaKind::Sound || kind == store::MediaKind::CdTrack;
    });
    return list;
}

} // namespace show

namespace show {

QString runtimeShortName(const QString& programFileName)
{
    return archive::runtimeNames(programFileName).shortName;
}

} // namespace show
