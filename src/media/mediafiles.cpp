#include "media/mediafiles.h"

namespace media {

QStringList clipExtensions()
{
    return {QStringLiteral(".avi"), QStringLiteral(".mpg"), QStringLiteral(".mpe"),
            QStringLiteral(".mpeg"), QStringLiteral(".mov"), QStringLiteral(".mp4"),
            QStringLiteral(".m4v"), QStringLiteral(".mkv"), QStringLiteral(".webm"),
            QStringLiteral(".ogv")};
}

} // namespace media
