#include "sfx/installerwindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "archive/resultcode.h"
#include "store/messages.h"

namespace sfx {

namespace {

QString text(const QMap<int, QString>& texts, int index) { return texts.value(index); }

} // namespace

InstallerWindow::InstallerWindow(PackageInstaller& installer, const QString& iconPath,
                                 QWidget* parent)
    : QDialog(parent), m_installer(installer)
{
    const archive::PackageSetup& setup = installer.setup();
    setObjectName(QStringLiteral("InstallerWindow"));
    setWindowTitle(text(setup.strings, 1));
    if (!iconPath.isEmpty())
        setWindowIcon(QIcon(iconPath));

    auto* welcome = new QLabel(QString(text(setup.messages, 3)).replace(QStringLiteral("\r\n"),
                                                                        QStringLiteral("\n")));
    welcome->setObjectName(QStringLiteral("welcome"));
    welcome->setWordWrap(true);
    welcome->setMinimumWidth(460);

    m_destination = new QLineEdit(installer.defaultDestination());
    m_destination->setObjectName(QStringLiteral("destination"));
    auto* browse = new QPushButton(QStringLiteral("Browse..."));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QString(),
                                                                 m_destination->text());
        if (!folder.isEmpty())
            m_destination->setText(folder);
    });
    m_file = new QLabel;
    m_file->setObjectName(QStringLiteral("file"));
    m_bar = new QProgressBar;
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_install = new QPushButton(QStringLiteral("&Install"));
    m_install->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(text(setup.strings, 2)), 0, 0);
    auto* destRow = new QHBoxLayout;
    destRow->addWidget(m_destination, 1);
    destRow->addWidget(browse);
    grid->addLayout(destRow, 0, 1);
    grid->addWidget(new QLabel(text(setup.messages, 12)), 1, 0);
    grid->addWidget(m_file, 1, 1);
    grid->addWidget(new QLabel(text(setup.strings, 0)), 2, 0);
    grid->addWidget(m_bar, 2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_install);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(welcome);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(m_install, &QPushButton::clicked, this, &InstallerWindow::install);
    connect(m_cancel, &QPushButton::clicked, this, &InstallerWindow::reject);
}

bool InstallerWindow::confirmAbort()
{
    return store::messageBox(text(m_installer.setup().messages, 9),
                             {store::MsgButtons::YesNo, store::MsgIcon::Question,
                              text(m_installer.setup().strings, 1)}) == store::MsgAnswer::Yes;
}

void InstallerWindow::reject()
{
    if (m_running) {
        if (confirmAbort())
            m_abort = true;
        return;
    }
    QDialog::reject();
}

void InstallerWindow::install()
{
    const QString title = text(m_installer.setup().strings, 1);
    const QString dest = m_destination->text().trimmed();
    const QStringList clashes = m_installer.clashes(dest);
    if (!clashes.isEmpty()) {
        const QString question =
            QStringLiteral("Installing here would replace files of another screen saver:\n\n") +
            clashes.join(u'\n') +
            QStringLiteral("\n\nThat screen saver would stop working.  Install anyway?");
        if (store::messageBox(question, store::MsgOptions{store::MsgButtons::YesNo,
                                                          store::MsgIcon::Exclamation, title}
                                            .withDefault(store::MsgDefault::Second)) !=
            store::MsgAnswer::Yes)
            return;
    }
    m_running = true;
    m_install->setEnabled(false);
    m_destination->setEnabled(false);
    QString error;
    const int code = m_installer.install(dest, [this](const InstallProgress& p) {
        m_file->setText(p.file);
        m_bar->setValue(p.percent);
        QApplication::processEvents();
        return !m_abort;
    }, &error);
    m_running = false;
    if (code == archive::kSuccess) {
        m_installed = true;
        store::messageBox(QString(text(m_installer.setup().messages, 0))
                              .replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                          {store::MsgButtons::Ok, store::MsgIcon::Information, title});
        accept();
        return;
    }
    if (!m_abort)
        store::messageBox(QStringLiteral("The screen saver could not be installed.\n\n") + error +
                              QStringLiteral("  Error Code:  ") + QString::number(code),
                          {store::MsgButtons::Ok, store::MsgIcon::Critical, title});
    QDialog::reject();
}

} // namespace sfx
