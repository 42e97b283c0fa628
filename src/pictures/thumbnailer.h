#pragma once
// Thumbnails for a list, made on worker threads. The list asks for the
// thumbnails of the rows it paints; each request returns at once with what
// is known (the small picture, a symbol, or nothing yet) and queues the file
// when nothing is. Workers take the newest request first, so the rows on
// screen after a fast scroll come before those scrolled past, and the queue
// forgets its oldest requests beyond a few hundred (a row asks again when it
// is painted again). ready() tells the GUI thread that something arrived.
//
// Clips, sounds and pictures are told apart by the caller's `kindOf`;
// pictures and clips go through the shared cache with their own decoder,
// sounds get a note symbol without touching the disk.

#include <deque>
#include <functional>
#include <mutex>

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QThreadPool>

#include "pictures/thumbnailcache.h"

namespace pictures {

enum class ThumbSymbol { Note, Missing, Unreadable };
// A symbol drawn for a file that has no picture of its own, at `size`.
QImage thumbnailSymbol(ThumbSymbol symbol, QSize size);

class Thumbnailer : public QObject {
    Q_OBJECT
public:
    enum class Kind { Picture, Clip, Sound };
    struct Decoders {
        ThumbnailCache::Decoder picture;
        ThumbnailCache::Decoder clip;
        std::function<Kind(const QString& path)> kindOf;
    };

    Thumbnailer(ThumbnailCache cache, Decoders decoders, QObject* parent = nullptr);
    ~Thumbnailer() override;

    // The size of the pictures icon() returns (device pixels are the view's
    // business: set it already multiplied). Changing it forgets every icon.
    void setIconSize(QSize size);
    QSize iconSize() const { return m_iconSize; }

    // The icon of `path`: its picture fitted into iconSize() and centred on
    // a transparent box of that size, or a null pixmap while it is being made (then it is queued, if it is not already). GUI thread only.
    QPixmap icon(const QString& path);
    // The best picture known for `path` right away (for a preview): the
    // large thumbnail made this session, else a fresh one from the cache on
    // disk; null for a sound, a missing or an unreadable file.
    QImage picture(const QString& path);
    // Forgets what is known about `path` (its file was replaced).
    void forget(const QString& path);

    // Requests still waiting or being worked on.
    int pending() const;

    const ThumbnailCache& cache() const { return m_cache; }

Q_SIGNALS:
    // An icon arrived (one signal each; a view repaints once for many).
    void ready();
    // Nothing is waiting or being worked on any more.
    void idle();

private:
    struct Result {
        QString path;
        QImage icon;
        QImage large;
    };
    void drain();
    Result make(const QString& path, QSize iconSize) const;
    void deliver(const Result& result);

    ThumbnailCache m_cache;
    Decoders m_decoders;
    QSize m_iconSize{16, 16};
    QHash<QString, QPixmap> m_icons;
    QCache<QString, QImage> m_large{24};
    QSet<QString> m_requested; // queued or being made (GUI thread)

    mutable std::mutex m_mutex;  // guards the queue and the counters below
    std::deque<QString> m_queue; // newest at the back
    int m_working = 0;
    int m_workers = 0;
    bool m_stopping = false;
    QThreadPool m_pool;
};

} // namespace pictures
