#pragma once
// The mode dispatcher shared by both programs: from the mode of the command
// line it opens one window (or none) and runs the process while a window is
// loaded. It alone decides where the show's window goes (full-screen, inside
// a preview window, inside an XScreenSaver host); the windows themselves do
// not know.

#include <functional>

#include <QLoggingCategory>
#include <QString>

#include "app/commandline.h"

class QWidget;

namespace app {

// The program title: the show window's caption in both programs, and the
// name of the show's single-instance check.
inline constexpr const char* kShowCaption = "Kelvra Saver";

// What each program plugs into the dispatcher. The windows are created
// hidden, with Qt::WA_DeleteOnClose; the dispatcher places and shows them.
struct WindowFactories {
    // The show window for Show, Preview and Host modes (it reads mode.kind
    // to tell full-screen from embedded). Must not return nullptr.
    std::function<QWidget*(const Mode& mode)> makeShow;
    // The configuration window for Config mode. Must not return nullptr.
    std::function<QWidget*(const Mode& mode)> makeConfig;
    // The configuration window's caption, also the name of its
    // single-instance check.
    QString configCaption;
    // Called in the process that shows the configuration window when another
    // start of the program forwards its request: "[Restore App]" or an
    // absolute project path. Empty: the window is only raised.
    std::function<void(QWidget* config, const QString& message)> deliver;
    // The editor forwards project paths; the runtime only asks to be raised.
    bool forwardsProjectPaths = false;
    // The program's own start-up (the runtime unpacks its media here), run
    // once the QApplication exists and before the mode is dispatched, in
    // every mode that needs a display. Returning false ends the process with
    // code 1; the hook has told the user why. Empty: nothing to do.
    std::function<bool(const Mode& mode)> startUp;
    // Called once the mode's window has closed, before the process ends (the
    // runtime reports a member that failed while the show ran). Empty:
    // nothing to do.
    std::function<void()> finish;
};

// The message a second configuration start sends to the running one.
QString forwardedMessage(const Mode& mode, bool forwardsProjectPaths);

// Project paths received from another start ("project forwarded: PATH"),
// off by default so that normal use prints nothing; tests turn it on with
// QT_LOGGING_RULES="kelvra.forward.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcForward)

// True on the Windows 95/98 family, where "/a" changes the password. Never
// on this platform; the password path stays behind this test.
constexpr bool isWin9xFamily()
{
    return false;
}

// Runs the mode. Needs a QApplication. Returns the process exit code: 0
// when the mode needs no window (or another process has it), the event
// loop's code after the window closes, non-zero when the window cannot be
// placed (a preview or host window that does not exist).
int dispatch(const Mode& mode, const WindowFactories& factories);

} // namespace app
