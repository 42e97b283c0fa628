// kelvra-saver: the editor, and the editor's show.

#include <QCoreApplication>

#include "app/createsaveroption.h"
#include "app/dispatcher.h"
#include "app/entry.h"
#include "creator/createsavercommand.h"
#include "editor/frmsettings.h"
#include "editor/helpmanual.h"
#include "editor/textdialog.h"
#include "show/frmsaver.h"
#include "show/overlay.h"

int main(int argc, char** argv)
{
    if (const std::optional<int> code = app::runCreateSaverOption(argc, argv))
        return *code;
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
            // The text dialog previews the text with the show's own overlay.
            editor::setTextOverlayPainter([](const QImage& picture, const QString& text,
                                             const pictures::TextStyle& style, int alignment) {
                QPointF place;
                return show::drawOverlay(picture, text, style, QString::number(alignment),
                                            1.0, place);
            });
            auto* window = new editor::frmSettings(mode.projectPath);
            window->setCreateSaverCommand(creator::mnuCreateSaver_Click);
            return window;
        };
        f.deliver = [](QWidget* window, const QString& message) {
            if (message != QLatin1String("[Restore App]"))
                qCInfo(app::lcForward).noquote() << "project forwarded:" << message;
            static_cast<editor::frmSettings*>(window)->ddeExecute(message);
        };
        return f;
    });
}
