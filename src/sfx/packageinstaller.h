#pragma once
// Installing and removing a personalized saver from its package, without
// any window: the installer window, the unattended installer and the
// uninstaller all run this.
//
// A package is checked as a whole before anything is written: it must be
// ours (its setup file), every member name must be safe, and every member
// is verified as it is written (archive/zipreader.h). Each installation
// keeps a record of what it wrote ("kelvra-installs/{title}.json" in the
// destination), so that the uninstaller removes exactly that, and so that
// one saver's files are never overwritten by another's without asking.

#include <functional>

#include <QString>
#include <QStringList>

#include "archive/package.h"
#include "archive/zipreader.h"

namespace sfx {

// What an installation wrote.
struct InstallRecord {
    QString title;
    QString saver;           // the saver program's path
    QStringList files;       // this saver's own files (relative to the destination)
    QStringList shared;      // files other savers may use too (uninstaller, runtime)
    QString group;           // the program group
    QStringList menuEntries; // absolute paths of the program group's files
    QString xscreensaver;    // the saver's path in XScreenSaver's list, or empty
};

QString recordFolder(const QString& destination);
bool writeRecord(const QString& destination, const InstallRecord& record);
bool readRecord(const QString& path, InstallRecord* record);
QList<InstallRecord> installedRecords(const QString& destination);

struct InstallProgress {
    QString file;   // member being written
    int filesDone = 0;
    int fileCount = 0;
    int percent = 0; // of all bytes
};

class PackageInstaller {
public:
    // Opens the package (the installer program itself, or any package
    // file). Returns an archive result code; on success setup() is valid.
    int open(const QString& package);
    const archive::PackageSetup& setup() const { return m_setup; }

    // The Windows folder's path unless the package says otherwise.
    QString defaultDestination() const;

    // Files of another saver (or of no saver we know) that installing into
    // `destination` would overwrite, as "file (title)" texts.
    QStringList clashes(const QString& destination) const;

    // Installs everything into `destination`, adds the program group and
    // the XScreenSaver entry, and writes the record. `progress` returns
    // false to abort. Returns an archive result code; *error gets a
    // sentence for the user on failure.
    int install(const QString& destination,
                const std::function<bool(const InstallProgress&)>& progress, QString* error);

private:
    bool isShared(const QString& member) const;

    archive::ZipReader m_reader;
    archive::PackageSetup m_setup;
    QString m_package;
    QString m_temp; // the setup file and icon, read before installing
};

// Removes the saver `title` installed in `destination`: its files, its menu
// entries, its XScreenSaver entry and its record; the shared files go with
// the last saver. False with *error when there is no such installation.
bool uninstall(const QString& destination, const QString& title, QString* error);

} // namespace sfx
