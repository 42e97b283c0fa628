#pragma once
// Where the settings dialog reaches the desktop: making a saver the active
// screen saver and setting the wallpaper. The desktop room's XScreenSaver
// and wallpaper backends belong behind these two calls; until they are in
// the tree, the active saver is only recorded in the store's
// "Control Panel\Desktop" key and the wallpaper is not applied.

#include <QString>

namespace runtime {

inline constexpr const char* kDesktopKey = "Control Panel\\Desktop";

// The desktop's active screen saver as recorded ("SCRNSAVE.EXE").
QString activeSaver();
// Makes `saverPath` the active screen saver. False when it cannot.
bool selectActiveSaver(const QString& saverPath);
// Sets the desktop wallpaper to the bitmap, or clears it for "". False when
// it cannot.
bool applyWallpaper(const QString& bitmapPath);

} // namespace runtime
