#pragma once
// The show as a state machine: the timers, the walk through the lists, the
// paint-effect choice, the sound sequencing and the end of the show. It
// knows no widgets: the window implements ShowHost and feeds in the clock,
// the input and the paint progress.
//
// Item timeline (editor, one picture painting while the next loads):
//
//   tick ──► effect chosen ──► picture shown, paint runs ─ progress 1..99 ─► 100
//            ticks meanwhile are skipped (painting, or a clip playing)
//
// End request (editor): a key, a click or a 5-pixel movement sets it; the show
// closes at once when nothing paints, else at the paint's next progress
// report; the end timer is the backstop. The runtime closes at once.

#include <optional>

#include <QPoint>
#include <QString>
#include <QStringList>

#include "show/playlist.h"
#include "show/randomeffect.h"
#include "show/timerbank.h"

namespace show {

enum class Program { Editor, Runtime };

// Full screen; a small preview inside another program's window (no sound,
// no overlay, input never ends it); or the whole show inside a host's window
// (the host ends it, so input is not watched).
enum class ShowMode { FullScreen, Preview, Hosted };

inline constexpr int kSoundIntervalMs = 100;
inline constexpr int kEndIntervalMs = 500;
inline constexpr int kMouseIntervalMs = 250;
inline constexpr int kMoveThreshold = 5;

// The paint effect for the next item, as the settings say at this moment.
struct EffectChoice {
    bool random = false;
    int code = 0; // used when not random
};

// What the show needs of its window. Called on the window's thread only.
class ShowHost {
public:
    virtual ~ShowHost() = default;

    // Reads the effect settings anew; nothing leaves the current effect.
    virtual std::optional<EffectChoice> effectChoice() = 0;
    // A picture paint is running (its progress is between 1 and 99).
    virtual bool isPainting() const = 0;
    virtual bool isClipPlaying() const = 0;
    virtual bool isClipVisible() const = 0;

    // Shows a picture with the effect; `exists` false keeps the previous
    // picture and paints it again.
    virtual void showPicture(const QString& path, bool exists, int effect) = 0;
    // Shows and plays a clip; `reopen` false plays the open clip again.
    virtual void showClip(const QString& path, bool reopen) = 0;
    // The entry that the next item tick will present; the window may start
    // decoding it now. Empty: nothing comes next.
    virtual void prepareNext(const QString& path) {}
    // The entry's file is there to be shown. A window whose files are still
    // arriving may wait for it here.
    virtual bool itemExists(const QString& path) { return entryExists(path); }

    virtual bool isSoundPlaying() const = 0;
    // Starts a sound file or a CD track (stopping a finished one first).
    virtual void playSound(const QString& path, SoundKind kind) = 0;

    // Cursor position in screen pixels.
    virtual QPoint cursorPos() const = 0;
    virtual void stopPaint() = 0;
    virtual void stopClip() = 0;
    // Closes the show window; called at most once.
    virtual void closeShow() = 0;
};

class ShowMachine {
public:
    struct Config {
        Program program = Program::Editor;
        ShowMode mode = ShowMode::FullScreen;
        int itemIntervalMs = 1000; // 0: the item timer never fires
        QStringList images;
        QStringList sounds;
    };

    ShowMachine(Config config, ShowHost& host);

    // Presents the first item and starts the timers.
    void start(qint64 now);
    // Runs every timer due at `now`, in deadline order.
    void advance(qint64 now);
    std::optional<qint64> nextDeadline() const { return m_timers.nextDeadline(); }

    // Input of the show window (its own and its views').
    void keyOrClick();
    void mouseMoved(QPoint pos);
    // Progress of the running paint, 0 to 100.
    void paintProgress(int percent);
    // The video view reported a state change (for instance the clip ended).
    void videoStatus(qint64 now);

    // Single steps, public for tests.
    void itemTick();
    void soundTick();
    void endTick();
    void mouseTick(qint64 now);

    bool endRequested() const { return m_endRequest; }
    bool closed() const { return m_closed; }
    int nextItemIndex() const { return m_nextItem; }
    int nextSoundIndex() const { return m_nextSound; }
    int currentEffect() const { return m_effect; }
    // The effect the next item tick would choose if the settings stay as
    // they are now (the random sequence is not advanced).
    int upcomingEffect();
    const TimerBank& timers() const { return m_timers; }
    const Config& config() const { return m_config; }
    bool inputEnds() const { return m_config.mode == ShowMode::FullScreen; }

private:
    void chooseEffect();
    void requestEnd(qint64 now);
    void close();
    void announceNext();

    Config m_config;
    ShowHost& m_host;
    TimerBank m_timers;
    RandomEffect m_random;
    int m_effect = 0;
    int m_nextItem = 0;
    int m_nextSound = 0;
    int m_progress = 0;
    bool m_endRequest = false;
    bool m_closed = false;
    QPoint m_watchLast; // mouse watch's last sample; 0,0: not yet sampled
    QPoint m_moveLast;  // mouse-move handler's last position; 0,0: none yet
    qint64 m_now = 0;
};

} // namespace show
