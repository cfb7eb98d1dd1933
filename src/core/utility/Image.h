#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace ZCore {
namespace UtilityModules {

// Pixmap routines for icons, the splash picture and the chart backgrounds.
class Image
{
public:
    // The icon at the path turned about its centre by the angle in degrees.
    static QPixmap rotatedPixmap(const QString& path, qreal degrees);
    static QPixmap rotatedPixmap(const QPixmap& source, qreal degrees);
    // Draws the outline of the rectangle onto the pixmap with a pen of the given colour and width.
    static void drawRect(QPixmap& pixmap, const QRect& rect, const QColor& color, int penWidth);
    // A canvas of the given size filled with the colour, with the picture centred on top.
    static QPixmap composed(const QSize& size, const QColor& fill, const QPixmap& top);
    // Renders an image (SVG or bitmap) to the given size; a null pixmap if it cannot be read.
    static QPixmap rendered(const QString& path, const QSize& size);
};

} // namespace UtilityModules
} // namespace ZCore
