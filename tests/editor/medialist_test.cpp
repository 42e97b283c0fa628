#include "editor/medialist.h"

#include <ostream>

#include <gtest/gtest.h>

using editor::MediaEntry;
using editor::MediaList;

namespace {

MediaList numbered(int n)
{
    MediaList list;
    for (int i = 0; i < n; ++i)
        list.insert(list.count(), MediaEntry{QString::number(i), "/p/" + QString::number(i)});
    return list;
}

QString order(const MediaList& list) { return list.names().join(','); }

bool pathsMatchNames(const MediaList& list)
{
    for (const MediaEntry& e : list.entries())
        if (editor::displayName(e.path) != e.name)
            return false;
    return true;
}

} // namespace

TEST(DisplayName, TakesTheFileNamePartOfEitherSeparator)
{
    EXPECT_EQ(editor::displayName("/home/a b/pic 1.jpg"), "pic 1.jpg");
    EXPECT_EQ(editor::displayName("C:\\Pics\\x.bmp"), "x.bmp");
    EXPECT_EQ(editor::displayName("plain.png"), "plain.png");
}

struct RemoveCase {
    int count;
    QVector<int> selected;
    QString after;
    int select;
};

void PrintTo(const QVector<int>& rows, std::ostream* os)
{
    for (int r : rows)
        *os << r << ' ';
}

void PrintTo(const RemoveCase& c, std::ostream* os)
{
    *os << c.count << " items, remove ";
    PrintTo(c.selected, os);
}

class RemoveSelected : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveSelected, KeepsOrderAndChoosesTheNextSelection)
{
    const RemoveCase& c = GetParam();
    MediaList list = numbered(c.count);
    EXPECT_EQ(list.removeSelected(c.selected), c.select);
    EXPECT_EQ(order(list), c.after);
    EXPECT_TRUE(pathsMatchNames(list));
}

INSTANTIATE_TEST_SUITE_P(
    Table, RemoveSelected,
    ::testing::Values(RemoveCase{5, {1, 3}, "0,2,4", 1},     // the old item 2 is selected
                      RemoveCase{5, {3, 1}, "0,2,4", 1},     // order of the selection is irrelevant
                      RemoveCase{5, {4}, "0,1,2,3", 3},      // past the end: the last item
                      RemoveCase{5, {3, 4}, "0,1,2", 2},
                      RemoveCase{5, {}, "0,1,2,3,4", 0},     // nothing selected: the first
                      RemoveCase{3, {0, 1, 2}, "", -1},      // emptied
                      RemoveCase{4, {0, 0, 9}, "1,2,3", 0})); // duplicates and junk ignored

struct MoveCase {
    bool down;
    int index;
    QString after;
    int target;
};

void PrintTo(const MoveCase& c, std::ostream* os)
{
    *os << (c.down ? "down from " : "up from ") << c.index;
}

class MoveOne : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveOne, WrapsAroundAtBothEnds)
{
    const MoveCase& c = GetParam();
    MediaList list = numbered(4);
    EXPECT_EQ(c.down ? list.moveDown(c.index) : list.moveUp(c.index), c.target);
    EXPECT_EQ(order(list), c.after);
    EXPECT_EQ(list.at(c.target).name, QString::number(c.index));
}

INSTANTIATE_TEST_SUITE_P(Table, MoveOne,
                         ::testing::Values(MoveCase{true, 1, "0,2,1,3", 2},
                                           MoveCase{true, 3, "3,0,1,2", 0},
                                           MoveCase{false, 2, "0,2,1,3", 1},
                                           MoveCase{false, 0, "1,2,3,0", 3}));

TEST(MoveOne, SingleItemStaysAndBadIndexIsRefused)
{
    MediaList list = numbered(1);
    EXPECT_EQ(list.moveDown(0), 0);
    EXPECT_EQ(list.moveUp(0), 0);
    EXPECT_EQ(list.moveUp(5), -1);
    EXPECT_EQ(order(list), "0");
}

struct DropMoveCase {
    int count;
    QVector<int> selected;
    int row;
    QString after;
    int first;
};

void PrintTo(const DropMoveCase& c, std::ostream* os)
{
    PrintTo(c.selected, os);
    *os << "onto row " << c.row << " of " << c.count;
}

class DropMove : public ::testing::TestWithParam<DropMoveCase> {};

TEST_P(DropMove, InsertsAtTheBoundaryAboveTheRow)
{
    const DropMoveCase& c = GetParam();
    MediaList list = numbered(c.count);
    EXPECT_EQ(list.dropMove(c.selected, c.row), c.first);
    EXPECT_EQ(order(list), c.after);
    EXPECT_EQ(list.count(), c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DropMove,
    ::testing::Values(DropMoveCase{6, {0, 1}, 4, "2,3,0,1,4,5", 2},
                      DropMoveCase{6, {4, 1}, 0, "1,4,0,2,3,5", 0},   // list order kept
                      DropMoveCase{6, {2}, 2, "0,1,2,3,4,5", 2},      // onto itself
                      DropMoveCase{6, {0, 5}, 3, "1,2,0,5,3,4", 2},
                      DropMoveCase{6, {0, 1}, 40, "2,3,4,5,0,1", 4},  // far below: appended
                      DropMoveCase{3, {1}, -7, "1,0,2", 0}));

TEST(DropMove, NothingSelectedChangesNothing)
{
    MediaList list = numbered(3);
    EXPECT_EQ(list.dropMove({}, 1), -1);
    EXPECT_EQ(order(list), "0,1,2");
}

TEST(DropFiles, SkipsNonFilesAndGoesToTopBelowTheLastItem)
{
    const auto isFile = [](const QString& p) { return !p.endsWith('/') && !p.contains("gone"); };
    MediaList list = numbered(3);
    int first = -1;
    EXPECT_EQ(list.dropFiles(1, {"/d/a.jpg", "/d/folder/", "/d/gone.jpg", "/d/b.png"}, isFile,
                             &first),
              2);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(order(list), "0,a.jpg,b.png,1,2");

    EXPECT_EQ(list.dropFiles(5, {"/e/c.jpg", "/e/d.jpg"}, isFile, &first), 2);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(order(list), "c.jpg,d.jpg,0,a.jpg,b.png,1,2");

    MediaList empty;
    EXPECT_EQ(empty.dropFiles(3, {"/x/y z.gif"}, isFile, &first), 1);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(empty.at(0).path, "/x/y z.gif");
}

TEST(Insert, DuplicatesAreKept)
{
    MediaList list;
    list.insert(0, QVector<MediaEntry>{{"a", "/a"}, {"b", "/b"}});
    list.insert(0, QVector<MediaEntry>{{"a", "/a"}});
    EXPECT_EQ(order(list), "a,a,b");
}
