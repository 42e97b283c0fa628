// Figures of the video view and the sound player, printed:
//   1. open to first frame on screen: a 1080p H.264 clip, MPEG-1 clips
//      (352x288 and 1080p), median and worst of several runs;
//   2. CPU use (percent of one core) and frames drawn per second while a
//      1080p H.264 clip plays in a 1920x1080 view, and in a 960x540 view;
//   3. CPU use while a MIDI file and an MP3 file play into the null output.
// The clips are made by ffmpeg in a temporary folder first (not timed).
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
// Option: --quick (fewer and shorter runs).

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "media/soundplayer.h"
#include "media/videoview.h"

namespace {

bool ffmpeg(const QStringList& args, const QString& out)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            QStringList{"-nostdin", "-v", "error", "-y"} + args + QStringList{out});
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", p.readAllStandardError().constData());
        return false;
    }
    return true;
}

bool makeClip(const QString& out, const char* size, int seconds, const QStringList& codec)
{
    return ffmpeg(QStringList{"-f", "lavfi", "-i",
                              QStringLiteral("testsrc2=size=%1:rate=25:duration=%2")
                                  .arg(QLatin1String(size))
                                  .arg(seconds),
                              "-f", "lavfi", "-i",
                              QStringLiteral("sine=frequency=440:duration=%1").arg(seconds)} +
                      codec,
                  out);
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

// Notes when the view has painted a frame.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            auto* view = static_cast<media::VideoView*>(o);
            // Let the paint happen, then look.
            view->removeEventFilter(this);
            QCoreApplication::sendEvent(view, e);
            painted = !view->frameRect().isEmpty();
            view->installEventFilter(this);
            return true;
        }
        return false;
    }
};

struct Stats {
    double median;
    double worst;
};

Stats stats(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.back()};
}

// The show keeps one view and opens clip after clip in it: so do the runs.
// A fresh view per run (`fresh`) also pays for starting libmpv.
void firstFrame(const char* label, const QString& clip, QSize window, int runs, bool fresh = false)
{
    std::vector<double> times;
    std::unique_ptr<media::VideoView> kept;
    for (int i = 0; i < runs; ++i) {
        std::unique_ptr<media::VideoView> made;
        if (fresh || !kept) {
            made = std::make_unique<media::VideoView>();
            made->resize(window);
            made->show();
            runFor(50);
        }
        media::VideoView& view = fresh ? *made : *(kept ? kept : (kept = std::move(made)));
        PaintWatch watch;
        view.installEventFilter(&watch);
        QElapsedTimer t;
        t.start();
        if (!view.open(clip)) {
            std::printf("  %-38s cannot open\n", label);
            return;
        }
        view.play();
        while (!watch.painted && t.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        view.removeEventFilter(&watch);
        view.close();
    }
    const Stats s = stats(times);
    std::printf("  %-38s median %7.1f ms   worst %7.1f ms   (%d runs)\n", label, s.median, s.worst,
                runs);
}

void playingCpu(const char* label, const QString& clip, QSize window, int ms)
{
    media::VideoView view;
    view.resize(window);
    view.show();
    if (!view.open(clip)) {
        std::printf("  %-38s cannot open\n", label);
        return;
    }
    view.play();
    runFor(500); // past the start
    const quint64 frames0 = view.renderedFrames();
    const double cpu0 = cpuSeconds();
    QElapsedTimer t;
    t.start();
    runFor(ms);
    const double wall = double(t.elapsed()) / 1000.0;
    const double cpu = cpuSeconds() - cpu0;
    const double fps = double(view.renderedFrames() - frames0) / wall;
    std::printf("  %-38s CPU %5.0f %% of one core   %5.1f frames/s drawn (clip: 25)\n", label,
                100.0 * cpu / wall, fps);
}

void soundCpu(const char* label, const QString& file, int ms)
{
    media::SoundPlayer player;
    player.setFileName(file);
    player.open();
    if (player.error() != 0) {
        std::printf("  %-38s cannot open (%d)\n", label, player.error());
        return;
    }
    player.play();
    runFor(300);
    const double cpu0 = cpuSeconds();
    QElapsedTimer t;
    t.start();
    runFor(ms);
    const double wall = double(t.elapsed()) / 1000.0;
    std::printf("  %-38s CPU %5.1f %% of one core\n", label, 100.0 * (cpuSeconds() - cpu0) / wall);
}

QByteArray midiScale(int seconds)
{
    // One track, 96 ticks a quarter at 120 beats per minute: two notes a second.
    QByteArray track;
    auto varLen = [&track](quint32 v) {
        QByteArray b(1, char(v & 0x7f));
        while (v >>= 7)
            b.prepend(char((v & 0x7f) | 0x80));
        track += b;
    };
    track += QByteArray("\x00\xc0\x00", 3);
    for (int i = 0; i < seconds * 2; ++i) {
        varLen(0);
        track += QByteArray("\x90", 1) + char(60 + i % 12) + char(100);
        varLen(96);
        track += QByteArray("\x80", 1) + char(60 + i % 12) + char(0);
    }
    track += QByteArray("\x00\xff\x2f\x00", 4);
    QByteArray file("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14);
    file += "MTrk";
    const quint32 n = quint32(track.size());
    file += char(n >> 24);
    file += char((n >> 16) & 0xff);
    file += char((n >> 8) & 0xff);
    file += char(n & 0xff);
    return file + track;
}

} // namespace

int main(int argc, char** argv)
{
    bool quick = false;
    for (int i = 1; i < argc; ++i)
        quick = quick || std::strcmp(argv[i], "--quick") == 0;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("KELVRA_AUDIO"))
        qputenv("KELVRA_AUDIO", "null");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const int seconds = quick ? 4 : 8;
    const QString h264 = dir.filePath(QStringLiteral("clip1080.mp4"));
    const QString mpeg1Small = dir.filePath(QStringLiteral("clip288.mpg"));
    const QString mpeg1Large = dir.filePath(QStringLiteral("clip1080.mpg"));
    const QString mp3 = dir.filePath(QStringLiteral("tone.mp3"));
    const QString mid = dir.filePath(QStringLiteral("scale.mid"));
    std::printf("Making clips (%d s each)...\n", seconds);
    std::fflush(stdout);
    if (!makeClip(
            h264, "1920x1080", seconds,
            {"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac"}) ||
        !makeClip(mpeg1Small, "352x288", seconds,
                  {"-c:v", "mpeg1video", "-b:v", "1500k", "-c:a", "mp2"}) ||
        !makeClip(mpeg1Large, "1920x1080", seconds,
                  {"-c:v", "mpeg1video", "-b:v", "12M", "-c:a", "mp2"}) ||
        !ffmpeg(
            {"-f", "lavfi", "-i", QStringLiteral("sine=frequency=440:duration=%1").arg(seconds)},
            mp3))
        return 1;
    QFile midi(mid);
    if (!midi.open(QIODevice::WriteOnly) || midi.write(midiScale(seconds)) < 0)
        return 1;
    midi.close();

    const int runs = quick ? 3 : 7;
    const int playMs = quick ? 2000 : 5000;
    std::printf("\nOpen to first frame painted (view 1920x1080, reused as the show does):\n");
    firstFrame("H.264 1920x1080, new view each time", h264, {1920, 1080}, runs, true);
    firstFrame("H.264 1920x1080", h264, {1920, 1080}, runs);
    firstFrame("MPEG-1 352x288", mpeg1Small, {1920, 1080}, runs);
    firstFrame("MPEG-1 1920x1080", mpeg1Large, {1920, 1080}, runs);

    std::printf("\nWhile a clip plays (%d s measured):\n", playMs / 1000);
    playingCpu("H.264 1080p in a 1920x1080 view", h264, {1920, 1080}, playMs);
    playingCpu("H.264 1080p in a 960x540 view", h264, {960, 540}, playMs);
    playingCpu("MPEG-1 352x288 in a 1920x1080 view", mpeg1Small, {1920, 1080}, playMs);

    std::printf("\nWhile a sound plays into the null output:\n");
    soundCpu("MIDI (FluidSynth, General MIDI font)", mid, playMs);
    soundCpu("MP3 (libmpv)", mp3, playMs);
    return 0;
}
