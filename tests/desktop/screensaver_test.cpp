// The menu commands of the desktop room with their message boxes: the
// active screen saver (the store value and a real ~/.xscreensaver), the
// test start, and the wallpaper commands.
#include "desktop/screensaver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "desktop/standins.h"
#include "desktop/wallpaper.h"
#include "store/messagelog.h"
#include "store/settings.h"

namespace {

const QString kSetOk =
    "information|Kelvra Saver|Kelvra Saver has been successfully set as the active screen saver.";
const QString kSetFailed =
    "information|Kelvra Saver|An error occurred while attempting to set Kelvra Saver as the "
    "active screen saver.\\r\\n\\r\\nYou may not have registry access on your account or there "
    "was an error in writing to your system registry.";
const QString kWallpaperSet = "information|Kelvra Saver|Windows wallpaper successfully set.";
const QString kWallpaperFailed =
    "information|Kelvra Saver|An error occurred while attempting to set your Windows wallpaper. "
    "\\r\\n\\r\\nEnsure a valid image file is selected and retry the operation.";
const QString kWallpaperCleared =
    "information|Kelvra Saver|The Windows wallpaper has been successfully cleared.";

class DesktopCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("HOME");
        home = env.root() + "/home";
        QDir().mkpath(home);
        qputenv("HOME", home.toUtf8());
        saver = env.windowsDir() + "/Kelvra Saver.scr";
        tools.add("gsettings");
    }
    void TearDown() override { qputenv("HOME", m_oldHome); }
    QString desktopValue(const char* name) const
    {
        return store::readValue(store::RootKey::CurrentUser, "Control Panel\\Desktop",
                                QString::fromLatin1(name), "<none>", true);
    }

    testutil::IsolatedEnv env;
    storetest::MessageLog log{env.root()};
    desktoptest::StandIns tools{env.root()};
    QString home;
    QString saver;

private:
    QByteArray m_oldHome;
};

TEST_F(DesktopCommands, SetActiveScreenSaverWritesStoreAndXScreenSaverFile)
{
    ASSERT_TRUE(desktop::setActiveScreenSaver(saver));
    EXPECT_EQ(log.lines(), QStringList{kSetOk});
    EXPECT_EQ(desktopValue("SCRNSAVE.EXE"), saver);
    const QByteArray file = testutil::readFile(home + "/.xscreensaver");
    EXPECT_TRUE(file.contains("\"Kelvra Saver\"  '" + saver.toUtf8() + "' -root")) << file.data();
    EXPECT_TRUE(file.contains("\nmode:\t\tone\nselected:\t0\n"));

    // Twice: one entry still, the same file.
    ASSERT_TRUE(desktop::setActiveScreenSaver(saver));
    EXPECT_EQ(testutil::readFile(home + "/.xscreensaver"), file);
}

TEST_F(DesktopCommands, EditsTheLinkedFileAndKeepsItsMode)
{
    const QString real = env.root() + "/dotfiles/xscreensaver";
    testutil::writeFile(real, "mode: random\nprograms: maze -root \\n\\\n\n");
    QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(QFile::link(real, home + "/.xscreensaver"));
    const desktop::SelectResult result = desktop::selectScreenSaver(saver);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.selected, 1);
    EXPECT_TRUE(QFileInfo(home + "/.xscreensaver").isSymLink());
    EXPECT_TRUE(testutil::readFile(real).startsWith("mode: one\nselected:\t1\nprograms: maze"));
    const QFile::Permissions others = QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup |
                                      QFile::WriteOther;
    EXPECT_FALSE(QFile::permissions(real) & others);
}

TEST_F(DesktopCommands, UnwritableXScreenSaverFileIsAFailure)
{
    QDir().mkpath(home + "/.xscreensaver"); // a folder where the file should be
    EXPECT_FALSE(desktop::setActiveScreenSaver(saver));
    EXPECT_EQ(log.lines(), QStringList{kSetFailed});
    EXPECT_TRUE(QFileInfo(home + "/.xscreensaver").isDir());
}

TEST_F(DesktopCommands, TestStartsTheInstalledSaverOnly)
{
    EXPECT_FALSE(desktop::startScreenSaverTest(saver));
    const QString marker = env.root() + "/started";
    testutil::writeFile(saver, "#!/bin/sh\necho \"$@\" > '" + marker.toUtf8() + "'\n");
    QFile::setPermissions(saver, QFile::permissions(saver) | QFile::ExeOwner);
    ASSERT_TRUE(desktop::startScreenSaverTest(saver));
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(marker) && waited.elapsed() < 10000)
        QThread::msleep(20);
    QThread::msleep(50); // the line may still be on its way
    EXPECT_EQ(testutil::readFile(marker), "/s\n");
    EXPECT_TRUE(log.lines().isEmpty());
}

bool saveBitmap(const QString& file)
{
    QImage image(16, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image.save(file, "BMP");
}

TEST_F(DesktopCommands, WallpaperMessages)
{
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    const QString file = env.windowsDir() + "/zempaper.bmp";
    EXPECT_EQ(desktop::wallpaperFilePath(), file);
    ASSERT_TRUE(desktop::setWallpaperCommand(saveBitmap, desktop::WallpaperStyle::Tiled,
                                             Qt::black));
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(tools.calls().size(), 3);

    // The picture cannot be written: the desktop is left alone.
    tools.clear();
    EXPECT_FALSE(desktop::setWallpaperCommand([](const QString&) { return false; },
                                              desktop::WallpaperStyle::Centered, Qt::black));
    EXPECT_TRUE(tools.calls().isEmpty());

    // The desktop refuses.
    tools.add("gsettings", {}, 1);
    EXPECT_FALSE(desktop::setWallpaperCommand(saveBitmap, desktop::WallpaperStyle::Centered,
                                              Qt::black));

    // Clearing twice: the second finds no file and still succeeds.
    tools.add("gsettings");
    EXPECT_TRUE(desktop::clearWallpaperCommand(Qt::black));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(desktop::clearWallpaperCommand(Qt::black));
    EXPECT_EQ(log.lines(), (QStringList{kWallpaperSet, kWallpaperFailed, kWallpaperFailed,
                                        kWallpaperCleared, kWallpaperCleared}));
    qunsetenv("XDG_CURRENT_DESKTOP");
}

} // namespace
