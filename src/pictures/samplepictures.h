#pragma once
// Drawn pictures for where the user has no picture of their own yet: the
// first two are the old and the new screen of the effect gallery and the
// transitions dialog, busy enough in colour and shape that every effect
// shows its pattern on them; all of them make the sample show of a first
// start. Each scene is drawn for any size, so it is sharp on every screen.

#include <QImage>
#include <QSize>

namespace pictures {

QImage sampleLandscape(QSize size); // blue sky, sun, green ground
QImage sampleDusk(QSize size);      // dusk sky over dark hills
QImage sampleNight(QSize size);     // night sky with moon and stars over a lake
QImage sampleSea(QSize size);       // turquoise sea, sand and a sailing boat
QImage sampleMeadow(QSize size);    // flowers and a tall tree (a portrait picture)

} // namespace pictures
