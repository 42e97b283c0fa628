// vls: the personalized saver's runtime.

#include "app/entry.h"
#include "app/bundledruntime.h"
#include "app/placeholderwindows.h"
#include "show/frmsaver.h"

int main(int argc, char** argv)
{
    // A saver installed "With Runtimes" finds its shared libraries through
    // its run path; Qt's plugins are named here, before Qt looks for them.
    app::useBundledRuntime();
    const app::ProgramInfo program{"vls",
                                   "VLS: the runtime of a personalized Kelvra Saver screen saver.",
                                   "the saver's settings", false};
    return app::runProgram(argc, argv, program, [] {
        app::WindowFactories f;
        f.configCaption = QStringLiteral("Screen Saver Settings...");
        f.makeShow = [](const app::Mode& mode) {
            return new show::frmSaver(show::Program::Runtime,
                                      show::frmSaver::modeFor(mode.kind == app::ModeKind::Preview,
                                                              mode.kind == app::ModeKind::Host));
        };
        f.makeConfig = [](const app::Mode& mode) {
            return new app::PlaceholderConfigWindow(QStringLiteral("Screen Saver Settings..."),
                                                    mode);
        };
        return f;
    });
}
