#pragma once
// The self-installing package: the installer program followed by a ZIP
// archive (not encrypted) whose comment marks it as ours. Besides the
// saver's files the archive carries "setup.json", which holds what the
// installer shows and does: its texts, the destination, the program group
// and its items, and the icon.

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

namespace archive {

// The archive comment of every package: the installer refuses anything else.
inline constexpr const char* kPackageComment = "KelvraSFX/1";
inline constexpr const char* kSetupMember = "setup.json";
inline constexpr const char* kIconMember = "vls.ico";
// Shared libraries and plugins of "With Runtimes" are packed below this
// folder and installed there, beside the saver, which looks for them there.
inline constexpr const char* kRuntimeFolder = "kelvra-runtime/";
// The uninstaller as it is packed and installed.
inline constexpr const char* kUninstallerName = "VLS-Uninst.exe";

struct PackageSetup {
    // The installer's strings and messages by index.
    QMap<int, QString> strings;
    QMap<int, QString> messages;
    QString defaultFolder;   // "%w": the recipient's Windows folder
    QString programGroup;    // "Kelvra Screen Saver(s)"
    // Program (a path with "%w" for the destination) and title of each item.
    QList<QPair<QString, QString>> items;
    QString icon;            // member name of the icon
    QString saverFile;       // {file}, the saver program's member
    QString title;           // {title}
};

// Writes or reads the setup file (JSON, so that texts keep their line
// breaks; written atomically). Reading returns false when the file is
// missing or is not a setup file.
bool writePackageSetup(const QString& path, const PackageSetup& setup);
bool readPackageSetup(const QString& path, PackageSetup* setup);

// "%w" in `text` replaced by `folder` (without a trailing "/").
QString expandDestination(const QString& text, const QString& folder);

} // namespace archive
