// kelvra-saver: the editor, and the editor's show.

#include "app/entry.h"
#include "app/placeholderwindows.h"

int main(int argc, char** argv)
{
    const app::ProgramInfo program{
        "kelvra-saver", "Kelvra Saver: make screen savers from pictures and clips, and show them.",
        "the editor", true};
    return app::runProgram(argc, argv, program, [] {
        app::WindowFactories f;
        f.configCaption = QStringLiteral("Kelvra Saver Settings");
        f.forwardsProjectPaths = true;
        f.makeShow = [](const app::Mode& mode) { return new app::PlaceholderShowWindow(mode); };
        f.makeConfig = [](const app::Mode& mode) {
            return new app::PlaceholderConfigWindow(QStringLiteral("Kelvra Saver Settings"), mode);
        };
        f.deliver = [](QWidget* window, const QString& message) {
            static_cast<app::PlaceholderConfigWindow*>(window)->receive(message);
        };
        return f;
    });
}
