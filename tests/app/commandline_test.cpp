#include <ostream>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "app/commandline.h"
#include "app/dispatcher.h"

namespace {

using app::ModeKind;

struct NumberCase {
    const char* text;
    std::int32_t expected;
};

void PrintTo(const NumberCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class TrailingNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TrailingNumber, TakesTheLongestNumericSuffix)
{
    EXPECT_EQ(app::trailingNumber(QString::fromUtf8(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrailingNumber,
                         ::testing::Values(NumberCase{"/p 1234", 1234}, NumberCase{"/p:1234", 1234},
                                           NumberCase{"/p", 0}, NumberCase{"", 0},
                                           NumberCase{"   ", 0}, NumberCase{"   /p 1234   ", 1234},
                                           NumberCase{"/p   0012", 12}, NumberCase{"/p -5", -5},
                                           NumberCase{"/p 12.9", 12}, NumberCase{"/p -12.9", -12},
                                           NumberCase{"/p 1e3", 1000}, NumberCase{"/p 2d2", 200},
                                           NumberCase{"/p &H1F", 31}, NumberCase{"/p 12abc", 0},
                                           NumberCase{"x1.5.2", 5}, NumberCase{"/p 99999999999", 0},
                                           NumberCase{"/p 2147483647", 2147483647},
                                           NumberCase{"/p 1e999", 0}, NumberCase{"hello 42", 42}));

TEST(NumericValue, FollowsTheNumberTest)
{
    EXPECT_EQ(app::numericValue(QStringLiteral(" 12 ")), 12.0);
    EXPECT_EQ(app::numericValue(QStringLiteral("+.5")), 0.5);
    EXPECT_EQ(app::numericValue(QStringLiteral("5.")), 5.0);
    EXPECT_EQ(app::numericValue(QStringLiteral("&O17")), 15.0);
    EXPECT_EQ(app::numericValue(QStringLiteral("1E-2")), 0.01);
    for (const char* no : {"", ".", "1e", "--1", "1 2", "&H", "&HG", "0x10", "+", "1.2.3"})
        EXPECT_FALSE(app::numericValue(QString::fromLatin1(no))) << no;
}

TEST(LeadingNumber, ReadsLikeVal)
{
    EXPECT_EQ(app::leadingNumber(QStringLiteral(" 1234")), 1234);
    EXPECT_EQ(app::leadingNumber(QStringLiteral(":1234")), 0);
    EXPECT_EQ(app::leadingNumber(QStringLiteral(" 12 34x")), 1234);
    EXPECT_EQ(app::leadingNumber(QStringLiteral("-7.9x")), -7);
    EXPECT_EQ(app::leadingNumber(QString()), 0);
    EXPECT_EQ(app::leadingNumber(QStringLiteral("99999999999")), 0);
}

struct ModeCase {
    std::vector<const char*> args;
    const char* xscreensaverWindow;
    ModeKind kind;
    std::uint32_t windowId;
    bool root;
};

void PrintTo(const ModeCase& c, std::ostream* os)
{
    for (const char* a : c.args)
        *os << '"' << a << "\" ";
    if (*c.xscreensaverWindow)
        *os << "with XSCREENSAVER_WINDOW=" << c.xscreensaverWindow;
}

class ParseCommandLine : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ParseCommandLine, PicksModeAndWindow)
{
    QStringList args;
    for (const char* a : GetParam().args)
        args << QString::fromUtf8(a);
    const app::Mode mode =
        app::parseCommandLine(args, QString::fromUtf8(GetParam().xscreensaverWindow));
    EXPECT_EQ(mode.kind, GetParam().kind) << args.join(u'|').toStdString();
    EXPECT_EQ(mode.windowId, GetParam().windowId) << args.join(u'|').toStdString();
    EXPECT_EQ(mode.rootWindow, GetParam().root) << args.join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Switches, ParseCommandLine,
    ::testing::Values(ModeCase{{"/S"}, "", ModeKind::Show, 0, false},
                      ModeCase{{" /s "}, "", ModeKind::Show, 0, false},
                      ModeCase{{"/sx"}, "", ModeKind::Show, 0, false},
                      ModeCase{{"/s", "whatever"}, "", ModeKind::Show, 0, false},
                      ModeCase{{"/p", "1234"}, "", ModeKind::Preview, 1234, false},
                      ModeCase{{"/P:1234"}, "", ModeKind::Preview, 1234, false},
                      ModeCase{{"/p", "0x1c00007"}, "", ModeKind::Preview, 0x1c00007, false},
                      ModeCase{{"/p"}, "", ModeKind::Preview, 0, false},
                      ModeCase{{"/p", "-5"}, "", ModeKind::Preview, 0, false},
                      ModeCase{{"/a", "1234"}, "", ModeKind::Password, 1234, false},
                      ModeCase{{"/A:1234"}, "", ModeKind::Password, 0, false},
                      ModeCase{{}, "", ModeKind::Config, 0, false},
                      ModeCase{{"/c"}, "", ModeKind::Config, 0, false},
                      ModeCase{{"/c:123"}, "", ModeKind::Config, 0, false},
                      ModeCase{{"hello"}, "", ModeKind::Config, 0, false},
                      ModeCase{{"/"}, "", ModeKind::Config, 0, false},
                      // XScreenSaver conventions.
                      ModeCase{{"-root"}, "", ModeKind::Host, 0, true},
                      ModeCase{{"-root"}, "0x40", ModeKind::Host, 0x40, false},
                      ModeCase{{}, "0x40", ModeKind::Host, 0x40, false},
                      ModeCase{{}, "junk", ModeKind::Config, 0, false},
                      ModeCase{{"/s"}, "0x40", ModeKind::Show, 0, false},
                      ModeCase{{"-window-id", "0x2A"}, "", ModeKind::Host, 42, false},
                      ModeCase{{"--window-id", "77"}, "0x40", ModeKind::Host, 77, false},
                      ModeCase{{"-window-id", "bad"}, "", ModeKind::Host, 0, false},
                      ModeCase{{"-window-id"}, "", ModeKind::Host, 0, false}));

TEST(ParseCommandLine, KeepsTextAndCase)
{
    const app::Mode mode = app::parseCommandLine({QStringLiteral("  /C:123 ")});
    EXPECT_EQ(mode.rawText, QStringLiteral("/C:123"));
    EXPECT_EQ(mode.commandText, QStringLiteral("/c:123"));
    EXPECT_TRUE(mode.projectPath.isEmpty());
}

TEST(ParseCommandLine, ProjectPaths)
{
    // Text that is no switch names a project, relative to the current folder,
    // and keeps its case; one pair of quotes is removed.
    const app::Mode quoted = app::parseCommandLine({QStringLiteral("\"My Show.kvl\"")});
    EXPECT_EQ(quoted.kind, ModeKind::Config);
    EXPECT_EQ(quoted.projectPath, QDir::current().absoluteFilePath(QStringLiteral("My Show.kvl")));

    // An existing absolute file whose path begins like a switch is a project,
    // not "/p": desktops pass absolute paths.
    const QString file = QStringLiteral("/proc/self/status");
    ASSERT_TRUE(QFileInfo(file).isFile());
    const app::Mode path = app::parseCommandLine({file});
    EXPECT_EQ(path.kind, ModeKind::Config);
    EXPECT_EQ(path.projectPath, file);

    // A missing one is still read as the switch.
    EXPECT_EQ(app::parseCommandLine({QStringLiteral("/proc/none.kvl")}).kind, ModeKind::Preview);
}

TEST(ForwardedMessage, PathOnlyFromTheEditor)
{
    app::Mode mode;
    mode.projectPath = QStringLiteral("/home/u/a.kvl");
    EXPECT_EQ(app::forwardedMessage(mode, true), mode.projectPath);
    EXPECT_EQ(app::forwardedMessage(mode, false), QStringLiteral("[Restore App]"));
    EXPECT_EQ(app::forwardedMessage(app::Mode{}, true), QStringLiteral("[Restore App]"));
}

struct HostCase {
    const char* name;
    QSize host;
    QList<QSize> screens;
    bool preview;
};

void PrintTo(const HostCase& c, std::ostream* os) { *os << c.name; }

class HostWindowKind : public ::testing::TestWithParam<HostCase> {};

TEST_P(HostWindowKind, SmallerThanEveryScreenIsThePreview)
{
    EXPECT_EQ(app::hostWindowIsPreview(GetParam().host, GetParam().screens), GetParam().preview);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, HostWindowKind,
    ::testing::Values(
        HostCase{"SettingsPreview", {320, 240}, {{1920, 1080}}, true},
        HostCase{"WholeScreen", {1920, 1080}, {{1920, 1080}}, false},
        HostCase{"OneColumnShort", {1919, 1080}, {{1920, 1080}}, true},
        HostCase{"OneRowShort", {1920, 1079}, {{1920, 1080}}, true},
        HostCase{"SmallerOfTwoMonitors", {1280, 1024}, {{1920, 1080}, {1280, 1024}}, false},
        HostCase{"WiderThanTallerScreen", {1920, 1024}, {{1280, 1080}, {1920, 1080}}, true},
        HostCase{"NoScreenKnown", {320, 240}, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
