// The editor under a real X server: it opens with the stored list, "&Accept"
// writes "zem.ini" and closes, and a project named on a second start reaches
// the running editor.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "e2e/e2eutil.h"
#include "editor/projectfiles.h"
#include "store/settings.h"

namespace
{

const QString kEditor = QStringLiteral("kelvra-saver");
const QString kCaption = QStringLiteral("Kelvra Saver Settings");

class EditorE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        E2E_REQUIRE_DISPLAY();
        m_session = std::make_unique<e2e::Session>();
        m_media = m_session->folders().root() + QStringLiteral("/media");
        QDir().mkpath(m_media);
    }

    QString picture(const QString& name, const QColor& color)
    {
        const QString path = m_media + QLatin1Char('/') + name;
        QImage image(320, 240, QImage::Format_RGB32);
        image.fill(color);
        image.save(path, "PNG");
        return path;
    }
    QString zemIni() const
    {
        return m_session->folders().windowsDir() + QStringLiteral("/zem.ini");
    }
    // The running editor says what reached it when asked to: normal use
    // prints nothing.
    std::unique_ptr<e2e::Program> start(const QStringList& args = {}, bool traceForwards = false)
    {
        QProcessEnvironment env = m_session->env();
        if (traceForwards)
            env.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("kelvra.forward.info=true"));
        return std::make_unique<e2e::Program>(e2e::binary(kEditor), args, env);
    }
    static void focusAndKey(quint32 window, const QString& keys)
    {
        e2e::xdotool(
            {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window)});
        e2e::xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
    }

    std::unique_ptr<e2e::Session> m_session;
    QString m_media;
};

TEST_F(EditorE2E, OpensWithStoredListAndAcceptWritesAndCloses)
{
    const QStringList paths = {picture("red sunset.png", Qt::red), picture("green.png", Qt::green),
                               picture("blue.png", Qt::blue)};
    testutil::writeFile(zemIni(), editor::formatCurrentConfig(3, paths));
    store::saveSetting(QStringLiteral("Screen Saver Timeout"), QStringLiteral("7"), true);

    auto editor = start();
    const quint32 window = e2e::waitForWindow(kCaption, 10000);
    ASSERT_NE(window, 0u) << editor->stdErr().toStdString();
    const QRect g = e2e::windowGeometry(window);
    ASSERT_FALSE(g.isEmpty());
    // The skin's slate background fills the window.
    const QImage shot = e2e::screenshot(QStringLiteral("editor-window"));
    const QColor corner(shot.pixel(g.right() - 4, g.bottom() - 4));
    EXPECT_LT(std::abs(corner.red() - 0x1b) + std::abs(corner.green() - 0x22) +
                  std::abs(corner.blue() - 0x30),
              12)
        << corner.name().toStdString();

    focusAndKey(window, QStringLiteral("alt+a"));
    ASSERT_TRUE(editor->waitForExit(10000)) << editor->stdErr().toStdString();
    EXPECT_EQ(editor->exitCode(), 0);
    // The list was loaded and written back with the interval in force.
    EXPECT_EQ(testutil::readFile(zemIni()), editor::formatCurrentConfig(7, paths));
    EXPECT_EQ(editor->stdErr(), QString()) << "the editor prints nothing in normal use";
}

TEST_F(EditorE2E, TheWindowCarriesTheProgramsIcon)
{
    auto editor = start();
    const quint32 window = e2e::waitForWindow(kCaption, 10000);
    ASSERT_NE(window, 0u) << editor->stdErr().toStdString();
    QProcess xprop;
    // Read as numbers: the width and height lead the property's pixels.
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-display"), e2e::display(), QStringLiteral("-id"),
                 QString::number(window), QStringLiteral("-len"), QStringLiteral("16"),
                 QStringLiteral("-f"), QStringLiteral("_NET_WM_ICON"), QStringLiteral("32c"),
                 QStringLiteral("_NET_WM_ICON")});
    ASSERT_TRUE(xprop.waitForFinished(10000));
    const QString icon = QString::fromUtf8(xprop.readAllStandardOutput());
    EXPECT_TRUE(icon.contains(QStringLiteral("_NET_WM_ICON(CARDINAL) = 256, 256")))
        << icon.left(200).toStdString();
    focusAndKey(window, QStringLiteral("alt+c"));
    EXPECT_TRUE(editor->waitForExit(10000));
}

TEST_F(EditorE2E, ProjectOnCommandLineAndForwardedToTheRunningEditor)
{
    testutil::writeFile(zemIni(),
                        editor::formatCurrentConfig(3, {picture("stored.png", Qt::gray)}));
    const QStringList first = {picture("p1.png", Qt::cyan), picture("p 2.png", Qt::magenta)};
    const QString firstProject = m_media + QStringLiteral("/first show.kvl");
    testutil::writeFile(firstProject, editor::formatProject(first));
    const QStringList second = {picture("s1.png", Qt::darkRed)};
    const QString secondProject = m_media + QStringLiteral("/second.kvl");
    testutil::writeFile(secondProject, editor::formatProject(second));

    auto editor = start({firstProject}, true);
    const quint32 window = e2e::waitForWindow(kCaption, 10000);
    ASSERT_NE(window, 0u) << editor->stdErr().toStdString();
    const e2e::Result forward =
        e2e::run(e2e::binary(kEditor), {secondProject}, m_session->env(), 10000);
    EXPECT_EQ(forward.exitCode, 0);
    EXPECT_TRUE(editor->waitForStdErr(QStringLiteral("project forwarded: ") + secondProject));
    EXPECT_EQ(e2e::findWindows(kCaption).size(), 1);

    focusAndKey(window, QStringLiteral("alt+a"));
    ASSERT_TRUE(editor->waitForExit(10000)) << editor->stdErr().toStdString();
    // The command line's project replaced the stored list; the forwarded one was appended.
    EXPECT_EQ(testutil::readFile(zemIni()), editor::formatCurrentConfig(1, first + second));
}

} // namespace

namespace {

// Centres (screen y) of the text rows of the list, found on a screenshot:
// the list's text is light on a dark ground.
QList<int> listRowCentres(const QImage& shot, const QRect& window)
{
    QList<int> centres;
    int bandStart = -1;
    const int left = window.left() + 14, right = window.left() + 120;
    for (int y = window.top() + 24; y < window.top() + 360; ++y) {
        bool text = false;
        for (int x = left; x < right && !text; ++x)
            text = QColor(shot.pixel(x, y)).red() > 150;
        if (text && bandStart < 0)
            bandStart = y;
        if (!text && bandStart >= 0) {
            centres << (bandStart + y - 1) / 2;
            bandStart = -1;
        }
    }
    return centres;
}

} // namespace

TEST_F(EditorE2E, DraggingAnItemWithTheMouseReordersTheList)
{
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << picture(QStringLiteral("item %1.png").arg(i), Qt::white);
    testutil::writeFile(zemIni(), editor::formatCurrentConfig(3, paths));
    store::saveSetting(QStringLiteral("Screen Saver Timeout"), QStringLiteral("3"), true);

    auto editor = start();
    const quint32 window = e2e::waitForWindow(kCaption, 10000);
    ASSERT_NE(window, 0u) << editor->stdErr().toStdString();
    const QRect g = e2e::windowGeometry(window);
    const QList<int> rows = listRowCentres(e2e::screenshot(), g);
    ASSERT_EQ(rows.size(), 6);

    // Item 0 dragged onto row 4 lands on the boundary above row 4.
    const QString x = QString::number(g.left() + 40);
    e2e::xdotool({"mousemove", x, QString::number(rows[0]), "mousedown", "1"});
    for (int step = 1; step <= 8; ++step) {
        const int y = rows[0] + (rows[4] - rows[0]) * step / 8;
        e2e::xdotool({"mousemove", x, QString::number(y), "sleep", "0.05"});
    }
    e2e::xdotool({"sleep", "0.2", "mouseup", "1"});
    e2e::screenshot(QStringLiteral("editor-after-drag"));

    focusAndKey(window, QStringLiteral("alt+a"));
    ASSERT_TRUE(editor->waitForExit(10000)) << editor->stdErr().toStdString();
    const QStringList expected = {paths[1], paths[2], paths[3], paths[0], paths[4], paths[5]};
    EXPECT_EQ(testutil::readFile(zemIni()), editor::formatCurrentConfig(3, expected));
}
