#pragma once

#include <QRectF>
#include <QSizeF>

class QPainter;

namespace ZChart {
class ZChartView;
}

namespace ZReport {

// Draws a chart view into a painter as vector graphics (on a PDF painter the axes, series and
// marker labels stay lines and text). Kept apart from the page layout so that a dedicated print
// rendering of the views can take its place without touching the report.
class ReportChartRenderer
{
public:
    // Width over height of the picture the view gives; 4:3 for a view without a size.
    static double aspectRatio(const ZChart::ZChartView* view);
    // The view scaled into the target, aspect kept and centred.
    static void render(QPainter& painter, const QRectF& target, ZChart::ZChartView* view);
};

} // namespace ZReport
