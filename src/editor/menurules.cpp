#include "editor/menurules.h"

namespace editor {

MenuChanges fileMenuRules(const MenuFacts& facts)
{
    MenuChanges c;
    const bool any = facts.count > 0;
    c.enabled["mnuNew"] = any;
    c.enabled["mnuSave"] = any;
    c.enabled["mnuTestSaver"] = any;
    // Only an empty list disables Remove here; a filled one leaves it alone.
    if (!any)
        c.enabled["mnuRemove"] = false;
    return c;
}

MenuChanges editMenuRules(const MenuFacts& facts)
{
    MenuChanges c;
    c.enabled["mnuMoveUp"] = facts.selectedCount == 1;
    c.enabled["mnuMoveDown"] = facts.selectedCount == 1;
    c.enabled["mnuRemove"] = facts.selectedCount > 0;
    c.enabled["mnuDeselectAll"] = facts.selectedCount > 0;
    c.enabled["mnuAdd"] = true;
    return c;
}

MenuChanges optionsMenuRules(const MenuFacts& facts)
{
    MenuChanges c;
    c.checked["mnuBackgroundSound"] = facts.soundEnabledSetting && facts.soundListExists;
    if (facts.count == 0) {
        c.enabled["mnuCreateSaver"] = false;
        c.enabled["mnuSetWallpaper"] = false;
    } else {
        c.enabled["mnuCreateSaver"] = true;
        c.enabled["mnuSetWallpaper"] = facts.currentSelected;
        c.enabled["mnuRemove"] = facts.currentSelected;
    }
    // The preview decides the wallpaper submenu in the end.
    c.enabled["mnuSetWallpaper"] = facts.previewHasImage;
    c.enabled["mnuClearText"] = !facts.displayText.isEmpty();
    c.enabled["mnuSetSS"] =
        facts.ourSaverPath.isEmpty() ||
        facts.activeSaverLongPath.compare(facts.ourSaverPath, Qt::CaseInsensitive) != 0;
    return c;
}

MenuChanges allMenuRules(const MenuFacts& facts)
{
    // File and Options name items of other menus; Edit names only its own,
    // so applying it last leaves every item with its own menu's verdict.
    MenuChanges all = fileMenuRules(facts);
    for (const MenuChanges& more : {optionsMenuRules(facts), editMenuRules(facts)}) {
        for (const auto& [name, on] : more.enabled)
            all.enabled[name] = on;
        for (const auto& [name, on] : more.checked)
            all.checked[name] = on;
    }
    return all;
}

bool removeButtonRule(const MenuFacts& facts, bool current)
{
    if (facts.count == 0)
        return current;
    return facts.currentSelected;
}

} // namespace editor
