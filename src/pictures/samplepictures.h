#pragma once
// Two drawn pictures, an old screen and a new one, for showing paint effects
// where the user has no picture of their own yet (the effect gallery, the
// transitions dialog). Both are busy enough in colour and shape that every
// effect shows its pattern on them.

#include <QImage>
#include <QSize>

namespace pictures {

QImage sampleLandscape(QSize size); // blue sky, sun, green ground
QImage sampleDusk(QSize size);      // dusk sky over dark hills

} // namespace pictures
