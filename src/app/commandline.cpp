#include "app/commandline.h"

#include <cmath>
#include <limits>

#include <QFileInfo>

namespace app {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// A double as a 32-bit integer, truncated toward zero; out of range gives 0.
std::int32_t truncateTo32(double v)
{
    if (!std::isfinite(v))
        return 0;
    const double t = std::trunc(v);
    if (t < double(std::numeric_limits<std::int32_t>::min()) ||
        t > double(std::numeric_limits<std::int32_t>::max()))
        return 0;
    return static_cast<std::int32_t>(t);
}

int digitValue(QChar c, int base)
{
    int d = -1;
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        d = u - u'0';
    else if (u >= u'a' && u <= u'z')
        d = u - u'a' + 10;
    else if (u >= u'A' && u <= u'Z')
        d = u - u'A' + 10;
    return d < base ? d : -1;
}

} // namespace

QString commandText(const QString& text)
{
    return text.trimmed().toLower();
}

std::optional<double> numericValue(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    qsizetype end = n;
    while (end > i && isBlank(text[end - 1]))
        --end;
    if (i >= end)
        return std::nullopt;

    // "&H1F" and "&O17"
    if (text[i] == u'&' && end - i >= 3) {
        const QChar kind = text[i + 1].toLower();
        const int base = kind == u'h' ? 16 : kind == u'o' ? 8 : 0;
        if (base == 0)
            return std::nullopt;
        double v = 0;
        for (qsizetype k = i + 2; k < end; ++k) {
            const int d = digitValue(text[k], base);
            if (d < 0)
                return std::nullopt;
            v = v * base + d;
        }
        return v;
    }

    // The decimal form is checked here and converted by the C library, which
    // reads exactly this grammar once "d" exponents are written as "e".
    QString number;
    qsizetype k = i;
    if (text[k] == u'+' || text[k] == u'-')
        number += text[k++];
    int digits = 0;
    while (k < end && text[k].isDigit() && text[k].unicode() < 128) {
        number += text[k++];
        ++digits;
    }
    if (k < end && text[k] == u'.') {
        number += text[k++];
        while (k < end && text[k].isDigit() && text[k].unicode() < 128) {
            number += text[k++];
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (k < end && (text[k].toLower() == u'e' || text[k].toLower() == u'd')) {
        number += u'e';
        ++k;
        if (k < end && (text[k] == u'+' || text[k] == u'-'))
            number += text[k++];
        int expDigits = 0;
        while (k < end && text[k].isDigit() && text[k].unicode() < 128) {
            number += text[k++];
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (k != end)
        return std::nullopt;
    bool ok = false;
    const double v = number.toDouble(&ok); // QString::toDouble is locale-independent
    if (!ok && !number.contains(u'e'))
        return std::nullopt;
    // An exponent too large overflows to infinity, which is still "numeric".
    return ok ? v : std::numeric_limits<double>::infinity();
}

std::int32_t trailingNumber(const QString& text)
{
    const QString t = text.trimmed();
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (const auto v = numericValue(t.mid(i)))
            return truncateTo32(*v);
    }
    return 0;
}

std::int32_t leadingNumber(const QString& text)
{
    // Val() ignores blanks anywhere in the number, so "1 2" reads as 12.
    QString compact;
    for (QChar c : text) {
        if (!isBlank(c) && c != u'\n' && c != u'\r')
            compact += c;
    }
    qsizetype k = 0;
    QString number;
    if (k < compact.size() && (compact[k] == u'+' || compact[k] == u'-'))
        number += compact[k++];
    int digits = 0;
    while (k < compact.size() && compact[k].isDigit() && compact[k].unicode() < 128) {
        number += compact[k++];
        ++digits;
    }
    if (k < compact.size() && compact[k] == u'.') {
        number += compact[k++];
        while (k < compact.size() && compact[k].isDigit() && compact[k].unicode() < 128) {
            number += compact[k++];
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    return truncateTo32(number.toDouble());
}

std::optional<std::uint32_t> parseXWindowId(const QString& text)
{
    const QString t = text.trimmed().toLower();
    bool ok = false;
    qulonglong v = 0;
    if (t.startsWith(u"0x"))
        v = t.mid(2).toULongLong(&ok, 16);
    else if (!t.isEmpty() && t[0].isDigit())
        v = t.toULongLong(&ok, 10);
    if (!ok || v > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

std::uint32_t previewWindowId(const QString& commandText)
{
    // X tools print window ids in hex; the trailing-number rule would read
    // "0x1c00007" as 7, which is a different window.
    QString rest = commandText.mid(2);
    while (!rest.isEmpty() && (isBlank(rest[0]) || rest[0] == u':'))
        rest.remove(0, 1);
    if (rest.startsWith(u"0x")) {
        if (const auto hex = parseXWindowId(rest))
            return *hex;
    }
    const std::int32_t n = trailingNumber(commandText);
    return n > 0 ? static_cast<std::uint32_t>(n) : 0;
}

Mode parseCommandLine(const QStringList& args, const QString& xscreensaverWindow)
{
    Mode mode;
    mode.args = args;
    mode.rawText = args.join(u' ').trimmed();
    mode.commandText = commandText(mode.rawText);

    const std::optional<std::uint32_t> hostWindow = parseXWindowId(xscreensaverWindow);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i].trimmed().toLower();
        if (a == u"-window-id" || a == u"--window-id") {
            mode.kind = ModeKind::Host;
            const auto id = i + 1 < args.size() ? parseXWindowId(args[i + 1]) : std::nullopt;
            mode.windowId = id.value_or(0);
            return mode;
        }
    }
    for (const QString& arg : args) {
        const QString a = arg.trimmed().toLower();
        if (a == u"-root" || a == u"--root") {
            mode.kind = ModeKind::Host;
            mode.windowId = hostWindow.value_or(0);
            mode.rootWindow = !hostWindow;
            return mode;
        }
    }
    if (mode.rawText.isEmpty() && hostWindow) {
        mode.kind = ModeKind::Host;
        mode.windowId = *hostWindow;
        return mode;
    }

    if (args.size() == 1 && QFileInfo(args[0]).isFile()) {
        mode.kind = ModeKind::Config;
        mode.projectPath = QFileInfo(args[0]).absoluteFilePath();
        return mode;
    }

    const QString sw = mode.commandText.left(2);
    if (sw == u"/p") {
        mode.kind = ModeKind::Preview;
        mode.windowId = previewWindowId(mode.commandText);
    } else if (sw == u"/a") {
        mode.kind = ModeKind::Password;
        mode.windowId = static_cast<std::uint32_t>(leadingNumber(mode.commandText.mid(2)));
    } else if (sw == u"/s") {
        mode.kind = ModeKind::Show;
    } else {
        mode.kind = ModeKind::Config;
        // As the editor reads it: text not starting with a switch is a
        // project path, maybe quoted.
        QString path = mode.rawText;
        if (!path.isEmpty() && path[0] != u'/' && path[0] != u'-') {
            if (path.startsWith(u'"'))
                path.remove(0, 1);
            if (path.endsWith(u'"'))
                path.chop(1);
            if (!path.isEmpty())
                mode.projectPath = QFileInfo(path).absoluteFilePath();
        }
    }
    return mode;
}

bool hostWindowIsPreview(QSize host, const QList<QSize>& screens)
{
    if (screens.isEmpty())
        return false;
    for (const QSize& screen : screens)
        if (host.width() >= screen.width() && host.height() >= screen.height())
            return false;
    return true;
}

} // namespace app
