#pragma once
// The create-saver job: from the saved media list, the sound list and the
// stored settings to a self-installing package in the output folder. The
// editor's command and `kelvra-saver --create-saver` run the same job; they
// differ only in what they give it as its surroundings (CreateSaverHost).
//
// The job writes into a folder of its own below the work folder, so that a
// running personalized saver or another creator is never disturbed, and
// removes it when it ends. The author's folders are never written: pictures
// that need converting become JPEGs in the job's folder. The package is
// written under a temporary name and replaces an older one only when it is
// complete, so a failed or cancelled run leaves the output folder as it was.

#include <QString>
#include <QStringList>

#include "creator/frmcreatesaver.h"

namespace creator {

// What the job asks of its surroundings: the progress display, the
// overwrite question and the messages. The progress calls mirror the
// progress window's (AnimatedProgressBar).
class CreateSaverHost {
public:
    virtual ~CreateSaverHost() = default;
    virtual void progressInit(const QString& caption, const QString& msg1, const QString& msg2,
                              int min, int max) = 0;
    virtual void setCaption(const QString& text) = 0;
    virtual void setMsg1(const QString& text) = 0;
    virtual void setMsg2(const QString& text) = 0;
    virtual void setRange(int min, int max) = 0;
    virtual void setValue(int value) = 0;
    // Lets pending events run; true when the user has cancelled.
    virtual bool canceled() = 0;
    virtual void progressTerminate() = 0;
    // "A personalized screen saver already exists ...": true to replace it.
    virtual bool askOverwrite(const QString& text) = 0;
    // An information box with the program title.
    virtual void message(const QString& text) = 0;
};

struct CreateSaverRequest {
    QString saverFileName; // "My Saver.scr"
    QString outputFolder;  // ends in "/"
    RuntimeChoice runtimes = WithoutRuntimes;
    QStringList media;     // the list, in order
    QString interval;      // seconds, as the editor's interval box shows it
};

struct CreateSaverResult {
    enum class Outcome { Created, Failed, Stopped };
    Outcome outcome = Outcome::Stopped;
    QString package;      // the package's path when created
    QString errorMessage; // the packaging error's text when failed
};

// Runs the whole job. Stopped: the user said No to the overwrite question
// or cancelled while the list was read; nothing was reported.
CreateSaverResult createSaver(const CreateSaverRequest& request, CreateSaverHost& host);

// The packaging error message for a result code.
QString packagingErrorMessage(int code);

// The file the installer is built on and the uninstaller, looked for in the
// Windows folder first, then in the System folder; empty when neither has it.
QString installerStub();
QString uninstallerProgram();
// The shared libraries and plugins "With Runtimes" adds: pairs of (file,
// member name below "runtime/"), from the list the build wrote into the
// System folder.
QList<QPair<QString, QString>> runtimeFiles();

} // namespace creator
