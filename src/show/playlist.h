#pragma once
// The show's two lists (pictures and clips; background sounds) and the rules
// that tell an entry's kind from its name. Pure: no widgets, no settings.

#include <functional>

#include <QString>
#include <QStringList>

namespace show {

// Kind of an entry of the image list.
enum class ItemKind { Picture, VideoClip };
// Kind of an entry of the sound list.
enum class SoundKind { SoundFile, CdTrack, Other };

// By store::mediaKind: clips (".avi" ... ".mov", ".mp4", ".mkv", ".webm" ...)
// are clips, everything else a picture. Sounds never reach the image list
// (loadImageList drops them).
ItemKind itemKind(const QString& path);

// By store::mediaKind: ".wav" ... ".mp3", ".ogg", ".opus", ".flac" ... are
// sound files, ".cda" a CD track, anything else Other.
SoundKind soundKind(const QString& path);

// A ".cda" entry: the track is the leading decimal digits of the base name
// from its 6th character on ("Track05" gives 5, "Track12" 12, no digits 0);
// the drive is the "X:" prefix of the path, empty for Linux paths.
struct CdTrack {
    QString drive;
    int track = 0;
};
CdTrack cdTrack(const QString& path);

// True when the path, trimmed, is not empty and names an existing regular
// file (not a folder, a named pipe or a device).
bool entryExists(const QString& path);

// Reads a list file (store::splitListLines: UTF-8, or Latin-1 line by line):
// every line whose path, without surrounding blanks, names an existing file
// becomes an entry, that trimmed path, in file order; blank lines, number
// lines and missing files are dropped, duplicates kept. A missing or
// unreadable file gives an empty list.
//
// With a non-empty `fallbackFolder` (the runtime's work folder, with or
// without a trailing "/"), a line whose file is missing is replaced by the
// file of the same name in that folder when that one exists, or when
// `pending` says it is on its way there.
QStringList loadList(const QString& listFile, const QString& fallbackFolder = QString(),
                     const std::function<bool(const QString&)>& pending = {});

// The image list: loadList's entries less sound files and CD tracks, which
// neither the picture nor the clip player can show.
QStringList loadImageList(const QString& listFile, const QString& fallbackFolder = QString(),
                          const std::function<bool(const QString&)>& pending = {});

// The index a walk presents next: wraps to 0 past the end of the list.
inline int wrapIndex(int index, int count)
{
    return (index > count - 1 || index < 0) ? 0 : index;
}

} // namespace show

namespace show {

// The runtime's short name: the program's file name without its extension,
// every blank removed, cut to 5 characters ("Sunset Beach.scr" gives "Sunse").
QString runtimeShortName(const QString& programFileName);

} // namespace show
