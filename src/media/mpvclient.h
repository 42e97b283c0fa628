#pragma once
// One libmpv player instance, made on first use, whose events are handled on
// the GUI thread. Shared by the video view and the sound backends.
//
// libmpv's threads only ever wake us: the wakeup callback posts a queued call
// that drains the event queue here, so every signal below is emitted on the
// GUI thread. load() is synchronous (it drains events itself while waiting),
// because the callers' open commands report success at once.

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

struct mpv_handle;
struct mpv_event;

namespace media {

// True when KELVRA_AUDIO asks for the null audio output (tests, CI).
bool nullAudioRequested();

class MpvClient : public QObject {
    Q_OBJECT
public:
    enum class Kind { Video, Audio };
    explicit MpvClient(Kind kind, QObject* parent = nullptr);
    ~MpvClient() override;

    // Creates and initialises the mpv instance if that has not happened yet.
    // False when libmpv cannot start (the caller reports its own error).
    bool ensure();
    bool isCreated() const { return m_handle != nullptr; }
    mpv_handle* handle() const { return m_handle; }

    enum class LoadResult { Loaded, Failed, TimedOut };
    // Loads `url` paused at its start and waits until it is loaded, it
    // failed, or `timeoutMs` has passed. `options` are "name=value" option
    // settings applied before the load (they stay set). `pump` runs between
    // waits (the video view renders frames there); `done` lets the caller
    // wait for more than the load itself (the first frame).
    LoadResult load(const QString& url, const QStringList& options, int timeoutMs,
                    const std::function<void()>& pump = {}, const std::function<bool()>& done = {});
    // Unloads the current file (mpv idles afterwards).
    void unload();
    bool isLoaded() const { return m_loaded; }

    // Changes and commands are queued to mpv and return at once: mpv's core
    // is locked while it drains the audio output at the end of a sound
    // (up to half a second), and the GUI thread must never wait for that.
    // False when nothing could be queued.
    bool setFlag(const char* name, bool value);
    bool setDouble(const char* name, double value);
    bool setString(const char* name, const QString& value);
    bool command(const QStringList& args);
    // Property reads wait for mpv's core: use them only while nothing plays
    // (right after load()); follow playing values through observe*().
    // `ok` is false when the property is unavailable.
    double getDouble(const char* name, bool* ok = nullptr) const;
    qint64 getInt(const char* name, bool* ok = nullptr) const;
    bool getFlag(const char* name, bool* ok = nullptr) const;

    // Handles whatever events are queued now, without waiting.
    void drain();

Q_SIGNALS:
    // The current file ended: `eof` when it played to its end, else it was
    // stopped, replaced or failed (`error` is mpv's error code then).
    void endFile(bool eof, int error);
    void videoReconfig();
    // An observed flag property changed (see observeFlag()).
    void flagChanged(const QByteArray& name, bool value);
    void doubleChanged(const QByteArray& name, double value);
    void intChanged(const QByteArray& name, qint64 value);

public:
    void observeFlag(const char* name);
    void observeDouble(const char* name);
    void observeInt(const char* name);
    // True once the current file has started playing or shown its first
    // frame (paused); reset by load().
    bool hasRestarted() const { return m_restarted; }

private:
    void handleEvent(const mpv_event& event);
    static void wakeup(void* self);

    Kind m_kind;
    mpv_handle* m_handle = nullptr;
    bool m_loaded = false;
    bool m_failed = false;
    bool m_restarted = false;
    qint64 m_entry = -1; // playlist entry id of the file we asked for
    bool m_awaitingStart = false;
    int m_lastError = 0;
    int m_draining = 0;
    std::atomic<bool> m_wakeupPending{false};
    quint64 m_nextObserveId = 1;
};

} // namespace media
