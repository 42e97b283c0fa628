#pragma once
// frmSettings of the personalized saver: the recipient's settings dialog. It
// shows the bundle's media list with a preview, lets the recipient reorder
// (by dragging within the list) and set the interval, test the saver, make
// it the active screen saver and put the selected picture on the desktop.
//
// "&Accept" writes the list as the recipient ordered it beside the program
// ("zem-" + program name + ".ini"); the runtime's show walks that list in
// place of the bundle's own from then on, so the reordering reaches the
// show. The interval goes to the shared setting "Screen Saver Timeout".

#include <QMainWindow>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace show {
class PendingFiles;
}

namespace runtime {

// What the dialog reads: the folder its bundle was unpacked into, the files
// still on their way there, and the program it belongs to.
struct SettingsContext {
    QString dataFolder; // ends in "/"
    show::PendingFiles* pending = nullptr;
    QString programPath;
};

class frmSettings : public QMainWindow {
    Q_OBJECT
public:
    explicit frmSettings(const SettingsContext& context, QWidget* parent = nullptr);

    // lstHidden: the list's paths as the list file names them, in list order.
    QStringList lstHidden() const;
    // The path of the picture the preview shows now ("" for none).
    QString previewPath() const { return m_previewPath; }
    // Where "&Accept" writes.
    QString acceptedListPath() const;
    // The saver file the Test and Set as Active commands use.
    QString saverFile() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadList();
    void preview();
    void fileMenuOpening();
    void cmdAccept_Click();
    void mnuTestSaver_Click();
    void mnuSetSS_Click();
    void mnuSetWallpaper_Click();
    void mnuHelpFile_Click();
    QString resolved(const QString& line) const;

    SettingsContext m_context;
    QString m_title; // the program name
    QString m_previewPath;
    bool m_unloaded = false;

    QListWidget* m_list = nullptr; // lstPics; each item holds its lstHidden path
    QLabel* m_preview = nullptr;   // LEAD1
    QCheckBox* m_check1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPushButton* m_accept = nullptr;
    QPushButton* m_cancel = nullptr;
    QAction* m_testSaver = nullptr;
    QAction* m_setSS = nullptr;
    QAction* m_setWallpaper = nullptr;
};

} // namespace runtime
