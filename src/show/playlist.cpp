#include "show/playlist.h"

#include <QFile>
#include <QFileInfo>

#include "archive/bundle.h"
#include "store/paths.h"

namespace show {

namespace {

QString fileNameOf(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

// Leading decimal digits after optional blanks and sign, as the settings'
// number texts are read; no digits gives 0. Saturates instead of overflowing.
long long leadingNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        if (value < 1'000'000'000'000LL)
            value = value * 10 + (text[i].unicode() - u'0');
    }
    return negative ? -value : value;
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
    static const QStringList clips = {".avi", ".mpg", ".mpe",  ".mpeg", ".mov", ".mp4",
                                      ".m4v", ".mkv", ".webm", ".ogv"};
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
    result.track =
        static_cast<int>(std::clamp<long long>(leadingNumber(base.mid(5)), INT_MIN, INT_MAX));
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
