#pragma once
// The shared libraries and Qt plugins that a package made "With Runtimes"
// installs beside the saver, in "kelvra-runtime/". The saver's run path
// names "$ORIGIN/kelvra-runtime/lib" (see src/app/CMakeLists.txt), so the
// libraries need nothing here; the plugins do.

namespace app {

// Points Qt at "kelvra-runtime/plugins" beside the running program when
// that folder exists, and fontconfig at the fonts there when the system has
// no font configuration. Call before the application object is made.
void useBundledRuntime();

} // namespace app
