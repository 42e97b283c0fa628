#pragma once
// The settings dialog's rules, apart from its widgets.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace runtime {

// The interval box takes digits, "." and control characters (codes 1 to 26,
// backspace among them); anything else typed is dropped.
bool intervalKeyAllowed(QChar c);

// "&Accept" takes a number up to 65 (no lower bound); empty or not a number
// is refused.
bool intervalAccepted(const QString& text);

inline constexpr const char* kIntervalMessage =
    "The interval value entered is not valid.  The maximum value for the interval is currently "
    "65 seconds.";

// The list "&Accept" writes: the interval as typed, the count, the paths,
// one per line with CR LF.
QByteArray acceptedListText(const QString& interval, const QStringList& paths);

// The index of the last selected row in list order, -1 when none.
int lastSelectedRow(const QVector<bool>& selected);

struct FileMenuState {
    bool testSaver = false;
    bool wallpaper = false;
    bool setActive = false;
};
// Test and wallpaper need items (the wallpaper a selected current item);
// Set as Active is off while `activeSaver` already is `thisSaver` (compared
// without case).
FileMenuState fileMenuState(int count, bool currentSelected, const QString& activeSaver,
                            const QString& thisSaver);

} // namespace runtime
