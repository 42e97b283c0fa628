#pragma once
// Standard MIDI File timing: takes a ".mid" file (or the RIFF "RMID" wrapper
// of a ".rmi" file) apart far enough to know its length and to turn ticks
// into milliseconds through its tempo map. Pure: no synthesizer involved.

#include <QByteArray>

#include <optional>
#include <vector>

namespace media {

class MidiTiming {
public:
    // Parses `file`; nullopt when it is not a MIDI file or is damaged in its
    // header. A track cut short ends where its data ends.
    static std::optional<MidiTiming> parse(const QByteArray& file);

    // The Standard MIDI File inside `file` ("MThd"...): the file itself, or
    // the "data" chunk of an "RMID" file; empty when there is none.
    static QByteArray unwrap(const QByteArray& file);

    qint64 tickToMs(qint64 tick) const;
    qint64 msToTick(qint64 ms) const;
    qint64 lastTick() const { return m_lastTick; }
    qint64 lengthMs() const { return tickToMs(m_lastTick); }
    int trackCount() const { return m_tracks; }

private:
    struct Tempo {
        qint64 tick;
        qint64 usPerQuarter;
        double msAtTick; // filled once the map is sorted
    };
    int m_division = 96; // ticks per quarter note; with m_smpte, ticks per second
    bool m_smpte = false;
    int m_tracks = 0;
    qint64 m_lastTick = 0;
    std::vector<Tempo> m_tempos; // sorted by tick, first at tick 0
};

// One note of a tune written by writeMidiFile().
struct MidiNote {
    int startTick = 0;
    int lengthTicks = 0;
    int key = 60;       // 60 = middle C
    int velocity = 90;  // 1..127
    int channel = 0;    // 0..15 (9 is percussion in General MIDI)
};

// A Standard MIDI File of format 0 (one track): the tempo, one General MIDI
// program per channel used (`programs[channel]`, 0-based), then the notes.
// `division` is ticks per quarter note. Notes may overlap and come in any
// order; each is written as a note-on and a note-off.
QByteArray writeMidiFile(const std::vector<MidiNote>& notes, int division, int usPerQuarter,
                         const std::vector<int>& programs);

} // namespace media
