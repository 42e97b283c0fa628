#pragma once
// The X root window's background, as the stand-alone wallpaper setters
// (xsetroot, Esetroot, feh) leave it: a pixmap of the screen's size set as
// the root's background and published as _XROOTPMAP_ID and ESETROOT_PMAP_ID,
// so that compositors and terminals with "transparent" backgrounds find it.
//
// Each call opens its own connection to $DISPLAY. Setting keeps the pixmap
// alive after that connection closes (close-down mode RetainPermanent), so
// the wallpaper outlives our process; the previous setter's retained pixmap
// is freed first, as the convention says (when ESETROOT_PMAP_ID still names
// the root's current pixmap, its owner is killed).

#include <functional>

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

namespace desktop {

// `compose` gets the root's size and the monitors (empty when unknown) and
// returns the picture to show, of that size. False with a reason in *error
// when the display cannot be used or refuses.
bool setRootWindowPicture(const std::function<QImage(QSize, const QList<QRect>&)>& compose,
                          QString* error = nullptr);

// A plain root of `color`, the properties removed, the previous pixmap freed.
bool clearRootWindowPicture(const QColor& color, QString* error = nullptr);

} // namespace desktop
