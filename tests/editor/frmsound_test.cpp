// The background sound list: frmSound's list editing and what OK, Cancel
// and the edit-or-disable question leave in "zem-sound.ini", the settings
// and the editor's menu item and status line.
#include "editor/frmsound.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "controls/commondialog.h"
#include "editor/frmsettings.h"
#include "editor/modalhelper.h"
#include "editor/projectfiles.h"
#include "store/listfile.h"
#include "store/settings.h"

using editor::frmSound;
using editor::frmSoundDialog;

namespace {

class SoundList : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("KELVRA_MESSAGE_LOG", (env.root() + "/messages.log").toUtf8());
        store::saveSetting("Background Sound Add Dialog Path", media.path(), true);
    }
    void TearDown() override { qunsetenv("KELVRA_MESSAGE_LOG"); }

    QString sound(const QString& name)
    {
        const QString path = media.filePath(name);
        testutil::writeFile(path, "RIFF....WAVE");
        return path;
    }
    QString listFile() const { return env.windowsDir() + "/zem-sound.ini"; }
    void writeList(const QStringList& paths)
    {
        testutil::writeFile(listFile(), editor::formatProject(paths));
    }
    QStringList storedList() const
    {
        return store::splitListLines(testutil::readFile(listFile()));
    }
    QStringList messages() const
    {
        return QString::fromUtf8(testutil::readFile(env.root() + "/messages.log"))
            .split('\n', Qt::SkipEmptyParts);
    }
    static QStringList shown(const frmSound& d)
    {
        QStringList out;
        for (int i = 0; i < d.List1()->count(); ++i)
            out << d.List1()->item(i)->text();
        return out;
    }
    static QVector<int> selected(const frmSound& d)
    {
        QVector<int> rows;
        for (const QModelIndex& index : d.List1()->selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    static void select(frmSound& d, const QVector<int>& rows)
    {
        d.List1()->clearSelection();
        for (int r : rows)
            d.List1()->item(r)->setSelected(true);
        d.List1()->setCurrentRow(rows.first(), QItemSelectionModel::NoUpdate);
    }
    QStringList five()
    {
        QStringList paths;
        for (const char* name : {"a.wav", "b.mp3", "c.mid", "d.ogg", "e.flac"})
            paths << sound(name);
        writeList(paths);
        return paths;
    }

    testutil::IsolatedEnv env;
    QTemporaryDir media;
    controls::ScriptedDialogProvider dialogs;
};

TEST_F(SoundList, CaptionsButtonsAndMenusAsStored)
{
    frmSound d;
    frmSoundDialog ask;
    EXPECT_EQ(d.windowTitle(), "Background Sound Configuration");
    EXPECT_EQ(ask.windowTitle(), "Background Sound Configuration");
    EXPECT_EQ(d.menuItem("mnuExit")->text(), "E&xit\tAlt+F4");
    const std::pair<const char*, const char*> captions[] = {
        {"cmdAdd", "&Add"}, {"cmdRemove", "&Remove"}, {"cmdOK", "&OK"}, {"cmdCancel", "&Cancel"}};
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(d.findChild<QPushButton*>(name)->text(), caption) << name;
    EXPECT_EQ(ask.findChild<QPushButton*>("Command1")->text(), "&Edit");
    EXPECT_EQ(ask.findChild<QPushButton*>("Command2")->text(), "&Disable");
    EXPECT_FALSE(ask.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(SoundList, AddOneFileAsksWithTheFilterAndRemembersItsFolder)
{
    const QString song = sound("Happy Birthday song.mp3");
    dialogs.queueFiles({song});
    frmSound d;
    d.cmdAdd_Click();
    EXPECT_EQ(shown(d), QStringList{"Happy Birthday song.mp3"});
    EXPECT_EQ(d.List2(), QStringList{song});
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    const controls::FileDialogRequest& r = dialogs.fileRequests.first();
    EXPECT_EQ(r.title, "Select Background Sound File(s):");
    EXPECT_EQ(r.initDir, media.path());
    EXPECT_TRUE(r.multiple);
    EXPECT_EQ(r.filterIndex, 0);
    ASSERT_EQ(r.filters.size(), 6);
    EXPECT_EQ(r.filters[0].description, "All Supported Audio Formats");
    for (const char* pattern : {"*.wav", "*.mid", "*.mp3", "*.aif", "*.ogg", "*.opus", "*.flac",
                                "*.m4a", "*.aac", "*.oga"})
        EXPECT_TRUE(r.filters[0].patterns.contains(pattern)) << pattern;
    EXPECT_EQ(r.filters[4].patterns, QStringList{"*.cda"});
    EXPECT_EQ(store::getSetting("Background Sound Add Dialog Path", "", true), media.path());
}

TEST_F(SoundList, AddSeveralFilesWithBlanksAppendsThemAtTheEnd)
{
    const QString first = sound("first one.wav");
    dialogs.queueFiles({first});
    QDir().mkpath(media.filePath("My Sounds"));
    const QString a = sound("My Sounds/a wave.wav");
    const QString b = sound("My Sounds/b song.mp3");
    dialogs.queueFiles({a, b});
    dialogs.queueCancel();
    frmSound d;
    d.cmdAdd_Click();
    d.cmdAdd_Click();
    d.cmdAdd_Click(); // cancelled: nothing changes
    EXPECT_EQ(shown(d), (QStringList{"first one.wav", "a wave.wav", "b song.mp3"}));
    EXPECT_EQ(d.List2(), (QStringList{first, a, b}));
    EXPECT_EQ(store::getSetting("Background Sound Add Dialog Path", "", true),
              media.filePath("My Sounds"));
}

TEST_F(SoundList, AddSoundFilesTakesTheFolderAndEachName)
{
    frmSound d;
    d.AddSoundFiles(QStringLiteral("/music/Party Mix") + QChar(0) + "a.wav" + QChar(0) +
                    "b.mp3" + QChar(0) + QChar(0) + QChar(0));
    EXPECT_EQ(shown(d), (QStringList{"a.wav", "b.mp3"}));
    EXPECT_EQ(d.List2(), (QStringList{"/music/Party Mix/a.wav", "/music/Party Mix/b.mp3"}));
}

TEST_F(SoundList, RemovingIndexesOneAndThreeOfFiveSelectsTheNewIndexOne)
{
    five();
    frmSound d;
    select(d, {1, 3});
    d.cmdRemove_Click();
    EXPECT_EQ(shown(d), (QStringList{"a.wav", "c.mid", "e.flac"}));
    EXPECT_EQ(selected(d), QVector<int>{1});
    // The last ones removed: the new last entry is selected.
    select(d, {1, 2});
    d.cmdRemove_Click();
    EXPECT_EQ(shown(d), QStringList{"a.wav"});
    EXPECT_EQ(selected(d), QVector<int>{0});
}

TEST_F(SoundList, RemoveOnAnEmptyListSaysSo)
{
    frmSound d;
    d.cmdRemove_Click();
    EXPECT_TRUE(
        messages().join('\n').contains("No files are currently in your list to remove."));
}

TEST_F(SoundList, MovesWrapAroundAtBothEnds)
{
    const QStringList paths = five();
    frmSound d;
    select(d, {4});
    d.mnuMoveDown_Click(); // the last goes to the top
    EXPECT_EQ(shown(d), (QStringList{"e.flac", "a.wav", "b.mp3", "c.mid", "d.ogg"}));
    EXPECT_EQ(selected(d), QVector<int>{0});
    d.mnuMoveUp_Click(); // the first goes to the end
    EXPECT_EQ(shown(d), (QStringList{"a.wav", "b.mp3", "c.mid", "d.ogg", "e.flac"}));
    EXPECT_EQ(selected(d), QVector<int>{4});
    select(d, {1});
    d.mnuMoveDown_Click();
    EXPECT_EQ(shown(d), (QStringList{"a.wav", "c.mid", "b.mp3", "d.ogg", "e.flac"}));
    EXPECT_EQ(d.List2()[2], paths[1]); // the paths move with the names
}

TEST_F(SoundList, EditMenuFollowsTheSelection)
{
    five();
    frmSound d;
    const auto state = [&d] {
        d.mnuEdit_Click();
        return std::tuple(d.menuItem("mnuMoveUp")->isEnabled(),
                          d.menuItem("mnuMoveDown")->isEnabled(),
                          d.menuItem("mnuRemove")->isEnabled());
    };
    d.List1()->clearSelection();
    EXPECT_EQ(state(), std::tuple(false, false, false));
    select(d, {2});
    EXPECT_EQ(state(), std::tuple(true, true, true));
    select(d, {0, 2});
    EXPECT_EQ(state(), std::tuple(false, false, true));
}

TEST_F(SoundList, ALineNamingADeletedFileDisappearsAndOkDropsIt)
{
    const QStringList paths = five();
    QFile::remove(paths[2]);
    QStringList withBlank = paths;
    withBlank.insert(1, QString());
    writeList(withBlank);
    frmSound d;
    EXPECT_EQ(shown(d), (QStringList{"a.wav", "b.mp3", "d.ogg", "e.flac"}));
    d.cmdOK_Click();
    EXPECT_EQ(d.soundListState(), editor::kSoundListSaved);
    EXPECT_EQ(storedList(), (QStringList{paths[0], paths[1], paths[3], paths[4]}));
    EXPECT_TRUE(testutil::readFile(listFile()).endsWith("e.flac\r\n"));
}

TEST_F(SoundList, AListThatCannotBeWrittenIsSaidAndKept)
{
    five();
    frmSound d;
    // A folder where the list file goes: the file cannot replace it.
    ASSERT_TRUE(QFile::remove(listFile()));
    ASSERT_TRUE(QDir().mkpath(listFile()));
    d.cmdOK_Click();
    EXPECT_TRUE(messages().join('\n').contains(
        QString("The background sound list could not be written to '%1'.").arg(listFile())))
        << messages().join('\n').toStdString();
    EXPECT_NE(d.soundListState(), editor::kSoundListSaved);
    EXPECT_EQ(shown(d), (QStringList{"a.wav", "b.mp3", "c.mid", "d.ogg", "e.flac"}));
}

TEST_F(SoundList, CancelWritesNothing)
{
    const QStringList paths = five();
    const QByteArray before = testutil::readFile(listFile());
    frmSound d;
    select(d, {0});
    d.cmdRemove_Click();
    d.findChild<QPushButton*>("cmdCancel")->click();
    EXPECT_EQ(testutil::readFile(listFile()), before);
    EXPECT_EQ(d.soundListState(), editor::kSoundListEditing);
}

// --- the editor's menu item ------------------------------------------------------------

class SoundMenu : public SoundList {
protected:
    QString status() const { return w->SkinLabel(2)->text(); }
    QAction* item() const { return w->menuItem("mnuBackgroundSound"); }
    void openMenu() { w->mnuOptions_Click(); }
    std::unique_ptr<editor::frmSettings> w = std::make_unique<editor::frmSettings>();
};

TEST_F(SoundMenu, OkWithASavedListChecksTheItemAndEnablesTheStatus)
{
    const QString song = sound("song one.wav");
    dialogs.queueFiles({song});
    openMenu();
    ASSERT_FALSE(item()->isChecked());
    testutil::whenModal<frmSound>([](frmSound* d) {
        d->cmdAdd_Click();
        d->findChild<QPushButton*>("cmdOK")->click();
    });
    item()->trigger();
    EXPECT_TRUE(item()->isChecked());
    EXPECT_EQ(status(), "Background Sound:  Enabled");
    EXPECT_EQ(store::getSetting("Background Sound Enabled", "", true), "True");
    EXPECT_EQ(storedList(), QStringList{song});
}

TEST_F(SoundMenu, OkWithAnEmptyListDeletesTheFileAndLeavesTheItemUnchecked)
{
    writeList({sound("gone soon.wav")});
    openMenu(); // the setting is off: unchecked although a file lies there
    ASSERT_FALSE(item()->isChecked());
    testutil::whenModal<frmSound>([this](frmSound* d) {
        select(*d, {0});
        d->cmdRemove_Click();
        d->cmdOK_Click();
    });
    item()->trigger();
    EXPECT_FALSE(item()->isChecked());
    EXPECT_FALSE(QFile::exists(listFile()));
    EXPECT_EQ(status(), "Background Sound:  Disabled");
    EXPECT_EQ(store::getSetting("Background Sound Enabled", "", true), "False");
}

TEST_F(SoundMenu, CancelFromTheUncheckedItemLeavesItDisabled)
{
    testutil::whenModal<frmSound>([](frmSound* d) { d->reject(); });
    item()->trigger();
    EXPECT_FALSE(item()->isChecked());
    EXPECT_EQ(status(), "Background Sound:  Disabled");
}

TEST_F(SoundMenu, DisableDeletesTheFileAndSavesFalse)
{
    writeList({sound("music.wav")});
    store::saveSetting("Background Sound Enabled", "True", true);
    w = std::make_unique<editor::frmSettings>();
    ASSERT_EQ(status(), "Background Sound:  Enabled");
    openMenu();
    ASSERT_TRUE(item()->isChecked());
    testutil::whenModal<frmSoundDialog>(
        [](frmSoundDialog* d) { d->findChild<QPushButton*>("Command2")->click(); });
    item()->trigger();
    EXPECT_FALSE(item()->isChecked());
    EXPECT_FALSE(QFile::exists(listFile()));
    EXPECT_EQ(store::getSetting("Background Sound Enabled", "", true), "False");
    EXPECT_EQ(status(), "Background Sound:  Disabled");
}

TEST_F(SoundMenu, EditOpensTheListAndKeepsTheCheckMark)
{
    const QString music = sound("music.wav");
    writeList({music});
    store::saveSetting("Background Sound Enabled", "True", true);
    openMenu();
    ASSERT_TRUE(item()->isChecked());
    QStringList listed;
    testutil::whenModal<frmSoundDialog>(
        [](frmSoundDialog* d) { d->findChild<QPushButton*>("Command1")->click(); });
    testutil::whenModal<frmSound>([&listed](frmSound* d) {
        listed = d->List2();
        d->reject();
    });
    item()->trigger();
    EXPECT_EQ(listed, QStringList{music});
    EXPECT_TRUE(item()->isChecked());
    EXPECT_EQ(status(), "Background Sound:  Enabled");
}

TEST_F(SoundMenu, EscInTheQuestionChangesNothing)
{
    writeList({sound("music.wav")});
    store::saveSetting("Background Sound Enabled", "True", true);
    const QByteArray before = testutil::readFile(listFile());
    openMenu();
    bool listOpened = false;
    testutil::whenModal<frmSoundDialog>(
        [](frmSoundDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
    QPointer<QTimer> waiting = testutil::whenModal<frmSound>([&listOpened](frmSound* d) {
        listOpened = true;
        d->reject();
    });
    item()->trigger();
    QTest::qWait(100);
    EXPECT_FALSE(listOpened);
    delete waiting;
    EXPECT_TRUE(item()->isChecked());
    EXPECT_EQ(testutil::readFile(listFile()), before);
    EXPECT_EQ(store::getSetting("Background Sound Enabled", "", true), "True");
    EXPECT_EQ(status(), "Background Sound:  Enabled");
}

} // namespace
