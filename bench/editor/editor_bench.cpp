// Prints how long the editor takes for the things people do with big lists:
// adding 10,000 files, opening a 10,000-line project, and previewing a 24 MP
// photo after a click. Runs on the offscreen platform in private folders.
//
// Targets: add < 2 s until the list is usable, open < 1 s, preview < 150 ms.

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
#include <QTemporaryDir>

#include "controls/commondialog.h"
#include "editor/frmsettings.h"
#include "editor/medialistview.h"
#include "editor/projectfiles.h"
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

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir root;
    for (const char* var : {"XDG_CONFIG_HOME", "KELVRA_WINDOWS_DIR", "KELVRA_SYSTEM_DIR"}) {
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

    std::vector<double> preview, previewCpu;
    {
        editor::frmSettings w;
        w.show();
        settle(&w);
        auto* view = w.lstPics();
        for (int run = 0; run < kRuns * 2; ++run) {
            w.LEAD1()->dropImage();
            view->selectOnly(0);
            QElapsedTimer t;
            const double c0 = cpuMs();
            t.start();
            w.lstPics_Click();
            settle(&w);
            preview.push_back(t.nsecsElapsed() / 1e6);
            previewCpu.push_back(cpuMs() - c0);
            if (!w.LEAD1()->hasImage())
                return 1;
        }
    }
    print("Preview a 24 MP JPEG after a click", preview, previewCpu, 150);
    return 0;
}
