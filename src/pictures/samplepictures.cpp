#include "pictures/samplepictures.h"

#include <cmath>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pictures {

QImage sampleLandscape(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(1, QColor(150, 200, 240));
    p.fillRect(img.rect(), sky);
    p.setBrush(QColor(30, 110, 50));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(0, size.height() * 0.7, size.width(), size.height() * 0.3));
    p.setBrush(QColor(250, 240, 200));
    p.drawEllipse(QPointF(size.width() * 0.25, size.height() * 0.3), size.height() * 0.12,
                  size.height() * 0.12);
    return img;
}

QImage sampleDusk(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient dusk(0, 0, 0, size.height());
    dusk.setColorAt(0, QColor(70, 20, 90));
    dusk.setColorAt(0.6, QColor(240, 120, 40));
    dusk.setColorAt(1, QColor(250, 200, 80));
    p.fillRect(img.rect(), dusk);
    QPainterPath hills;
    hills.moveTo(0, size.height());
    hills.lineTo(0, size.height() * 0.75);
    hills.lineTo(size.width() * 0.35, size.height() * 0.45);
    hills.lineTo(size.width() * 0.6, size.height() * 0.7);
    hills.lineTo(size.width() * 0.8, size.height() * 0.5);
    hills.lineTo(size.width(), size.height() * 0.65);
    hills.lineTo(size.width(), size.height());
    p.fillPath(hills, QColor(30, 20, 40));
    return img;
}

} // namespace pictures

namespace pictures {

namespace {

// Deterministic positions for stars and flowers: the same picture every run.
// A band filled top to bottom from one colour to another.
void verticalBand(QPainter& p, const QRectF& band, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(0, band.top(), 0, band.bottom());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(band, g);
}

quint32 nextRandom(quint32& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

} // namespace

QImage sampleNight(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    verticalBand(p, QRectF(0, 0, w, h * 0.7), QColor(5, 8, 30), QColor(30, 40, 90));
    quint32 seed = 7;
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 160; ++i) {
        const qreal x = nextRandom(seed) % 10000 / 10000.0 * w;
        const qreal y = nextRandom(seed) % 10000 / 10000.0 * h * 0.65;
        const qreal r = 0.6 + nextRandom(seed) % 100 / 60.0;
        p.setBrush(QColor(255, 255, 230, 120 + int(nextRandom(seed) % 135)));
        p.drawEllipse(QPointF(x, y), r, r);
    }
    const QPointF moon(w * 0.72, h * 0.22);
    const qreal mr = h * 0.09;
    p.setBrush(QColor(245, 240, 210));
    p.drawEllipse(moon, mr, mr);
    p.setBrush(QColor(15, 20, 50));
    p.drawEllipse(moon + QPointF(mr * 0.45, -mr * 0.2), mr * 0.85, mr * 0.85);
    // The lake, with the moon's light on it.
    verticalBand(p, QRectF(0, h * 0.7, w, h * 0.3), QColor(20, 30, 70), QColor(5, 8, 25));
    for (int i = 0; i < 8; ++i) {
        const qreal y = h * (0.73 + i * 0.03);
        p.setBrush(QColor(245, 240, 210, 150 - i * 15));
        p.drawRect(QRectF(moon.x() - mr * (1.2 - i * 0.1), y, mr * (2.4 - i * 0.2), h * 0.006));
    }
    QPainterPath shore;
    shore.moveTo(0, h * 0.7);
    shore.lineTo(w * 0.15, h * 0.6);
    shore.lineTo(w * 0.3, h * 0.7);
    shore.closeSubpath();
    p.fillPath(shore, QColor(8, 10, 20));
    return img;
}

QImage sampleSea(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    verticalBand(p, QRectF(0, 0, w, h * 0.5), QColor(110, 190, 240), QColor(220, 240, 250));
    // The sea reaches under the sand, whose edge curves.
    verticalBand(p, QRectF(0, h * 0.5, w, h * 0.5), QColor(20, 120, 160), QColor(60, 200, 190));
    p.setPen(Qt::NoPen);
    QPainterPath sand;
    sand.moveTo(0, h);
    sand.lineTo(0, h * 0.82);
    sand.cubicTo(w * 0.3, h * 0.76, w * 0.6, h * 0.86, w, h * 0.8);
    sand.lineTo(w, h);
    sand.closeSubpath();
    p.fillPath(sand, QColor(235, 210, 150));
    // Clouds.
    p.setBrush(QColor(255, 255, 255, 220));
    for (const QPointF& c : {QPointF(0.2, 0.15), QPointF(0.6, 0.1), QPointF(0.85, 0.22)}) {
        const QPointF at(c.x() * w, c.y() * h);
        p.drawEllipse(at, w * 0.06, h * 0.035);
        p.drawEllipse(at + QPointF(w * 0.04, -h * 0.02), w * 0.045, h * 0.035);
        p.drawEllipse(at + QPointF(-w * 0.04, h * 0.005), w * 0.04, h * 0.025);
    }
    // A boat with a red sail.
    const QPointF hull(w * 0.62, h * 0.6);
    QPainterPath boat;
    boat.moveTo(hull + QPointF(-w * 0.06, 0));
    boat.lineTo(hull + QPointF(w * 0.06, 0));
    boat.lineTo(hull + QPointF(w * 0.045, h * 0.03));
    boat.lineTo(hull + QPointF(-w * 0.045, h * 0.03));
    boat.closeSubpath();
    p.fillPath(boat, QColor(90, 50, 30));
    QPainterPath sail;
    sail.moveTo(hull + QPointF(0, -h * 0.005));
    sail.lineTo(hull + QPointF(0, -h * 0.2));
    sail.lineTo(hull + QPointF(w * 0.05, -h * 0.005));
    sail.closeSubpath();
    p.fillPath(sail, QColor(220, 60, 50));
    p.setBrush(QColor(255, 230, 120));
    p.drawEllipse(QPointF(w * 0.88, h * 0.12), h * 0.06, h * 0.06);
    return img;
}

QImage sampleMeadow(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    verticalBand(p, QRectF(0, 0, w, h * 0.55), QColor(250, 190, 200), QColor(255, 235, 200));
    verticalBand(p, QRectF(0, h * 0.55, w, h * 0.45), QColor(120, 180, 70), QColor(40, 110, 40));
    p.setPen(Qt::NoPen);
    // The tree: trunk and a crown of overlapping circles.
    p.setBrush(QColor(100, 65, 40));
    p.drawRect(QRectF(w * 0.46, h * 0.3, w * 0.08, h * 0.32));
    p.setBrush(QColor(40, 130, 60));
    const qreal r = w * 0.2;
    for (const QPointF& c : {QPointF(0.5, 0.22), QPointF(0.35, 0.3), QPointF(0.65, 0.3),
                             QPointF(0.42, 0.14), QPointF(0.58, 0.14)})
        p.drawEllipse(QPointF(c.x() * w, c.y() * h), r, r);
    quint32 seed = 3;
    const QColor petals[] = {QColor(240, 80, 120), QColor(250, 220, 60), QColor(250, 250, 250),
                             QColor(150, 90, 220)};
    for (int i = 0; i < 90; ++i) {
        const qreal y = h * (0.62 + nextRandom(seed) % 1000 / 1000.0 * 0.36);
        const qreal x = nextRandom(seed) % 1000 / 1000.0 * w;
        const qreal s = w * (0.008 + (y / h - 0.6) * 0.03);
        p.setBrush(petals[nextRandom(seed) % 4]);
        for (int k = 0; k < 5; ++k) {
            const qreal a = k * 2 * M_PI / 5;
            p.drawEllipse(QPointF(x + std::cos(a) * s, y + std::sin(a) * s), s * 0.7, s * 0.7);
        }
        p.setBrush(QColor(250, 200, 40));
        p.drawEllipse(QPointF(x, y), s * 0.5, s * 0.5);
    }
    return img;
}

} // namespace pictures
