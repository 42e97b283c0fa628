#include <gtest/gtest.h>

#include "qtprint.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include "common/testutil.h"
#include "messagelog.h"
#include "store/paths.h"

using namespace store;

namespace {

struct SplitCase {
    const char* path;
    bool trailing;
    bool dot;
    bool folder;
    // drive, folder path, last folder, file name, base name, extension
    const char* expected[6];
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << c.path << (c.trailing ? " +sep" : "") << (c.dot ? " +dot" : "")
        << (c.folder ? " folder" : "");
}

class SplitPath : public ::testing::TestWithParam<SplitCase> {};

} // namespace

TEST_P(SplitPath, GivesEveryPart)
{
    const SplitCase& c = GetParam();
    PathParts parts;
    const char* letters[6] = {"d", "x", "L", "f", "B", "e"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ParsePathParts_(c.path, letters[i], c.trailing, c.dot, c.folder, &parts),
                  QString::fromUtf8(c.expected[i]))
            << "part " << letters[i];
    }
    EXPECT_EQ(parts.passed, QString::fromUtf8(c.path));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitPath,
    ::testing::Values(
        SplitCase{R"(C:\Pictures\Beach\sun.JPG)", false, true, false,
                  {"C:", R"(C:\Pictures\Beach)", "Beach", "sun.JPG", "sun", ".JPG"}},
        SplitCase{R"(C:\Pictures\Beach\sun.JPG)", true, true, false,
                  {R"(C:\)", R"(C:\Pictures\Beach\)", "Beach", "sun.JPG", "sun", ".JPG"}},
        SplitCase{R"(C:\Pictures\Beach\sun.JPG)", false, false, false,
                  {"C:", R"(C:\Pictures\Beach)", "Beach", "sun.JPG", "sun", "JPG"}},
        SplitCase{R"(  ""C:\Pictures\Beach\sun.JPG" )", false, true, false,
                  {"C:", R"(C:\Pictures\Beach)", "Beach", "sun.JPG", "sun", ".JPG"}},
        SplitCase{"/home/ann/archive.tar.gz", false, true, false,
                  {"", "/home/ann", "ann", "archive.tar.gz", "archive.tar", ".gz"}},
        SplitCase{"/home/ann/archive.tar.gz", true, false, false,
                  {"", "/home/ann/", "ann", "archive.tar.gz", "archive.tar", "gz"}},
        SplitCase{"/home/ann/README", false, true, false,
                  {"", "/home/ann", "ann", "README", "README", ""}},
        SplitCase{"/home/ann/file.", false, true, false,
                  {"", "/home/ann", "ann", "file.", "file", ""}},
        SplitCase{"C:", false, true, false, {"C:", R"(C:\)", "", "", "", ""}},
        SplitCase{"C:", true, true, false, {R"(C:\)", R"(C:\)", "", "", "", ""}},
        SplitCase{"C:file.txt", false, true, false, {"C:", "", "", "file.txt", "file", ".txt"}},
        SplitCase{R"(C:\sun.jpg)", false, true, false,
                  {"C:", R"(C:\)", "", "sun.jpg", "sun", ".jpg"}},
        SplitCase{"/sun.jpg", false, true, false, {"", "/", "", "sun.jpg", "sun", ".jpg"}},
        SplitCase{"sun.jpg", false, true, false, {"", "", "", "sun.jpg", "sun", ".jpg"}},
        SplitCase{"/home/ann/pics", false, true, true,
                  {"", "/home/ann/pics", "pics", "", "", ""}},
        SplitCase{R"(C:\Pics)", true, true, true,
                  {R"(C:\)", R"(C:\Pics\)", "Pics", "", "", ""}},
        SplitCase{"/media/cam:1/img.png", false, true, false,
                  {"", "/media/cam:1", "cam:1", "img.png", "img", ".png"}},
        SplitCase{R"(D:/mixed\dir/a.b.c)", false, false, false,
                  {"D:", "D:/mixed\\dir", "dir", "a.b.c", "a.b", "c"}},
        SplitCase{R"(  "" " )", true, true, true, {"", "", "", "", "", ""}},
        SplitCase{"", false, true, false, {"", "", "", "", "", ""}}));

TEST(Paths, LongAndShortFormsNeedAnExistingPath)
{
    testutil::IsolatedEnv env;
    const QString file = env.root() + "/Some Long Name.jpeg";
    testutil::writeFile(file, "x");
    ASSERT_TRUE(QFile::link(file, env.root() + "/link.scr"));
    EXPECT_EQ(longPathForm(env.root() + "/./windows/../Some Long Name.jpeg"), file);
    EXPECT_EQ(longPathForm(env.root() + "/link.scr"), env.root() + "/link.scr");
    EXPECT_EQ(longPathForm(env.root() + "/missing.jpg"), "");
    EXPECT_EQ(longPathForm(""), "");
    EXPECT_EQ(shortPathForm(file), file);
    EXPECT_EQ(shortPathForm(env.root() + "/missing.jpg"), "");
}

TEST(Paths, WindowsAndSystemFoldersAreCreatedAndEndInASeparatorWhenAsked)
{
    testutil::IsolatedEnv env;
    const QString windows = env.root() + "/w/deeper";
    qputenv("KELVRA_WINDOWS_DIR", (windows + "/").toUtf8());
    EXPECT_EQ(windowsDir(false), windows);
    EXPECT_EQ(windowsDir(true), windows + "/");
    EXPECT_TRUE(QFileInfo(windows).isDir());
    EXPECT_EQ(workDir(), windows + "/tmpFiles/");
    EXPECT_TRUE(QFileInfo(windows + "/tmpFiles").isDir());

    qunsetenv("KELVRA_WINDOWS_DIR");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (env.root() + "/data").toUtf8());
    EXPECT_EQ(windowsDir(true), env.root() + "/data/kelvra-saver/");
    qputenv("XDG_DATA_HOME", oldData);

    EXPECT_EQ(systemDir(false), env.systemDir());
    EXPECT_EQ(systemDir(true), env.systemDir() + "/");
    qunsetenv("KELVRA_SYSTEM_DIR");
    EXPECT_EQ(systemDir(false), QCoreApplication::applicationDirPath());
}

TEST(Paths, FileAndFolderExistence)
{
    testutil::IsolatedEnv env;
    const QString file = env.root() + "/a file.txt";
    testutil::writeFile(file, "x");
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists("  " + file + " "));
    EXPECT_FALSE(FileExists(env.root()));
    EXPECT_FALSE(FileExists(env.root() + "/missing"));
    EXPECT_FALSE(FileExists("   "));
    EXPECT_TRUE(FolderExists(env.root()));
    EXPECT_TRUE(FolderExists(file));
    EXPECT_FALSE(FolderExists(env.root() + "/missing"));
    EXPECT_FALSE(FolderExists(""));
}

TEST(Paths, ClearWorkFolderKeepsTheRuntimeAndSubfolders)
{
    testutil::IsolatedEnv env;
    const QString work = env.root() + "/work";
    for (const char* name : {"VLS.scr", "a.jpg", ".hidden", "list.ini", "sub/inner.txt"})
        testutil::writeFile(work + "/" + name, "x");
    ClearWorkFolder(work);
    EXPECT_EQ(QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                   QDir::Name),
              QStringList({"VLS.scr", "sub"}));
    EXPECT_TRUE(QFileInfo::exists(work + "/sub/inner.txt"));
    ClearWorkFolder(env.root() + "/missing"); // nothing to do, no failure
}

TEST(Paths, ForceFrontWindowShowsRestoresAndRaises)
{
    ForceFrontWindow(nullptr, true);

    QWidget hidden;
    ForceFrontWindow(&hidden, false);
    EXPECT_TRUE(hidden.isVisible());

    QWidget minimised;
    minimised.showMinimized();
    ForceFrontWindow(&minimised, false);
    EXPECT_TRUE(minimised.isMinimized());
    ForceFrontWindow(&minimised, true);
    EXPECT_FALSE(minimised.isMinimized());
    EXPECT_TRUE(minimised.isVisible());
}

TEST(Paths, ForceFrontWindowLeavesTheActiveWindowAlone)
{
    QWidget window;
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    if (!window.isActiveWindow())
        GTEST_SKIP() << "this platform does not activate windows";
    window.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(window.isActiveWindow());
    ForceFrontWindow(&window, true);
    EXPECT_TRUE(window.isMinimized()) << "no restore for the window already in front";
}
