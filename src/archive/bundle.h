#pragma once
// The personalized saver's bundle: the names derived from the saver's file
// name, the settings file, the media list file, the sound list copy and the
// member order of the media archive. The creator writes the bundle into its
// work folder and packs it; the runtime unpacks it and reads the same names.
//
// Nothing here writes outside the work folder: a still picture that is not
// a JPEG is converted into the work folder, never beside the original.

#include <array>
#include <functional>

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

namespace archive {

class ZipArchive;

// The fixed password of every media archive; the runtime knows it too.
inline constexpr const char* kBundlePassword = "KMX27481635TorvaldQuinceMapleHarbours";
// The one section of the settings file.
inline constexpr const char* kBundleSection = "Screen Saver Properties";

// {title} without any space, cut to its first 5 characters.
QString bundleShortName(const QString& title);

struct BundleNames {
    QString file;      // {file}: "My Saver.scr"
    QString title;     // {title}: "My Saver"
    QString shortName; // {short}: "MySav"

    QString settingsFile() const { return shortName + QStringLiteral(".ini"); }
    QString listFile() const { return u'i' + shortName + QStringLiteral(".ini"); }
    QString soundListFile() const { return u's' + shortName + QStringLiteral(".ini"); }
    QString archiveFile() const { return shortName + QStringLiteral(".dat"); }
    QString launcherFile() const { return title + QStringLiteral(".exe"); }
    // The list the runtime's settings dialog writes with "&Accept" beside the
    // program: "zem-" + program name + ".ini".
    QString acceptedListFile() const { return QStringLiteral("zem-") + title + QStringLiteral(".ini"); }
};

// From {file} (the name dialog's result, ending in ".scr"): the title is
// the file without its last 4 characters.
BundleNames bundleNames(const QString& file);
// The runtime's names, from its own program path: the program name is the
// file name without its extension, so "Sunset Beach.scr" and
// "Sunset Beach.exe" both give the title "Sunset Beach" and "Sunse".
BundleNames runtimeNames(const QString& programPath);

// One key of the settings file: its INI name and the editor setting it
// copies (nullptr: the value comes from the editor itself).
struct BundleKey {
    const char* iniKey;
    const char* setting;
};
extern const std::array<BundleKey, 25> kBundleKeys;

// Where the settings file's values come from.
struct BundleSettingsSource {
    QString interval; // the editor's interval box, seconds
    // The editor's stored setting, or `def` when it is absent.
    std::function<QString(const QString& name, const QString& def)> setting;
    // The current values of the editor's preview and text dialog controls,
    // by setting name: the defaults of absent settings.
    QHash<QString, QString> controlDefaults;
};

// The 25 (key, value) pairs in file order.
QList<QPair<QString, QString>> bundleSettingValues(const BundleSettingsSource& source,
                                                   const QString& title);
// Writes them key by key into a fresh settings file. False when it cannot.
bool writeSettingsFile(const QString& path, const QList<QPair<QString, QString>>& values);

// True when the item goes into the bundle as it is: clips, sounds and JPEGs
// by extension (any case), as store::packedUnconverted tells them, today's
// ".mp4" or ".ogg" included. Other still pictures are converted.
bool keptAsIs(const QString& path);

// Turns the media list into list-file entries, one item at a time, so that
// a caller can show progress and cancel between items.
class BundleEntries {
public:
    // `convert` writes a JPEG of `from` at `to` and returns false when it
    // cannot.
    BundleEntries(QString workFolder,
                  std::function<bool(const QString& from, const QString& to)> convert);
    // Keeps the file names of the items taken as they are (the whole list)
    // away from the conversions' names. Call before the first add().
    void reserve(const QStringList& media);
    // The entry for one media item: the path itself, or the path of its
    // JPEG conversion in the work folder, named after the item's base name
    // and kept apart from every other entry's file name. A picture that
    // cannot be converted is listed as it is.
    QString add(const QString& path);
    QStringList entries() const { return m_entries; }
    // The JPEGs written into the work folder, for the cleanup.
    QStringList conversions() const { return m_conversions; }

private:
    QString m_work;
    std::function<bool(const QString&, const QString&)> m_convert;
    QStringList m_entries;
    QStringList m_conversions;
    QSet<QString> m_usedNames; // file names of the entries, lower case
};

// The media list file: one entry per line, CR LF, UTF-8, no header.
bool writeListFile(const QString& path, const QStringList& entries);
// Copies the sound list byte for byte to `copy` after deleting an older
// copy. False (and no copy) when the sound list does not exist.
bool copySoundList(const QString& soundList, const QString& copy);

// The archive's files to process, in order: the entries' files, the list
// file, the settings file, the sound list copy when made, then every file
// named on a non-empty line of the sound list that exists.
QStringList bundleMembers(const QStringList& entries, const QString& listFile,
                          const QString& settingsFile, const QString& soundListCopy,
                          const QString& soundList);

// Everything the creator needs to make one bundle in its work folder.
struct BundleInput {
    BundleNames names;
    QString workFolder; // ends in "/"
    QStringList media;  // the saved media list, in order
    QString soundList;  // the editor's "zem-sound.ini" (may not exist)
    QList<QPair<QString, QString>> settings;
    std::function<bool(const QString& from, const QString& to)> convert;
};

struct BundleFiles {
    QString settingsFile;
    QString listFile;
    QString soundListCopy; // empty when there is no sound list
    QString archive;
    QStringList entries;     // the list file's lines
    QStringList members;     // the archive's files to process, in order
    QStringList conversions; // JPEGs made in the work folder
};

// Writes the settings file, the list file and the sound list copy, and
// works out the archive's members. No packing.
BundleFiles writeBundleFiles(const BundleInput& input);
// Packs the media archive: deletes an older one, then packs the members
// with the fixed password. The pack's result code.
int packBundle(const BundleFiles& files, ZipArchive& zip);

} // namespace archive

namespace archive {

// The list the runtime's show walks: the one the settings dialog's
// "&Accept" wrote beside the program, when there is one, else the bundle's
// media list in `dataFolder`.
QString showListFile(const QString& programFolder, const BundleNames& names,
                     const QString& dataFolder);

// The lines of a list file (LF, CR LF or CR), empty ones dropped.
QStringList readListLines(const QString& path);

} // namespace archive
