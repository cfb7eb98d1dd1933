#include "core/utility/Image.h"

#include <QImageReader>
#include <QPainter>
#include <QPen>
#include <QTransform>

namespace ZCore {
namespace UtilityModules {

QPixmap Image::rotatedPixmap(const QString& path, qreal degrees)
{
    return rotatedPixmap(QPixmap(path), degrees);
}

QPixmap Image::rotatedPixmap(const QPixmap& source, qreal degrees)
{
    if (source.isNull())
        return source;
    QTransform transform;
    transform.translate(source.width() / 2.0, source.height() / 2.0);
    transform.rotate(degrees);
    transform.translate(-source.width() / 2.0, -source.height() / 2.0);
    return source.transformed(transform, Qt::SmoothTransformation);
}

void Image::drawRect(QPixmap& pixmap, const QRect& rect, const QColor& color, int penWidth)
{
    if (pixmap.isNull())
        return;
    QPainter painter(&pixmap);
    QPen pen(color);
    pen.setWidth(penWidth);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect);
}

QPixmap Image::composed(const QSize& size, const QColor& fill, const QPixmap& top)
{
    QPixmap canvas(size);
    canvas.fill(fill);
    if (!top.isNull()) {
        QPainter painter(&canvas);
        const QPoint origin((size.width() - top.width()) / 2, (size.height() - top.height()) / 2);
        painter.drawPixmap(origin, top);
    }
    return canvas;
}

QPixmap Image::rendered(const QString& path, const QSize& size)
{
    QImageReader reader(path);
    if (size.isValid())
        reader.setScaledSize(size);
    const QImage image = reader.read();
    if (image.isNull())
        return QPixmap();
    return QPixmap::fromImage(image);
}

} // namespace UtilityModules
} // namespace ZCore
