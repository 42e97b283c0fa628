// The editor's desktop commands: Test Screen Saver, Set as Active Screen
// Saver, and the wallpaper. The work is the desktop room's; these handlers
// only gather what the window holds.

#include "editor/frmsettings.h"

#include <QAction>

#include "desktop/screensaver.h"
#include "desktop/wallpaper.h"
#include "editor/medialistview.h"
#include "pictures/imageio.h"
#include "pictures/pictureview.h"
#include "pictures/transitions.h"
#include "store/messages.h"
#include "store/paths.h"
#include "store/settings.h"

namespace editor {

namespace {

QString installedSaver() { return store::windowsDir(true) + QStringLiteral("Kelvra Saver.scr"); }

QColor screenBackColor()
{
    return pictures::bgrToColor(
        store::getSetting(QStringLiteral("Background Color"), QStringLiteral("0"), true)
            .trimmed()
            .toLongLong());
}

void saveDesktopValue(const char* name, const char* value)
{
    store::saveValue(store::RootKey::CurrentUser, QStringLiteral("Control Panel\\Desktop"),
                     QString::fromLatin1(name), QString::fromLatin1(value), true);
}

} // namespace

void frmSettings::mnuTestSaver_Click()
{
    SaveCurrentConfig();
    desktop::startScreenSaverTest(installedSaver());
}

void frmSettings::mnuSetSS_Click() { desktop::setActiveScreenSaver(installedSaver()); }

void frmSettings::SetWallpaper(bool Tiled)
{
    const bool previewing = menuItem("mnuEnablePreview")->isChecked();
    const int row = m_lstPics->currentIndex().row();
    const QStringList paths = lstHidden();
    const QString source = row >= 0 && row < paths.size() ? paths[row] : QString();
    if (!previewing) {
        // The preview holds no picture while previewing is off.
        m_preview->hide();
        if (!source.isEmpty())
            m_preview->loadImage(source);
    }
    if (!m_preview->hasImage()) {
        store::messageBox(QStringLiteral("The image you wish to set as the Windows wallpaper must "
                                         "be selected before proceeding."),
                          {store::MsgButtons::Ok, store::MsgIcon::Information});
    } else {
        desktop::setWallpaperCommand(
            [&](const QString& file) {
                // The preview keeps the picture at the preview's size; the
                // desktop gets the file's own pixels when they can be read.
                const pictures::LoadResult full = pictures::loadImage(source);
                const bool saved = pictures::saveImage(full.ok() ? full.image : m_preview->image(),
                                                       file, pictures::SaveFormat::WindowsBitmap);
                saveDesktopValue("WallpaperStyle", "0");
                saveDesktopValue("TileWallpaper", Tiled ? "1" : "0");
                return saved;
            },
            Tiled ? desktop::WallpaperStyle::Tiled : desktop::WallpaperStyle::Centered,
            screenBackColor());
    }
    if (!previewing) {
        m_preview->dropImage();
        m_preview->show();
    }
}

void frmSettings::mnuWallpaperClear_Click() { desktop::clearWallpaperCommand(screenBackColor()); }

} // namespace editor
