#include "editor/projectfiles.h"

#include <ostream>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "store/listfile.h"

using namespace editor;

namespace {

QByteArray golden(const char* name)
{
    return testutil::readFile(QStringLiteral(KELVRA_SOURCE_DIR "/tests/editor/golden/") + name);
}

const QStringList kPaths = {"/home/u/Pictures/a.jpg", "/home/u/Pictures/b c.png",
                            "/home/u/Pictures/a.jpg", "/media/ü/ñame €.gif",
                            "/home/u/Videos/clip.mpg"};

} // namespace

TEST(Formats, CurrentConfigMatchesGolden)
{
    EXPECT_EQ(formatCurrentConfig(12, kPaths), golden("zem.ini"));
}

TEST(Formats, ProjectMatchesGolden)
{
    EXPECT_EQ(formatProject(kPaths), golden("project.kvl"));
    EXPECT_TRUE(formatProject({}).isEmpty());
}

TEST(Formats, NumbersHaveSignPositionAndTrailingBlank)
{
    EXPECT_EQ(formatNumber(12), " 12 ");
    EXPECT_EQ(formatNumber(0), " 0 ");
    EXPECT_EQ(formatNumber(-3), "-3 ");
    EXPECT_EQ(formatCurrentConfig(1, {}), " 1 \r\n 0 \r\n");
}

TEST(CurrentConfig, CountBoundsThePathLines)
{
    const CurrentConfig c = parseCurrentConfig(" 7 \r\n 2 \r\n/a\r\n/b\r\n/c\r\n");
    EXPECT_EQ(c.intervalLine, " 7 ");
    EXPECT_EQ(c.count, 2);
    EXPECT_EQ(c.pathLines, (QStringList{"/a", "/b"}));
    EXPECT_EQ(parseCurrentConfig("").count, 0);
    EXPECT_EQ(parseCurrentConfig(" 1 \r\n x \r\n/a").pathLines, QStringList{});
}

TEST(CurrentConfig, MissingFileStillCountsTowardN)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a.jpg"), c = dir.filePath("c.jpg");
    testutil::writeFile(a, "x");
    testutil::writeFile(c, "x");
    const QStringList paths = {a, dir.filePath("gone.jpg"), c, a, c};
    const CurrentConfig config = parseCurrentConfig(formatCurrentConfig(5, paths) + "/extra\r\n");
    const auto isFile = [](const QString& p) { return QFileInfo(p).isFile(); };
    EXPECT_EQ(currentConfigEntries(config, isFile), (QStringList{a, c, a, c}));
}

TEST(ProjectEntries, SkipsBlankMissingAndFolderLinesAndKeepsTrimmedPaths)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a b.jpg");
    testutil::writeFile(a, "x");
    const auto isFile = [](const QString& p) { return QFileInfo(p).isFile(); };
    const QStringList lines = store::splitListLines(
        formatProject({a, "", dir.filePath("gone.jpg"), dir.path(), "  " + a + " "}) + a.toUtf8());
    // The trimmed path is both tested and kept.
    EXPECT_EQ(projectEntries(lines, isFile), (QStringList{a, a, a}));
}

TEST(AtomicWrite, ReplacesWholeFileAndRoundTripsAnyName)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("p.kvl");
    testutil::writeFile(file, QByteArray(1000, 'x'));
    ASSERT_TRUE(writeFileAtomically(file, formatProject(kPaths)));
    EXPECT_EQ(store::splitListLines(*readWholeFile(file)), kPaths);
    // A folder that does not exist cannot be written and is reported.
    EXPECT_FALSE(writeFileAtomically(dir.filePath("no/such/x.kvl"), "a"));
    EXPECT_FALSE(readWholeFile(dir.filePath("missing")).has_value());
}
