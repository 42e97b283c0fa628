// The README's run command from an empty home: the first "/s" shows the
// sample show, and a list the person saved afterwards is kept by the next
// start. scripts/run.sh is driven with the programs of this build
// (KELVRA_SKIP_BUILD), so nothing is built or fetched.

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QThread>

#include <gtest/gtest.h>

#include "e2e/e2eutil.h"
#include "editor/projectfiles.h"

namespace {

// Share of a grid of screen pixels for which `match` holds.
template <typename Match> double share(const QImage& shot, Match match)
{
    int hits = 0, all = 0;
    for (int y = 8; y < shot.height(); y += 16)
        for (int x = 8; x < shot.width(); x += 16, ++all)
            hits += match(shot.pixelColor(x, y)) ? 1 : 0;
    return all ? double(hits) / all : 0;
}

// Polls screenshots until `match` covers at least `least` of the screen.
template <typename Match>
bool waitForScreen(Match match, double least, const QString& saveAs, int timeoutMs = 20000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (share(e2e::screenshot(), match) >= least) {
            e2e::screenshot(saveAs);
            return true;
        }
        QThread::msleep(200);
    }
    e2e::screenshot(saveAs + "-failed");
    return false;
}

class FirstStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        E2E_REQUIRE_DISPLAY();
        session = std::make_unique<e2e::Session>();
        home = session->folders().root() + "/home";
        QDir().mkpath(home);
    }
    QProcessEnvironment env() const
    {
        QProcessEnvironment e = session->env();
        e.insert("HOME", home);
        e.insert("XDG_CACHE_HOME", home + "/.cache");
        e.insert("KELVRA_BUILD_DIR", QStringLiteral(KELVRA_BUILD_ROOT));
        e.insert("KELVRA_SKIP_BUILD", "1");
        e.insert("KELVRA_AUDIO", "null");
        return e;
    }
    std::unique_ptr<e2e::Program> runScript(const QStringList& args)
    {
        return std::make_unique<e2e::Program>(
            "bash", QStringList{QStringLiteral(KELVRA_SOURCE_ROOT "/scripts/run.sh")} + args,
            env());
    }
    QString windows() const { return session->folders().windowsDir(); }

    std::unique_ptr<e2e::Session> session;
    QString home;
};

TEST_F(FirstStart, ShowsTheSampleShowThenKeepsTheSavedList)
{
    ASSERT_FALSE(QFileInfo::exists(windows() + "/zem.ini"));
    {
        auto show = runScript({"/s"});
        ASSERT_TRUE(show->started());
        ASSERT_NE(e2e::waitForWindow("Kelvra Saver", 20000), 0u) << show->stdErr().toStdString();
        // The first sample picture: a blue sky over green hills covers most
        // of the screen (the show is black without pictures).
        EXPECT_TRUE(waitForScreen(
            [](const QColor& c) {
                const bool sky = c.blue() > 140 && c.blue() > c.red() + 40;
                const bool grass =
                    c.green() > 80 && c.green() > c.red() + 40 && c.green() > c.blue() + 30;
                return sky || grass;
            },
            0.5, "firststart-sample-show"));
        show->terminate();
        EXPECT_TRUE(show->waitForExit(10000));
    }
    // What the script put in place: the list, the sound list and the folder.
    const QStringList listed = editor::currentConfigEntries(
        editor::parseCurrentConfig(testutil::readFile(windows() + "/zem.ini")),
        [](const QString& p) { return QFileInfo(p).isFile(); });
    EXPECT_GE(listed.size(), 5);
    for (const QString& p : listed)
        EXPECT_TRUE(p.startsWith(windows() + "/Sample Show/")) << p.toStdString();
    EXPECT_TRUE(QFileInfo::exists(windows() + "/zem-sound.ini"));

    // The person saves a list of their own: one magenta picture.
    const QString own = home + "/Pictures/mine.png";
    QDir().mkpath(home + "/Pictures");
    QImage magenta(800, 600, QImage::Format_RGB32);
    magenta.fill(QColor(230, 0, 200));
    ASSERT_TRUE(magenta.save(own));
    const QByteArray saved = editor::formatCurrentConfig(5, {own});
    testutil::writeFile(windows() + "/zem.ini", saved);

    auto again = runScript({"/s"});
    ASSERT_NE(e2e::waitForWindow("Kelvra Saver", 20000), 0u) << again->stdErr().toStdString();
    EXPECT_TRUE(waitForScreen(
        [](const QColor& c) { return c.red() > 180 && c.green() < 60 && c.blue() > 150; }, 0.3,
        "firststart-own-list"));
    again->terminate();
    EXPECT_TRUE(again->waitForExit(10000));
    EXPECT_EQ(testutil::readFile(windows() + "/zem.ini"), saved);
}

} // namespace
