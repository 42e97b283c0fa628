// vls: the personalized saver's runtime.

#include <memory>

#include "app/bundledruntime.h"
#include "app/entry.h"
#include "runtime/frmsettings.h"
#include "runtime/startup.h"
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
        // The unpacked bundle lives while the process does: from the start,
        // in every mode, to the end of the window.
        auto session = std::make_shared<std::unique_ptr<runtime::BundleSession>>();
        const QString programPath = runtime::programPath();
        app::WindowFactories f;
        f.configCaption = QStringLiteral("Screen Saver Settings...");
        f.startUp = [session, programPath](const app::Mode&) {
            *session = runtime::startUp(programPath);
            return bool(*session);
        };
        f.makeShow = [session, programPath](const app::Mode& mode) {
            const show::BundleFolder bundle{(*session)->folder(), session->get(), programPath};
            return new show::frmSaver(show::Program::Runtime,
                                      show::frmSaver::modeFor(mode.kind == app::ModeKind::Preview,
                                                              mode.kind == app::ModeKind::Host),
                                      bundle);
        };
        f.makeConfig = [session, programPath](const app::Mode&) {
            return new runtime::frmSettings(
                {(*session)->folder(), session->get(), programPath});
        };
        f.finish = [session] {
            if (*session)
                runtime::reportLateFailure(**session);
            session->reset();
        };
        return f;
    });
}
