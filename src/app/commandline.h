#pragma once
// Reading the command line of both programs: which mode the process runs in.
// Everything here is pure: it looks at the text (and, for a project path,
// whether a file exists) and opens nothing.

#include <cstdint>
#include <optional>

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace app {

enum class ModeKind {
    Show,     // "/s": the full-screen show
    Preview,  // "/p ID": the show inside the settings applet's preview window
    Password, // "/a ID": change the screen-saver password
    Config,   // anything else: the configuration window
    Host,     // XScreenSaver: the show inside the host's window (the host owns input)
};

struct Mode {
    ModeKind kind = ModeKind::Config;
    // Preview, Host: the X11 window to draw into (0: none). Password: the
    // window handle of the password change.
    std::uint32_t windowId = 0;
    // Host: draw into the root window (the "-root" switch without a host window).
    bool rootWindow = false;
    // The arguments joined by blanks, without surrounding blanks, in their own case.
    QString rawText;
    // rawText in lower case: its first two characters are the switch.
    QString commandText;
    // Config: the absolute path of the project file named on the command line
    // (empty when none). The file need not exist: the editor reports that.
    QString projectPath;
    QStringList args;
};

// The command text: the text without surrounding blanks, in lower case.
QString commandText(const QString& text);

// The platform's number test: optional blanks, an optional sign, digits with
// an optional decimal point and an optional exponent ("e" or "d"), optional
// blanks; or "&H" hex / "&O" octal digits. Returns the value when `text` is
// such a number.
std::optional<double> numericValue(const QString& text);

// Trailing number of a string: trims it, takes the longest suffix that is a
// number by numericValue() and returns its value truncated toward zero. No
// numeric suffix, an empty string or a value outside 32 bits gives 0.
// "/p 1234" and "/p:1234" both give 1234.
std::int32_t trailingNumber(const QString& text);

// Leading number of a string, as the classic Val(): blanks are skipped, then
// an optional sign, digits and an optional fraction are read up to the first
// other character; the value is truncated toward zero. " 1234" gives 1234,
// ":1234" gives 0; out of 32 bits gives 0.
std::int32_t leadingNumber(const QString& text);

// The X11 window of "/p": the trailing number of the command text; a window
// written in hex as X tools print it ("/p 0x1c00007") is accepted as well.
// Negative numbers give 0.
std::uint32_t previewWindowId(const QString& commandText);

// "-window-id" values: "0x" hex or decimal, as XScreenSaver passes them;
// anything else gives nullopt.
std::optional<std::uint32_t> parseXWindowId(const QString& text);

// Decides the mode from the program's arguments (without the program name)
// and the XSCREENSAVER_WINDOW environment value.
//
// Order of the rules:
//  1. XScreenSaver conventions: "-root" runs inside $XSCREENSAVER_WINDOW or
//     the root window, "-window-id ID" inside ID; an empty command line with
//     $XSCREENSAVER_WINDOW set runs inside that window.
//  2. A single argument naming an existing file is a project file: Config.
//     (Absolute paths begin with "/", and "/srv/a.kvl" must not start a show.)
//  3. The switch, the first two characters of the command text: "/p" Preview,
//     "/a" Password, "/s" Show, anything else Config.
Mode parseCommandLine(const QStringList& args, const QString& xscreensaverWindow = {});

// XScreenSaver runs a hack in two kinds of window: its settings dialog's
// preview, smaller than the screen, and the saver's own window, which covers
// a screen. A host window at least as large as one of the screens, both
// ways, is the real show (sound, overlay); any smaller one is a preview, as
// "/p" is (no sound, no overlay, input ignored). Without any screen known
// the window is taken for the real show.
bool hostWindowIsPreview(QSize host, const QList<QSize>& screens);

} // namespace app
