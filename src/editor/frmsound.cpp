#include "editor/frmsound.h"

#include <algorithm>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "editor/helpmanual.h"
#include "editor/projectfiles.h"
#include "media/mcicommand.h"
#include "media/soundplayer.h"
#include "store/messages.h"
#include "store/paths.h"
#include "store/listfile.h"
#include "store/settings.h"

namespace editor {

namespace {

const char* const kCaption = "Background Sound Configuration";

QString setting(const char* name, const QString& defaultValue)
{
    return store::getSetting(QString::fromLatin1(name), defaultValue, true);
}

bool showHScroll()
{
    return setting("Show Horizontal Scroll", QStringLiteral("False"))
               .trimmed()
               .compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

void deleteSoundList()
{
    const QString path = soundListPath();
    if (QFile::exists(path))
        QFile::remove(path);
}

} // namespace

QString soundListPath() { return store::windowsDir(true) + QLatin1String(kSoundListName); }

QStringList mp3PreviewCommands(const QString& path)
{
    return {QStringLiteral("close mp"),
            QStringLiteral("open \"") + path + QStringLiteral("\" alias mp wait"),
            QStringLiteral("play mp")};
}

// --- frmSound ----------------------------------------------------------------------

frmSound::frmSound(QWidget* owner)
    : QDialog(owner), m_list1(new QListWidget(this)), m_player(new media::SoundPlayer(this))
{
    setObjectName("frmSound");
    setWindowTitle(QString::fromLatin1(kCaption));

    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName("mnuFile");
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName("mnuExit");
    exit->setText(QStringLiteral("E&xit") + QLatin1Char('\t') + QStringLiteral("Alt+F4"));
    connect(exit, &QAction::triggered, this, &QDialog::reject);
    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName("mnuEdit");
    QAction* add = edit->addAction(QStringLiteral("&Add"));
    add->setObjectName("mnuAdd");
    connect(add, &QAction::triggered, this, &frmSound::cmdAdd_Click);
    QAction* remove = edit->addAction(QStringLiteral("&Remove"));
    remove->setObjectName("mnuRemove");
    connect(remove, &QAction::triggered, this, &frmSound::cmdRemove_Click);
    edit->addSeparator();
    QAction* up = edit->addAction(QStringLiteral("Move &Up"));
    up->setObjectName("mnuMoveUp");
    connect(up, &QAction::triggered, this, &frmSound::mnuMoveUp_Click);
    QAction* down = edit->addAction(QStringLiteral("Move &Down"));
    down->setObjectName("mnuMoveDown");
    connect(down, &QAction::triggered, this, &frmSound::mnuMoveDown_Click);
    connect(edit, &QMenu::aboutToShow, this, &frmSound::mnuEdit_Click);

    auto* label = new QLabel(QStringLiteral("Background Sound Files:"), this);
    label->setBuddy(m_list1);
    m_list1->setObjectName("List1");
    m_list1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_list1, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { List1_DblClick(m_list1->row(item)); });

    m_cmdAdd = new QPushButton(QStringLiteral("&Add"), this);
    m_cmdAdd->setObjectName("cmdAdd");
    m_cmdRemove = new QPushButton(QStringLiteral("&Remove"), this);
    m_cmdRemove->setObjectName("cmdRemove");
    m_cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    m_cmdOK->setObjectName("cmdOK");
    m_cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cmdCancel->setObjectName("cmdCancel");
    for (QPushButton* b : {m_cmdAdd, m_cmdRemove, m_cmdOK, m_cmdCancel})
        b->setAutoDefault(false);
    connect(m_cmdAdd, &QPushButton::clicked, this, &frmSound::cmdAdd_Click);
    connect(m_cmdRemove, &QPushButton::clicked, this, &frmSound::cmdRemove_Click);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmSound::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdAdd);
    buttons->addWidget(m_cmdRemove);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    auto* row = new QHBoxLayout;
    row->addWidget(m_list1, 1);
    row->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(bar);
    outer->addWidget(label);
    outer->addLayout(row, 1);
    resize(460, 300);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &frmSound::showHelp);
    auto* altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(altF4, &QShortcut::activated, this, &QDialog::reject);

    // Load: the stored list, without lines naming files that have gone.
    if (const std::optional<QByteArray> bytes = readWholeFile(soundListPath())) {
        QVector<MediaEntry> entries;
        for (const QString& path : projectEntries(store::splitListLines(*bytes), store::FileExists))
            entries.push_back({displayName(path), path});
        m_list.append(entries);
    }
    refreshList(-1);
    if (!m_list.isEmpty())
        applyHScroll();
    m_state = kSoundListEditing;
}

frmSound::~frmSound() { stopPreview(); }

QAction* frmSound::menuItem(const QString& name) const { return findChild<QAction*>(name); }

void frmSound::refreshList(int select)
{
    m_list1->clear();
    m_list1->addItems(m_list.names());
    if (select >= 0 && select < m_list1->count()) {
        m_list1->setCurrentRow(select, QItemSelectionModel::ClearAndSelect);
        m_list1->scrollToItem(m_list1->item(select));
    }
}

void frmSound::applyHScroll()
{
    if (showHScroll())
        m_list1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void frmSound::addEntries(const QVector<MediaEntry>& entries)
{
    const int current = m_list1->currentRow();
    m_list.append(entries);
    refreshList(-1);
    if (current >= 0 && current < m_list1->count())
        m_list1->setCurrentRow(current, QItemSelectionModel::NoUpdate);
}

void frmSound::cmdAdd_Click()
{
    controls::clsCommonDialog& dlg = m_dialog;
    dlg.CancelError = false;
    dlg.DialogTitle = QStringLiteral("Select Background Sound File(s):");
    dlg.FileName.clear();
    dlg.Filter = QString::fromLatin1(kSoundFilter);
    dlg.FilterIndex = 1;
    dlg.hwnd = this;
    dlg.Flags = kSoundAddFlags;
    dlg.InitDir = setting("Background Sound Add Dialog Path", QDir::currentPath());
    dlg.MaxFileSize = 8096;
    dlg.ShowOpen();
    const QString result = dlg.FileName;
    if (result.isEmpty())
        return;
    if (result.contains(QChar(0))) {
        AddSoundFiles(result);
    } else {
        store::saveSetting(QStringLiteral("Background Sound Add Dialog Path"),
                           QFileInfo(result).absolutePath(), true);
        addEntries({{displayName(result), result}});
    }
    applyHScroll();
}

void frmSound::AddSoundFiles(const QString& buffer)
{
    const QStringList paths = controls::clsCommonDialog::splitMultiSelection(buffer);
    QVector<MediaEntry> entries;
    for (const QString& path : paths) {
        entries.push_back({displayName(path), path});
        store::saveSetting(QStringLiteral("Background Sound Add Dialog Path"),
                           QFileInfo(path).absolutePath(), true);
    }
    addEntries(entries);
}

void frmSound::cmdRemove_Click()
{
    if (m_list.isEmpty()) {
        store::messageBox(QStringLiteral("No files are currently in your list to remove."),
                          {store::MsgButtons::Ok, store::MsgIcon::Information});
        return;
    }
    QVector<int> selected;
    for (const QModelIndex& index : m_list1->selectionModel()->selectedRows())
        selected.push_back(index.row());
    if (selected.isEmpty())
        return;
    const int next = m_list.removeSelected(selected);
    refreshList(next);
}

void frmSound::mnuEdit_Click()
{
    const int selected = int(m_list1->selectionModel()->selectedRows().size());
    menuItem("mnuMoveUp")->setEnabled(selected == 1);
    menuItem("mnuMoveDown")->setEnabled(selected == 1);
    menuItem("mnuRemove")->setEnabled(selected >= 1);
}

void frmSound::mnuMoveUp_Click()
{
    const int target = m_list.moveUp(m_list1->currentRow());
    if (target >= 0)
        refreshList(target);
}

void frmSound::mnuMoveDown_Click()
{
    const int target = m_list.moveDown(m_list1->currentRow());
    if (target >= 0)
        refreshList(target);
}

void frmSound::List1_DblClick(int row)
{
    if (row < 0 || row >= m_list.count())
        return;
    const QString path = m_list.at(row).path;
    media::mciSendString(QStringLiteral("close mp"));
    m_mp3Open = false;
    if (QFileInfo(path).suffix().compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0) {
        for (const QString& command : mp3PreviewCommands(path).mid(1))
            media::mciSendString(command);
        m_mp3Open = true;
        return;
    }
    if (m_player->isPlaying())
        m_player->stop();
    m_player->close();
    m_player->setDeviceType(QString());
    m_player->setFileName(path);
    m_player->open();
    if (m_player->error() == 0)
        m_player->play();
}

void frmSound::stopPreview()
{
    if (m_mp3Open) {
        media::mciSendString(QStringLiteral("close mp"));
        m_mp3Open = false;
    }
    if (m_player->isPlaying())
        m_player->stop();
    m_player->close();
}

void frmSound::cmdOK_Click()
{
    const QString path = soundListPath();
    if (!m_list.isEmpty()) {
        if (!writeFileAtomically(path, formatProject(m_list.paths()))) {
            // The list stays open, so that nothing chosen is lost.
            store::messageBox(
                QStringLiteral("The background sound list could not be written to '%1'.")
                    .arg(path),
                {store::MsgButtons::Ok, store::MsgIcon::Exclamation});
            return;
        }
        m_state = kSoundListSaved;
    } else {
        deleteSoundList();
        m_state = kSoundListEmptied;
    }
    accept();
}

void frmSound::done(int result)
{
    stopPreview();
    QDialog::done(result);
}

void frmSound::showHelp() { openHelpManual(QString::fromLatin1(kSoundHelpSection)); }

// --- frmSoundDialog ----------------------------------------------------------------

frmSoundDialog::frmSoundDialog(QWidget* owner) : QDialog(owner)
{
    setObjectName("frmSoundDialog");
    setWindowTitle(QString::fromLatin1(kCaption));
    // No Close command: the question is answered with a button (or Esc).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* label = new QLabel(
        QStringLiteral("Would you like to edit your existing background sound configuration or "
                       "disable background sound from your screen saver setup?"),
        this);
    label->setWordWrap(true);
    auto* edit = new QPushButton(QStringLiteral("&Edit"), this);
    edit->setObjectName("Command1");
    edit->setDefault(true);
    auto* disable = new QPushButton(QStringLiteral("&Disable"), this);
    disable->setObjectName("Command2");
    connect(edit, &QPushButton::clicked, this, [this] {
        m_choice = Edit;
        accept();
    });
    connect(disable, &QPushButton::clicked, this, [this] {
        deleteSoundList();
        m_choice = Disable;
        accept();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(edit);
    buttons->addWidget(disable);
    buttons->addStretch(1);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(label);
    outer->addLayout(buttons);
    setFixedWidth(420);
}

// --- the menu item -----------------------------------------------------------------

BackgroundSoundResult backgroundSoundCommand(QWidget* owner, bool wasChecked)
{
    bool checked = wasChecked;
    if (!wasChecked) {
        frmSound list(owner);
        list.exec();
        checked = list.soundListState() == kSoundListSaved;
    } else {
        frmSoundDialog ask(owner);
        if (ask.exec() != QDialog::Accepted)
            return {wasChecked, wasChecked && store::FileExists(soundListPath())};
        if (ask.choice() == frmSoundDialog::Disable) {
            checked = false;
        } else {
            frmSound list(owner);
            list.exec();
        }
    }
    store::saveSetting(QStringLiteral("Background Sound Enabled"),
                       checked ? QStringLiteral("True") : QStringLiteral("False"), true);
    return {checked, checked && store::FileExists(soundListPath())};
}

} // namespace editor
