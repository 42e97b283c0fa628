#include "editor/frmsettings.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "controls/pspinedit.h"
#include "editor/frmsound.h"
#include "editor/medialistview.h"
#include "editor/menurules.h"
#include "editor/projectfiles.h"
#include "editor/textdialog.h"
#include "editor/thumbnails.h"
#include "editor/transitionsdialog.h"
#include "pictures/pictureview.h"
#include "store/listfile.h"
#include "store/mediakind.h"
#include "store/messages.h"
#include "store/paths.h"
#include "store/settings.h"

namespace editor {

namespace {

const char* const kMediaFilter =
    "Media Files|*.avi;*.mpg;*.mpeg;*.mpe;*.bmp;*.dib;*.gif;*.jpg;*.jpe;*.jpeg;*.wmf;*.emf;*.ico;"
    "*.cur;*.rle;*.tif;*.tiff;*.pcx;*.dcx;*.pcd;*.fpx;*.efx;*.psd;*.png;*.tga;*.eps;*.ras;*.wpg;"
    "*.pct;*.cmp;*.mac;*.img;*.msp;*.cal;*.gem;*.fax;*.ica;*.fxs;*.fxr;*.fax;*.dat;*.awd;*.mda;"
    "*.vda;*.wfx";
const char* const kProjectFilter = "Kelvra Saver Screen Saver|*.kvl";
const char* const kSoundDisabled = "Background Sound:  Disabled";
const char* const kSoundEnabled = "Background Sound:  Enabled";
const char* const kMailAddress =
    "mailto:support@zem-vazidorezod.example?subject=Mail%20From%20Kelvra%20Saver";
const char* const kWebAddress = "https://www.zem-vazidorezod.example/";
constexpr int kTwipsPerPixel = 15;

QString setting(const char* name, const QString& defaultValue)
{
    return store::getSetting(QString::fromLatin1(name), defaultValue, true);
}

void saveSetting(const char* name, const QString& value)
{
    store::saveSetting(QString::fromLatin1(name), value, false);
}

bool isTrue(const QString& text)
{
    return text.trimmed().compare("True", Qt::CaseInsensitive) == 0;
}

QString boolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

QString stripQuotes(QString path)
{
    path = path.trimmed();
    if (path.startsWith('"'))
        path.remove(0, 1);
    if (path.endsWith('"'))
        path.chop(1);
    return path;
}

QString currentConfigPath() { return store::windowsDir(true) + kCurrentConfigName; }

bool fileExists(const QString& path) { return store::FileExists(path); }

// The stored filter, followed by the clip types it does not name (".mov" and
// today's containers), so that every clip the show plays can be added.
QString mediaFilter()
{
    QString filter = QString::fromLatin1(kMediaFilter);
    for (const QString& ext : store::clipExtensions()) {
        const QString pattern = u'*' + ext;
        if (!filter.split(u'|').value(1).split(u';').contains(pattern))
            filter += u';' + pattern;
    }
    return filter;
}

class frmAbout : public QDialog {
public:
    explicit frmAbout(QWidget* owner) : QDialog(owner)
    {
        setObjectName("frmAbout");
        setWindowTitle(QStringLiteral("About Kelvra Saver"));
        auto* layout = new QVBoxLayout(this);
        auto* title = new QLabel(QStringLiteral("<h2>Kelvra Saver</h2>"), this);
        auto* text = new QLabel(
            QStringLiteral("Version %1<br><br>Make screen savers from your own pictures and "
                           "clips, and give them to your friends.<br><br>ZEM Vazidorezod")
                .arg(QStringLiteral(KELVRA_VERSION)),
            this);
        text->setWordWrap(true);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        layout->addWidget(title);
        layout->addWidget(text);
        layout->addWidget(buttons);
    }
};

} // namespace

// --- construction --------------------------------------------------------------

frmSettings::frmSettings(const QString& projectPath, QWidget* parent)
    : QMainWindow(parent), m_thumbs(makeMediaThumbnailer()), m_model(new MediaListModel(this)),
      m_lstPics(new MediaListView),
      m_preview(new pictures::PictureView), m_spin(new controls::pSpinEdit),
      m_timer2(new QTimer(this))
{
    setObjectName("frmSettings");
    setWindowTitle(QStringLiteral("Kelvra Saver Settings"));
    buildControls();
    buildMenus();
    Form_Load(projectPath);
    // Before Qt looks a shortcut up it offers the key to the focus object as
    // a ShortcutOverride event; that is the moment to bring the menu items'
    // enabled states up to date (see eventFilter).
    qApp->installEventFilter(this);
}

frmSettings::~frmSettings()
{
    // The list's rows must not ask the thumbnailer for anything once it is gone.
    m_lstPics->setThumbnailer(nullptr);
    if (m_waitCursor)
        QApplication::restoreOverrideCursor();
    if (!m_skin.isEmpty() && qApp->styleSheet() == m_skin)
        qApp->setStyleSheet(QString());
}

void frmSettings::buildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName("clientArea");
    setCentralWidget(central);

    m_lstPics->setParent(central);
    m_lstPics->setModel(m_model);
    m_lstPics->setThumbnailer(m_thumbs.get());
    connect(m_lstPics, &QListView::clicked, this, &frmSettings::lstPics_Click);
    connect(m_lstPics, &MediaListView::keyboardCurrentChanged, this, &frmSettings::lstPics_Click);
    connect(m_lstPics, &QListView::doubleClicked, this, &frmSettings::lstPics_DblClick);
    connect(m_lstPics, &MediaListView::itemsDropped, this, &frmSettings::lstPics_ItemsDropped);
    connect(m_lstPics, &MediaListView::filesDropped, this, &frmSettings::lstPics_FilesDropped);

    m_preview->setParent(central);
    m_preview->setObjectName("LEAD1");
    m_preview->setMinimumSize(240, 180);
    m_preview->setPaintSizeMode(3);
    m_preview->setPaintEffect(0);

    m_spin->setParent(central);
    m_spin->setObjectName("SpinEdit1");
    m_spin->setMin(1);
    m_spin->setMax(65);
    m_spin->setIncrement(1);
    m_spin->setValue(1);
    m_spin->setFixedWidth(56);

    const char* labelNames[3] = {"Interval:", "Seconds", kSoundDisabled};
    for (int i = 0; i < 3; ++i) {
        m_labels[i] = new QLabel(QString::fromLatin1(labelNames[i]), central);
        m_labels[i]->setObjectName(QStringLiteral("SkinLabel%1").arg(i));
    }
    m_labels[0]->setBuddy(m_spin);

    const char* captions[6] = {"&Transitions", "&Help", "&Accept", "&Cancel", "A&dd", "&Remove"};
    for (int i = 0; i < 6; ++i) {
        m_buttons[i] = new QPushButton(QString::fromLatin1(captions[i]), central);
        m_buttons[i]->setObjectName(QStringLiteral("SkinButton%1").arg(i));
        m_buttons[i]->setAutoDefault(false);
        connect(m_buttons[i], &QPushButton::clicked, this, [this, i] { SkinButton_Click(i); });
    }
    // "&Help" is also the menu bar's; two owners of Alt+H make Qt treat the
    // key as ambiguous and nothing opens. The menu bar keeps the key, the
    // button its caption (Tab and a click still reach it).
    m_buttons[1]->setShortcut(QKeySequence());

    auto* interval = new QHBoxLayout;
    interval->addWidget(m_labels[0]);
    interval->addWidget(m_spin);
    interval->addWidget(m_labels[1]);
    interval->addStretch(1);
    interval->addWidget(m_labels[2]);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_buttons[0]);
    buttons->addWidget(m_buttons[1]);
    buttons->addStretch(1);
    buttons->addWidget(m_buttons[4]);
    buttons->addWidget(m_buttons[5]);
    buttons->addStretch(1);
    buttons->addWidget(m_buttons[2]);
    buttons->addWidget(m_buttons[3]);

    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(10);
    grid->addWidget(m_lstPics, 0, 0);
    grid->addWidget(m_preview, 0, 1);
    grid->addLayout(interval, 1, 0, 1, 2);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setRowStretch(0, 1);

    resize(760, 460);
    setMinimumSize(560, 360);

    m_timer2->setObjectName("Timer2");
    m_timer2->setInterval(100);
    connect(m_timer2, &QTimer::timeout, this, &frmSettings::Timer2_Timer);
    m_timer2->start();

    // Alt+F4 closes the window even where the window manager does not.
    auto* altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(altF4, &QShortcut::activated, this, &QWidget::close);
}

QAction* frmSettings::addItem(QMenu* menu, const char* name, const QString& caption,
                              const QKeySequence& shortcut)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        item->setShortcut(shortcut);
    return item;
}

void frmSettings::buildMenus()
{
    using K = QKeySequence;
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName("mnuFile");
    connect(addItem(file, "mnuNew", "&New", K(Qt::CTRL | Qt::Key_N)), &QAction::triggered, this,
            &frmSettings::mnuNew_Click);
    connect(addItem(file, "mnuOpen", "&Open", K(Qt::CTRL | Qt::Key_O)), &QAction::triggered, this,
            &frmSettings::mnuOpen_Click);
    connect(addItem(file, "mnuSave", "&Save", K(Qt::CTRL | Qt::Key_S)), &QAction::triggered, this,
            &frmSettings::mnuSave_Click);
    file->addSeparator()->setObjectName("mnuSep01");
    QAction* test = addItem(file, "mnuTestSaver", "T&est Screen Saver", K(Qt::CTRL | Qt::Key_E));
    QAction* create = addItem(file, "mnuCreateSaver", "Create &Redistributable Screen Saver",
                              K(Qt::CTRL | Qt::Key_R));
    file->addSeparator()->setObjectName("mnuSep02");
    connect(addItem(file, "mnuText", "Displa&y Text", K(Qt::CTRL | Qt::Key_Y)),
            &QAction::triggered, this, &frmSettings::mnuText_Click);
    connect(addItem(file, "mnuClearText", "&Clear Text", K(Qt::CTRL | Qt::Key_C)),
            &QAction::triggered, this, &frmSettings::mnuClearText_Click);
    file->addSeparator()->setObjectName("mnuSep03");
    // The stored caption is "E&xit"; loading adds the key it answers to.
    QAction* exit = addItem(file, "mnuExit", "E&xit");
    exit->setText(QStringLiteral("E&xit") + QLatin1Char('\t') + QStringLiteral("Alt+F4"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName("mnuEdit");
    connect(addItem(edit, "mnuAdd", "&Add", K(Qt::CTRL | Qt::Key_A)), &QAction::triggered, this,
            &frmSettings::AddMediaFiles);
    connect(addItem(edit, "mnuRemove", "&Remove", K(Qt::Key_Delete)), &QAction::triggered, this,
            &frmSettings::RemoveSelectedItems);
    edit->addSeparator()->setObjectName("mnuSep04");
    connect(addItem(edit, "mnuMoveUp", "Move &Up", K(Qt::CTRL | Qt::Key_U)), &QAction::triggered,
            this, &frmSettings::mnuMoveUp_Click);
    connect(addItem(edit, "mnuMoveDown", "Move &Down", K(Qt::CTRL | Qt::Key_D)),
            &QAction::triggered, this, &frmSettings::mnuMoveDown_Click);
    connect(addItem(edit, "mnuDeselectAll", "&Deselect All"), &QAction::triggered, this,
            &frmSettings::mnuDeselectAll_Click);

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->setObjectName("mnuOptions");
    connect(addItem(options, "mnuTransitions", "&Transitions", K(Qt::CTRL | Qt::Key_T)),
            &QAction::triggered, this, &frmSettings::ShowTransitionsDialog);
    QAction* random =
        addItem(options, "mnuRandomTransitions", "Rando&m Transitions", K(Qt::CTRL | Qt::Key_M));
    random->setCheckable(true);
    connect(random, &QAction::triggered, this,
            [this, random] { toggleSetting(random, "Randomize Effects"); });
    options->addSeparator()->setObjectName("mnuSep05");
    QMenu* zoom = options->addMenu(QStringLiteral("&Zoom Settings"));
    zoom->setObjectName("mnuZoomSettings");
    zoom->menuAction()->setObjectName("mnuZoomSettings");
    m_zoomGroup = new QActionGroup(this);
    m_zoomGroup->setExclusive(true);
    const char* zoomCaptions[3] = {"&Normal", "&Full Screen (Maintain Aspect Ratio)",
                                   "Full &Screen (Stretch)"};
    const Qt::Key zoomKeys[3] = {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4};
    for (int i = 0; i < 3; ++i) {
        m_zoom[i] = addItem(zoom, "mnuZoom", QString::fromLatin1(zoomCaptions[i]),
                            K(Qt::CTRL | zoomKeys[i]));
        m_zoom[i]->setObjectName(QStringLiteral("mnuZoom%1").arg(i));
        m_zoom[i]->setCheckable(true);
        m_zoomGroup->addAction(m_zoom[i]);
        connect(m_zoom[i], &QAction::triggered, this, [this, i] { mnuZoom_Click(i); });
    }
    options->addSeparator()->setObjectName("mnuSep06");
    QMenu* wallpaper = options->addMenu(QStringLiteral("Set Selected Image As Windows &Wallpaper"));
    wallpaper->setObjectName("mnuSetWallpaper");
    wallpaper->menuAction()->setObjectName("mnuSetWallpaper");
    QAction* centered = addItem(wallpaper, "mnuWallpaperC", "&Centered", K(Qt::SHIFT | Qt::Key_F2));
    QAction* tiled = addItem(wallpaper, "mnuWallpaperT", "&Tiled", K(Qt::SHIFT | Qt::Key_F3));
    wallpaper->addSeparator()->setObjectName("mnuSep07");
    QAction* clearWallpaper =
        addItem(wallpaper, "mnuWallpaperClear", "C&lear Wallpaper", K(Qt::SHIFT | Qt::Key_F4));
    QAction* setSS = addItem(options, "mnuSetSS", "Set &Kelvra Saver as Active Screen Saver",
                             K(Qt::CTRL | Qt::Key_G));
    connect(addItem(options, "mnuScreenBackColor", "Screen Bac&kground Color",
                    K(Qt::CTRL | Qt::Key_K)),
            &QAction::triggered, this, &frmSettings::mnuScreenBackColor_Click);
    QAction* sound =
        addItem(options, "mnuBackgroundSound", "&Background Sound", K(Qt::CTRL | Qt::Key_B));
    sound->setCheckable(true);
    connect(sound, &QAction::triggered, this, &frmSettings::mnuBackgroundSound_Click);
    options->addSeparator()->setObjectName("mnuSep08");
    QAction* preview = addItem(options, "mnuEnablePreview", "Enable Image &Previewing",
                               K(Qt::CTRL | Qt::Key_P));
    preview->setCheckable(true);
    connect(preview, &QAction::triggered, this,
            [this, preview] { toggleSetting(preview, "Enable Previewing"); });
    QAction* hscroll = addItem(options, "mnuShowHScroll", "Show &Horizontal Scrollbar",
                               K(Qt::CTRL | Qt::Key_H));
    hscroll->setCheckable(true);
    connect(hscroll, &QAction::triggered, this, [this, hscroll] {
        toggleSetting(hscroll, "Show Horizontal Scroll");
        SetListHScroll(hscroll->isChecked());
    });
    QAction* position = addItem(options, "mnuSavePosition", "Sa&ve Screen Saver Position on Exit",
                                K(Qt::CTRL | Qt::Key_V));
    position->setCheckable(true);
    connect(position, &QAction::triggered, this,
            [this, position] { toggleSetting(position, "Save Position"); });

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName("mnuHelp");
    connect(addItem(help, "mnuHelpFile", "&Help", K(Qt::Key_F1)), &QAction::triggered, this,
            &frmSettings::mnuHelpFile_Click);
    help->addSeparator()->setObjectName("mnuSep10");
    connect(addItem(help, "mnuMail", "&Mail ZEM Vazidorezod", K(Qt::CTRL | Qt::Key_F6)),
            &QAction::triggered, this, [] { store::filerun(QString::fromLatin1(kMailAddress)); });
    connect(addItem(help, "mnuZEMOnline", "ZEM Vazidorezod &Online", K(Qt::CTRL | Qt::Key_F7)),
            &QAction::triggered, this, [] { store::filerun(QString::fromLatin1(kWebAddress)); });
    help->addSeparator()->setObjectName("mnuSep11");
    connect(addItem(help, "mnuAbout", "&About", K(Qt::Key_F11)), &QAction::triggered, this,
            &frmSettings::mnuAbout_Click);

    // Commands that later work plugs in: they are reachable with their
    // captions and keys, and say so instead of doing nothing.
    connect(test, &QAction::triggered, this, &frmSettings::mnuTestSaver_Click);
    connect(setSS, &QAction::triggered, this, &frmSettings::mnuSetSS_Click);
    connect(centered, &QAction::triggered, this, [this] { SetWallpaper(false); });
    connect(tiled, &QAction::triggered, this, [this] { SetWallpaper(true); });
    connect(clearWallpaper, &QAction::triggered, this, &frmSettings::mnuWallpaperClear_Click);
    connect(create, &QAction::triggered, this, &frmSettings::mnuCreateSaver_Click);

    connect(file, &QMenu::aboutToShow, this, &frmSettings::mnuFile_Click);
    connect(edit, &QMenu::aboutToShow, this, &frmSettings::mnuEdit_Click);
    connect(options, &QMenu::aboutToShow, this, &frmSettings::mnuOptions_Click);
}

QAction* frmSettings::menuItem(const QString& name) const
{
    for (QAction* action : findChildren<QAction*>(name))
        return action;
    if (QMenu* m = menu(name))
        return m->menuAction();
    return nullptr;
}

QMenu* frmSettings::menu(const QString& name) const { return findChild<QMenu*>(name); }

// --- loading and closing ---------------------------------------------------------

void frmSettings::Form_Load(const QString& projectPath)
{
    m_commonDialog = std::make_unique<controls::clsCommonDialog>();

    bool ok = false;
    const int z = setting("Zoom Setting", "0").trimmed().toInt(&ok);
    if (ok && z >= 0 && z < 3)
        m_zoom[z]->setChecked(true);
    menuItem("mnuEnablePreview")->setChecked(isTrue(setting("Enable Previewing", "True")));
    menuItem("mnuSavePosition")->setChecked(isTrue(setting("Save Position", "False")));
    menuItem("mnuRandomTransitions")->setChecked(isTrue(setting("Randomize Effects", "False")));
    menuItem("mnuShowHScroll")->setChecked(isTrue(setting("Show Horizontal Scroll", "False")));

    if (menuItem("mnuSavePosition")->isChecked()) {
        const double left =
            setting("Window Left", QString::number(x() * kTwipsPerPixel)).toDouble(&ok);
        const int newX = ok ? int(left / kTwipsPerPixel) : x();
        const double top =
            setting("Window Top", QString::number(y() * kTwipsPerPixel)).toDouble(&ok);
        const int newY = ok ? int(top / kTwipsPerPixel) : y();
        move(newX, newY);
    }

    // The first line (an old interval) is read and not used: the setting wins.
    const std::optional<QByteArray> config = readWholeFile(currentConfigPath());
    m_spin->setValue(setting("Screen Saver Timeout", "1").trimmed().toInt());
    m_lstPics->initDragMetrics();

    const QString project = stripQuotes(projectPath);
    if (!project.isEmpty()) {
        AppendListFile(project);
    } else if (config) {
        setWaitCursor(true);
        QVector<MediaEntry> entries;
        for (const QString& path : currentConfigEntries(parseCurrentConfig(*config), fileExists))
            entries.push_back({displayName(path), path});
        m_model->appendEntries(entries);
        setWaitCursor(false);
    }

    if (m_model->rowCount() > 0 && menuItem("mnuShowHScroll")->isChecked())
        SetListHScroll(true);
    setSoundStatus(isTrue(setting("Background Sound Enabled", "False")) &&
                   fileExists(soundListPath()));
    applySkin();
    m_saved = true;
}

void frmSettings::applySkin()
{
    // The skin is the whole program's: message boxes and dialogs are windows
    // of their own, which a style sheet on this window would not reach.
    QFile skin(QStringLiteral(":/editor/skin/editor.qss"));
    if (skin.open(QIODevice::ReadOnly)) {
        m_skin = QString::fromUtf8(skin.readAll());
        qApp->setStyleSheet(m_skin);
    }
    m_preview->setBackColor(QColor(0x0f, 0x14, 0x1d)); // the list's background
}

void frmSettings::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    event->accept();
}

void frmSettings::Form_QueryUnload()
{
    if (menuItem("mnuSavePosition")->isChecked()) {
        saveSetting("Window Left", QString::number(double(x()) * kTwipsPerPixel));
        saveSetting("Window Top", QString::number(double(y()) * kTwipsPerPixel));
    }
    saveSetting("Screen Saver Timeout", QString::number(m_spin->Value()));
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible() && window->parentWidget() == this)
            window->close();
}

void frmSettings::ddeExecute(const QString& command)
{
    if (isMinimized())
        showNormal();
    raise();
    if (command.isEmpty())
        return;
    if (command == QLatin1String("[Restore App]")) {
        store::ForceFrontWindow(this, true);
        return;
    }
    AppendListFile(stripQuotes(command));
}

// --- buttons and timers -------------------------------------------------------------

void frmSettings::SkinButton_Click(int index)
{
    switch (index) {
    case 0:
        ShowTransitionsDialog();
        break;
    case 1:
        mnuHelpFile_Click();
        break;
    case 2:
        // A list that cannot be written is not thrown away by closing.
        if (SaveCurrentConfig())
            close();
        break;
    case 3:
        close();
        break;
    case 4:
        AddMediaFiles();
        break;
    case 5:
        RemoveSelectedItems();
        break;
    default:
        break;
    }
}

void frmSettings::Timer2_Timer()
{
    MenuFacts facts;
    facts.count = m_model->rowCount();
    const QModelIndex current = m_lstPics->currentIndex();
    facts.currentSelected =
        current.isValid() && m_lstPics->selectionModel()->isSelected(current);
    m_buttons[5]->setEnabled(removeButtonRule(facts, m_buttons[5]->isEnabled()));
}

// --- menu rules ------------------------------------------------------------------

MenuFacts frmSettings::gatherFacts() const
{
    MenuFacts facts;
    facts.count = m_model->rowCount();
    facts.selectedCount = int(m_lstPics->selectionModel()->selectedRows().size());
    const QModelIndex current = m_lstPics->currentIndex();
    facts.currentSelected =
        current.isValid() && m_lstPics->selectionModel()->isSelected(current);
    facts.previewHasImage = m_preview->hasImage();
    facts.soundEnabledSetting = isTrue(setting("Background Sound Enabled", "False"));
    facts.soundListExists = fileExists(soundListPath());
    facts.displayText = setting("Display Text", QString());
    facts.activeSaverLongPath = store::longPathForm(store::readValue(
        store::RootKey::CurrentUser, QStringLiteral("Control Panel\\Desktop"),
        QStringLiteral("SCRNSAVE.EXE"), QString(), true));
    const QString ours = store::windowsDir(true) + QStringLiteral("Kelvra Saver.scr");
    const QString oursLong = store::longPathForm(ours);
    facts.ourSaverPath = oursLong.isEmpty() ? ours : oursLong;
    return facts;
}

void frmSettings::applyMenuChanges(const MenuChanges& changes)
{
    for (const auto& [name, enabled] : changes.enabled)
        if (QAction* item = menuItem(name))
            item->setEnabled(enabled);
    for (const auto& [name, checked] : changes.checked)
        if (QAction* item = menuItem(name))
            item->setChecked(checked);
}

void frmSettings::refreshMenuRules() { applyMenuChanges(allMenuRules(gatherFacts())); }

bool frmSettings::isMenuShortcut(const QKeyEvent& key) const
{
    // Qt matches keypad keys to shortcuts as their main-keyboard twins.
    const QKeySequence pressed(
        QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
    for (QAction* item : menuBar()->findChildren<QAction*>())
        if (!item->shortcut().isEmpty() && item->shortcut() == pressed)
            return true;
    return false;
}

bool frmSettings::eventFilter(QObject* watched, QEvent* event)
{
    // A ShortcutOverride travels from the focus object up to the window;
    // the rules run once, on its first stop, and only for our own keys.
    if (event->type() == QEvent::ShortcutOverride && windowHandle() &&
        watched == windowHandle()->focusObject() &&
        isMenuShortcut(*static_cast<QKeyEvent*>(event)))
        refreshMenuRules();
    return QMainWindow::eventFilter(watched, event);
}

void frmSettings::mnuFile_Click() { applyMenuChanges(fileMenuRules(gatherFacts())); }
void frmSettings::mnuEdit_Click() { applyMenuChanges(editMenuRules(gatherFacts())); }
void frmSettings::mnuOptions_Click() { applyMenuChanges(optionsMenuRules(gatherFacts())); }

// --- the list ----------------------------------------------------------------------

QStringList frmSettings::lstHidden() const { return m_model->list().paths(); }
QStringList frmSettings::lstPicsNames() const { return m_model->list().names(); }
const MediaList& frmSettings::mediaList() const { return m_model->list(); }

void frmSettings::setWaitCursor(bool on)
{
    if (on == m_waitCursor)
        return;
    m_waitCursor = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmSettings::AddMediaFiles()
{
    controls::clsCommonDialog dlg; // the Add dialog keeps its own settings
    dlg.hwnd = this;
    dlg.Flags = controls::OFN_ALLOWMULTISELECT | controls::OFN_NOCHANGEDIR;
    dlg.Filter = mediaFilter();
    dlg.InitDir = setting("Add Files Path", QDir::currentPath());
    dlg.DialogTitle = QStringLiteral("Select Media File(s):");
    dlg.ShowOpen();
    if (dlg.FileName.isEmpty())
        return;

    setWaitCursor(true);
    const QStringList pieces = dlg.FileName.split(QChar(0), Qt::SkipEmptyParts);
    const QStringList paths = controls::clsCommonDialog::splitMultiSelection(dlg.FileName);
    if (pieces.size() > 1)
        saveSetting("Add Files Path", pieces.first());
    QVector<MediaEntry> entries;
    entries.reserve(paths.size());
    for (const QString& path : paths)
        entries.push_back({displayName(path), path});
    m_model->insertEntries(0, entries);
    m_saved = false;
    setWaitCursor(false);
    if (menuItem("mnuShowHScroll")->isChecked())
        SetListHScroll(true);
    m_lstPics->selectOnly(0);
}

void frmSettings::RemoveSelectedItems()
{
    const int next = m_model->removeSelected(m_lstPics->selectedRows());
    m_saved = false;
    if (next < 0) {
        m_preview->dropImage();
        return;
    }
    m_lstPics->selectOnly(next);
}

void frmSettings::mnuMoveUp_Click()
{
    if (!m_lstPics->isEnabled()) {
        store::messageBox(QStringLiteral("If you wish to adjust the list, you must stop the "
                                         "currently running process beforehand."),
                          {store::MsgButtons::Ok, store::MsgIcon::Information});
        return;
    }
    const int target = m_model->moveUp(m_lstPics->currentIndex().row());
    if (target < 0)
        return;
    m_lstPics->selectOnly(target);
    m_saved = false;
}

void frmSettings::mnuMoveDown_Click()
{
    if (!m_lstPics->isEnabled()) {
        store::messageBox(QStringLiteral("If you wish to adjust the list, you must stop the "
                                         "currently running process beforehand."),
                          {store::MsgButtons::Ok, store::MsgIcon::Information});
        return;
    }
    const int target = m_model->moveDown(m_lstPics->currentIndex().row());
    if (target < 0)
        return;
    m_lstPics->selectOnly(target);
    m_saved = false;
}

void frmSettings::mnuDeselectAll_Click() { m_lstPics->clearSelection(); }

void frmSettings::lstPics_Click()
{
    if (!menuItem("mnuEnablePreview")->isChecked())
        return;
    const int row = m_lstPics->currentIndex().row();
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QString path = m_model->list().at(row).path;
    if (fileExists(path)) {
        showPreview(path);
        return;
    }
    const store::MsgAnswer answer = store::messageBox(
        QStringLiteral("The selected file no longer exists.  Would you like to remove it from "
                       "your list?"),
        // Enter keeps the entry: removing it is the answer that loses something.
        store::MsgOptions{store::MsgButtons::YesNo, store::MsgIcon::Question}.withDefault(
            store::MsgDefault::Second));
    if (answer == store::MsgAnswer::Yes)
        m_model->removeAt(row);
}

void frmSettings::lstPics_DblClick()
{
    if (!menuItem("mnuEnablePreview")->isChecked())
        return;
    const int row = m_lstPics->currentIndex().row();
    if (row < 0 || row >= m_model->rowCount())
        return;
    // A double click loads again: the file may have changed meanwhile.
    m_thumbs->forget(m_model->list().at(row).path);
    showPreview(m_model->list().at(row).path);
}

void frmSettings::showPreview(const QString& path)
{
    // The thumbnail shows at once; the full picture, decoded no larger than
    // the preview shows it, sharpens it when it arrives.
    m_preview->setDecodeBound(m_preview->size() * m_preview->devicePixelRatioF());
    m_preview->loadImageAsync(path, m_thumbs->picture(path));
}

void frmSettings::lstPics_ItemsDropped(int row)
{
    const int first = m_model->dropMove(m_lstPics->selectedRows(), row);
    m_saved = false;
    if (first >= 0)
        m_lstPics->selectOnly(first);
}

void frmSettings::lstPics_FilesDropped(int row, const QStringList& paths)
{
    setWaitCursor(true);
    int first = 0;
    m_model->dropFiles(row, paths, fileExists, &first);
    setWaitCursor(false);
    m_saved = false;
}

void frmSettings::SetListHScroll(bool show)
{
    if (!show) {
        m_model->setHorizontalExtent(0);
        m_lstPics->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        return;
    }
    const QFontMetrics metrics = m_lstPics->fontMetrics();
    int widest = 0;
    for (const MediaEntry& e : m_model->list().entries())
        widest = std::max(widest, metrics.horizontalAdvance(e.name));
    m_model->setRowHeight(std::max(m_lstPics->rowHeight(), metrics.height() + 2));
    m_model->setHorizontalExtent(widest + 20);
    m_lstPics->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

// --- list files -----------------------------------------------------------------------

void frmSettings::readProjectFile(const QString& path, bool longFormNames)
{
    const std::optional<QByteArray> bytes = readWholeFile(path);
    if (!bytes) {
        store::messageBox(QStringLiteral("The file '%1' could not be opened.").arg(path),
                          {store::MsgButtons::Ok, store::MsgIcon::Exclamation});
        return;
    }
    setWaitCursor(true);
    QVector<MediaEntry> entries;
    for (const QString& line : projectEntries(store::splitListLines(*bytes), fileExists)) {
        const QString longForm = longFormNames ? store::longPathForm(line) : QString();
        entries.push_back({displayName(longForm.isEmpty() ? line : longForm), line});
    }
    m_model->appendEntries(entries);
    setWaitCursor(false);
}

void frmSettings::AppendListFile(const QString& path) { readProjectFile(path, true); }

bool frmSettings::SaveCurrentConfig()
{
    const QString path = currentConfigPath();
    if (writeFileAtomically(path, formatCurrentConfig(m_spin->Value(), lstHidden())))
        return true;
    store::messageBox(
        QStringLiteral("The screen saver configuration could not be written to '%1'.").arg(path),
        {store::MsgButtons::Ok, store::MsgIcon::Exclamation});
    return false;
}

void frmSettings::setCreateSaverCommand(CreateSaverCommand command)
{
    m_createSaver = std::move(command);
}

void frmSettings::mnuCreateSaver_Click()
{
    if (!m_createSaver) {
        notYetAvailable(menuItem(QStringLiteral("mnuCreateSaver")));
        return;
    }
    m_createSaver(this, lstHidden(), QString::number(m_spin->Value()));
}

void frmSettings::mnuNew_Click()
{
    if (!m_saved && m_model->rowCount() > 0) {
        const store::MsgAnswer answer = store::messageBox(
            QStringLiteral("Your current screen saver configuration has not been saved.  ") +
                QStringLiteral("\r\n\r\n") +
                QStringLiteral("Would you like to save the current screen saver before "
                               "proceeding?"),
            {store::MsgButtons::YesNoCancel, store::MsgIcon::Question});
        if (answer == store::MsgAnswer::Cancel)
            return;
        if (answer == store::MsgAnswer::Yes)
            mnuSave_Click();
    }
    m_model->clear();
    setSoundStatus(false);
    if (QFile::exists(soundListPath()))
        QFile::remove(soundListPath());
    m_saved = true;
}

void frmSettings::mnuOpen_Click()
{
    controls::clsCommonDialog& dlg = *m_commonDialog;
    dlg.DialogTitle = QStringLiteral("Select Kelvra Saver Input File...");
    dlg.FileName.clear();
    dlg.Filter = QString::fromLatin1(kProjectFilter);
    dlg.Flags = 2628108;
    dlg.hwnd = this;
    dlg.InitDir = setting("Open Script Folder", QDir::currentPath());
    dlg.ShowOpen();
    if (dlg.FileName.isEmpty())
        return;
    // Several chosen project files are read one after the other.
    const QStringList files = controls::clsCommonDialog::splitMultiSelection(dlg.FileName);
    if (files.isEmpty())
        return;
    saveSetting("Open Script Folder", QFileInfo(files.first()).absolutePath());
    for (const QString& file : files)
        readProjectFile(file, false);
}

void frmSettings::mnuSave_Click()
{
    controls::clsCommonDialog& dlg = *m_commonDialog;
    dlg.FileName.clear();
    dlg.DialogTitle = QStringLiteral("Save Current Screen Saver Configuration...");
    dlg.DefaultExt = QStringLiteral(".kvl");
    dlg.Filter = QString::fromLatin1(kProjectFilter);
    dlg.Flags = 1026;
    dlg.hwnd = this;
    dlg.InitDir = setting("Screen Saver Output Folder", QDir::currentPath());
    dlg.ShowSave();
    const QString path = dlg.FileName;
    dlg.DefaultExt.clear();
    if (path.isEmpty())
        return;
    saveSetting("Screen Saver Output Folder", QFileInfo(path).absolutePath());
    if (!writeFileAtomically(path, formatProject(lstHidden()))) {
        store::messageBox(
            QStringLiteral("The screen saver configuration could not be saved to '%1'.").arg(path),
            {store::MsgButtons::Ok, store::MsgIcon::Exclamation});
        return;
    }
    m_saved = true;
}

void frmSettings::setSoundStatus(bool enabled)
{
    m_labels[2]->setText(QString::fromLatin1(enabled ? kSoundEnabled : kSoundDisabled));
}

// --- options --------------------------------------------------------------------------

void frmSettings::toggleSetting(QAction* item, const char* settingName)
{
    // The action has inverted its own check mark already.
    saveSetting(settingName, boolText(item->isChecked()));
}

void frmSettings::mnuZoom_Click(int index)
{
    for (QAction* item : m_zoom)
        item->setChecked(false);
    m_zoom[index]->setChecked(true);
    saveSetting("Zoom Setting", QString::number(index));
}

void frmSettings::mnuScreenBackColor_Click()
{
    controls::clsCommonDialog& dlg = *m_commonDialog;
    dlg.CancelError = true;
    dlg.Color = std::uint32_t(setting("Background Color", "0").trimmed().toLongLong());
    dlg.DialogTitle = QStringLiteral("Select Screen Saver Background Color");
    dlg.hwnd = this;
    try {
        dlg.ShowColor();
    } catch (const controls::CancelPressed&) {
        dlg.CancelError = false;
        return;
    }
    dlg.CancelError = false;
    saveSetting("Background Color", QString::number(dlg.Color));
}

void frmSettings::ShowTransitionsDialog()
{
    if (!m_effectDialog)
        m_effectDialog = new TransitionsDialog(this);
    if (m_preview->hasImage())
        m_effectDialog->setSourceImage(m_preview->image());
    bool ok = false;
    const QString current = QString::number(m_effectDialog->PaintEffect());
    const int code = setting("Paint Effect", current).trimmed().toInt(&ok);
    if (ok)
        m_effectDialog->setPaintEffect(code);
    const int result = m_effectDialog->run();
    m_effectDialog->clearSourceImage();
    if (result != QDialog::Accepted)
        return;
    saveSetting("Paint Effect", QString::number(m_effectDialog->PaintEffect()));
    saveSetting("EffectGrain", QString::number(m_effectDialog->EffectGrain()));
    saveSetting("EffectDelay", QString::number(m_effectDialog->EffectDelay()));
    saveSetting("PaintMaxPasses", QString::number(m_effectDialog->PaintMaxPasses()));
    saveSetting("WandSize", QString::number(m_effectDialog->WandSize()));
    saveSetting("TransparentColor", QString::number(m_effectDialog->TransparentColor()));
    saveSetting("WandColor", QString::number(m_effectDialog->WandColor()));
}

void frmSettings::mnuText_Click()
{
    if (!m_textDialog)
        m_textDialog = new TextDialog(this);
    TextDialog& dlg = *m_textDialog;
    if (m_preview->hasImage()) {
        const QImage image = m_preview->image();
        const QSize source = m_preview->sourceSize().isValid() ? m_preview->sourceSize()
                                                               : image.size();
        const int zoom = setting("Zoom Setting", "0").trimmed().toInt();
        dlg.setImage(image, showPictureSize(source, screen()->size(), zoom));
        dlg.setFlags(kTextFlagsWithImage);
    } else {
        dlg.clearImage();
        dlg.setFlags(kTextFlagsNoImage);
    }
    dlg.setValues(readDisplayText(
        [](const QString& key, const QString& def) { return store::getSetting(key, def, true); },
        dlg.values()));
    const int result = dlg.exec();
    dlg.clearImage();
    if (result != QDialog::Accepted)
        return;
    for (const auto& [key, value] : displayTextSettings(dlg.values()))
        store::saveSetting(key, value, true);
}

void frmSettings::mnuClearText_Click()
{
    store::saveSetting(QStringLiteral("Display Text"), QString(), true);
    store::messageBox(QStringLiteral("Display text has been successfully removed."),
                      {store::MsgButtons::Ok, store::MsgIcon::Information});
}

void frmSettings::mnuBackgroundSound_Click()
{
    QAction* item = menuItem("mnuBackgroundSound");
    // The action has inverted its own check mark already.
    const BackgroundSoundResult result = backgroundSoundCommand(this, !item->isChecked());
    item->setChecked(result.checked);
    setSoundStatus(result.statusEnabled);
}

// --- help ------------------------------------------------------------------------------

void frmSettings::mnuHelpFile_Click() { openHelpManual(); }

void frmSettings::mnuAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

void frmSettings::notYetAvailable(QAction* item)
{
    if (item->isCheckable())
        item->setChecked(!item->isChecked());
    QString caption = item->text().section('\t', 0, 0);
    caption.remove('&');
    store::messageBox(
        QStringLiteral("\"%1\" is not available in this version of Kelvra Saver.").arg(caption),
        {store::MsgButtons::Ok, store::MsgIcon::Information});
}

} // namespace editor
