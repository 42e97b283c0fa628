#pragma once
// Completeness checks for formats whose decoders accept a truncated file and
// fill the missing part with a colour: a half-grey picture is not the one
// the file held, so such files count as unreadable.

#include <QByteArray>

namespace pictures::detail {

// Each returns true when the bytes hold the whole first image as the header
// describes it; false when data is missing. Formats other than the one named
// are not judged (true).
bool bitmapIsComplete(const QByteArray& data);   // uncompressed Windows bitmaps
bool gifIsComplete(const QByteArray& data);      // first image's LZW data present
bool macPaintIsComplete(const QByteArray& data); // 720 PackBits rows
bool psdIsComplete(const QByteArray& data);      // composite image data present

} // namespace pictures::detail
