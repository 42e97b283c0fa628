#pragma once
// X11 windows that are not ours: the settings applet's preview window and an
// XScreenSaver host window. Qt wraps such a window with QWindow::fromWinId,
// but the wrapper reports 0x0 and never learns of resizes or destruction, so
// the geometry is read and followed through xcb on Qt's own connection.
//
// Every function needs the xcb platform of a running QGuiApplication, except
// x11DisplayProblem(), which runs before one exists.

#include <cstdint>
#include <functional>
#include <optional>

#include <QByteArray>
#include <QSize>
#include <QString>

class QWidget;

namespace desktop {

// Opens and closes a connection to the X display `displayName` (empty: the
// DISPLAY variable). Returns an empty text when the display can be used,
// otherwise a sentence saying why not, for the user.
QString x11DisplayProblem(const QByteArray& displayName);

// True when the application runs on X11 (the xcb platform).
bool x11Available();

// The root window of the default screen; 0 without X11.
std::uint32_t x11RootWindow();

// The size of an existing window; nullopt when there is no such window (or
// no X11).
std::optional<QSize> x11WindowSize(std::uint32_t window);

// Makes the top-level widget `widget` a child of the foreign window `parent`,
// covering its whole area, and keeps it so while the parent is resized. When
// the parent is destroyed, `parentGone` is called once (the widget's X window
// has gone with it; the caller should end the process or delete the widget).
// The helper lives as long as the widget. Returns false, changing nothing,
// when `parent` does not exist. The widget is not shown.
bool embedIntoForeignWindow(QWidget* widget, std::uint32_t parent,
                            std::function<void()> parentGone);

} // namespace desktop
