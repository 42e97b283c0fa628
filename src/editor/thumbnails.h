#pragma once
// The media list's thumbnail maker: pictures through the picture loader,
// clips by their first frame, sounds by a note, all kept in the desktop's
// shared thumbnail cache.

#include <memory>

#include <QString>

#include "pictures/thumbnailer.h"

class QObject;

namespace editor {

pictures::Thumbnailer::Kind mediaKind(const QString& path);

// `cacheRoot` empty: the desktop's cache folder.
std::unique_ptr<pictures::Thumbnailer> makeMediaThumbnailer(const QString& cacheRoot = {},
                                                            QObject* parent = nullptr);

} // namespace editor
