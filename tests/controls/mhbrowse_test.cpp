// The folder browser: choosing, cancelling and the "New Folder" flow, with
// the browser's real window driven from inside its modal loop.

#include <ostream>

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include "controls/mhbrowse.h"
#include "store/messagelog.h"

using controls::FolderBrowserDialog;
using controls::MHBrowse;

namespace {

// Runs `step` on each browser window once its modal loop is running.
void driveEach(MHBrowse& browse, std::function<void(FolderBrowserDialog&, int pass)> step)
{
    auto pass = std::make_shared<int>(0);
    browse.onDialogShown = [step, pass](FolderBrowserDialog& dialog) {
        const int n = (*pass)++;
        QTimer::singleShot(0, &dialog, [&dialog, step, n] { step(dialog, n); });
    };
}

} // namespace

TEST(FolderBrowser, OpensAtItemAndReturnsTheChoice)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Work/Out"));
    MHBrowse browse;
    browse.Item = dir.path() + QStringLiteral("/Work/"); // trailing "/" dropped
    QString opened;
    driveEach(browse, [&](FolderBrowserDialog& d, int) {
        opened = d.currentFolder();
        d.okButton()->click();
    });
    ASSERT_TRUE(browse.BrowseIt(nullptr));
    EXPECT_EQ(opened, dir.path() + QStringLiteral("/Work/"));
    EXPECT_EQ(browse.Item, dir.path() + QStringLiteral("/Work"));
}

TEST(FolderBrowser, CancelKeepsItem)
{
    QTemporaryDir dir;
    MHBrowse browse;
    browse.Item = dir.path();
    driveEach(browse, [](FolderBrowserDialog& d, int) { d.reject(); });
    EXPECT_FALSE(browse.BrowseIt(nullptr));
    EXPECT_EQ(browse.Item, dir.path());
}

struct NewFolderCase {
    const char* label;
    const char* typed;
};

// Names the case in ctest by its label, not by its bytes.
void PrintTo(const NewFolderCase& c, std::ostream* os)
{
    *os << c.label;
}

class NewFolder : public ::testing::TestWithParam<NewFolderCase> {};

TEST_P(NewFolder, CreatesInsideTheSelectionAndReopensThere)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Work"));
    MHBrowse browse;
    browse.Item = dir.path() + QStringLiteral("/Work");
    browse.NewFolder = true;
    browse.NewFolderTitle = QStringLiteral("Create New Folder");
    QString promptTitle, promptLabel, promptDefault;
    browse.setPrompt([&](QWidget*, const QString& title, const QString& label,
                         const QString& def, QString* answer) {
        promptTitle = title;
        promptLabel = label;
        promptDefault = def;
        *answer = QString::fromUtf8(GetParam().typed);
        return true;
    });
    QStringList openedAt;
    driveEach(browse, [&](FolderBrowserDialog& d, int pass) {
        openedAt << d.currentFolder();
        if (pass == 0)
            d.newFolderButton()->click();
        else
            d.okButton()->click();
    });
    ASSERT_TRUE(browse.BrowseIt(nullptr));
    const QString made = dir.path() + QStringLiteral("/Work/Saver");
    EXPECT_TRUE(QDir(made).exists());
    EXPECT_EQ(browse.Item, made);
    ASSERT_EQ(openedAt.size(), 2);
    EXPECT_EQ(openedAt[1], made + QLatin1Char('/'));
    EXPECT_EQ(promptTitle, QStringLiteral("Create New Folder"));
    EXPECT_EQ(promptLabel, QStringLiteral("Enter New Folder Name"));
    EXPECT_EQ(promptDefault, QStringLiteral("New Folder"));
}

INSTANTIATE_TEST_SUITE_P(Names, NewFolder,
                         ::testing::Values(NewFolderCase{"Plain", "Saver"},
                                           NewFolderCase{"LeadingBackslash", "\\Saver"}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(FolderBrowser, AFolderThatCannotBeMadeIsReportedAndTheBrowserStays)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Work/Taken"));
    storetest::MessageLog log(dir.path());
    MHBrowse browse;
    browse.Item = dir.path() + QStringLiteral("/Work");
    browse.NewFolder = true;
    browse.NewFolderTitle = QStringLiteral("Create New Folder");
    int prompts = 0;
    browse.setPrompt([&](QWidget*, const QString&, const QString&, const QString&,
                         QString* answer) {
        ++prompts;
        *answer = prompts == 1 ? QStringLiteral("Taken") : QString();
        return true;
    });
    int passes = 0;
    driveEach(browse, [&](FolderBrowserDialog& d, int) {
        ++passes;
        d.newFolderButton()->click(); // "Taken" exists: refused, browser stays
        d.newFolderButton()->click(); // an empty name does nothing
        EXPECT_TRUE(d.isVisible());
        d.okButton()->click();
    });
    ASSERT_TRUE(browse.BrowseIt(nullptr));
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(browse.Item, dir.path() + QStringLiteral("/Work"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines().first(), QStringLiteral("critical|Create New Folder|Error creating ")
                                       + dir.path() + QStringLiteral("/Work/Taken"));
}
