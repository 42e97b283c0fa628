#include "runtime/desktopcalls.h"

#include "store/settings.h"

namespace runtime {

QString activeSaver()
{
    return store::readValue(store::RootKey::CurrentUser, QString::fromLatin1(kDesktopKey),
                            QStringLiteral("SCRNSAVE.EXE"), QString(), true);
}

bool selectActiveSaver(const QString& saverPath)
{
    // Call point: the desktop room's XScreenSaver selection goes here.
    return store::saveValue(store::RootKey::CurrentUser, QString::fromLatin1(kDesktopKey),
                            QStringLiteral("SCRNSAVE.EXE"), saverPath, true);
}

bool applyWallpaper(const QString& bitmapPath)
{
    // Call point: the desktop room's wallpaper backends go here.
    Q_UNUSED(bitmapPath);
    return false;
}

} // namespace runtime
