#include "report/ReportChartRenderer.h"

#include <QPainter>
#include <QPicture>

#include "charts/ZChartView.h"

namespace ZReport {

double ReportChartRenderer::aspectRatio(const ZChart::ZChartView* view)
{
    if (!view || view->width() < 2 || view->height() < 2)
        return 4.0 / 3.0;
    return double(view->width()) / double(view->height());
}

void ReportChartRenderer::render(QPainter& painter, const QRectF& target, ZChart::ZChartView* view)
{
    if (!view)
        return;
    // Recorded at the view's own size and resolution first: items that size their text in points
    // would otherwise grow with the printer's resolution while their frames do not.
    QPicture picture;
    QPainter recorder(&picture);
    view->render(&recorder, QRectF(QPointF(0, 0), view->size()), view->rect());
    recorder.end();
    const QSizeF size = QSizeF(view->size()).scaled(target.size(), Qt::KeepAspectRatio);
    painter.save();
    painter.setClipRect(target);
    painter.translate(target.center() - QPointF(size.width() / 2, size.height() / 2));
    // Playing a picture back scales it from its resolution to the device's on its own.
    const double dpiX = double(picture.logicalDpiX()) / painter.device()->logicalDpiX();
    const double dpiY = double(picture.logicalDpiY()) / painter.device()->logicalDpiY();
    painter.scale(dpiX * size.width() / view->width(), dpiY * size.height() / view->height());
    painter.drawPicture(QPointF(0, 0), picture);
    painter.restore();
}

} // namespace ZReport
