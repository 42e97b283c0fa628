#include "media/soundbackend.h"

#include <QFileInfo>

#include "store/mediakind.h"

namespace media {

std::unique_ptr<SoundBackend> makeMpvSound(bool cd);
std::unique_ptr<SoundBackend> makeFluidSynthMidi();

namespace {

struct BackendEntry {
    SoundBackendKind kind;
    bool (*accepts)(const QString& deviceType, const QString& extension);
};

bool isCd(const QString& type, const QString&)
{
    return type.compare(QLatin1String("CDAudio"), Qt::CaseInsensitive) == 0;
}

bool isMidi(const QString& type, const QString& ext)
{
    return type.isEmpty() && (ext == QLatin1String("mid") || ext == QLatin1String("midi") ||
                              ext == QLatin1String("rmi"));
}

// Every other sound the store's table names (MIDI is taken above): the
// show and the sound list accept exactly those, so each must play.
bool isMpvFile(const QString& type, const QString& ext)
{
    return type.isEmpty() && !ext.isEmpty() && store::soundExtensions().contains(u'.' + ext);
}

// First match wins.
const BackendEntry kBackends[] = {
    {SoundBackendKind::CdAudio, isCd},
    {SoundBackendKind::Midi, isMidi},
    {SoundBackendKind::File, isMpvFile},
};

} // namespace

SoundBackendKind chooseSoundBackend(const QString& deviceType, const QString& fileName)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    for (const BackendEntry& entry : kBackends)
        if (entry.accepts(deviceType, ext))
            return entry.kind;
    return SoundBackendKind::None;
}

std::unique_ptr<SoundBackend> makeSoundBackend(SoundBackendKind kind)
{
    switch (kind) {
    case SoundBackendKind::CdAudio:
        return makeMpvSound(true);
    case SoundBackendKind::Midi:
        return makeFluidSynthMidi();
    case SoundBackendKind::File:
        return makeMpvSound(false);
    case SoundBackendKind::None:
        break;
    }
    return nullptr;
}

} // namespace media
