#pragma once
// An initialization file held in memory: "[Section]" headers and "Key=Value"
// lines. Both the INI class and the settings store read and write through it.
//
// Reading is tolerant: whatever does not make sense (binary garbage, a "["
// line without "]", lines longer than kMaxLineLength) is skipped for lookups
// but kept byte for byte, so rewriting a file changes only the lines that were
// set or removed. Section and key names are compared without regard to case;
// the first section of a name is the one that counts, as is the first key of
// a name within it. Keys that follow a broken section header belong to no
// section until the next good header.
//
// Text is UTF-8; a name or value that is not valid UTF-8 is read as Latin-1.
// Values are returned and stored as given (trimmed of surrounding blanks);
// callers that need newlines or surrounding blanks encode them themselves.

#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace store {

class IniDocument {
public:
    // Lines longer than this are kept but never parsed.
    static constexpr qsizetype kMaxLineLength = 1 << 20;

    static IniDocument fromBytes(const QByteArray& data);
    QByteArray toBytes() const;

    // The value of the first key named `key` in the first section named
    // `section`, or nothing when either is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    bool hasSection(const QString& section) const;
    // Names of the good sections in file order, duplicates included.
    QStringList sectionNames() const;

    // Replaces the value, or adds the key after the section's last entry,
    // or adds the section at the end of the file. Line breaks in the names or
    // the value are turned into blanks so that they cannot break other lines;
    // a key containing "=" cannot be read back (callers reject it).
    void setValue(const QString& section, const QString& key, const QString& value);
    // Whether a name survives a write and a read back unchanged: no line
    // break, no surrounding blanks, and for a key no "=" and no leading "[",
    // ";" or "#"; for a section no "]".
    static bool isStorableKey(const QString& key);
    static bool isStorableSection(const QString& section);

    // True when a key was removed.
    bool removeValue(const QString& section, const QString& key);
    // Removes every section (all occurrences) with this name and its lines.
    // True when one was removed.
    bool removeSection(const QString& section);

private:
    enum class Kind { Other, Section, BadSection, Entry };
    struct Line {
        Kind kind = Kind::Other;
        QByteArray raw; // without the line break
        QString name;   // section name or key, trimmed
    };

    // Index of the header of the first section named `section`, or -1.
    qsizetype findSection(const QString& section) const;
    // Index of the line after the section whose header is at `header`.
    qsizetype sectionEnd(qsizetype header) const;
    qsizetype findEntry(qsizetype header, const QString& key) const;
    static Line parseLine(const QByteArray& raw);
    static QByteArray entryLine(const QString& key, const QString& value);

    QList<Line> m_lines;
    bool m_crlf = false; // the file's first line ended in CR LF
    bool m_bom = false;  // the file began with a UTF-8 byte order mark
};

} // namespace store
