#include "creator/progresswindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace creator {

frmAPB::frmAPB() : QWidget(nullptr, Qt::Window)
{
    setObjectName(QStringLiteral("frmAPB"));
    m_animation = new QLabel;
    m_animation->setObjectName(QStringLiteral("Ani1"));
    m_animation->setFixedSize(160, 52);
    m_movie = new QMovie(this);
    m_animation->setMovie(m_movie);
    m_msg1 = new QLabel(QStringLiteral("Message 1"));
    m_msg1->setObjectName(QStringLiteral("Msg1"));
    m_msg2 = new QLabel(QStringLiteral("Message 2"));
    m_msg2->setObjectName(QStringLiteral("Msg2"));
    m_bar = new QProgressBar;
    m_bar->setObjectName(QStringLiteral("pb1"));
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    m_cancel = new QPushButton(QStringLiteral("Cancel"));
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_bar, 1);
    bottom->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_animation, 0, Qt::AlignHCenter);
    layout->addWidget(m_msg1);
    layout->addWidget(m_msg2);
    layout->addLayout(bottom);
    setMinimumWidth(380);

    connect(m_cancel, &QPushButton::clicked, this, &frmAPB::cmdCancel_Click);
}

void frmAPB::play(const QString& clip)
{
    // Played straight from the program's resources: nothing is written next
    // to the program, whose folder may well be read-only.
    m_movie->stop();
    m_movie->setFileName(QStringLiteral(":/creator/%1.gif").arg(clip.toLower()));
    m_movie->start();
}

void frmAPB::cmdCancel_Click()
{
    if (m_owner)
        m_owner->GenerateCancel();
    closeFromCode();
}

void frmAPB::closeFromCode()
{
    m_closingFromCode = true;
    close();
    m_closingFromCode = false;
}

void frmAPB::closeEvent(QCloseEvent* event)
{
    if (!m_closingFromCode && m_owner)
        m_owner->GenerateCancel();
    m_movie->stop();
    if (m_owner)
        m_owner->windowClosed();
    event->accept();
}

AnimatedProgressBar::AnimatedProgressBar(QWidget* editor) : m_editor(editor) {}

AnimatedProgressBar::~AnimatedProgressBar()
{
    if (m_window) {
        m_window->AssignOwner(nullptr);
        delete m_window;
    }
    if (m_editor)
        m_editor->setEnabled(true);
}

void AnimatedProgressBar::Init(const QString& formCaption, const QString& msg1,
                               const QString& msg2, const QString& clip, int min, int max)
{
    m_canceled = false;
    if (!m_window)
        m_window = new frmAPB;
    m_window->AssignOwner(this);
    m_window->setWindowTitle(formCaption);
    m_window->Msg1()->setText(msg1);
    m_window->Msg2()->setText(msg2);
    m_window->play(clip);
    m_window->pb1()->setRange(min, max);
    m_window->pb1()->setValue(min);
    Show();
}

QString AnimatedProgressBar::Caption() const { return m_window ? m_window->windowTitle() : QString(); }
void AnimatedProgressBar::setCaption(const QString& text)
{
    if (m_window)
        m_window->setWindowTitle(text);
}
QString AnimatedProgressBar::Msg1() const { return m_window ? m_window->Msg1()->text() : QString(); }
void AnimatedProgressBar::setMsg1(const QString& text)
{
    if (m_window)
        m_window->Msg1()->setText(text);
}
QString AnimatedProgressBar::Msg2() const { return m_window ? m_window->Msg2()->text() : QString(); }
void AnimatedProgressBar::setMsg2(const QString& text)
{
    if (m_window)
        m_window->Msg2()->setText(text);
}
int AnimatedProgressBar::Min() const { return m_window ? m_window->pb1()->minimum() : 0; }
void AnimatedProgressBar::setMin(int value)
{
    if (m_window)
        m_window->pb1()->setMinimum(value);
}
int AnimatedProgressBar::Max() const { return m_window ? m_window->pb1()->maximum() : 0; }
void AnimatedProgressBar::setMax(int value)
{
    if (m_window)
        m_window->pb1()->setMaximum(value);
}
int AnimatedProgressBar::Value() const { return m_window ? m_window->pb1()->value() : 0; }

void AnimatedProgressBar::setValue(int value)
{
    if (!m_window || value < Min() || value > Max())
        return;
    m_window->pb1()->setValue(value);
}

void AnimatedProgressBar::Show()
{
    if (!m_window)
        return;
    m_window->show();
    m_window->raise();
    if (m_editor)
        m_editor->setEnabled(false);
}

void AnimatedProgressBar::Terminate()
{
    if (m_window && m_window->isVisible())
        m_window->closeFromCode();
}

void AnimatedProgressBar::windowClosed()
{
    if (m_editor)
        m_editor->setEnabled(true);
}

} // namespace creator
