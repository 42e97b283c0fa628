#include "runtime/desktopcalls.h"

#include "desktop/screensaver.h"
#include "desktop/wallpaper.h"
#include "store/settings.h"

namespace runtime {

QString activeSaver()
{
    return store::readValue(store::RootKey::CurrentUser, QString::fromLatin1(kDesktopKey),
                            QStringLiteral("SCRNSAVE.EXE"), QString(), true);
}

bool selectActiveSaver(const QString& saverPath)
{
    // The store's value and the user's XScreenSaver file, as the editor does.
    return desktop::selectScreenSaver(saverPath).ok;
}

bool applyWallpaper(const QString& bitmapPath)
{
    if (bitmapPath.isEmpty())
        return desktop::removeWallpaper(Qt::black);
    desktop::WallpaperRequest request;
    request.file = bitmapPath;
    request.style = desktop::WallpaperStyle::Centered;
    return desktop::applyWallpaper(request);
}

} // namespace runtime
