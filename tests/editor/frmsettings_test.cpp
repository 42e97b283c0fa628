// Widget tests of the editor window: real files in private folders, the
// common dialogs scripted, message boxes answered from a script file.
#include "editor/frmsettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "controls/commondialog.h"
#include "controls/pspinedit.h"
#include "editor/medialistview.h"
#include "editor/projectfiles.h"
#include "editor/transitionsdialog.h"
#include "pictures/pictureview.h"
#include "store/settings.h"

using editor::frmSettings;

namespace {

QString setting(const char* name) { return store::getSetting(name, "<none>", true); }

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_answers = env.root() + "/answers.txt";
        m_log = env.root() + "/messages.log";
        qputenv("KELVRA_MESSAGE_ANSWERS", m_answers.toUtf8());
        qputenv("KELVRA_MESSAGE_LOG", m_log.toUtf8());
    }
    void TearDown() override
    {
        qunsetenv("KELVRA_MESSAGE_ANSWERS");
        qunsetenv("KELVRA_MESSAGE_LOG");
    }

    // A real picture file in the media folder.
    QString picture(const QString& name, QSize size = {32, 24})
    {
        const QString path = media.filePath(name);
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(200, 80, 40));
        image.save(path, "PNG");
        return path;
    }
    QStringList pictures(int n, const QString& prefix = "pic ")
    {
        QStringList out;
        for (int i = 0; i < n; ++i)
            out << picture(QStringLiteral("%1%2.png").arg(prefix).arg(i));
        return out;
    }
    void writeConfig(const QStringList& paths, int interval = 5)
    {
        testutil::writeFile(env.windowsDir() + "/zem.ini",
                            editor::formatCurrentConfig(interval, paths));
    }
    void answer(const QStringList& words)
    {
        testutil::writeFile(m_answers, words.join('\n').toUtf8() + "\n");
    }
    QStringList messages() const
    {
        return QString::fromUtf8(testutil::readFile(m_log)).split('\n', Qt::SkipEmptyParts);
    }
    std::unique_ptr<frmSettings> open(const QString& project = {})
    {
        auto w = std::make_unique<frmSettings>(project);
        w->show();
        return w;
    }
    static void selectRows(frmSettings& w, const QVector<int>& rows, int current)
    {
        auto* view = w.lstPics();
        view->clearSelection();
        for (int r : rows)
            view->selectionModel()->select(view->model()->index(r, 0),
                                           QItemSelectionModel::Select);
        view->selectionModel()->setCurrentIndex(view->model()->index(current, 0),
                                                QItemSelectionModel::NoUpdate);
    }
    static QStringList names(const frmSettings& w) { return w.lstPicsNames(); }

    testutil::IsolatedEnv env;
    QTemporaryDir media;
    controls::ScriptedDialogProvider dialogs;
    QString m_answers, m_log;
};

} // namespace

TEST_F(EditorWindow, LoadsCurrentConfigSkippingMissingFilesAndSettings)
{
    QStringList paths = pictures(5);
    paths[1] = media.filePath("gone.png");
    writeConfig(paths, 9);
    store::saveSetting("Screen Saver Timeout", "12", true);
    store::saveSetting("Zoom Setting", "2", true);
    store::saveSetting("Enable Previewing", "False", true);
    auto w = open();
    EXPECT_EQ(w->lstHidden(), (QStringList{paths[0], paths[2], paths[3], paths[4]}));
    EXPECT_EQ(names(*w), (QStringList{"pic 0.png", "pic 2.png", "pic 3.png", "pic 4.png"}));
    EXPECT_EQ(w->SpinEdit1()->Value(), 12); // the setting, not line 1
    EXPECT_TRUE(w->menuItem("mnuZoom2")->isChecked());
    EXPECT_FALSE(w->menuItem("mnuZoom0")->isChecked());
    EXPECT_FALSE(w->menuItem("mnuEnablePreview")->isChecked());
    EXPECT_TRUE(w->bSaved());
}

TEST_F(EditorWindow, QuotedProjectOnCommandLineLoadsOnlyItsEntries)
{
    writeConfig(pictures(3, "config "));
    const QStringList project = pictures(2, "project ");
    const QString kvl = media.filePath("my show.kvl");
    testutil::writeFile(kvl, editor::formatProject(project));
    auto w = open("\"" + kvl + "\"");
    EXPECT_EQ(w->lstHidden(), project);
}

TEST_F(EditorWindow, ForwardedProjectAppendsAndRestoreChangesNothing)
{
    const QStringList first = pictures(2, "a");
    writeConfig(first);
    auto w = open();
    w->showMinimized();
    w->ddeExecute("[Restore App]");
    EXPECT_FALSE(w->isMinimized());
    EXPECT_EQ(w->lstHidden(), first);

    const QStringList more = pictures(2, "b");
    const QString kvl = media.filePath("more.kvl");
    testutil::writeFile(kvl, editor::formatProject(more));
    w->ddeExecute("\"" + kvl + "\"");
    EXPECT_EQ(w->lstHidden(), first + more);
    w->ddeExecute(media.filePath("missing.kvl")); // reported, list kept
    EXPECT_EQ(w->lstHidden(), first + more);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("missing.kvl"));
}

// The rules themselves are tested without a window (menurules_test); this
// checks that opening each menu applies them.
TEST_F(EditorWindow, MenuRulesAppliedWhenMenusOpen)
{
    writeConfig(pictures(3));
    auto w = open();
    selectRows(*w, {1}, 1);
    // Each item starts in the state its rule must change.
    for (const char* name : {"mnuSave", "mnuMoveUp", "mnuCreateSaver"})
        w->menuItem(name)->setEnabled(false);
    w->menuItem("mnuSetWallpaper")->setEnabled(true);
    w->menu("mnuFile")->popup(w->mapToGlobal(QPoint(0, 0))); // aboutToShow runs the rules
    w->menu("mnuFile")->hide();
    EXPECT_TRUE(w->menuItem("mnuSave")->isEnabled());
    w->mnuEdit_Click();
    EXPECT_TRUE(w->menuItem("mnuMoveUp")->isEnabled());
    w->mnuOptions_Click();
    EXPECT_FALSE(w->menuItem("mnuSetWallpaper")->isEnabled()); // no preview picture
    EXPECT_TRUE(w->menuItem("mnuCreateSaver")->isEnabled());
}

TEST_F(EditorWindow, RemoveButtonFollowsTheCurrentItem)
{
    writeConfig(pictures(2));
    auto w = open();
    selectRows(*w, {0}, 1);
    w->Timer2_Timer();
    EXPECT_FALSE(w->SkinButton(5)->isEnabled());
    selectRows(*w, {1}, 1);
    w->Timer2_Timer();
    EXPECT_TRUE(w->SkinButton(5)->isEnabled());
}

TEST_F(EditorWindow, AddPutsFilesAtTheTopInDialogOrderAndSelectsTheFirst)
{
    writeConfig(pictures(5));
    auto w = open();
    const QStringList added = {picture("z 1.png"), picture("a 2.png"), picture("m 3.png")};
    dialogs.queueFiles(added);
    w->AddMediaFiles();
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    const auto& request = dialogs.fileRequests[0];
    EXPECT_EQ(request.title, "Select Media File(s):");
    EXPECT_TRUE(request.multiple);
    EXPECT_EQ(request.flags, 520u);
    ASSERT_EQ(request.filters.size(), 1);
    EXPECT_EQ(request.filters[0].description, "Media Files");
    // The stored 45 patterns and the clips the show plays that they lack.
    const QStringList patterns = request.filters[0].patterns;
    EXPECT_EQ(patterns.size(), 51);
    for (const char* clip : {"*.avi", "*.mov", "*.mp4", "*.m4v", "*.mkv", "*.webm", "*.ogv"})
        EXPECT_EQ(patterns.count(clip), 1) << clip;
    EXPECT_EQ(w->lstHidden().mid(0, 3), added);
    EXPECT_EQ(names(*w).mid(0, 4), (QStringList{"z 1.png", "a 2.png", "m 3.png", "pic 0.png"}));
    EXPECT_EQ(w->lstPics()->selectedRows(), QVector<int>{0});
    EXPECT_EQ(w->lstPics()->currentIndex().row(), 0);
    EXPECT_FALSE(w->bSaved());
    EXPECT_EQ(setting("Add Files Path"), QDir::toNativeSeparators(media.path()));
}

TEST_F(EditorWindow, AddOneFileLeavesAddFilesPathAndCancelChangesNothing)
{
    auto w = open();
    dialogs.queueFiles({picture("one.png")});
    w->AddMediaFiles();
    EXPECT_EQ(names(*w), QStringList{"one.png"});
    EXPECT_EQ(setting("Add Files Path"), "<none>");
    w->AddMediaFiles(); // nothing queued: cancelled
    EXPECT_EQ(names(*w), QStringList{"one.png"});
    dialogs.queueFiles({media.filePath("one.png")});
    w->AddMediaFiles(); // the same file twice is listed twice
    EXPECT_EQ(names(*w), (QStringList{"one.png", "one.png"}));
}

TEST_F(EditorWindow, RemoveSelectsTheItemAfterAndEmptyClearsPreview)
{
    writeConfig(pictures(5));
    auto w = open();
    selectRows(*w, {1, 3}, 3); // the order and the next selection: medialist_test
    w->RemoveSelectedItems();
    EXPECT_EQ(names(*w), (QStringList{"pic 0.png", "pic 2.png", "pic 4.png"}));
    EXPECT_EQ(w->lstPics()->currentIndex().row(), 1);

    w->LEAD1()->setImage(QImage(8, 8, QImage::Format_RGB32));
    w->lstPics()->selectAll();
    w->RemoveSelectedItems();
    EXPECT_TRUE(w->lstHidden().isEmpty());
    EXPECT_FALSE(w->LEAD1()->hasImage());
    EXPECT_FALSE(w->bSaved());
}

TEST_F(EditorWindow, MoveWrapsAndAsksForAnEnabledList)
{
    writeConfig(pictures(4));
    auto w = open();
    selectRows(*w, {3}, 3); // every move and wrap: medialist_test
    w->mnuMoveDown_Click();
    EXPECT_EQ(names(*w), (QStringList{"pic 3.png", "pic 0.png", "pic 1.png", "pic 2.png"}));
    EXPECT_EQ(w->lstPics()->selectedRows(), QVector<int>{0});

    w->lstPics()->setEnabled(false);
    w->mnuMoveUp_Click();
    EXPECT_EQ(names(*w), (QStringList{"pic 3.png", "pic 0.png", "pic 1.png", "pic 2.png"}));
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith("information|Kelvra Saver|If you wish to adjust"));
}

TEST_F(EditorWindow, DraggingItemsZeroAndOneOntoRowFour)
{
    writeConfig(pictures(6));
    auto w = open();
    w->resize(760, 600);
    QApplication::processEvents();
    auto* view = w->lstPics();
    const QPoint onRow4 = view->visualRect(view->model()->index(4, 0)).center();
    EXPECT_EQ(view->dropRowAt(onRow4), 4);
    view->dragOverAt(onRow4);
    EXPECT_TRUE(view->dropMarker()->isVisible());
    EXPECT_EQ(view->markerRow(), 4);
    // The marker sits on the boundary above row 4.
    EXPECT_NEAR(view->dropMarker()->geometry().center().y(),
                view->visualRect(view->model()->index(4, 0)).top(), 2);
    selectRows(*w, {0, 1}, 1);
    w->lstPics_ItemsDropped(view->dropRowAt(onRow4));
    EXPECT_EQ(names(*w), (QStringList{"pic 2.png", "pic 3.png", "pic 0.png", "pic 1.png",
                                      "pic 4.png", "pic 5.png"}));
    EXPECT_FALSE(w->bSaved());
    view->dragLeft();
    EXPECT_FALSE(view->dropMarker()->isVisible());
}

TEST_F(EditorWindow, FileDropInsertsOnlyFilesAndBelowTheLastGoesToTop)
{
    writeConfig(pictures(3));
    auto w = open();
    w->resize(760, 600);
    QApplication::processEvents();
    auto* view = w->lstPics();
    QDir(media.path()).mkdir("folder");
    const QString dropped = picture("dropped.png");

    auto drop = [&](const QPoint& at, const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        // Qt delivers a drop to the widget that accepted the drag's entry.
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDropEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &event);
    };
    drop(view->visualRect(view->model()->index(1, 0)).center(),
         {media.filePath("folder"), dropped});
    EXPECT_EQ(names(*w), (QStringList{"pic 0.png", "dropped.png", "pic 1.png", "pic 2.png"}));
    EXPECT_FALSE(w->bSaved());

    const QString second = picture("second.png");
    drop(QPoint(5, view->viewport()->height() - 3), {second, dropped});
    EXPECT_EQ(names(*w).mid(0, 3), (QStringList{"second.png", "dropped.png", "pic 0.png"}));
    EXPECT_EQ(w->lstHidden().size(), 6);
}

TEST_F(EditorWindow, PreviewClickLoadsOrAsksAboutMissingFile)
{
    const QStringList paths = {picture("big.png", {320, 240}), media.filePath("gone.png")};
    writeConfig({paths[0]});
    auto w = open();
    // The second entry vanishes after loading.
    testutil::writeFile(paths[1], "x");
    const QString kvl = media.filePath("p.kvl");
    testutil::writeFile(kvl, editor::formatProject({paths[1]}));
    w->AppendListFile(kvl);
    QFile::remove(paths[1]);

    selectRows(*w, {0}, 0);
    w->lstPics_Click();
    QTRY_VERIFY_WITH_TIMEOUT(w->LEAD1()->hasImage() && !w->LEAD1()->isLoading(), 10000);

    selectRows(*w, {1}, 1);
    answer({}); // unanswered (Enter): No, the default, keeps the entry
    w->lstPics_Click();
    EXPECT_EQ(w->lstHidden().size(), 2);
    answer({"no"});
    w->lstPics_Click();
    EXPECT_EQ(w->lstHidden().size(), 2);
    answer({"yes"});
    w->lstPics_Click();
    EXPECT_EQ(w->lstHidden(), QStringList{paths[0]});
    ASSERT_EQ(messages().size(), 3);
    EXPECT_EQ(messages()[0], "question|Kelvra Saver|The selected file no longer exists.  "
                             "Would you like to remove it from your list?");
    EXPECT_TRUE(w->bSaved()); // the preview's removal is not a list change

    // With previewing off nothing is loaded and nothing is asked.
    testutil::writeFile(paths[1], "x");
    w->AppendListFile(kvl);
    QFile::remove(paths[1]);
    ASSERT_EQ(w->lstHidden().size(), 2);
    w->menuItem("mnuEnablePreview")->trigger();
    EXPECT_EQ(setting("Enable Previewing"), "False");
    EXPECT_TRUE(w->LEAD1()->hasImage()); // turning previewing off keeps the picture
    w->LEAD1()->dropImage();
    selectRows(*w, {0}, 0);
    w->lstPics_Click();
    EXPECT_FALSE(w->LEAD1()->hasImage());
    selectRows(*w, {1}, 1);
    answer({"yes"});
    w->lstPics_Click();
    EXPECT_EQ(messages().size(), 3);
    EXPECT_EQ(w->lstHidden().size(), 2);
}

TEST_F(EditorWindow, NewAsksAndHonoursEachAnswer)
{
    const QStringList paths = pictures(3);
    writeConfig(paths);
    testutil::writeFile(env.windowsDir() + "/zem-sound.ini", "x");
    auto w = open();
    // A saved (freshly loaded) list is emptied without a question.
    w->mnuNew_Click();
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_TRUE(w->lstHidden().isEmpty());
    EXPECT_FALSE(QFile::exists(env.windowsDir() + "/zem-sound.ini"));

    dialogs.queueFiles(paths);
    w->AddMediaFiles();
    answer({"cancel"});
    w->mnuNew_Click();
    EXPECT_EQ(w->lstHidden(), paths);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0],
              "question|Kelvra Saver|Your current screen saver configuration has not been "
              "saved.  \\r\\n\\r\\nWould you like to save the current screen saver before "
              "proceeding?");

    testutil::writeFile(env.windowsDir() + "/zem-sound.ini", "x");
    answer({"yes"});
    const QString kvl = media.filePath("saved.kvl");
    dialogs.queueFiles({kvl});
    w->mnuNew_Click();
    EXPECT_TRUE(w->lstHidden().isEmpty());
    EXPECT_EQ(testutil::readFile(kvl), editor::formatProject(paths));
    EXPECT_EQ(dialogs.fileRequests.last().title, "Save Current Screen Saver Configuration...");
    EXPECT_FALSE(QFile::exists(env.windowsDir() + "/zem-sound.ini"));
    EXPECT_EQ(w->SkinLabel(2)->text(), "Background Sound:  Disabled");
    EXPECT_TRUE(w->bSaved());

    dialogs.queueFiles(paths);
    w->AddMediaFiles();
    answer({"no"});
    w->mnuNew_Click();
    EXPECT_TRUE(w->lstHidden().isEmpty());
}

TEST_F(EditorWindow, AcceptWritesCurrentConfigAndCloses)
{
    const QStringList paths = {picture("a.png"), picture("b c.png"), picture("a.png"),
                               picture("ünï €.png"), picture("e.png")};
    auto w = open();
    dialogs.queueFiles(paths);
    w->AddMediaFiles();
    w->SpinEdit1()->setValue(12);
    w->SkinButton(2)->click();
    EXPECT_FALSE(w->isVisible());
    // The format itself is projectfiles_test's golden file.
    EXPECT_EQ(testutil::readFile(env.windowsDir() + "/zem.ini"),
              editor::formatCurrentConfig(12, paths));
    EXPECT_EQ(setting("Screen Saver Timeout"), "12");
}

TEST_F(EditorWindow, CancelKeepsIntervalButNotTheList)
{
    writeConfig(pictures(1), 5);
    const QByteArray before = testutil::readFile(env.windowsDir() + "/zem.ini");
    auto w = open();
    dialogs.queueFiles({picture("new.png")});
    w->AddMediaFiles();
    w->SpinEdit1()->setValue(33);
    w->SkinButton(3)->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(testutil::readFile(env.windowsDir() + "/zem.ini"), before);
    EXPECT_EQ(setting("Screen Saver Timeout"), "33");
}

TEST_F(EditorWindow, SaveAndOpenProjectWithDuplicates)
{
    const QStringList paths = {picture("x.png"), picture("y y.png"), picture("x.png")};
    auto w = open();
    dialogs.queueFiles(paths);
    w->AddMediaFiles();
    const QString kvl = media.filePath("show.kvl");
    dialogs.queueFiles({kvl});
    w->mnuSave_Click();
    EXPECT_EQ(testutil::readFile(kvl), editor::formatProject(paths));
    EXPECT_TRUE(w->bSaved());
    EXPECT_EQ(setting("Screen Saver Output Folder"), media.path());
    EXPECT_EQ(dialogs.fileRequests.last().defaultExt, "kvl");

    // Open appends (which lines count: projectfiles_test).
    const QString other = media.filePath("other.kvl");
    testutil::writeFile(other, editor::formatProject({paths[1]}));
    dialogs.queueFiles({other});
    w->mnuOpen_Click();
    EXPECT_EQ(w->lstHidden(), paths + QStringList{paths[1]});
    EXPECT_EQ(dialogs.fileRequests.last().title, "Select Kelvra Saver Input File...");
    EXPECT_EQ(dialogs.fileRequests.last().flags, 2628108u);
    EXPECT_EQ(setting("Open Script Folder"), media.path());
}

TEST_F(EditorWindow, SaveFailureIsReportedAndListStaysUnsaved)
{
    auto w = open();
    dialogs.queueFiles({picture("x.png")});
    w->AddMediaFiles();
    dialogs.queueFiles({media.filePath("no such folder/show.kvl")});
    w->mnuSave_Click();
    EXPECT_FALSE(w->bSaved());
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith("exclamation|"));
}

TEST_F(EditorWindow, MenuChoicesAreStored)
{
    auto w = open();
    w->menuItem("mnuZoom2")->trigger();
    EXPECT_EQ(setting("Zoom Setting"), "2");
    EXPECT_FALSE(w->menuItem("mnuZoom0")->isChecked());
    w->menuItem("mnuRandomTransitions")->trigger();
    EXPECT_EQ(setting("Randomize Effects"), "True");
    w->menuItem("mnuRandomTransitions")->trigger();
    EXPECT_EQ(setting("Randomize Effects"), "False");
    w->menuItem("mnuSavePosition")->trigger();
    EXPECT_EQ(setting("Save Position"), "True");
}

TEST_F(EditorWindow, BackgroundColourCancelKeepsAndChoiceStores)
{
    store::saveSetting("Background Color", "255", true);
    auto w = open();
    w->mnuScreenBackColor_Click(); // cancelled
    EXPECT_EQ(setting("Background Color"), "255");
    ASSERT_EQ(dialogs.colorRequests.size(), 1);
    EXPECT_EQ(dialogs.colorRequests[0].color, 255u);
    EXPECT_EQ(dialogs.colorRequests[0].title, "Select Screen Saver Background Color");
    dialogs.queueColor(0x00336699);
    w->mnuScreenBackColor_Click();
    EXPECT_EQ(setting("Background Color"), QString::number(0x00336699));
}

TEST_F(EditorWindow, TransitionsCancelStoresNothingOkStoresAllSeven)
{
    store::saveSetting("Paint Effect", "4005", true);
    auto w = open();
    int shownCode = -1;
    editor::TransitionsDialog::setRunHook([&](editor::TransitionsDialog& d) {
        shownCode = d.PaintEffect();
        d.setPaintEffect(5003);
        return int(QDialog::Rejected);
    });
    w->ShowTransitionsDialog();
    EXPECT_EQ(shownCode, 4005);
    EXPECT_EQ(setting("Paint Effect"), "4005");
    EXPECT_EQ(setting("EffectGrain"), "<none>");

    editor::TransitionsDialog::setRunHook([&](editor::TransitionsDialog& d) {
        d.setPaintEffect(2001);
        return int(QDialog::Accepted);
    });
    w->ShowTransitionsDialog();
    editor::TransitionsDialog::setRunHook({});
    const pictures::EffectParams defaults;
    EXPECT_EQ(setting("Paint Effect"), "2001");
    EXPECT_EQ(setting("EffectGrain"), QString::number(defaults.grain));
    EXPECT_EQ(setting("EffectDelay"), QString::number(defaults.delayMs));
    EXPECT_EQ(setting("PaintMaxPasses"), QString::number(defaults.maxPasses));
    EXPECT_EQ(setting("WandSize"), QString::number(defaults.wandSize));
    const qint64 wand = pictures::colorToBgr(defaults.wandColor);
    EXPECT_EQ(setting("WandColor"), QString::number(wand));
    EXPECT_EQ(setting("TransparentColor"), "-1");
}

TEST_F(EditorWindow, TransitionsPreviewShowsTheEffectOnThePreviewPicture)
{
    auto w = open();
    QImage red(64, 48, QImage::Format_RGB32);
    red.fill(Qt::red);
    w->LEAD1()->setImage(red);
    QImage start, end;
    editor::TransitionsDialog::setRunHook([&](editor::TransitionsDialog& d) {
        d.setPaintEffect(2000);
        d.renderPreview(0.0);
        start = d.previewFrame();
        d.renderPreview(1.0);
        end = d.previewFrame();
        return int(QDialog::Rejected);
    });
    w->ShowTransitionsDialog();
    editor::TransitionsDialog::setRunHook({});
    ASSERT_FALSE(end.isNull());
    const QPoint centre(end.width() / 2, end.height() / 2);
    EXPECT_EQ(end.pixelColor(centre), QColor(Qt::red));
    EXPECT_NE(start.pixelColor(centre), QColor(Qt::red));
}

TEST_F(EditorWindow, HorizontalScrollFollowsTheCheckItem)
{
    const QString longName = picture(QString(120, 'w') + ".png");
    writeConfig({longName});
    auto w = open();
    QApplication::processEvents();
    auto* bar = w->lstPics()->horizontalScrollBar();
    w->menuItem("mnuShowHScroll")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(setting("Show Horizontal Scroll"), "True");
    EXPECT_GT(bar->maximum(), 0);
    w->menuItem("mnuShowHScroll")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(w->lstPics()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(EditorWindow, HelpWhenMissingAndPendingCommandsSaySo)
{
    auto w = open();
    w->mnuHelpFile_Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(
        "information|Kelvra Saver|The Kelvra Saver Help components seems to have been deleted"));
    EXPECT_TRUE(editor::installHelpManual(env.windowsDir() + "/"));
    EXPECT_TRUE(testutil::readFile(env.windowsDir() + "/KelvraSaver-help.html").contains("<h1>"));

}

TEST_F(EditorWindow, SavedPositionRoundTripsInTwips)
{
    store::saveSetting("Save Position", "True", true);
    store::saveSetting("Window Left", "1500", true);
    store::saveSetting("Window Top", "3000", true);
    auto w = open();
    EXPECT_EQ(w->pos(), QPoint(100, 200));
    w->move(40, 60);
    w->close();
    EXPECT_EQ(setting("Window Left"), "600");
    EXPECT_EQ(setting("Window Top"), "900");
}

TEST_F(EditorWindow, DragNearTheEdgesScrollsTheList)
{
    writeConfig(pictures(60));
    auto w = open();
    QApplication::processEvents();
    auto* view = w->lstPics();
    auto* bar = view->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    view->dragOverAt(QPoint(5, view->viewport()->height() - 2));
    EXPECT_TRUE(view->downTimer()->isActive());
    EXPECT_FALSE(view->upTimer()->isActive());
    const int before = bar->value();
    QTest::qWait(350);
    EXPECT_GT(bar->value(), before);

    view->dragOverAt(QPoint(5, 2));
    EXPECT_FALSE(view->downTimer()->isActive());
    EXPECT_TRUE(view->upTimer()->isActive());
    const int scrolled = bar->value();
    QTest::qWait(150);
    EXPECT_LT(bar->value(), scrolled);
    EXPECT_FALSE(view->upTimer()->isActive()); // one step per drag-over
    view->dragLeft();
}

TEST_F(EditorWindow, KeyboardMovesThePreviewAndDoubleClickReloads)
{
    const QStringList paths = {picture("small.png", {40, 30}), picture("wide.png", {400, 100})};
    writeConfig(paths);
    auto w = open();
    auto* view = w->lstPics();
    view->setFocus();
    view->selectOnly(0);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(view->currentIndex().row(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!w->LEAD1()->isLoading(), 10000);
    ASSERT_TRUE(w->LEAD1()->hasImage());
    EXPECT_EQ(w->LEAD1()->sourceSize(), QSize(400, 100));

    // A double click loads again, even a file replaced meanwhile.
    QImage tall(50, 200, QImage::Format_RGB32);
    tall.fill(Qt::blue);
    tall.save(paths[1], "PNG");
    w->lstPics_DblClick();
    QTRY_VERIFY_WITH_TIMEOUT(!w->LEAD1()->isLoading(), 10000);
    EXPECT_EQ(w->LEAD1()->sourceSize(), QSize(50, 200));
}
