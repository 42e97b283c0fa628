#pragma once
// The background sound list: frmSound edits the sounds that play behind the
// show, frmSoundDialog asks whether an existing list shall be edited or
// switched off, and backgroundSoundCommand() is the Options menu's
// "&Background Sound" item that runs them.
//
// The list lives in "zem-sound.ini" in the Windows folder, one full path per
// line (the project files' format); the file exists only while the list
// holds a sound. frmSound rebuilds its list from the file each time it opens,
// so lines naming files that have gone disappear.

#include <QDialog>
#include <QString>
#include <QStringList>

#include "controls/commondialog.h"
#include "editor/medialist.h"

class QAction;
class QListWidget;
class QMenu;
class QPushButton;

namespace media {
class SoundPlayer;
}

namespace editor {

inline constexpr const char* kSoundFilter =
    "All Supported Audio Formats|*.wav;*.mid;*.midi;*.aiff;*.aifc;*.aif;*.mp3;*.ogg;*.oga;*.opus;"
    "*.flac;*.m4a;*.aac|MPEG Layer 3|*.mp3|Windows Audio (WAV)|*.wav|MIDI Instrumental|"
    "*.mid;*.midi;*.rmi|CD Audio|*.cda|AIFF|*.aif;*.aiff;*.aifc";
inline constexpr std::uint32_t kSoundAddFlags = 2628108;
inline constexpr const char* kSoundHelpSection = "background-sound-configuration-dialog";

// What frmSound did with the list, read after it has closed.
enum SoundListState { kSoundListEmptied = 0, kSoundListEditing = 1, kSoundListSaved = 2 };

QString soundListPath();

// The commands that preview an ".mp3" under the alias "mp".
QStringList mp3PreviewCommands(const QString& path);

class frmSound : public QDialog {
    Q_OBJECT
public:
    explicit frmSound(QWidget* owner = nullptr);
    ~frmSound() override;

    int soundListState() const { return m_state; }
    QListWidget* List1() const { return m_list1; }
    QStringList List2() const { return m_list.paths(); }
    QAction* menuItem(const QString& name) const;

    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdOK_Click();
    void mnuMoveUp_Click();
    void mnuMoveDown_Click();
    void mnuEdit_Click(); // the Edit menu is opening
    void List1_DblClick(int row);
    void AddSoundFiles(const QString& buffer);
    void showHelp();

    // The preview player of files other than ".mp3".
    media::SoundPlayer* LEADVid1() const { return m_player; }

protected:
    void done(int result) override;

private:
    void addEntries(const QVector<MediaEntry>& entries);
    void refreshList(int select);
    void applyHScroll();
    void stopPreview();

    QListWidget* m_list1;
    MediaList m_list;
    QPushButton* m_cmdAdd;
    QPushButton* m_cmdRemove;
    QPushButton* m_cmdOK;
    QPushButton* m_cmdCancel;
    media::SoundPlayer* m_player;
    controls::clsCommonDialog m_dialog;
    int m_state = kSoundListEditing;
    bool m_mp3Open = false;
};

class frmSoundDialog : public QDialog {
    Q_OBJECT
public:
    enum Choice { Edit = 0, Disable = 1 };
    explicit frmSoundDialog(QWidget* owner = nullptr);
    // The button pressed; only meaningful when the dialog was accepted (Esc
    // rejects it and leaves everything as it was).
    int choice() const { return m_choice; }

private:
    int m_choice = Edit;
};

struct BackgroundSoundResult {
    bool checked = false;       // the menu item's new check mark
    bool statusEnabled = false; // what the status line says
};

// The "&Background Sound" item: `wasChecked` is the item's check mark before
// the click. Runs the dialogs, saves "Background Sound Enabled" and returns
// the item's new state; the status line is "Enabled" only while the item is
// checked and a list is stored.
BackgroundSoundResult backgroundSoundCommand(QWidget* owner, bool wasChecked);

} // namespace editor
