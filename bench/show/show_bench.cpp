// Figures of the show, printed for a 1920x1080 and a 3840x2160 display (or
// only the size given with --size WxH):
//   1. start to first picture: "kelvra-saver /s" with a 6000x4000 JPEG,
//      against "feh -F" showing the same file, and the ratio of the two;
//   2. from a key or a 5-pixel mouse move to the end of "kelvra-saver /s"
//      (the promise is half a second), against a key ending "feh -F";
//   3. from a tick to the first frame of its paint (target: under 20 ms);
//   4. frames per second of a paint, and the longest frame while the next
//      picture is decoded (target: 20 ms at 1080p, 33 ms at 4K);
//   5. memory of a one-minute show of 24 MP photos, and whether it stays flat.
//
// Each size runs in a child process on its own Xvfb of that size, or on
// KELVRA_BENCH_DISPLAY when set (then only one size makes sense). Options:
// --size WxH (one size), --quick (shorter runs), --skip-start (only the
// in-process figures), --only-start (only the start and end comparisons),
// --runs N (start-up runs, 5), --seconds N (length of the show, 60; 20 with
// --quick).

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include "pictures/pictureview.h"
#include "show/frmsaver.h"
#include "store/settings.h"

namespace {

QProcess* g_xvfb = nullptr;

// The window thread's slowest events, to tell what a long frame was spent
// on: the event, its receiver and when it came (the show's clock).
struct SlowEvent {
    qint64 at = 0;
    qint64 ms = 0;
    QByteArray what;
};

class BenchApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth > 0 || !clock || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        ++m_depth;
        QElapsedTimer timer;
        timer.start();
        const int type = event->type();
        const QByteArray name = receiver->metaObject()->className();
        const bool result = QApplication::notify(receiver, event);
        const qint64 ms = timer.elapsed();
        --m_depth;
        if (ms >= 8)
            slow.push_back(
                {clock->elapsed() - ms, ms, name + " event " + QByteArray::number(type)});
        return result;
    }

    const QElapsedTimer* clock = nullptr;
    std::vector<SlowEvent> slow;

private:
    int m_depth = 0;
};

QString startXvfb(QSize size)
{
    for (int n = 90; n < 140; ++n) {
        if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
            QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            continue;
        g_xvfb = new QProcess;
        g_xvfb->start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), "-noreset",
                                               "-nolisten", "tcp", "-screen", "0",
                     QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height())});
        if (!g_xvfb->waitForStarted(5000))
            return {};
        for (int i = 0; i < 100; ++i) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                return QStringLiteral(":%1").arg(n);
            QThread::msleep(50);
        }
        return {};
    }
    return {};
}

// A photo-like 24 MP picture: a smooth gradient with noise, a flat patch in
// the middle in `centre` (so a pixel test can tell when it is on screen).
void makePhoto(const QString& path, QColor centre, int w = 6000, int h = 4000)
{
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(w + centre.rgb());
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = int(rng.bounded(40));
            line[x] = qRgb((x * 255 / w + n) & 255, (y * 255 / h + n) & 255, (128 + n) & 255);
        }
    }
    QPainter(&image).fillRect(QRect(w / 2 - w / 8, h / 2 - h / 8, w / 4, h / 4), centre);
    image.save(path, "JPEG", 90);
}

QSize g_size(1920, 1080);

QColor screenPixel(int x, int y)
{
    const QPixmap px = QGuiApplication::primaryScreen()->grabWindow(0, x, y, 1, 1);
    return px.toImage().pixelColor(0, 0);
}

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 16 && std::abs(a.green() - b.green()) < 16 &&
           std::abs(a.blue() - b.blue()) < 16;
}

// Milliseconds from starting the program to the colour at the screen's centre;
// -1 when it never came.
qint64 timeToPicture(const QString& program, const QStringList& args,
                     const QProcessEnvironment& env, QColor colour)
{
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    qint64 result = -1;
    while (timer.elapsed() < 20000) {
        if (near(screenPixel(g_size.width() / 2, g_size.height() / 2), colour)) {
            result = timer.elapsed();
            break;
        }
        if (p.state() == QProcess::NotRunning)
            break;
        QThread::msleep(2);
    }
    p.kill();
    p.waitForFinished(3000);
    QThread::msleep(300);
    return result;
}

// Milliseconds from the input to the end of the program, once it shows the
// colour at the screen's centre; `input` is what xdotool sends. -1 when the
// picture never came or the program was still running 5 s after the input.
qint64 timeToEnd(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                 QColor colour, const QStringList& input)
{
    QProcess::execute("xdotool", {"mousemove", "700", "700"}); // away from the corners
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    QElapsedTimer timer;
    timer.start();
    bool shown = false;
    while (!shown && timer.elapsed() < 20000 && p.state() != QProcess::NotRunning) {
        shown = near(screenPixel(g_size.width() / 2, g_size.height() / 2), colour);
        QThread::msleep(5);
    }
    qint64 result = -1;
    if (shown) {
        QThread::msleep(500); // the show takes the pointer's first position
        QElapsedTimer sinceInput;
        sinceInput.start();
        QProcess::execute("xdotool", input);
        if (p.waitForFinished(5000))
            result = sinceInput.elapsed();
    }
    p.kill();
    p.waitForFinished(3000);
    QThread::msleep(300);
    return result;
}

qint64 median(std::vector<qint64> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long statusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void startupFigures(const QString& dir, int runs)
{
    QDir().mkpath(dir);
    const QString photo = dir + "/start.jpg";
    makePhoto(photo, QColor(250, 120, 0));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("KELVRA_WINDOWS_DIR", dir + "/windows");
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    env.insert("XDG_DATA_HOME", dir + "/data");
    env.insert("KELVRA_AUDIO", "null");
    QDir().mkpath(dir + "/windows");
    QFile zem(dir + "/windows/zem.ini");
    zem.open(QIODevice::WriteOnly);
    zem.write("1\r\n1\r\n" + photo.toUtf8() + "\r\n");
    zem.close();

    // KELVRA_BENCH_SAVER names another build's program, for before/after runs.
    QString saver = qEnvironmentVariable("KELVRA_BENCH_SAVER");
    if (saver.isEmpty())
        saver = QStringLiteral(KELVRA_BIN_DIR "/kelvra-saver");
    std::vector<qint64> ours, feh;
    for (int i = 0; i < runs; ++i) {
        ours.push_back(timeToPicture(saver, {"/s"}, env, QColor(250, 120, 0)));
        feh.push_back(timeToPicture("feh", {"-F", photo}, env, QColor(250, 120, 0)));
    }
    const qint64 o = median(ours), f = median(feh);
    std::printf("start to first picture, 6000x4000 JPEG on %dx%d (median of %d):\n",
                g_size.width(), g_size.height(), runs);
    std::printf("  kelvra-saver /s   %6lld ms\n", static_cast<long long>(o));
    std::printf("  feh -F            %6lld ms\n", static_cast<long long>(f));
    if (o > 0 && f > 0)
        std::printf("  ratio             %6.2f (ours / feh)\n", double(o) / double(f));
    std::fflush(stdout);

    const QStringList key = {"key", "Escape"};
    const QStringList move = {"mousemove_relative", "--", "5", "0"};
    std::vector<qint64> ourKey, ourMove, fehKey;
    for (int i = 0; i < runs; ++i) {
        ourKey.push_back(timeToEnd(saver, {"/s"}, env, QColor(250, 120, 0), key));
        ourMove.push_back(timeToEnd(saver, {"/s"}, env, QColor(250, 120, 0), move));
        fehKey.push_back(timeToEnd("feh", {"-F", photo}, env, QColor(250, 120, 0), key));
    }
    std::printf("input to the program's end, picture on screen (median of %d; promised: 500 ms):\n",
                runs);
    std::printf("  kelvra-saver /s, a key            %6lld ms\n",
                static_cast<long long>(median(ourKey)));
    std::printf("  kelvra-saver /s, a 5-pixel move   %6lld ms\n",
                static_cast<long long>(median(ourMove)));
    std::printf("  feh -F, a key                     %6lld ms\n",
                static_cast<long long>(median(fehKey)));
    std::fflush(stdout);
}

// One frame of a paint: when it came, how long after the one before, and
// where it stood, so that a long one can be told apart (a first frame after
// the tick, a frame while the next picture decodes, the last of a paint).
struct FrameRecord {
    qint64 at = 0;
    qint64 gap = 0;
    int paint = 0;
    int frame = 0; // 1 = the frame after the paint's first
    bool decoding = false;
};

void showFigures(const QString& dir, bool quick, int seconds)
{
    // Four distinct photos, six times each: 24 entries.
    const QList<QColor> colours = {QColor(250, 120, 0), QColor(0, 160, 250), QColor(40, 220, 60),
                                   QColor(220, 40, 200)};
    QDir().mkpath(dir);
    QStringList list;
    for (int i = 0; i < colours.size(); ++i) {
        const QString path = dir + QStringLiteral("/photo%1.jpg").arg(i);
        makePhoto(path, colours[i]);
        list << path;
    }
    QByteArray zem = "2\r\n24\r\n";
    for (int i = 0; i < 24; ++i)
        zem += list[i % list.size()].toUtf8() + "\r\n";
    qputenv("KELVRA_WINDOWS_DIR", (dir + "/windows").toUtf8());
    qputenv("XDG_CONFIG_HOME", (dir + "/config").toUtf8());
    qputenv("KELVRA_AUDIO", "null");
    QDir().mkpath(dir + "/windows");
    QFile f(dir + "/windows/zem.ini");
    f.open(QIODevice::WriteOnly);
    f.write(zem);
    f.close();
    store::saveSetting("Screen Saver Timeout", "2", true);
    store::saveSetting("Paint Effect", "2000", true); // a wipe, every pixel changes
    store::saveSetting("EffectDelay", "16", true);
    store::saveSetting("PaintMaxPasses", "60", true);
    store::saveSetting("Zoom Setting", "1", true);

    auto* show = new show::frmSaver(show::Program::Editor, show::ShowMode::FullScreen);
    show->setGeometry(QGuiApplication::primaryScreen()->geometry());
    show->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);

    QElapsedTimer clock;
    clock.start();
    auto* app = static_cast<BenchApplication*>(qApp);
    app->clock = &clock;
    qint64 requestedAt = -1;
    qint64 lastFrame = -1;
    std::vector<qint64> tickToFrame;
    std::vector<qint64> gaps;
    qint64 longestWhileDecoding = 0;
    int frames = 0;
    int framesWhileDecoding = 0;
    qint64 paintTime = 0;
    qint64 paintStart = -1;
    qint64 firstFrame = -1;
    std::vector<FrameRecord> records;
    int paintIndex = 0;
    int frameInPaint = 0;

    // The view reports its first frame before paintStarted is emitted, so
    // the tick is kept apart for the latter.
    qint64 tickAt = -1;
    bool started = false;
    QObject::connect(show, &show::frmSaver::pictureRequested, [&](const QString&) {
        requestedAt = clock.elapsed();
        tickAt = requestedAt;
    });
    std::vector<qint64> tickToStart;
    QObject::connect(show, &show::frmSaver::paintStarted, [&] {
        // The first picture is the start, not a tick.
        if (tickAt >= 0 && started)
            tickToStart.push_back(clock.elapsed() - tickAt);
        started = true;
        tickAt = -1;
    });
    QObject::connect(show->pictureView(), &pictures::PictureView::progress, [&](int percent) {
        const qint64 t = clock.elapsed();
        if (requestedAt >= 0) {
            // The first picture is the start (decoded on demand), not a tick.
            if (firstFrame < 0)
                firstFrame = t - requestedAt;
            else
                tickToFrame.push_back(t - requestedAt);
            requestedAt = -1;
            paintStart = t;
            lastFrame = t;
            ++paintIndex;
            frameInPaint = 0;
            return;
        }
        if (lastFrame >= 0) {
            const qint64 gap = t - lastFrame;
            gaps.push_back(gap);
            ++frames;
            records.push_back({t, gap, paintIndex, ++frameInPaint, show->decoding()});
            if (show->decoding()) {
                longestWhileDecoding = std::max(longestWhileDecoding, gap);
                ++framesWhileDecoding;
            }
        }
        lastFrame = t;
        if (percent >= 100) {
            if (paintStart >= 0)
                paintTime += t - paintStart;
            paintStart = -1;
            lastFrame = -1;
        }
    });

    std::vector<long> rss;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { rss.push_back(statusKb("VmRSS:")); });
    sampler.start(1000);

    int planned = 0;
    QTimer::singleShot(seconds * 1000, show, [&] {
        planned = show->plannedPaints();
        show->close();
    });
    show->showFullScreen();
    QObject::connect(show, &QObject::destroyed, qApp, &QCoreApplication::quit);
    show->setAttribute(Qt::WA_DeleteOnClose);
    QApplication::exec();

    std::printf("show start to the first frame of the first picture: %lld ms\n",
                static_cast<long long>(firstFrame));
    std::printf(
        "tick to first frame of its paint (%zu ticks): median %lld ms, worst %lld ms\n",
        tickToFrame.size(), static_cast<long long>(median(tickToFrame)),
        static_cast<long long>(
            tickToFrame.empty() ? -1 : *std::max_element(tickToFrame.begin(), tickToFrame.end())));
    std::printf("tick to its paint started (decoded picture handed to the view, first frame "
                "drawn): median %lld ms\n",
                static_cast<long long>(median(tickToStart)));
    std::printf("paint at %dx%d: %.1f fps over %d frames; median frame %lld ms, longest "
                "%lld ms\n",
                g_size.width(), g_size.height(),
                paintTime > 0 ? frames * 1000.0 / paintTime : 0.0, frames,
                static_cast<long long>(median(gaps)),
                static_cast<long long>(gaps.empty() ? -1
                                                    : *std::max_element(gaps.begin(), gaps.end())));
    const int target = g_size.width() > 1920 ? 33 : 20;
    std::printf("longest frame while the next picture decodes: %lld ms (target %d ms, %d "
                "frames while decoding)\n",
                static_cast<long long>(longestWhileDecoding), target, framesWhileDecoding);
    std::printf("paints made ahead with the decode: %d of %zu ticks\n", planned,
                tickToFrame.size() + 1);
    // Where the long frames were: which paint (1 is the first picture's),
    // which of its frames, and whether the next picture was decoding.
    std::vector<FrameRecord> longest = records;
    std::sort(longest.begin(), longest.end(),
              [](const FrameRecord& a, const FrameRecord& b) { return a.gap > b.gap; });
    const auto over = std::count_if(records.begin(), records.end(),
                                    [&](const FrameRecord& r) { return r.gap > target; });
    std::printf("frames over %d ms: %lld of %zu; the longest:", target,
                static_cast<long long>(over), records.size());
    for (size_t i = 0; i < std::min<size_t>(5, longest.size()); ++i)
        std::printf(" %lld ms (paint %d frame %d at %.1f s%s)",
                    static_cast<long long>(longest[i].gap), longest[i].paint, longest[i].frame,
                    longest[i].at / 1000.0, longest[i].decoding ? ", decoding" : "");
    std::printf("\n");
    std::sort(app->slow.begin(), app->slow.end(),
              [](const SlowEvent& a, const SlowEvent& b) { return a.ms > b.ms; });
    std::printf("window thread, events of 8 ms or more: %zu; the longest:", app->slow.size());
    for (size_t i = 0; i < std::min<size_t>(6, app->slow.size()); ++i)
        std::printf(" %lld ms (%s at %.1f s)", static_cast<long long>(app->slow[i].ms),
                    app->slow[i].what.constData(), app->slow[i].at / 1000.0);
    std::printf("\n");
    app->clock = nullptr;
    // Which threads the show's work ran on (the window's, the decoders',
    // Qt's pool for scaling): CPU seconds each, busiest first.
    std::vector<std::pair<double, QByteArray>> threads;
    const QStringList tids =
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& tid : tids) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const qsizetype open = text.indexOf('('), close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (open < 0 || close < 0 || fields.size() < 13)
            continue;
        const double cpu = (fields[11].toLongLong() + fields[12].toLongLong()) / 100.0;
        threads.push_back({cpu, text.mid(open + 1, close - open - 1)});
    }
    std::sort(threads.begin(), threads.end(), std::greater<>());
    std::printf("CPU seconds by thread:");
    for (const auto& [cpu, name] : threads)
        if (cpu >= 0.05)
            std::printf(" %s %.2f", name.constData(), cpu);
    std::printf("\n");
    if (!rss.empty()) {
        const long early = rss[std::min<size_t>(rss.size() - 1, 5)];
        const long last = rss.back();
        const long peak = *std::max_element(rss.begin(), rss.end());
        std::printf("memory over %d s of 24 MP photos: RSS at 5 s %ld MB, at the end %ld MB, "
                    "peak %ld MB (VmHWM %ld MB): %s\n",
                    seconds, early / 1024, last / 1024, peak / 1024, statusKb("VmHWM:") / 1024,
                    last <= early * 11 / 10 + 20 * 1024 ? "flat" : "growing");
        std::printf("RSS every 10 s (MB):");
        for (size_t i = 0; i < rss.size(); i += 10)
            std::printf(" %ld", rss[i] / 1024);
        std::printf("\n");
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList args = [&] {
        QStringList a;
        for (int i = 1; i < argc; ++i)
            a << QString::fromLocal8Bit(argv[i]);
        return a;
    }();
    const int sizeAt = args.indexOf("--size");
    if (sizeAt < 0 || sizeAt + 1 >= args.size()) {
        // Both sizes, each in a process of its own (one display a process).
        int code = 0;
        for (const char* size : {"1920x1080", "3840x2160"}) {
            std::printf("=== %s ===\n", size);
            std::fflush(stdout);
            QStringList childArgs = args;
            childArgs << "--size" << QString::fromLatin1(size);
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QString::fromLocal8Bit(argv[0]), childArgs);
            child.waitForFinished(-1);
            if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
                code = 1;
        }
        return code;
    }
    const QStringList wh = args[sizeAt + 1].split('x');
    g_size = QSize(wh.value(0).toInt(), wh.value(1).toInt());
    if (g_size.isEmpty()) {
        std::fprintf(stderr, "show_bench: --size takes WxH, as 3840x2160\n");
        return 2;
    }
    const bool quick = args.contains("--quick");
    QString display = qEnvironmentVariable("KELVRA_BENCH_DISPLAY");
    if (display.isEmpty())
        display = startXvfb(g_size);
    if (display.isEmpty()) {
        std::fprintf(stderr, "show_bench: cannot start Xvfb\n");
        return 1;
    }
    qputenv("DISPLAY", display.toUtf8());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int code = 0;
    {
        BenchApplication app(argc, argv);
        QTemporaryDir dir;
        const int runsAt = args.indexOf("--runs");
        int runs = quick ? 2 : 5;
        if (runsAt >= 0 && runsAt + 1 < args.size())
            runs = std::max(1, args[runsAt + 1].toInt());
        if (!args.contains("--skip-start"))
            startupFigures(dir.path() + "/start", runs);
        const int secondsAt = args.indexOf("--seconds");
        int seconds = quick ? 20 : 60;
        if (secondsAt >= 0 && secondsAt + 1 < args.size())
            seconds = std::max(5, args[secondsAt + 1].toInt());
        if (!args.contains("--only-start"))
            showFigures(dir.path() + "/show", quick, seconds);
    }
    if (g_xvfb) {
        g_xvfb->terminate();
        g_xvfb->waitForFinished(3000);
        delete g_xvfb;
    }
    return code;
}
