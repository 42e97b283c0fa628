#include "runtime/settingsrules.h"

namespace runtime {

bool intervalKeyAllowed(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 1 && u <= 26) || QStringLiteral("0123456789.").contains(c);
}

bool intervalAccepted(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && value <= 65;
}

QByteArray acceptedListText(const QString& interval, const QStringList& paths)
{
    QByteArray text = interval.toUtf8() + "\r\n" + QByteArray::number(paths.size()) + "\r\n";
    for (const QString& p : paths)
        text += p.toUtf8() + "\r\n";
    return text;
}

int lastSelectedRow(const QVector<bool>& selected)
{
    int last = -1;
    for (int i = 0; i < selected.size(); ++i) {
        if (selected[i])
            last = i;
    }
    return last;
}

FileMenuState fileMenuState(int count, bool currentSelected, const QString& activeSaver,
                            const QString& thisSaver)
{
    FileMenuState s;
    s.testSaver = count > 0;
    s.wallpaper = count > 0 && currentSelected;
    s.setActive = activeSaver.compare(thisSaver, Qt::CaseInsensitive) != 0;
    return s;
}

} // namespace runtime
