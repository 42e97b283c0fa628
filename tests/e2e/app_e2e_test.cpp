// The programs' start-up under a real X server: what each command line opens,
// the single-instance rules, the show inside foreign windows, installation
// and the README's run command.

#include <cctype>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "e2e/e2eutil.h"
#include "store/settings.h"

namespace {

const QString kEditor = QStringLiteral("kelvra-saver");
const QString kRuntime = QStringLiteral("vls");
const QString kShow = QStringLiteral("Kelvra Saver");
const QString kEditorSettings = QStringLiteral("Kelvra Saver Settings");
const QString kRuntimeSettings = QStringLiteral("Screen Saver Settings...");

QString testName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return QString::fromUtf8(info->test_suite_name()) + u'_' + QString::fromUtf8(info->name());
}

QString shotName()
{
    QString name = testName();
    name.replace(u'/', u'_');
    return name;
}

// A readable, unique test name: the case's index and its text in letters,
// digits and "_".
std::string caseName(std::size_t index, const std::string& text)
{
    std::string name = std::to_string(index);
    for (char c : text)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

class AppE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        E2E_REQUIRE_DISPLAY();
        m_session = std::make_unique<e2e::Session>();
    }

    // Stored as the show reads it: decimal 0x00BBGGRR.
    void setBackground(const QColor& c)
    {
        const int bgr = c.red() | c.green() << 8 | c.blue() << 16;
        ASSERT_TRUE(
            store::saveSetting(QStringLiteral("Background Color"), QString::number(bgr), true));
    }

    // The session's environment, with message boxes answered from an empty
    // script: a box that a window shows at its start (the runtime without
    // its bundle) must not cover the screen these tests look at.
    QProcessEnvironment env() const
    {
        QProcessEnvironment env = m_session->env();
        const QString answers = m_session->folders().root() + QStringLiteral("/answers");
        testutil::writeFile(answers, "");
        env.insert(QStringLiteral("KELVRA_MESSAGE_ANSWERS"), answers);
        env.insert(QStringLiteral("KELVRA_MESSAGE_LOG"),
                   m_session->folders().root() + QStringLiteral("/messages.log"));
        return env;
    }

    std::unique_ptr<e2e::Program> start(const QString& program, const QStringList& args)
    {
        return std::make_unique<e2e::Program>(e2e::binary(program), args, env());
    }

    e2e::Result runProgram(const QString& program, const QStringList& args, int timeoutMs = 10000)
    {
        return e2e::run(e2e::binary(program), args, env(), timeoutMs);
    }

    std::unique_ptr<e2e::Session> m_session;
};

// --- without a display ---------------------------------------------------------------------

TEST_F(AppE2E, ProgramsRefuseClearlyWithoutDisplay)
{
    for (const QString& program : {kEditor, kRuntime}) {
        QProcessEnvironment env = this->env();
        env.remove(QStringLiteral("DISPLAY"));
        e2e::Result r = e2e::run(e2e::binary(program), {QStringLiteral("/s")}, env);
        EXPECT_TRUE(r.finished && !r.crashed) << program.toStdString();
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(r.err.contains(QLatin1String("no graphical display"))) << r.err.toStdString();

        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":987"));
        r = e2e::run(e2e::binary(program), {}, env);
        EXPECT_TRUE(r.finished && !r.crashed);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(r.err.contains(QLatin1String("cannot open the X display \":987\"")))
            << r.err.toStdString();
    }
}

TEST_F(AppE2E, HelpAndVersion)
{
    for (const QString& program : {kEditor, kRuntime}) {
        e2e::Result r = runProgram(program, {QStringLiteral("--version")});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.startsWith(program + u' ')) << r.out.toStdString();
        r = runProgram(program, {QStringLiteral("--help")});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.contains(QLatin1String("Usage: ") + program));
        EXPECT_TRUE(r.out.contains(QLatin1String("/p ID")));
        EXPECT_EQ(r.out.contains(QLatin1String("--install")), program == kEditor);
    }
}

// --- the run command -----------------------------------------------------------------------

TEST_F(AppE2E, RunScriptStartsTheInstalledEditor)
{
    QProcessEnvironment env = this->env();
    env.insert(QStringLiteral("KELVRA_SKIP_BUILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("KELVRA_BUILD_DIR"),
               QFileInfo(e2e::binary(kEditor)).absolutePath() + QStringLiteral("/.."));
    e2e::Program run(QStringLiteral("bash"), {QStringLiteral(KELVRA_SOURCE_DIR "/scripts/run.sh")},
                     env);
    const quint32 window = e2e::waitForWindow(kEditorSettings, 10000);
    ASSERT_NE(window, 0u) << run.stdErr().toStdString();

    // The script ends in the installed "Kelvra Saver.scr", a link to the build.
    const QString installed =
        m_session->folders().windowsDir() + QStringLiteral("/Kelvra Saver.scr");
    EXPECT_EQ(QFileInfo(installed).canonicalFilePath(),
              QFileInfo(e2e::binary(kEditor)).canonicalFilePath());
    EXPECT_TRUE(QFileInfo(m_session->folders().windowsDir() + QStringLiteral("/tmpFiles/VLS.scr"))
                    .isSymLink());
    EXPECT_TRUE(QFile::exists(m_session->dataHome() +
                              QStringLiteral("/applications/kelvra-saver.desktop")));
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(run.pid()));
    ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(cmdline.readAll().split('\0').first()), installed);

    // Something is drawn where the window is: the root of Xvfb is black.
    const QRect g = e2e::windowGeometry(window);
    ASSERT_FALSE(g.isEmpty());
    const QImage shot = e2e::screenshot(shotName());
    EXPECT_NE(QColor(shot.pixel(g.center())), QColor(Qt::black));
    EXPECT_EQ(QColor(shot.pixel(g.right() + 20, g.bottom() + 20)), QColor(Qt::black));

    run.terminate();
    EXPECT_TRUE(run.waitForExit(5000));
    EXPECT_EQ(run.exitCode(), 0);

    // The .kvl type reached the desktop's MIME cache, the help manual is
    // where Help looks for it, and installing again finds everything in place.
    if (QFile::exists(QStringLiteral("/usr/bin/update-mime-database"))) {
        const QByteArray globs =
            testutil::readFile(m_session->dataHome() + QStringLiteral("/mime/globs2"));
        EXPECT_TRUE(globs.contains("application/x-kelvra-saver-project:*.kvl")) << globs.data();
    }
    const e2e::Result again = runProgram(kEditor, {QStringLiteral("--install")});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    const QStringList lines = again.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 6); // the saver, the runtime, the help, the entry, the type, its icon
    EXPECT_TRUE(QFile::exists(m_session->folders().windowsDir() +
                              QStringLiteral("/KelvraSaver-help.html")));
    for (const QString& line : lines)
        EXPECT_TRUE(line.endsWith(QLatin1String(": in place"))) << line.toStdString();
}

TEST_F(AppE2E, RunScriptWithoutDisplaySaysSo)
{
    QProcessEnvironment env = this->env();
    env.insert(QStringLiteral("KELVRA_SKIP_BUILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("KELVRA_BUILD_DIR"),
               QFileInfo(e2e::binary(kEditor)).absolutePath() + QStringLiteral("/.."));
    env.remove(QStringLiteral("DISPLAY"));
    const e2e::Result r = e2e::run(QStringLiteral("bash"),
                                   {QStringLiteral(KELVRA_SOURCE_DIR "/scripts/run.sh")}, env);
    EXPECT_TRUE(r.finished);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QLatin1String("needs a graphical display"))) << r.err.toStdString();
}

// --- the show ------------------------------------------------------------------------------

// The runtime's second show while the editor's runs: the two programs share
// the one show (the same program twice goes the same way).
TEST_F(AppE2E, SecondShowEndsAtOnceAndLeavesTheFirst)
{
    const QColor blue(0, 0, 255);
    setBackground(blue);
    auto first = start(kEditor, {QStringLiteral("/s")});
    ASSERT_TRUE(e2e::waitForPixel({5, 5}, blue));

    // A second show would run until ended; this one ends by itself.
    const e2e::Result second = runProgram(kRuntime, {QStringLiteral("/s")});
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0);

    EXPECT_TRUE(first->running());
    EXPECT_EQ(e2e::findWindows(kShow).size(), 1);
    EXPECT_EQ(QColor(e2e::screenshot(shotName()).pixel(640, 512)), blue);

    // The first still takes its input.
    e2e::xdotool({QStringLiteral("key"), QStringLiteral("space")});
    EXPECT_TRUE(first->waitForExit(5000));
}

// --- inside other windows ------------------------------------------------------------------

TEST_F(AppE2E, EmbeddedShowThatClosesEndsTheProcess)
{
    // The editor's preview of an empty list closes when the pointer moves
    // over it; the process must not outlive its only window.
    e2e::xdotool({QStringLiteral("mousemove"), QStringLiteral("1200"), QStringLiteral("1000")});
    e2e::HostWindow host(QRect(100, 100, 200, 150));
    ASSERT_NE(host.id(), 0u);
    auto preview = start(kEditor, {QStringLiteral("/p"), QString::number(host.id())});
    ASSERT_TRUE(e2e::waitForPixel({150, 150}, QColor(Qt::black), 5000));
    QThread::msleep(500);
    for (int x : {150, 160, 175})
        e2e::xdotool({QStringLiteral("mousemove"), QString::number(x), QStringLiteral("150")});
    ASSERT_TRUE(preview->waitForExit(5000));
    EXPECT_EQ(preview->exitCode(), 0);
}

TEST_F(AppE2E, HostedShowEndsCleanlyOnSigterm)
{
    // XScreenSaver ends its hacks with SIGTERM; the windows close the
    // normal way and the process reports success.
    e2e::HostWindow host(QRect(600, 600, 160, 120));
    ASSERT_NE(host.id(), 0u);
    const QColor red(255, 0, 0);
    setBackground(red);
    auto hack = start(kRuntime, {QStringLiteral("-window-id"), QString::number(host.id())});
    ASSERT_TRUE(e2e::waitForPixel({650, 650}, red));
    hack->terminate();
    ASSERT_TRUE(hack->waitForExit(5000));
    EXPECT_FALSE(hack->crashed());
    EXPECT_EQ(hack->exitCode(), 0);
}

TEST_F(AppE2E, PreviewWithoutUsableWindow)
{
    e2e::Result r = runProgram(kEditor, {QStringLiteral("/p")}, 5000);
    EXPECT_TRUE(r.finished && !r.crashed);
    EXPECT_EQ(r.exitCode, 0);

    // A window that does not exist is reported, not adopted.
    r = runProgram(kRuntime, {QStringLiteral("/p"), QStringLiteral("0x3ffff00")}, 5000);
    EXPECT_TRUE(r.finished && !r.crashed);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QLatin1String("does not exist"))) << r.err.toStdString();
}

TEST_F(AppE2E, PasswordSwitchEndsWithoutWindow)
{
    for (const QString& program : {kEditor, kRuntime}) {
        const e2e::Result r =
            runProgram(program, {QStringLiteral("/a"), QStringLiteral("1234")}, 5000);
        EXPECT_TRUE(r.finished && !r.crashed);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
    EXPECT_TRUE(e2e::findWindows(kShow).isEmpty());
    EXPECT_TRUE(e2e::findWindows(kEditorSettings).isEmpty());
}

// --- configuration -------------------------------------------------------------------------

struct ConfigCase {
    const char* program;
    std::vector<const char*> args;
};

void PrintTo(const ConfigCase& c, std::ostream* os)
{
    *os << c.program;
    for (const char* a : c.args)
        *os << " '" << a << "'";
}

class ConfigStart : public AppE2E, public ::testing::WithParamInterface<ConfigCase> {};

TEST_P(ConfigStart, OpensOneConfigurationWindow)
{
    const QString program = QString::fromLatin1(GetParam().program);
    const QString caption = program == kEditor ? kEditorSettings : kRuntimeSettings;
    QStringList args;
    for (const char* a : GetParam().args)
        args << QString::fromLatin1(a);

    auto first = start(program, args);
    ASSERT_NE(e2e::waitForWindow(caption), 0u) << first->stdErr().toStdString();
    EXPECT_TRUE(e2e::findWindows(kShow).isEmpty());

    const e2e::Result second = runProgram(program, args);
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(e2e::findWindows(caption).size(), 1);
    EXPECT_TRUE(first->running());
}

INSTANTIATE_TEST_SUITE_P(CommandLines, ConfigStart,
                         // Which command lines mean configuration: app_commandline_test.
                         ::testing::Values(ConfigCase{"kelvra-saver", {}},
                                           ConfigCase{"vls", {"/C", "4567"}}),
                         [](const auto& info) {
                             std::string text = info.param.program;
                             for (const char* a : info.param.args)
                                 text += std::string(" ") + a;
                             return caseName(info.index, text);
                         });

} // namespace
