// The editor's desktop commands on a real window: the wallpaper values it
// writes, its handling of the preview, and the active screen saver.
#include "editor/frmsettings.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "desktop/standins.h"
#include "editor/medialistview.h"
#include "editor/projectfiles.h"
#include "pictures/pictureview.h"
#include "store/messagelog.h"
#include "store/settings.h"

using editor::frmSettings;

namespace {

const QString kSelectFirst = "information|Kelvra Saver|The image you wish to set as the Windows "
                             "wallpaper must be selected before proceeding.";
const QString kSet = "information|Kelvra Saver|Windows wallpaper successfully set.";

class EditorDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        tools.add("gsettings");
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        m_oldHome = qgetenv("HOME");
        qputenv("HOME", env.root().toUtf8());
        // A 300x200 picture: bigger than the window's preview shows it.
        source = media.filePath("beach photo.png");
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(QColor(30, 160, 90));
        image.save(source, "PNG");
        testutil::writeFile(env.windowsDir() + "/zem.ini",
                            editor::formatCurrentConfig(5, {source}));
    }
    void TearDown() override
    {
        qunsetenv("XDG_CURRENT_DESKTOP");
        qputenv("HOME", m_oldHome);
    }
    std::unique_ptr<frmSettings> open()
    {
        auto w = std::make_unique<frmSettings>();
        w->show();
        return w;
    }
    static void selectFirst(frmSettings& w)
    {
        w.lstPics()->selectOnly(0);
        w.lstPics_Click();
        // The preview shows the thumbnail at once and the picture when its
        // decode arrives: wait for that, with a generous ceiling.
        QElapsedTimer waited;
        waited.start();
        while (w.LEAD1()->isLoading() && waited.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        while (!w.LEAD1()->hasImage() && waited.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    static QString desktopValue(const char* name)
    {
        return store::readValue(store::RootKey::CurrentUser, "Control Panel\\Desktop",
                                QString::fromLatin1(name), "<none>", true);
    }
    QString wallpaperFile() const { return env.windowsDir() + "/zempaper.bmp"; }

    testutil::IsolatedEnv env;
    QTemporaryDir media;
    storetest::MessageLog log{env.root()};
    desktoptest::StandIns tools{env.root()};
    QString source;

private:
    QByteArray m_oldHome;
};

TEST_F(EditorDesktop, NoPictureSaysSoAndWritesNothing)
{
    auto w = open();
    w->menuItem("mnuWallpaperC")->trigger();
    EXPECT_EQ(log.lines(), QStringList{kSelectFirst});
    EXPECT_FALSE(QFile::exists(wallpaperFile()));
    EXPECT_EQ(desktopValue("TileWallpaper"), "<none>");
    EXPECT_TRUE(tools.calls().isEmpty());
}

TEST_F(EditorDesktop, TiledThenCentredAndTheFileAtFullSize)
{
    auto w = open();
    selectFirst(*w);
    ASSERT_TRUE(w->LEAD1()->hasImage());
    w->menuItem("mnuWallpaperT")->trigger();
    EXPECT_EQ(desktopValue("TileWallpaper"), "1");
    EXPECT_EQ(desktopValue("WallpaperStyle"), "0");
    EXPECT_EQ(tools.calls().value(2).value(4), "'wallpaper'");
    w->menuItem("mnuWallpaperC")->trigger();
    EXPECT_EQ(desktopValue("TileWallpaper"), "0");
    EXPECT_EQ(desktopValue("WallpaperStyle"), "0");
    EXPECT_EQ(tools.calls().value(5).value(4), "'centered'");
    EXPECT_EQ(log.lines(), (QStringList{kSet, kSet}));

    // A 24-bit Windows bitmap of the file's own size, not the preview's.
    const QByteArray bmp = testutil::readFile(wallpaperFile());
    ASSERT_GT(bmp.size(), 30);
    EXPECT_TRUE(bmp.startsWith("BM"));
    EXPECT_EQ(quint8(bmp[28]), 24);
    EXPECT_EQ(QImage(wallpaperFile()).size(), QSize(300, 200));
    EXPECT_EQ(QImage(wallpaperFile()).pixel(150, 100), qRgb(30, 160, 90));
}

TEST_F(EditorDesktop, PreviewingOffUsesTheSelectedItemAndLeavesThePreviewEmpty)
{
    store::saveSetting("Enable Previewing", "False", true);
    auto w = open();
    w->lstPics()->selectOnly(0);
    w->lstPics_Click();
    ASSERT_FALSE(w->LEAD1()->hasImage());
    w->menuItem("mnuWallpaperC")->trigger();
    EXPECT_EQ(log.lines(), QStringList{kSet});
    EXPECT_TRUE(QFile::exists(wallpaperFile()));
    EXPECT_FALSE(w->LEAD1()->hasImage());
    EXPECT_TRUE(w->LEAD1()->isVisible());
}

TEST_F(EditorDesktop, ActiveScreenSaverDisablesItsMenuItem)
{
    auto w = open();
    // The installed saver: the menu rule compares with its long form.
    QFile::link(QCoreApplication::applicationFilePath(), env.windowsDir() + "/Kelvra Saver.scr");
    w->mnuOptions_Click();
    EXPECT_TRUE(w->menuItem("mnuSetSS")->isEnabled());
    w->menuItem("mnuSetSS")->trigger();
    EXPECT_EQ(log.lines().value(0),
              "information|Kelvra Saver|Kelvra Saver has been successfully set as the active "
              "screen saver.");
    EXPECT_TRUE(testutil::readFile(env.root() + "/.xscreensaver").contains("Kelvra Saver.scr' -root"));
    w->mnuOptions_Click();
    EXPECT_FALSE(w->menuItem("mnuSetSS")->isEnabled());
}

TEST_F(EditorDesktop, TestScreenSaverWritesTheCurrentConfiguration)
{
    auto w = open();
    QFile::remove(env.windowsDir() + "/zem.ini");
    w->menuItem("mnuTestSaver")->trigger(); // not installed: nothing starts, nothing said
    EXPECT_TRUE(QFile::exists(env.windowsDir() + "/zem.ini"));
    EXPECT_TRUE(log.lines().isEmpty());
}

} // namespace
