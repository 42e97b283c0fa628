#include "controls/mhbrowse.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "store/messages.h"

namespace controls {

namespace {

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder.append(QLatin1Char('/'));
    return folder;
}

bool defaultPrompt(QWidget* parent, const QString& title, const QString& label,
                   const QString& defaultText, QString* answer)
{
    bool ok = false;
    *answer = QInputDialog::getText(parent, title, label, QLineEdit::Normal, defaultText, &ok);
    return ok;
}

} // namespace

FolderBrowserDialog::FolderBrowserDialog(const QString& title, const QString& rootFolder,
                                         bool newFolderButton, QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("FolderBrowser"));
    setWindowTitle(QStringLiteral("Browse for Folder"));
    auto* prompt = new QLabel(title);
    prompt->setWordWrap(true);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setReadOnly(true);
    m_model->setRootPath(rootFolder);
    m_tree = new QTreeView;
    m_tree->setObjectName(QStringLiteral("folderTree"));
    m_tree->setModel(m_model);
    m_tree->setRootIndex(m_model->index(rootFolder));
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->header()->hide();
    m_tree->setMinimumSize(320, 280);

    m_ok = new QPushButton(QStringLiteral("OK"));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    if (newFolderButton) {
        m_newFolder = new QPushButton(QStringLiteral("New Folder"));
        m_newFolder->setObjectName(QStringLiteral("picNewFolder"));
        m_newFolder->setAutoDefault(false);
        buttons->addWidget(m_newFolder);
        connect(m_newFolder, &QPushButton::clicked, this,
                &FolderBrowserDialog::newFolderRequested);
    }
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) {
                m_current = index.isValid() ? withSlash(m_model->filePath(index)) : QString();
                m_ok->setEnabled(!m_current.isEmpty());
            });
    m_ok->setEnabled(false);
}

void FolderBrowserDialog::selectFolder(const QString& folder)
{
    QString path = folder;
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const QModelIndex index = m_model->index(path);
    if (!index.isValid())
        return;
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
    m_tree->expand(index);
}

bool MHBrowse::BrowseIt(QWidget* caller)
{
    for (;;) {
        bool newFolderMade = false;
        FolderBrowserDialog dialog(Title, QStringLiteral("/"), NewFolder, caller);
        if (!Item.isEmpty())
            dialog.selectFolder(Item);
        else
            dialog.selectFolder(Folder == 0 ? QDir::homePath() : QStringLiteral("/"));
        QObject::connect(&dialog, &FolderBrowserDialog::newFolderRequested, &dialog, [&] {
            if (createNewFolder(&dialog, dialog.currentFolder())) {
                newFolderMade = true;
                dialog.reject();
            }
        });
        if (onDialogShown)
            onDialogShown(dialog);
        const int result = dialog.exec();
        if (newFolderMade)
            continue; // open again, now at the new folder
        if (result != QDialog::Accepted || dialog.currentFolder().isEmpty())
            return false;
        QString chosen = dialog.currentFolder();
        if (chosen.size() > 1)
            chosen.chop(1);
        Item = chosen;
        return true;
    }
}

bool MHBrowse::createNewFolder(QWidget* dialog, const QString& current)
{
    if (current.isEmpty())
        return false;
    QString name;
    const Prompt& prompt = m_prompt ? m_prompt : Prompt(defaultPrompt);
    if (!prompt(dialog, NewFolderTitle, QStringLiteral("Enter New Folder Name"),
                QStringLiteral("New Folder"), &name)
        || name.isEmpty())
        return false;
    if (name.startsWith(QLatin1Char('\\')) || name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    const QString path = current + name;
    if (name.isEmpty() || !QDir().mkdir(path)) {
        store::messageBox(QStringLiteral("Error creating ") + path,
                          {store::MsgButtons::Ok, store::MsgIcon::Critical, NewFolderTitle});
        return false;
    }
    Item = path;
    return true;
}

} // namespace controls
