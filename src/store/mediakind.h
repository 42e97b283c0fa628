#pragma once
// What kind of media a file is, told from its extension alone. The show
// picks its picture or clip player and its sound player by it, the editor
// builds its file filters from it, and the creator decides by it which files
// it packs as they are.

#include <QString>
#include <QStringList>

namespace store {

enum class MediaKind { Picture, Clip, Sound, CdTrack };

// The extension from the last "." of the file name on, dot included, lower
// case; "" when the file name has no dot. "/" and "\" both separate folders.
QString lowerExtension(const QString& path);

// Clips: ".avi", ".mpg", ".mpe", ".mpeg", ".mov" and today's containers
// ".mp4", ".m4v", ".mkv", ".webm", ".ogv". Sounds: ".wav", ".mid", ".midi",
// ".rmi", ".mp3" and ".ogg", ".oga", ".opus", ".flac", ".m4a", ".aac",
// ".aif", ".aiff", ".aifc".
// ".cda" is an audio-CD track. Everything else, a name without extension
// included, is a picture; a clip or sound file never is one.
MediaKind mediaKind(const QString& path);

// The extensions of each kind above, with their dots, in the order listed.
const QStringList& clipExtensions();
const QStringList& soundExtensions();

// Whether a saver package takes the file as it is rather than a JPEG copy:
// clips, sounds, JPEG pictures and the MPEG streams ".mpv", ".mp2", ".mpa".
// Only other pictures are converted.
bool packedUnconverted(const QString& path);

} // namespace store
