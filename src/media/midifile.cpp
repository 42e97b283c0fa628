#include "media/midifile.h"

#include <algorithm>
#include <cmath>

namespace media {

namespace {

quint32 be32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | u[3];
}

quint32 le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (quint32(u[3]) << 24) | (quint32(u[2]) << 16) | (quint32(u[1]) << 8) | u[0];
}

quint16 be16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint16((u[0] << 8) | u[1]);
}

// A variable-length quantity; false when the data ends inside it.
bool readVarLen(const unsigned char*& p, const unsigned char* end, quint32& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (p >= end)
            return false;
        const unsigned char b = *p++;
        value = (value << 7) | (b & 0x7f);
        if (!(b & 0x80))
            return true;
    }
    return true; // longer quantities are malformed; take what we have
}

} // namespace

QByteArray MidiTiming::unwrap(const QByteArray& file)
{
    if (file.startsWith("MThd"))
        return file;
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "RMID")
        return {};
    qsizetype pos = 12;
    while (pos + 8 <= file.size()) {
        const quint32 size = le32(file.constData() + pos + 4);
        const QByteArray id = file.mid(pos, 4);
        if (id == "data") {
            const QByteArray inner = file.mid(pos + 8, qsizetype(size));
            return inner.startsWith("MThd") ? inner : QByteArray();
        }
        pos += 8 + qsizetype(size) + (size & 1); // chunks are padded to even sizes
    }
    return {};
}

std::optional<MidiTiming> MidiTiming::parse(const QByteArray& file)
{
    const QByteArray smf = unwrap(file);
    if (smf.size() < 14)
        return std::nullopt;
    const quint32 headerSize = be32(smf.constData() + 4);
    if (headerSize < 6 || qsizetype(headerSize) + 8 > smf.size())
        return std::nullopt;
    MidiTiming timing;
    const int tracks = be16(smf.constData() + 10);
    const quint16 division = be16(smf.constData() + 12);
    if (division & 0x8000) {
        // SMPTE: frames per second (negative) and ticks per frame.
        const int fps = -int(qint8(division >> 8));
        const int perFrame = division & 0xff;
        if (fps <= 0 || perFrame <= 0)
            return std::nullopt;
        timing.m_smpte = true;
        timing.m_division = fps * perFrame;
    } else {
        if (division == 0)
            return std::nullopt;
        timing.m_division = division;
    }
    timing.m_tempos.push_back({0, 500000, 0.0}); // 120 beats per minute until told otherwise

    qsizetype pos = 8 + qsizetype(headerSize);
    int found = 0;
    while (found < tracks && pos + 8 <= smf.size()) {
        const QByteArray id = smf.mid(pos, 4);
        const quint32 size = be32(smf.constData() + pos + 4);
        const qsizetype dataStart = pos + 8;
        const qsizetype dataEnd = std::min<qsizetype>(smf.size(), dataStart + qsizetype(size));
        pos = dataStart + qsizetype(size);
        if (id != "MTrk")
            continue; // unknown chunks are skipped, as the format asks
        ++found;
        const auto* p = reinterpret_cast<const unsigned char*>(smf.constData()) + dataStart;
        const auto* end = reinterpret_cast<const unsigned char*>(smf.constData()) + dataEnd;
        qint64 tick = 0;
        unsigned char status = 0;
        while (p < end) {
            quint32 delta = 0;
            if (!readVarLen(p, end, delta))
                break;
            tick += delta;
            if (p >= end)
                break;
            unsigned char b = *p;
            if (b == 0xff) { // meta event
                if (end - p < 2)
                    break;
                const unsigned char type = p[1];
                p += 2;
                quint32 len = 0;
                if (!readVarLen(p, end, len) || quint32(end - p) < len)
                    break;
                if (type == 0x51 && len == 3) {
                    const qint64 us = (qint64(p[0]) << 16) | (qint64(p[1]) << 8) | p[2];
                    if (us > 0)
                        timing.m_tempos.push_back({tick, us, 0.0});
                }
                p += len;
                if (type == 0x2f)
                    break;                       // end of track
            } else if (b == 0xf0 || b == 0xf7) { // system exclusive
                ++p;
                quint32 len = 0;
                if (!readVarLen(p, end, len) || quint32(end - p) < len)
                    break;
                p += len;
            } else {
                if (b & 0x80) {
                    status = b;
                    ++p;
                } else if (!status) {
                    break; // running status without a status: damaged
                }
                const unsigned char kind = status & 0xf0;
                const int dataBytes = (kind == 0xc0 || kind == 0xd0) ? 1 : 2;
                if (end - p < dataBytes)
                    break;
                p += dataBytes;
            }
        }
        timing.m_lastTick = std::max(timing.m_lastTick, tick);
    }
    if (found == 0)
        return std::nullopt;
    timing.m_tracks = found;

    std::stable_sort(timing.m_tempos.begin(), timing.m_tempos.end(),
                     [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });
    double ms = 0.0;
    for (size_t i = 0; i < timing.m_tempos.size(); ++i) {
        if (i > 0) {
            const Tempo& prev = timing.m_tempos[i - 1];
            ms += double(timing.m_tempos[i].tick - prev.tick) * double(prev.usPerQuarter) /
                  (1000.0 * timing.m_division);
        }
        timing.m_tempos[i].msAtTick = ms;
    }
    return timing;
}

qint64 MidiTiming::tickToMs(qint64 tick) const
{
    if (tick <= 0)
        return 0;
    if (m_smpte)
        return qint64(std::llround(double(tick) * 1000.0 / m_division));
    auto it = std::upper_bound(m_tempos.begin(), m_tempos.end(), tick,
                               [](qint64 t, const Tempo& tempo) { return t < tempo.tick; });
    const Tempo& tempo = *(it - 1);
    return qint64(
        std::llround(tempo.msAtTick + double(tick - tempo.tick) * double(tempo.usPerQuarter) /
                                          (1000.0 * m_division)));
}

qint64 MidiTiming::msToTick(qint64 ms) const
{
    if (ms <= 0)
        return 0;
    if (m_smpte)
        return qint64(double(ms) * m_division / 1000.0);
    auto it = std::upper_bound(m_tempos.begin(), m_tempos.end(), double(ms),
                               [](double t, const Tempo& tempo) { return t < tempo.msAtTick; });
    const Tempo& tempo = *(it - 1);
    return tempo.tick +
           qint64((double(ms) - tempo.msAtTick) * 1000.0 * m_division / double(tempo.usPerQuarter));
}

} // namespace media

namespace media {

namespace {

void putBe32(QByteArray& out, quint32 v)
{
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

void putVarLen(QByteArray& out, quint32 v)
{
    char bytes[4];
    int n = 0;
    bytes[n++] = char(v & 0x7f);
    while (v >>= 7)
        bytes[n++] = char((v & 0x7f) | 0x80);
    while (n > 0)
        out.append(bytes[--n]);
}

} // namespace

QByteArray writeMidiFile(const std::vector<MidiNote>& notes, int division, int usPerQuarter,
                         const std::vector<int>& programs)
{
    struct Event {
        qint64 tick;
        int order; // note-offs before note-ons at the same tick
        unsigned char bytes[3];
    };
    std::vector<Event> events;
    for (const MidiNote& n : notes) {
        const unsigned char ch = std::clamp(n.channel, 0, 15);
        const unsigned char key = std::clamp(n.key, 0, 127);
        const unsigned char vel = std::clamp(n.velocity, 1, 127);
        const qint64 start = std::max(0, n.startTick);
        events.push_back({start, 1, {static_cast<unsigned char>(0x90 | ch), key, vel}});
        events.push_back({start + std::max(1, n.lengthTicks), 0,
                          {static_cast<unsigned char>(0x80 | ch), key, 0}});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    QByteArray track;
    putVarLen(track, 0); // tempo
    track.append("\xff\x51\x03", 3);
    track.append(char(usPerQuarter >> 16)).append(char(usPerQuarter >> 8)).append(char(usPerQuarter));
    for (std::size_t ch = 0; ch < programs.size() && ch < 16; ++ch) {
        putVarLen(track, 0);
        track.append(char(0xc0 | ch)).append(char(std::clamp(programs[ch], 0, 127)));
    }
    qint64 at = 0;
    for (const Event& e : events) {
        putVarLen(track, quint32(e.tick - at));
        at = e.tick;
        track.append(reinterpret_cast<const char*>(e.bytes), 3);
    }
    putVarLen(track, 0);
    track.append("\xff\x2f\x00", 3); // end of track

    QByteArray file("MThd", 4);
    putBe32(file, 6);
    file.append('\0').append('\0');             // format 0
    file.append('\0').append('\1');             // one track
    file.append(char(division >> 8)).append(char(division & 0xff));
    file.append("MTrk", 4);
    putBe32(file, quint32(track.size()));
    file.append(track);
    return file;
}

} // namespace media
