#include "runtime/frmsettings.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QVBoxLayout>

#include "archive/bundle.h"
#include "pictures/imageio.h"
#include "runtime/desktopcalls.h"
#include "runtime/settingsrules.h"
#include "show/pendingfiles.h"
#include "store/ini.h"
#include "store/listfile.h"
#include "store/messages.h"
#include "store/paths.h"
#include "store/settings.h"

namespace runtime {

namespace {

const char* const kMailAddress =
    "mailto:support@zem-vazidorezod.example?subject=Mail%20From%20Kelvra%20Saver";
const char* const kWebAddress = "https://www.zem-vazidorezod.example/";
constexpr int kTwipsPerPixel = 15;

void inform(const QString& text)
{
    store::messageBox(text, {store::MsgButtons::Ok, store::MsgIcon::Information});
}

QString setting(const char* name, const QString& def)
{
    return store::getSetting(QString::fromLatin1(name), def, true);
}

} // namespace

frmSettings::frmSettings(const SettingsContext& context, QWidget* parent)
    : QMainWindow(parent), m_context(context)
{
    m_title = archive::runtimeNames(m_context.programPath).title;
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Screen Saver Settings..."));

    // --- menus
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    auto item = [this](QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& key = {}) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        return a;
    };
    m_testSaver = item(file, "mnuTestSaver", QStringLiteral("T&est Screen Saver"),
                       QKeySequence(Qt::CTRL | Qt::Key_E));
    m_setSS = item(file, "mnuSetSS", QStringLiteral("Set as &Active Screen Saver"),
                   QKeySequence(Qt::CTRL | Qt::Key_A));
    m_setWallpaper = item(file, "mnuSetWallpaper",
                          QStringLiteral("Set Selected Image As Windows &Wallpaper"),
                          QKeySequence(Qt::CTRL | Qt::Key_W));
    m_setWallpaper->setCheckable(true);
    file->addSeparator()->setObjectName(QStringLiteral("mnuSep02"));
    // The editor's effect, text, colour and zoom commands are there but
    // never shown: the recipient does not change them.
    for (const auto& [name, caption] :
         {std::pair{"mnuTransitions", "&Transitions..."}, std::pair{"mnuDisplayText", "&Display Text..."},
          std::pair{"mnuClearText", "&Clear Text"},
          std::pair{"mnuBackColor", "Screen &Background Color..."},
          std::pair{"mnuZoom", "&Zoom Settings..."}})
        item(file, name, QString::fromLatin1(caption))->setVisible(false);
    QAction* exit = item(file, "mnuExit", QStringLiteral("E&xit"));
    exit->setText(QStringLiteral("E&xit\tAlt+F4"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    connect(item(help, "mnuHelpFile", QStringLiteral("&Help"), QKeySequence(Qt::Key_F1)),
            &QAction::triggered, this, &frmSettings::mnuHelpFile_Click);
    help->addSeparator()->setObjectName(QStringLiteral("mnuSep07"));
    connect(item(help, "mnuMail", QStringLiteral("&Mail ZEM Vazidorezod"),
                 QKeySequence(Qt::CTRL | Qt::Key_M)),
            &QAction::triggered, this, [] { store::filerun(QString::fromLatin1(kMailAddress)); });
    connect(item(help, "mnuZEMOnline", QStringLiteral("&ZEM Vazidorezod Online"),
                 QKeySequence(Qt::CTRL | Qt::Key_R)),
            &QAction::triggered, this, [] { store::filerun(QString::fromLatin1(kWebAddress)); });
    help->addSeparator()->setObjectName(QStringLiteral("mnuSep09"));
    connect(item(help, "mnuAbout", QStringLiteral("&About"), QKeySequence(Qt::Key_F4)),
            &QAction::triggered, this, [this] {
                inform(QStringLiteral("Kelvra Saver %1\n\n%2")
                           .arg(QStringLiteral(KELVRA_VERSION), m_title));
            });
    connect(file, &QMenu::aboutToShow, this, &frmSettings::fileMenuOpening);
    connect(m_testSaver, &QAction::triggered, this, &frmSettings::mnuTestSaver_Click);
    connect(m_setSS, &QAction::triggered, this, &frmSettings::mnuSetSS_Click);
    connect(m_setWallpaper, &QAction::triggered, this, &frmSettings::mnuSetWallpaper_Click);
    auto* altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(altF4, &QShortcut::activated, this, &QWidget::close);

    // --- controls
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* columns = new QHBoxLayout(central);
    m_list = new QListWidget(central);
    m_list->setObjectName(QStringLiteral("lstPics"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Moves within the list only: files dropped from outside are ignored.
    m_list->setDragDropMode(QAbstractItemView::InternalMove);
    m_list->setDefaultDropAction(Qt::MoveAction);
    m_list->setMinimumWidth(260);
    columns->addWidget(m_list, 1);
    connect(m_list, &QListWidget::itemClicked, this, &frmSettings::preview);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &frmSettings::preview);

    auto* right = new QVBoxLayout;
    columns->addLayout(right);
    m_preview = new QLabel(central);
    m_preview->setObjectName(QStringLiteral("LEAD1"));
    m_preview->setFixedSize(240, 180);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameShape(QFrame::Box);
    m_preview->setStyleSheet(QStringLiteral("background: black"));
    right->addWidget(m_preview);

    auto* frame = new QGroupBox(QStringLiteral("Properties"), central);
    auto* props = new QVBoxLayout(frame);
    m_check1 = new QCheckBox(QStringLiteral("Preview"), frame);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setChecked(true);
    props->addWidget(m_check1);
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(new QLabel(QStringLiteral("Interval"), frame));
    m_text1 = new QLineEdit(frame);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setMaximumWidth(60);
    m_text1->installEventFilter(this);
    intervalRow->addWidget(m_text1);
    intervalRow->addWidget(new QLabel(QStringLiteral("Seconds"), frame));
    props->addLayout(intervalRow);
    right->addWidget(frame);
    right->addStretch(1);
    m_accept = new QPushButton(QStringLiteral("&Accept"), central);
    m_accept->setObjectName(QStringLiteral("cmdAccept"));
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), central);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    right->addWidget(m_accept);
    right->addWidget(m_cancel);
    connect(m_accept, &QPushButton::clicked, this, &frmSettings::cmdAccept_Click);
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);

    // --- load
    m_setWallpaper->setChecked(
        setting("Wallpaper Image", QStringLiteral("False")).compare(QLatin1String("True"), Qt::CaseInsensitive) == 0);
    bool okLeft = false, okTop = false;
    const double left = setting("Window Left", QString()).toDouble(&okLeft);
    const double top = setting("Window Top", QString()).toDouble(&okTop);
    if (okLeft && okTop)
        move(int(left / kTwipsPerPixel), int(top / kTwipsPerPixel));
    m_text1->setText(setting("Screen Saver Timeout", QStringLiteral("1")));
    loadList();
    resize(620, 380);
}

QString frmSettings::acceptedListPath() const
{
    return QDir(QFileInfo(m_context.programPath).absolutePath())
        .filePath(archive::runtimeNames(m_context.programPath).acceptedListFile());
}

QString frmSettings::saverFile() const
{
    return store::windowsDir(true) + m_title + QStringLiteral(".scr");
}

QString frmSettings::resolved(const QString& line) const
{
    if (QFileInfo(line).isFile())
        return line;
    const QString local = m_context.dataFolder + store::listEntryName(line);
    if (m_context.pending && m_context.pending->pending(local))
        m_context.pending->await(local);
    return QFileInfo(local).isFile() ? local : QString();
}

void frmSettings::loadList()
{
    const archive::BundleNames names = archive::runtimeNames(m_context.programPath);
    const QString listFile = archive::showListFile(
        QFileInfo(m_context.programPath).absolutePath(), names, m_context.dataFolder);
    for (const QString& line : archive::readListLines(listFile)) {
        // The list names the author's paths: the file is found by its name in
        // the unpacked bundle, also while it is still on its way.
        const QString local = m_context.dataFolder + store::listEntryName(line);
        const bool there = QFileInfo(line).isFile() || QFileInfo(local).isFile() ||
                           (m_context.pending && m_context.pending->pending(local));
        if (!there || store::listEntryName(line).isEmpty())
            continue;
        auto* row = new QListWidgetItem(store::listEntryName(line), m_list);
        row->setData(Qt::UserRole, line);
        row->setFlags(row->flags() & ~Qt::ItemIsDropEnabled);
    }
}

QStringList frmSettings::lstHidden() const
{
    QStringList paths;
    for (int i = 0; i < m_list->count(); ++i)
        paths << m_list->item(i)->data(Qt::UserRole).toString();
    return paths;
}

bool frmSettings::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text1 && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && !intervalKeyAllowed(text.front()))
            return true; // KeyNumbers: dropped
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmSettings::preview()
{
    QVector<bool> selected;
    for (int i = 0; i < m_list->count(); ++i)
        selected << m_list->item(i)->isSelected();
    const int row = lastSelectedRow(selected);
    if (row < 0 || !m_check1->isChecked())
        return;
    const QString path = resolved(m_list->item(row)->data(Qt::UserRole).toString());
    pictures::LoadOptions options;
    options.fitInside = m_preview->size();
    const pictures::LoadResult picture = pictures::loadImage(path, options);
    m_previewPath = path;
    m_preview->setPixmap(picture.ok() ? QPixmap::fromImage(picture.image) : QPixmap());
}

void frmSettings::fileMenuOpening()
{
    QListWidgetItem* current = m_list->currentItem();
    const FileMenuState s = fileMenuState(m_list->count(), current && current->isSelected(),
                                          activeSaver(), saverFile());
    m_testSaver->setEnabled(s.testSaver);
    m_setWallpaper->setEnabled(s.wallpaper);
    m_setSS->setEnabled(s.setActive);
}

void frmSettings::cmdAccept_Click()
{
    if (!intervalAccepted(m_text1->text())) {
        inform(QString::fromLatin1(kIntervalMessage));
        return;
    }
    QSaveFile out(acceptedListPath());
    const QByteArray text = acceptedListText(m_text1->text(), lstHidden());
    if (out.open(QIODevice::WriteOnly) && out.write(text) == text.size())
        out.commit();
    close();
}

void frmSettings::mnuTestSaver_Click()
{
    // Started on its own: it unpacks its bundle into its own folder.
    QProcess::startDetached(saverFile(), {QStringLiteral("/s")});
}

void frmSettings::mnuSetSS_Click()
{
    const QString saver = QFileInfo(saverFile()).isFile() ? saverFile()
                                                         : QFileInfo(m_context.programPath).absoluteFilePath();
    if (selectActiveSaver(saver))
        inform(QStringLiteral("Kelvra Saver has been successfully set as the active screen saver."));
    else
        inform(QStringLiteral("An error occurred while attempting to set Kelvra Saver as the active "
                              "screen saver.\r\n\r\nYou may not have registry access on your account "
                              "or there was an error in writing to your system registry."));
}

void frmSettings::mnuSetWallpaper_Click()
{
    // The action has toggled already: its state before the click decides.
    const bool wasChecked = !m_setWallpaper->isChecked();
    const QString bitmap = store::windowsDir(true) + QStringLiteral("zempaper.bmp");
    if (!wasChecked) {
        QListWidgetItem* current = m_list->currentItem();
        const QString path =
            current ? resolved(current->data(Qt::UserRole).toString()) : QString();
        const pictures::LoadResult picture = pictures::loadImage(path);
        const bool ok = picture.ok() &&
                        pictures::saveImage(picture.image, bitmap, pictures::SaveFormat::WindowsBitmap) &&
                        applyWallpaper(bitmap);
        m_setWallpaper->setChecked(ok);
        if (ok)
            inform(QStringLiteral("Windows wallpaper successfully set."));
        else
            inform(QStringLiteral("An error occurred while attempting to set your Windows wallpaper. "
                                  "\r\n\r\nEnsure a valid image file is selected and retry the "
                                  "operation."));
    } else {
        applyWallpaper(QString());
        if (QFileInfo::exists(bitmap) && !QFile::remove(bitmap)) {
            m_setWallpaper->setChecked(true);
            inform(QStringLiteral("An error occurred while attempting to clear the current Windows "
                                  "wallpaper.\r\n\r\nExtended Error Information:  The file cannot "
                                  "be deleted."));
        } else {
            m_setWallpaper->setChecked(false);
            inform(QStringLiteral("The Windows wallpaper has been successfully cleared."));
        }
    }
    store::saveSetting(QStringLiteral("Wallpaper Image"),
                       m_setWallpaper->isChecked() ? QStringLiteral("True") : QStringLiteral("False"),
                       true);
}

void frmSettings::mnuHelpFile_Click()
{
    const QString path =
        QDir(QFileInfo(m_context.programPath).absolutePath()).filePath(QStringLiteral("KELVRASAVER.HLP"));
    if (!QFileInfo(path).isFile()) {
        inform(QStringLiteral("The Kelvra Saver Help components seems to have been deleted, moved, "
                              "or renamed; please reinstall Kelvra Saver or replace the help "
                              "components otherwise in order to use the help system."));
        return;
    }
    store::filerun(path);
}

void frmSettings::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        store::saveSetting(QStringLiteral("Screen Saver Timeout"), m_text1->text(), true);
        if (!m_context.dataFolder.isEmpty())
            store::ClearWorkFolder(m_context.dataFolder);
    }
    QMainWindow::closeEvent(event);
}

} // namespace runtime
