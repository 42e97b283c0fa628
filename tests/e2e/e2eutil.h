#pragma once
// Helpers of the end-to-end tests: the fixture's display, private folders,
// the programs under test as processes, windows found with xdotool, and
// screenshots.

#include <memory>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "common/testutil.h"

namespace e2e {

// The display of the fixture's Xvfb (from KELVRA_E2E_DISPLAY_FILE), or
// KELVRA_E2E_DISPLAY when set; empty when neither names one.
QString display();

#define E2E_REQUIRE_DISPLAY()                                                                      \
    do {                                                                                           \
        if (e2e::display().isEmpty())                                                              \
            GTEST_SKIP() << "no display: run through ctest, or set KELVRA_E2E_DISPLAY";            \
    } while (0)

// A program of the build (kelvra-saver, vls) or a test helper.
QString binary(const QString& name);

// Private folders for one test, in this process's environment too (so that
// store calls of the test see the same settings as the programs):
// XDG_CONFIG_HOME, KELVRA_WINDOWS_DIR, KELVRA_SYSTEM_DIR (testutil::IsolatedEnv),
// plus XDG_DATA_HOME and XDG_RUNTIME_DIR. env() adds DISPLAY and the xcb
// platform for the programs.
class Session {
public:
    Session();
    ~Session();
    QProcessEnvironment env() const;
    QString dataHome() const;
    const testutil::IsolatedEnv& folders() const { return m_folders; }

private:
    testutil::IsolatedEnv m_folders;
    QByteArray m_oldDataHome;
    QByteArray m_oldRuntimeDir;
};

// A running program; killed when the object goes, if still running.
class Program {
public:
    Program(const QString& path, const QStringList& args, const QProcessEnvironment& env);
    ~Program();
    bool started() const;
    bool running() const;
    // Waits for the end; false when it still runs after `ms`.
    bool waitForExit(int ms = 5000);
    int exitCode() const;
    bool crashed() const;
    qint64 pid() const;
    void terminate(); // SIGTERM
    QString stdErr();
    // Waits until the program's stderr holds `text`; false on timeout.
    bool waitForStdErr(const QString& text, int ms = 3000);
    QString stdOut();

private:
    std::unique_ptr<QProcess> m_process;
    QByteArray m_err;
    QByteArray m_out;
};

struct Result {
    bool finished = false; // false: killed after the timeout
    bool crashed = false;
    int exitCode = -1;
    QString out;
    QString err;
};
Result run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
           int timeoutMs = 10000);

// xdotool on the test display; its stdout.
QString xdotool(const QStringList& args);
// Ids of the visible windows whose name is exactly `name`.
QList<quint32> findWindows(const QString& name);
// Waits until at least one such window exists; returns the first, 0 on timeout.
quint32 waitForWindow(const QString& name, int timeoutMs = 5000);
QRect windowGeometry(quint32 window);

// The whole screen. With `saveAs`, also kept as <build>/tests/e2e-shots/<saveAs>.png.
QImage screenshot(const QString& saveAs = {});
// Colours within `tolerance` levels in each channel (clips go through YUV).
bool near(const QColor& a, const QColor& b, int tolerance = 12);
// A colour as the settings store it: 0x00BBGGRR, in decimal.
QString bgr(const QColor& c);
// Waits until the pixel has the colour (each channel within `tolerance`);
// false on timeout.
bool waitForPixel(const QPoint& at, const QColor& color, int timeoutMs = 5000,
                  const QString& saveAs = {}, int tolerance = 0);

// A plain white X window owned by a helper process (tests/e2e/xwindow.c).
class HostWindow {
public:
    explicit HostWindow(const QRect& geometry);
    ~HostWindow();
    quint32 id() const { return m_id; }
    void resize(int width, int height);
    void destroy();

private:
    void command(const QByteArray& line);
    QProcess m_process;
    quint32 m_id = 0;
};

} // namespace e2e
