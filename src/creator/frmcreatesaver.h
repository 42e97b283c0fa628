#pragma once
// frmCreateSaver: whether the package carries the runtime's shared
// libraries. Only its three buttons close it: the window has no Close
// command and Esc does nothing.

#include <QDialog>

class QLabel;
class QPushButton;

namespace creator {

enum RuntimeChoice { WithRuntimes = 0, WithoutRuntimes = 1, CancelledChoice = 2 };

class frmCreateSaver : public QDialog {
    Q_OBJECT
public:
    explicit frmCreateSaver(QWidget* owner = nullptr);

    RuntimeChoice choice() const { return m_choice; }

    QPushButton* cmdWithRuntimes() const { return m_with; }
    QPushButton* cmdWithoutRuntimes() const { return m_without; }
    QPushButton* cmdCancel() const { return m_cancel; }
    QLabel* Label1() const { return m_label1; }
    QLabel* Label2() const { return m_label2; }

    static RuntimeChoice ask(QWidget* owner);

    // Where the link label leads.
    static QString homepage();

public Q_SLOTS:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void choose(RuntimeChoice choice);

    QPushButton* m_with = nullptr;
    QPushButton* m_without = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    RuntimeChoice m_choice = CancelledChoice;
    bool m_chosen = false;
};

} // namespace creator
