#pragma once
// The first picture of a clip, for thumbnails. Decoded with FFmpeg's
// libraries on the calling thread (any thread; calls do not share state),
// opened on the first call only, so a start that shows no clip never loads
// them.

#include <QImage>
#include <QString>

namespace media {

// The clip's first video frame, scaled to fit inside `bound` (never
// enlarged) with its display aspect ratio; null when the file has no video
// stream that decodes, or FFmpeg cannot be opened.
QImage firstVideoFrame(const QString& path, QSize bound);

} // namespace media
