#include "pictures/thumbnailer.h"

#include <algorithm>
#include <cmath>

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QThread>

namespace pictures {

namespace {

// Beyond this many waiting requests the oldest are dropped: they are rows
// scrolled past, and a row asks again when it comes back into view.
constexpr std::size_t kMaxQueued = 400;

// The picture fitted into `size` and centred on a transparent box of that
// size: a list lays out each row's picture by its pixmap's size, so every
// icon has the same size and the names stay in line.
QImage iconOf(const QImage& image, QSize size)
{
    QImage fitted = image;
    if (image.width() > size.width() || image.height() > size.height())
        fitted = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage icon(size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.drawImage((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2,
                fitted);
    return icon;
}

} // namespace

QImage thumbnailSymbol(ThumbSymbol symbol, QSize size)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height(), s = std::min(w, h);
    const QPointF c(w / 2, h / 2);
    switch (symbol) {
    case ThumbSymbol::Note: {
        // An eighth note: head, stem and flag.
        const QColor ink(235, 180, 90);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        const QPointF head(c.x() - s * 0.12, c.y() + s * 0.24);
        p.drawEllipse(head, s * 0.2, s * 0.15);
        const qreal stemX = head.x() + s * 0.18;
        p.drawRect(QRectF(stemX - s * 0.05, c.y() - s * 0.4, s * 0.08, s * 0.64));
        QPainterPath flag;
        flag.moveTo(stemX, c.y() - s * 0.4);
        flag.cubicTo(stemX + s * 0.1, c.y() - s * 0.2, stemX + s * 0.35, c.y() - s * 0.15,
                     stemX + s * 0.22, c.y() + s * 0.08);
        flag.cubicTo(stemX + s * 0.25, c.y() - s * 0.1, stemX + s * 0.1, c.y() - s * 0.15, stemX,
                     c.y() - s * 0.2);
        p.drawPath(flag);
        break;
    }
    case ThumbSymbol::Missing: {
        // A red cross: the file is not there.
        QPen pen(QColor(220, 60, 60), std::max(1.5, s * 0.14), Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        const qreal r = s * 0.3;
        p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
        p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
        break;
    }
    case ThumbSymbol::Unreadable: {
        // A warning triangle: the file is there but shows nothing.
        QPainterPath tri;
        tri.moveTo(c.x(), c.y() - s * 0.42);
        tri.lineTo(c.x() + s * 0.45, c.y() + s * 0.38);
        tri.lineTo(c.x() - s * 0.45, c.y() + s * 0.38);
        tri.closeSubpath();
        p.fillPath(tri, QColor(230, 150, 40));
        p.setPen(QPen(QColor(40, 30, 20), std::max(1.0, s * 0.1), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(c.x(), c.y() - s * 0.15), QPointF(c.x(), c.y() + s * 0.1));
        p.drawPoint(QPointF(c.x(), c.y() + s * 0.25));
        break;
    }
    }
    return img;
}

Thumbnailer::Thumbnailer(ThumbnailCache cache, Decoders decoders, QObject* parent)
    : QObject(parent), m_cache(std::move(cache)), m_decoders(std::move(decoders))
{
    // Leave a core to the GUI thread on small machines: typing and scrolling
    // come first.
    m_pool.setMaxThreadCount(std::clamp(QThread::idealThreadCount() - 1, 1, 4));
    m_pool.setThreadPriority(QThread::LowPriority);
}

Thumbnailer::~Thumbnailer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_pool.waitForDone();
}

void Thumbnailer::setIconSize(QSize size)
{
    if (size == m_iconSize)
        return;
    {
        std::lock_guard lock(m_mutex); // the workers read it
        m_iconSize = size;
    }
    m_icons.clear();
}

QPixmap Thumbnailer::icon(const QString& path)
{
    const auto it = m_icons.constFind(path);
    if (it != m_icons.constEnd())
        return *it;
    if (m_requested.contains(path))
        return {};
    m_requested.insert(path);
    bool startWorker = false;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(path);
        while (m_queue.size() > kMaxQueued) {
            m_requested.remove(m_queue.front());
            m_queue.pop_front();
        }
        if (m_workers < m_pool.maxThreadCount()) {
            ++m_workers;
            startWorker = true;
        }
    }
    if (startWorker)
        m_pool.start([this] { drain(); });
    return {};
}

QImage Thumbnailer::picture(const QString& path)
{
    if (const QImage* large = m_large.object(path))
        return *large;
    if (m_decoders.kindOf && m_decoders.kindOf(path) == Kind::Sound)
        return {};
    return m_cache.lookup(path);
}

void Thumbnailer::forget(const QString& path)
{
    m_icons.remove(path);
    m_large.remove(path);
}

int Thumbnailer::pending() const
{
    std::lock_guard lock(m_mutex);
    return int(m_queue.size()) + m_working;
}

void Thumbnailer::drain()
{
    for (;;) {
        QString path;
        QSize size;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping || m_queue.empty()) {
                --m_workers;
                const bool idle = m_working == 0 && m_workers == 0 && !m_stopping;
                if (idle)
                    QMetaObject::invokeMethod(this, &Thumbnailer::idle, Qt::QueuedConnection);
                return;
            }
            path = std::move(m_queue.back());
            m_queue.pop_back();
            ++m_working;
            size = m_iconSize;
        }
        Result result = make(path, size);
        std::lock_guard lock(m_mutex);
        --m_working;
        if (m_stopping)
            continue;
        QMetaObject::invokeMethod(
            this, [this, r = std::move(result)] { deliver(r); }, Qt::QueuedConnection);
    }
}

Thumbnailer::Result Thumbnailer::make(const QString& path, QSize iconSize) const
{
    Result result{path, {}, {}};
    const Kind kind = m_decoders.kindOf ? m_decoders.kindOf(path) : Kind::Picture;
    if (kind == Kind::Sound) {
        result.icon = thumbnailSymbol(
            QFileInfo(path).isFile() ? ThumbSymbol::Note : ThumbSymbol::Missing, iconSize);
        return result;
    }
    const Thumbnail t =
        m_cache.get(path, kind == Kind::Clip ? m_decoders.clip : m_decoders.picture);
    switch (t.kind) {
    case Thumbnail::Kind::Picture:
        result.large = t.image;
        result.icon = iconOf(t.image, iconSize);
        break;
    case Thumbnail::Kind::Missing:
        result.icon = thumbnailSymbol(ThumbSymbol::Missing, iconSize);
        break;
    case Thumbnail::Kind::Unreadable:
        result.icon = thumbnailSymbol(ThumbSymbol::Unreadable, iconSize);
        break;
    }
    return result;
}

void Thumbnailer::deliver(const Result& result)
{
    m_requested.remove(result.path);
    // Made for an icon size that has changed since: ask again when painted.
    if (result.icon.size() != m_iconSize)
        return;
    m_icons.insert(result.path, QPixmap::fromImage(result.icon));
    if (!result.large.isNull())
        m_large.insert(result.path, new QImage(result.large));
    Q_EMIT ready();
}

} // namespace pictures
