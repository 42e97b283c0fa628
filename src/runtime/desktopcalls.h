#pragma once
// Where the settings dialog reaches the desktop: making a saver the active
// screen saver (the store's "Control Panel\Desktop" value and the user's
// XScreenSaver file) and setting the wallpaper through the desktop's own
// backend, both by the desktop room's code.

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
