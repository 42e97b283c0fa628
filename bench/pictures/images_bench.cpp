// Figures for the picture path, each as a ratio measured in the same run:
//  1. one paint-effect frame per family at 1920x1080 and 3840x2160, on one
//     core, against a plain copy of one frame of the same size
//     (targets: reveal families at most 3x, motion and distortion families
//     at most 5x; the blend family is held to the motion target);
//  2. decoding a 6000x4000 photo-like JPEG to fit 1920x1080 against
//     `djpeg -scale 1/2` run as a process on the same file (target at most 1x).
// Medians of several runs; the machine is shared, so figures vary.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <time.h>
#include <vector>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThreadPool>

#include "pictures/imageio.h"
#include "pictures/transitions.h"

using Clock = std::chrono::steady_clock;

namespace {

// This thread's processor time in milliseconds: on a shared machine a long
// frame is more often interrupted than a short copy, and wall time would
// count that against it.
double cpuNow()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

template <typename F> double medianMs(int runs, F&& f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const auto a = Clock::now();
        f(i);
        t.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

QImage noisy(QSize size, int seed)
{
    QImage img(size, QImage::Format_RGB32);
    std::mt19937 rng{static_cast<quint32>(seed)};
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(img.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = 0xff000000u | (rng() & 0xffffff);
    }
    return img;
}

// Smooth shapes plus fine grain and edges: compresses like a photo.
QImage photoLike(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> grain(-10, 10);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int r = 120 + int(90 * std::sin(x * 0.0021) * std::cos(y * 0.0013));
            const int g = 110 + int(70 * std::sin((x + y) * 0.0017));
            const int b = 100 + int(80 * std::cos(x * 0.0009 - y * 0.0024));
            const int n = grain(rng);
            row[x] = qRgb(std::clamp(r + n, 0, 255), std::clamp(g + n, 0, 255),
                          std::clamp(b + n, 0, 255));
        }
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 400; ++i) {
        p.setPen(QPen(QColor(rng() % 256, rng() % 256, rng() % 256), 1 + rng() % 6));
        p.drawLine(int(rng() % size.width()), int(rng() % size.height()), int(rng() % size.width()),
                   int(rng() % size.height()));
    }
    return img;
}

// What the engine's select would cost written plainly, compiled as this file
// is (-O2): a branch per pixel on a random mask.
__attribute__((noinline)) void naiveSelect(const quint32* oldp, const quint32* newp,
                                           const quint8* mask, quint32* out, size_t n, quint8 t)
{
    for (size_t i = 0; i < n; ++i) {
        if (mask[i] < t)
            out[i] = newp[i];
        else
            out[i] = oldp[i];
    }
}

void effectFrames(const char* only)
{
    struct Family {
        const char* name;
        int code;
        double target;
    };
    const Family families[] = {
        {"wipe (reveal)", 2000, 3},
        {"wipe+wand (reveal)", 2001, 3},
        {"soft wipe (reveal)", 2292, 3},
        {"dissolve (reveal)", 4000, 3},
        {"iris (reveal)", 5000, 3},
        {"clock (reveal)", 6000, 3},
        {"spiral (reveal)", 6186, 3},
        {"swirl (reveal)", 6420, 3},
        {"blocks (reveal)", 7000, 3},
        {"wave (reveal)", 15000, 3},
        {"slide (motion)", 8000, 5},
        {"push (motion)", 8001, 5},
        {"diagonal push (motion)", 8013, 5},
        {"strips (motion)", 8024, 5},
        {"zoom (motion)", 8165, 5},
        {"zoom through (motion)", 8183, 5},
        {"stretch (motion)", 8192, 5},
        {"spin (motion)", 8204, 5},
        {"swing (motion)", 8220, 5},
        {"peel edge (motion)", 8236, 5},
        {"peel corner (motion)", 8240, 5},
        {"ripple (distortion)", 6330, 5},
        {"row wave (distortion)", 6366, 5},
        {"column wave (distort.)", 6367, 5},
        {"shock ring (distort.)", 6402, 5},
        {"pixelate (distortion)", 7128, 5},
        {"cross-fade (blend)", 16000, 5},
        {"soft wipe (blend)", 16001, 5},
        {"dissolve thru (blend)", 16026, 5},
        {"blur through (blend)", 16008, 5},
    };
    std::printf("Paint-effect frame against a plain copy of one frame (one core)\n");
    std::printf("Frame: in sequence (as a paint renders) and from scratch; the ratio is the\n"
                "slower of the two against the copy, both in this thread's processor time.\n"
                "Set-up: building the transition, wall time.\n");
    std::printf("%-22s %10s %8s %8s %8s %8s  %-18s %s\n", "family", "size", "seq ms", "fresh ms",
                "copy ms", "ratio", "target", "set-up ms");
    for (QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        const QImage from = noisy(size, 1), to = noisy(size, 2);
        QImage out(size, QImage::Format_RGB32);
        const size_t bytes = size_t(out.sizeInBytes());
        for (const Family& f : families) {
            if (only && !std::strstr(f.name, only))
                continue;
            pictures::EffectParams params;
            params.maxPasses = 1000; // every frame distinct
            if (f.code == 2001)
                params.wandSize = 12;
            const auto built = Clock::now();
            pictures::Transition t(f.code, params, from, to);
            const double setup =
                std::chrono::duration<double, std::milli>(Clock::now() - built).count();
            // Copy and frames alternate, so all see the same load on a shared
            // machine. "In sequence" is how a paint renders (each frame into
            // the buffer of the one before); "from scratch" into a buffer the
            // transition has not seen.
            QImage copyBuf(size, QImage::Format_RGB32), scratch(size, QImage::Format_RGB32);
            pictures::Transition other(f.code, params, from, to); // for the scratch frames
            std::vector<double> copies, frames, scratches;
            for (int i = 0; i < 41; ++i) {
                auto a = cpuNow();
                std::memcpy(copyBuf.bits(), from.constBits(), bytes);
                asm volatile("" ::: "memory");
                auto b = cpuNow();
                const double p = 0.05 + 0.9 * i / 41.0;
                t.renderFrame(p, out);
                asm volatile("" ::: "memory");
                auto c = cpuNow();
                (void)scratch.bits(); // as if someone else had drawn into it
                auto d = cpuNow();
                other.renderFrame(p, scratch);
                asm volatile("" ::: "memory");
                auto e = cpuNow();
                copies.push_back(b - a);
                frames.push_back(c - b);
                scratches.push_back(e - d);
            }
            std::sort(copies.begin(), copies.end());
            std::sort(frames.begin(), frames.end());
            std::sort(scratches.begin(), scratches.end());
            const double copy = copies[copies.size() / 2];
            const double frame = frames[frames.size() / 2];
            const double fresh = scratches[scratches.size() / 2];
            const double ratio = std::max(frame, fresh) / copy;
            std::printf("%-22s %4dx%-5d %8.2f %8.2f %8.2f %7.2fx  %-6s (<= %.0fx)  %6.1f\n", f.name,
                        size.width(), size.height(), frame, fresh, copy, ratio,
                        ratio <= f.target ? "met" : "MISSED", f.target, setup);
        }
        {
            const size_t n = size_t(size.width()) * size_t(size.height());
            std::vector<quint8> mask(n);
            std::mt19937 rng{3u};
            for (quint8& m : mask)
                m = quint8(rng());
            std::vector<double> copies, frames;
            for (int i = 0; i < 21; ++i) {
                auto a = cpuNow();
                std::memcpy(out.bits(), from.constBits(), bytes);
                asm volatile("" ::: "memory");
                auto b = cpuNow();
                naiveSelect(reinterpret_cast<const quint32*>(from.constBits()),
                            reinterpret_cast<const quint32*>(to.constBits()), mask.data(),
                            reinterpret_cast<quint32*>(out.bits()), n, quint8(20 + 10 * i));
                asm volatile("" ::: "memory");
                auto c = cpuNow();
                copies.push_back(b - a);
                frames.push_back(c - b);
            }
            std::sort(copies.begin(), copies.end());
            std::sort(frames.begin(), frames.end());
            std::printf("%-22s %4dx%-5d %8.2f %8s %8.2f %7.2fx  (reference: branchy -O2 select "
                        "on a dissolve mask)\n",
                        "naive select", size.width(), size.height(), frames[10], "", copies[10],
                        frames[10] / copies[10]);
        }
    }
}

void jpegDecode()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("photo-6000x4000.jpg");
    std::printf("\nWriting a 6000x4000 photo-like JPEG (quality 92)...\n");
    {
        const QImage photo = photoLike(QSize(6000, 4000));
        if (!photo.save(path, "JPEG", 92)) {
            std::printf("cannot write %s\n", qPrintable(path));
            return;
        }
    }
    std::printf("file: %lld bytes\n", QFileInfo(path).size());

    pictures::LoadOptions fit;
    fit.fitInside = QSize(1920, 1080);
    pictures::LoadOptions loose = fit;
    loose.exactFit = false;
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    // Ours and the reference alternate, so both see the same load.
    std::vector<double> tOurs, tLoose, tQt, tRef;
    QSize got, gotLoose;
    auto ms = [](Clock::time_point a) {
        return std::chrono::duration<double, std::milli>(Clock::now() - a).count();
    };
    for (int i = 0; i < 7; ++i) {
        auto a = Clock::now();
        got = pictures::loadImage(path, fit).image.size();
        tOurs.push_back(ms(a));
        a = Clock::now();
        gotLoose = pictures::loadImage(path, loose).image.size();
        tLoose.push_back(ms(a));
        a = Clock::now();
        {
            QImageReader r(path);
            r.setScaledSize(QSize(1620, 1080));
            (void)r.read();
        }
        tQt.push_back(ms(a));
        if (!djpeg.isEmpty()) {
            a = Clock::now();
            QProcess p;
            p.start(djpeg, {"-scale", "1/2", "-outfile", "/dev/null", path});
            p.waitForFinished(60000);
            tRef.push_back(ms(a));
        }
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const double ours = median(tOurs), oursLoose = median(tLoose), qt = median(tQt),
                 ref = median(tRef);
    std::printf("\nDecoding 6000x4000 JPEG to fit 1920x1080 (one core)\n");
    std::printf("%-44s %9.1f ms  -> %dx%d\n", "ours (libjpeg-turbo 3/8 DCT + exact fit)", ours,
                got.width(), got.height());
    std::printf("%-44s %9.1f ms  -> %dx%d\n", "ours as the picture view loads (DCT only)",
                oursLoose, gotLoose.width(), gotLoose.height());
    std::printf("%-44s %9.1f ms\n", "Qt QImageReader::setScaledSize", qt);
    if (ref > 0) {
        std::printf("%-44s %9.1f ms\n", "djpeg -scale 1/2 (process)", ref);
        std::printf("ratio ours / djpeg: %.2fx  %s (<= 1.0x); DCT only: %.2fx; Qt: %.2fx\n",
                    ours / ref, ours / ref <= 1.0 ? "met" : "MISSED", oursLoose / ref, qt / ref);
    } else {
        std::printf("djpeg not found (package libjpeg-turbo-progs): no reference figure\n");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // One core: Qt's smooth scaling would otherwise spread over the pool.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    const bool onlyEffects = argc > 1 && std::strcmp(argv[1], "--effects") == 0;
    const bool onlyJpeg = argc > 1 && std::strcmp(argv[1], "--jpeg") == 0;
    // --effects TEXT: only the families whose name contains TEXT.
    if (!onlyJpeg)
        effectFrames(onlyEffects && argc > 2 ? argv[2] : nullptr);
    if (!onlyEffects)
        jpegDecode();
    return 0;
}
