#pragma once
// Making a saver the desktop's screen saver, and starting it for a test.
//
// The store keeps the choice as "SCRNSAVE.EXE" under "Control Panel\Desktop"
// (what the menus compare with), and XScreenSaver is told for real through
// ~/.xscreensaver (see xscreensaverfile.h). XScreenSaver notices a changed
// file by itself before it next blanks the screen, so nothing is restarted.
// Other lockers (GNOME's, KDE's, XFCE's, light-locker) have no slot for a
// third-party saver: the README says what to do there.

#include <QString>

namespace desktop {

struct SelectResult {
    bool ok = false;
    bool stored = false;       // "SCRNSAVE.EXE" written
    QString xscreensaverFile;  // the preferences file edited
    int selected = -1;         // the saver's number in its "programs" list
    QString error;             // what failed, for a log; empty when ok
};

// ~/.xscreensaver of the user ($HOME).
QString xscreensaverFilePath();

// Makes `saverPath` (an installed saver, such as the Windows folder's
// "Kelvra Saver.scr") the active screen saver: the store value, then the
// user's XScreenSaver file, edited in place and replaced atomically (a
// symbolic link is followed, the file's permissions kept).
SelectResult selectScreenSaver(const QString& saverPath);

// The menu command of both programs: selectScreenSaver() and then the
// success or failure message box. Returns whether it succeeded.
bool setActiveScreenSaver(const QString& saverPath);

// Starts `saverPath` with "/s" and does not wait for it. Nothing starts
// (false) when the saver is not installed.
bool startScreenSaverTest(const QString& saverPath);

} // namespace desktop
