#pragma once
// The outputs behind SoundPlayer: one small typed interface, chosen from one
// ordered table by device type and extension. Internal to the platform
// library.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace media {

class SoundBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SoundBackend() override = default;

    // Opens `source` (a file path, or for a CD the device) stopped at its
    // start. Blocks until it is ready or failed; returns 0 or an MciError.
    virtual int open(const QString& source) = 0;
    // Plays from `fromMs` (or from where it stands when -1) until `toMs` (or
    // the end when -1). Returns 0 or an MciError.
    virtual int play(qint64 fromMs, qint64 toMs) = 0;
    virtual void stop() = 0;  // pauses where it is
    virtual void close() = 0; // forgets the source
    virtual bool isPlaying() const = 0;
    virtual qint64 position() const = 0; // ms
    virtual qint64 length() const = 0;   // ms; 0 when unknown

    // Tracks, numbered from 1; a file is one track spanning it.
    virtual int trackCount() const { return length() > 0 ? 1 : 0; }
    virtual qint64 trackStart(int track) const { return 0; }
    virtual qint64 trackLength(int track) const { return track == 1 ? length() : 0; }
};

enum class SoundBackendKind { None, CdAudio, Midi, File };

// The table: "CDAudio" devices, then MIDI files, then the files libmpv
// plays; anything else is None (the open fails with an error code).
SoundBackendKind chooseSoundBackend(const QString& deviceType, const QString& fileName);
std::unique_ptr<SoundBackend> makeSoundBackend(SoundBackendKind kind);

// The request for an audio CD in `drive`: the whole disc, one chapter per
// track, from the drive's device. "" or a Windows drive ("D:") mean the
// default drive ($KELVRA_CDROM_DEVICE, else mpv's default); a device path
// ("/dev/sr1") names that device; a folder where a disc is mounted names
// the device mounted there.
struct CdRequest {
    QString url;         // "cdda://"
    QString device;      // empty for the default drive
    QStringList options; // "name=value" settings for the load
};
CdRequest cdRequest(const QString& drive,
                    const QString& mountTable = QStringLiteral("/proc/self/mounts"));

} // namespace media
