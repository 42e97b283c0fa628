#include "app/placeholderwindows.h"

#include <cstdio>

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dispatcher.h"
#include "store/settings.h"

namespace app {

QColor colorFromStored(const QString& text)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok || v < 0 || v > 0xFFFFFF)
        return Qt::black;
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

PlaceholderShowWindow::PlaceholderShowWindow(const Mode& mode)
    : m_background(colorFromStored(
          store::getSetting(QStringLiteral("Background Color"), QStringLiteral("0"), true))),
      m_endsOnInput(mode.kind == ModeKind::Show)
{
    setWindowTitle(QString::fromLatin1(kShowCaption));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlaceholderShowWindow::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), m_background);
}

void PlaceholderShowWindow::keyPressEvent(QKeyEvent* event)
{
    if (m_endsOnInput)
        close();
    else
        QWidget::keyPressEvent(event);
}

void PlaceholderShowWindow::mousePressEvent(QMouseEvent* event)
{
    if (m_endsOnInput)
        close();
    else
        QWidget::mousePressEvent(event);
}

PlaceholderConfigWindow::PlaceholderConfigWindow(const QString& caption, const Mode& mode)
    : m_requests(new QListWidget(this))
{
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(caption, this));
    layout->addWidget(m_requests);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(close);
    if (!mode.projectPath.isEmpty())
        m_requests->addItem(mode.projectPath);
    resize(480, 320);
}

void PlaceholderConfigWindow::receive(const QString& message)
{
    if (message == QLatin1String("[Restore App]"))
        return;
    m_requests->addItem(message);
    std::fprintf(stderr, "%s: project forwarded: %s\n", qPrintable(windowTitle()),
                 qPrintable(message));
    std::fflush(stderr);
}

QStringList PlaceholderConfigWindow::received() const
{
    QStringList items;
    for (int i = 0; i < m_requests->count(); ++i)
        items << m_requests->item(i)->text();
    return items;
}

} // namespace app
