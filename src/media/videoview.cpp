#include "media/videoview.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>

#include <mpv/client.h>
#include <mpv/render.h>

#include <atomic>
#include <cstdlib>

#include "media/mpvclient.h"

namespace media {

namespace {

constexpr int kOpenTimeoutMs = 10000;

// The software renderer wants 64-byte aligned rows and memory for speed.
QImage makeFrameBuffer(QSize size)
{
    const int stride = ((size.width() * 4) + 63) / 64 * 64;
    const size_t bytes = size_t(stride) * size_t(size.height());
    void* data = std::aligned_alloc(64, (bytes + 63) / 64 * 64);
    if (!data)
        return {};
    return QImage(
        static_cast<uchar*>(data), size.width(), size.height(), stride, QImage::Format_RGB32,
        [](void* p) { std::free(p); }, data);
}

} // namespace

struct VideoView::Private {
    VideoView* q;
    // Made on the first open(): a show of pictures only never loads libmpv.
    std::unique_ptr<MpvClient> mpv;
    mpv_render_context* render = nullptr;
    std::atomic<bool> renderPending{false};

    QString fileName;
    bool open = false;
    bool playing = false;
    bool rewindOnPlay = false; // ended or stopped: the next play starts over
    bool keepAspect = true;
    QSize frameSize;
    QImage frame;    // what paintEvent draws
    QRect frameRect; // where, in widget coordinates
    quint64 frames = 0;

    explicit Private(VideoView* view) : q(view) {}

    ~Private()
    {
        if (render) {
            mpv_render_context_set_update_callback(render, nullptr, nullptr);
            mpv_render_context_free(render);
        }
    }

    bool ensureMpv();
    void onRenderUpdate();
    void renderFrame();
    QRect targetRect() const;
    void postStatus(bool ended = false);
};

bool VideoView::Private::ensureMpv()
{
    if (render)
        return true;
    if (!mpv) {
        mpv = std::make_unique<MpvClient>(MpvClient::Kind::Video);
        QObject::connect(mpv.get(), &MpvClient::flagChanged, q,
                         [this](const QByteArray& name, bool value) {
                             if (name == "eof-reached" && value && playing) {
                                 playing = false;
                                 rewindOnPlay = true;
                                 postStatus(true);
                             }
                         });
        QObject::connect(mpv.get(), &MpvClient::endFile, q, [this](bool, int) {
            // The file went away under us (read error, unplayable stream).
            if (playing) {
                playing = false;
                postStatus(true);
            }
        });
        // Followed through events, never read while a file starts: mpv's
        // core then waits for us to render the first frame, and a read
        // would wait for the core.
        QObject::connect(mpv.get(), &MpvClient::intChanged, q,
                         [this](const QByteArray& name, qint64 value) {
                             if (name == "dwidth")
                                 frameSize.setWidth(int(value));
                             else if (name == "dheight")
                                 frameSize.setHeight(int(value));
                         });
    }
    if (!mpv->ensure())
        return false;
    mpv->observeFlag("eof-reached");
    mpv->observeInt("dwidth");
    mpv->observeInt("dheight");

    const char* api = MPV_RENDER_API_TYPE_SW;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(api)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render, mpv->handle(), params) < 0) {
        render = nullptr;
        return false;
    }
    mpv_render_context_set_update_callback(
        render,
        [](void* ctx) {
            // On an mpv thread: only post.
            auto* self = static_cast<Private*>(ctx);
            if (self->renderPending.exchange(true))
                return;
            QMetaObject::invokeMethod(
                self->q,
                [self] {
                    self->renderPending = false;
                    self->onRenderUpdate();
                },
                Qt::QueuedConnection);
        },
        this);
    return true;
}

void VideoView::Private::onRenderUpdate()
{
    if (!render)
        return;
    if (mpv_render_context_update(render) & MPV_RENDER_UPDATE_FRAME)
        renderFrame();
}

QRect VideoView::Private::targetRect() const
{
    const QRect all = q->rect();
    if (!keepAspect || frameSize.isEmpty() || all.isEmpty())
        return all;
    const QSize fitted = frameSize.scaled(all.size(), Qt::KeepAspectRatio);
    return QRect(QPoint((all.width() - fitted.width()) / 2, (all.height() - fitted.height()) / 2),
                 fitted);
}

void VideoView::Private::renderFrame()
{
    if (!render)
        return;
    QRect target = targetRect();
    // mpv waits for every frame it offers to be rendered, hidden or not; a
    // view without area still takes the frame, into a tiny buffer.
    QSize size = target.size().expandedTo(QSize(2, 2));
    if (frame.size() != size)
        frame = makeFrameBuffer(size);
    if (frame.isNull())
        return;
    int swSize[2] = {size.width(), size.height()};
    size_t stride = size_t(frame.bytesPerLine());
    const char* format = "bgr0"; // byte order of QImage::Format_RGB32 on little-endian
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, swSize},
        {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>(format)},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, frame.bits()},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_render(render, params) < 0)
        return;
    frameRect = target;
    ++frames;
    q->update(frameRect);
    Q_EMIT q->frameRendered();
}

void VideoView::Private::postStatus(bool ended)
{
    // Queued, so that a slot that runs the event loop never does so from
    // inside our own event handling.
    QPointer<VideoView> view(q);
    QMetaObject::invokeMethod(
        q,
        [view, ended] {
            if (!view)
                return;
            if (ended)
                Q_EMIT view->ended();
            Q_EMIT view->statusChanged();
        },
        Qt::QueuedConnection);
}

VideoView::VideoView(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>(this))
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoSystemBackground);
}

VideoView::~VideoView() = default;

bool VideoView::open(const QString& path)
{
    close();
    QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return false;
    if (!d->ensureMpv())
        return false;
    const quint64 framesBefore = d->frames;
    // Ready when the first frame is drawn, or when playback could start
    // without one (a file with no picture).
    auto firstFrame = [this, framesBefore] {
        return d->frames > framesBefore || d->mpv->hasRestarted();
    };
    const auto result = d->mpv->load(
        info.absoluteFilePath(), {QStringLiteral("loop-file=no")}, kOpenTimeoutMs,
        [this] { d->onRenderUpdate(); }, firstFrame);
    if (result != MpvClient::LoadResult::Loaded) {
        d->frame = QImage();
        d->frameSize = QSize();
        update();
        return false;
    }
    // Loaded and paused: reading from mpv does not wait now.
    if (d->frameSize.width() <= 0 || d->frameSize.height() <= 0) {
        bool okW = false, okH = false;
        const int w = int(d->mpv->getInt("dwidth", &okW));
        const int h = int(d->mpv->getInt("dheight", &okH));
        if (okW && okH && w > 0 && h > 0)
            d->frameSize = QSize(w, h);
    }
    d->fileName = path;
    d->open = true;
    d->rewindOnPlay = false;
    // The first frame was drawn before the frame size was known: draw it
    // again at its final place.
    d->renderFrame();
    d->postStatus();
    return true;
}

void VideoView::play()
{
    if (!d->open || d->playing)
        return;
    // Take what mpv has already said (an end), so that an old event cannot
    // end the run that starts now.
    d->mpv->drain();
    if (d->rewindOnPlay)
        d->mpv->command({QStringLiteral("seek"), QStringLiteral("0"), QStringLiteral("absolute"),
                         QStringLiteral("exact")});
    d->rewindOnPlay = false;
    d->mpv->setFlag("pause", false);
    d->playing = true;
    d->postStatus();
}

void VideoView::stop()
{
    if (!d->open)
        return;
    d->mpv->setFlag("pause", true);
    if (d->playing) {
        d->playing = false;
        d->rewindOnPlay = true;
        d->postStatus();
    }
}

void VideoView::close()
{
    const bool wasOpen = d->open;
    d->playing = false;
    d->open = false;
    d->rewindOnPlay = false;
    d->fileName.clear();
    d->frameSize = QSize();
    d->frame = QImage();
    d->frameRect = QRect();
    if (d->mpv)
        d->mpv->unload();
    update();
    if (wasOpen)
        d->postStatus();
}

bool VideoView::isOpen() const
{
    return d->open;
}
bool VideoView::isPlaying() const
{
    return d->playing;
}
QString VideoView::fileName() const
{
    return d->fileName;
}
QSize VideoView::frameSize() const
{
    return d->open ? d->frameSize : QSize();
}

void VideoView::setKeepAspect(bool keep)
{
    if (d->keepAspect == keep)
        return;
    d->keepAspect = keep;
    if (d->open)
        d->renderFrame();
}

bool VideoView::keepAspect() const
{
    return d->keepAspect;
}
QImage VideoView::currentFrame() const
{
    return d->open ? d->frame.copy() : QImage();
}
QRect VideoView::frameRect() const
{
    return d->open ? d->frameRect : QRect();
}
quint64 VideoView::renderedFrames() const
{
    return d->frames;
}

void VideoView::paintEvent(QPaintEvent*)
{
    if (!d->open)
        return;
    // Resized while hidden (no resize event came): draw at the new size.
    if (d->frameRect != d->targetRect())
        d->renderFrame();
    // A file without pictures (sound only) shows nothing.
    if (d->frame.isNull() || d->frameRect.isEmpty() || !d->frameSize.isValid() ||
        d->frameSize.isEmpty())
        return;
    QPainter painter(this);
    painter.drawImage(d->frameRect.topLeft(), d->frame);
}

void VideoView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Redraw the current frame at the new size at once, paused or not.
    if (d->open)
        d->renderFrame();
}

// Input is reported and then ignored, so that it goes on to the parent: the
// show must see every key and mouse movement, over the clip or not.
void VideoView::keyPressEvent(QKeyEvent* event)
{
    Q_EMIT keyPressed(event->key());
    event->ignore();
}

void VideoView::keyReleaseEvent(QKeyEvent* event)
{
    event->ignore();
}

void VideoView::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT mousePressed(event->button());
    event->ignore();
}

void VideoView::mouseReleaseEvent(QMouseEvent* event)
{
    event->ignore();
}

void VideoView::mouseDoubleClickEvent(QMouseEvent* event)
{
    Q_EMIT mousePressed(event->button());
    event->ignore();
}

void VideoView::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMoved(event->globalPosition().toPoint());
    event->ignore();
}

void VideoView::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

} // namespace media
