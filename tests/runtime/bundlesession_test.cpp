// The runtime's start against real bundles: its own folder, the files the
// show needs first, the rest in the background, and every failure before
// anything is shown.

#include <ostream>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "archive/resultcode.h"
#include "runtime/bundlesession.h"
#include "runtime/sessionfolder.h"
#include "runtime/runtimetestutil.h"

using namespace runtime;

namespace {

QStringList sessionFolders(const QString& root)
{
    return QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

TEST(SessionFolder, EachProcessGetsItsOwnFolderRemovedAtItsEnd)
{
    QTemporaryDir dir;
    QString first, second;
    {
        SessionFolder a(dir.path());
        SessionFolder b(dir.path());
        ASSERT_TRUE(a.ok() && b.ok());
        first = a.path();
        second = b.path();
        EXPECT_NE(first, second);
        EXPECT_TRUE(QFileInfo(first).isDir() && QFileInfo(second).isDir());
        // The work folder's own files are not the session's.
        testutil::writeFile(dir.path() + QStringLiteral("/VLS.scr"), "runtime");
        testutil::writeFile(first + QStringLiteral("beach.jpg"), "x");
    }
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("VLS.scr")});
}

TEST(SessionFolder, FoldersOfEndedProcessesGoAndLiveOnesStay)
{
    QTemporaryDir dir;
    // A process that has ended (pid 2^22 + 1 is above Linux's pid range).
    const QString dead = dir.path() + QStringLiteral("/run-4194305-0badcafe");
    testutil::writeFile(dead + QStringLiteral("/beach.jpg"), "left behind");
    // A process that runs: its folder stays.
    QProcess sleeper;
    sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(sleeper.waitForStarted());
    const QString live = dir.path() + QStringLiteral("/run-%1-12345678").arg(sleeper.processId());
    testutil::writeFile(live + QStringLiteral("/beach.jpg"), "in use");
    // Not a session's name: the user's own.
    testutil::writeFile(dir.path() + QStringLiteral("/keep/me.txt"), "mine");

    SessionFolder mine(dir.path());
    EXPECT_FALSE(QFileInfo::exists(dead));
    EXPECT_TRUE(QFileInfo::exists(live + QStringLiteral("/beach.jpg")));
    EXPECT_TRUE(QFileInfo::exists(dir.path() + QStringLiteral("/keep/me.txt")));
    sleeper.kill();
    sleeper.waitForFinished();
}

class BundleSessionTest : public ::testing::Test {
protected:
    QString work() const { return m_dir.path() + QStringLiteral("/tmpFiles"); }
    QTemporaryDir m_dir;
};

TEST_F(BundleSessionTest, ListAndSettingsAreThereAtOnceAndTheMediaFollow)
{
    const auto saver = runtimetest::makeSaver(m_dir.path(),
                                              {Qt::red, Qt::green, Qt::blue}, 3 << 20);
    std::unique_ptr<BundleSession> session;
    ASSERT_EQ(BundleSession::start(saver.program, work(), &session), archive::kSuccess);
    ASSERT_TRUE(session);
    const QString folder = session->folder();
    EXPECT_TRUE(folder.startsWith(work() + u'/'));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("iSunse.ini")).isFile());
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("Sunse.ini")).isFile());
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("sSunse.ini")).isFile());

    // Waiting for the last item brings it out whole.
    EXPECT_TRUE(session->await(folder + QStringLiteral("clip.mpg")));
    EXPECT_EQ(QFileInfo(folder + QStringLiteral("clip.mpg")).size(), 3 << 20);
    EXPECT_FALSE(session->pending(folder + QStringLiteral("clip.mpg")));
    EXPECT_EQ(session->finishAll(), archive::kSuccess);
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(QFileInfo(folder + QStringLiteral("photo %1.jpg").arg(i)).isFile());
    session.reset();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(sessionFolders(work()).isEmpty());
}

TEST_F(BundleSessionTest, TheLauncherProgramOpensTheSameArchive)
{
    const auto saver = runtimetest::makeSaver(m_dir.path(), {Qt::red});
    std::unique_ptr<BundleSession> session;
    const QString launcher = saver.folder + QStringLiteral("/Sunset Beach.exe");
    ASSERT_EQ(BundleSession::start(launcher, work(), &session), archive::kSuccess);
    EXPECT_EQ(session->finishAll(), archive::kSuccess);
    EXPECT_TRUE(QFileInfo(session->folder() + QStringLiteral("photo 1.jpg")).isFile());
}

TEST_F(BundleSessionTest, ADamagedPictureIsLeftOutAndReportedAfterwards)
{
    const auto saver = runtimetest::makeSaver(m_dir.path(), {Qt::red}, 4 << 20);
    // The clip fills most of the archive: its middle is the clip's data.
    runtimetest::flipByte(saver.archive, 0.5);
    std::unique_ptr<BundleSession> session;
    ASSERT_EQ(BundleSession::start(saver.program, work(), &session), archive::kSuccess);
    EXPECT_FALSE(session->await(session->folder() + QStringLiteral("clip.mpg")));
    EXPECT_EQ(session->finishAll(), archive::kIntegrityFailed);
    EXPECT_EQ(session->backgroundResult(), archive::kIntegrityFailed);
    // No partial file under any name.
    const QStringList files = QDir(session->folder()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& f : files)
        EXPECT_FALSE(f.contains(QLatin1String("clip"))) << f.toStdString();
}

struct BadCase {
    const char* label;
    std::function<void(const runtimetest::Saver&)> damage;
    int code;
};

// Names the case in ctest by its label, not by its bytes.
void PrintTo(const BadCase& c, std::ostream* os)
{
    *os << c.label;
}

class BadBundles : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadBundles, FailBeforeAnythingIsShownAndLeaveNoFolder)
{
    QTemporaryDir dir;
    const auto saver = runtimetest::makeSaver(dir.path(), {Qt::red, Qt::green});
    GetParam().damage(saver);
    std::unique_ptr<BundleSession> session;
    const QString work = dir.path() + QStringLiteral("/tmpFiles");
    EXPECT_EQ(BundleSession::start(saver.program, work, &session), GetParam().code);
    EXPECT_FALSE(session);
    EXPECT_TRUE(sessionFolders(work).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, BadBundles,
    ::testing::Values(
        BadCase{"Missing", [](const auto& s) { QFile::remove(s.archive); },
                archive::kArchiveMissing},
        BadCase{"Truncated",
                [](const auto& s) {
                    QFile f(s.archive);
                    f.resize(f.size() - 30);
                },
                archive::kNotAnArchive},
        BadCase{"NotAnArchive",
                [](const auto& s) { testutil::writeFile(s.archive, QByteArray(4000, 'x')); },
                archive::kNotAnArchive},
        BadCase{"OtherPassword",
                [](const auto& s) {
                    archive::ZipArchive zip;
                    zip.addFileToProcess(s.pictures.first());
                    zip.setArchiveName(s.archive);
                    zip.setPassword(QStringLiteral("another password"));
                    zip.pack();
                },
                archive::kWrongPassword}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
