#include "media/soundplayer.h"

#include <QFileInfo>
#include <QTimer>

#include <map>

#include "media/soundbackend.h"

namespace media {

struct SoundPlayer::Private {
    QString deviceType;
    QString fileName;
    int error = MciOk;
    int track = 1;
    qint64 from = -1;
    qint64 to = -1;
    int updateInterval = 0;
    QTimer status;
    // Backends are made on the first open of their kind and kept, so that
    // the next entry of the same kind does not start libmpv or the
    // synthesizer again.
    std::map<SoundBackendKind, std::unique_ptr<SoundBackend>> backends;
    SoundBackend* current = nullptr;
};

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent), d(std::make_unique<Private>())
{
    connect(&d->status, &QTimer::timeout, this, &SoundPlayer::statusUpdate);
}

SoundPlayer::~SoundPlayer()
{
    if (d->current)
        d->current->close();
}

QString SoundPlayer::deviceType() const
{
    return d->deviceType;
}
void SoundPlayer::setDeviceType(const QString& type)
{
    d->deviceType = type;
}
QString SoundPlayer::fileName() const
{
    return d->fileName;
}
void SoundPlayer::setFileName(const QString& name)
{
    d->fileName = name;
}

void SoundPlayer::setCommand(const QString& command)
{
    const QString c = command.trimmed().toLower();
    if (c == QLatin1String("open"))
        open();
    else if (c == QLatin1String("play"))
        play();
    else if (c == QLatin1String("stop"))
        stop();
    else if (c == QLatin1String("close"))
        close();
    else
        d->error = MciUnrecognizedCommand;
}

void SoundPlayer::open()
{
    // Whatever is open is replaced: a device left open by a failed play
    // must not block every later open.
    if (d->current) {
        d->current->close();
        d->current = nullptr;
    }
    d->from = d->to = -1;
    const SoundBackendKind kind = chooseSoundBackend(d->deviceType, d->fileName);
    if (kind == SoundBackendKind::None) {
        d->error = d->deviceType.isEmpty() ? MciExtensionNotFound : MciInvalidDeviceName;
        return;
    }
    if (kind != SoundBackendKind::CdAudio && !QFileInfo(d->fileName).isFile()) {
        d->error = MciFileNotFound;
        return;
    }
    auto& backend = d->backends[kind];
    if (!backend)
        backend = makeSoundBackend(kind);
    d->error = backend->open(d->fileName);
    if (d->error == MciOk)
        d->current = backend.get();
}

void SoundPlayer::play()
{
    if (!d->current) {
        d->error = MciDeviceNotReady;
        return;
    }
    d->error = d->current->play(d->from, d->to);
}

void SoundPlayer::stop()
{
    if (d->current)
        d->current->stop();
    d->error = MciOk;
}

void SoundPlayer::close()
{
    if (d->current)
        d->current->close();
    d->current = nullptr;
    d->from = d->to = -1;
    d->error = MciOk;
}

int SoundPlayer::error() const
{
    return d->error;
}
bool SoundPlayer::isOpen() const
{
    return d->current != nullptr;
}
bool SoundPlayer::isPlaying() const
{
    return d->current && d->current->isPlaying();
}

int SoundPlayer::timeFormat() const
{
    return 0;
}

void SoundPlayer::setTimeFormat(int format)
{
    d->error = format == 0 ? MciOk : MciBadTimeFormat;
}

int SoundPlayer::track() const
{
    return d->track;
}

void SoundPlayer::setTrack(int track)
{
    if (d->current && (track < 1 || track > d->current->trackCount())) {
        d->error = MciOutOfRange;
        return;
    }
    d->track = track;
    d->error = MciOk;
}

int SoundPlayer::trackCount() const
{
    return d->current ? d->current->trackCount() : 0;
}

qint64 SoundPlayer::trackPosition() const
{
    return d->current ? d->current->trackStart(d->track) : 0;
}

qint64 SoundPlayer::trackLength() const
{
    return d->current ? d->current->trackLength(d->track) : 0;
}

qint64 SoundPlayer::from() const
{
    return d->from;
}
void SoundPlayer::setFrom(qint64 ms)
{
    d->from = ms < 0 ? -1 : ms;
}
qint64 SoundPlayer::to() const
{
    return d->to;
}
void SoundPlayer::setTo(qint64 ms)
{
    d->to = ms < 0 ? -1 : ms;
}

int SoundPlayer::updateInterval() const
{
    return d->updateInterval;
}

void SoundPlayer::setUpdateInterval(int ms)
{
    d->updateInterval = std::max(0, ms);
    if (d->updateInterval > 0)
        d->status.start(d->updateInterval);
    else
        d->status.stop();
}

qint64 SoundPlayer::position() const
{
    return d->current ? d->current->position() : 0;
}
qint64 SoundPlayer::length() const
{
    return d->current ? d->current->length() : 0;
}

} // namespace media
