#pragma once
// The installation step for the current user (`kelvra-saver --install`):
// places the programs where the screen-saver conventions look for them and
// registers the editor and the ".kvl" project type with the desktop, all
// under the user's own folders. Running it again changes nothing that is
// already right.

#include <functional>

#include <QString>
#include <QStringList>

namespace app {

struct InstallPlan {
    QString editorProgram;  // the built kelvra-saver
    QString runtimeProgram; // the built vls, beside it
    QString windowsDir;     // with a trailing "/"
    QString workDir;        // with a trailing "/"
    QString dataHome;       // $XDG_DATA_HOME (or its default), without a trailing "/"
    // The editor's help manual: writes the file named helpManualName into the
    // folder it is given and tells whether it wrote anything. A hook, so that
    // the installer does not make every program carry the editor.
    std::function<bool(const QString& folder, bool* written)> helpManual;
    QString helpManualName;
};

struct InstallResult {
    bool ok = true;
    QStringList lines; // what was done or found right, one line each, for the user
    QString error;     // why it failed, when !ok
};

// Paths for the running program: the programs beside it, the store's
// Windows and work folders, the XDG data home.
InstallPlan currentInstallPlan();

// Carries out the plan: "Kelvra Saver.scr" in the Windows folder and
// "VLS.scr" in the work folder as symbolic links to the built programs
// (copies where links cannot be made), the editor's help manual beside
// "Kelvra Saver.scr", then the ".kvl" project type: the store's file-type
// keys and the desktop entry, MIME type and icon under <data>
// (desktop::registerProjectType), the entry starting "Kelvra Saver.scr".
InstallResult install(const InstallPlan& plan);

// The program's icon: a 256 x 256 PNG in the resources, set on every window
// at start-up (the desktop entry names the theme's scalable one).
inline constexpr const char* kIconResource = ":/app/kelvra-saver.png";

} // namespace app
