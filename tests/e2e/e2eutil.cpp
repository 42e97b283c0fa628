#include "e2e/e2eutil.h"

#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

namespace e2e {

namespace {

void pause(int ms)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
    QThread::msleep(ms);
}

QProcessEnvironment toolEnv()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display());
    return env;
}

} // namespace

QString display()
{
    const QString fromEnv = qEnvironmentVariable("KELVRA_E2E_DISPLAY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    QFile file(qEnvironmentVariable("KELVRA_E2E_DISPLAY_FILE"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

namespace {

// The runtime opens the bundle named after itself in its own folder and
// ends with a message when there is none. Tests that do not care about the
// bundle run it under its own name beside an empty one.
QString runtimeBesideEmptyBundle(const QString& program)
{
    static QTemporaryDir dir;
    const QString link = dir.path() + QStringLiteral("/vls");
    if (!QFileInfo::exists(link)) {
        QFile::link(program, link);
        QFile bundle(dir.path() + QStringLiteral("/vls.dat"));
        // A ZIP archive without members: its end record alone.
        if (bundle.open(QIODevice::WriteOnly))
            bundle.write(QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    }
    return link;
}

} // namespace

QString binary(const QString& name)
{
    if (name == QLatin1String("vls"))
        return runtimeBesideEmptyBundle(QString::fromUtf8(KELVRA_BIN_DIR) + QStringLiteral("/vls"));
    for (const char* dir : {KELVRA_BIN_DIR, KELVRA_TESTS_DIR}) {
        const QString path = QString::fromUtf8(dir) + u'/' + name;
        if (QFile::exists(path))
            return path;
    }
    return QString::fromUtf8(KELVRA_BIN_DIR) + u'/' + name;
}

Session::Session()
    : m_oldDataHome(qgetenv("XDG_DATA_HOME")), m_oldRuntimeDir(qgetenv("XDG_RUNTIME_DIR"))
{
    QDir(m_folders.root()).mkpath(QStringLiteral("data"));
    QDir(m_folders.root()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(m_folders.root() + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_RUNTIME_DIR", (m_folders.root() + QStringLiteral("/runtime")).toUtf8());
}

Session::~Session()
{
    qputenv("XDG_DATA_HOME", m_oldDataHome);
    qputenv("XDG_RUNTIME_DIR", m_oldRuntimeDir);
}

QString Session::dataHome() const
{
    return m_folders.root() + QStringLiteral("/data");
}

QProcessEnvironment Session::env() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("XSCREENSAVER_WINDOW"));
    return env;
}

Program::Program(const QString& path, const QStringList& args, const QProcessEnvironment& env)
    : m_process(std::make_unique<QProcess>())
{
    m_process->setProcessEnvironment(env);
    m_process->start(path, args);
    m_process->waitForStarted(5000);
}

Program::~Program()
{
    if (running()) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool Program::started() const
{
    return m_process->processId() != 0 || !running();
}
bool Program::running() const
{
    return m_process->state() != QProcess::NotRunning;
}

bool Program::waitForExit(int ms)
{
    if (!running())
        return true;
    return m_process->waitForFinished(ms);
}

int Program::exitCode() const
{
    return m_process->exitCode();
}
bool Program::crashed() const
{
    return m_process->exitStatus() == QProcess::CrashExit;
}
qint64 Program::pid() const
{
    return m_process->processId();
}
void Program::terminate()
{
    m_process->terminate();
}

QString Program::stdErr()
{
    m_err += m_process->readAllStandardError();
    return QString::fromLocal8Bit(m_err);
}

bool Program::waitForStdErr(const QString& text, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!stdErr().contains(text)) {
        if (timer.elapsed() >= ms)
            return false;
        pause(50);
    }
    return true;
}

QString Program::stdOut()
{
    m_out += m_process->readAllStandardOutput();
    return QString::fromLocal8Bit(m_out);
}

Result run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
           int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    Result result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QString xdotool(const QStringList& args)
{
    return run(QStringLiteral("xdotool"), args, toolEnv(), 10000).out;
}

QList<quint32> findWindows(const QString& name)
{
    // xdotool takes a POSIX regular expression.
    QString pattern;
    for (QChar c : name) {
        if (QStringLiteral(".[]{}()*+?^$|\\").contains(c))
            pattern += u'\\';
        pattern += c;
    }
    const QString out = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--name"), u'^' + pattern + u'$'});
    QList<quint32> ids;
    for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts))
        ids << line.trimmed().toUInt();
    return ids;
}

quint32 waitForWindow(const QString& name, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    do {
        const QList<quint32> ids = findWindows(name);
        if (!ids.isEmpty())
            return ids.first();
        pause(50);
    } while (timer.elapsed() < timeoutMs);
    return 0;
}

QRect windowGeometry(quint32 window)
{
    const QString out = xdotool(
        {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window)});
    int x = 0, y = 0, w = 0, h = 0;
    for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts)) {
        const QString value = line.section(u'=', 1);
        if (line.startsWith(QLatin1String("X=")))
            x = value.toInt();
        else if (line.startsWith(QLatin1String("Y=")))
            y = value.toInt();
        else if (line.startsWith(QLatin1String("WIDTH=")))
            w = value.toInt();
        else if (line.startsWith(QLatin1String("HEIGHT=")))
            h = value.toInt();
    }
    return QRect(x, y, w, h);
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QString bgr(const QColor& c)
{
    return QString::number(c.red() | (c.green() << 8) | (c.blue() << 16));
}

QImage screenshot(const QString& saveAs)
{
    QProcess import;
    import.setProcessEnvironment(toolEnv());
    import.start(QStringLiteral("import"),
                 {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")});
    import.waitForFinished(15000);
    const QImage image = QImage::fromData(import.readAllStandardOutput(), "PNG")
                             .convertToFormat(QImage::Format_RGB32);
    if (!saveAs.isEmpty() && !image.isNull()) {
        const QString dir = QStringLiteral(KELVRA_TESTS_DIR "/e2e-shots");
        QDir().mkpath(dir);
        image.save(dir + u'/' + saveAs + QStringLiteral(".png"));
    }
    return image;
}

bool waitForPixel(const QPoint& at, const QColor& color, int timeoutMs, const QString& saveAs,
                  int tolerance)
{
    const auto near = [&](const QColor& c) {
        return std::abs(c.red() - color.red()) <= tolerance &&
               std::abs(c.green() - color.green()) <= tolerance &&
               std::abs(c.blue() - color.blue()) <= tolerance;
    };
    QElapsedTimer timer;
    timer.start();
    do {
        const QImage shot = screenshot();
        if (shot.valid(at) && near(QColor(shot.pixel(at)))) {
            if (!saveAs.isEmpty())
                screenshot(saveAs);
            return true;
        }
        pause(100);
    } while (timer.elapsed() < timeoutMs);
    if (!saveAs.isEmpty())
        screenshot(saveAs + QStringLiteral("-failed"));
    return false;
}

HostWindow::HostWindow(const QRect& g)
{
    m_process.setProcessEnvironment(toolEnv());
    m_process.start(binary(QStringLiteral("kelvra_e2e_xwindow")),
                    {QString::number(g.x()), QString::number(g.y()), QString::number(g.width()),
                     QString::number(g.height())});
    if (m_process.waitForStarted(5000)) {
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        m_id = m_process.readLine().trimmed().toUInt();
    }
}

HostWindow::~HostWindow()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}

void HostWindow::command(const QByteArray& line)
{
    m_process.write(line + '\n');
    m_process.waitForBytesWritten(3000);
    while (!m_process.canReadLine() && m_process.waitForReadyRead(3000)) {
    }
    m_process.readLine();
}

void HostWindow::resize(int width, int height)
{
    command("resize " + QByteArray::number(width) + ' ' + QByteArray::number(height));
}

void HostWindow::destroy()
{
    command("destroy");
}

} // namespace e2e
