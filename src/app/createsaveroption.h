#pragma once
// kelvra-saver --create-saver TITLE --out FOLDER [--with-runtimes] [--force]:
// the create-saver job for scripts, from what the editor saved.

#include <optional>

namespace app {

// The exit code when the command line asks for --create-saver, else nothing.
std::optional<int> runCreateSaverOption(int argc, char** argv);

} // namespace app
