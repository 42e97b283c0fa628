// ~/.xscreensaver edits against golden files, and the hand-written shapes
// such a file can take.
#include "desktop/xscreensaverfile.h"

#include <ostream>

#include <QList>

#include <gtest/gtest.h>

#include "common/testutil.h"

namespace {

const QString kSaver = QStringLiteral("/home/ann/.local/share/kelvra-saver/Kelvra Saver.scr");
const QString kName = QStringLiteral("Kelvra Saver");

QByteArray golden(const char* name)
{
    return testutil::readFile(QStringLiteral(KELVRA_SOURCE_DIR "/tests/desktop/golden/") +
                              QLatin1String(name));
}

desktop::XScreenSaverSelection select(const QByteArray& text)
{
    return desktop::selectInXScreenSaverFile(text, kSaver, kName);
}

// The lines of `text` other than "mode" and "selected", which the edit may
// rewrite.
QList<QByteArray> keptLines(const QByteArray& text)
{
    QList<QByteArray> out;
    for (const QByteArray& line : text.split('\n'))
        if (!line.startsWith("mode:") && !line.startsWith("selected:"))
            out << line;
    return out;
}

// Every line of `before` is in `after`, byte for byte and in order.
bool keepsEveryLine(const QByteArray& before, const QByteArray& after)
{
    const QList<QByteArray> a = keptLines(before);
    const QList<QByteArray> b = keptLines(after);
    qsizetype j = 0;
    for (const QByteArray& line : a) {
        while (j < b.size() && b[j] != line)
            ++j;
        if (j == b.size())
            return false;
        ++j;
    }
    return true;
}

struct GoldenCase {
    const char* name;
    const char* input;    // golden/<input>, or null for an empty file
    const char* expected; // golden/<expected>
    int selected;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

class XScreenSaverGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(XScreenSaverGolden, MatchesAndIsIdempotent)
{
    const GoldenCase& c = GetParam();
    const QByteArray input = c.input ? golden(c.input) : QByteArray();
    const desktop::XScreenSaverSelection first = select(input);
    // KELVRA_UPDATE_GOLDEN=1 rewrites the expected files (look at the diff).
    if (qEnvironmentVariableIsSet("KELVRA_UPDATE_GOLDEN"))
        testutil::writeFile(QStringLiteral(KELVRA_SOURCE_DIR "/tests/desktop/golden/") +
                                QLatin1String(c.expected),
                            first.text);
    EXPECT_EQ(first.text.toStdString(), golden(c.expected).toStdString());
    EXPECT_EQ(first.selected, c.selected);
    EXPECT_TRUE(keepsEveryLine(input, first.text));

    const desktop::XScreenSaverSelection second = select(first.text);
    EXPECT_EQ(second.text, first.text);
    EXPECT_EQ(second.selected, c.selected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, XScreenSaverGolden,
    ::testing::Values(
        GoldenCase{"EmptyFile", nullptr, "empty.expected", 0},
        // XScreenSaver's built-in defaults written out as a user's file
        // (make-xscreensaver-defaults.sh); its list ends without a
        // continuation, and it has no "selected".
        GoldenCase{"XScreenSaverDefaults", "xscreensaver-defaults.in",
                   "xscreensaver-defaults.expected", 248},
        GoldenCase{"UserFileWithComments", "user.in", "user.expected", 5}),
    [](const auto& info) { return std::string(info.param.name); });

struct ShapeCase {
    const char* name;
    QByteArray input;
    QByteArray expected;
    int selected;
};

void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }

class XScreenSaverShapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(XScreenSaverShapes, Edit)
{
    const ShapeCase& c = GetParam();
    const desktop::XScreenSaverSelection edit = select(c.input);
    EXPECT_EQ(edit.text.toStdString(), c.expected.toStdString());
    EXPECT_EQ(edit.selected, c.selected);
    EXPECT_EQ(select(edit.text).text.toStdString(), edit.text.toStdString());
}

const QByteArray kOurs =
    "\t\t\t\t\"Kelvra Saver\"  '/home/ann/.local/share/kelvra-saver/Kelvra Saver.scr' "
    "-root\t\t    \\n\\";

INSTANTIATE_TEST_SUITE_P(
    Shapes, XScreenSaverShapes,
    ::testing::Values(
        // A list on one line: it gets the separator and continuation it lacks.
        ShapeCase{"OneLineList", "mode: random\nprograms: maze -root\n",
                  "mode: one\nselected:\t1\nprograms: maze -root \\n\\\n" + kOurs + "\n\n", 1},
        // A resource right after the list must not become part of it.
        ShapeCase{"ResourceRightAfterList",
                  "programs:\t\\\n  maze -root \\n\\\n  qix -root \\n\nlock: False\n",
                  "mode:\t\tone\nselected:\t1\nprograms:\t\\\n  maze -root \\n\\\n" + kOurs +
                      "\n  qix -root \\n\nlock: False\n",
                  1},
        // Ours already listed but switched off: switched on, nothing added.
        ShapeCase{"OursDisabled",
                  "mode:\trandom\nselected:\t-1\nprograms: \\\n  maze -root \\n\\\n"
                  "-\t\"Kelvra Saver\" '/home/ann/.local/share/kelvra-saver/Kelvra Saver.scr' "
                  "-root \\n\\\n\n",
                  "mode:\tone\nselected:\t1\nprograms: \\\n  maze -root \\n\\\n"
                  "\t\"Kelvra Saver\" '/home/ann/.local/share/kelvra-saver/Kelvra Saver.scr' "
                  "-root \\n\\\n\n",
                  1},
        // No list at all: XScreenSaver's own list applies until one is
        // written; ours is then the only one.
        ShapeCase{"NoListNoNewline", "timeout: 0:01:00\nmode: blank",
                  "timeout: 0:01:00\nmode: one\n\nselected:\t0\nprograms:\t\t\t\t\t\t\t\t      "
                  "\\\n" +
                      kOurs + "\n\n",
                  0},
        // A value continued over two lines becomes one line; "mode" inside
        // the list's continuation is not a resource of its own.
        ShapeCase{"ContinuedValues",
                  "selected: \\\n 4\nprograms: maze -root \\n\\\nmode: one\n",
                  "selected: 1\nmode:\t\tone\nprograms: maze -root \\n\\\n" + kOurs +
                      "\nmode: one\n",
                  1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XScreenSaverCommand, QuotesThePathForTheShell)
{
    EXPECT_EQ(desktop::xscreensaverCommand(QStringLiteral("/a b/Kelvra Saver.scr")),
              QStringLiteral("'/a b/Kelvra Saver.scr' -root"));
    EXPECT_EQ(desktop::xscreensaverCommand(QStringLiteral("/x/ann's/K.scr")),
              QStringLiteral("'/x/ann'\\''s/K.scr' -root"));
    // A path with a quote is found again on the second run.
    const QString odd = QStringLiteral("/x/ann's \\saver/K.scr");
    const auto first = desktop::selectInXScreenSaverFile({}, odd, QStringLiteral("K"));
    const auto second = desktop::selectInXScreenSaverFile(first.text, odd, QStringLiteral("K"));
    EXPECT_EQ(second.text, first.text);
    EXPECT_TRUE(first.text.contains("'/x/ann'\\\\''s \\\\saver/K.scr' -root")) << first.text.data();
}

} // namespace
