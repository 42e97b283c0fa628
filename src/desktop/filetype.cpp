#include "desktop/filetype.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include "desktop/programgroup.h"
#include "store/messages.h"
#include "store/paths.h"
#include "store/settings.h"

namespace desktop {

namespace {

QString title() { return QString::fromLatin1(store::kProgramTitle); }

// Writes `bytes` unless the file holds them already; false with a reason
// in the registration when it cannot.
bool writeIfChanged(const QString& path, const QByteArray& bytes, Registration& result,
                    bool* written)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes) {
        result.lines << QStringLiteral("%1: in place").arg(path);
        return true;
    }
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        result.error = QStringLiteral("cannot write %1").arg(path);
        result.ok = false;
        return false;
    }
    result.lines << QStringLiteral("%1: written").arg(path);
    *written = true;
    return true;
}

// The desktop reads these caches rather than the files; without the tools
// the files still take effect at the next cache update.
void refreshCache(const QString& tool, const QString& folder)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(exe, {folder});
    if (!process.waitForFinished(20000))
        process.kill();
    process.waitForFinished(2000);
}

} // namespace

RegistryWriter RegistryWriter::classesRoot(bool quiet)
{
    using store::RootKey;
    RegistryWriter w;
    w.read = [quiet](const QString& key, const QString& name) {
        return store::readValue(RootKey::ClassesRoot, key, name, QString(), quiet);
    };
    w.save = [quiet](const QString& key, const QString& name, const QString& value) {
        return store::saveValue(RootKey::ClassesRoot, key, name, value, quiet);
    };
    w.deleteValue = [quiet](const QString& key, const QString& name) {
        return store::deleteValue(RootKey::ClassesRoot, key, name, quiet);
    };
    w.deleteKey = [quiet](const QString& key) {
        return store::deleteKey(RootKey::ClassesRoot, key, quiet);
    };
    return w;
}

bool AssociateFileType(const FileTypeAssociation& association)
{
    return AssociateFileType(association, RegistryWriter::classesRoot(association.quiet));
}

bool AssociateFileType(const FileTypeAssociation& a, const RegistryWriter& w)
{
    QString extension = a.extension.trimmed();
    if (extension.isEmpty())
        return false;
    if (!extension.startsWith(u'.'))
        extension.prepend(u'.');

    QString fileType = a.fileType;
    bool addVerbOnly = a.addVerbOnly;
    if (addVerbOnly) {
        const QString existing = w.read(extension, QString());
        if (!existing.isEmpty())
            fileType = existing;
        else
            addVerbOnly = false;
    }
    if (fileType.isEmpty())
        fileType = title();
    QString appPath = a.applicationPath;
    int iconIndex = a.iconIndex;
    if (appPath.isEmpty()) {
        // The running program itself: programs here carry no ".exe".
        appPath = QCoreApplication::applicationFilePath();
        iconIndex = 0;
    }
    // Switches get a blank after them, and one before: the original joined
    // them to the program's path, which made a command no shell can run.
    QString switches = a.switches;
    if (!switches.isEmpty())
        switches = u' ' + switches + u' ';
    const QString icon =
        a.icon.trimmed() == QLatin1String("1")
            ? QStringLiteral("\"%1\"")
            : store::shortPathForm(a.icon.isEmpty() ? appPath : a.icon).toLower() + u',' +
                  QString::number(iconIndex);
    if (appPath.contains(u' '))
        appPath = u'"' + appPath + u'"';

    QString verb = a.verb;
    if (addVerbOnly && (verb.isEmpty() || verb.compare("open", Qt::CaseInsensitive) == 0))
        return false;
    if (verb.isEmpty())
        verb = QStringLiteral("Open");

    if (!addVerbOnly) {
        if (!w.save(fileType, QString(), a.description))
            return false;
        w.save(fileType + QStringLiteral("\\DefaultIcon"), QString(), icon);
        w.save(fileType + QStringLiteral("\\QuickView"), QString(), QStringLiteral("*"));
    }
    const QString verbKey = fileType + QStringLiteral("\\Shell\\") + verb;
    if (!w.save(verbKey + QStringLiteral("\\Command"), QString(),
                appPath + switches + QStringLiteral(" \"%1\"")))
        return false;
    if (a.verbCaption.isEmpty())
        w.deleteValue(verbKey, QString());
    else
        w.save(verbKey, QString(), a.verbCaption);
    if (a.ddeMessage.isEmpty()) {
        w.deleteKey(verbKey + QStringLiteral("\\ddeexec"));
    } else {
        w.save(verbKey + QStringLiteral("\\ddeexec"), QString(), a.ddeMessage);
        w.save(verbKey + QStringLiteral("\\ddeexec\\Application"), QString(), title());
        w.save(verbKey + QStringLiteral("\\ddeexec\\Topic"), QString(),
               a.ddeTopic.isEmpty() ? QStringLiteral("System") : a.ddeTopic);
    }
    if (!addVerbOnly) {
        if (!w.save(extension, QString(), fileType))
            return false;
        if (a.contentType.isEmpty())
            w.deleteValue(extension, QStringLiteral("Content Type"));
        else
            w.save(extension, QStringLiteral("Content Type"), a.contentType);
    }
    return true;
}

FileTypeAssociation projectFileAssociation()
{
    FileTypeAssociation a;
    a.extension = QStringLiteral(".kvl");
    a.description = title();
    a.verbCaption = QStringLiteral("Open with Kelvra Saver");
    a.ddeMessage = QStringLiteral("\"%1\"");
    a.quiet = true;
    return a;
}

QString editorDesktopEntry(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Kelvra Saver\n"
                          "GenericName=Screen Saver Maker\n"
                          "Comment=Make screen savers from pictures and video clips\n"
                          "Exec=%1 %f\n"
                          "Icon=%3\n"
                          "Terminal=false\n"
                          "Categories=Graphics;\n"
                          "MimeType=%2;\n")
        .arg(desktopExecLine(program, {}), QLatin1String(kProjectMimeType),
             QLatin1String(kIconName));
}

QString projectMimeXml()
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"%1\">\n"
               "    <comment>Kelvra Saver project</comment>\n"
               "    <sub-class-of type=\"text/plain\"/>\n"
               "    <icon name=\"%2\"/>\n"
               "    <glob pattern=\"*.kvl\"/>\n"
               "  </mime-type>\n"
               "</mime-info>\n")
        .arg(QLatin1String(kProjectMimeType), QLatin1String(kIconName));
}

QByteArray iconSvg()
{
    QFile icon(QStringLiteral(":/desktop/kelvra-saver.svg"));
    return icon.open(QIODevice::ReadOnly) ? icon.readAll() : QByteArray();
}

Registration registerProjectType(const QString& dataHome, const QString& editorProgram)
{
    Registration result;
    const QString applications = dataHome + QStringLiteral("/applications");
    const QString mime = dataHome + QStringLiteral("/mime");
    bool entryWritten = false;
    bool mimeWritten = false;
    bool iconWritten = false;
    if (!writeIfChanged(applications + QStringLiteral("/kelvra-saver.desktop"),
                        editorDesktopEntry(editorProgram).toUtf8(), result, &entryWritten) ||
        !writeIfChanged(mime + QStringLiteral("/packages/kelvra-saver.xml"),
                        projectMimeXml().toUtf8(), result, &mimeWritten) ||
        !writeIfChanged(dataHome + QStringLiteral("/icons/hicolor/scalable/apps/") +
                            QLatin1String(kIconName) + QStringLiteral(".svg"),
                        iconSvg(), result, &iconWritten))
        return result;
    // Unchanged files need no new caches: a second run leaves everything alone.
    if (mimeWritten)
        refreshCache(QStringLiteral("update-mime-database"), mime);
    if (entryWritten)
        refreshCache(QStringLiteral("update-desktop-database"), applications);
    return result;
}

} // namespace desktop
