#pragma once
// Small number rules of the show: how setting texts become numbers, the
// rounding of the placement maths, the item interval.

#include <QString>

namespace show {

// The number at the start of a setting's text, read the way the stored
// settings have always been read: leading blanks, an optional sign, digits,
// an optional "." and fraction; anything else ends the number. No number
// gives 0.
double leadingValue(const QString& text);

// Nearest integer, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
long long nearest(double x);

// Half of a whole number, truncating toward zero (-7 gives -3).
inline long long half(long long x)
{
    return x / 2;
}

// The item interval in milliseconds from the "Screen Saver Timeout" text:
// the text with "000" appended, read as a number ("5" gives 5000). 0 means
// the item timer never fires. Clamped to what a timer can take.
int itemIntervalMs(const QString& timeoutText);

} // namespace show
