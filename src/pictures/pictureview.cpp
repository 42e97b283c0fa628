#include "pictures/pictureview.h"

#include <cmath>
#include <utility>

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QThreadPool>
#include <QTimer>

#include "pictures/screenbuffers.h"

namespace pictures {

PictureView::PictureView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &PictureView::advanceFrame);
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    m_clock = [elapsed] { return elapsed->elapsed(); };
}

PictureView::~PictureView()
{
    // A decode in flight posts its result to this view: it must end first.
    if (m_decoder) {
        m_decoder->clear();
        m_decoder->waitForDone();
    }
}

// --- picture -----------------------------------------------------------------

QSize PictureView::decodeBound() const
{
    if (m_decodeBound.isValid())
        return m_decodeBound;
    QScreen* s = screen();
    if (!s)
        return QSize(3840, 2160);
    const QSize screenSize = s->size() * s->devicePixelRatio();
    return screenSize.expandedTo(size());
}

void PictureView::setDecodeBound(const QSize& bound)
{
    m_decodeBound = bound;
}

LoadStatus PictureView::loadImage(const QString& path)
{
    LoadOptions options;
    options.fitInside = decodeBound();
    // Painting scales the picture into its rectangle anyway; resampling it
    // to the exact bound first would be done twice.
    options.exactFit = false;
    ++m_loadSerial;
    m_loading = false;
    LoadResult r = pictures::loadImage(path, options);
    if (r.ok()) {
        m_image = std::move(r.image);
        m_sourceSize = r.sourceSize;
    }
    emitProgress(100);
    if (r.ok() && isVisible())
        startPaint();
    return r.status;
}

void PictureView::loadImageAsync(const QString& path, const QImage& quick)
{
    const quint64 serial = ++m_loadSerial;
    m_loading = true;
    m_quickShown = !quick.isNull();
    if (m_quickShown) {
        m_image = quick;
        m_sourceSize = quick.size();
        if (isVisible())
            startPaint();
    }
    LoadOptions options;
    options.fitInside = decodeBound();
    options.exactFit = false;
    if (!m_decoder) {
        m_decoder = std::make_unique<QThreadPool>();
        m_decoder->setMaxThreadCount(1);
    }
    // Only the newest request matters: one still waiting is dropped.
    m_decoder->clear();
    m_decoder->start([this, serial, path, options] {
        LoadResult r = pictures::loadImage(path, options);
        QMetaObject::invokeMethod(
            this,
            [this, serial, r = std::move(r)]() mutable {
                if (serial != m_loadSerial)
                    return;
                m_loading = false;
                if (r.ok()) {
                    m_image = std::move(r.image);
                    m_sourceSize = r.sourceSize;
                    if (isVisible()) {
                        if (m_quickShown) {
                            stopPaint();
                            refreshStill();
                        } else {
                            startPaint();
                        }
                    }
                }
                emitProgress(100);
                Q_EMIT loaded(r.ok());
            },
            Qt::QueuedConnection);
    });
}

void PictureView::setImage(const QImage& image)
{
    ++m_loadSerial;
    m_loading = false;
    m_image = image.isNull() ? QImage() : image;
    m_sourceSize = m_image.size();
    if (isVisible())
        startPaint();
}

void PictureView::dropImage()
{
    ++m_loadSerial;
    m_loading = false;
    m_image = QImage();
    m_sourceSize = QSize();
    if (isVisible() && !isPainting())
        refreshStill();
}

bool PictureView::hasImage() const
{
    return !m_image.isNull();
}

QImage PictureView::image() const
{
    return m_image;
}

QSize PictureView::imageSize() const
{
    return m_image.isNull() ? QSize(0, 0) : m_image.size();
}

QSize PictureView::sourceSize() const
{
    return m_image.isNull() ? QSize(0, 0) : m_sourceSize;
}

bool PictureView::saveImage(const QString& path, SaveFormat format, QString* error) const
{
    return pictures::saveImage(m_image, path, format, error);
}

ImageInfo PictureView::queryInfo(const QString& path)
{
    ImageInfo info = queryImageInfo(path);
    m_lastInfoOk = info.ok;
    return info;
}

void PictureView::drawText(const QString& text, const TextStyle& style, const QRect& rect,
                           int alignment)
{
    if (m_image.isNull())
        return;
    pictures::drawText(m_image, text, style, rect, alignment);
    if (isVisible() && !isPainting())
        refreshStill();
}

// --- properties ----------------------------------------------------------------

void PictureView::setPaintEffect(int code)
{
    m_effect = code;
}

void PictureView::setEffectParams(const EffectParams& params)
{
    m_params = params;
}

void PictureView::setBackColor(const QColor& color)
{
    m_backColor = color.isValid() ? color : QColor(0, 0, 0);
    if (isVisible() && !isPainting())
        refreshStill();
}

void PictureView::setPaintSizeMode(int mode)
{
    m_sizeMode = mode;
    if (isVisible() && !isPainting())
        refreshStill();
}

void PictureView::setZoom(int percent)
{
    m_zoom = std::clamp(percent, 1, 10000);
    if (isVisible() && !isPainting())
        refreshStill();
}

// --- composing -------------------------------------------------------------------

namespace {

// Back colour + picture by size mode and zoom, at `px` device pixels.
QImage composeScreen(const QImage& image, QSize sourceSize, QSize px, int sizeMode, int zoomPercent,
                     qreal dpr, const QColor& back)
{
    QImage screen = takeScreenBuffer(px);
    if (image.isNull()) {
        screen.fill(back);
        return screen;
    }
    const QSize img = image.size();
    // "Actual size" is the file's own size; the held picture may be smaller
    // when it was decoded to fit the screen.
    const QSize actual = sourceSize.isValid() ? sourceSize : img;
    const double zoom = zoomPercent / 100.0;
    QRectF target;
    switch (sizeMode) {
    case 1:
        target = QRectF(QPointF(0, 0), QSizeF(px));
        break;
    case 3: {
        const QSizeF fitted = QSizeF(actual).scaled(QSizeF(px), Qt::KeepAspectRatio);
        target =
            QRectF(QPointF((px.width() - fitted.width()) / 2, (px.height() - fitted.height()) / 2),
                   fitted);
        break;
    }
    default:
        target = QRectF(QPointF(0, 0), QSizeF(actual) * zoom * dpr);
        break;
    }
    // A picture that covers the whole screen needs no back colour under it.
    if (!target.contains(QRectF(screen.rect())))
        screen.fill(back);
    QPainter p(&screen);
    if (target.size() != QSizeF(img) || target.topLeft() != target.topLeft().toPoint())
        p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, image, QRectF(image.rect()));
    return screen;
}

// The old screen: `frame` where it was (`offset` from the new place, device
// pixels), the back colour elsewhere.
QImage oldScreen(const QImage& frame, QPoint offset, QSize px, const QColor& back)
{
    if (offset.isNull() && frame.size() == px && frame.format() == QImage::Format_RGB32)
        return frame;
    QImage old = takeScreenBuffer(px);
    old.fill(back);
    if (!frame.isNull()) {
        QPainter p(&old);
        p.drawImage(offset, frame);
    }
    return old;
}

bool paintsAtOnce(int effect, const EffectParams& params)
{
    return !isPoolCode(effect) || params.durationMs() <= 0;
}

bool sameParams(const EffectParams& a, const EffectParams& b)
{
    return a.grain == b.grain && a.delayMs == b.delayMs && a.maxPasses == b.maxPasses &&
           a.wandSize == b.wandSize && a.wandColor == b.wandColor &&
           a.transparentColor == b.transparentColor;
}

} // namespace

void preparePaint(PaintPlan& plan)
{
    if (!plan.valid || plan.prepared)
        return;
    const QSize px = (QSizeF(plan.geometry.size()) * plan.pixelRatio).toSize().expandedTo({1, 1});
    plan.target = composeScreen(plan.picture, plan.sourceSize, px, plan.sizeMode, plan.zoom,
                                plan.pixelRatio, plan.backColor);
    if (!paintsAtOnce(plan.effect, plan.params)) {
        const QPoint offset = (plan.oldRect.topLeft() - plan.geometry.topLeft()) * plan.pixelRatio;
        const QImage old = oldScreen(plan.oldFrame, offset, px, plan.backColor);
        plan.transition = std::make_shared<Transition>(plan.effect, plan.params, old, plan.target);
        // The first frame is the one for one frame period into the paint.
        const double first =
            double(plan.frameInterval) / std::max(1, plan.params.durationMs());
        if (first < 1.0) {
            plan.firstFrame = takeScreenBuffer(px);
            plan.transition->renderFrame(first, plan.firstFrame);
        }
    }
    plan.oldFrame = QImage(); // no second reference to the screen on the view's thread
    plan.prepared = true;
}

PaintPlan PictureView::planPaint(const QImage& picture, QSize sourceSize, const QRect& geometry,
                                 int sizeMode, int effect) const
{
    PaintPlan plan;
    plan.picture = picture;
    plan.sourceSize = sourceSize.isValid() ? sourceSize : picture.size();
    plan.geometry = geometry;
    plan.effect = effect;
    plan.params = m_params;
    plan.sizeMode = sizeMode;
    plan.zoom = m_zoom;
    plan.backColor = m_backColor;
    plan.pixelRatio = devicePixelRatioF();
    const QScreen* s = screen();
    const double hz = s && s->refreshRate() > 1 ? s->refreshRate() : 60.0;
    plan.frameInterval = std::max(4, int(1000.0 / hz));
    // The screen this view ends its current paint on, at its place.
    if (m_transition)
        plan.oldFrame = m_transition->target();
    else if (m_frameValid)
        plan.oldFrame = m_frame;
    plan.oldRect = m_frameRect;
    plan.oldSerial = m_serial;
    plan.valid = m_frameValid || m_transition;
    return plan;
}

void PictureView::setPlan(PaintPlan plan)
{
    if (plan.prepared)
        m_plan = std::move(plan);
    else
        m_plan.reset();
}

bool PictureView::planFits(const PaintPlan& plan) const
{
    return plan.prepared && plan.oldSerial == m_serial && plan.oldRect == m_frameRect &&
           plan.geometry == geometry() && plan.effect == m_effect &&
           sameParams(plan.params, m_params) && plan.sizeMode == m_sizeMode &&
           plan.zoom == m_zoom && plan.backColor == m_backColor &&
           qFuzzyCompare(plan.pixelRatio, devicePixelRatioF()) &&
           plan.picture.cacheKey() == m_image.cacheKey() && plan.sourceSize == m_sourceSize;
}

QImage PictureView::composeScreen() const
{
    const qreal dpr = devicePixelRatioF();
    const QSize px = (QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1));
    return pictures::composeScreen(m_image, m_sourceSize, px, m_sizeMode, m_zoom, dpr,
                                   m_backColor);
}

void PictureView::refreshStill()
{
    ++m_serial;
    m_frame = composeScreen();
    m_frameRect = geometry();
    m_frameValid = true;
    update();
}

// --- painting ---------------------------------------------------------------------

bool PictureView::isPainting() const
{
    return m_transition != nullptr;
}

void PictureView::setClock(std::function<qint64()> clock)
{
    if (clock)
        m_clock = std::move(clock);
}

void PictureView::startPaint()
{
    std::optional<PaintPlan> plan = std::move(m_plan);
    m_plan.reset();
    const bool atOnce = paintsAtOnce(m_effect, m_params);
    const bool planned = plan && planFits(*plan) && atOnce != bool(plan->transition);
    if (planned)
        ++m_plannedPaints;
    m_transition.reset();
    m_timer->stop();
    ++m_serial;
    if (atOnce) {
        QImage target = planned ? std::move(plan->target) : composeScreen();
        if (m_params.transparentColor.isValid()) {
            const QPoint offset =
                (m_frameRect.topLeft() - geometry().topLeft()) * devicePixelRatioF();
            applyTransparentColor(target,
                                  oldScreen(m_frameValid ? m_frame : QImage(), offset,
                                            target.size(), m_backColor),
                                  m_params.transparentColor);
        }
        m_frame = std::move(target);
        m_frameRect = geometry();
        m_frameValid = true;
        update();
        emitProgress(100);
        Q_EMIT paintFinished();
        return;
    }
    QImage first;
    if (planned) {
        m_transition = std::move(plan->transition);
        first = std::move(plan->firstFrame);
    } else {
        const QImage target = composeScreen();
        // The old screen: what this view last showed, where it showed it,
        // seen through the view's new rectangle; the back colour elsewhere.
        const QPoint offset = (m_frameRect.topLeft() - geometry().topLeft()) * devicePixelRatioF();
        const QImage old = oldScreen(m_frameValid ? m_frame : QImage(), offset, target.size(),
                                     m_backColor);
        m_transition = std::make_shared<Transition>(m_effect, m_params, old, target);
        // The frames are drawn into a buffer of their own (the first one
        // at once, below); the old screen stays what the paint starts from.
        m_frame = takeScreenBuffer(target.size());
    }
    plan.reset();
    m_frameRect = geometry();
    m_frameValid = true;
    m_progress = 0;
    const QScreen* s = screen();
    const double hz = s && s->refreshRate() > 1 ? s->refreshRate() : 60.0;
    m_frameInterval = std::max(4, int(1000.0 / hz));
    // A frame reaches the screen about one frame period after it is drawn,
    // so each one is drawn for that moment. The first is drawn at once rather
    // than at the timer's first tick; the paint keeps its length on the
    // screen and only its last frame comes one period before its end.
    m_paintStart = m_clock() - m_frameInterval;
    m_timer->start(m_frameInterval);
    if (!first.isNull()) {
        // Drawn ahead for this very moment: shown as it is.
        m_frame = std::move(first);
        update();
        const int duration = std::max(1, m_params.durationMs());
        emitProgress(std::clamp(int(double(m_frameInterval) / duration * 100), 1, 99));
        return;
    }
    advanceFrame();
}

void PictureView::advanceFrame()
{
    if (!m_transition)
        return;
    const int duration = std::max(1, m_params.durationMs());
    const qint64 elapsed = std::max<qint64>(0, m_clock() - m_paintStart);
    if (elapsed >= duration) {
        finishPaint();
        return;
    }
    const double p = double(elapsed) / duration;
    m_transition->renderFrame(p, m_frame);
    update();
    emitProgress(std::clamp(int(p * 100), 1, 99));
}

void PictureView::finishPaint()
{
    if (!m_transition)
        return;
    // The target itself, not a copy: once the transition is gone the frame
    // is its only holder, and a fresh screen-sized buffer costs a page fault
    // per 4 KB on first touch (about 100 ms at 4K on a virtual machine).
    QImage spent = std::exchange(m_frame, m_transition->target());
    QImage from = m_transition->source();
    m_transition.reset();
    // The next paint's screens are made in them.
    recycleScreenBuffer(std::move(spent));
    recycleScreenBuffer(std::move(from));
    m_timer->stop();
    update();
    emitProgress(100);
    Q_EMIT paintFinished();
}

void PictureView::stopPaint()
{
    finishPaint();
}

void PictureView::emitProgress(int percent)
{
    if (percent == m_progress && percent != 100)
        return;
    m_progress = percent;
    Q_EMIT progress(percent);
}

QImage PictureView::currentFrame() const
{
    return m_frame;
}

// --- events ------------------------------------------------------------------------

void PictureView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    if (m_frame.isNull()) {
        p.fillRect(event->rect(), m_backColor);
        return;
    }
    // m_frame is in device pixels; drawn onto the logical rectangle so that
    // no copy of the frame is made to set its pixel ratio.
    p.drawImage(QRectF(rect()), m_frame);
}

void PictureView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    startPaint();
}

void PictureView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (isPainting())
        finishPaint();
}

void PictureView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isPainting())
        finishPaint();
    if (isVisible())
        refreshStill();
}

void PictureView::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
}

} // namespace pictures
