#include "pictures/samplepictures.h"

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
