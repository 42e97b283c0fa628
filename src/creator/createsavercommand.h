#pragma once
// The editor's "Create Redistributable Screen Saver" command and the same
// job for scripts (kelvra-saver --create-saver).

#include <QString>
#include <QStringList>

class QWidget;

namespace creator {

// Asks for the name, the output folder and the runtime choice, then makes
// the package with the progress window up and the editor disabled.
void mnuCreateSaver_Click(QWidget* editor, const QStringList& media, const QString& interval);

struct CliOptions {
    QString title;        // as typed into the name dialog
    QString outputFolder;
    bool withRuntimes = false;
    bool force = false;   // replace an existing package
};

// Runs the job without any window from the saved list ("zem.ini"), the sound
// list and the stored settings: progress on stderr, the package's path on
// stdout. Returns the exit code: 0 made, 1 failed (the message on stderr),
// 2 not made (the name, the folder, or an existing package without force).
int createSaverFromCommandLine(const CliOptions& options, const QStringList& media,
                               const QString& interval);

} // namespace creator
