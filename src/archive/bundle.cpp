#include "archive/bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "archive/ziparchive.h"
#include "store/ini.h"
#include "store/listfile.h"
#include "store/mediakind.h"

namespace archive {

const std::array<BundleKey, 25> kBundleKeys = {{
    {"Interval Between Images", nullptr},
    {"Paint Effect", "Paint Effect"},
    {"Random Paint Effect", "Randomize Effects"},
    {"Effect Grain", "EffectGrain"},
    {"Effect Delay", "EffectDelay"},
    {"Paint Max Passes", "PaintMaxPasses"},
    {"Wand Size", "WandSize"},
    {"Wand Color", "WandColor"},
    {"Base Name", nullptr},
    {"Display Text", "Display Text"},
    {"Display Text Alignment", "Display Text Align"},
    {"Display Text Font Name", "Display Text Font Name"},
    {"Display Text Font Size", "Display Text Font Size"},
    {"Display Text Forecolor", "Display Text Forecolor"},
    {"Display Text Bold", "Display Text Bold"},
    {"Display Text Italic", "Display Text Italic"},
    {"Display Text Strikethrough", "Display Text Strikethrough"},
    {"Display Text Underline", "Display Text Underline"},
    {"Display Text Style", "Display Text Style"},
    {"Display Text Wordwrap", "Display Text Wordwrap"},
    {"Display Text Highlight Color", "Display Text Hilite Color"},
    {"Display Text Angle", "Display Text Angle"},
    {"Display Text ShadowXDepth", "Display Text ShadowXDepth"},
    {"Display Text ShadowYDepth", "Display Text ShadowYDepth"},
    {"Display Text Shadow Color", "Display Text Shadow Color"},
}};

QString bundleShortName(const QString& title)
{
    QString name = title;
    name.remove(u' ');
    return name.left(5);
}

BundleNames bundleNames(const QString& file)
{
    BundleNames n;
    n.file = file;
    n.title = file.left(std::max<qsizetype>(0, file.size() - 4));
    n.shortName = bundleShortName(n.title);
    return n;
}

BundleNames runtimeNames(const QString& programPath)
{
    QString name = store::listEntryName(programPath);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    return bundleNames(name + QStringLiteral(".scr"));
}

QList<QPair<QString, QString>> bundleSettingValues(const BundleSettingsSource& source,
                                                   const QString& title)
{
    QList<QPair<QString, QString>> values;
    for (const BundleKey& key : kBundleKeys) {
        const QString ini = QString::fromLatin1(key.iniKey);
        if (!key.setting) {
            values.append({ini, ini == QLatin1String("Base Name") ? title : source.interval});
            continue;
        }
        const QString name = QString::fromLatin1(key.setting);
        QString def = source.controlDefaults.value(name);
        if (name == QLatin1String("Randomize Effects") && !source.controlDefaults.contains(name))
            def = QStringLiteral("False");
        values.append({ini, source.setting ? source.setting(name, def) : def});
    }
    return values;
}

bool writeSettingsFile(const QString& path, const QList<QPair<QString, QString>>& values)
{
    QFile::remove(path);
    store::INI ini;
    ini.setINIfile(path);
    for (const auto& [key, value] : values)
        ini.WriteINI(QString::fromLatin1(kBundleSection), key, value);
    return QFileInfo(path).isFile();
}

bool keptAsIs(const QString& path)
{
    return store::packedUnconverted(path);
}

BundleEntries::BundleEntries(QString workFolder,
                             std::function<bool(const QString&, const QString&)> convert)
    : m_work(std::move(workFolder)), m_convert(std::move(convert))
{
    if (!m_work.isEmpty() && !m_work.endsWith(u'/'))
        m_work += u'/';
}

void BundleEntries::reserve(const QStringList& media)
{
    for (const QString& path : media) {
        if (keptAsIs(path))
            m_usedNames.insert(QFileInfo(path).fileName().toLower());
    }
}

QString BundleEntries::add(const QString& path)
{
    const QFileInfo info(path);
    QString entry = path;
    if (!keptAsIs(path)) {
        // The base name, kept apart from every other member of the archive:
        // "beach.png" beside an author's "beach.jpg" becomes "beach (2).jpg".
        QString name = info.completeBaseName() + QStringLiteral(".jpg");
        for (int n = 2; m_usedNames.contains(name.toLower()); ++n)
            name = info.completeBaseName() + QStringLiteral(" (%1).jpg").arg(n);
        const QString target = m_work + name;
        QFile::remove(target);
        if (m_convert && m_convert(path, target)) {
            entry = target;
            m_conversions << target;
        }
    }
    m_usedNames.insert(QFileInfo(entry).fileName().toLower());
    m_entries << entry;
    return entry;
}

bool writeListFile(const QString& path, const QStringList& entries)
{
    QByteArray text;
    for (const QString& e : entries)
        text += e.toUtf8() + "\r\n";
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit();
}

bool copySoundList(const QString& soundList, const QString& copy)
{
    QFile::remove(copy);
    if (!QFileInfo(soundList).isFile())
        return false;
    return QFile::copy(soundList, copy);
}

QStringList bundleMembers(const QStringList& entries, const QString& listFile,
                          const QString& settingsFile, const QString& soundListCopy,
                          const QString& soundList)
{
    QStringList members = entries;
    members << listFile << settingsFile;
    if (!soundListCopy.isEmpty()) {
        members << soundListCopy;
        QFile file(soundList);
        if (file.open(QIODevice::ReadOnly)) {
            const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
            for (QString line : lines) {
                if (line.endsWith(u'\r'))
                    line.chop(1);
                if (!line.isEmpty() && QFileInfo(line).isFile())
                    members << line;
            }
        }
    }
    return members;
}

BundleFiles writeBundleFiles(const BundleInput& input)
{
    BundleFiles files;
    QString work = input.workFolder;
    if (!work.endsWith(u'/'))
        work += u'/';
    files.settingsFile = work + input.names.settingsFile();
    files.listFile = work + input.names.listFile();
    files.archive = work + input.names.archiveFile();
    writeSettingsFile(files.settingsFile, input.settings);

    BundleEntries entries(work, input.convert);
    entries.reserve(input.media);
    for (const QString& path : input.media)
        entries.add(path);
    files.entries = entries.entries();
    files.conversions = entries.conversions();
    writeListFile(files.listFile, files.entries);

    const QString copy = work + input.names.soundListFile();
    if (copySoundList(input.soundList, copy))
        files.soundListCopy = copy;
    files.members = bundleMembers(files.entries, files.listFile, files.settingsFile,
                                  files.soundListCopy, input.soundList);
    return files;
}

int packBundle(const BundleFiles& files, ZipArchive& zip)
{
    QFile::remove(files.archive);
    zip.setFilesToProcess(QString());
    for (const QString& member : files.members)
        zip.addFileToProcess(member);
    zip.setArchiveName(files.archive);
    zip.setPassword(QString::fromLatin1(kBundlePassword));
    return zip.pack();
}

} // namespace archive

namespace archive {

QString showListFile(const QString& programFolder, const BundleNames& names,
                     const QString& dataFolder)
{
    const QString accepted = QDir(programFolder).filePath(names.acceptedListFile());
    if (QFileInfo(accepted).isFile())
        return accepted;
    return QDir(dataFolder).filePath(names.listFile());
}

QStringList readListLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    lines.removeAll(QString());
    return lines;
}

} // namespace archive
