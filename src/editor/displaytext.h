#pragma once
// The display text's seventeen stored values, without widgets: the keys in
// the order they are read and written, their stored forms, and the style the
// show draws from them.
//
// Stored forms: the text as typed; font size as a decimal number with a "."
// ("24", "10.5"); colours as decimal 0x00BBGGRR; Booleans as "True" and
// "False"; every other value as a decimal integer. The angle is in tenths of
// a degree. Alignment and style codes are those of pictures/textdraw.h.

#include <functional>
#include <utility>
#include <vector>

#include <QSize>
#include <QString>

#include "pictures/textdraw.h"

namespace editor {

struct DisplayTextValues {
    QString text;
    int angle = 0;
    QString fontName;
    double fontSize = 0;
    qint64 forecolor = 0;
    int style = 0;
    int shadowXDepth = 0;
    int shadowYDepth = 0;
    qint64 shadowColor = 0;
    bool bold = false;
    int charset = 0;
    bool italic = false;
    bool strikethrough = false;
    bool underline = false;
    int alignment = 3;
    qint64 hiliteColor = 0;
    bool wordWrap = true;

    bool operator==(const DisplayTextValues&) const = default;
};

// The text dialog's own defaults: the show's drawing defaults, an empty text
// and the show's default alignment (centred at the top).
DisplayTextValues defaultDisplayText();

// The seventeen keys, in the order of the stored table.
const std::vector<QString>& displayTextKeys();

// Reads every value through `read(key, default)`; each default is the
// current value's stored form, and a stored text that is not a value of its
// kind keeps the current value.
using SettingReader = std::function<QString(const QString& key, const QString& defaultValue)>;
DisplayTextValues readDisplayText(const SettingReader& read, const DisplayTextValues& current);

// The seventeen (key, stored text) pairs in the table's order.
std::vector<std::pair<QString, QString>> displayTextSettings(const DisplayTextValues& values);

// The style the drawing code takes.
pictures::TextStyle textStyleOf(const DisplayTextValues& values);

// "24", "10.5": at most two decimals, no trailing zeros, always a ".".
QString fontSizeText(double size);

} // namespace editor

namespace editor {

// The size the show draws a picture of `source` pixels at on a screen of
// `screen` pixels, for the "Zoom Setting" 0 (own size, shrunk to fit), 1
// and 2 (filling the screen): the text is drawn on a picture of this size,
// so the preview does the same to show the text as large as the show will.
QSize showPictureSize(QSize source, QSize screen, int zoomSetting);

} // namespace editor
