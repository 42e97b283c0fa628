// Sound files and audio CDs through libmpv, audio only.

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include <cmath>

#include "media/mcierror.h"
#include "media/mpvclient.h"
#include "media/soundbackend.h"

namespace media {

namespace {

constexpr int kFileOpenTimeoutMs = 10000;
constexpr int kCdOpenTimeoutMs = 20000; // a drive may have to spin up

class MpvSound final : public SoundBackend {
public:
    explicit MpvSound(bool cd) : m_cd(cd) {}

    int open(const QString& source) override
    {
        close();
        if (!m_mpv) {
            m_mpv = std::make_unique<MpvClient>(MpvClient::Kind::Audio);
            connect(m_mpv.get(), &MpvClient::endFile, this, [this](bool eof, int) {
                if (!m_open || !m_playing)
                    return;
                // mpv reports the end when the decoder is done, while the
                // output still holds up to half a second of sound (it
                // drains that afterwards). Count that tail down on the clock,
                // so that the end comes when the sound has been heard. A
                // read error ends at once: whoever waits for the end goes on.
                const qint64 end = m_loadedTo >= 0 ? m_loadedTo : m_length;
                const qint64 tail = eof ? std::clamp<qint64>(end - m_timePos, 0, 1000) : 0;
                m_tailFrom = m_timePos;
                m_tailClock.start();
                m_tail.start(int(tail));
            });
            m_tail.setSingleShot(true);
            connect(&m_tail, &QTimer::timeout, this, [this] { finish(); });
            connect(m_mpv.get(), &MpvClient::doubleChanged, this,
                    [this](const QByteArray& name, double value) {
                        if (name == "time-pos" && m_mpv->isLoaded())
                            m_timePos = qint64(std::llround(value * 1000.0));
                    });
        }
        if (!m_mpv->ensure())
            return MciCannotLoadDriver;
        if (!m_observing) {
            m_mpv->observeDouble("time-pos");
            m_observing = true;
        }
        m_url = source;
        m_options.clear();
        if (m_cd) {
            const CdRequest request = cdRequest(source);
            m_url = request.url;
            m_options = request.options;
        }
        if (!load(-1, -1))
            return m_cd ? MciDeviceNotReady : MciInvalidFile;
        bool ok = false;
        const double seconds = m_mpv->getDouble("duration", &ok);
        m_length = ok && seconds > 0 ? qint64(std::llround(seconds * 1000.0)) : 0;
        m_trackStarts.clear();
        if (m_cd) {
            const qint64 count = m_mpv->getInt("chapter-list/count");
            for (qint64 i = 0; i < count; ++i) {
                const QByteArray name = "chapter-list/" + QByteArray::number(i) + "/time";
                m_trackStarts.append(
                    qint64(std::llround(m_mpv->getDouble(name.constData()) * 1000)));
            }
            if (m_trackStarts.isEmpty() && m_length > 0)
                m_trackStarts.append(0);
        }
        m_open = true;
        m_ended = false;
        return MciOk;
    }

    int play(qint64 fromMs, qint64 toMs) override
    {
        if (!m_open)
            return MciDeviceNotReady;
        if (m_tail.isActive())
            stop();
        // mpv itself stops at "to", after the output has played up to it: a
        // range is a fresh load with start and end. So is a play after the
        // end, when the sound has unloaded.
        const bool bounded = toMs >= 0 || m_loadedTo >= 0;
        if (m_ended || !m_mpv->isLoaded() || bounded) {
            const qint64 start = fromMs >= 0 ? fromMs : (m_ended || m_reachedTo ? 0 : m_timePos);
            if (!load(start, toMs))
                return MciHardware;
        } else if (fromMs >= 0) {
            m_mpv->command({QStringLiteral("seek"), seconds(fromMs), QStringLiteral("absolute"),
                            QStringLiteral("exact")});
            m_timePos = fromMs;
        }
        m_ended = false;
        m_reachedTo = false;
        if (!m_mpv->setFlag("pause", false))
            return MciHardware;
        m_playing = true;
        return MciOk;
    }

    void stop() override
    {
        if (m_tail.isActive()) {
            // Stopped in the tail: the rest was already handed to the output.
            m_tail.stop();
            m_timePos = position();
            m_ended = true;
        }
        if (m_open && m_mpv->isLoaded())
            m_mpv->setFlag("pause", true);
        m_playing = false;
    }

    void close() override
    {
        stop();
        if (m_mpv && m_open)
            m_mpv->unload();
        m_open = false;
        m_ended = false;
        m_reachedTo = false;
        m_loadedTo = -1;
        m_timePos = 0;
        m_length = 0;
        m_trackStarts.clear();
    }

    bool isPlaying() const override { return m_playing; }

    qint64 position() const override
    {
        if (!m_open)
            return 0;
        if (m_reachedTo)
            return std::max(m_timePos, m_loadedTo);
        if (m_ended)
            return std::max(m_timePos, m_length);
        if (m_tail.isActive()) {
            const qint64 end = m_loadedTo >= 0 ? m_loadedTo : m_length;
            return std::min(end, m_tailFrom + m_tailClock.elapsed());
        }
        return m_length > 0 ? std::clamp<qint64>(m_timePos, 0, m_length) : m_timePos;
    }

    qint64 length() const override { return m_open ? m_length : 0; }

    int trackCount() const override
    {
        if (!m_open)
            return 0;
        return m_cd ? int(m_trackStarts.size()) : SoundBackend::trackCount();
    }

    qint64 trackStart(int track) const override
    {
        if (!m_cd)
            return 0;
        return track >= 1 && track <= m_trackStarts.size() ? m_trackStarts[track - 1] : 0;
    }

    qint64 trackLength(int track) const override
    {
        if (!m_cd)
            return SoundBackend::trackLength(track);
        if (track < 1 || track > m_trackStarts.size())
            return 0;
        const qint64 end = track < m_trackStarts.size() ? m_trackStarts[track] : m_length;
        return std::max<qint64>(0, end - m_trackStarts[track - 1]);
    }

private:
    static QString seconds(qint64 ms) { return QString::number(double(ms) / 1000.0, 'f', 3); }

    bool load(qint64 fromMs, qint64 toMs)
    {
        QStringList options = m_options;
        options << QStringLiteral("loop-file=no")
                << (fromMs > 0 ? QStringLiteral("start=") + seconds(fromMs)
                               : QStringLiteral("start=none"))
                << (toMs >= 0 ? QStringLiteral("end=") + seconds(toMs)
                              : QStringLiteral("end=none"));
        const auto result =
            m_mpv->load(m_url, options, m_cd ? kCdOpenTimeoutMs : kFileOpenTimeoutMs);
        m_loadedTo = toMs;
        m_timePos = std::max<qint64>(0, fromMs);
        return result == MpvClient::LoadResult::Loaded;
    }

    void finish()
    {
        m_tail.stop();
        m_playing = false;
        m_ended = true;
        m_reachedTo = m_loadedTo >= 0;
    }

    bool m_cd;
    std::unique_ptr<MpvClient> m_mpv; // made on the first open
    bool m_observing = false;
    QString m_url;
    QStringList m_options;
    bool m_open = false;
    bool m_playing = false;
    bool m_ended = false;
    bool m_reachedTo = false;
    qint64 m_loadedTo = -1; // the "to" of the current load, -1 for none
    qint64 m_timePos = 0;   // followed from mpv, never read from it while playing
    qint64 m_length = 0;
    QList<qint64> m_trackStarts;
    QTimer m_tail; // the sound still in the output after mpv's end
    QElapsedTimer m_tailClock;
    qint64 m_tailFrom = 0;
};

} // namespace

std::unique_ptr<SoundBackend> makeMpvSound(bool cd)
{
    return std::make_unique<MpvSound>(cd);
}

CdRequest cdRequest(const QString& drive, const QString& mountTable)
{
    CdRequest request;
    request.url = QStringLiteral("cdda://");
    QString device;
    const QString d = drive.trimmed();
    const bool windowsDrive =
        d.size() <= 3 && d.size() >= 2 && d[0].isLetter() && d[1] == QLatin1Char(':');
    static const QRegularExpression gvfs(QStringLiteral("/cdda:host=([^/]+)"));
    const QRegularExpressionMatch gvfsMatch = gvfs.match(d);
    if (d.startsWith(QLatin1String("/dev/"))) {
        device = d;
    } else if (gvfsMatch.hasMatch()) {
        // The desktop's own view of an audio CD: .../gvfs/cdda:host=sr0/
        device = QStringLiteral("/dev/") + gvfsMatch.captured(1);
    } else if (!d.isEmpty() && !windowsDrive) {
        // A folder on a disc's data session: the device mounted there, at
        // the longest mount point that contains it.
        QFile mounts(mountTable);
        QString folder = QFileInfo(d).absoluteFilePath();
        qsizetype best = -1;
        if (mounts.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : mounts.readAll().split('\n')) {
                const QList<QByteArray> fields = line.split(' ');
                if (fields.size() < 3 || !fields[0].startsWith("/dev/") ||
                    (fields[2] != "iso9660" && fields[2] != "udf"))
                    continue;
                // Mount points escape blanks as \040.
                QString point = QString::fromUtf8(fields[1]).replace(QStringLiteral("\\040"),
                                                                     QStringLiteral(" "));
                const bool inside =
                    folder == point ||
                    folder.startsWith(point.endsWith(QLatin1Char('/')) ? point
                                                                       : point + QLatin1Char('/'));
                if (inside && point.size() > best) {
                    best = point.size();
                    device = QString::fromUtf8(fields[0]);
                }
            }
        }
    }
    if (device.isEmpty())
        device = qEnvironmentVariable("KELVRA_CDROM_DEVICE");
    request.device = device;
    if (!device.isEmpty())
        request.options << QStringLiteral("cdrom-device=") + device;
    return request;
}

} // namespace media
