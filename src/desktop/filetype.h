#pragma once
// The ".kvl" project type: the class-root keys of the settings store (what
// the original desktop read to open a project on a double-click) and, for
// real, the freedesktop pieces that do it here: a shared-mime-info type, the
// editor's desktop entry declaring it, and an icon. The entry starts the
// installed editor with the file; an editor already open gets the file from
// that second start (its local server), as it got the DDE command of old.

#include <functional>

#include <QString>
#include <QStringList>

namespace desktop {

// Where AssociateFileType's writes go: the store's HKEY_CLASSES_ROOT, or a
// recorder in tests. A value name of "" is the key's default value.
struct RegistryWriter {
    std::function<QString(const QString& key, const QString& name)> read;
    std::function<bool(const QString& key, const QString& name, const QString& value)> save;
    std::function<bool(const QString& key, const QString& name)> deleteValue;
    std::function<bool(const QString& key)> deleteKey;
    static RegistryWriter classesRoot(bool quiet);
};

struct FileTypeAssociation {
    QString extension;
    QString fileType;        // "": the program title
    QString applicationPath; // "": the running program
    QString switches;
    QString icon;            // "1": each file shows itself; "": the program's icon
    int iconIndex = 0;
    QString description;
    QString verb;            // "": "Open"
    QString verbCaption;
    QString contentType;
    QString ddeMessage;
    QString ddeTopic;        // "": "System"
    bool quiet = true;       // passed to every store write
    bool addVerbOnly = false;
};

// Registers the extension with its file type, icon, open command and DDE
// command, in that order; true when the registration was written. An empty
// extension writes nothing and gives false; one without a dot gets one.
bool AssociateFileType(const FileTypeAssociation& association, const RegistryWriter& writer);
bool AssociateFileType(const FileTypeAssociation& association);

// The editor's call for ".kvl".
FileTypeAssociation projectFileAssociation();

inline constexpr const char* kProjectMimeType = "application/x-kelvra-saver-project";
inline constexpr const char* kIconName = "kelvra-saver";

// The editor's desktop entry, starting `program` with the opened file.
QString editorDesktopEntry(const QString& program);
// The shared-mime-info description of the ".kvl" project type.
QString projectMimeXml();
// The program's icon (SVG).
QByteArray iconSvg();

struct Registration {
    bool ok = true;
    QStringList lines; // what was written or found in place, one line each
    QString error;     // why it failed, when !ok
};

// Writes, under `dataHome` ($XDG_DATA_HOME): applications/kelvra-saver.desktop
// (starting `editorProgram`), mime/packages/kelvra-saver.xml and
// icons/hicolor/scalable/apps/kelvra-saver.svg, each only when it differs,
// then refreshes the desktop's MIME and application caches when their tools
// are installed. A second run writes nothing.
Registration registerProjectType(const QString& dataHome, const QString& editorProgram);

} // namespace desktop
