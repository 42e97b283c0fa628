#pragma once
// Path and file helpers shared by both programs.

#include <functional>

#include <QString>

class QObject;
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

// Splits a path at "/" or "". `part` picks what is returned: "d", "l", "f",
// "b", "e" (either case), anything else the folder path. The whole record is
// returned through `parts` when given.
//
// Surrounding blanks and double quotes are removed first; an empty result
// gives empty parts. A folder path (when `isFolder`) or a bare drive ("C:")
// gets a separator appended. A ":" is a drive only when no separator comes
// before it, so "/media/cam:1/a.png" has no drive. `trailingSeparator` keeps
// the separator at the end of the folder path (and adds "" to the drive); a
// folder path that would be a bare drive becomes "C:", one that would be
// empty because the path starts with its only separator becomes "/". The
// extension is "" when there is no "." or when it would be just ".".
QString ParsePathParts_(const QString& path, const QString& part, bool trailingSeparator,
                        bool includeDot, bool isFolder, PathParts* parts = nullptr);
PathParts splitPath(const QString& path, bool trailingSeparator, bool includeDot,
                    bool isFolder = false);

// The absolute, cleaned path when it exists, else "". Symbolic links are
// kept, not resolved: the installed saver is a link whose long form is
// compared with its installed name.
QString longPathForm(const QString& path);
// There are no short names here: the path itself when it exists, else "".
QString shortPathForm(const QString& path);

// The Windows folder ($KELVRA_WINDOWS_DIR, else $XDG_DATA_HOME/kelvra-saver,
// else ~/.local/share/kelvra-saver) and the System folder ($KELVRA_SYSTEM_DIR,
// else <program folder>/../lib/kelvra-saver when installed, else the
// program's own folder); both are created when missing and never empty, and
// end in "/" exactly when asked.
QString windowsDir(bool trailingSeparator);
QString systemDir(bool trailingSeparator);
// windowsDir + "tmpFiles/", created when missing.
QString workDir();

// After trimming blanks: an existing file (not a folder); an existing file
// or folder. An empty path gives false.
bool FileExists(const QString& path);
bool FolderExists(const QString& path);
// Deletes every file of the folder (hidden ones too) except "vls.scr" (any
// case); subfolders are left alone. A missing folder is no error.
void ClearWorkFolder(const QString& folder);

// What opening a document with the desktop's program came to, in the codes
// of the old shell call that callers report: above 32 is success.
inline constexpr int kShellNotFound = 2;
inline constexpr int kShellAccessDenied = 5;
inline constexpr int kShellNoAssociation = 31;
inline constexpr int kShellStarted = 42;
// The opener itself could not be run (missing, or it crashed).
inline constexpr int kShellCallFailed = -1;

// Runs the desktop's opener, xdg-open as found on PATH, for a file path or
// an address and returns at once; `done` runs later on this thread with the
// outcome, unless `context` is gone by then. xdg-open's exit status maps to
// kShellStarted (0), kShellNotFound (2), kShellNoAssociation (3: no program
// for the type; 4: the program failed) or the status itself (others, at
// most 32). Some openers run the program in the foreground and exit only
// with it: one still running after a few seconds has started it, and counts
// as kShellStarted whatever it ends with.
void shellExecute(const QString& target, QObject* context, std::function<void(int)> done);

// Opens a document or address with the desktop's program (shellExecute) and
// reports failures, the missing and unreadable cases at once, the opener's
// answer when it comes: a missing file or path "The '<target>' File or Path
// was Not Found.", no program for it (or no opener at all) the association
// message, anything else the critical one with the code. The caller goes on.
void filerun(const QString& target);

// Shows, raises and activates the window, restoring it first when minimised
// and `restore` is set. Does nothing for a null window or the active one.
void ForceFrontWindow(QWidget* window, bool restore);

} // namespace store
