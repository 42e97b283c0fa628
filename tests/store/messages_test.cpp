#include <gtest/gtest.h>

#include "qtprint.h"

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
}
