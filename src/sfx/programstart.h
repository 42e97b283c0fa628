#pragma once
// What the installer and the uninstaller share at start-up: an unattended
// run (a script, a package manager, a machine without a display) must not
// need one, so only then is a windowless application made.

#include <memory>

#include <QCoreApplication>

namespace sfx {

struct ProgramStart {
    std::unique_ptr<QCoreApplication> app;
    bool unattended = false;
};

// Looks for "--unattended" before Qt sees the arguments (a QApplication
// would already open the display).
ProgramStart startProgram(int& argc, char** argv);

} // namespace sfx
