// Figures of the personalized saver's bundle, printed side by side with
// 7-Zip's on the same files in the same run:
//   1. packing a 500 MB bundle of photos and clips with AES-256, MB/s;
//   2. unpacking it, MB/s;
//   3. "Sunset Beach.scr /s" beside that bundle: start to the first picture,
//      next to the time a full unpack takes, and next to the editor's show
//      starting on the same first photo with nothing to unpack (the cost of
//      starting a show on this machine at this moment).
// The media are made at run time in a temporary folder (about 2 GB of disk
// while it runs). Options: --size MB (500), --runs N (start-up runs, 3).
// The start-up figure needs Xvfb (or KELVRA_BENCH_DISPLAY).

#include <algorithm>
#include <cstdio>
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

#include "archive/bundle.h"
#include "archive/resultcode.h"
#include "archive/ziparchive.h"

namespace {

const QColor kFirst(250, 120, 0);

struct Bundle {
    QStringList files; // in member order
    qint64 bytes = 0;
};

void writeRandom(const QString& path, qint64 size, quint32 seed)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QRandomGenerator rng(seed);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 done = 0; done < size; done += chunk.size()) {
        rng.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
        f.write(chunk.constData(), std::min<qint64>(chunk.size(), size - done));
    }
}

// Photos (4 MB each, the first a real JPEG with an orange centre) and clips
// (50 MB each) up to `megabytes`, the list and the settings.
Bundle makeBundle(const QString& dir, int megabytes)
{
    Bundle b;
    QDir().mkpath(dir);
    QImage first(1920, 1080, QImage::Format_RGB32);
    QRandomGenerator rng(1);
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x)
            first.setPixel(x, y, qRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
    QPainter(&first).fillRect(QRect(560, 340, 800, 400), kFirst);
    first.save(dir + QStringLiteral("/photo 000.jpg"), "JPEG", 95);
    b.files << dir + QStringLiteral("/photo 000.jpg");
    const qint64 target = qint64(megabytes) << 20;
    b.bytes = QFileInfo(b.files.first()).size();
    int n = 1;
    while (b.bytes < target) {
        const bool clip = n % 5 == 0; // one clip after every four photos' worth
        const qint64 size = std::min<qint64>(clip ? 50 << 20 : 4 << 20, target - b.bytes);
        const QString path = dir + (clip ? QStringLiteral("/clip %1.mpg") : QStringLiteral("/photo %1.jpg"))
                                       .arg(n, 3, 10, QLatin1Char('0'));
        writeRandom(path, size, quint32(n));
        b.files << path;
        b.bytes += size;
        ++n;
    }
    QByteArray list;
    for (const QString& f : b.files)
        list += "/home/author/Pictures/" + QFileInfo(f).fileName().toUtf8() + "\r\n";
    QFile l(dir + QStringLiteral("/iSunse.ini"));
    l.open(QIODevice::WriteOnly);
    l.write(list);
    l.close();
    QFile s(dir + QStringLiteral("/Sunse.ini"));
    s.open(QIODevice::WriteOnly);
    s.write("[Screen Saver Properties]\nInterval Between Images=5\nPaint Effect=0\n");
    s.close();
    b.files << l.fileName() << s.fileName();
    return b;
}

double seconds(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

double run7z(const QStringList& args, const QString& dir = {})
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!dir.isEmpty())
        p.setWorkingDirectory(dir);
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("7z"), args);
    p.waitForFinished(-1);
    p.readAllStandardOutput();
    if (p.exitCode() != 0)
        std::fprintf(stderr, "7z failed: %s\n", qPrintable(args.join(u' ')));
    return seconds(t);
}

QString startXvfb(QProcess& xvfb)
{
    QString display = qEnvironmentVariable("KELVRA_BENCH_DISPLAY");
    if (!display.isEmpty())
        return display;
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                        QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp"), QStringLiteral("-screen"),
                                        QStringLiteral("0"), QStringLiteral("1920x1080x24")});
    if (!xvfb.waitForReadyRead(10000))
        return {};
    return u':' + QString::fromLatin1(xvfb.readLine().trimmed());
}

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
           std::abs(a.blue() - b.blue()) < 24;
}

// Milliseconds from starting the saver to the first picture at the centre.
qint64 timeToPicture(const QString& program, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    p.start(program, {QStringLiteral("/s")});
    qint64 result = -1;
    while (timer.elapsed() < 30000) {
        const QImage px = QGuiApplication::primaryScreen()->grabWindow(0, 960, 540, 1, 1).toImage();
        if (near(px.pixelColor(0, 0), kFirst)) {
            result = timer.elapsed();
            break;
        }
        if (p.state() == QProcess::NotRunning)
            break;
        QThread::msleep(2);
    }
    p.terminate();
    p.waitForFinished(5000);
    QThread::msleep(300);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    auto option = [&](const char* name, int def) {
        const int at = args.indexOf(QString::fromLatin1(name));
        return at >= 0 && at + 1 < args.size() ? std::max(1, args[at + 1].toInt()) : def;
    };
    const int megabytes = option("--size", 500);
    const int runs = option("--runs", 3);

    QTemporaryDir tmp;
    const QString root = tmp.path();
    const QString password = QString::fromLatin1(archive::kBundlePassword);
    std::printf("making a %d MB bundle of photos and clips...\n", megabytes);
    std::fflush(stdout);
    const Bundle bundle = makeBundle(root + QStringLiteral("/media"), megabytes);
    const double mb = double(bundle.bytes) / (1 << 20);

    // 1. Packing: ours, then 7-Zip storing the same files (-mx0: stored,
    // as ours stores photos and clips).
    archive::ZipArchive zip;
    for (const QString& f : bundle.files)
        zip.addFileToProcess(f);
    zip.setArchiveName(root + QStringLiteral("/Sunse.dat"));
    zip.setPassword(password);
    QElapsedTimer t;
    t.start();
    const int packed = zip.pack();
    const double ourPack = seconds(t);
    QStringList sevenArgs = {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-mem=AES256"),
                             QStringLiteral("-mx0"), QStringLiteral("-p") + password,
                             root + QStringLiteral("/seven.zip")};
    const double sevenPack = run7z(sevenArgs + bundle.files);

    // 2. Unpacking our archive: ours, then 7-Zip.
    archive::ZipArchive unzip;
    unzip.setFilesToProcess(QStringLiteral("*.*"));
    unzip.setArchiveName(root + QStringLiteral("/Sunse.dat"));
    unzip.setPassword(password);
    unzip.setUnzipToFolder(root + QStringLiteral("/ours"));
    t.restart();
    const int unpacked = unzip.unzip();
    const double ourUnpack = seconds(t);
    const double sevenUnpack = run7z({QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-p") + password,
                                      QStringLiteral("-o") + root + QStringLiteral("/seven"),
                                      root + QStringLiteral("/Sunse.dat")});
    QDir(root + QStringLiteral("/ours")).removeRecursively();
    QDir(root + QStringLiteral("/seven")).removeRecursively();
    QFile::remove(root + QStringLiteral("/seven.zip"));

    std::printf("bundle: %.0f MB in %lld files (codes: pack %d, unpack %d)\n", mb,
                static_cast<long long>(bundle.files.size()), packed, unpacked);
    std::printf("                 ours (AES-256)     7z (AES-256, -mx0)   ours / 7z\n");
    std::printf("  pack      %8.0f MB/s %9.2f s %8.0f MB/s %8.2f s   %5.2fx\n", mb / ourPack, ourPack,
                mb / sevenPack, sevenPack, sevenPack / ourPack);
    std::printf("  unpack    %8.0f MB/s %9.2f s %8.0f MB/s %8.2f s   %5.2fx\n", mb / ourUnpack,
                ourUnpack, mb / sevenUnpack, sevenUnpack, sevenUnpack / ourUnpack);
    std::fflush(stdout);

    // 3. The saver beside its bundle.
    QProcess xvfb;
    const QString display = startXvfb(xvfb);
    if (display.isEmpty()) {
        std::fprintf(stderr, "runtime_bench: no display for the start-up figure\n");
        return 0;
    }
    qputenv("DISPLAY", display.toUtf8());
    qputenv("QT_QPA_PLATFORM", "xcb");
    {
        QApplication app(argc, argv);
        const QString saver = root + QStringLiteral("/Sunset Beach.scr");
        QFile::copy(QStringLiteral(KELVRA_BIN_DIR "/vls"), saver);
        QFile::setPermissions(saver, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KELVRA_WINDOWS_DIR"), root + QStringLiteral("/windows"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
        env.insert(QStringLiteral("KELVRA_AUDIO"), QStringLiteral("null"));
        // The editor's show of the same first photo: no archive at all.
        QDir().mkpath(root + QStringLiteral("/windows"));
        QFile zem(root + QStringLiteral("/windows/zem.ini"));
        zem.open(QIODevice::WriteOnly);
        zem.write("5\r\n1\r\n" + bundle.files.first().toUtf8() + "\r\n");
        zem.close();
        std::vector<qint64> times, editor;
        for (int i = 0; i < runs; ++i) {
            times.push_back(timeToPicture(saver, env));
            editor.push_back(timeToPicture(QStringLiteral(KELVRA_BIN_DIR "/kelvra-saver"), env));
        }
        std::sort(times.begin(), times.end());
        std::sort(editor.begin(), editor.end());
        std::printf("\"Sunset Beach.scr /s\" beside the %.0f MB bundle (median of %d):\n", mb, runs);
        std::printf("  start to first picture   %6lld ms\n",
                    static_cast<long long>(times[times.size() / 2]));
        std::printf("  a full unpack (ours)     %6.0f ms    (7z: %.0f ms)\n", ourUnpack * 1000,
                    sevenUnpack * 1000);
        std::printf("  kelvra-saver /s, same first photo, no archive   %6lld ms\n",
                    static_cast<long long>(editor[editor.size() / 2]));
    }
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(3000);
    }
    return 0;
}
