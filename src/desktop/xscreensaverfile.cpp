#include "desktop/xscreensaverfile.h"

#include <optional>
#include <vector>

#include <QList>

namespace desktop {

namespace {

using Lines = QList<QByteArray>;

// The separator of two entries inside the "programs" value, as written.
const QByteArray kEntrySeparator = QByteArrayLiteral("\\n");

bool isBlank(const QByteArray& text) { return text.trimmed().isEmpty(); }

// A line ending in an odd number of backslashes continues on the next one.
bool continues(const QByteArray& line)
{
    qsizetype n = 0;
    for (qsizetype i = line.size() - 1; i >= 0 && line[i] == '\\'; --i)
        ++n;
    return n % 2 == 1;
}

QByteArray withoutContinuation(const QByteArray& line)
{
    return continues(line) ? line.left(line.size() - 1) : line;
}

struct Resource {
    QByteArray name; // without a leading "*" or class prefix
    int first = 0;   // physical lines first..last
    int last = 0;
    int valueStart = 0; // offset of the value in the first line (after ":" and blanks)
};

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '-' || c == '.' || c == '*' || c == '?';
}

// "name: value" at the start of a line, as X resource files write them.
std::optional<Resource> resourceAt(const Lines& lines, int index)
{
    const QByteArray& line = lines[index];
    qsizetype i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i >= line.size() || line[i] == '#' || line[i] == '!')
        return std::nullopt;
    const qsizetype nameStart = i;
    while (i < line.size() && isNameChar(line[i]))
        ++i;
    QByteArray name = line.mid(nameStart, i - nameStart);
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (name.isEmpty() || i >= line.size() || line[i] != ':')
        return std::nullopt;
    ++i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    const qsizetype cut = std::max(name.lastIndexOf('*'), name.lastIndexOf('.'));
    Resource r;
    r.name = name.mid(cut + 1);
    r.first = index;
    r.last = index;
    r.valueStart = int(i);
    while (continues(lines[r.last]) && r.last + 1 < lines.size())
        ++r.last;
    return r;
}

std::vector<Resource> resources(const Lines& lines)
{
    std::vector<Resource> out;
    for (int i = 0; i < lines.size();) {
        if (const std::optional<Resource> r = resourceAt(lines, i)) {
            out.push_back(*r);
            i = r->last + 1;
        } else {
            ++i;
        }
    }
    return out;
}

// The last resource of that name: later lines win, as in X.
std::optional<Resource> find(const Lines& lines, const char* name)
{
    std::optional<Resource> found;
    for (const Resource& r : resources(lines))
        if (r.name == name)
            found = r;
    return found;
}

// The value text that physical line `index` of `r` contributes.
QByteArray valuePart(const Lines& lines, const Resource& r, int index)
{
    const QByteArray text = withoutContinuation(lines[index]);
    return index == r.first ? text.mid(r.valueStart) : text;
}

struct Entry {
    int line;
    QByteArray text; // trimmed
};

std::vector<Entry> entries(const Lines& lines, const Resource& programs)
{
    std::vector<Entry> out;
    for (int i = programs.first; i <= programs.last; ++i) {
        const QByteArray value = valuePart(lines, programs, i);
        qsizetype from = 0;
        while (from <= value.size()) {
            qsizetype at = value.indexOf(kEntrySeparator, from);
            if (at < 0)
                at = value.size();
            const QByteArray piece = value.mid(from, at - from).trimmed();
            if (!piece.isEmpty())
                out.push_back({i, piece});
            from = at + kEntrySeparator.size();
        }
    }
    return out;
}

// A shell word: single quotes, with each ' written as '\''.
QString shellQuote(const QString& word)
{
    QString out = QStringLiteral("'");
    for (QChar c : word) {
        if (c == u'\'')
            out += QStringLiteral("'\\''");
        else
            out += c;
    }
    return out + u'\'';
}

// Inside a resource value a backslash is written doubled.
QByteArray resourceText(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace('\\', QByteArrayLiteral("\\\\"));
    return bytes;
}

// Sets a one-line resource's value, keeping the name and the blanks before
// the value as they were; a missing one is added as "name:<tabs>value" just
// before "programs" (or at the end).
void setSimple(Lines& lines, const char* name, const QByteArray& value)
{
    if (const std::optional<Resource> r = find(lines, name)) {
        if (r->last == r->first && lines[r->first].mid(r->valueStart).trimmed() == value)
            return;
        QByteArray line = lines[r->first].left(r->valueStart);
        if (line.endsWith(':'))
            line += '\t';
        // A value continued over several lines becomes one line.
        lines[r->first] = line + value;
        lines.remove(r->first + 1, r->last - r->first);
        return;
    }
    const std::optional<Resource> programs = find(lines, "programs");
    const int before = programs ? programs->first : int(lines.size());
    lines.insert(before, QByteArray(name) + ':' + (qstrlen(name) < 7 ? "\t\t" : "\t") + value);
}

QByteArray entryLine(const QString& saverName, const QString& command)
{
    return "\t\t\t\t\"" + resourceText(saverName) + "\"  " + resourceText(command) +
           "\t\t    \\n\\";
}

// Adds `entry` as the last hack of the list and returns its number. Where
// the list ends on a line without a continuation, the new line goes before
// that line when that keeps every entry whole; otherwise the last line gets
// the separator and continuation it lacks. `atEnd` tells whether lines were
// added at the end of the file.
int appendEntry(Lines& lines, const Resource& programs, const std::vector<Entry>& list,
                const QByteArray& entry, bool* atEnd)
{
    // The last line that carries anything is where the list ends.
    int anchor = programs.first;
    for (int i = programs.first; i <= programs.last; ++i)
        if (!isBlank(valuePart(lines, programs, i)))
            anchor = i;
    if (!continues(lines[anchor]) && anchor > programs.first &&
        withoutContinuation(lines[anchor - 1]).trimmed().endsWith(kEntrySeparator)) {
        lines.insert(anchor, entry);
        int before = 0;
        for (const Entry& e : list)
            before += e.line < anchor ? 1 : 0;
        return before;
    }
    QByteArray& line = lines[anchor];
    QByteArray body = withoutContinuation(line);
    const QByteArray value = valuePart(lines, programs, anchor).trimmed();
    if (!value.isEmpty() && !value.endsWith(kEntrySeparator))
        body += (body.endsWith(' ') || body.endsWith('\t') ? "" : " ") + kEntrySeparator;
    line = body + '\\';
    lines.insert(anchor + 1, entry);
    // Our line continues: a resource right after it would be read as part
    // of the list.
    if (anchor + 2 >= lines.size() || !isBlank(lines[anchor + 2]))
        lines.insert(anchor + 2, QByteArray());
    if (anchor + 3 >= lines.size())
        *atEnd = true;
    return int(list.size());
}

} // namespace

QString xscreensaverCommand(const QString& saverPath)
{
    return shellQuote(saverPath) + QStringLiteral(" -root");
}

XScreenSaverSelection selectInXScreenSaverFile(const QByteArray& original,
                                               const QString& saverPath,
                                               const QString& saverName)
{
    const bool fresh = isBlank(original);
    Lines lines;
    bool endsWithNewline = true;
    if (!fresh) {
        lines = original.split('\n');
        endsWithNewline = original.endsWith('\n');
        if (endsWithNewline)
            lines.removeLast();
    } else {
        lines << "# XScreenSaver Preferences File"
              << "# Written by Kelvra Saver; XScreenSaver's settings program may rewrite it."
              << "";
    }

    const QByteArray quotedPath = resourceText(shellQuote(saverPath));
    const QByteArray entry = entryLine(saverName, xscreensaverCommand(saverPath));
    XScreenSaverSelection result;

    if (const std::optional<Resource> programs = find(lines, "programs")) {
        const std::vector<Entry> list = entries(lines, *programs);
        for (int i = 0; i < int(list.size()); ++i) {
            if (!list[i].text.contains(quotedPath))
                continue;
            result.selected = i;
            // Ours, marked disabled: only that mark goes, and only when the
            // line holds nothing else.
            QByteArray& line = lines[list[i].line];
            const qsizetype dash = line.indexOf('-');
            const bool alone = (i == 0 || list[i - 1].line != list[i].line) &&
                               (i + 1 == int(list.size()) || list[i + 1].line != list[i].line);
            if (list[i].text.startsWith('-') && alone && dash >= 0 &&
                list[i].line != programs->first)
                line.remove(dash, 1);
            break;
        }
        if (result.selected < 0)
            result.selected = appendEntry(lines, *programs, list, entry, &endsWithNewline);
    } else {
        if (!lines.isEmpty() && !isBlank(lines.last()))
            lines << QByteArray();
        if (fresh)
            lines << "mode:\t\tone" << "selected:\t0" << QByteArray();
        lines << "programs:\t\t\t\t\t\t\t\t      \\" << entry << QByteArray();
        endsWithNewline = true;
        result.selected = 0;
    }

    setSimple(lines, "mode", "one");
    setSimple(lines, "selected", QByteArray::number(result.selected));

    QByteArray out = lines.join('\n');
    if (endsWithNewline)
        out += '\n';
    result.text = out;
    return result;
}

} // namespace desktop
