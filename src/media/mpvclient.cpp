#include "media/mpvclient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>

#include <mpv/client.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace media {

bool nullAudioRequested()
{
    const char* value = std::getenv("KELVRA_AUDIO");
    return value && std::strcmp(value, "null") == 0;
}

MpvClient::MpvClient(Kind kind, QObject* parent) : QObject(parent), m_kind(kind) {}

MpvClient::~MpvClient()
{
    if (!m_handle)
        return;
    // After this returns mpv never calls wakeup() again, so no queued call
    // can reach a half-destroyed object.
    mpv_set_wakeup_callback(m_handle, nullptr, nullptr);
    mpv_terminate_destroy(m_handle);
}

bool MpvClient::ensure()
{
    if (m_handle)
        return true;
    // mpv refuses to start unless numbers are formatted the C way, and
    // QApplication has set the user's locale by now.
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* h = mpv_create();
    if (!h)
        return false;

    auto opt = [h](const char* name, const char* value) {
        // Options this libmpv build lacks are not fatal.
        mpv_set_option_string(h, name, value);
    };
    // KELVRA_MPV_LOG=<level> lets mpv talk on the terminal, for diagnosis.
    const QByteArray log = qgetenv("KELVRA_MPV_LOG");
    opt("terminal", log.isEmpty() ? "no" : "yes");
    opt("msg-level", log.isEmpty() ? "all=no" : ("all=" + log).constData());
    opt("msg-time", log.isEmpty() ? "no" : "yes");
    opt("config", "no");
    opt("idle", "yes");
    opt("input-default-bindings", "no");
    opt("input-vo-keyboard", "no");
    opt("input-cursor", "no");
    opt("osc", "no");
    opt("ytdl", "no");
    opt("load-scripts", "no");
    opt("load-stats-overlay", "no");
    opt("load-console", "no");
    opt("resume-playback", "no");
    opt("save-position-on-quit", "no");
    opt("sub-auto", "no");
    opt("audio-file-auto", "no");
    opt("cover-art-auto", "no");
    opt("audio-display", "no");
    if (nullAudioRequested())
        opt("ao", "null");
    else
        opt("audio-fallback-to-null", "yes"); // no sound card: play silently
    if (m_kind == Kind::Video) {
        opt("vo", "libmpv");
        opt("hwdec", "no");
        opt("keepaspect", "no"); // the view fits the frame itself
        opt("video-sync", "audio");
        // A clip ends paused on its last frame instead of unloading, so that
        // the frame stays and "play again" is a seek; eof-reached reports
        // the end.
        opt("keep-open", "yes");
        opt("keep-open-pause", "yes");
    } else {
        // Sound must end when the output has played it, not when the
        // decoder is done: with keep-open, mpv reports the end while up to
        // half a second is still in the output's buffers. So sounds unload
        // at their end (MPV_EVENT_END_FILE) and are loaded again to replay.
        opt("keep-open", "no");
        opt("vo", "null");
        opt("vid", "no");
        opt("video", "no");
    }
    if (mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        return false;
    }
    m_handle = h;
    mpv_set_wakeup_callback(m_handle, &MpvClient::wakeup, this);
    return true;
}

void MpvClient::wakeup(void* self)
{
    // On one of mpv's threads: only post, never touch state.
    auto* client = static_cast<MpvClient*>(self);
    if (client->m_wakeupPending.exchange(true))
        return;
    QMetaObject::invokeMethod(
        client,
        [client] {
            client->m_wakeupPending = false;
            client->drain();
        },
        Qt::QueuedConnection);
}

void MpvClient::drain()
{
    if (!m_handle)
        return;
    // A slot connected to our signals may run the event loop; a nested
    // drain would then see events out of order, so only the outer one runs.
    if (m_draining)
        return;
    ++m_draining;
    for (;;) {
        mpv_event* event = mpv_wait_event(m_handle, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
    --m_draining;
}

void MpvClient::handleEvent(const mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_START_FILE: {
        auto* start = static_cast<mpv_event_start_file*>(event.data);
        if (m_awaitingStart) {
            m_entry = start->playlist_entry_id;
            m_awaitingStart = false;
        }
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        if (!m_awaitingStart && m_entry >= 0)
            m_loaded = true;
        break;
    case MPV_EVENT_END_FILE: {
        auto* end = static_cast<mpv_event_end_file*>(event.data);
        if (m_awaitingStart || end->playlist_entry_id != m_entry)
            break; // the file we replaced
        const bool eof = end->reason == MPV_END_FILE_REASON_EOF;
        const int error = end->reason == MPV_END_FILE_REASON_ERROR ? end->error : 0;
        if (!m_loaded || error)
            m_failed = true;
        m_lastError = error;
        m_loaded = false;
        m_entry = -1;
        Q_EMIT endFile(eof, error);
        break;
    }
    case MPV_EVENT_PLAYBACK_RESTART:
        if (m_loaded)
            m_restarted = true;
        break;
    case MPV_EVENT_VIDEO_RECONFIG:
        Q_EMIT videoReconfig();
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        auto* prop = static_cast<mpv_event_property*>(event.data);
        if (prop->format == MPV_FORMAT_FLAG)
            Q_EMIT flagChanged(QByteArray(prop->name), *static_cast<int*>(prop->data) != 0);
        else if (prop->format == MPV_FORMAT_DOUBLE)
            Q_EMIT doubleChanged(QByteArray(prop->name), *static_cast<double*>(prop->data));
        else if (prop->format == MPV_FORMAT_INT64)
            Q_EMIT intChanged(QByteArray(prop->name), *static_cast<int64_t*>(prop->data));
        break;
    }
    default:
        break;
    }
}

MpvClient::LoadResult MpvClient::load(const QString& url, const QStringList& options, int timeoutMs,
                                      const std::function<void()>& pump,
                                      const std::function<bool()>& done)
{
    if (!ensure())
        return LoadResult::Failed;
    drain();
    for (const QString& o : options) {
        const qsizetype eq = o.indexOf(QLatin1Char('='));
        if (eq > 0)
            setString(o.left(eq).toUtf8().constData(), o.mid(eq + 1));
    }
    setFlag("pause", true);
    m_loaded = false;
    m_failed = false;
    m_restarted = false;
    m_lastError = 0;
    m_entry = -1;
    m_awaitingStart = true;
    if (!command({QStringLiteral("loadfile"), url, QStringLiteral("replace")})) {
        m_awaitingStart = false;
        return LoadResult::Failed;
    }
    // Events are taken here directly, not through the queued drain, so
    // that the answer is known when this returns.
    ++m_draining;
    QDeadlineTimer deadline(timeoutMs);
    LoadResult result = LoadResult::TimedOut;
    while (!deadline.hasExpired()) {
        mpv_event* event = mpv_wait_event(m_handle, 0.01);
        if (event->event_id != MPV_EVENT_NONE)
            handleEvent(*event);
        if (pump)
            pump();
        if (m_failed) {
            result = LoadResult::Failed;
            break;
        }
        if (m_loaded && (!done || done())) {
            result = LoadResult::Loaded;
            break;
        }
    }
    --m_draining;
    if (result != LoadResult::Loaded && result != LoadResult::Failed && !m_loaded)
        unload();
    // Whatever is still queued is handled from the event loop.
    QMetaObject::invokeMethod(this, &MpvClient::drain, Qt::QueuedConnection);
    return result == LoadResult::TimedOut && m_loaded ? LoadResult::Loaded : result;
}

void MpvClient::unload()
{
    if (!m_handle)
        return;
    m_awaitingStart = false;
    m_entry = -1;
    m_loaded = false;
    command({QStringLiteral("stop")});
}

bool MpvClient::setFlag(const char* name, bool value)
{
    if (!m_handle)
        return false;
    int flag = value ? 1 : 0;
    return mpv_set_property_async(m_handle, 0, name, MPV_FORMAT_FLAG, &flag) >= 0;
}

bool MpvClient::setDouble(const char* name, double value)
{
    if (!m_handle)
        return false;
    return mpv_set_property_async(m_handle, 0, name, MPV_FORMAT_DOUBLE, &value) >= 0;
}

bool MpvClient::setString(const char* name, const QString& value)
{
    if (!m_handle)
        return false;
    const QByteArray utf8 = value.toUtf8();
    const char* text = utf8.constData();
    return mpv_set_property_async(m_handle, 0, name, MPV_FORMAT_STRING, &text) >= 0;
}

bool MpvClient::command(const QStringList& args)
{
    if (!m_handle)
        return false;
    QList<QByteArray> utf8;
    utf8.reserve(args.size());
    std::vector<const char*> argv;
    for (const QString& a : args)
        utf8.append(a.toUtf8());
    for (const QByteArray& a : utf8)
        argv.push_back(a.constData());
    argv.push_back(nullptr);
    return mpv_command_async(m_handle, 0, argv.data()) >= 0;
}

double MpvClient::getDouble(const char* name, bool* ok) const
{
    double value = 0;
    const bool got = m_handle && mpv_get_property(m_handle, name, MPV_FORMAT_DOUBLE, &value) >= 0;
    if (ok)
        *ok = got;
    return got ? value : 0.0;
}

qint64 MpvClient::getInt(const char* name, bool* ok) const
{
    int64_t value = 0;
    const bool got = m_handle && mpv_get_property(m_handle, name, MPV_FORMAT_INT64, &value) >= 0;
    if (ok)
        *ok = got;
    return got ? value : 0;
}

bool MpvClient::getFlag(const char* name, bool* ok) const
{
    int value = 0;
    const bool got = m_handle && mpv_get_property(m_handle, name, MPV_FORMAT_FLAG, &value) >= 0;
    if (ok)
        *ok = got;
    return got && value;
}

void MpvClient::observeFlag(const char* name)
{
    if (m_handle)
        mpv_observe_property(m_handle, m_nextObserveId++, name, MPV_FORMAT_FLAG);
}

void MpvClient::observeInt(const char* name)
{
    if (m_handle)
        mpv_observe_property(m_handle, m_nextObserveId++, name, MPV_FORMAT_INT64);
}

void MpvClient::observeDouble(const char* name)
{
    if (m_handle)
        mpv_observe_property(m_handle, m_nextObserveId++, name, MPV_FORMAT_DOUBLE);
}

} // namespace media
