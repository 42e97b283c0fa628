#pragma once
// ImageMagick (Magick++) as the decoder for the formats Qt lacks or rejects.
// Only the formats of one explicit table are ever handed to it, and always by
// an explicit coder name, so a file cannot steer ImageMagick into one of its
// script or delegate coders (MSL, MVG, SVG, PostScript...) by its content.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include "pictures/imageio.h"

namespace pictures::detail {

// The ImageMagick coder for these bytes ("PCX", "TGA"...), from the content
// or, for formats without a signature, from the extension (lower case, no
// dot); empty when the file is none of our formats.
QByteArray magickCoderFor(const QByteArray& data, const QString& extension);

// Header-only size through ImageMagick's ping; invalid size on failure, and
// 65536 x 65536 when the header claims more than ImageMagick's limits.
QSize magickPing(const QByteArray& data, const QByteArray& coder);

LoadResult magickDecode(const QByteArray& data, const QByteArray& coder,
                        const LoadOptions& options);

// Extensions whose coder this ImageMagick build can read.
QStringList magickExtensions();

} // namespace pictures::detail
