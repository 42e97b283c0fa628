#pragma once
// The program entry shared by kelvra-saver and vls: the options that need no
// display (--help, --version, --install), a clear refusal when there is no
// display, then the mode dispatcher.

#include <functional>

#include "app/dispatcher.h"
#include "app/installer.h"

namespace app {

struct ProgramInfo {
    const char* name;         // the executable's name, for messages
    const char* description;  // one line for --help
    const char* configWindow; // what the configuration mode opens, for --help
    bool installs = false;    // takes --install
    // What --install adds for this program (the editor's help manual).
    std::function<bool(const QString& folder, bool* written)> helpManual = nullptr;
    const char* helpManualName = "";
};

// Runs the program and returns its exit code. `factories` is called once the
// QApplication exists.
int runProgram(int argc, char** argv, const ProgramInfo& program,
               const std::function<WindowFactories()>& factories);

} // namespace app
