#pragma once

#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

class QPainter;

namespace ZChart {

class ZChartView;

// A chart view drawn for a report or a file at a size of the caller's choosing, independent of its
// size on screen: the chart laid out for that size, its markers, a legend of their readouts and a
// caption line saying what was measured. The view's on-screen frame is not part of it.
class ChartImageRenderer
{
public:
    static constexpr int DEFAULT_WIDTH = 1600;
    static constexpr int DEFAULT_HEIGHT = 1200;
    static constexpr int MIN_SIDE = 16;
    static constexpr int MAX_SIDE = 8192;

    static QSize defaultSize() { return QSize(DEFAULT_WIDTH, DEFAULT_HEIGHT); }
    // True for sizes the renderer takes (each side MIN_SIDE to MAX_SIDE).
    static bool isValidSize(const QSize& size);
    // "WxH" (also "W×H", any case); false for anything else or a size out of range.
    static bool parseSize(const QString& text, QSize& size);

    // Draws the view into `target` of the painter's device. The view is laid out at the target's
    // size (divided by the text scale below), drawn, and laid out again at its own size.
    static void render(ZChartView* view, QPainter* painter, const QRectF& target);
    // PNG or SVG by the file's extension, written beside the target and renamed over it, so that a
    // failure leaves no file; the reason goes to `error`.
    static bool save(ZChartView* view, const QString& path, const QSize& size, QString* error = nullptr);
    static bool isSupportedPath(const QString& path);

    // One line per marker: its number and its readout on one line.
    static QStringList legendLines(const ZChartView* view);
    // Analyser, sweep, calibration in use, date and time.
    static QString caption(const ZChartView* view);
    // Images grow their text with their size so that a large picture reads like the screen does:
    // the chart is laid out at size / scale and drawn scaled up.
    static double textScale(const QSizeF& size);
};

} // namespace ZChart
