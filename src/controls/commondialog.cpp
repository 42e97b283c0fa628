#include "controls/commondialog.h"

#include <QColor>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace controls {

namespace {

// The Qt dialogs, used whenever no other provider is installed.
class QtDialogProvider : public DialogProvider {
public:
    FileDialogResult runFileDialog(const FileDialogRequest& request) override
    {
        QFileDialog dialog(request.owner, request.title, request.initDir);
        QStringList nameFilters;
        for (const FilterPair& pair : request.filters)
            nameFilters << qtNameFilter(pair);
        if (!nameFilters.isEmpty()) {
            dialog.setNameFilters(nameFilters);
            dialog.selectNameFilter(nameFilters.value(request.filterIndex, nameFilters.first()));
        }
        if (request.kind == FileDialogKind::Save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            if (!request.overwritePrompt)
                dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles
                                                : QFileDialog::ExistingFile);
        }
        if (!request.defaultExt.isEmpty())
            dialog.setDefaultSuffix(request.defaultExt);
        FileDialogResult result;
        if (dialog.exec() == QDialog::Accepted)
            result.files = dialog.selectedFiles();
        return result;
    }

    std::optional<std::uint32_t> runColorDialog(const ColorDialogRequest& request) override
    {
        const QColor initial(colorRed(request.color), colorGreen(request.color),
                             colorBlue(request.color));
        const QColor chosen = QColorDialog::getColor(initial, request.owner, request.title);
        if (!chosen.isValid())
            return std::nullopt;
        return colorRef(chosen.red(), chosen.green(), chosen.blue());
    }
};

QtDialogProvider g_qtProvider;
DialogProvider* g_provider = nullptr;

} // namespace

void setDialogProvider(DialogProvider* provider) { g_provider = provider; }

DialogProvider* dialogProvider() { return g_provider ? g_provider : &g_qtProvider; }

FileDialogResult ScriptedDialogProvider::runFileDialog(const FileDialogRequest& request)
{
    fileRequests.push_back(request);
    if (m_files.empty())
        return {};
    FileDialogResult result{m_files.front()};
    m_files.pop_front();
    return result;
}

std::optional<std::uint32_t>
ScriptedDialogProvider::runColorDialog(const ColorDialogRequest& request)
{
    colorRequests.push_back(request);
    if (m_colors.empty())
        return std::nullopt;
    auto color = m_colors.front();
    m_colors.pop_front();
    return color;
}

QVector<FilterPair> parseFilter(const QString& filter)
{
    QVector<FilterPair> pairs;
    if (filter.isEmpty())
        return pairs;
    const QStringList parts = filter.split('|');
    for (int i = 0; i < parts.size(); i += 2) {
        FilterPair pair;
        pair.description = parts[i];
        const QString patterns = i + 1 < parts.size() ? parts[i + 1] : QStringLiteral("*");
        for (const QString& p : patterns.split(';', Qt::SkipEmptyParts))
            pair.patterns << p.trimmed();
        if (pair.patterns.isEmpty())
            pair.patterns << QStringLiteral("*");
        pairs << pair;
    }
    return pairs;
}

QString qtNameFilter(const FilterPair& pair)
{
    return pair.description + QStringLiteral(" (") + pair.patterns.join(' ') + QLatin1Char(')');
}

void clsCommonDialog::ShowOpen()
{
    m_action = 1;
    showFile(FileDialogKind::Open);
}

void clsCommonDialog::ShowSave()
{
    m_action = 2;
    showFile(FileDialogKind::Save);
}

void clsCommonDialog::showFile(FileDialogKind kind)
{
    m_apiReturn = 0;
    m_extendedError = 0;

    FileDialogRequest request;
    request.kind = kind;
    request.owner = hwnd;
    request.title = DialogTitle;
    request.filters = parseFilter(Filter);
    request.filterIndex = qBound(0, FilterIndex - 1, std::max(0, int(request.filters.size()) - 1));
    request.initDir = InitDir;
    request.defaultExt = DefaultExt.startsWith('.') ? DefaultExt.mid(1) : DefaultExt;
    request.flags = Flags;
    request.multiple = kind == FileDialogKind::Open && (Flags & OFN_ALLOWMULTISELECT);
    request.overwritePrompt = kind == FileDialogKind::Save && (Flags & OFN_OVERWRITEPROMPT);

    const FileDialogResult result = dialogProvider()->runFileDialog(request);
    if (result.files.isEmpty()) {
        m_apiReturn = 0;
        if (CancelError)
            throw CancelPressed();
        return;
    }
    m_apiReturn = 1;

    const int bufferSize = MaxFileSize < 1 ? 256 : MaxFileSize;
    if (request.multiple && result.files.size() > 1) {
        // Several files share one folder in any file dialog we show.
        QString text = QDir::toNativeSeparators(QFileInfo(result.files.first()).absolutePath());
        text += QChar(0);
        for (const QString& file : result.files) {
            text += QFileInfo(file).fileName();
            text += QChar(0);
        }
        if (text.size() < bufferSize + 1)
            text += QString(bufferSize + 1 - text.size(), QChar(0));
        FileName = text;
        FileTitle.clear();
    } else {
        FileName = result.files.first();
        FileTitle = QFileInfo(FileName).fileName();
    }
}

void clsCommonDialog::ShowColor()
{
    m_action = 3;
    m_apiReturn = 0;
    m_extendedError = 0;
    ColorDialogRequest request{hwnd, DialogTitle, Color};
    const auto chosen = dialogProvider()->runColorDialog(request);
    if (!chosen) {
        if (CancelError)
            throw CancelPressed();
        return;
    }
    m_apiReturn = 1;
    Color = *chosen;
}

QStringList clsCommonDialog::splitMultiSelection(const QString& fileName)
{
    const QStringList pieces = fileName.split(QChar(0), Qt::SkipEmptyParts);
    if (pieces.size() <= 1)
        return pieces;
    QString folder = pieces.first();
    if (!folder.endsWith('/') && !folder.endsWith('\\'))
        folder += '/';
    QStringList paths;
    for (int i = 1; i < pieces.size(); ++i)
        paths << folder + pieces[i];
    return paths;
}

std::uint32_t colorRef(int red, int green, int blue)
{
    return std::uint32_t(red & 0xff) | (std::uint32_t(green & 0xff) << 8) |
           (std::uint32_t(blue & 0xff) << 16);
}
int colorRed(std::uint32_t c) { return int(c & 0xff); }
int colorGreen(std::uint32_t c) { return int((c >> 8) & 0xff); }
int colorBlue(std::uint32_t c) { return int((c >> 16) & 0xff); }

} // namespace controls
