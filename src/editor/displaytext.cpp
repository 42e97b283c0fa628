#include "editor/displaytext.h"

#include <cmath>

#include "pictures/imageio.h"
#include "pictures/transitions.h"

namespace editor {

namespace {

QString boolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

void readBool(const QString& text, bool& value)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        value = true;
    else if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        value = false;
}

void readInt(const QString& text, int& value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok)
        value = v;
}

void readColor(const QString& text, qint64& value)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (ok && v >= 0 && v <= 0xFFFFFF)
        value = v;
}

} // namespace

DisplayTextValues defaultDisplayText()
{
    const pictures::TextStyle s;
    DisplayTextValues v;
    v.angle = s.angle;
    v.fontName = s.fontName;
    v.fontSize = s.fontSize;
    v.forecolor = pictures::colorToBgr(s.color);
    v.style = s.style;
    v.shadowXDepth = int(s.shadowXDepth);
    v.shadowYDepth = int(s.shadowYDepth);
    v.shadowColor = pictures::colorToBgr(s.shadowColor);
    v.bold = s.bold;
    v.charset = s.charset;
    v.italic = s.italic;
    v.strikethrough = s.strikethrough;
    v.underline = s.underline;
    v.hiliteColor = pictures::colorToBgr(s.highlightColor);
    v.wordWrap = s.wordWrap;
    return v;
}

const std::vector<QString>& displayTextKeys()
{
    static const std::vector<QString> keys = {
        QStringLiteral("Display Text"),
        QStringLiteral("Display Text Angle"),
        QStringLiteral("Display Text Font Name"),
        QStringLiteral("Display Text Font Size"),
        QStringLiteral("Display Text Forecolor"),
        QStringLiteral("Display Text Style"),
        QStringLiteral("Display Text ShadowXDepth"),
        QStringLiteral("Display Text ShadowYDepth"),
        QStringLiteral("Display Text Shadow Color"),
        QStringLiteral("Display Text Bold"),
        QStringLiteral("Display Text Charset"),
        QStringLiteral("Display Text Italic"),
        QStringLiteral("Display Text Strikethrough"),
        QStringLiteral("Display Text Underline"),
        QStringLiteral("Display Text Align"),
        QStringLiteral("Display Text Hilite Color"),
        QStringLiteral("Display Text Wordwrap"),
    };
    return keys;
}

QString fontSizeText(double size)
{
    QString text = QString::number(std::round(size * 100.0) / 100.0, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

std::vector<std::pair<QString, QString>> displayTextSettings(const DisplayTextValues& v)
{
    const std::vector<QString>& k = displayTextKeys();
    return {
        {k[0], v.text},
        {k[1], QString::number(v.angle)},
        {k[2], v.fontName},
        {k[3], fontSizeText(v.fontSize)},
        {k[4], QString::number(v.forecolor)},
        {k[5], QString::number(v.style)},
        {k[6], QString::number(v.shadowXDepth)},
        {k[7], QString::number(v.shadowYDepth)},
        {k[8], QString::number(v.shadowColor)},
        {k[9], boolText(v.bold)},
        {k[10], QString::number(v.charset)},
        {k[11], boolText(v.italic)},
        {k[12], boolText(v.strikethrough)},
        {k[13], boolText(v.underline)},
        {k[14], QString::number(v.alignment)},
        {k[15], QString::number(v.hiliteColor)},
        {k[16], boolText(v.wordWrap)},
    };
}

DisplayTextValues readDisplayText(const SettingReader& read, const DisplayTextValues& current)
{
    DisplayTextValues v = current;
    const std::vector<std::pair<QString, QString>> defaults = displayTextSettings(current);
    auto get = [&](int i) { return read(defaults[i].first, defaults[i].second); };

    v.text = get(0);
    readInt(get(1), v.angle);
    const QString name = get(2).trimmed();
    if (!name.isEmpty())
        v.fontName = name;
    bool ok = false;
    const double size = get(3).trimmed().toDouble(&ok);
    if (ok && size > 0 && std::isfinite(size))
        v.fontSize = size;
    readColor(get(4), v.forecolor);
    readInt(get(5), v.style);
    readInt(get(6), v.shadowXDepth);
    readInt(get(7), v.shadowYDepth);
    readColor(get(8), v.shadowColor);
    readBool(get(9), v.bold);
    readInt(get(10), v.charset);
    readBool(get(11), v.italic);
    readBool(get(12), v.strikethrough);
    readBool(get(13), v.underline);
    readInt(get(14), v.alignment);
    readColor(get(15), v.hiliteColor);
    readBool(get(16), v.wordWrap);
    return v;
}

QSize showPictureSize(QSize source, QSize screen, int zoomSetting)
{
    if (source.isEmpty() || screen.isEmpty())
        return source;
    if (zoomSetting == 0)
        return pictures::fitSize(source, screen);
    return source.scaled(screen, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

pictures::TextStyle textStyleOf(const DisplayTextValues& v)
{
    pictures::TextStyle s;
    s.fontName = v.fontName;
    s.fontSize = v.fontSize;
    s.color = pictures::bgrToColor(v.forecolor);
    s.bold = v.bold;
    s.italic = v.italic;
    s.strikethrough = v.strikethrough;
    s.underline = v.underline;
    s.charset = v.charset;
    s.style = v.style;
    s.highlightColor = pictures::bgrToColor(v.hiliteColor);
    s.angle = v.angle;
    s.shadowXDepth = v.shadowXDepth;
    s.shadowYDepth = v.shadowYDepth;
    s.shadowColor = pictures::bgrToColor(v.shadowColor);
    s.wordWrap = v.wordWrap;
    return s;
}

} // namespace editor
