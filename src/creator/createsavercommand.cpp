#include "creator/createsavercommand.h"

#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QWidget>

#include "controls/mhbrowse.h"
#include "creator/createsaver.h"
#include "creator/frmcreatesaver.h"
#include "creator/frmnamess.h"
#include "creator/namerules.h"
#include "creator/progresswindow.h"
#include "store/messages.h"
#include "store/settings.h"

namespace creator {

namespace {

QString withSlash(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

class WindowHost : public CreateSaverHost {
public:
    explicit WindowHost(QWidget* editor) : m_progress(editor) {}

    void progressInit(const QString& caption, const QString& msg1, const QString& msg2, int min,
                      int max) override
    {
        m_progress.Init(caption, msg1, msg2, QStringLiteral("FILECOPY"), min, max);
    }
    void setCaption(const QString& text) override { m_progress.setCaption(text); }
    void setMsg1(const QString& text) override { m_progress.setMsg1(text); }
    void setMsg2(const QString& text) override { m_progress.setMsg2(text); }
    void setRange(int min, int max) override
    {
        m_progress.setMin(min);
        m_progress.setMax(max);
    }
    void setValue(int value) override { m_progress.setValue(value); }
    bool canceled() override
    {
        // The only place where the window repaints and Cancel is answered
        // while the job runs.
        QApplication::processEvents();
        return m_progress.UserHasCanceled();
    }
    void progressTerminate() override { m_progress.Terminate(); }
    bool askOverwrite(const QString& text) override
    {
        return store::messageBox(text, {store::MsgButtons::YesNo, store::MsgIcon::Question}) ==
               store::MsgAnswer::Yes;
    }
    void message(const QString& text) override
    {
        store::messageBox(text, {store::MsgButtons::Ok, store::MsgIcon::Information});
    }

private:
    AnimatedProgressBar m_progress;
};

class ConsoleHost : public CreateSaverHost {
public:
    explicit ConsoleHost(bool force) : m_force(force) {}

    void progressInit(const QString&, const QString& msg1, const QString& msg2, int, int) override
    {
        setMsg1(msg1);
        setMsg2(msg2);
    }
    void setCaption(const QString&) override {}
    void setMsg1(const QString& text) override { say(text, m_msg1); }
    void setMsg2(const QString& text) override { say(text, m_msg2); }
    void setRange(int, int) override {}
    void setValue(int) override {}
    bool canceled() override { return false; }
    void progressTerminate() override {}
    bool askOverwrite(const QString& text) override
    {
        if (!m_force)
            std::fprintf(stderr, "%s\nNo: not replaced (use --force to replace it).\n",
                         qPrintable(text));
        m_refused = !m_force;
        return m_force;
    }
    void message(const QString& text) override { m_lastMessage = text; }

    QString lastMessage() const { return m_lastMessage; }
    bool refusedOverwrite() const { return m_refused; }

private:
    // Each line once, so that a log shows the steps without repeats.
    static void say(const QString& text, QString& last)
    {
        if (text == last)
            return;
        last = text;
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }

    bool m_force = false;
    bool m_refused = false;
    QString m_msg1, m_msg2, m_lastMessage;
};

} // namespace

void mnuCreateSaver_Click(QWidget* editor, const QStringList& media, const QString& interval)
{
    const QString fileName = frmNameSS::ask(editor);
    if (fileName.isEmpty())
        return;

    controls::MHBrowse browse;
    browse.Item = store::getSetting(QStringLiteral("Create Screen Saver Output Path"),
                                    QDir::currentPath(), true);
    browse.NewFolderTitle = QStringLiteral("Create New Folder");
    browse.NewFolder = true;
    browse.Title = QStringLiteral("Select Screen Saver Output Path...");
    if (!browse.BrowseIt(editor) || browse.Item.isEmpty())
        return;
    store::saveSetting(QStringLiteral("Create Screen Saver Output Path"), browse.Item, true);

    const RuntimeChoice choice = frmCreateSaver::ask(editor);
    if (choice == CancelledChoice)
        return;

    CreateSaverRequest request;
    request.saverFileName = fileName;
    request.outputFolder = withSlash(browse.Item);
    request.runtimes = choice;
    request.media = media;
    request.interval = interval;
    WindowHost host(editor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    createSaver(request, host);
    QApplication::restoreOverrideCursor();
}

int createSaverFromCommandLine(const CliOptions& options, const QStringList& media,
                               const QString& interval)
{
    const std::optional<QString> fileName =
        normalisedSaverFileName(withoutDigits(options.title));
    if (!fileName || options.title.trimmed().isEmpty()) {
        std::fprintf(stderr, "Please do not enter a full path as the title: give the saver's "
                             "name only, for example \"My Saver\".\n");
        return 2;
    }
    const QString out = QDir(options.outputFolder).absolutePath();
    if (options.outputFolder.isEmpty() || !QDir(out).exists()) {
        std::fprintf(stderr, "The output folder \"%s\" does not exist.\n",
                     qPrintable(options.outputFolder));
        return 2;
    }
    if (media.isEmpty()) {
        std::fprintf(stderr, "The saved list (\"zem.ini\") holds no pictures or clips: nothing "
                             "to package.\n");
        return 2;
    }
    CreateSaverRequest request;
    request.saverFileName = *fileName;
    request.outputFolder = withSlash(out);
    request.runtimes = options.withRuntimes ? WithRuntimes : WithoutRuntimes;
    request.media = media;
    request.interval = interval;
    ConsoleHost host(options.force);
    const CreateSaverResult result = createSaver(request, host);
    switch (result.outcome) {
    case CreateSaverResult::Outcome::Created:
        std::printf("%s\n", qPrintable(result.package));
        return 0;
    case CreateSaverResult::Outcome::Failed:
        std::fprintf(stderr, "%s\n", qPrintable(QString(result.errorMessage)
                                                    .replace(QStringLiteral("\r\n"),
                                                             QStringLiteral("\n"))));
        return 1;
    case CreateSaverResult::Outcome::Stopped:
        break;
    }
    return 2;
}

} // namespace creator
