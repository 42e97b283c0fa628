#pragma once
// Media made by the tests themselves: short clips and sounds from ffmpeg,
// tiny MIDI files written byte by byte.

#include <QByteArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

namespace mediatest {

// Runs the event loop until `done()` holds or `timeoutMs` passed; the
// result of the last `done()`. Timeouts are generous: the machine is shared.
template <typename Pred> bool waitFor(Pred done, int timeoutMs = 20000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Lets the event loop run for `ms`.
inline void pause(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

// Runs ffmpeg with `args` (after "-v error -y"); true when it made `out`.
//
// CTest runs every test case in its own process, and each would make the
// same clips again: so what ffmpeg makes is kept in a cache folder keyed by
// the arguments, and `out` becomes a copy of the cached file.
inline bool ffmpeg(const QStringList& args, const QString& out)
{
    const QString cacheDir = QDir::tempPath() + QStringLiteral("/kelvra-media-test-cache");
    QDir().mkpath(cacheDir);
    const QString key = QString::fromLatin1(
        QCryptographicHash::hash(args.join(QLatin1Char('\n')).toUtf8(), QCryptographicHash::Sha1)
            .toHex());
    const QString cached =
        cacheDir + QLatin1Char('/') + key + QLatin1Char('.') + QFileInfo(out).suffix();
    if (!QFileInfo(cached).isFile()) {
        // Made under a private name and renamed: parallel tests never see
        // half a file.
        const QString part = cached +
                             QStringLiteral(".part%1.").arg(QCoreApplication::applicationPid()) +
                             QFileInfo(out).suffix();
        QProcess p;
        p.start(QStringLiteral("ffmpeg"),
                QStringList{"-nostdin", "-v", "error", "-y"} + args + QStringList{part});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            ADD_FAILURE() << "ffmpeg failed for " << out.toStdString() << ": "
                          << p.readAllStandardError().toStdString();
            QFile::remove(part);
            return false;
        }
        if (!QFile::rename(part, cached))
            QFile::remove(part); // another process was first; its file is the same
    }
    QFile::remove(out);
    return QFile::copy(cached, out);
}

// A tone of `seconds` into `out` (the extension picks the format).
inline bool makeTone(const QString& out, double seconds)
{
    return ffmpeg(
        {"-f", "lavfi", "-i", QStringLiteral("sine=frequency=440:duration=%1").arg(seconds)}, out);
}

// A moving test picture of `size` ("160x120") with a tone; `codec` is an
// ffmpeg video encoder ("mpeg1video", "libx264", "mpeg4", "libvpx").
inline bool makeClip(const QString& out, const QString& size, double seconds, const QString& codec,
                     const QString& source = QStringLiteral("testsrc"))
{
    QStringList args{
        "-f",   "lavfi",
        "-i",   QStringLiteral("%1=size=%2:rate=25:duration=%3").arg(source, size).arg(seconds),
        "-c:v", codec};
    if (codec == QLatin1String("mpeg1video"))
        args << "-q:v"
             << "4";
    if (codec == QLatin1String("libx264"))
        args << "-preset"
             << "ultrafast"
             << "-pix_fmt"
             << "yuv420p";
    return ffmpeg(args, out);
}

// A clip of one plain colour ("0x00ff00"), for pixel checks.
inline bool makeColourClip(const QString& out, const QString& size, double seconds,
                           const QString& colour)
{
    return ffmpeg(
        {"-f", "lavfi", "-i",
         QStringLiteral("color=c=%1:size=%2:rate=25:duration=%3").arg(colour, size).arg(seconds),
         "-c:v", "mpeg1video", "-q:v", "2"},
        out);
}

inline void appendVarLen(QByteArray& out, quint32 value)
{
    QByteArray bytes;
    bytes.prepend(char(value & 0x7f));
    while (value >>= 7)
        bytes.prepend(char((value & 0x7f) | 0x80));
    out += bytes;
}

inline void appendBe(QByteArray& out, quint32 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out += char((value >> (8 * i)) & 0xff);
}

// One track event: delta ticks, then the raw bytes.
struct MidiEvent {
    quint32 delta;
    QByteArray bytes;
};

inline QByteArray midiTrack(const QList<MidiEvent>& events)
{
    QByteArray body;
    for (const MidiEvent& e : events) {
        appendVarLen(body, e.delta);
        body += e.bytes;
    }
    QByteArray chunk("MTrk");
    appendBe(chunk, quint32(body.size()), 4);
    return chunk + body;
}

inline QByteArray midiFile(int format, quint16 division, const QList<QByteArray>& tracks)
{
    QByteArray out("MThd");
    appendBe(out, 6, 4);
    appendBe(out, quint32(format), 2);
    appendBe(out, quint32(tracks.size()), 2);
    appendBe(out, division, 2);
    for (const QByteArray& t : tracks)
        out += t;
    return out;
}

inline QByteArray tempo(quint32 usPerQuarter)
{
    QByteArray b("\xff\x51\x03", 3);
    appendBe(b, usPerQuarter, 3);
    return b;
}

inline QByteArray endOfTrack()
{
    return QByteArray("\xff\x2f\x00", 3);
}

// `notes` quarter notes (a piano scale) at 120 beats per minute, 96 ticks a
// quarter: `notes` x 500 ms long.
inline QByteArray scaleMidi(int notes)
{
    QList<MidiEvent> events{{0, tempo(500000)}, {0, QByteArray("\xc0\x00", 2)}};
    for (int i = 0; i < notes; ++i) {
        const char key = char(60 + i);
        events.append({0, QByteArray("\x90", 1) + key + char(100)});
        events.append({96, QByteArray("\x80", 1) + key + char(0)});
    }
    events.append({0, endOfTrack()});
    return midiFile(0, 96, {midiTrack(events)});
}

} // namespace mediatest
