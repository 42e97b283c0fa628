#include "store/inidocument.h"

#include <QStringDecoder>

namespace store {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// UTF-8, or for text that is not valid UTF-8 (a file from an 8-bit code
// page) Latin-1, so such names and values still read as the letters meant.
QString decode(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

IniDocument IniDocument::fromBytes(const QByteArray& data)
{
    IniDocument doc;
    QByteArrayView rest(data);
    if (rest.startsWith(kBom)) {
        doc.m_bom = true;
        rest = rest.sliced(kBom.size());
    }
    bool first = true;
    while (!rest.isEmpty()) {
        qsizetype end = rest.indexOf('\n');
        QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (line.endsWith('\r')) {
            line.chop(1);
            if (first)
                doc.m_crlf = true;
        }
        first = false;
        doc.m_lines.append(parseLine(line.toByteArray()));
    }
    return doc;
}

QByteArray IniDocument::toBytes() const
{
    const QByteArray eol = m_crlf ? QByteArray("\r\n") : QByteArray("\n");
    QByteArray out;
    if (m_bom)
        out += kBom;
    for (const Line& line : m_lines) {
        out += line.raw;
        out += eol;
    }
    return out;
}

IniDocument::Line IniDocument::parseLine(const QByteArray& raw)
{
    Line line;
    line.raw = raw;
    if (raw.size() > kMaxLineLength)
        return line;
    const QByteArray text = raw.trimmed();
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close < 0) {
            line.kind = Kind::BadSection;
        } else {
            line.kind = Kind::Section;
            line.name = decode(text.mid(1, close - 1)).trimmed();
        }
        return line;
    }
    if (text.startsWith(';') || text.startsWith('#'))
        return line;
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return line;
    line.kind = Kind::Entry;
    line.name = decode(text.first(eq)).trimmed();
    return line;
}

QByteArray IniDocument::entryLine(const QString& key, const QString& value)
{
    return (oneLine(key).trimmed() + QLatin1Char('=') + oneLine(value)).toUtf8();
}

bool IniDocument::isStorableKey(const QString& key)
{
    return key == oneLine(key) && key == key.trimmed() && !key.contains(QLatin1Char('=')) &&
           !key.startsWith(QLatin1Char('[')) && !key.startsWith(QLatin1Char(';')) &&
           !key.startsWith(QLatin1Char('#'));
}

bool IniDocument::isStorableSection(const QString& section)
{
    return section == oneLine(section) && section == section.trimmed() &&
           !section.contains(QLatin1Char(']'));
}

qsizetype IniDocument::findSection(const QString& section) const
{
    const QString wanted = section.trimmed();
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && sameName(m_lines[i].name, wanted))
            return i;
    }
    return -1;
}

qsizetype IniDocument::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != Kind::Section &&
           m_lines[i].kind != Kind::BadSection)
        ++i;
    return i;
}

qsizetype IniDocument::findEntry(qsizetype header, const QString& key) const
{
    const QString wanted = key.trimmed();
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Entry && sameName(m_lines[i].name, wanted))
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const qsizetype entry = findEntry(header, key);
    if (entry < 0)
        return std::nullopt;
    const QByteArray& raw = m_lines[entry].raw;
    return decode(QByteArrayView(raw).sliced(raw.indexOf('=') + 1)).trimmed();
}

bool IniDocument::hasSection(const QString& section) const
{
    return findSection(section) >= 0;
}

QStringList IniDocument::sectionNames() const
{
    QStringList names;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section)
            names.append(line.name);
    }
    return names;
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    Line entry;
    entry.kind = Kind::Entry;
    entry.raw = entryLine(key, value);
    entry.name = oneLine(key).trimmed();

    const qsizetype header = findSection(oneLine(section));
    if (header < 0) {
        Line head;
        head.kind = Kind::Section;
        head.name = oneLine(section).trimmed();
        head.raw = (QLatin1Char('[') + head.name + QLatin1Char(']')).toUtf8();
        // Sections are kept apart by a blank line, as people write them.
        if (!m_lines.isEmpty() && !m_lines.last().raw.trimmed().isEmpty())
            m_lines.append(Line{});
        m_lines.append(head);
        m_lines.append(entry);
        return;
    }
    const qsizetype existing = findEntry(header, entry.name);
    if (existing >= 0) {
        m_lines[existing] = entry;
        return;
    }
    // After the section's last entry, so that blank lines and comments that
    // separate it from the next section stay where they are.
    qsizetype at = header + 1;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Entry)
            at = i + 1;
    }
    m_lines.insert(at, entry);
}

bool IniDocument::removeValue(const QString& section, const QString& key)
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return false;
    const qsizetype entry = findEntry(header, key);
    if (entry < 0)
        return false;
    m_lines.removeAt(entry);
    return true;
}

bool IniDocument::removeSection(const QString& section)
{
    bool removed = false;
    for (qsizetype header = findSection(section); header >= 0; header = findSection(section)) {
        m_lines.remove(header, sectionEnd(header) - header);
        removed = true;
    }
    return removed;
}

} // namespace store
