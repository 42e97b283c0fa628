#pragma once
// frmNameSS: asks for the personalized saver's file name. Digits never get
// into the box; OK refuses a full path with a message and otherwise turns the
// text into a ".scr" name (namerules.h).

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace creator {

class frmNameSS : public QDialog {
    Q_OBJECT
public:
    explicit frmNameSS(QWidget* owner = nullptr);

    // The name confirmed with OK; empty after Cancel or a close.
    QString SaverFileName() const { return m_saverFileName; }

    QLineEdit* Text1() const { return m_text; }
    QPushButton* Command1() const { return m_ok; }
    QPushButton* Command2() const { return m_cancel; }

    // Shows the dialog modally over `owner` and returns the file name, or ""
    // when the user cancelled.
    static QString ask(QWidget* owner);

private:
    void Text1_Edited(const QString& text);
    void Command1_Click();
    void Command2_Click();

    QLineEdit* m_text = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QString m_saverFileName;
};

} // namespace creator
