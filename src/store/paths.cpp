#include "store/paths.h"

#include <algorithm>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "store/messages.h"

namespace store {

namespace {

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

qsizetype lastSeparator(const QString& text, qsizetype from = -1)
{
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'), from);
    const qsizetype back = text.lastIndexOf(QLatin1Char('\\'), from);
    return std::max(slash, back);
}

// The first ":" counts as the end of a drive only when no separator comes
// before it: "C:\x" has the drive "C:", while "/home/a/b:c.jpg" is a Linux
// path whose file name happens to hold a colon.
qsizetype driveColon(const QString& path)
{
    const qsizetype colon = path.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return -1;
    for (qsizetype i = 0; i < colon; ++i) {
        if (isSeparator(path[i]))
            return -1;
    }
    return colon;
}

QString stripQuotesAndBlanks(QString path)
{
    for (;;) {
        path = path.trimmed();
        if (path.startsWith(QLatin1Char('"')))
            path.remove(0, 1);
        else if (path.endsWith(QLatin1Char('"')))
            path.chop(1);
        else
            return path;
    }
}

QString withSeparator(QString dir, bool trailingSeparator)
{
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    if (trailingSeparator && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

// Our own variables may be relative to the current folder; the XDG ones
// count only when absolute, as their specification says.
QString envFolder(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty())
        return QString();
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    if (qstrncmp(name, "XDG_", 4) == 0)
        return QString();
    return QDir::cleanPath(QDir().absoluteFilePath(value));
}

QString ensured(const QString& dir, bool trailingSeparator)
{
    QDir().mkpath(dir);
    return withSeparator(dir, trailingSeparator);
}

QString programFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(
        QLatin1Char('/'), 0, -2);
}

} // namespace

PathParts splitPath(const QString& path, bool trailingSeparator, bool includeDot, bool isFolder)
{
    PathParts parts;
    parts.passed = path;
    QString p = stripQuotesAndBlanks(path);
    if (p.isEmpty())
        return parts;

    qsizetype colon = driveColon(p);
    const bool endsInDrive = colon >= 0 && colon == p.size() - 1;
    if ((isFolder || endsInDrive) && !isSeparator(p.back())) {
        // Keep the path's own kind of separator; a drive means a Windows path.
        const qsizetype last = lastSeparator(p);
        p += last >= 0 ? p[last] : (colon >= 0 ? QLatin1Char('\\') : QLatin1Char('/'));
    }

    if (colon >= 0) {
        parts.drive = p.left(colon + 1);
        if (trailingSeparator)
            parts.drive += QLatin1Char('\\');
    }

    const qsizetype last = lastSeparator(p);
    if (last >= 0) {
        parts.folder = p.left(trailingSeparator ? last + 1 : last);
        if (colon >= 0 && parts.folder == p.left(colon + 1))
            parts.folder += QLatin1Char('\\');
        else if (parts.folder.isEmpty())
            parts.folder = p.left(1); // the root of a Linux path
        const qsizetype previous = last > 0 ? lastSeparator(p, last - 1) : -1;
        if (previous >= 0)
            parts.lastFolder = p.mid(previous + 1, last - previous - 1);
        parts.fileName = p.mid(last + 1);
    } else {
        parts.fileName = colon >= 0 ? p.mid(colon + 1) : p;
    }

    const qsizetype dot = parts.fileName.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        parts.baseName = parts.fileName.left(dot);
        parts.extension = parts.fileName.mid(includeDot ? dot : dot + 1);
        if (parts.extension == QLatin1String("."))
            parts.extension.clear();
    } else {
        parts.baseName = parts.fileName;
    }
    return parts;
}

QString ParsePathParts_(const QString& path, const QString& part, bool trailingSeparator,
                        bool includeDot, bool isFolder, PathParts* parts)
{
    const PathParts split = splitPath(path, trailingSeparator, includeDot, isFolder);
    if (parts)
        *parts = split;
    const QString letter = part.left(1).toLower();
    if (letter == QLatin1String("d"))
        return split.drive;
    if (letter == QLatin1String("l"))
        return split.lastFolder;
    if (letter == QLatin1String("f"))
        return split.fileName;
    if (letter == QLatin1String("b"))
        return split.baseName;
    if (letter == QLatin1String("e"))
        return split.extension;
    return split.folder;
}

QString longPathForm(const QString& path)
{
    // Links are kept as they are: the installed saver is a link to the
    // built program, and callers compare its long form with its installed
    // name.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return QString();
    return QDir::cleanPath(info.absoluteFilePath());
}

QString shortPathForm(const QString& path)
{
    return !path.isEmpty() && QFileInfo::exists(path) ? path : QString();
}

QString windowsDir(bool trailingSeparator)
{
    QString dir = envFolder("KELVRA_WINDOWS_DIR");
    if (dir.isEmpty()) {
        QString data = envFolder("XDG_DATA_HOME");
        if (data.isEmpty())
            data = QDir::homePath() + QLatin1String("/.local/share");
        dir = data + QLatin1String("/kelvra-saver");
    }
    return ensured(dir, trailingSeparator);
}

QString systemDir(bool trailingSeparator)
{
    QString dir = envFolder("KELVRA_SYSTEM_DIR");
    if (dir.isEmpty()) {
        const QString program = programFolder();
        const QString installed =
            QDir::cleanPath(program + QLatin1String("/../lib/kelvra-saver"));
        dir = QFileInfo(installed).isDir() ? installed : program;
    }
    return ensured(dir, trailingSeparator);
}

QString workDir()
{
    return ensured(windowsDir(true) + QLatin1String("tmpFiles"), true);
}

bool FileExists(const QString& path)
{
    const QString p = path.trimmed();
    return !p.isEmpty() && QFileInfo(p).isFile();
}

bool FolderExists(const QString& path)
{
    const QString p = path.trimmed();
    return !p.isEmpty() && QFileInfo::exists(p);
}

void ClearWorkFolder(const QString& folder)
{
    if (!FolderExists(folder))
        return;
    const QDir dir(folder.trimmed());
    const QFileInfoList files =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& file : files) {
        if (file.fileName().toLower() != QLatin1String("vls.scr"))
            QFile::remove(file.filePath());
    }
}

namespace {

// How long an opener may run before it counts as having started its program.
constexpr int kOpenerPatienceMs = 10000;

int shellCodeOfExit(int status)
{
    switch (status) {
    case 0:
        return kShellStarted;
    case 2:
        return kShellNotFound;
    case 3:
    case 4:
        return kShellNoAssociation;
    default:
        return std::clamp(status, 1, 32);
    }
}

} // namespace

void shellExecute(const QString& target, QObject* context, std::function<void(int)> done)
{
    // No parent: the opener may outlive the window that asked, and a
    // QProcess that is destroyed kills its program. Its output goes nowhere,
    // so a program it leaves running never writes into a closed pipe.
    auto* opener = new QProcess;
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments({target});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    auto answered = std::make_shared<bool>(false);
    auto answer = [answered, done = std::move(done)](int code) {
        if (*answered)
            return;
        *answered = true;
        done(code);
    };
    QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
    QObject::connect(opener, &QProcess::finished, context,
                     [answer](int status, QProcess::ExitStatus how) {
                         answer(how == QProcess::CrashExit ? kShellCallFailed
                                                           : shellCodeOfExit(status));
                     });
    QObject::connect(opener, &QProcess::errorOccurred, context,
                     [opener, answer](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         answer(kShellCallFailed);
                         opener->deleteLater();
                     });
    QTimer::singleShot(kOpenerPatienceMs, context, [answer] { answer(kShellStarted); });
    opener->start();
}

void filerun(const QString& target)
{
    // Missing and unreadable files are told apart here, where the user's
    // own words for them are known; the rest is the opener's answer.
    const QString trimmed = target.trimmed();
    const QFileInfo local(trimmed);
    QString what;
    if (!trimmed.isEmpty() && local.exists()) {
        if (!local.isReadable()) {
            messageBox(QLatin1String("An error occurred attempting to open '") + target +
                           QLatin1String("' (ShellExecute code 5)."),
                       {MsgButtons::Ok, MsgIcon::Critical});
            return;
        }
        what = local.absoluteFilePath();
    } else {
        const QUrl address(trimmed, QUrl::StrictMode);
        if (address.isValid() && address.scheme().size() > 1)
            what = address.toString(QUrl::FullyEncoded);
        else if (trimmed.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
            what = QUrl::fromUserInput(trimmed).toString(QUrl::FullyEncoded);
    }
    if (what.isEmpty()) {
        messageBox(QLatin1String("The '") + target +
                       QLatin1String("' File or Path was Not Found."),
                   {MsgButtons::Ok, MsgIcon::Exclamation});
        return;
    }
    shellExecute(what, QCoreApplication::instance(), [target](int code) {
        if (code > 32)
            return;
        if (code == kShellNotFound) {
            messageBox(QLatin1String("The '") + target +
                           QLatin1String("' File or Path was Not Found."),
                       {MsgButtons::Ok, MsgIcon::Exclamation});
        } else if (code == kShellNoAssociation || code == kShellCallFailed) {
            messageBox(QLatin1String("No Association Found for HTTP Addresses. ") +
                           QLatin1String("A Web Browser Should be Installed or Reinstalled."),
                       {MsgButtons::Ok, MsgIcon::Exclamation});
        } else {
            messageBox(QLatin1String("An error occurred attempting to open '") + target +
                           QLatin1String("' (ShellExecute code ") + QString::number(code) +
                           QLatin1String(")."),
                       {MsgButtons::Ok, MsgIcon::Critical});
        }
    });
}

void ForceFrontWindow(QWidget* window, bool restore)
{
    if (!window || window->isActiveWindow())
        return;
    if (restore && window->isMinimized())
        window->showNormal();
    else if (!window->isVisible())
        window->show();
    window->raise();
    window->activateWindow();
}

} // namespace store
