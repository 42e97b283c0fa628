// The display text's stored forms and the help manual's sections, without
// windows.
#include <map>

#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include "editor/displaytext.h"
#include "editor/frmsound.h"
#include "editor/helpmanual.h"

namespace {

using editor::DisplayTextValues;

std::map<QString, QString> asMap(const DisplayTextValues& v)
{
    std::map<QString, QString> out;
    for (const auto& [key, value] : editor::displayTextSettings(v))
        out[key] = value;
    return out;
}

TEST(DisplayTextForms, SeventeenKeysInTheTableOrder)
{
    const auto pairs = editor::displayTextSettings(editor::defaultDisplayText());
    ASSERT_EQ(pairs.size(), 17u);
    EXPECT_EQ(pairs[0].first, "Display Text");
    EXPECT_EQ(pairs[1].first, "Display Text Angle");
    EXPECT_EQ(pairs[9].first, "Display Text Bold");
    EXPECT_EQ(pairs[14].first, "Display Text Align");
    EXPECT_EQ(pairs[16].first, "Display Text Wordwrap");
}

TEST(DisplayTextForms, ValuesAreStoredInTheirForms)
{
    DisplayTextValues v = editor::defaultDisplayText();
    v.text = "Line one\r\nLine two";
    v.angle = -450;
    v.fontName = "DejaVu Serif";
    v.fontSize = 10.5;
    v.forecolor = 0x0000FF; // red
    v.bold = true;
    v.wordWrap = false;
    v.alignment = 8;
    v.hiliteColor = 0x123456;
    const auto m = asMap(v);
    EXPECT_EQ(m.at("Display Text"), "Line one\r\nLine two");
    EXPECT_EQ(m.at("Display Text Angle"), "-450");
    EXPECT_EQ(m.at("Display Text Font Size"), "10.5");
    EXPECT_EQ(m.at("Display Text Forecolor"), "255");
    EXPECT_EQ(m.at("Display Text Bold"), "True");
    EXPECT_EQ(m.at("Display Text Wordwrap"), "False");
    EXPECT_EQ(m.at("Display Text Align"), "8");
    EXPECT_EQ(m.at("Display Text Hilite Color"), "1193046");
    EXPECT_EQ(editor::textStyleOf(v).color, QColor(255, 0, 0));
}

struct SizeCase {
    double size;
    const char* text;
};

class FontSizeText : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FontSizeText, IsADecimalWithAPointAndNoTrailingZeros)
{
    EXPECT_EQ(editor::fontSizeText(GetParam().size), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FontSizeText,
                         ::testing::Values(SizeCase{24, "24"}, SizeCase{10.5, "10.5"},
                                           SizeCase{8.25, "8.25"}, SizeCase{100, "100"},
                                           SizeCase{12.999, "13"}),
                         [](const auto& info) {
                             return QString::fromLatin1(info.param.text)
                                 .replace('.', '_')
                                 .toStdString();
                         });

TEST(DisplayTextForms, ReadingTakesTheCurrentValuesAsDefaultsAndKeepsThemOnBadText)
{
    DisplayTextValues current = editor::defaultDisplayText();
    current.fontSize = 31;
    current.italic = true;
    std::map<QString, QString> store = {
        {"Display Text", "Hello"},
        {"Display Text Font Size", "not a number"},
        {"Display Text Bold", "true"},
        {"Display Text Forecolor", "99999999"}, // no colour
        {"Display Text Align", "5"},
    };
    std::map<QString, QString> defaultsSeen;
    const DisplayTextValues read = editor::readDisplayText(
        [&](const QString& key, const QString& def) {
            defaultsSeen[key] = def;
            const auto it = store.find(key);
            return it == store.end() ? def : it->second;
        },
        current);
    EXPECT_EQ(defaultsSeen, asMap(current));
    EXPECT_EQ(read.text, "Hello");
    EXPECT_DOUBLE_EQ(read.fontSize, 31);
    EXPECT_TRUE(read.bold);
    EXPECT_TRUE(read.italic);
    EXPECT_EQ(read.forecolor, current.forecolor);
    EXPECT_EQ(read.alignment, 5);

    // What is written reads back unchanged.
    DisplayTextValues round = editor::readDisplayText(
        [&](const QString& key, const QString&) { return asMap(read).at(key); },
        editor::defaultDisplayText());
    EXPECT_EQ(round, read);
}

TEST(DisplayTextForms, ThePictureIsDrawnAtTheShowsSize)
{
    const QSize screen(1920, 1080);
    EXPECT_EQ(editor::showPictureSize({640, 480}, screen, 0), QSize(640, 480));
    EXPECT_EQ(editor::showPictureSize({4000, 3000}, screen, 0), QSize(1440, 1080));
    EXPECT_EQ(editor::showPictureSize({640, 480}, screen, 1), QSize(1440, 1080));
}

TEST(SoundPreview, Mp3PlaysUnderTheAliasMp)
{
    EXPECT_EQ(editor::mp3PreviewCommands("/home/anna/My Music/song.mp3"),
              (QStringList{"close mp", "open \"/home/anna/My Music/song.mp3\" alias mp wait",
                           "play mp"}));
}

TEST(HelpManual, HasTheBackgroundSoundSectionTheDialogOpens)
{
    QFile manual(QString::fromLatin1(editor::kHelpResource));
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(manual.readAll());
    const QString id = QString::fromLatin1(editor::kSoundHelpSection);
    EXPECT_TRUE(html.contains("id=\"" + id + "\">Background Sound Configuration Dialog<"));
    const QUrl address(editor::helpManualAddress(id));
    EXPECT_TRUE(address.isLocalFile());
    EXPECT_EQ(address.fragment(), id);
    EXPECT_TRUE(address.toLocalFile().endsWith("/KelvraSaver-help.html"));
}

} // namespace
