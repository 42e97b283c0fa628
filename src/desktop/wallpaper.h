#pragma once
// The desktop wallpaper: one ordered table of small backends, the first that
// applies to the session sets or clears the picture.
//
//   GNOME (and Unity, Budgie), Cinnamon, MATE   gsettings, picture-options
//                                               "centered" or "wallpaper"
//   XFCE                                        xfconf-query on every
//                                               monitor's last-image and
//                                               image-style
//   KDE Plasma                                  its scripting interface over
//                                               D-Bus (dbus-send)
//   any X11 session                             the root window's background
//                                               pixmap (rootwindow.h)
//
// The tools are looked up on PATH when a backend is asked whether it
// applies, so a session without them falls through to the next one.

#include <functional>
#include <memory>
#include <vector>

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

namespace desktop {

enum class WallpaperStyle { Centered, Tiled };

// What chooses the backend, read from the process environment.
struct DesktopEnvironment {
    QStringList desktops; // XDG_CURRENT_DESKTOP's names and DESKTOP_SESSION, upper case
    bool kdeSession = false; // KDE_FULL_SESSION=true
    bool x11 = false;        // DISPLAY is set
    static DesktopEnvironment fromProcess();
    bool is(const char* name) const; // one of the desktops, compared in upper case
};

struct WallpaperRequest {
    QString file; // the picture to show (the editor's 24-bit bitmap)
    WallpaperStyle style = WallpaperStyle::Centered;
    QColor background = Qt::black; // around a centred picture (root window only)
};

class WallpaperBackend {
public:
    virtual ~WallpaperBackend() = default;
    virtual QString name() const = 0;
    // The session is this backend's and its tool is installed.
    virtual bool appliesTo(const DesktopEnvironment& env) const = 0;
    // True when the desktop took the picture.
    virtual bool set(const WallpaperRequest& request) = 0;
    // Back to a plain desktop of `background` (or the desktop's own empty
    // value); true when the desktop accepted it.
    virtual bool clear(const QColor& background) = 0;
};

// In the order they are tried.
const std::vector<std::unique_ptr<WallpaperBackend>>& wallpaperBackends();
// The first that applies; null when none does (no X11, no known desktop).
WallpaperBackend* chooseWallpaperBackend(const DesktopEnvironment& env);

// What the desktop's "set the wallpaper" call did: through the backend chosen
// for this process's environment; false when none applies or it fails.
bool applyWallpaper(const WallpaperRequest& request);
bool removeWallpaper(const QColor& background);

// The root window's picture: `rootSize` filled with `background`, the
// picture centred on each monitor (cut where it is larger) or tiled from the
// top-left corner over the whole root. No monitors: the whole root is one.
QImage composeWallpaper(const QImage& picture, QSize rootSize, const QList<QRect>& monitors,
                        WallpaperStyle style, const QColor& background);

// The editor's wallpaper file: the Windows folder's "zempaper.bmp".
QString wallpaperFilePath();

// The menu commands of both programs, each ending with its message box.
// Setting: `save` writes the picture to the file it is given (false when it
// cannot); then the file becomes the wallpaper. A failed save is reported as
// a failure and the desktop is left alone, rather than showing an older file.
bool setWallpaperCommand(const std::function<bool(const QString& file)>& save,
                         WallpaperStyle style, const QColor& background);
// Clearing: the desktop's wallpaper goes (its result is not looked at), the
// file is deleted; success also when there was nothing to clear.
bool clearWallpaperCommand(const QColor& background);

} // namespace desktop
