// The editor window as a user meets it: real key presses and mouse clicks
// (menu shortcuts, the menu bar's Alt keys), Help with a stand-in opener, the
// Transitions dialog's codes, and the skin on message boxes.
#include "editor/frmsettings.h"

#include <memory>
#include <ostream>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "controls/commondialog.h"
#include "editor/medialistview.h"
#include "editor/helpmanual.h"
#include "editor/projectfiles.h"
#include "editor/transitionsdialog.h"
#include "store/messagelog.h"
#include "store/messages.h"
#include "store/settings.h"

using editor::frmSettings;

namespace {

class EditorKeys : public ::testing::Test {
protected:
    QStringList pictures(int n)
    {
        QStringList out;
        for (int i = 0; i < n; ++i) {
            const QString path = media.filePath(QStringLiteral("pic %1.png").arg(i));
            QImage image(16, 12, QImage::Format_RGB32);
            image.fill(QColor(40, 90, 200));
            image.save(path, "PNG");
            out << path;
        }
        return out;
    }
    std::unique_ptr<frmSettings> open(int items)
    {
        if (items > 0)
            testutil::writeFile(env.windowsDir() + "/zem.ini",
                                editor::formatCurrentConfig(5, pictures(items)));
        auto w = std::make_unique<frmSettings>();
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        w->lstPics()->setFocus();
        return w;
    }
    // Opens a menu with its Alt key and closes it with Escape, as a user
    // glancing at it would: its rules run on the state of that moment.
    // Returns the menu that opened.
    static QWidget* glanceAtMenu(frmSettings& w, Qt::Key key)
    {
        QTest::keyClick(&w, key, Qt::AltModifier);
        QWidget* popup = QApplication::activePopupWidget();
        if (popup)
            QTest::keyClick(popup, Qt::Key_Escape);
        // The menu bar keeps the keyboard until a second Escape.
        if (QWidget* focus = QApplication::focusWidget(); focus && focus->inherits("QMenuBar"))
            QTest::keyClick(focus, Qt::Key_Escape);
        return popup;
    }
    static void click(frmSettings& w, int row, Qt::KeyboardModifiers modifiers = {})
    {
        auto* view = w.lstPics();
        const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, at);
    }
    static void press(frmSettings& w, QKeyCombination key)
    {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &w, key.key(), key.keyboardModifiers());
    }
    static void select(frmSettings& w, const QVector<int>& rows)
    {
        auto* view = w.lstPics();
        view->clearSelection();
        for (int r : rows)
            view->selectionModel()->select(view->model()->index(r, 0),
                                           QItemSelectionModel::Select);
    }

    testutil::IsolatedEnv env;
    storetest::MessageLog log{env.root()};
    QTemporaryDir media;
    controls::ScriptedDialogProvider dialogs;
};

struct ShortcutCase {
    const char* name;
    QVector<int> selectedWhileMenuOpen; // Edit menu glanced at with these selected
    int clickedRow;
    Qt::KeyboardModifiers clickModifiers;
    QKeyCombination key;
    QStringList namesAfter;
    bool savedAfter;
};

void PrintTo(const ShortcutCase& c, std::ostream* os) { *os << c.name; }

class EditShortcuts : public EditorKeys, public ::testing::WithParamInterface<ShortcutCase> {};

TEST_P(EditShortcuts, FollowTheSelectionNotTheLastOpenedMenu)
{
    const ShortcutCase& c = GetParam();
    auto w = open(3);
    select(*w, c.selectedWhileMenuOpen);
    ASSERT_EQ(glanceAtMenu(*w, Qt::Key_E), w->menu("mnuEdit"));
    click(*w, c.clickedRow, c.clickModifiers);
    press(*w, c.key);
    EXPECT_EQ(w->lstPicsNames(), c.namesAfter);
    EXPECT_EQ(w->bSaved(), c.savedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EditShortcuts,
    ::testing::Values(
        ShortcutCase{"DelRemovesTheClickedItem", {}, 1, {}, Qt::Key_Delete,
                     {"pic 0.png", "pic 2.png"}, false},
        ShortcutCase{"CtrlDMovesTheClickedItemDown", {0, 2}, 0, {},
                     Qt::CTRL | Qt::Key_D, {"pic 1.png", "pic 0.png", "pic 2.png"}, false},
        ShortcutCase{"CtrlUMovesTheClickedItemUp", {0, 1}, 2, {}, Qt::CTRL | Qt::Key_U,
                     {"pic 0.png", "pic 2.png", "pic 1.png"}, false},
        // The menu showed Remove enabled, but the click took the last
        // selected item away: Del has nothing to remove and changes nothing.
        ShortcutCase{"DelAfterDeselectingDoesNothing", {1}, 1, Qt::ControlModifier,
                     Qt::Key_Delete, {"pic 0.png", "pic 1.png", "pic 2.png"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorKeys, SaveShortcutWorksOnceTheEmptyListIsFilled)
{
    auto w = open(0);
    ASSERT_EQ(glanceAtMenu(*w, Qt::Key_F), w->menu("mnuFile")); // Save off: the list is empty
    const QStringList added = pictures(2);
    dialogs.queueFiles(added);
    press(*w, Qt::CTRL | Qt::Key_A);
    ASSERT_EQ(w->lstHidden(), added);
    const QString kvl = media.filePath("saved.kvl");
    dialogs.queueFiles({kvl});
    press(*w, Qt::CTRL | Qt::Key_S);
    EXPECT_EQ(testutil::readFile(kvl), editor::formatProject(added));

    // Emptied again: New's key no longer asks about the unsaved list.
    w->lstPics()->selectAll();
    press(*w, Qt::Key_Delete);
    ASSERT_TRUE(w->lstHidden().isEmpty());
    const int requests = int(dialogs.fileRequests.size());
    press(*w, Qt::CTRL | Qt::Key_S);
    EXPECT_EQ(int(dialogs.fileRequests.size()), requests); // Save is off for an empty list
}

TEST_F(EditorKeys, AltHOpensTheHelpMenuAndTheHelpButtonStaysReachable)
{
    auto w = open(1);
    EXPECT_EQ(glanceAtMenu(*w, Qt::Key_H), w->menu("mnuHelp"));
    ASSERT_EQ(QApplication::activePopupWidget(), nullptr);

    QPushButton* help = w->SkinButton(1);
    EXPECT_EQ(help->text(), "&Help");
    bool reached = false;
    for (int i = 0; i < 12 && !reached; ++i) {
        press(*w, Qt::Key_Tab);
        reached = QApplication::focusWidget() == help;
    }
    ASSERT_TRUE(reached) << "Tab never reaches the Help button";
    QTest::keyClick(help, Qt::Key_Space);
    QTest::mouseClick(help, Qt::LeftButton);
    // No manual in the Windows folder: each press says so.
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("information|Kelvra Saver|The Kelvra Saver Help components"));
}

// Help runs the desktop's opener on the manual; a stand-in xdg-open on PATH
// answers with the exit status of each case.
struct HelpCase {
    const char* name;
    int exitStatus; // -1: no opener on PATH at all
    const char* message; // "@" stands for the manual's path; empty: none
};

void PrintTo(const HelpCase& c, std::ostream* os) { *os << c.name; }

class HelpOpener : public EditorKeys, public ::testing::WithParamInterface<HelpCase> {};

TEST_P(HelpOpener, TellsWhatBecameOfTheManual)
{
    const HelpCase& c = GetParam();
    const QString manual = env.windowsDir() + "/" + editor::kHelpFileName;
    testutil::writeFile(manual, "<h1>Help</h1>");
    const QString bin = env.root() + "/bin", opened = env.root() + "/opened";
    if (c.exitStatus >= 0) {
        testutil::writeFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" +
                                                   opened.toUtf8() + "'\nexit " +
                                                   QByteArray::number(c.exitStatus) + "\n");
        QFile::setPermissions(bin + "/xdg-open",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8());
    auto w = open(0);
    QTest::keyClick(w.get(), Qt::Key_F1);
    // The same manual, asked for a second time: its answer marks the end of
    // the first, whether or not the first said anything.
    QTest::mouseClick(w->SkinButton(1), Qt::LeftButton);
    const int expected = QString(c.message).isEmpty() ? 0 : 2;
    if (expected > 0)
        EXPECT_TRUE(QTest::qWaitFor([&] { return log.lines().size() == expected; }, 20000));
    else
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(opened); }, 20000));
    qputenv("PATH", oldPath);
    if (c.exitStatus >= 0)
        EXPECT_EQ(QString::fromUtf8(testutil::readFile(opened)), manual);
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), expected) << lines.join("\n").toStdString();
    for (const QString& line : lines)
        EXPECT_EQ(line, QString::fromUtf8(c.message).replace("@", manual));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, HelpOpener,
    ::testing::Values(
        HelpCase{"Opened", 0, ""},
        HelpCase{"NoProgramForHtml", 3,
                 "exclamation|Kelvra Saver|An error occurred attempting to open the '@' file "
                 "(ShellExecute API code 31)."},
        HelpCase{"BrowserFailed", 4,
                 "exclamation|Kelvra Saver|An error occurred attempting to open the '@' file "
                 "(ShellExecute API code 31)."},
        HelpCase{"NoOpenerAtAll", -1,
                 "exclamation|Kelvra Saver|An error has occurred while attempting to access "
                 "the Reelkit help system.  It is recommended that you reinstall ZEM Reelkit "
                 "in order to correct this condition."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorKeys, TransitionsOkKeepsAStoredCodeBeyondSixteenBits)
{
    for (const char* code : {"40000", "2147483647", "-5"}) {
        store::saveSetting("Paint Effect", code, true);
        auto w = open(0);
        editor::TransitionsDialog::setRunHook(
            [](editor::TransitionsDialog&) { return int(QDialog::Accepted); });
        w->ShowTransitionsDialog();
        editor::TransitionsDialog::setRunHook({});
        EXPECT_EQ(store::getSetting("Paint Effect", "<none>", true), code);
    }
}

TEST_F(EditorKeys, MessageBoxesWearTheSkin)
{
    auto w = open(0);
    // A real box this time, not a scripted answer.
    const QByteArray answers = qgetenv("KELVRA_MESSAGE_ANSWERS");
    qunsetenv("KELVRA_MESSAGE_ANSWERS");
    QImage looks;
    QTimer::singleShot(0, [&] {
        QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 10000);
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            looks = box->grab().toImage();
            box->accept();
        }
    });
    store::messageBox("Skinned?", {store::MsgButtons::Ok, store::MsgIcon::Information});
    qputenv("KELVRA_MESSAGE_ANSWERS", answers);
    ASSERT_FALSE(looks.isNull());
    // The skin's window colour, in a corner away from the text and icon.
    EXPECT_EQ(looks.pixelColor(2, looks.height() - 3), QColor(0x1b, 0x22, 0x30));
}

} // namespace
