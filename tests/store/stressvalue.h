#pragma once
// Values written by the store stress test: each one names its writer and
// iteration and carries a checksum, so a torn or mixed-up value is caught.

#include <QString>
#include <QStringList>

namespace storetest {

inline QString stressChecksum(const QString& writer, int iteration, int padding)
{
    return QString::number(qChecksum(QStringLiteral("%1/%2/%3")
                                         .arg(writer)
                                         .arg(iteration)
                                         .arg(padding)
                                         .toUtf8()));
}

// "<writer>:<iteration>:<checksum>" followed by a CR LF and a run of "x" of a
// length that varies with the iteration.
inline QString stressValue(const QString& writer, int iteration)
{
    const int padding = (iteration * 37) % 300;
    return QStringLiteral("%1:%2:%3\r\n%4")
        .arg(writer)
        .arg(iteration)
        .arg(stressChecksum(writer, iteration, padding))
        .arg(QString(padding, QLatin1Char('x')));
}

// The iteration of a well-formed value, or -1.
inline int stressIteration(const QString& value, QString* writer = nullptr)
{
    const qsizetype br = value.indexOf(QLatin1String("\r\n"));
    if (br < 0)
        return -1;
    const QStringList head = value.left(br).split(QLatin1Char(':'));
    if (head.size() != 3)
        return -1;
    bool ok = false;
    const int iteration = head[1].toInt(&ok);
    if (!ok || value != stressValue(head[0], iteration))
        return -1;
    if (writer)
        *writer = head[0];
    return iteration;
}

inline QString ownKey(const QString& writer, int k)
{
    return QStringLiteral("own %1 %2").arg(writer).arg(k);
}

inline QString sharedKey(int k)
{
    return QStringLiteral("Shared %1").arg(k);
}

} // namespace storetest
