#include "show/frmsaver.h"

#include <utility>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QtConcurrent/QtConcurrentRun>

#include "pictures/decodepool.h"
#include "pictures/imageio.h"
#include "pictures/pictureview.h"
#include "media/soundplayer.h"
#include "pictures/transitions.h"
#include "media/videoview.h"
#include "archive/bundle.h"
#include "show/overlay.h"
#include "show/playlist.h"
#include "show/showrules.h"
#include "store/ini.h"
#include "store/messages.h"
#include "store/paths.h"
#include "store/settings.h"

namespace show {

namespace {

const QString kSection = QStringLiteral("Screen Saver Properties");

bool isTrue(const QString& text)
{
    const QString t = text.trimmed();
    return t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
           (!t.isEmpty() && leadingValue(t) != 0.0);
}

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString numberText(double value)
{
    return QString::number(value, 'g', 12);
}

QColor colorFromText(const QString& text, const QColor& fallback)
{
    if (text.trimmed().isEmpty())
        return fallback;
    return pictures::bgrToColor(nearest(leadingValue(text)));
}

QString colorText(const QColor& color)
{
    return QString::number(pictures::colorToBgr(color));
}

int clampInt(double value)
{
    return static_cast<int>(std::clamp<long long>(nearest(value), INT_MIN, INT_MAX));
}

// What a worker needs to decode a picture at the size it will be shown, and
// (when `plan` is valid) to make its paint ahead.
struct DecodeJob {
    QString path;
    DecodeFit fit;
    OverlayInputs overlay;
    int currentMode = 0;
    pictures::PaintPlan plan;
};

DecodedPicture decodePicture(const DecodeJob& job)
{
    DecodedPicture result;
    result.path = job.path;
    result.fit = job.fit;
    const pictures::ImageInfo info = pictures::queryImageInfo(job.path);
    const DecodeFit& fit = job.fit;
    QSize bound = fit.window;
    bool exact = false;
    if (!fit.preview && info.ok) {
        const double t = frmSaver::kTwipsPerPixel;
        const PicturePlacement p =
            placePicture(fit.zoomText, fit.zoomPercent, info.size.width(), info.size.height(),
                         fit.window.width() * t, fit.window.height() * t, t, t, SizeNormal);
        if (p.sizeMode != SizeStretch) {
            bound = QSize(std::max(1, int(nearest(p.rect.w / t))),
                          std::max(1, int(nearest(p.rect.h / t))));
            exact = true;
        }
    }
    pictures::LoadOptions options;
    if (bound.isValid() && !bound.isEmpty())
        options.fitInside = bound;
    options.exactFit = exact;
    pictures::LoadResult loaded = pictures::loadImage(job.path, options);
    result.ok = loaded.ok();
    if (!result.ok)
        return result;
    result.image = std::move(loaded.image);
    result.sourceSize = info.ok ? info.size : loaded.sourceSize;
    if (fit.preview)
        return result;

    // The rest of what the tick would do on the window's thread.
    const OverlayInputs& o = job.overlay;
    result.overlay = o;
    result.textPosition = o.position;
    result.shown = o.text.isEmpty() ? result.image
                                    : drawOverlay(result.image, o.text, o.style, o.alignText,
                                                  o.zoom, result.textPosition);
    if (job.plan.valid) {
        const PictureSpot spot = frmSaver::spotFor(fit.zoomText, int(fit.zoomPercent),
                                                   result.sourceSize, result.image.size(),
                                                   fit.window, job.currentMode);
        pictures::PaintPlan plan = job.plan;
        plan.picture = result.shown;
        plan.sourceSize = result.shown.size();
        plan.geometry = spot.rect;
        plan.sizeMode = spot.sizeMode;
        pictures::preparePaint(plan);
        result.plan = std::move(plan);
    }
    return result;
}

// Covers a screen other than the show's in the background colour; its input
// goes to the show.
class CoverWindow : public QWidget {
public:
    CoverWindow(const QColor& color, QScreen* screen, QWidget* show) : m_color(color), m_show(show)
    {
        setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
        setAttribute(Qt::WA_DeleteOnClose);
        // An opaque widget gets no background from its palette: it paints
        // its colour itself.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setCursor(Qt::BlankCursor);
        setMouseTracking(true);
        setGeometry(screen->geometry());
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter(this).fillRect(event->rect(), m_color);
    }
    // Input over a cover is input to the show (the show's grab usually
    // takes it first).
    void keyPressEvent(QKeyEvent* event) override { forward(event); }
    void mousePressEvent(QMouseEvent* event) override { forward(event); }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!m_show)
            return;
        const QPointF at = m_show->mapFromGlobal(event->globalPosition());
        QMouseEvent moved(event->type(), at, event->globalPosition(), event->button(),
                          event->buttons(), event->modifiers());
        QCoreApplication::sendEvent(m_show, &moved);
    }

private:
    void forward(QEvent* event)
    {
        if (m_show)
            QCoreApplication::sendEvent(m_show, event);
    }
    QColor m_color;
    QPointer<QWidget> m_show;
};

} // namespace

frmSaver::frmSaver(Program program, ShowMode mode, QWidget* parent)
    : frmSaver(program, mode,
               BundleFolder{program == Program::Runtime ? store::workDir() : QString(), nullptr},
               parent)
{
}

frmSaver::frmSaver(Program program, ShowMode mode, const BundleFolder& bundle, QWidget* parent)
    : QWidget(parent), m_program(program), m_mode(mode), m_pending(bundle.pending)
{
    setWindowTitle(QString::fromLatin1(store::kProgramTitle));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    m_picture = new pictures::PictureView(this);
    m_picture->hide();
    m_picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_picture->setFocusPolicy(Qt::NoFocus);
    connect(m_picture, &pictures::PictureView::progress, this, [this](int percent) {
        if (m_machine && !m_unloaded) {
            m_machine->paintProgress(percent);
            schedule();
        }
    });

    m_sound = new media::SoundPlayer(this);
    connect(m_sound, &media::SoundPlayer::statusUpdate, this, &frmSaver::soundStatus);

    m_tick = new QTimer(this);
    m_tick->setSingleShot(true);
    m_tick->setTimerType(Qt::PreciseTimer);
    connect(m_tick, &QTimer::timeout, this, &frmSaver::pump);

    m_decoder = new QFutureWatcher<DecodedPicture>(this);
    connect(m_decoder, &QFutureWatcher<DecodedPicture>::finished, this, &frmSaver::decodeDone);
    m_decodeWatch = new QTimer(this);
    m_decodeWatch->setSingleShot(true);
    m_decodeWatch->setInterval(kDecodePatienceMs);
    connect(m_decodeWatch, &QTimer::timeout, this, &frmSaver::decodeStuck);

    if (m_program == Program::Runtime) {
        m_workFolder = bundle.folder;
        m_programPath = bundle.programPath;
        if (m_programPath.isEmpty()) {
            const QStringList args = QCoreApplication::arguments();
            m_programPath = args.isEmpty() ? QCoreApplication::applicationFilePath() : args.first();
        }
        m_settingsFile = m_workFolder + archive::runtimeNames(m_programPath).settingsFile();
    } else {
        m_displayText = store::getSetting(QStringLiteral("Display Text"), QString(), true);
    }

    m_backColor = colorFromText(
        store::getSetting(QStringLiteral("Background Color"), QStringLiteral("0"), true),
        Qt::black);
    m_picture->setBackColor(m_backColor);
    m_picture->setZoom(100);

    ShowMachine::Config config;
    config.program = program;
    config.mode = mode;
    config.itemIntervalMs = itemIntervalMs(
        store::getSetting(QStringLiteral("Screen Saver Timeout"), QStringLiteral("1"), true));
    loadLists(config);
    // A full-screen show knows its size before its window exists: the first
    // picture decodes while the window is created and mapped, instead of
    // after. Should the window end up another size, the picture is decoded
    // again for it.
    const QString first = config.images.isEmpty() ? QString() : config.images.first();
    ShowHost& host = *this;
    m_machine = std::make_unique<ShowMachine>(std::move(config), host);
    if (mode == ShowMode::FullScreen && !first.isEmpty() && itemKind(first) == ItemKind::Picture &&
        itemExists(first)) {
        if (QScreen* primary = QGuiApplication::primaryScreen())
            startDecode(first, primary->geometry().size());
    }
}

frmSaver::~frmSaver()
{
    if (!m_unloaded)
        unload();
}

// --- settings ----------------------------------------------------------------

bool frmSaver::settingsFileExists() const
{
    return !m_settingsFile.isEmpty() && entryExists(m_settingsFile);
}

QString frmSaver::fileSetting(const QString& key, const QString& def) const
{
    store::INI ini;
    ini.setINIfile(m_settingsFile);
    return ini.ReadINI(kSection, key, def).toString();
}

QString frmSaver::setting(const QString& name, const QString& fileKey, const QString& def) const
{
    if (m_program == Program::Runtime && !fileKey.isEmpty())
        return store::getSetting(name, fileSetting(fileKey, def), true);
    return store::getSetting(name, def, true);
}

void frmSaver::readPaintSettings()
{
    if (m_program == Program::Runtime && !settingsFileExists()) {
        store::MsgOptions options;
        options.icon = store::MsgIcon::Information;
        store::messageBox(
            QStringLiteral("A data file for this screen saver cannot be read.  Please reinstall "
                           "the screen saver to restore the file properly.  The screen saver "
                           "will still function, but some settings defined by the creator will "
                           "not be in place.\n\nFile:  ") +
                QFileInfo(m_settingsFile).fileName(),
            options);
        return;
    }
    pictures::PictureView& v = *m_picture;
    v.setEffectGrain(
        clampInt(leadingValue(setting(QStringLiteral("EffectGrain"), QStringLiteral("Effect Grain"),
                                      QString::number(v.effectGrain())))));
    v.setEffectDelay(
        clampInt(leadingValue(setting(QStringLiteral("EffectDelay"), QStringLiteral("Effect Delay"),
                                      QString::number(v.effectDelay())))));
    v.setPaintMaxPasses(clampInt(
        leadingValue(setting(QStringLiteral("PaintMaxPasses"), QStringLiteral("Paint Max Passes"),
                             QString::number(v.paintMaxPasses())))));
    v.setWandSize(clampInt(leadingValue(setting(
        QStringLiteral("WandSize"), QStringLiteral("Wand Size"), QString::number(v.wandSize())))));
    v.setWandColor(colorFromText(setting(QStringLiteral("WandColor"), QStringLiteral("Wand Color"),
                                         colorText(v.wandColor())),
                                 v.wandColor()));
    if (m_program == Program::Runtime) {
        const QString text = store::getSetting(QStringLiteral("TransparentColor"),
                                               colorText(v.transparentColor()), true);
        v.setTransparentColor(pictures::bgrToColor(nearest(leadingValue(text))));
    }
}

void frmSaver::loadLists(ShowMachine::Config& config)
{
    if (m_program == Program::Editor) {
        const QString dir = store::windowsDir(true);
        config.images = loadImageList(dir + QStringLiteral("zem.ini"));
        if (m_mode != ShowMode::Preview)
            config.sounds = loadList(dir + QStringLiteral("zem-sound.ini"));
    } else {
        // Entries still being unpacked count as there; the show waits for
        // each when its turn comes.
        const auto pending = [this](const QString& path) {
            return m_pending && m_pending->pending(path);
        };
        const archive::BundleNames names = archive::runtimeNames(m_programPath);
        config.images = loadImageList(
            archive::showListFile(QFileInfo(m_programPath).absolutePath(), names, m_workFolder),
            m_workFolder, pending);
        if (m_mode != ShowMode::Preview)
            config.sounds = loadList(m_workFolder + names.soundListFile(), m_workFolder, pending);
    }
}

std::optional<EffectChoice> frmSaver::effectChoice()
{
    const QString current = QString::number(m_picture->paintEffect());
    if (m_program == Program::Editor) {
        const bool random = isTrue(
            store::getSetting(QStringLiteral("Randomize Effects"), QStringLiteral("False"), true));
        if (random)
            return EffectChoice{true, 0};
        return EffectChoice{false, clampInt(leadingValue(store::getSetting(
                                       QStringLiteral("Paint Effect"), current, true)))};
    }
    if (!settingsFileExists())
        return std::nullopt;
    if (isTrue(fileSetting(QStringLiteral("Random Paint Effect"), QStringLiteral("False"))))
        return EffectChoice{true, 0};
    return EffectChoice{false,
                        clampInt(leadingValue(setting(QStringLiteral("Paint Effect"),
                                                      QStringLiteral("Paint Effect"), current)))};
}

// --- the start and the clock -------------------------------------------------

void frmSaver::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    // After the dispatcher has given the window its final place and size.
    QTimer::singleShot(0, this, &frmSaver::startShow);
}

void frmSaver::startShow()
{
    if (m_unloaded)
        return;
    m_clock.start();
    readPaintSettings();
    if (m_mode == ShowMode::Preview) {
        m_picture->setGeometry(rect());
        m_picture->setPaintSizeMode(SizeStretch);
    } else {
        m_picture->setGeometry(rect());
    }
    if (m_mode == ShowMode::FullScreen) {
        coverOtherScreens();
        // Monitors plugged in or out while the show runs are covered too.
        connect(qGuiApp, &QGuiApplication::screenAdded, this, &frmSaver::screensChanged);
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &frmSaver::screensChanged);
        connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &frmSaver::screensChanged);
        for (QScreen* s : QGuiApplication::screens())
            connect(s, &QScreen::geometryChanged, this, &frmSaver::screensChanged,
                    Qt::UniqueConnection);
        // A screen saver takes all input while it runs.
        grabKeyboard();
        grabMouse(QCursor(Qt::BlankCursor));
        setFocus();
    }
    m_machine->start(now());
    if (m_machine->config().images.isEmpty() && !m_firstShown) {
        m_firstShown = true;
        Q_EMIT firstItemShown();
    }
    schedule();
}

void frmSaver::schedule()
{
    if (m_unloaded || !m_machine || m_machine->closed()) {
        m_tick->stop();
        return;
    }
    const std::optional<qint64> deadline = m_machine->nextDeadline();
    if (!deadline) {
        m_tick->stop();
        return;
    }
    m_tick->start(static_cast<int>(std::clamp<qint64>(*deadline - now(), 0, INT_MAX)));
}

void frmSaver::pump()
{
    if (m_unloaded)
        return;
    m_machine->advance(now());
    schedule();
}

void frmSaver::coverOtherScreens()
{
    for (const QPointer<QWidget>& cover : std::as_const(m_covers)) {
        if (cover)
            cover->close();
    }
    m_covers.clear();
    if (m_unloaded)
        return;
    // The show's own screen is the one that holds the middle of the window
    // (screen() may still name the primary while the window is placed).
    QScreen* mine = QGuiApplication::screenAt(geometry().center());
    if (!mine)
        mine = screen();
    for (QScreen* other : QGuiApplication::screens()) {
        if (other == mine || other->geometry().isEmpty() ||
            (mine && mine->geometry().contains(other->geometry())))
            continue;
        auto* cover = new CoverWindow(m_backColor, other, this);
        cover->setScreen(other);
        cover->setGeometry(other->geometry());
        cover->show();
        cover->raise();
        m_covers << cover;
    }
}

void frmSaver::screensChanged()
{
    // Several changes come at once when a monitor is plugged in or out:
    // the covers are made again once they have settled.
    if (!m_coverAgain) {
        m_coverAgain = new QTimer(this);
        m_coverAgain->setSingleShot(true);
        m_coverAgain->setInterval(0);
        connect(m_coverAgain, &QTimer::timeout, this, &frmSaver::coverOtherScreens);
    }
    for (QScreen* s : QGuiApplication::screens())
        connect(s, &QScreen::geometryChanged, this, &frmSaver::screensChanged,
                Qt::UniqueConnection);
    m_coverAgain->start();
}

// --- pictures ------------------------------------------------------------------

bool frmSaver::isPainting() const
{
    return m_picture->isPainting() || !m_waitingFor.isEmpty();
}

DecodeFit frmSaver::currentFit(QSize window) const
{
    DecodeFit fit;
    fit.preview = m_mode == ShowMode::Preview;
    fit.zoomText = store::getSetting(QStringLiteral("Zoom Setting"), QStringLiteral("0"), true);
    fit.zoomPercent = m_picture->zoom();
    fit.window = window.isValid() ? window : size();
    return fit;
}

void frmSaver::startDecode(const QString& path, QSize window)
{
    // Busy until decodeDone() has run, not only while the worker runs: a
    // finished decode whose signal is still queued would otherwise be
    // replaced, and the picture waited for would never come.
    if (!m_decoding.isEmpty()) {
        m_queued = path;
        return;
    }
    m_queued.clear();
    DecodeJob job;
    job.path = path;
    job.fit = currentFit(window);
    if (m_mode != ShowMode::Preview && m_started) {
        job.overlay = overlayInputs();
        job.currentMode = m_picture->paintSizeMode();
        // The effect of the tick that will show it: the one asked for, or
        // the one the next tick will choose.
        const int effect = path == m_waitingFor ? m_waitingEffect : m_machine->upcomingEffect();
        job.plan = m_picture->planPaint(QImage(), QSize(), QRect(), job.currentMode, effect);
    }
    m_decoding = path;
    m_decoder->setFuture(QtConcurrent::run(pictures::decodePool(), [job] {
        pictures::lowerDecodePriority();
        return decodePicture(job);
    }));
    m_decodeWatch->start();
}

void frmSaver::decodeStuck()
{
    if (m_decoding.isEmpty() || m_unloaded)
        return;
    // The file does not answer (a hung mount): its worker is left to it, and
    // the show goes on as if the picture were unreadable.
    m_decoder->disconnect(this);
    m_decoder->deleteLater();
    m_decoder = new QFutureWatcher<DecodedPicture>(this);
    connect(m_decoder, &QFutureWatcher<DecodedPicture>::finished, this, &frmSaver::decodeDone);
    DecodedPicture failed;
    failed.path = m_decoding;
    failed.fit = currentFit({});
    finishDecode(std::move(failed));
}

void frmSaver::decodeDone()
{
    finishDecode(m_decoder->result());
}

void frmSaver::finishDecode(DecodedPicture result)
{
    m_decodeWatch->stop();
    m_decoding.clear();
    if (m_unloaded)
        return;
    if (!m_waitingFor.isEmpty() && result.path == m_waitingFor &&
        result.fit != currentFit({})) {
        // Decoded for another window size or zoom (an early start): again,
        // before any picture queued behind it.
        const QString queued = m_queued;
        startDecode(m_waitingFor);
        m_queued = queued;
        return;
    }
    if (!m_waitingFor.isEmpty() && result.path == m_waitingFor) {
        m_waitingFor.clear();
        presentPicture(std::move(result), m_waitingEffect);
    } else {
        m_ready = std::move(result);
    }
    if (!m_queued.isEmpty()) {
        const QString next = m_queued;
        m_queued.clear();
        if (!(m_ready && m_ready->path == next))
            startDecode(next);
    }
}

bool frmSaver::itemExists(const QString& path)
{
    if (m_pending && m_pending->pending(path))
        return m_pending->await(path);
    return entryExists(path);
}

void frmSaver::prepareNext(const QString& path)
{
    // A file still on its way is decoded when its turn comes, not waited
    // for now.
    if (path.isEmpty() || itemKind(path) != ItemKind::Picture || !entryExists(path))
        return;
    if ((m_ready && m_ready->path == path) || m_decoding == path || m_waitingFor == path)
        return;
    // The same file again (a list with duplicates): the picture on screen is it.
    if (m_current.ok && m_current.path == path) {
        m_ready = m_current;
        return;
    }
    // Memory holds the picture on screen and the next one, nothing more.
    m_ready.reset();
    startDecode(path);
}

void frmSaver::showPicture(const QString& path, bool exists, int effect)
{
    Q_EMIT pictureRequested(path);
    if (!exists) {
        presentPicture(DecodedPicture{}, effect);
        return;
    }
    if (m_ready && m_ready->path == path && m_ready->fit != currentFit({}))
        m_ready.reset();
    if (m_ready && m_ready->path == path) {
        DecodedPicture picture = std::move(*m_ready);
        m_ready.reset();
        presentPicture(std::move(picture), effect);
        return;
    }
    m_waitingFor = path;
    m_waitingEffect = effect;
    if (m_decoding != path)
        startDecode(path);
}

void frmSaver::presentPicture(DecodedPicture picture, int effect)
{
    // What was made ahead with the decode serves this one paint. The picture
    // kept as the one on screen is the decode alone: shown again (a listed
    // duplicate, the picture after a clip) it is drawn with its text anew,
    // never from a made image that is no longer there.
    const std::optional<OverlayInputs> madeFor = std::exchange(picture.overlay, std::nullopt);
    const QImage made = std::exchange(picture.shown, QImage());
    std::optional<pictures::PaintPlan> plan = std::exchange(picture.plan, std::nullopt);
    const bool ok = picture.ok;
    if (ok)
        m_current = std::move(picture);
    if (m_video && m_video->isVisible())
        m_video->hide();
    if (m_current.image.isNull()) {
        // Nothing to show yet (a missing or unreadable first picture).
        if (!m_firstShown) {
            m_firstShown = true;
            Q_EMIT firstItemShown();
        }
        return;
    }
    QImage image = m_current.image;
    if (m_mode != ShowMode::Preview) {
        const OverlayInputs overlay = overlayInputs();
        if (ok && madeFor == overlay) {
            image = made;
            m_textPos = m_current.textPosition;
        } else if (!overlay.text.isEmpty()) {
            image = drawOverlay(m_current.image, overlay.text, overlay.style, overlay.alignText,
                                overlay.zoom, m_textPos);
        }
    }
    // Hidden while it is prepared, so that placing it does not redraw the
    // old picture at the new place; showing it paints from what the screen
    // showed last to the new picture.
    m_picture->hide();
    m_picture->setPaintEffect(effect);
    if (m_mode != ShowMode::Preview)
        placeCurrentPicture();
    m_picture->setImage(image);
    if (ok && plan)
        m_picture->setPlan(std::move(*plan));
    m_picture->show();
    Q_EMIT paintStarted();
    if (!m_firstShown) {
        m_firstShown = true;
        Q_EMIT firstItemShown();
    }
}

PictureSpot frmSaver::spotFor(const QString& zoomText, int zoomPercent, QSize sourceSize,
                             QSize imageSize, QSize window, int currentMode)
{
    const double t = kTwipsPerPixel;
    // The decoded picture may be smaller than the file (it is decoded at the
    // size it is shown at); the placement works from the file's own size.
    const QSize pixels = sourceSize.isValid() ? sourceSize : imageSize;
    const PicturePlacement p =
        placePicture(zoomText, zoomPercent, pixels.width(), pixels.height(), window.width() * t,
                     window.height() * t, t, t, currentMode);
    PictureSpot spot;
    spot.rect = QRect(int(nearest(p.rect.x / t)), int(nearest(p.rect.y / t)),
                      int(nearest(p.rect.w / t)), int(nearest(p.rect.h / t)));
    spot.sizeMode = p.sizeMode;
    // A picture decoded smaller than its own size fills its rectangle.
    if (spot.sizeMode == SizeNormal && imageSize != pixels)
        spot.sizeMode = SizeFit;
    return spot;
}

int frmSaver::plannedPaints() const
{
    return m_picture->plannedPaints();
}

void frmSaver::placeCurrentPicture()
{
    if (m_current.image.isNull() || isMinimized())
        return;
    const QString zoomText =
        store::getSetting(QStringLiteral("Zoom Setting"), QStringLiteral("0"), true);
    const PictureSpot spot = spotFor(zoomText, m_picture->zoom(), m_current.sourceSize,
                                     m_current.image.size(), size(), m_picture->paintSizeMode());
    m_picture->setPaintSizeMode(spot.sizeMode);
    m_picture->setGeometry(spot.rect);
}

OverlayInputs frmSaver::overlayInputs()
{
    OverlayInputs in;
    in.text = m_program == Program::Editor ? m_displayText
                                           : fileSetting(QStringLiteral("Display Text"), {});
    if (in.text.isEmpty())
        return in;
    const bool editor = m_program == Program::Editor;
    auto read = [&](const char* editorKey, const char* runtimeKey, const QString& def) {
        return editor ? store::getSetting(QString::fromLatin1(editorKey), def, true)
                      : fileSetting(QString::fromLatin1(runtimeKey), def);
    };

    // The attributes are applied before measuring, so that the block is
    // measured with the font it is drawn in.
    pictures::TextStyle& s = m_textStyle;
    s.fontName = read("Display Text Font Name", "Display Text Font Name", s.fontName);
    const double size = leadingValue(
        read("Display Text Font Size", "Display Text Font Size", numberText(s.fontSize)));
    if (size > 0)
        s.fontSize = size;
    s.color = colorFromText(
        read("Display Text Forecolor", "Display Text Forecolor", colorText(s.color)), s.color);
    s.bold = isTrue(read("Display Text Bold", "Display Text Bold", boolText(s.bold)));
    if (editor)
        s.charset = clampInt(leadingValue(store::getSetting(QStringLiteral("Display Text Charset"),
                                                            QString::number(s.charset), true)));
    s.italic = isTrue(read("Display Text Italic", "Display Text Italic", boolText(s.italic)));
    s.strikethrough = isTrue(read("Display Text Strikethrough", "Display Text Strikethrough",
                                  boolText(s.strikethrough)));
    s.underline =
        isTrue(read("Display Text Underline", "Display Text Underline", boolText(s.underline)));
    s.style = clampInt(
        leadingValue(read("Display Text Style", "Display Text Style", QString::number(s.style))));
    s.highlightColor =
        colorFromText(read("Display Text Hilite Color", "Display Text Highlight Color",
                           colorText(s.highlightColor)),
                      s.highlightColor);
    s.angle = clampInt(
        leadingValue(read("Display Text Angle", "Display Text Angle", QString::number(s.angle))));
    s.shadowXDepth = leadingValue(
        read("Display Text ShadowXDepth", "Display Text ShadowXDepth", numberText(s.shadowXDepth)));
    s.shadowYDepth = leadingValue(
        read("Display Text ShadowYDepth", "Display Text ShadowYDepth", numberText(s.shadowYDepth)));
    s.shadowColor = colorFromText(
        read("Display Text Shadow Color", "Display Text Shadow Color", colorText(s.shadowColor)),
        s.shadowColor);
    s.wordWrap =
        isTrue(read("Display Text Wordwrap", "Display Text Wordwrap", QStringLiteral("True")));

    in.style = s;
    in.alignText = read("Display Text Align", "Display Text Alignment", QStringLiteral("3"));
    in.zoom = m_picture->zoom() / 100.0;
    in.position = m_textPos;
    return in;
}

// --- clips -----------------------------------------------------------------------

bool frmSaver::isClipPlaying() const
{
    return m_video && m_video->isPlaying();
}

bool frmSaver::isClipVisible() const
{
    return m_video && m_video->isVisible();
}

void frmSaver::showClip(const QString& path, bool reopen)
{
    if (m_pending)
        m_pending->await(path);
    m_picture->hide();
    if (!m_video) {
        m_video = new media::VideoView(this);
        m_video->setFocusPolicy(Qt::NoFocus);
        connect(m_video, &media::VideoView::frameRendered, this, [this] {
            if (m_clipUnplaced && !m_video->frameSize().isEmpty())
                placeClip();
        });
        connect(m_video, &media::VideoView::statusChanged, this, [this] {
            if (m_machine && !m_unloaded) {
                m_machine->videoStatus(now());
                schedule();
            }
        });
    }
    m_video->hide();
    if (reopen || !m_video->isOpen())
        m_video->open(path);
    placeClip();
    m_video->play();
    m_video->show();
    m_video->raise();
    if (!m_firstShown) {
        m_firstShown = true;
        Q_EMIT firstItemShown();
    }
}

void frmSaver::placeClip()
{
    if (!m_video)
        return;
    if (m_mode == ShowMode::Preview) {
        m_video->setGeometry(0, 0, 151, 111);
        return;
    }
    const double t = kTwipsPerPixel;
    const QString zoomText =
        store::getSetting(QStringLiteral("Zoom Setting"), QStringLiteral("0"), true);
    m_video->setKeepAspect(zoomText != QLatin1String("2"));
    // A clip whose first frame has not come yet has no size: it gets the
    // whole window until its frame size is known.
    m_clipUnplaced = m_video->frameSize().isEmpty();
    if (m_clipUnplaced) {
        m_video->setGeometry(rect());
        return;
    }
    const TwipRect r = placeVideo(zoomText, m_video->frameWidth(), m_video->frameHeight(),
                                  width() * t, height() * t, t, t);
    m_video->setGeometry(int(nearest(r.x / t)), int(nearest(r.y / t)), int(nearest(r.w / t)),
                         int(nearest(r.h / t)));
}

// --- sound ---------------------------------------------------------------------

bool frmSaver::isSoundPlaying() const
{
    return m_sound->updateInterval() >= 1;
}

void frmSaver::playSound(const QString& path, SoundKind kind)
{
    media::SoundPlayer& mmc = *m_sound;
    const CdTrack cd = kind == SoundKind::CdTrack ? cdTrack(path) : CdTrack{};
    if (m_pending && kind == SoundKind::SoundFile)
        m_pending->await(path);
    if (kind == SoundKind::SoundFile) {
        mmc.setCommand(QStringLiteral("Stop"));
        mmc.setCommand(QStringLiteral("Close"));
        mmc.setDeviceType(QString());
        mmc.setFileName(path);
    } else {
        mmc.setDeviceType(QStringLiteral("CDAudio"));
        mmc.setFileName(cd.drive);
    }
    mmc.setCommand(QStringLiteral("Open"));
    if (mmc.error() != 0)
        return;
    mmc.setTimeFormat(0);
    if (kind == SoundKind::CdTrack) {
        mmc.setTrack(cd.track);
        mmc.setFrom(mmc.trackPosition());
        mmc.setTo(mmc.trackPosition() + mmc.trackLength());
    }
    mmc.setCommand(QStringLiteral("Play"));
    if (mmc.error() == 0)
        mmc.setUpdateInterval(500);
}

void frmSaver::soundStatus()
{
    media::SoundPlayer& mmc = *m_sound;
    bool ended = false;
    if (mmc.deviceType().compare(QLatin1String("CDAudio"), Qt::CaseInsensitive) == 0)
        ended = mmc.position() / 1000 >= mmc.to() / 1000;
    else
        ended = mmc.position() >= mmc.length();
    if (!ended)
        return;
    mmc.setUpdateInterval(0);
    mmc.setCommand(QStringLiteral("Stop"));
    mmc.setCommand(QStringLiteral("Close"));
}

// --- input and the end -------------------------------------------------------------

QPoint frmSaver::cursorPos() const
{
    return QCursor::pos();
}

void frmSaver::stopPaint()
{
    m_picture->stopPaint();
}

void frmSaver::stopClip()
{
    if (m_video)
        m_video->stop();
}

void frmSaver::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), m_backColor);
}

void frmSaver::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_mode == ShowMode::Preview) {
        m_picture->setGeometry(rect());
        return;
    }
    if (m_picture->isVisible())
        placeCurrentPicture();
    else
        m_picture->setGeometry(rect());
}

void frmSaver::keyPressEvent(QKeyEvent* event)
{
    if (!m_machine || m_unloaded)
        return;
    m_machine->keyOrClick();
    schedule();
    event->accept();
}

void frmSaver::mousePressEvent(QMouseEvent* event)
{
    if (!m_machine || m_unloaded)
        return;
    m_machine->keyOrClick();
    schedule();
    event->accept();
}

void frmSaver::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_machine || m_unloaded || !m_started)
        return;
    const QPointF p = event->position();
    m_machine->mouseMoved(QPoint(int(nearest(p.x())), int(nearest(p.y()))));
    schedule();
}

void frmSaver::closeShow()
{
    close();
}

void frmSaver::closeEvent(QCloseEvent* event)
{
    // No password is asked for on this platform, so the closing is never
    // refused.
    if (!m_unloaded)
        unload();
    event->accept();
}

void frmSaver::unload()
{
    m_unloaded = true;
    m_tick->stop();
    releaseKeyboard();
    releaseMouse();
    unsetCursor();
    m_sound->setUpdateInterval(0);
    m_sound->setCommand(QStringLiteral("Stop"));
    m_sound->setCommand(QStringLiteral("Close"));
    if (m_video) {
        if (m_video->isPlaying())
            m_video->stop();
        m_video->close();
        m_video->hide();
    }
    m_picture->stopPaint();
    m_picture->hide();
    for (const QPointer<QWidget>& cover : std::as_const(m_covers)) {
        if (cover)
            cover->close();
    }
    m_covers.clear();
    if (m_program == Program::Runtime && !m_workFolder.isEmpty())
        store::ClearWorkFolder(m_workFolder);
}

} // namespace show
