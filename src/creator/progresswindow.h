#pragma once
// The creator's progress display: frmAPB is the window (an animation, two
// lines of text, a bar and Cancel); AnimatedProgressBar is what callers use.
// The window never stops any work itself: the caller polls
// UserHasCanceled() and lets events run so that Cancel can be pressed.
//
//   closed --Init--> open (owner disabled, animation playing)
//     open --Cancel or the window's Close--> closed, cancel flag set
//     open --Terminate--> closed
// Every way of closing re-enables the owner and stops the animation. The flag
// stays set until the next Init.

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QMovie;
class QProgressBar;
class QPushButton;

namespace creator {

class AnimatedProgressBar;

class frmAPB : public QWidget {
    Q_OBJECT
public:
    frmAPB();

    void AssignOwner(AnimatedProgressBar* owner) { m_owner = owner; }

    QLabel* Ani1() const { return m_animation; }
    QProgressBar* pb1() const { return m_bar; }
    QLabel* Msg1() const { return m_msg1; }
    QLabel* Msg2() const { return m_msg2; }
    QPushButton* cmdCancel() const { return m_cancel; }
    QMovie* movie() const { return m_movie; }

    void play(const QString& clip);
    // Closes the window as code does: no cancel.
    void closeFromCode();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdCancel_Click();

    QLabel* m_animation = nullptr;
    QMovie* m_movie = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_msg1 = nullptr;
    QLabel* m_msg2 = nullptr;
    QPushButton* m_cancel = nullptr;
    AnimatedProgressBar* m_owner = nullptr;
    bool m_closingFromCode = false;
};

class AnimatedProgressBar {
public:
    // `editor`: the window disabled while the progress window is up.
    explicit AnimatedProgressBar(QWidget* editor);
    ~AnimatedProgressBar();

    // Opens the window with the animation `clip` (a resource of the program,
    // "FILECOPY"), the bar at `min` in min..max.
    void Init(const QString& formCaption, const QString& msg1, const QString& msg2,
              const QString& clip, int min, int max);

    QString Caption() const;
    void setCaption(const QString& text);
    QString Msg1() const;
    void setMsg1(const QString& text);
    QString Msg2() const;
    void setMsg2(const QString& text);
    int Min() const;
    void setMin(int value);
    int Max() const;
    void setMax(int value);
    int Value() const;
    // A value outside Min..Max is ignored.
    void setValue(int value);
    bool UserHasCanceled() const { return m_canceled; }

    void GenerateCancel() { m_canceled = true; }
    void Show();
    void Terminate();

    frmAPB* window() const { return m_window; }
    // Called by the window whenever it closes.
    void windowClosed();

private:
    QPointer<QWidget> m_editor;
    frmAPB* m_window = nullptr;
    bool m_canceled = false;
};

} // namespace creator
