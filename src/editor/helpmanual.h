#pragma once
// The editor's HTML manual: the Help command opens it from the Windows
// folder with the desktop's browser; the installation step puts it there.

#include <QString>

namespace editor {

inline constexpr const char* kHelpFileName = "KelvraSaver-help.html";
inline constexpr const char* kHelpResource = ":/editor/help/KelvraSaver-help.html";

// Copies the manual into `windowsDir` (with a trailing separator), replacing
// an older copy atomically; false when it cannot be written. A copy that is
// already the same is left untouched; `written` (when given) tells whether
// the file was written.
bool installHelpManual(const QString& windowsDir, bool* written = nullptr);

// The address of the installed manual, at the section with the id `section`
// when one is given.
QString helpManualAddress(const QString& section = {});

// Opens the installed manual (at `section`) with the desktop's browser; a
// missing manual is told to the user.
void openHelpManual(const QString& section = {});

} // namespace editor
