// The show on a display of two monitors: the show on the first, the second
// covered in the background colour, monitors that come and go while the show
// runs, and input over the second monitor ending the show.
//
// Runs on its own X server: one 3200x1080 screen split by RandR into LEFT
// (1920x1080 at 0,0, the primary) and RIGHT (1280x1024 at 1920,0).

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include "e2e/e2eutil.h"
#include "store/settings.h"

namespace {

const QString kCaption = QStringLiteral("Kelvra Saver");

using e2e::bgr;
using e2e::near;

// A private Xvfb with the two monitors; the e2e helpers are pointed at it
// through KELVRA_E2E_DISPLAY for the life of the object.
class TwoMonitorDisplay {
public:
    TwoMonitorDisplay()
    {
        m_old = qgetenv("KELVRA_E2E_DISPLAY");
        m_xvfb.setProgram(QStringLiteral("Xvfb"));
        m_xvfb.setArguments({"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0",
                             "3200x1080x24"});
        m_xvfb.start();
        if (!m_xvfb.waitForStarted(5000))
            return;
        QElapsedTimer timer;
        timer.start();
        QByteArray out;
        while (!out.contains('\n') && timer.elapsed() < 20000) {
            m_xvfb.waitForReadyRead(200);
            out += m_xvfb.readAllStandardOutput();
        }
        if (!out.contains('\n'))
            return;
        m_display = QStringLiteral(":") + QString::fromLatin1(out.trimmed());
        qputenv("KELVRA_E2E_DISPLAY", m_display.toUtf8());
    }
    ~TwoMonitorDisplay()
    {
        qputenv("KELVRA_E2E_DISPLAY", m_old);
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(5000))
            m_xvfb.kill();
        m_xvfb.waitForFinished(2000);
    }
    QString display() const { return m_display; }

    // xrandr on this display; true when it succeeded.
    bool xrandr(const QStringList& args) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("xrandr"), args);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }
    bool split() const
    {
        // The output's own monitor is only there on some servers: its
        // removal may fail.
        xrandr({"--delmonitor", "screen"});
        return xrandr({"--setmonitor", "LEFT", "1920/508x1080/286+0+0", "screen"}) && addRight();
    }
    bool addRight() const
    {
        return xrandr({"--setmonitor", "RIGHT", "1280/339x1024/271+1920+0", "none"});
    }
    bool removeRight() const { return xrandr({"--delmonitor", "RIGHT"}); }

private:
    QProcess m_xvfb;
    QString m_display;
    QByteArray m_old;
};

struct ShowScreensE2E : ::testing::Test {
    std::unique_ptr<TwoMonitorDisplay> x;
    std::unique_ptr<e2e::Session> session;

    void SetUp() override
    {
        x = std::make_unique<TwoMonitorDisplay>();
        if (x->display().isEmpty())
            GTEST_SKIP() << "no Xvfb";
        ASSERT_TRUE(x->split());
        session = std::make_unique<e2e::Session>();
        QDir().mkpath(session->folders().windowsDir());
    }
    void TearDown() override
    {
        session.reset();
        x.reset();
    }

    // Waits until the screen shows the colour at every point.
    bool waitFor(const QList<QPoint>& points, const QColor& color, int ms, const QString& shot)
    {
        QElapsedTimer timer;
        timer.start();
        do {
            const QImage image = e2e::screenshot();
            bool all = !image.isNull();
            for (const QPoint& at : points)
                all = all && image.valid(at) && near(image.pixelColor(at), color);
            if (all) {
                e2e::screenshot(shot);
                return true;
            }
            QThread::msleep(100);
        } while (timer.elapsed() < ms);
        e2e::screenshot(shot + "-failed");
        return false;
    }
};

} // namespace

TEST_F(ShowScreensE2E, OtherMonitorsAreCoveredWhileTheyComeAndGo)
{
    const QColor green(0, 180, 0), red(220, 0, 0);
    store::saveSetting("Background Color", bgr(green), true);
    store::saveSetting("Screen Saver Timeout", "60", true);
    store::saveSetting("Paint Effect", "0", true);
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(red);
    const QString path = session->folders().root() + "/red.png";
    ASSERT_TRUE(image.save(path));
    testutil::writeFile(session->folders().windowsDir() + "/zem.ini",
                        "2\r\n1\r\n" + path.toUtf8() + "\r\n");
    // The pointer rests over RIGHT, where the click comes from.
    e2e::xdotool({"mousemove", "2560", "500"});

    e2e::Program show(e2e::binary("kelvra-saver"), {"/s"}, session->env());
    ASSERT_TRUE(show.started());
    // The picture on LEFT, the background around it and on all of RIGHT.
    const QList<QPoint> right = {{1925, 5}, {2560, 500}, {3195, 1015}};
    ASSERT_TRUE(waitFor({{960, 540}}, red, 8000, "screens-left"));
    EXPECT_TRUE(waitFor(right + QList<QPoint>{{100, 100}}, green, 8000, "screens-right"));

    // RIGHT goes away: its cover goes with it; it comes back: covered again.
    ASSERT_TRUE(x->removeRight());
    EXPECT_TRUE(waitFor(right, Qt::black, 8000, "screens-right-gone"));
    ASSERT_TRUE(x->addRight());
    EXPECT_TRUE(waitFor(right, green, 8000, "screens-right-again"));
    EXPECT_TRUE(show.running());

    // A click over RIGHT ends the show.
    e2e::xdotool({"click", "1"});
    EXPECT_TRUE(show.waitForExit(10000)) << "a click over the second monitor did not end it";
}
