#include "app/placeholderwindows.h"

#include <cstdio>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

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
