// MIDI files through FluidSynth with a General MIDI sound font.

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <fluidsynth.h>

#include <optional>
#include <vector>

#include "media/mcierror.h"
#include "media/midifile.h"
#include "media/mpvclient.h"
#include "media/soundbackend.h"

namespace media {

namespace {

QString findSoundFont()
{
    QStringList candidates;
    const QString fromEnv = qEnvironmentVariable("KELVRA_SOUNDFONT");
    if (!fromEnv.isEmpty())
        candidates << fromEnv;
    candidates << QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2")
               << QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2")
               << QStringLiteral("/usr/share/soundfonts/default.sf2");
    for (const QString& c : candidates)
        if (QFileInfo(c).isFile())
            return c;
    return {};
}

void quietFluidSynth()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // FluidSynth talks on stderr about every missing preset and driver; we
    // report through error codes instead.
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
}

class FluidSynthMidi final : public SoundBackend {
public:
    FluidSynthMidi()
    {
        m_pump.setInterval(20);
        connect(&m_pump, &QTimer::timeout, this, [this] { pump(); });
    }

    ~FluidSynthMidi() override
    {
        if (m_player)
            delete_fluid_player(m_player);
        if (m_driver)
            delete_fluid_audio_driver(m_driver);
        if (m_synth)
            delete_fluid_synth(m_synth);
        if (m_settings)
            delete_fluid_settings(m_settings);
    }

    int open(const QString& source) override
    {
        close();
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly))
            return MciFileNotFound;
        const QByteArray bytes = file.read(64 * 1024 * 1024);
        m_timing = MidiTiming::parse(bytes);
        if (!m_timing)
            return MciInvalidFile;
        if (!ensureSynth())
            return MciCannotLoadDriver;
        m_smf = MidiTiming::unwrap(bytes);
        if (!newPlayer()) {
            m_smf.clear();
            m_timing.reset();
            return MciInvalidFile;
        }
        m_open = true;
        return MciOk;
    }

    int play(qint64 fromMs, qint64 toMs) override
    {
        if (!m_open)
            return MciDeviceNotReady;
        if (m_playing)
            stopPlayer();
        qint64 startTick = m_resumeTick;
        if (fromMs >= 0)
            startTick = m_timing->msToTick(fromMs);
        else if (m_ended)
            startTick = 0;
        // A fresh player for every start: a finished or stopped FluidSynth
        // player does not reliably start again.
        if (!newPlayer() || fluid_player_play(m_player) != FLUID_OK)
            return MciHardware;
        if (startTick > 0)
            fluid_player_seek(m_player, int(std::min<qint64>(startTick, m_timing->lastTick())));
        m_startTick = startTick;
        m_ended = false;
        m_reachedTo = false;
        m_to = toMs;
        m_playing = true;
        m_clock.start();
        m_rendered = 0;
        m_pump.start();
        return MciOk;
    }

    void stop() override
    {
        if (!m_playing)
            return;
        m_resumeTick = currentTick();
        stopPlayer();
        m_playing = false;
        m_pump.stop();
    }

    void close() override
    {
        stop();
        if (m_player) {
            delete_fluid_player(m_player);
            m_player = nullptr;
        }
        m_open = false;
        m_ended = false;
        m_reachedTo = false;
        m_to = -1;
        m_resumeTick = 0;
        m_smf.clear();
        m_timing.reset();
    }

    bool isPlaying() const override { return m_playing; }

    qint64 position() const override
    {
        if (!m_open)
            return 0;
        if (m_ended)
            return m_timing->lengthMs();
        qint64 pos = std::min(m_timing->lengthMs(),
                              m_timing->tickToMs(m_playing ? currentTick() : m_resumeTick));
        if (m_reachedTo)
            pos = std::max(pos, m_to);
        return pos;
    }

    qint64 length() const override { return m_open ? m_timing->lengthMs() : 0; }

private:
    bool ensureSynth()
    {
        if (m_synth)
            return true;
        quietFluidSynth();
        const QString soundFont = findSoundFont();
        if (soundFont.isEmpty())
            return false;
        m_null = nullAudioRequested();
        m_settings = new_fluid_settings();
        if (!m_settings)
            return false;
        m_sampleRate = m_null ? 22050 : 44100;
        fluid_settings_setnum(m_settings, "synth.sample-rate", m_sampleRate);
        // The default gain (0.2) is barely audible next to other sound.
        fluid_settings_setnum(m_settings, "synth.gain", 1.0);
        // Load samples as notes need them: the General MIDI font is large.
        fluid_settings_setint(m_settings, "synth.dynamic-sample-loading", 1);
        fluid_settings_setstr(m_settings, "player.timing-source", "sample");
        m_synth = new_fluid_synth(m_settings);
        if (!m_synth)
            return false;
        if (fluid_synth_sfload(m_synth, soundFont.toLocal8Bit().constData(), 1) == FLUID_FAILED)
            return false;
        if (!m_null) {
            m_driver = new_fluid_audio_driver(m_settings, m_synth);
            // No sound card: render into nothing at the pace of the clock.
            m_null = m_driver == nullptr;
        }
        return true;
    }

    bool newPlayer()
    {
        if (m_player) {
            delete_fluid_player(m_player);
            m_player = nullptr;
        }
        m_player = new_fluid_player(m_synth);
        if (!m_player)
            return false;
        return fluid_player_add_mem(m_player, m_smf.constData(), size_t(m_smf.size())) == FLUID_OK;
    }

    void stopPlayer()
    {
        if (m_player)
            fluid_player_stop(m_player);
        fluid_synth_all_sounds_off(m_synth, -1);
    }

    qint64 currentTick() const
    {
        if (!m_player)
            return m_resumeTick;
        return std::max<qint64>(m_startTick, fluid_player_get_current_tick(m_player));
    }

    void pump()
    {
        if (!m_playing) {
            m_pump.stop();
            return;
        }
        if (m_null) {
            // With no driver the synthesizer (and the player with it) only
            // moves when samples are taken from it: take as many as the
            // clock says have passed, and throw them away.
            const qint64 due = m_clock.elapsed() * m_sampleRate / 1000;
            const qint64 perSecond = m_sampleRate;
            qint64 todo = std::min<qint64>(due - m_rendered, perSecond); // at most 1 s at once
            while (todo > 0) {
                const int n = int(std::min<qint64>(todo, qint64(m_scratch.size() / 2)));
                fluid_synth_write_s16(m_synth, n, m_scratch.data(), 0, 2, m_scratch.data(), 1, 2);
                todo -= n;
                m_rendered += n;
            }
            m_rendered = std::max(m_rendered, due - perSecond);
        }
        // The file ends at its last event. FluidSynth's player only says
        // it is done two seconds later (a grace time for sounding notes):
        // end at the last event; with a sound card the notes ring out by
        // themselves.
        if (fluid_player_get_status(m_player) == FLUID_PLAYER_DONE ||
            currentTick() >= m_timing->lastTick()) {
            m_playing = false;
            m_ended = true;
            fluid_player_stop(m_player);
            fluid_synth_all_notes_off(m_synth, -1);
            m_pump.stop();
            return;
        }
        if (m_to >= 0 && m_timing->tickToMs(currentTick()) >= m_to) {
            m_reachedTo = true;
            stop();
        }
    }

    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    fluid_audio_driver_t* m_driver = nullptr;
    fluid_player_t* m_player = nullptr;
    bool m_null = false;
    int m_sampleRate = 44100;
    std::vector<qint16> m_scratch = std::vector<qint16>(2 * 4096);

    QByteArray m_smf;
    std::optional<MidiTiming> m_timing;
    bool m_open = false;
    bool m_playing = false;
    bool m_ended = false;
    bool m_reachedTo = false;
    qint64 m_to = -1;
    qint64 m_startTick = 0;
    qint64 m_resumeTick = 0;
    QTimer m_pump;
    QElapsedTimer m_clock;
    qint64 m_rendered = 0;
};

} // namespace

std::unique_ptr<SoundBackend> makeFluidSynthMidi()
{
    return std::make_unique<FluidSynthMidi>();
}

} // namespace media
