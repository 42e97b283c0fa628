// The creator's dialogs: the saver-name rules, the name and runtime dialogs
// and the progress window, driven like a user would.

#include <ostream>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "creator/frmcreatesaver.h"
#include "creator/frmnamess.h"
#include "creator/namerules.h"
#include "creator/progresswindow.h"
#include "store/messagelog.h"

using namespace creator;

struct NameCase {
    const char* label;
    const char* typed;
    const char* fileName; // nullptr: refused as a full path
    const char* title;
};

// Names the case in ctest by its label, not by its bytes.
void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.label;
}

class SaverNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(SaverNames, NormaliseToScr)
{
    const NameCase& c = GetParam();
    const std::optional<QString> name = normalisedSaverFileName(QString::fromUtf8(c.typed));
    if (!c.fileName) {
        EXPECT_FALSE(name.has_value());
        return;
    }
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(name->toStdString(), c.fileName);
    EXPECT_EQ(saverTitle(*name).toStdString(), c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaverNames,
    ::testing::Values(NameCase{"Blanks", "My Saver", "My Saver.scr", "My Saver"},
                      NameCase{"UpperExtension", "saver.SCR", "saver.scr", "saver"},
                      NameCase{"OtherExtension", "photo.jpg", "photo.scr", "photo"},
                      NameCase{"LongExtension", "a.jpeg", "a.jpeg.scr", "a.jpeg"},
                      NameCase{"AlreadyScr", "Ocean.scr", "Ocean.scr", "Ocean"},
                      NameCase{"FullPath", "C:\\x.scr", nullptr, nullptr},
                      NameCase{"Empty", "", ".scr", ""},
                      NameCase{"ShortDot", ".x", ".x.scr", ".x"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SaverNameDialog, DigitsNeverReachTheBoxAndOkNormalises)
{
    frmNameSS dialog;
    dialog.show();
    QTest::keyClicks(dialog.Text1(), "Sky2026 Show1");
    EXPECT_EQ(dialog.Text1()->text(), QStringLiteral("Sky Show"));
    // A pasted text loses its digits as well, and the caret stays put.
    dialog.Text1()->setCursorPosition(3);
    dialog.Text1()->insert(QStringLiteral("7a8"));
    EXPECT_EQ(dialog.Text1()->text(), QStringLiteral("Skya Show"));
    QTest::mouseClick(dialog.Command1(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SaverFileName(), QStringLiteral("Skya Show.scr"));
}

TEST(SaverNameDialog, FullPathIsRefusedAndTheDialogStays)
{
    QTemporaryDir dir;
    storetest::MessageLog log(dir.path());
    frmNameSS dialog;
    dialog.show();
    dialog.Text1()->setText(QStringLiteral("C:\\x.scr"));
    QTest::mouseClick(dialog.Command1(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.SaverFileName().isEmpty());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines().first(),
              QStringLiteral("information|Kelvra Saver|Please do not enter a full path in this "
                             "dialog.  Enter only the base filename.  Example:  "
                             "MyScreensaver.scr"));
    QTest::mouseClick(dialog.Command2(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(RuntimeDialog, OnlyTheButtonsClose)
{
    frmCreateSaver dialog;
    dialog.show();
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.Label1()->text().contains(
        QStringLiteral("option.\n\nPlease note that")));

    QTest::mouseClick(dialog.cmdWithoutRuntimes(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.choice(), WithoutRuntimes);
}

TEST(ProgressWindow, InitCancelAndValuesOutsideTheRange)
{
    QWidget editor;
    editor.show();
    AnimatedProgressBar progress(&editor);
    progress.Init(QStringLiteral("Kelvra Saver"), QStringLiteral("Create Personalized Screen Saver:"),
                  QStringLiteral("Initializing..."), QStringLiteral("FILECOPY"), 1, 100);
    frmAPB* window = progress.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(editor.isEnabled());
    EXPECT_EQ(progress.Value(), 1);
    // The animation comes from the program itself and really plays.
    EXPECT_TRUE(window->movie()->isValid());
    EXPECT_EQ(window->movie()->state(), QMovie::Running);
    EXPECT_GT(window->movie()->frameCount(), 1);

    progress.setValue(0); // below the minimum: ignored
    EXPECT_EQ(progress.Value(), 1);
    progress.setValue(101);
    EXPECT_EQ(progress.Value(), 1);
    progress.setValue(40);
    EXPECT_EQ(progress.Value(), 40);

    QTest::mouseClick(window->cmdCancel(), Qt::LeftButton);
    EXPECT_TRUE(progress.UserHasCanceled());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(editor.isEnabled());
    EXPECT_NE(window->movie()->state(), QMovie::Running);
    // The caller may still write to the window until it checks the flag.
    progress.setMsg2(QStringLiteral("Processing Object 2 of 3..."));
    EXPECT_TRUE(progress.UserHasCanceled());

    // The next run starts uncancelled; ending it from code cancels nothing.
    progress.Init(QStringLiteral("Kelvra Saver"), QString(), QString(), QStringLiteral("FILECOPY"),
                  0, 4);
    EXPECT_FALSE(progress.UserHasCanceled());
    EXPECT_FALSE(editor.isEnabled());
    progress.Terminate();
    EXPECT_FALSE(progress.UserHasCanceled());
    EXPECT_TRUE(editor.isEnabled());
    EXPECT_FALSE(window->isVisible());

    // The window's own Close command is a cancel.
    progress.Init(QStringLiteral("Kelvra Saver"), QString(), QString(), QStringLiteral("FILECOPY"),
                  0, 4);
    window->close();
    EXPECT_TRUE(progress.UserHasCanceled());
    EXPECT_TRUE(editor.isEnabled());
}
