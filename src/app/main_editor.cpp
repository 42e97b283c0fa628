// kelvra-saver: the editor, and the editor's show.

#include <cstdio>

#include "app/entry.h"
#include "app/placeholderwindows.h"
#include "editor/frmsettings.h"
#include "editor/helpmanual.h"
#include "show/frmsaver.h"

int main(int argc, char** argv)
{
    const app::ProgramInfo program{
        "kelvra-saver", "Kelvra Saver: make screen savers from pictures and clips, and show them.",
        "the editor", true, editor::installHelpManual, editor::kHelpFileName};
    return app::runProgram(argc, argv, program, [] {
        app::WindowFactories f;
        f.configCaption = QStringLiteral("Kelvra Saver Settings");
        f.forwardsProjectPaths = true;
        f.makeShow = [](const app::Mode& mode) {
            return new show::frmSaver(show::Program::Editor,
                                      show::frmSaver::modeFor(mode.kind == app::ModeKind::Preview,
                                                              mode.kind == app::ModeKind::Host));
        };
        f.makeConfig = [](const app::Mode& mode) {
            return new editor::frmSettings(mode.projectPath);
        };
        f.deliver = [](QWidget* window, const QString& message) {
            if (message != QLatin1String("[Restore App]")) {
                std::fprintf(stderr, "Kelvra Saver Settings: project forwarded: %s\n",
                             qPrintable(message));
                std::fflush(stderr);
            }
            static_cast<editor::frmSettings*>(window)->ddeExecute(message);
        };
        return f;
    });
}
