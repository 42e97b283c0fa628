#include "show/showrules.h"

#include <climits>
#include <cmath>

namespace show {

double leadingValue(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    QString number;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        number += text[i++];
    bool dot = false;
    bool digits = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            number += c;
            digits = true;
        } else if (c == u'.' && !dot) {
            number += c;
            dot = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

long long nearest(double x)
{
    if (!std::isfinite(x))
        return 0;
    if (x >= 9.2e18)
        return LLONG_MAX;
    if (x <= -9.2e18)
        return LLONG_MIN;
    const double floor = std::floor(x);
    const double diff = x - floor;
    long long result = static_cast<long long>(floor);
    if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0)))
        ++result;
    return result;
}

int itemIntervalMs(const QString& timeoutText)
{
    const long long ms = nearest(leadingValue(timeoutText + QStringLiteral("000")));
    if (ms <= 0)
        return 0;
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

} // namespace show
