#include "creator/namerules.h"

namespace creator {

QString withoutDigits(const QString& typed)
{
    QString kept;
    kept.reserve(typed.size());
    for (const QChar c : typed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            kept.append(c);
    }
    return kept;
}

std::optional<QString> normalisedSaverFileName(const QString& text)
{
    if (text.mid(1, 2) == QLatin1String(":\\"))
        return std::nullopt;
    const QString last4 = text.right(4);
    // A text shorter than ".scr" has no extension to replace: cutting three
    // characters from ".x" would leave a name without one.
    if (!last4.startsWith(QLatin1Char('.')) || text.size() < 4)
        return text + QLatin1String(".scr");
    if (last4 != QLatin1String(".scr"))
        return text.left(text.size() - 3) + QLatin1String("scr");
    return text;
}

QString saverTitle(const QString& fileName)
{
    return fileName.left(qMax(0, int(fileName.size()) - 4));
}

} // namespace creator
