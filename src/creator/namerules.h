#pragma once
// The rules of the saver-name dialog, kept apart from the dialog so that
// they can be checked without a window.

#include <optional>

#include <QString>

namespace creator {

// What typing into the name box keeps: every character but the digits
// "0" to "9".
QString withoutDigits(const QString& typed);

// The saver's file name for the text confirmed with OK, or nothing when the
// text is a full path ("C:\x.scr": characters 2 and 3 are ":\"), which the
// dialog refuses. The last four characters decide the extension: no dot as
// their first character appends ".scr"; a dot that does not start exactly
// ".scr" has the last three characters replaced by "scr". An empty text
// gives ".scr"; so does any text shorter than four characters, which has no
// extension to replace. The result always ends in ".scr".
std::optional<QString> normalisedSaverFileName(const QString& text);

// The saver's title: the file name without its last four characters.
QString saverTitle(const QString& fileName);

} // namespace creator
