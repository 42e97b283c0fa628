#include "store/settings.h"

#include <algorithm>
#include <optional>

#include <QDir>

#include "store/atomicfile.h"
#include "store/inidocument.h"
#include "store/messages.h"

namespace store {

namespace {

enum class Failure { GetSetting, ReadValue, Save, DeleteValue, DeleteKey };

bool report(Failure failure, bool quiet)
{
    if (quiet)
        return false;
    MsgOptions options;
    options.icon = MsgIcon::Exclamation;
    options.systemModal = failure != Failure::GetSetting;
    QString text;
    switch (failure) {
    case Failure::GetSetting:
        text = QStringLiteral("An error occurred attempting to read \n"
                              "a setting from the Windows Registry.");
        break;
    case Failure::ReadValue:
        text = QStringLiteral("An error occurred attempting to read "
                              "a setting from the Windows Registry.");
        break;
    case Failure::Save:
        text = QStringLiteral("An error occurred attempting to save "
                              "a setting to the Windows Registry.");
        break;
    case Failure::DeleteValue:
        text = QStringLiteral("An error occurred attempting to delete "
                              "a setting from the Windows Registry.");
        break;
    case Failure::DeleteKey:
        text = QStringLiteral("An error occurred attempting to delete "
                              "a key from the Windows Registry.");
        break;
    }
    messageBox(text, options);
    return false;
}

QString storeFile(RootKey root)
{
    const char* name = root == RootKey::ClassesRoot ? "HKEY_CLASSES_ROOT.ini"
                                                    : "HKEY_CURRENT_USER.ini";
    return settingsDir() + QLatin1Char('/') + QLatin1String(name);
}

// Registry paths tolerate doubled, leading and trailing backslashes.
QString normalizedKeyPath(const QString& keyPath)
{
    return keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

// Values may hold line breaks (the display text) and surrounding blanks,
// which the file format cannot carry as they are.
QString escapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char(' ') && (i == 0 || i == value.size() - 1))
            out += QLatin1String("\\s");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
}

// Unknown escapes are kept as written, so a hand-edited "C:\path" survives.
QString unescapeValue(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\') || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[i + 1];
        bool hexOk = false;
        switch (next.unicode()) {
        case '\\':
            out += QLatin1Char('\\');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'x': {
            const bool twoDigits = i + 3 < text.size() && isHexDigit(text[i + 2]) &&
                                   isHexDigit(text[i + 3]);
            const ushort code = twoDigits ? text.mid(i + 2, 2).toUShort(&hexOk, 16) : 0;
            if (hexOk) {
                out += QChar(code);
                i += 2;
            } else {
                out += c;
                continue; // the "x" is copied as an ordinary character
            }
            break;
        }
        default:
            out += c;
            continue;
        }
        ++i;
    }
    return out;
}

// The stored text of the value, or nothing when the file, the key or the
// value is missing or the file cannot be read.
std::optional<QString> lookup(RootKey root, const QString& keyPath, const QString& name)
{
    QByteArray data;
    if (readWholeFile(storeFile(root), &data) != ReadStatus::Ok)
        return std::nullopt;
    const std::optional<QString> stored =
        IniDocument::fromBytes(data).value(normalizedKeyPath(keyPath), name);
    if (!stored)
        return std::nullopt;
    return unescapeValue(*stored);
}

// Runs `change` on the root's document under the store's lock; false when
// the change declines or the store cannot be written.
bool update(RootKey root, const std::function<bool(IniDocument&)>& change)
{
    if (!QDir().mkpath(settingsDir()))
        return false;
    const auto apply = [&](QByteArray& data) {
        IniDocument doc = IniDocument::fromBytes(data);
        if (!change(doc))
            return false;
        data = doc.toBytes();
        return true;
    };
    // The store's folder is ours alone: leftovers of killed writers may go.
    return updateFileLocked(storeFile(root), apply, true);
}

int depth(const QString& keyPath)
{
    return int(keyPath.count(QLatin1Char('\\')));
}

} // namespace

QString programKeyPath()
{
    return QStringLiteral("Software\\ZEM Vazidorezod\\") + QLatin1String(kProgramTitle);
}

QString settingsDir()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config))
        config = QDir::homePath() + QLatin1String("/.config");
    return QDir::cleanPath(config) + QLatin1String("/kelvra-saver");
}

QString getSetting(const QString& name, const QString& defaultValue, bool quiet)
{
    const std::optional<QString> value = lookup(RootKey::CurrentUser, programKeyPath(), name);
    if (!value) {
        report(Failure::GetSetting, quiet);
        return defaultValue;
    }
    return *value;
}

bool saveSetting(const QString& name, const QString& value, bool quiet)
{
    return saveValue(RootKey::CurrentUser, programKeyPath(), name, value, quiet);
}

QString readValue(RootKey root, const QString& keyPath, const QString& name,
                  const QString& defaultValue, bool quiet)
{
    const std::optional<QString> value = lookup(root, keyPath, name);
    if (!value) {
        report(Failure::ReadValue, quiet);
        return defaultValue;
    }
    return value->isEmpty() ? defaultValue : *value;
}

bool saveValue(RootKey root, const QString& keyPath, const QString& name, const QString& value,
               bool quiet)
{
    const QString section = normalizedKeyPath(keyPath);
    if (!IniDocument::isStorableSection(section) || !IniDocument::isStorableKey(name))
        return report(Failure::Save, quiet);
    const bool saved = update(root, [&](IniDocument& doc) {
        doc.setValue(section, name, escapeValue(value));
        return true;
    });
    return saved || report(Failure::Save, quiet);
}

bool deleteValue(RootKey root, const QString& keyPath, const QString& name, bool quiet)
{
    const QString section = normalizedKeyPath(keyPath);
    const bool deleted =
        update(root, [&](IniDocument& doc) { return doc.removeValue(section, name); });
    return deleted || report(Failure::DeleteValue, quiet);
}

bool deleteKey(RootKey root, const QString& keyPath, bool quiet)
{
    const QString key = normalizedKeyPath(keyPath);
    // The key and its subkeys go in one replacement of the file, deepest
    // first, so a failure leaves every one of them in place.
    const bool deleted = !key.isEmpty() && update(root, [&](IniDocument& doc) {
        const QString below = key + QLatin1Char('\\');
        QStringList doomed;
        for (const QString& section : doc.sectionNames()) {
            if (section.compare(key, Qt::CaseInsensitive) == 0 ||
                section.startsWith(below, Qt::CaseInsensitive))
                doomed.append(section);
        }
        if (doomed.isEmpty())
            return false;
        std::stable_sort(doomed.begin(), doomed.end(), [](const QString& a, const QString& b) {
            return depth(a) > depth(b);
        });
        for (const QString& section : doomed)
            doc.removeSection(section);
        return true;
    });
    return deleted || report(Failure::DeleteKey, quiet);
}

} // namespace store
