#pragma once
// MHBrowse: picks a folder, optionally with a "New Folder" button that asks
// for a name, creates the folder inside the selected one and opens the
// browser again there. Item is the folder the browser opens at and, after
// BrowseIt() returned true, the folder the user chose (no trailing "/"
// except for the root).

#include <functional>

#include <QDialog>
#include <QString>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace controls {

// The browser's window: a prompt, the folder tree and OK, Cancel and (when
// asked for) "New Folder".
class FolderBrowserDialog : public QDialog {
    Q_OBJECT
public:
    FolderBrowserDialog(const QString& title, const QString& rootFolder, bool newFolderButton,
                        QWidget* owner);

    // Selects `folder` (a trailing "/" dropped, the root kept) and shows it.
    void selectFolder(const QString& folder);
    // The selected folder, always ending in "/"; empty when none is.
    QString currentFolder() const { return m_current; }

    QTreeView* tree() const { return m_tree; }
    QPushButton* newFolderButton() const { return m_newFolder; }
    QPushButton* okButton() const { return m_ok; }

Q_SIGNALS:
    void newFolderRequested();

private:
    QFileSystemModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_newFolder = nullptr;
    QString m_current;
};

class MHBrowse {
public:
    // Asks for the new folder's name; returns false for Cancel.
    using Prompt = std::function<bool(QWidget* parent, const QString& title, const QString& label,
                                      const QString& defaultText, QString* answer)>;

    QString Item;
    QString Title;
    int Flags = 0;
    // Where the browser opens when Item is empty: 0 is the user's home
    // folder, any other value the file system's root.
    int Folder = 0;
    bool NewFolder = false;
    QString NewFolderTitle;

    // True when the user confirmed a folder (now in Item); false after
    // Cancel, with Item as it was.
    bool BrowseIt(QWidget* caller);

    // Replaces the name prompt (tests answer it without a window).
    void setPrompt(Prompt prompt) { m_prompt = std::move(prompt); }

    // Called with each browser window before it runs (tests drive it).
    std::function<void(FolderBrowserDialog&)> onDialogShown;

private:
    // Creates the folder the user names inside `current`; true when made
    // (Item then names it).
    bool createNewFolder(QWidget* dialog, const QString& current);

    Prompt m_prompt;
};

} // namespace controls
