#include "store/ini.h"

#include "store/atomicfile.h"
#include "store/inidocument.h"

namespace store {

namespace {

// The reader's buffer held 255 characters including the terminating zero;
// callers and stored files rely on values being cut to this length.
constexpr qsizetype kMaxValueLength = 254;

} // namespace

QVariant INI::ReadINI(const QString& Section, const QString& Key, const QVariant& Default) const
{
    if (m_path.isEmpty())
        return Default;
    QByteArray data;
    if (readWholeFile(m_path, &data) != ReadStatus::Ok)
        return Default;
    const std::optional<QString> value = IniDocument::fromBytes(data).value(Section, Key);
    if (!value || value->isEmpty())
        return Default;
    return value->left(kMaxValueLength);
}

void INI::WriteINI(const QString& Section, const QString& Key, const QString& Text)
{
    // A name that could not be read back (a key with "=", a section with
    // "]", a line break that would spill into the following lines) drops
    // the write, like any other failed write, rather than damage the file.
    // Surrounding blanks are not part of a name.
    const QString section = Section.trimmed();
    const QString key = Key.trimmed();
    if (m_path.isEmpty() || !IniDocument::isStorableSection(section) ||
        !IniDocument::isStorableKey(key))
        return;
    updateFileLocked(m_path, [&](QByteArray& data) {
        IniDocument doc = IniDocument::fromBytes(data);
        doc.setValue(section, key, Text);
        data = doc.toBytes();
        return true;
    });
}

} // namespace store
