#pragma once
// A program group in the desktop's applications menu: a submenu with its
// own name and icon holding one entry per item, made of plain freedesktop
// files under $XDG_DATA_HOME and $XDG_CONFIG_HOME (a ".directory" file, a
// merged ".menu" file and one ".desktop" entry per item). Every desktop that
// follows the freedesktop menu layout shows it.

#include <QString>
#include <QStringList>

namespace desktop {

struct ProgramGroupItem {
    QString program;   // absolute path
    QStringList args;  // passed after the program
    QString title;
};

// The files that make the group's folder ("Kelvra Screen Saver(s)") and its
// items. Returns every file written, for an uninstaller to remove; an
// item's entry is named after the group and the item's title, so that the
// same item written twice replaces itself.
QStringList addProgramGroupItems(const QString& group, const QString& icon,
                                 const QList<ProgramGroupItem>& items);

// Removes the given item files; the group's own files go with the last item.
void removeProgramGroupItems(const QString& group, const QStringList& files);

// The Exec line of an entry: each argument quoted as desktop entries require.
QString desktopExecLine(const QString& program, const QStringList& args);

} // namespace desktop
