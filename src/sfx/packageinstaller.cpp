#include "sfx/packageinstaller.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryDir>

#include "archive/resultcode.h"
#include "desktop/programgroup.h"
#include "store/paths.h"

namespace sfx {

namespace {

QJsonArray toArray(const QStringList& list) { return QJsonArray::fromStringList(list); }

QStringList fromArray(const QJsonValue& v)
{
    QStringList list;
    for (const QJsonValue& item : v.toArray())
        list << item.toString();
    return list;
}

QString withoutSlash(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

void makeExecutable(const QString& path)
{
    if (QFileInfo(path).isFile())
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner |
                                        QFile::ExeGroup | QFile::ExeOther);
}

// Removes `folder` and its parents up to (not including) `top` while empty.
void removeEmptyFolders(QString folder, const QString& top)
{
    while (folder.startsWith(top + u'/') && QDir(folder).isEmpty()) {
        QDir().rmdir(folder);
        folder = QFileInfo(folder).absolutePath();
    }
}

// Every shared file any saver of the folder installed: they go with the
// last saver, whichever saver brought them.
QString sharedListPath(const QString& dest)
{
    return recordFolder(dest) + QStringLiteral("/shared.list");
}

QStringList sharedFiles(const QString& dest)
{
    QFile file(sharedListPath(dest));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(4 << 20)).split(u'\n', Qt::SkipEmptyParts);
}

void addSharedFiles(const QString& dest, const QStringList& files)
{
    QStringList all = sharedFiles(dest);
    for (const QString& f : files) {
        if (!all.contains(f))
            all << f;
    }
    QSaveFile file(sharedListPath(dest));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(all.join(u'\n').toUtf8() + '\n');
        file.commit();
    }
}

} // namespace

QString recordFolder(const QString& destination)
{
    return withoutSlash(destination) + QStringLiteral("/kelvra-installs");
}

bool writeRecord(const QString& destination, const InstallRecord& r)
{
    const QJsonObject o{{QStringLiteral("title"), r.title},
                        {QStringLiteral("saver"), r.saver},
                        {QStringLiteral("files"), toArray(r.files)},
                        {QStringLiteral("shared"), toArray(r.shared)},
                        {QStringLiteral("group"), r.group},
                        {QStringLiteral("menuEntries"), toArray(r.menuEntries)},
                        {QStringLiteral("xscreensaver"), r.xscreensaver}};
    QDir().mkpath(recordFolder(destination));
    QSaveFile file(recordFolder(destination) + u'/' + r.title + QStringLiteral(".json"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(o).toJson());
    return file.commit();
}

bool readRecord(const QString& path, InstallRecord* record)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > (4 << 20))
        return false;
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    if (!o.contains(QStringLiteral("title")))
        return false;
    record->title = o.value(QStringLiteral("title")).toString();
    record->saver = o.value(QStringLiteral("saver")).toString();
    record->files = fromArray(o.value(QStringLiteral("files")));
    record->shared = fromArray(o.value(QStringLiteral("shared")));
    record->group = o.value(QStringLiteral("group")).toString();
    record->menuEntries = fromArray(o.value(QStringLiteral("menuEntries")));
    record->xscreensaver = o.value(QStringLiteral("xscreensaver")).toString();
    return true;
}

QList<InstallRecord> installedRecords(const QString& destination)
{
    QList<InstallRecord> records;
    const QDir dir(recordFolder(destination));
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        InstallRecord r;
        if (readRecord(dir.filePath(name), &r))
            records << r;
    }
    return records;
}

int PackageInstaller::open(const QString& package)
{
    m_package = package;
    const int code = m_reader.open(package, QByteArray());
    if (code != archive::kSuccess)
        return code;
    const int setupIndex = m_reader.find(QString::fromLatin1(archive::kSetupMember));
    if (setupIndex < 0)
        return archive::kNotAnArchive;
    static QTemporaryDir temp; // lives as long as the process; removed at exit
    if (!temp.isValid())
        return archive::kWriteFailed;
    m_temp = temp.path();
    const int setupCode = m_reader.extract(setupIndex, m_temp);
    if (setupCode != archive::kSuccess)
        return setupCode;
    if (!archive::readPackageSetup(m_temp + u'/' + QString::fromLatin1(archive::kSetupMember),
                                   &m_setup) ||
        m_reader.find(m_setup.saverFile) < 0 || m_setup.title.isEmpty() ||
        m_setup.title.contains(u'/'))
        return archive::kNotAnArchive;
    return archive::kSuccess;
}

QString PackageInstaller::defaultDestination() const
{
    return archive::expandDestination(m_setup.defaultFolder.isEmpty() ? QStringLiteral("%w")
                                                                      : m_setup.defaultFolder,
                                      store::windowsDir(false));
}

bool PackageInstaller::isShared(const QString& member) const
{
    return member == QLatin1String(archive::kUninstallerName) ||
           member == QLatin1String(archive::kIconMember) ||
           member.startsWith(QLatin1String(archive::kRuntimeFolder));
}

QStringList PackageInstaller::clashes(const QString& destination) const
{
    const QString dest = withoutSlash(destination);
    const QList<InstallRecord> records = installedRecords(dest);
    QStringList found;
    for (const archive::MemberInfo& m : m_reader.members()) {
        if (m.folder || isShared(m.name) || m.name == QLatin1String(archive::kSetupMember))
            continue;
        if (!QFileInfo::exists(dest + u'/' + m.name))
            continue;
        QString owner;
        for (const InstallRecord& r : records) {
            if (r.files.contains(m.name))
                owner = r.title;
        }
        if (owner == m_setup.title)
            continue; // installing the same saver again
        found << (owner.isEmpty() ? m.name
                                  : m.name + QStringLiteral(" (") + owner + QStringLiteral(")"));
    }
    return found;
}

int PackageInstaller::install(const QString& destination,
                              const std::function<bool(const InstallProgress&)>& progress,
                              QString* error)
{
    const QString dest = withoutSlash(destination);
    auto fail = [&](int code, const QString& what) {
        if (error)
            *error = what;
        return code;
    };
    if (!QDir().mkpath(dest))
        return fail(archive::kNoDestination,
                    QStringLiteral("The folder %1 cannot be created.").arg(dest));
    const int space = m_reader.checkSpace(dest, m_reader.totalSize());
    if (space != archive::kSuccess)
        return fail(space, archive::resultDescription(space));

    InstallRecord record;
    record.title = m_setup.title;
    record.saver = dest + u'/' + m_setup.saverFile;
    record.group = m_setup.programGroup;

    QList<int> todo;
    qint64 total = 0;
    for (int i = 0; i < int(m_reader.members().size()); ++i) {
        const archive::MemberInfo& m = m_reader.members()[size_t(i)];
        if (m.folder || m.name == QLatin1String(archive::kSetupMember))
            continue;
        todo << i;
        total += m.size;
    }
    // What this run creates, so that a failure takes back exactly that.
    QStringList created;
    auto rollBack = [&] {
        for (const QString& f : created)
            QFile::remove(dest + u'/' + f);
    };
    InstallProgress p;
    p.fileCount = int(todo.size());
    qint64 before = 0;
    for (int i : todo) {
        const archive::MemberInfo& m = m_reader.members()[size_t(i)];
        p.file = m.name;
        const bool existed = QFileInfo::exists(dest + u'/' + m.name);
        const int code = m_reader.extract(i, dest, [&](qint64 done) {
            p.percent = total > 0 ? int((before + done) * 100 / total) : 100;
            return !progress || progress(p);
        });
        if (code != archive::kSuccess) {
            rollBack();
            return fail(code, archive::resultDescription(code) + QStringLiteral(" (") + m.name +
                                  QStringLiteral(")"));
        }
        if (!existed)
            created << m.name;
        before += m.size;
        ++p.filesDone;
        (isShared(m.name) ? record.shared : record.files) << m.name;
    }
    p.percent = 100;
    if (progress)
        progress(p);

    makeExecutable(record.saver);
    for (const QString& f : record.files + record.shared) {
        if (f.endsWith(QLatin1String(".exe")) || f.endsWith(QLatin1String(".scr")))
            makeExecutable(dest + u'/' + f);
    }

    QList<desktop::ProgramGroupItem> items;
    for (const auto& [program, title] : m_setup.items) {
        desktop::ProgramGroupItem item;
        item.program = archive::expandDestination(program, dest);
        item.title = title;
        // The uninstaller serves every saver of the folder: tell it which.
        if (QFileInfo(item.program).fileName() == QLatin1String(archive::kUninstallerName))
            item.args << m_setup.title;
        items << item;
    }
    if (!m_setup.programGroup.isEmpty())
        record.menuEntries = desktop::addProgramGroupItems(
            m_setup.programGroup, dest + u'/' + m_setup.icon, items);

    addSharedFiles(dest, record.shared);
    if (!writeRecord(dest, record)) {
        rollBack();
        return fail(archive::kWriteFailed,
                    QStringLiteral("The installation record cannot be written in %1.").arg(dest));
    }
    return archive::kSuccess;
}

bool uninstall(const QString& destination, const QString& title, QString* error)
{
    const QString dest = withoutSlash(destination);
    const QString recordPath = recordFolder(dest) + u'/' + title + QStringLiteral(".json");
    InstallRecord record;
    if (title.isEmpty() || title.contains(u'/') || !readRecord(recordPath, &record)) {
        if (error)
            *error = QStringLiteral("No personalized screen saver named \"%1\" is installed in %2.")
                         .arg(title, dest);
        return false;
    }
    for (const QString& f : record.files) {
        if (f.isEmpty() || f.startsWith(u'/') || f.contains(QLatin1String("..")))
            continue;
        QFile::remove(dest + u'/' + f);
        removeEmptyFolders(QFileInfo(dest + u'/' + f).absolutePath(), dest);
    }
    desktop::removeProgramGroupItems(record.group, record.menuEntries);
    QFile::remove(recordPath);

    // Shared files stay while another saver of this folder needs them.
    const QList<InstallRecord> others = installedRecords(dest);
    if (others.isEmpty()) {
        QStringList shared = sharedFiles(dest);
        for (const QString& f : record.shared) {
            if (!shared.contains(f))
                shared << f;
        }
        QFile::remove(sharedListPath(dest));
        for (const QString& f : shared) {
            // Only plain relative names that an installation wrote.
            if (f.isEmpty() || f.startsWith(u'/') || f.contains(QLatin1String("..")))
                continue;
            QFile::remove(dest + u'/' + f);
            removeEmptyFolders(QFileInfo(dest + u'/' + f).absolutePath(), dest);
        }
        QDir().rmdir(recordFolder(dest));
    }
    return true;
}

} // namespace sfx
