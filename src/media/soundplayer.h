#pragma once
// The background-sound player: a multimedia device driven through
// properties, the way the show drives it (set the device type and the file
// name, give "Open", then "Play"; watch the position through a periodic
// status notification; give "Stop" and "Close").
//
//   (closed) --Open ok--> (open, stopped) --Play ok--> (playing)
//      ^                        ^                          |
//      |                        +---- Stop / end / to -----+
//      +------------------------- Close --------------------
//
// Contract:
//  - Device type "" plays a sound file chosen by its extension: ".wav",
//    ".mp3", ".ogg", ".flac", ".m4a" through libmpv (audio only); ".mid",
//    ".midi", ".rmi" through FluidSynth with a General MIDI sound font.
//    Device type "CDAudio" plays an audio CD; the file name is then the
//    drive: "" or a Windows drive such as "D:" mean the default CD drive, a
//    device path such as "/dev/sr1" names one.
//  - Every command sets error() (0 = success, else an MciError) and never
//    throws; a file that cannot be played gives an error, never a crash.
//  - "Open" blocks until the source is ready or has failed (a few seconds
//    at most); "Play" returns at once.
//  - Time format 0 (milliseconds) is the only one: positions, lengths, from
//    and to are milliseconds. For a file, positions run from 0 to length();
//    for a CD they are positions on the disc, and a track runs from
//    trackPosition() for trackLength().
//  - When a file has played to its end, position() equals length(); when a
//    play with a "to" has reached it, position() is at least to().
//  - statusUpdate() fires every updateInterval() ms while the interval is
//    above 0, whatever the device does (the show's "playing" test is the
//    interval itself).
//  - Nothing starts before the first "Open": no mpv handle, no synthesizer.
//  - With KELVRA_AUDIO=null, or when no sound card opens, sound plays into a
//    null output at normal speed, so positions advance as they would.
//  - GUI thread only.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

#include "media/mcierror.h"

namespace media {

class SoundPlayer : public QObject {
    Q_OBJECT
public:
    explicit SoundPlayer(QObject* parent = nullptr);
    ~SoundPlayer() override;

    QString deviceType() const;
    void setDeviceType(const QString& type);
    QString fileName() const;
    void setFileName(const QString& name);

    // Runs "Open", "Play", "Stop" or "Close" (any case); anything else sets
    // error() to MciUnrecognizedCommand.
    void setCommand(const QString& command);
    void open();
    void play();  // from from() (if set) to to() (if set), else from where it stands
    void stop();  // pauses where it is
    void close(); // ends and forgets the source; from and to are cleared

    int error() const;
    bool isOpen() const;
    bool isPlaying() const;

    int timeFormat() const;
    void setTimeFormat(int format); // only 0; others set MciBadTimeFormat

    // CD tracks, numbered from 1. For a file there is one track, 1.
    int track() const;
    void setTrack(int track);
    int trackCount() const;
    qint64 trackPosition() const; // start of track() in ms; 0 when unknown
    qint64 trackLength() const;   // length of track() in ms; 0 when unknown

    // The range the next "Play" plays; -1 = unset (the start, or where it
    // stands; the end). Kept until changed, "Open" or "Close".
    qint64 from() const;
    void setFrom(qint64 ms);
    qint64 to() const;
    void setTo(qint64 ms);

    int updateInterval() const;
    void setUpdateInterval(int ms); // 0 switches the notification off

    qint64 position() const;
    qint64 length() const;

Q_SIGNALS:
    void statusUpdate();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace media
