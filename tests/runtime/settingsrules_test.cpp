// The settings dialog's rules.

#include <ostream>

#include <gtest/gtest.h>

#include "runtime/settingsrules.h"

using namespace runtime;

namespace {

struct IntervalCase {
    const char* label;
    const char* text;
    bool accepted;
};

// Names the case in ctest by its label, not by its bytes.
void PrintTo(const IntervalCase& c, std::ostream* os)
{
    *os << c.label;
}

class IntervalRule : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(IntervalRule, Accept)
{
    EXPECT_EQ(intervalAccepted(QString::fromUtf8(GetParam().text)), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Runtime, IntervalRule,
                         ::testing::Values(IntervalCase{"SixtyFive", "65", true},
                                           IntervalCase{"SixtySix", "66", false},
                                           IntervalCase{"Zero", "0", true},
                                           IntervalCase{"Fraction", "6.5", true},
                                           IntervalCase{"JustOver", "65.01", false},
                                           IntervalCase{"Empty", "", false},
                                           IntervalCase{"Dot", ".", false},
                                           IntervalCase{"TwoDots", "1.2.3", false}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(IntervalKeys, DigitsDotAndControlCharactersOnly)
{
    for (QChar c : QStringLiteral("0123456789."))
        EXPECT_TRUE(intervalKeyAllowed(c));
    EXPECT_TRUE(intervalKeyAllowed(QChar(8)));  // backspace
    EXPECT_TRUE(intervalKeyAllowed(QChar(26)));
    for (QChar c : QStringLiteral("aZ -,+e\x1b"))
        EXPECT_FALSE(intervalKeyAllowed(c)) << int(c.unicode());
}

TEST(AcceptedList, IntervalCountAndPathsWithCrLf)
{
    EXPECT_EQ(acceptedListText(QStringLiteral("5"),
                               {QStringLiteral("/p/b c.jpg"), QStringLiteral("/p/a.jpg")}),
              QByteArray("5\r\n2\r\n/p/b c.jpg\r\n/p/a.jpg\r\n"));
    EXPECT_EQ(acceptedListText(QString(), {}), QByteArray("\r\n0\r\n"));
}

TEST(Preview, TheLastSelectedRowInListOrder)
{
    EXPECT_EQ(lastSelectedRow({false, true, false, true, false}), 3);
    EXPECT_EQ(lastSelectedRow({false, false}), -1);
}

TEST(FileMenu, EnabledByTheListAndTheActiveSaver)
{
    const QString mine = QStringLiteral("/w/Sunset Beach.scr");
    FileMenuState s = fileMenuState(0, false, QString(), mine);
    EXPECT_FALSE(s.testSaver || s.wallpaper);
    EXPECT_TRUE(s.setActive);
    s = fileMenuState(3, false, QString(), mine);
    EXPECT_TRUE(s.testSaver);
    EXPECT_FALSE(s.wallpaper);
    s = fileMenuState(3, true, QStringLiteral("/W/SUNSET BEACH.SCR"), mine);
    EXPECT_TRUE(s.wallpaper);
    EXPECT_FALSE(s.setActive);
}

} // namespace
