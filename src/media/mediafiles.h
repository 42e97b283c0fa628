#pragma once
// Which files the media room plays as clips, by name. Pure: no player is
// started, so the show's list rules can ask without loading libmpv.

#include <QString>
#include <QStringList>

namespace media {

// Extensions (lower case, with the dot) that play as clips: ".avi", ".mpg",
// ".mpe", ".mpeg", ".mov", and today's ".mp4", ".m4v", ".mkv", ".webm", ".ogv".
QStringList clipExtensions();

} // namespace media
