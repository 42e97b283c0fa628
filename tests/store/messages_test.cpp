#include <ostream>

#include <gtest/gtest.h>

#include "qtprint.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include "common/testutil.h"
#include "messagelog.h"
#include "store/messages.h"

using namespace store;
using storetest::MessageLog;

TEST(MessageBox, LogsOneLinePerBoxWithIconTitleAndEscapedBreaks)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    messageBox(QStringLiteral("first line\r\nsecond C:\\dir"),
               {MsgButtons::Ok, MsgIcon::Exclamation});
    messageBox(QStringLiteral("Sure?"), {MsgButtons::YesNo, MsgIcon::Question, "Own Title"});
    messageBox(QStringLiteral("plain"));
    EXPECT_EQ(log.lines(), QStringList({
                               "exclamation|Kelvra Saver|first line\\r\\nsecond C:\\dir",
                               "question|Own Title|Sure?",
                               "none|Kelvra Saver|plain",
                           }));
}

TEST(MessageBox, ScriptedAnswersAreTakenInOrderThenTheDefaultButton)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    testutil::writeFile(log.answersPath(), "no\n\n  Cancel \nretry\nyes\n");
    EXPECT_EQ(messageBox("a", {MsgButtons::YesNo}), MsgAnswer::No);
    EXPECT_EQ(messageBox("b", {MsgButtons::YesNoCancel}), MsgAnswer::Cancel);
    // An answer the box does not offer gives its default (first) button.
    EXPECT_EQ(messageBox("c", {MsgButtons::OkCancel}), MsgAnswer::Ok);
    EXPECT_EQ(messageBox("d", {MsgButtons::AbortRetryIgnore}), MsgAnswer::Abort);
    // Exhausted.
    EXPECT_EQ(messageBox("e", {MsgButtons::RetryCancel}), MsgAnswer::Retry);
    EXPECT_EQ(messageBox("f", {MsgButtons::YesNo}), MsgAnswer::Yes);
    EXPECT_EQ(log.lines().size(), 6);
}

TEST(MessageBox, MissingScriptAnswersTheDefaultButton)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    EXPECT_EQ(messageBox("x", {MsgButtons::YesNoCancel}), MsgAnswer::Yes);
    EXPECT_EQ(messageBox("x", {MsgButtons::OkCancel}), MsgAnswer::Ok);
    EXPECT_FALSE(QFileInfo::exists(log.answersPath()));

    qputenv("KELVRA_MESSAGE_ANSWERS", "/dev/null");
    EXPECT_EQ(messageBox("x", {MsgButtons::RetryCancel}), MsgAnswer::Retry);
    EXPECT_FALSE(QFileInfo::exists("/dev/null.lock"));
}

TEST(MessageBox, APersonSeesARealBoxWithIconTitleTextAndButtons)
{
    // No script: the box is shown (offscreen) and clicked from a timer.
    // The shared test main scripts every box by default, so lift that here.
    const QByteArray scripted = qgetenv("KELVRA_MESSAGE_ANSWERS");
    qunsetenv("KELVRA_MESSAGE_ANSWERS");
    auto restore = qScopeGuard([&] { qputenv("KELVRA_MESSAGE_ANSWERS", scripted); });
    QString seenTitle, seenText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons seenButtons;
    bool onTop = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenIcon = box->icon();
        seenButtons = box->standardButtons();
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        box->button(QMessageBox::No)->click();
    });
    const MsgAnswer answer = messageBox("Replace the list?\nIt has 3 pictures.",
                                        {MsgButtons::YesNoCancel, MsgIcon::Question});
    EXPECT_EQ(answer, MsgAnswer::No);
    EXPECT_EQ(seenTitle, "Kelvra Saver");
    EXPECT_EQ(seenText, "Replace the list?\nIt has 3 pictures.");
    EXPECT_EQ(seenIcon, QMessageBox::Question);
    EXPECT_EQ(seenButtons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_TRUE(onTop);

    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->reject(); // Escape or the close box
    });
    EXPECT_EQ(messageBox("Stop?", {MsgButtons::RetryCancel, MsgIcon::Critical, "Title"}),
              MsgAnswer::Cancel);
}

struct DefaultCase {
    MsgButtons buttons;
    MsgDefault chosen;
    MsgAnswer expected;
};

void PrintTo(const DefaultCase& c, std::ostream* os)
{
    static const char* const buttons[] = {"Ok",          "OkCancel",         "YesNo",
                                          "YesNoCancel", "AbortRetryIgnore", "RetryCancel"};
    *os << buttons[int(c.buttons)] << " button " << int(c.chosen) + 1;
}

class MessageBoxDefault : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(MessageBoxDefault, AnUnansweredBoxAnswersTheChosenDefaultButton)
{
    const DefaultCase c = GetParam();
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    // A word the box does not offer, then an exhausted script, then none.
    testutil::writeFile(log.answersPath(), "maybe\n");
    const MsgOptions options = MsgOptions{c.buttons, MsgIcon::Question}.withDefault(c.chosen);
    EXPECT_EQ(messageBox("x", options), c.expected);
    EXPECT_EQ(messageBox("x", options), c.expected);
    qputenv("KELVRA_MESSAGE_ANSWERS", "/dev/null");
    EXPECT_EQ(messageBox("x", options), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, MessageBoxDefault,
    ::testing::Values(DefaultCase{MsgButtons::YesNo, MsgDefault::First, MsgAnswer::Yes},
                      DefaultCase{MsgButtons::YesNo, MsgDefault::Second, MsgAnswer::No},
                      DefaultCase{MsgButtons::YesNoCancel, MsgDefault::Third, MsgAnswer::Cancel},
                      DefaultCase{MsgButtons::AbortRetryIgnore, MsgDefault::Second,
                                  MsgAnswer::Retry},
                      DefaultCase{MsgButtons::OkCancel, MsgDefault::Second, MsgAnswer::Cancel},
                      // A position the box does not have: its first button.
                      DefaultCase{MsgButtons::Ok, MsgDefault::Second, MsgAnswer::Ok},
                      DefaultCase{MsgButtons::RetryCancel, MsgDefault::Third, MsgAnswer::Retry}));

TEST(MessageBox, APersonPressingEnterAnswersTheChosenDefaultButton)
{
    // The shared test main scripts every box unless told otherwise: a
    // person's box is wanted here.
    const QByteArray scripted = qgetenv("KELVRA_MESSAGE_ANSWERS");
    qunsetenv("KELVRA_MESSAGE_ANSWERS");
    QMessageBox::StandardButton seenDefault = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seenDefault = box->standardButton(box->defaultButton());
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
    });
    const MsgAnswer answer = messageBox(
        "Remove it?",
        MsgOptions{MsgButtons::YesNo, MsgIcon::Question}.withDefault(MsgDefault::Second));
    EXPECT_EQ(seenDefault, QMessageBox::No);
    EXPECT_EQ(answer, MsgAnswer::No);
    if (!scripted.isNull())
        qputenv("KELVRA_MESSAGE_ANSWERS", scripted);
}
