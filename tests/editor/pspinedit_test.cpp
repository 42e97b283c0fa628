#include "controls/pspinedit.h"

#include <ostream>

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using controls::pSpinEdit;

namespace {

struct Spin {
    Spin(int min, int max, int inc, int value)
    {
        edit.setMin(min);
        edit.setMax(max);
        edit.setIncrement(inc);
        edit.setValue(value);
        edit.show();
        edit.txtValue()->setFocus();
    }
    void type(const char* keys)
    {
        edit.txtValue()->selectAll();
        QTest::keyClicks(edit.txtValue(), keys);
    }
    pSpinEdit edit;
};

} // namespace

struct TypedCase {
    int min, max, inc;
    const char* typed;
    int value;
    const char* shownAfterLeave;
};

void PrintTo(const TypedCase& c, std::ostream* os)
{
    *os << '"' << c.typed << "\" in " << c.min << ".." << c.max << " step " << c.inc;
}

class SpinTyping : public ::testing::TestWithParam<TypedCase> {};

TEST_P(SpinTyping, RaisesToIncrementThenClampsAndShowsOnLeave)
{
    const TypedCase& c = GetParam();
    Spin s(c.min, c.max, c.inc, c.min);
    QSignalSpy change(&s.edit, &pSpinEdit::Change);
    s.type(c.typed);
    EXPECT_EQ(s.edit.Value(), c.value);
    EXPECT_GE(change.count(), 1);
    // The digits stay as typed (cut to the length limit) while editing.
    QString digits;
    for (QChar ch : QString(c.typed))
        if (ch.isDigit())
            digits += ch;
    EXPECT_EQ(s.edit.txtValue()->text(), digits.left(s.edit.txtValue()->maxLength()));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(s.edit.txtValue(), &out);
    EXPECT_EQ(s.edit.txtValue()->text(), c.shownAfterLeave);
}

// The value rule's cases are in TypedValue below; these rows are the
// widget's own: the wiring, the length limit and the digits-only text.
INSTANTIATE_TEST_SUITE_P(Table, SpinTyping,
                         ::testing::Values(TypedCase{0, 100, 5, "12", 15, "15"},
                                           TypedCase{1, 65, 1, "123", 12, "12"}, // two characters
                                           TypedCase{1, 65, 1, "4x!a", 4, "4"}));

TEST(SpinTyping, EmptyTextCountsAsZeroAndClampsToMin)
{
    Spin s(1, 65, 1, 30);
    s.edit.txtValue()->selectAll();
    QTest::keyClick(s.edit.txtValue(), Qt::Key_Backspace);
    EXPECT_EQ(s.edit.txtValue()->text(), "");
    EXPECT_EQ(s.edit.Value(), 1);
}

TEST(SpinTyping, MaxLimitsTheTextLength)
{
    Spin s(1, 65, 1, 1);
    EXPECT_EQ(s.edit.txtValue()->maxLength(), 2);
    s.edit.setMax(1000);
    EXPECT_EQ(s.edit.txtValue()->maxLength(), 4);
}

struct ArrowCase {
    int start;
    Qt::Key key;
    int value;
};

void PrintTo(const ArrowCase& c, std::ostream* os)
{
    *os << (c.key == Qt::Key_Up ? "up from " : "down from ") << c.start;
}

class SpinArrows : public ::testing::TestWithParam<ArrowCase> {};

TEST_P(SpinArrows, UpLowersDownRaisesWithinRange)
{
    Spin s(1, 65, 1, GetParam().start);
    QSignalSpy change(&s.edit, &pSpinEdit::Change);
    QTest::keyClick(s.edit.txtValue(), GetParam().key);
    EXPECT_EQ(s.edit.Value(), GetParam().value);
    EXPECT_EQ(s.edit.txtValue()->text(), QString::number(GetParam().value));
    EXPECT_EQ(change.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, SpinArrows,
                         ::testing::Values(ArrowCase{1, Qt::Key_Up, 1},
                                           ArrowCase{65, Qt::Key_Down, 65},
                                           ArrowCase{10, Qt::Key_Up, 9},
                                           ArrowCase{10, Qt::Key_Down, 11}));

TEST(SpinArrows, StepLargerThanRoomStopsAtTheEnd)
{
    Spin s(0, 100, 5, 98);
    QTest::keyClick(s.edit.txtValue(), Qt::Key_Down);
    EXPECT_EQ(s.edit.Value(), 100);
    s.edit.setValue(3);
    QTest::keyClick(s.edit.txtValue(), Qt::Key_Up);
    EXPECT_EQ(s.edit.Value(), 0);
}

TEST(SpinButtons, ScrollBarStepShowsSelectedTextAndRaisesChange)
{
    Spin s(1, 65, 1, 10);
    QSignalSpy change(&s.edit, &pSpinEdit::Change);
    s.edit.scrValue()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.edit.Value(), 11);
    EXPECT_EQ(s.edit.txtValue()->text(), "11");
    EXPECT_EQ(s.edit.txtValue()->selectedText(), "11");
    EXPECT_EQ(change.count(), 1);
}

TEST(SpinValue, OutOfRangeIsIgnoredAndCodeRaisesNoChange)
{
    Spin s(1, 65, 1, 10);
    QSignalSpy change(&s.edit, &pSpinEdit::Change);
    s.edit.setValue(0);
    s.edit.setValue(66);
    EXPECT_EQ(s.edit.Value(), 10);
    s.edit.setValue(65);
    EXPECT_EQ(s.edit.Value(), 65);
    EXPECT_EQ(s.edit.txtValue()->text(), "65");
    EXPECT_EQ(change.count(), 0);
}

struct RuleCase {
    const char* text;
    int min, max, inc;
    int value;
};

void PrintTo(const RuleCase& c, std::ostream* os)
{
    *os << '"' << c.text << "\" in " << c.min << ".." << c.max << " step " << c.inc;
}

class TypedValue : public ::testing::TestWithParam<RuleCase> {};

TEST_P(TypedValue, RaisesToTheIncrementThenClamps)
{
    const RuleCase& c = GetParam();
    EXPECT_EQ(pSpinEdit::typedValue(c.text, c.min, c.max, c.inc), c.value);
}

INSTANTIATE_TEST_SUITE_P(Table, TypedValue,
                         ::testing::Values(RuleCase{"70", 1, 65, 1, 65}, RuleCase{"0", 1, 65, 1, 1},
                                           RuleCase{"12", 1, 65, 1, 12}, RuleCase{"", 1, 65, 1, 1},
                                           RuleCase{"15", 0, 100, 5, 15},
                                           RuleCase{"99999999999999", 1, 65, 1, 65},
                                           RuleCase{"7", 1, 65, 0, 7}, // a zero step counts as 1
                                           RuleCase{"20", 0, 100, 10, 20},
                                           RuleCase{"21", 0, 100, 10, 30}));
