// Prints how long the editor takes for the things people do with big lists:
// adding 10,000 files, opening a 10,000-line project, and previewing a 24 MP
// photo after a click. Runs on the offscreen platform in private folders.
//
// Then the same list of 10,000 with thumbnails against names only: adding,
// paging and clicking, and how fast thumbnails are made.
//
// Targets: add < 2 s until the list is usable, open < 1 s, preview < 150 ms
// (its thumbnail < 50 ms), a page painted within a 60 Hz frame.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QRandomGenerator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <unistd.h>

#include "controls/commondialog.h"
#include "editor/frmsettings.h"
#include "editor/medialistview.h"
#include "editor/projectfiles.h"
#include "editor/thumbnails.h"
#include "pictures/pictureview.h"

namespace {

constexpr int kFiles = 10000;
constexpr int kRuns = 5;

// CPU time of this thread in milliseconds: the machine is shared, so wall
// time alone says as much about the neighbours as about us.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Waits until the window has painted what it holds now.
void settle(QWidget* w)
{
    QApplication::processEvents();
    w->repaint();
    QApplication::processEvents();
}

void print(const char* what, const std::vector<double>& ms, const std::vector<double>& cpu,
           double target)
{
    const double m = median(ms);
    std::printf("%-40s wall median %7.1f ms (min %7.1f)  cpu median %7.1f ms  target < %4.0f ms"
                "  %s\n",
                what, m, *std::min_element(ms.begin(), ms.end()), median(cpu), target,
                m < target ? "ok" : "SLOW (wall)");
}

// Waits (a minute at most) until the window's thumbnailer has nothing left.
bool waitForThumbnails(editor::frmSettings& w)
{
    QElapsedTimer t;
    t.start();
    settle(&w);
    while (w.thumbnailer()->pending() > 0 && t.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        w.lstPics()->viewport()->repaint();
    }
    QApplication::processEvents();
    return w.thumbnailer()->pending() == 0;
}

// A list of 10,000 real photos (hard links to 100 of 1600x1200, so that every
// entry is a file of its own to the thumbnail cache), with thumbnails and,
// as the peer, with names only as before: adding, paging, clicking. Then
// how fast thumbnails are made, next to ImageMagick's `convert -thumbnail`.
int thumbnailFigures(const QTemporaryDir& root, controls::ScriptedDialogProvider& dialogs)
{
    const QString dir = root.filePath("photos");
    QDir().mkpath(dir);
    QStringList originals;
    for (int i = 0; i < 100; ++i) {
        QImage image(1600, 1200, QImage::Format_RGB32);
        QPainter p(&image);
        QLinearGradient g(0, 0, 1600, 1200);
        g.setColorAt(0, QColor::fromHsv(i * 37 % 360, 160, 220));
        g.setColorAt(1, QColor::fromHsv(i * 91 % 360, 200, 90));
        p.fillRect(image.rect(), g);
        p.end();
        const QString path = QStringLiteral("%1/original %2.jpg").arg(dir).arg(i);
        image.save(path, "JPEG", 90);
        originals << path;
    }
    QStringList photos;
    for (int i = 0; i < kFiles; ++i) {
        const QString path =
            QStringLiteral("%1/IMG_%2.JPG").arg(dir).arg(i, 5, 10, QLatin1Char('0'));
        if (::link(originals[i % 100].toLocal8Bit().constData(), path.toLocal8Bit().constData()))
            return 1;
        photos << path;
    }
    const QString cache = QString::fromUtf8(qgetenv("XDG_CACHE_HOME")) + "/thumbnails";
    std::printf("\n10,000 photos of 1600x1200 (%d worker threads make thumbnails):\n",
                QThread::idealThreadCount() > 1 ? std::min(4, QThread::idealThreadCount() - 1)
                                                : 1);

    for (bool thumbnails : {true, false}) {
        const char* tag = thumbnails ? "with thumbnails" : "names only (peer)";
        std::vector<double> add, addCpu, page, pageCpu, click, clickCpu;
        for (int run = 0; run < kRuns; ++run) {
            QDir(cache).removeRecursively();
            editor::frmSettings w;
            if (!thumbnails)
                w.lstPics()->setThumbnailer(nullptr);
            w.show();
            settle(&w);
            dialogs.queueFiles(photos);
            QElapsedTimer t;
            double c0 = cpuMs();
            t.start();
            w.AddMediaFiles();
            settle(&w);
            add.push_back(t.nsecsElapsed() / 1e6);
            addCpu.push_back(cpuMs() - c0);
            auto* view = w.lstPics();
            view->setFocus();
            // Page down while the workers are busy with what each page shows.
            for (int i = 0; i < 10; ++i) {
                t.restart();
                c0 = cpuMs();
                QTest::keyClick(view, Qt::Key_PageDown);
                settle(&w);
                page.push_back(t.nsecsElapsed() / 1e6);
                pageCpu.push_back(cpuMs() - c0);
            }
            const int row = view->currentIndex().row();
            t.restart();
            c0 = cpuMs();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(view->model()->index(row, 0)).center());
            settle(&w);
            click.push_back(t.nsecsElapsed() / 1e6);
            clickCpu.push_back(cpuMs() - c0);
            if (w.lstHidden().size() != kFiles)
                return 1;
        }
        std::printf("%s:\n", tag);
        print("  add 10,000 until the list is usable", add, addCpu, 2000);
        print("  page down, painted", page, pageCpu, 16.7);
        std::printf("  %-38s longest %.1f ms\n", "", *std::max_element(page.begin(), page.end()));
        print("  click a row, painted", click, clickCpu, 50);
    }

    // Making thumbnails: 200 files (no cache) on the workers, while the GUI
    // thread's longest pause is watched.
    QDir(cache).removeRecursively();
    {
        auto thumbs = editor::makeMediaThumbnailer();
        thumbs->setIconSize({16, 16});
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 200; ++i)
            thumbs->icon(photos[i]);
        qint64 last = 0, longest = 0;
        while (thumbs->pending() > 0) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            const qint64 now = t.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        }
        const double ms = t.nsecsElapsed() / 1e6;
        std::printf("Make 200 thumbnails (both sizes, into the cache): %.1f ms a file "
                    "(GUI thread's longest pause %lld ms)\n",
                    ms / 200, qlonglong(longest));
    }
    {
        QElapsedTimer t;
        t.start();
        int made = 0;
        for (int i = 0; i < 20; ++i) {
            QProcess convert;
            convert.start("convert", {photos[i], "-thumbnail", "256x256",
                                      root.filePath(QStringLiteral("peer%1.png").arg(i))});
            made += convert.waitForFinished(30000) && convert.exitCode() == 0;
        }
        if (made == 20)
            std::printf("  peer: convert -thumbnail 256x256, one file at a time: %.1f ms a file\n",
                        t.nsecsElapsed() / 1e6 / 20);
        else
            std::printf("  peer: ImageMagick's convert is not available\n");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir root;
    for (const char* var :
         {"XDG_CONFIG_HOME", "KELVRA_WINDOWS_DIR", "KELVRA_SYSTEM_DIR", "XDG_CACHE_HOME"}) {
        const QString dir = root.filePath(QString::fromLatin1(var));
        QDir().mkpath(dir);
        setenv(var, dir.toUtf8().constData(), 1);
    }
    setenv("KELVRA_MESSAGE_ANSWERS", root.filePath("answers").toUtf8().constData(), 1);
    QApplication app(argc, argv);

    const QString mediaDir = root.filePath("media");
    QDir().mkpath(mediaDir);
    QStringList files;
    for (int i = 0; i < kFiles; ++i) {
        const QString path =
            QStringLiteral("%1/holiday photo %2 - the long part of its name.jpg")
                .arg(mediaDir)
                .arg(i, 5, 10, QLatin1Char('0'));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        files << path;
    }
    controls::ScriptedDialogProvider dialogs;

    std::vector<double> add, open, addCpu, openCpu;
    for (int run = 0; run < kRuns; ++run) {
        editor::frmSettings w;
        w.show();
        settle(&w);
        dialogs.queueFiles(files);
        QElapsedTimer t;
        const double c0 = cpuMs();
        t.start();
        w.AddMediaFiles();
        settle(&w);
        add.push_back(t.nsecsElapsed() / 1e6);
        addCpu.push_back(cpuMs() - c0);
        if (w.lstHidden().size() != kFiles)
            return 1;
    }
    print("Add 10,000 files until the list is usable", add, addCpu, 2000);

    const QString project = root.filePath("big.kvl");
    editor::writeFileAtomically(project, editor::formatProject(files));
    for (int run = 0; run < kRuns; ++run) {
        editor::frmSettings w;
        w.show();
        settle(&w);
        dialogs.queueFiles({project});
        QElapsedTimer t;
        const double c0 = cpuMs();
        t.start();
        w.mnuOpen_Click();
        settle(&w);
        open.push_back(t.nsecsElapsed() / 1e6);
        openCpu.push_back(cpuMs() - c0);
        if (w.lstHidden().size() != kFiles)
            return 1;
    }
    print("Open a 10,000-line project", open, openCpu, 1000);

    // A 24 MP photo-like JPEG: shapes with soft edges and a little sensor
    // noise, which gives about the size of a camera's file (8 to 12 MB).
    const QString photo = root.filePath("photo 24mp.jpg");
    {
        QImage image(6000, 4000, QImage::Format_RGB32);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 6000, 4000);
        g.setColorAt(0, QColor(30, 80, 160));
        g.setColorAt(1, QColor(240, 190, 90));
        p.fillRect(image.rect(), g);
        QRandomGenerator shapes(7);
        for (int i = 0; i < 400; ++i) {
            const QPointF c(shapes.bounded(6000), shapes.bounded(4000));
            const double r = 40 + shapes.bounded(600);
            QRadialGradient rg(c, r);
            rg.setColorAt(0, QColor::fromRgb(shapes.generate() | 0xff000000));
            rg.setColorAt(1, QColor::fromRgba(shapes.generate() & 0x00ffffff));
            p.setBrush(rg);
            p.setPen(Qt::NoPen);
            p.drawEllipse(c, r, r * 0.7);
        }
        p.end();
        QRandomGenerator noise(11);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] ^= noise.generate() & 0x0f0f0f;
        }
        image.save(photo, "JPEG", 92);
    }
    std::printf("(24 MP test photo: %.1f MB)\n", QFileInfo(photo).size() / 1e6);
    editor::writeFileAtomically(QString::fromUtf8(qgetenv("KELVRA_WINDOWS_DIR")) + "/zem.ini",
                                editor::formatCurrentConfig(5, {photo}));
    std::vector<double> decode, decodeCpu;
    for (int run = 0; run < kRuns; ++run) {
        pictures::LoadOptions options;
        options.fitInside = QSize(320, 240);
        QElapsedTimer t;
        const double c0 = cpuMs();
        t.start();
        const pictures::LoadResult r = pictures::loadImage(photo, options);
        decode.push_back(t.nsecsElapsed() / 1e6);
        decodeCpu.push_back(cpuMs() - c0);
        if (!r.ok())
            return 1;
    }
    print("  of which: decoding it to 320x240", decode, decodeCpu, 150);

    std::vector<double> quick, quickCpu, sharp;
    {
        editor::frmSettings w;
        w.show();
        settle(&w);
        // The first thumbnail of the photo is made once; every click after
        // that finds it, as in a list whose thumbnails are on screen.
        if (!waitForThumbnails(w))
            return 1;
        auto* view = w.lstPics();
        for (int run = 0; run < kRuns * 2; ++run) {
            w.LEAD1()->dropImage();
            view->selectOnly(0);
            QElapsedTimer t;
            const double c0 = cpuMs();
            t.start();
            w.lstPics_Click();
            settle(&w);
            quick.push_back(t.nsecsElapsed() / 1e6);
            quickCpu.push_back(cpuMs() - c0);
            if (!w.LEAD1()->hasImage())
                return 1;
            while (w.LEAD1()->isLoading())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            settle(&w);
            sharp.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    print("Preview a 24 MP JPEG: thumbnail on screen", quick, quickCpu, 50);
    print("  the full picture on screen", sharp, sharp, 150);

    return thumbnailFigures(root, dialogs);
}
