#pragma once
// pSpinEdit: a one-line numeric entry (txtValue) beside a narrow vertical
// scroll bar (scrValue) whose arrow buttons step the number. The number lives
// in the scroll bar; the text box shows it.
//
// Typing accepts digits and backspace only. Each edit is read at once,
// raised to the next multiple of Increment and clamped into Min..Max; the text
// stays as typed until the box loses the focus. The Up arrow key and the
// scroll bar's top button lower the number, Down raises it (the scroll bar's
// own direction: its top end is Min). Change is emitted after every change
// made by the user; setting Value from code does not emit it.

#include <QColor>
#include <QWidget>

class QLineEdit;
class QScrollBar;

namespace controls {

class pSpinEdit : public QWidget {
    Q_OBJECT
public:
    explicit pSpinEdit(QWidget* parent = nullptr);

    qint16 Value() const;
    // Accepted only within Min..Max; other values are ignored.
    void setValue(int value);
    qint16 Min() const;
    void setMin(int value);
    qint16 Max() const;
    // Also limits the text box to as many characters as Max has digits.
    void setMax(int value);
    qint16 Increment() const;
    void setIncrement(int value);
    QColor ForeColor() const;
    void setForeColor(const QColor& color);
    QColor BackColor() const;
    void setBackColor(const QColor& color);
    // Enabled and Font are QWidget's own properties: they reach both parts.

    QLineEdit* txtValue() const { return m_text; }
    QScrollBar* scrValue() const { return m_bar; }

    // The number that typing `text` sets: rounded, raised to the next multiple
    // of `increment` when it is not one, clamped into min..max. An empty text
    // counts as 0. An increment below 1 counts as 1.
    static int typedValue(const QString& text, int min, int max, int increment);

Q_SIGNALS:
    void Change();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void writeText();
    void onTextEdited(const QString& text);
    void onBarValueChanged(int value);
    void setBarValue(int value);
    void updateMaxLength();

    QLineEdit* m_text;
    QScrollBar* m_bar;
    bool m_programmatic = false;
};

} // namespace controls
