#pragma once
// The user's XScreenSaver preferences (~/.xscreensaver) as text: selecting
// one saver edits the file the way a careful person would by hand. Pure
// logic over bytes; reading and replacing the file is screensaver.h's job.
//
// The file is a list of X resources ("name:<blanks>value"), one per line,
// where a line ending in a backslash continues on the next one. The
// "programs" resource lists the hacks, separated by the two characters
// "\n"; XScreenSaver numbers them from 0 in that order, and with "mode: one"
// it runs the hack whose number is in "selected".

#include <QByteArray>
#include <QString>

namespace desktop {

// The hack's command for XScreenSaver: the saver's path quoted for the
// shell, then "-root" (the saver then draws into $XSCREENSAVER_WINDOW).
QString xscreensaverCommand(const QString& saverPath);

struct XScreenSaverSelection {
    QByteArray text;   // the edited file
    int selected = -1; // the saver's number in "programs"
};

// Makes the saver at `saverPath` the one XScreenSaver runs:
//   - its entry is appended to "programs" (named `saverName`) unless the list
//     already holds its command, in which case that entry is used (and
//     enabled again if it was marked disabled with a leading "-");
//   - "mode" becomes "one" and "selected" the entry's number; missing ones
//     are added just before "programs";
//   - an empty or blank file becomes a new file in XScreenSaver's layout.
// Every other line is kept byte for byte, with one exception: when the last
// entry of "programs" lacks its "\n" separator or its continuation
// backslash, they are added to it so that the new entry can follow.
// Applying the result a second time changes nothing.
XScreenSaverSelection selectInXScreenSaverFile(const QByteArray& original,
                                               const QString& saverPath,
                                               const QString& saverName);

} // namespace desktop
