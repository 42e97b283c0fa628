#pragma once
// frmSettings: the editor window. It holds the media list, the interval, the
// preview of the selected item, six buttons and the menu bar from which every
// command is reached. Handlers are named after their control and event; the
// logic they run lives in MediaList, the list-file functions and the menu
// rules, so the window only gathers facts and applies results.
//
// Loading (the constructor): settings, then the command line's project file
// or "zem.ini". Closing, whatever its cause, writes the interval (and the
// window position when asked) and closes the program's other windows; only
// "&Accept" writes "zem.ini".

#include <functional>
#include <memory>

#include <QAction>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include "controls/commondialog.h"
#include "editor/helpmanual.h"
#include "editor/medialist.h"

class QActionGroup;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace controls {
class pSpinEdit;
}
namespace pictures {
class PictureView;
class Thumbnailer;
}

namespace editor {

class MediaListModel;
class MediaListView;
class TextDialog;
class TransitionsDialog;

class frmSettings : public QMainWindow {
    Q_OBJECT
public:
    // `projectPath`: a project file named on the command line (may carry
    // surrounding double quotes); empty loads the current configuration.
    explicit frmSettings(const QString& projectPath = QString(), QWidget* parent = nullptr);
    ~frmSettings() override;

    // --- what the rest of the program and the tests reach ----------------------
    MediaListView* lstPics() const { return m_lstPics; }
    QStringList lstHidden() const; // the full paths, index for index with lstPics
    QStringList lstPicsNames() const;
    const MediaList& mediaList() const;
    controls::pSpinEdit* SpinEdit1() const { return m_spin; }
    pictures::PictureView* LEAD1() const { return m_preview; }
    pictures::Thumbnailer* thumbnailer() const { return m_thumbs.get(); }
    QPushButton* SkinButton(int index) const { return m_buttons[index]; }
    QLabel* SkinLabel(int index) const { return m_labels[index]; }
    QAction* menuItem(const QString& name) const; // by control name ("mnuNew")
    QMenu* menu(const QString& name) const;       // "mnuFile", "mnuEdit", ...
    TransitionsDialog* transitionsDialog() const { return m_effectDialog; }
    TextDialog* textDialog() const { return m_textDialog; }
    bool bSaved() const { return m_saved; }

    // A request forwarded by another start of the editor: "[Restore App]" or
    // a project path (the desktop's DDE "System" topic of old).
    void ddeExecute(const QString& command);

    // --- commands -------------------------------------------------------------
    void AppendListFile(const QString& path);
    // Writes "zem.ini"; false (after telling the user) when it cannot.
    bool SaveCurrentConfig();
    void AddMediaFiles();
    void RemoveSelectedItems();
    void SetListHScroll(bool show);
    void ShowTransitionsDialog();

    // "Create Redistributable Screen Saver": the program hands the command
    // in, since the creator is not part of the editor.
    using CreateSaverCommand = std::function<void(QWidget* editor, const QStringList& media,
                                                  const QString& interval)>;
    void setCreateSaverCommand(CreateSaverCommand command);
    void mnuCreateSaver_Click();

    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuMoveUp_Click();
    void mnuMoveDown_Click();
    void mnuDeselectAll_Click();
    void mnuZoom_Click(int index);
    void mnuScreenBackColor_Click();
    void mnuText_Click();
    void mnuClearText_Click();
    void mnuBackgroundSound_Click();
    void mnuHelpFile_Click();
    // Desktop integration (desktopcommands.cpp).
    void mnuTestSaver_Click();
    void mnuSetSS_Click();
    void SetWallpaper(bool Tiled);
    void mnuWallpaperClear_Click();
    void mnuAbout_Click();
    void SkinButton_Click(int index);

    // Menu rules, run when each menu opens.
    void mnuFile_Click();
    void mnuEdit_Click();
    void mnuOptions_Click();
    // All three menus' rules at once (allMenuRules): run before a shortcut
    // of one of the menus' items is looked up, so a shortcut never acts on
    // the state its menu had when it was last opened.
    void refreshMenuRules();
    // The periodic rule of the "&Remove" button.
    void Timer2_Timer();

    void lstPics_Click();
    void lstPics_DblClick();
    void lstPics_FilesDropped(int row, const QStringList& paths);
    void lstPics_ItemsDropped(int row);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    QAction* addItem(QMenu* menu, const char* name, const QString& caption,
                     const QKeySequence& shortcut = {});
    void Form_Load(const QString& projectPath);
    void Form_QueryUnload();
    void applySkin();
    void readProjectFile(const QString& path, bool longFormNames);
    void applyMenuChanges(const struct MenuChanges& changes);
    struct MenuFacts gatherFacts() const;
    void setSoundStatus(bool enabled);
    void toggleSetting(QAction* item, const char* setting);
    void notYetAvailable(QAction* item);
    void setWaitCursor(bool on);
    void showPreview(const QString& path);
    bool isMenuShortcut(const QKeyEvent& key) const;

    std::unique_ptr<pictures::Thumbnailer> m_thumbs;
    MediaListModel* m_model;
    MediaListView* m_lstPics;
    pictures::PictureView* m_preview;
    controls::pSpinEdit* m_spin;
    QPushButton* m_buttons[6] = {};
    QLabel* m_labels[3] = {};
    QTimer* m_timer2;
    QActionGroup* m_zoomGroup = nullptr;
    QAction* m_zoom[3] = {};
    TransitionsDialog* m_effectDialog = nullptr;
    TextDialog* m_textDialog = nullptr;
    std::unique_ptr<controls::clsCommonDialog> m_commonDialog;
    bool m_saved = true;
    bool m_waitCursor = false;
    CreateSaverCommand m_createSaver;
    QString m_skin; // the style sheet this window set on the application
};

} // namespace editor
