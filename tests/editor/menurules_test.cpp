#include "editor/menurules.h"

#include <optional>
#include <ostream>

#include <gtest/gtest.h>

using namespace editor;

namespace {

std::optional<bool> get(const std::map<QString, bool>& m, const char* name)
{
    auto it = m.find(name);
    if (it == m.end())
        return std::nullopt;
    return it->second;
}

} // namespace

TEST(FileMenu, EmptyListDisablesNewSaveTestAndRemove)
{
    MenuFacts facts;
    const MenuChanges c = fileMenuRules(facts);
    EXPECT_EQ(get(c.enabled, "mnuNew"), false);
    EXPECT_EQ(get(c.enabled, "mnuSave"), false);
    EXPECT_EQ(get(c.enabled, "mnuTestSaver"), false);
    EXPECT_EQ(get(c.enabled, "mnuRemove"), false);
    EXPECT_EQ(get(c.enabled, "mnuOpen"), std::nullopt);
    EXPECT_EQ(get(c.enabled, "mnuCreateSaver"), std::nullopt);
}

TEST(FileMenu, FilledListEnablesButLeavesRemoveAlone)
{
    MenuFacts facts;
    facts.count = 3;
    const MenuChanges c = fileMenuRules(facts);
    EXPECT_EQ(get(c.enabled, "mnuNew"), true);
    EXPECT_EQ(get(c.enabled, "mnuTestSaver"), true);
    EXPECT_EQ(get(c.enabled, "mnuRemove"), std::nullopt);
}

struct EditCase {
    int selected;
    bool move;
    bool remove;
};

void PrintTo(const EditCase& c, std::ostream* os)
{
    *os << c.selected << " selected";
}

class EditMenu : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditMenu, MoveNeedsExactlyOneRemoveNeedsAny)
{
    MenuFacts facts;
    facts.count = 5;
    facts.selectedCount = GetParam().selected;
    const MenuChanges c = editMenuRules(facts);
    EXPECT_EQ(get(c.enabled, "mnuMoveUp"), GetParam().move);
    EXPECT_EQ(get(c.enabled, "mnuMoveDown"), GetParam().move);
    EXPECT_EQ(get(c.enabled, "mnuRemove"), GetParam().remove);
    EXPECT_EQ(get(c.enabled, "mnuDeselectAll"), GetParam().remove);
    EXPECT_EQ(get(c.enabled, "mnuAdd"), true);
}

INSTANTIATE_TEST_SUITE_P(Table, EditMenu,
                         ::testing::Values(EditCase{0, false, false}, EditCase{1, true, true},
                                           EditCase{2, false, true}));

struct OptionsCase {
    int count;
    bool currentSelected;
    bool image;
    std::optional<bool> createSaver;
    bool wallpaper;
    std::optional<bool> remove;
};

void PrintTo(const OptionsCase& c, std::ostream* os)
{
    *os << c.count << " items" << (c.currentSelected ? ", current selected" : "")
        << (c.image ? ", preview image" : "");
}

class OptionsMenu : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(OptionsMenu, PreviewImageDecidesWallpaperLast)
{
    const OptionsCase& t = GetParam();
    MenuFacts facts;
    facts.count = t.count;
    facts.currentSelected = t.currentSelected;
    facts.previewHasImage = t.image;
    const MenuChanges c = optionsMenuRules(facts);
    EXPECT_EQ(get(c.enabled, "mnuCreateSaver"), t.createSaver);
    EXPECT_EQ(get(c.enabled, "mnuSetWallpaper"), t.wallpaper);
    EXPECT_EQ(get(c.enabled, "mnuRemove"), t.remove);
}

INSTANTIATE_TEST_SUITE_P(Table, OptionsMenu,
                         ::testing::Values(OptionsCase{0, false, false, false, false, {}},
                                           OptionsCase{0, false, true, false, true, {}},
                                           OptionsCase{2, true, false, true, false, true},
                                           OptionsCase{2, false, true, true, true, false},
                                           OptionsCase{2, true, true, true, true, true}));

TEST(OptionsMenu, SoundTextAndActiveSaver)
{
    MenuFacts facts;
    facts.soundEnabledSetting = true;
    facts.displayText = "hello";
    facts.ourSaverPath = "/w/Kelvra Saver.scr";
    facts.activeSaverLongPath = "/W/KELVRA SAVER.SCR";
    MenuChanges c = optionsMenuRules(facts);
    EXPECT_EQ(get(c.checked, "mnuBackgroundSound"), false); // no sound list file
    EXPECT_EQ(get(c.enabled, "mnuClearText"), true);
    EXPECT_EQ(get(c.enabled, "mnuSetSS"), false);

    facts.soundListExists = true;
    facts.displayText.clear();
    facts.activeSaverLongPath = "/usr/lib/other.scr";
    c = optionsMenuRules(facts);
    EXPECT_EQ(get(c.checked, "mnuBackgroundSound"), true);
    EXPECT_EQ(get(c.enabled, "mnuClearText"), false);
    EXPECT_EQ(get(c.enabled, "mnuSetSS"), true);
}

TEST(RemoveButton, KeepsStateWhileEmpty)
{
    MenuFacts facts;
    EXPECT_TRUE(removeButtonRule(facts, true));
    EXPECT_FALSE(removeButtonRule(facts, false));
    facts.count = 2;
    EXPECT_FALSE(removeButtonRule(facts, true));
    facts.currentSelected = true;
    EXPECT_TRUE(removeButtonRule(facts, false));
}
