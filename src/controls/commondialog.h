#pragma once
// clsCommonDialog: the small non-visual object through which both programs
// open the standard file-open, file-save and colour dialogs. The caller sets
// properties, calls one Show operation and reads the user's choice back.
//
// The dialogs themselves come from a DialogProvider. The default provider
// shows Qt's QFileDialog and QColorDialog; tests install a
// ScriptedDialogProvider (setDialogProvider) so that no modal dialog ever
// blocks a widget test, and check the requests it received.
//
// Cancel reporting: when CancelError is true, a dialog closed without a
// choice throws controls::CancelPressed (number 0x800407D1, description
// "Cancel Pressed"). Callers that set CancelError catch it and leave their
// state unchanged. No other exception leaves the Show operations.

#include <cstdint>
#include <deque>
#include <exception>
#include <optional>

#include <QString>
#include <QStringList>
#include <QVector>

class QWidget;

namespace controls {

// Flag bits of the original file dialogs that change what we do.
inline constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x2;
inline constexpr std::uint32_t OFN_HIDEREADONLY = 0x4;
inline constexpr std::uint32_t OFN_NOCHANGEDIR = 0x8;
inline constexpr std::uint32_t OFN_ALLOWMULTISELECT = 0x200;
inline constexpr std::uint32_t OFN_PATHMUSTEXIST = 0x800;
inline constexpr std::uint32_t OFN_FILEMUSTEXIST = 0x1000;

inline constexpr std::uint32_t kCancelErrorNumber = 0x800407D1;

class CancelPressed : public std::exception {
public:
    const char* what() const noexcept override { return "Cancel Pressed"; }
    std::uint32_t number() const { return kCancelErrorNumber; }
    QString description() const { return QStringLiteral("Cancel Pressed"); }
};

// One description/pattern pair of a "|" filter. Patterns are the ";" list
// split into single patterns ("*.kvl").
struct FilterPair {
    QString description;
    QStringList patterns;
    bool operator==(const FilterPair&) const = default;
};

// Splits "Desc|*.a;*.b|Desc2|*.c" into its pairs. A trailing description
// without a pattern list gets the pattern "*".
QVector<FilterPair> parseFilter(const QString& filter);
// The Qt name-filter form of one pair: "Desc (*.a *.b)".
QString qtNameFilter(const FilterPair& pair);

enum class FileDialogKind { Open, Save };

// What a file dialog is asked to show.
struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QWidget* owner = nullptr;
    QString title;
    QVector<FilterPair> filters;
    int filterIndex = 0; // 0-based, clamped into the filter list
    QString initDir;
    QString defaultExt; // without a leading dot
    std::uint32_t flags = 0;
    bool multiple = false;        // flags has OFN_ALLOWMULTISELECT (open only)
    bool overwritePrompt = false; // flags has OFN_OVERWRITEPROMPT (save only)
};

// The user's answer: empty `files` means cancelled. Paths are absolute.
struct FileDialogResult {
    QStringList files;
};

struct ColorDialogRequest {
    QWidget* owner = nullptr;
    QString title;
    std::uint32_t color = 0; // 0x00BBGGRR
};

class DialogProvider {
public:
    virtual ~DialogProvider() = default;
    virtual FileDialogResult runFileDialog(const FileDialogRequest& request) = 0;
    // The chosen colour as 0x00BBGGRR, or nothing when cancelled.
    virtual std::optional<std::uint32_t> runColorDialog(const ColorDialogRequest& request) = 0;
};

// Installs the provider used by every clsCommonDialog; nullptr restores the
// Qt dialogs. The caller keeps ownership.
void setDialogProvider(DialogProvider* provider);
DialogProvider* dialogProvider();

// For tests: answers are queued in advance and taken in order; a dialog with
// no queued answer is cancelled. Every request is recorded.
class ScriptedDialogProvider : public DialogProvider {
public:
    ScriptedDialogProvider() { setDialogProvider(this); }
    ~ScriptedDialogProvider() override
    {
        if (dialogProvider() == this)
            setDialogProvider(nullptr);
    }
    void queueFiles(const QStringList& files) { m_files.push_back(files); }
    void queueCancel() { m_files.push_back({}); }
    void queueColor(std::optional<std::uint32_t> color) { m_colors.push_back(color); }

    FileDialogResult runFileDialog(const FileDialogRequest& request) override;
    std::optional<std::uint32_t> runColorDialog(const ColorDialogRequest& request) override;

    QVector<FileDialogRequest> fileRequests;
    QVector<ColorDialogRequest> colorRequests;

private:
    std::deque<QStringList> m_files;
    std::deque<std::optional<std::uint32_t>> m_colors;
};

class clsCommonDialog {
public:
    // Read/write properties, as the callers set them.
    QWidget* hwnd = nullptr; // owner window
    QString DialogTitle;
    QString Filter;          // "Desc|*.a;*.b|Desc2|*.c"
    std::int16_t FilterIndex = 0; // 1-based; 0 counts as 1
    // In: not shown (the dialog opens with an empty name field). Out: the
    // chosen file's full path; with OFN_ALLOWMULTISELECT and several files,
    // the folder, a NUL, each name followed by a NUL, padded with NULs to
    // MaxFileSize + 1 characters (never cut: a long selection is kept whole).
    QString FileName;
    QString FileTitle; // out: the chosen file's name without folder ("" for several)
    QString DefaultExt;
    QString InitDir;
    std::uint32_t Flags = 0;
    std::int32_t MaxFileSize = 0; // below 1 means 256
    std::uint32_t Color = 0;      // 0x00BBGGRR
    bool CancelError = false;

    std::int16_t Action() const { return m_action; }
    std::int32_t APIReturn() const { return m_apiReturn; }
    std::int32_t ExtendedError() const { return m_extendedError; }

    // Throw CancelPressed only when CancelError is true and nothing was chosen.
    void ShowOpen();
    void ShowSave();
    void ShowColor();

    // Splits a FileName returned for a multiple selection into full paths:
    // pieces at NULs, empty pieces dropped; one piece is a full path, several
    // are the folder followed by names in it.
    static QStringList splitMultiSelection(const QString& fileName);

private:
    void showFile(FileDialogKind kind);

    std::int16_t m_action = 0;
    std::int32_t m_apiReturn = 0;
    std::int32_t m_extendedError = 0;
};

// 0x00BBGGRR <-> red/green/blue.
std::uint32_t colorRef(int red, int green, int blue);
int colorRed(std::uint32_t c);
int colorGreen(std::uint32_t c);
int colorBlue(std::uint32_t c);

} // namespace controls
