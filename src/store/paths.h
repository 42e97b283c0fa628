#pragma once
// Path and file helpers shared by both programs.

#include <QString>

class QWidget;

namespace store {

struct PathParts {
    QString drive;      // up to and including the first ":" (empty on Linux paths)
    QString folder;     // before the last separator
    QString lastFolder; // between the last two separators
    QString fileName;   // after the last separator
    QString baseName;   // file name before its last "."
    QString extension;  // from the last "." on (with or without the dot)
    QString passed;     // the path exactly as given
};

// Splits a path at "/" or "\". `part` picks what is returned: "d", "l", "f",
// "b", "e", anything else the folder path. The whole record is returned
// through `parts` when given.
QString ParsePathParts_(const QString& path, const QString& part, bool trailingSeparator,
                        bool includeDot, bool isFolder, PathParts* parts = nullptr);
PathParts splitPath(const QString& path, bool trailingSeparator, bool includeDot,
                    bool isFolder = false);

QString longPathForm(const QString& path);  // canonical existing path, or "" when missing
QString shortPathForm(const QString& path); // the path itself: no short names here

// The Windows folder ($KELVRA_WINDOWS_DIR, else $XDG_DATA_HOME/kelvra-saver)
// and the System folder ($KELVRA_SYSTEM_DIR, else the installed support
// folder or the build's bin folder); both are created when missing.
QString windowsDir(bool trailingSeparator);
QString systemDir(bool trailingSeparator);
// windowsDir + "tmpFiles/"
QString workDir();

bool FileExists(const QString& path);
bool FolderExists(const QString& path);
// Deletes every file of the folder except "vls.scr" (any case).
void ClearWorkFolder(const QString& folder);

// Opens a document or address with the desktop's program; failures are
// reported with message boxes.
void filerun(const QString& target);

// Raises and activates the window (restoring it first when minimised and asked to).
void ForceFrontWindow(QWidget* window, bool restore);

} // namespace store
