#include "controls/pspinedit.h"

#include <cmath>

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTimer>

namespace controls {

pSpinEdit::pSpinEdit(QWidget* parent)
    : QWidget(parent), m_text(new QLineEdit(this)), m_bar(new QScrollBar(Qt::Vertical, this))
{
    m_text->setObjectName("txtValue");
    m_bar->setObjectName("scrValue");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_bar);
    m_bar->setFixedWidth(16);
    // Only the two arrow buttons: the bar is as high as the text box.
    m_bar->setFixedHeight(m_text->sizeHint().height());
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_bar->setRange(0, 100);
    m_bar->setSingleStep(1);
    m_bar->setPageStep(1);
    // Pasted text must obey the same rule as typed keys.
    m_text->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_text));
    m_text->installEventFilter(this);
    setFocusProxy(m_text);

    connect(m_text, &QLineEdit::textEdited, this, &pSpinEdit::onTextEdited);
    connect(m_bar, &QScrollBar::valueChanged, this, &pSpinEdit::onBarValueChanged);
    updateMaxLength();
    writeText();
}

qint16 pSpinEdit::Value() const { return qint16(m_bar->value()); }

void pSpinEdit::setValue(int value)
{
    if (value < m_bar->minimum() || value > m_bar->maximum())
        return;
    setBarValue(value);
    writeText();
}

qint16 pSpinEdit::Min() const { return qint16(m_bar->minimum()); }
void pSpinEdit::setMin(int value)
{
    m_programmatic = true;
    m_bar->setMinimum(value);
    m_programmatic = false;
    writeText();
}

qint16 pSpinEdit::Max() const { return qint16(m_bar->maximum()); }
void pSpinEdit::setMax(int value)
{
    m_programmatic = true;
    m_bar->setMaximum(value);
    m_programmatic = false;
    updateMaxLength();
    writeText();
}

qint16 pSpinEdit::Increment() const { return qint16(m_bar->singleStep()); }
void pSpinEdit::setIncrement(int value)
{
    m_bar->setSingleStep(value);
    m_bar->setPageStep(value);
}

QColor pSpinEdit::ForeColor() const { return m_text->palette().color(QPalette::Text); }
void pSpinEdit::setForeColor(const QColor& color)
{
    QPalette p = m_text->palette();
    p.setColor(QPalette::Text, color);
    m_text->setPalette(p);
}

QColor pSpinEdit::BackColor() const { return m_text->palette().color(QPalette::Base); }
void pSpinEdit::setBackColor(const QColor& color)
{
    QPalette p = m_text->palette();
    p.setColor(QPalette::Base, color);
    m_text->setPalette(p);
}

int pSpinEdit::typedValue(const QString& text, int min, int max, int increment)
{
    const int inc = increment < 1 ? 1 : increment;
    bool ok = false;
    double number = text.trimmed().toDouble(&ok);
    if (!ok)
        number = 0;
    // The text holds digits only, so it is never negative; the cap keeps a
    // long run of digits from overflowing.
    long long v = std::llround(std::min(number, 1e9));
    if (v % inc != 0)
        v = (v / inc) * inc + inc;
    if (v < min)
        v = min;
    if (v > max)
        v = max;
    return int(v);
}

void pSpinEdit::onTextEdited(const QString& text)
{
    setBarValue(typedValue(text, m_bar->minimum(), m_bar->maximum(), m_bar->singleStep()));
    Q_EMIT Change();
}

void pSpinEdit::onBarValueChanged(int)
{
    if (m_programmatic)
        return;
    // The user clicked an arrow button (or dragged, or turned the wheel).
    writeText();
    m_text->selectAll();
    Q_EMIT Change();
}

void pSpinEdit::setBarValue(int value)
{
    m_programmatic = true;
    m_bar->setValue(value);
    m_programmatic = false;
}

void pSpinEdit::writeText() { m_text->setText(QString::number(m_bar->value())); }

void pSpinEdit::updateMaxLength()
{
    m_text->setMaxLength(int(QString::number(m_bar->maximum()).size()));
}

bool pSpinEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_text)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        const int step = m_bar->singleStep();
        if (key->key() == Qt::Key_Up) {
            const int v = m_bar->value() - step;
            setBarValue(v >= m_bar->minimum() ? v : m_bar->minimum());
            writeText();
            Q_EMIT Change();
            return true;
        }
        if (key->key() == Qt::Key_Down) {
            const int v = m_bar->value() + step;
            setBarValue(v <= m_bar->maximum() ? v : m_bar->maximum());
            writeText();
            Q_EMIT Change();
            return true;
        }
        const QString text = key->text();
        if (text.isEmpty() || key->key() == Qt::Key_Backspace)
            return false; // navigation, deletion and shortcuts go on
        const QChar c = text.front();
        if (c.isPrint() && !(c >= '0' && c <= '9'))
            return true; // swallowed
        return false;
    }
    case QEvent::FocusOut:
        writeText();
        break;
    case QEvent::FocusIn:
        // After the click that gave the focus has placed the cursor.
        QTimer::singleShot(0, m_text, &QLineEdit::selectAll);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void pSpinEdit::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_text->setFont(font());
        m_bar->setFixedHeight(m_text->sizeHint().height());
    }
    QWidget::changeEvent(event);
}

} // namespace controls
