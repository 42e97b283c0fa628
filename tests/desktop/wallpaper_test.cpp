// Wallpaper: the backend chosen for each desktop, the calls each makes
// (recording stand-ins of the desktop tools on PATH), the root window's
// picture, and the commands' messages.
#include "desktop/wallpaper.h"

#include <ostream>

#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "desktop/standins.h"

namespace {

const QStringList kTools = {"gsettings", "xfconf-query", "dbus-send"};

// The environment variables that choose a backend, set for one test.
class SessionVars {
public:
    SessionVars(const char* currentDesktop, const char* session = "", const char* kde = "",
                const char* display = "")
    {
        const char* values[] = {currentDesktop, session, kde, display};
        for (int i = 0; i < 4; ++i) {
            m_old[i] = qgetenv(kNames[i]);
            m_had[i] = qEnvironmentVariableIsSet(kNames[i]);
            if (*values[i])
                qputenv(kNames[i], values[i]);
            else
                qunsetenv(kNames[i]);
        }
    }
    ~SessionVars()
    {
        for (int i = 0; i < 4; ++i) {
            if (m_had[i])
                qputenv(kNames[i], m_old[i]);
            else
                qunsetenv(kNames[i]);
        }
    }

private:
    static constexpr const char* kNames[4] = {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                                              "KDE_FULL_SESSION", "DISPLAY"};
    QByteArray m_old[4];
    bool m_had[4] = {};
};

struct ChooseCase {
    const char* name;
    const char* currentDesktop;
    const char* session;
    const char* kde;
    const char* display;
    QStringList installed; // stand-ins on an otherwise empty PATH
    const char* expected;  // backend name, or "" for none
};

void PrintTo(const ChooseCase& c, std::ostream* os) { *os << c.name; }

class ChooseBackend : public ::testing::TestWithParam<ChooseCase> {};

TEST_P(ChooseBackend, ByEnvironment)
{
    const ChooseCase& c = GetParam();
    testutil::IsolatedEnv env;
    desktoptest::StandIns tools(env.root(), false);
    for (const QString& tool : c.installed)
        tools.add(tool);
    SessionVars vars(c.currentDesktop, c.session, c.kde, c.display);
    desktop::WallpaperBackend* backend =
        desktop::chooseWallpaperBackend(desktop::DesktopEnvironment::fromProcess());
    EXPECT_EQ(backend ? backend->name().toStdString() : std::string(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, ChooseBackend,
    ::testing::Values(
        ChooseCase{"Gnome", "GNOME", "", "", ":0", kTools, "GNOME"},
        ChooseCase{"UbuntuGnome", "ubuntu:GNOME", "", "", ":0", kTools, "GNOME"},
        ChooseCase{"Budgie", "Budgie:GNOME", "", "", "", kTools, "GNOME"},
        ChooseCase{"Cinnamon", "X-Cinnamon", "", "", ":0", kTools, "Cinnamon"},
        ChooseCase{"Mate", "MATE", "", "", ":0", kTools, "MATE"},
        ChooseCase{"MateBySessionOnly", "", "mate", "", ":0", kTools, "MATE"},
        ChooseCase{"Xfce", "XFCE", "", "", ":0", kTools, "XFCE"},
        ChooseCase{"Kde", "KDE", "", "", ":0", kTools, "KDE Plasma"},
        ChooseCase{"KdeFullSession", "", "", "true", ":0", kTools, "KDE Plasma"},
        ChooseCase{"BareX", "", "", "", ":0", kTools, "X root window"},
        ChooseCase{"UnknownDesktopOnX", "Hyprland", "", "", ":1", kTools, "X root window"},
        ChooseCase{"GnomeWithoutGsettings", "GNOME", "", "", ":0",
                   {"xfconf-query", "dbus-send"}, "X root window"},
        ChooseCase{"XfceWithoutXfconf", "XFCE", "", "", "", {"gsettings"}, ""},
        ChooseCase{"Nothing", "", "", "", "", kTools, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The stand-ins record; the chooser picks by the variables.
class Backends : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const QString& tool : kTools)
            tools.add(tool);
        file = env.windowsDir() + "/zem paper.bmp";
        uri = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
        ASSERT_TRUE(uri.contains("%20")) << uri.toStdString();
    }
    QStringList call(int i) const
    {
        const QList<QStringList> all = tools.calls();
        return i < all.size() ? all[i] : QStringList();
    }

    testutil::IsolatedEnv env;
    desktoptest::StandIns tools{env.root()};
    QString file;
    QString uri;
};

TEST_F(Backends, GnomeSetsPictureAndOptions)
{
    SessionVars vars("GNOME", "", "", ":0");
    ASSERT_TRUE(desktop::applyWallpaper({file, desktop::WallpaperStyle::Centered, Qt::black}));
    const QString gs = "org.gnome.desktop.background";
    EXPECT_EQ(tools.calls(),
              (QList<QStringList>{{"gsettings", "set", gs, "picture-uri", "'" + uri + "'"},
                                  {"gsettings", "set", gs, "picture-uri-dark", "'" + uri + "'"},
                                  {"gsettings", "set", gs, "picture-options", "'centered'"}}));
    tools.clear();
    ASSERT_TRUE(desktop::applyWallpaper({file, desktop::WallpaperStyle::Tiled, Qt::black}));
    EXPECT_EQ(call(2), (QStringList{"gsettings", "set", gs, "picture-options", "'wallpaper'"}));
    tools.clear();
    ASSERT_TRUE(desktop::removeWallpaper(Qt::black));
    EXPECT_EQ(tools.calls(),
              (QList<QStringList>{{"gsettings", "set", gs, "picture-uri", "''"},
                                  {"gsettings", "set", gs, "picture-uri-dark", "''"},
                                  {"gsettings", "set", gs, "picture-options", "'none'"}}));
}

TEST_F(Backends, CinnamonAndMateUseTheirSchemas)
{
    {
        SessionVars vars("X-Cinnamon");
        ASSERT_TRUE(desktop::applyWallpaper({file, desktop::WallpaperStyle::Tiled, Qt::black}));
        const QString gs = "org.cinnamon.desktop.background";
        EXPECT_EQ(tools.calls(),
                  (QList<QStringList>{{"gsettings", "set", gs, "picture-uri", "'" + uri + "'"},
                                      {"gsettings", "set", gs, "picture-options", "'wallpaper'"}}));
    }
    tools.clear();
    SessionVars vars("MATE");
    const QString quoted = env.windowsDir() + "/ann's.bmp";
    ASSERT_TRUE(desktop::applyWallpaper({quoted, desktop::WallpaperStyle::Centered, Qt::black}));
    // MATE takes a path, not a URI; a quote is escaped for GVariant.
    EXPECT_EQ(call(0), (QStringList{"gsettings", "set", "org.mate.background",
                                    "picture-filename",
                                    "'" + env.windowsDir() + "/ann\\'s.bmp'"}));
}

TEST_F(Backends, XfceSetsEveryMonitor)
{
    SessionVars vars("XFCE", "", "", ":0");
    tools.add("xfconf-query",
              "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n"
              "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
              "/backdrop/screen0/monitoreDP-1/workspace0/last-image\n"
              "/backdrop/single-workspace-mode\n");
    ASSERT_TRUE(desktop::applyWallpaper({file, desktop::WallpaperStyle::Tiled, Qt::black}));
    const QString a = "/backdrop/screen0/monitorHDMI-1/workspace0";
    const QString b = "/backdrop/screen0/monitoreDP-1/workspace0";
    const QStringList x = {"xfconf-query", "-c", "xfce4-desktop"};
    EXPECT_EQ(tools.calls(),
              (QList<QStringList>{x + QStringList{"-l"},
                                  x + QStringList{"-p", a + "/last-image", "-n", "-t", "string",
                                                  "-s", file},
                                  x + QStringList{"-p", a + "/image-style", "-n", "-t", "int",
                                                  "-s", "2"},
                                  x + QStringList{"-p", b + "/last-image", "-n", "-t", "string",
                                                  "-s", file},
                                  x + QStringList{"-p", b + "/image-style", "-n", "-t", "int",
                                                  "-s", "2"}}));
    tools.clear();
    ASSERT_TRUE(desktop::removeWallpaper(Qt::black));
    EXPECT_EQ(tools.calls().size(), 3);
    EXPECT_EQ(call(2), (x + QStringList{"-p", b + "/image-style", "-n", "-t", "int", "-s", "0"}));

    // A desktop that never had a picture: the first monitor's backdrop.
    tools.add("xfconf-query", "/backdrop/single-workspace-mode\n");
    tools.clear();
    ASSERT_TRUE(desktop::applyWallpaper({file, desktop::WallpaperStyle::Centered, Qt::black}));
    EXPECT_EQ(call(2), (x + QStringList{"-p", "/backdrop/screen0/monitor0/workspace0/image-style",
                                        "-n", "-t", "int", "-s", "1"}));
}

TEST_F(Backends, PlasmaRunsAScriptOverDBus)
{
    SessionVars vars("KDE", "plasma", "true", ":0");
    ASSERT_TRUE(desktop::applyWallpaper({file, desktop::WallpaperStyle::Centered, Qt::black}));
    const QStringList head = {"dbus-send",
                              "--session",
                              "--dest=org.kde.plasmashell",
                              "--type=method_call",
                              "--print-reply",
                              "/PlasmaShell",
                              "org.kde.PlasmaShell.evaluateScript"};
    ASSERT_EQ(tools.calls().size(), 1);
    const QStringList set = call(0);
    EXPECT_EQ(set.mid(0, 7), head);
    ASSERT_EQ(set.size(), 8);
    EXPECT_TRUE(set[7].startsWith("string:var all = desktops();"));
    EXPECT_TRUE(set[7].contains("d.wallpaperPlugin = \"org.kde.image\";"));
    EXPECT_TRUE(set[7].contains("d.writeConfig(\"Image\", \"" + uri + "\");")) << set[7].toStdString();
    EXPECT_TRUE(set[7].contains("d.writeConfig(\"FillMode\", 6);"));
    tools.clear();
    ASSERT_TRUE(desktop::applyWallpaper({file, desktop::WallpaperStyle::Tiled, Qt::black}));
    EXPECT_TRUE(call(0).value(7).contains("d.writeConfig(\"FillMode\", 3);"));
    tools.clear();
    ASSERT_TRUE(desktop::removeWallpaper(QColor(0x10, 0x20, 0x30)));
    EXPECT_TRUE(call(0).value(7).contains("d.wallpaperPlugin = \"org.kde.color\";"));
    EXPECT_TRUE(call(0).value(7).contains("d.writeConfig(\"Color\", \"#102030\");"));
}

TEST_F(Backends, AFailingToolIsAFailure)
{
    SessionVars vars("GNOME");
    tools.add("gsettings", {}, 1);
    EXPECT_FALSE(desktop::applyWallpaper({file, desktop::WallpaperStyle::Centered, Qt::black}));
    EXPECT_FALSE(desktop::removeWallpaper(Qt::black));
}

// --- the root window's picture ------------------------------------------------------

QImage quadrants(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    const int w = size.width() / 2, h = size.height() / 2;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, x < w ? (y < h ? qRgb(255, 0, 0) : qRgb(0, 255, 0))
                                       : (y < h ? qRgb(0, 0, 255) : qRgb(255, 255, 0)));
    return image;
}

TEST(ComposeWallpaper, CentredOnEachMonitorOnTheBackground)
{
    const QImage picture = quadrants({40, 20});
    const QColor back(10, 20, 30);
    const QImage one = desktop::composeWallpaper(picture, {200, 100}, {},
                                                 desktop::WallpaperStyle::Centered, back);
    ASSERT_EQ(one.size(), QSize(200, 100));
    EXPECT_EQ(one.pixel(0, 0), back.rgb());
    EXPECT_EQ(one.pixel(79, 50), back.rgb());
    EXPECT_EQ(one.pixel(80, 40), qRgb(255, 0, 0));   // the picture's top-left
    EXPECT_EQ(one.pixel(119, 59), qRgb(255, 255, 0)); // its bottom-right
    EXPECT_EQ(one.pixel(120, 50), back.rgb());

    // Two monitors side by side: one copy in the middle of each.
    const QImage two = desktop::composeWallpaper(
        picture, {300, 100}, {QRect(0, 0, 200, 100), QRect(200, 0, 100, 100)},
        desktop::WallpaperStyle::Centered, back);
    EXPECT_EQ(two.pixel(80, 40), qRgb(255, 0, 0));
    EXPECT_EQ(two.pixel(230, 40), qRgb(255, 0, 0));
    EXPECT_EQ(two.pixel(200, 50), back.rgb());

    // Larger than the monitor: its middle, cut at the edges.
    const QImage big = desktop::composeWallpaper(quadrants({400, 200}), {200, 100}, {},
                                                 desktop::WallpaperStyle::Centered, back);
    EXPECT_EQ(big.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(big.pixel(199, 99), qRgb(255, 255, 0));
}

TEST(ComposeWallpaper, TiledFromTheTopLeft)
{
    const QImage tiled = desktop::composeWallpaper(quadrants({40, 20}), {200, 100},
                                                   {QRect(50, 50, 10, 10)},
                                                   desktop::WallpaperStyle::Tiled, Qt::black);
    for (int x : {0, 40, 160})
        for (int y : {0, 20, 80})
            EXPECT_EQ(tiled.pixel(x, y), qRgb(255, 0, 0)) << x << "," << y;
    EXPECT_EQ(tiled.pixel(199, 99), qRgb(255, 255, 0));
}

} // namespace
