#pragma once
// The rules that enable and check the editor's menu items each time a menu
// opens, and the periodic rule of the "&Remove" button, without widgets.
// Each rule returns only the items it changes; items it does not name keep
// their state.

#include <map>

#include <QString>

namespace editor {

// What the rules look at, gathered by the window when a menu opens.
struct MenuFacts {
    int count = 0;               // items in the list
    int selectedCount = 0;       // selected items
    bool currentSelected = false; // the item at the current index is selected
    bool previewHasImage = false;
    bool soundEnabledSetting = false; // "Background Sound Enabled" is True
    bool soundListExists = false;     // "zem-sound.ini" in the Windows folder
    QString displayText;              // "Display Text"
    QString activeSaverLongPath;      // the desktop's saver, long form
    QString ourSaverPath;             // "Kelvra Saver.scr" in the Windows folder
};

// Item names are the menu controls' names ("mnuNew", "mnuSetWallpaper").
struct MenuChanges {
    std::map<QString, bool> enabled;
    std::map<QString, bool> checked;
};

MenuChanges fileMenuRules(const MenuFacts& facts);
MenuChanges editMenuRules(const MenuFacts& facts);
MenuChanges optionsMenuRules(const MenuFacts& facts);

// Every item as it would be if its own menu opened now: the rules of all
// three menus, with the rule of an item's own menu winning over another
// menu's rule for it (Remove follows the Edit menu's rule). A shortcut runs
// against this state, so it does what its menu item would do at that moment.
MenuChanges allMenuRules(const MenuFacts& facts);

// The Remove button's new state; while the list is empty it keeps `current`.
bool removeButtonRule(const MenuFacts& facts, bool current);

} // namespace editor
