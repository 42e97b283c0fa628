#pragma once
// Initialization files: [Section] headers and Key=Value lines, section and key
// names compared without regard to case. Reads are cut to 254 characters;
// writes replace the file atomically.

#include <QString>
#include <QVariant>

namespace store {

class INI {
public:
    QString INIfile() const { return m_path; }
    void setINIfile(const QString& vNewValue) { m_path = vNewValue; }

    // The value's text, or Default unchanged (with its own type) when the
    // file, section or key is missing or the value is empty.
    QVariant ReadINI(const QString& Section, const QString& Key, const QVariant& Default) const;
    void WriteINI(const QString& Section, const QString& Key, const QString& Text);

private:
    QString m_path;
};

} // namespace store
