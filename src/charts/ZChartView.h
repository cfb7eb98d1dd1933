#pragma once

#include <QChartView>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QTimer>
#include <QValueAxis>
#include <QVector>

#include "charts/ChartTypes.h"
#include "charts/TTraceCache.h"
#include "core/ITaggable.h"
#include "measurement/TScanPoint.h"

class QGraphicsLineItem;
class QGraphicsEllipseItem;
class QSettings;

namespace ZChart {

class ZChartConfig;
class DataScanProcessor;
class DataMarkProcessor;
class ZChartScanRangeInfo;
class ZMarksTable;
class ZComplexPlaneGrid;
namespace Temp {
class ChartAxesTransformer;
}

// One chart pane: the live series of the sweep, one series per loaded trace, two value axes, the
// limit line or circle, the scan range box and the markers. Active views follow the live scan;
// announcements faster than the screen are merged so a view repaints at most once a frame.
class ZChartView : public QtCharts::QChartView, public ZCore::ITaggable
{
    Q_OBJECT
    friend class ChartScanFeed;

public:
    static constexpr int PALETTE_SIZE = 7;
    static constexpr int DEFAULT_REFRESH_INTERVAL_MS = 16;
    // Time for the next scan request to reach the port before a refresh takes the thread.
    static constexpr int MIN_REFRESH_DELAY_MS = 2;

    explicit ZChartView(QWidget* parent = nullptr);
    ~ZChartView() override;

    QString tag() const override;

    // The palette shared by all views: entry 0 the live series, 1..6 the traces.
    static QColor paletteColor(int index);
    // Shortest time between two refreshes from live data; 0 refreshes on every announcement.
    static void setRefreshInterval(int ms);
    static int refreshInterval();

    void setCorner(EChartArrangeCorners corner);
    EChartArrangeCorners corner() const;
    void setActive(bool active);
    bool isActive() const;
    void setChartType(EChartType type);
    EChartType chartType() const;
    void setUseOpenGL(bool use);

    ZChartConfig* config() const { return m_config; }
    DataScanProcessor* scanProcessor() const { return m_scanProcessor; }
    DataMarkProcessor* markProcessor() const { return m_markProcessor; }
    Temp::ChartAxesTransformer* axesTransformer() const { return m_axesTransformer; }
    ZMarksTable* marksTable() const { return m_marksTable; }
    ZChartScanRangeInfo* scanRangeInfo() const { return m_scanRangeInfo; }
    QtCharts::QValueAxis* axisX() const { return m_axisX; }
    QtCharts::QValueAxis* axisY() const { return m_axisY; }
    QtCharts::QLineSeries* mainSeries() const { return m_mainSeries; }
    const QList<QtCharts::QLineSeries*>& traceSeries() const { return m_traceSeries; }
    QGraphicsLineItem* limitLine() const { return m_limitLine; }
    QGraphicsEllipseItem* limitCircle() const { return m_limitCircle; }
    ZComplexPlaneGrid* complexPlaneGrid() const { return m_grid; }

    QPair<double, double> smithExtent() const { return m_smithExtent; }
    const QVector<int>& dtfPeaks() const { return m_dtfPeaks; }
    QPair<int, int> minMaxIndices() const { return m_minMax; }
    // The scan points and the chart points of the latest live refresh.
    const ZData::TScanPoints& scanPoints() const { return m_scanPoints; }
    const QVector<QPointF>& livePoints() const { return m_livePoints; }
    bool hasData() const { return !m_livePoints.isEmpty(); }
    // The live point at the index limited to the series; (0, 0) without data.
    QPointF pointNearIndex(int index) const;
    // Index of the live point nearest to a chart position (Smith/polar in the plane, else along x).
    int nearestIndex(const QPointF& value) const;
    // Scan start and stop in MHz, or the DTF window in display units.
    QPair<double, double> horizontalRange() const;
    EChartTargetLabels targetLabel() const;
    EChartTargetUnits targetUnit() const;

    // On success emits signalCreatedMark(count - 1).
    bool addMark(double position);

    void setTraceSeriesVisible(int index, bool visible);
    void setAllTraceSeriesVisible(bool visible);
    bool isTraceSeriesVisible(int index) const;

    void saveSettings(QSettings* settings);
    void restoreSettings(QSettings* settings);

    // Converts the points for the chart type and replaces the live series with them, in one repaint.
    void refreshFrom(const ZData::TScanPoints& points, bool updateMarks = true);
    // From the scan manager's current data; nothing without data.
    void refreshLive(bool updateMarks = true);
    // Live refreshes done so far (each one replaces the series once).
    quint64 refreshCount() const { return m_refreshCount; }
    // Writes the view as a picture of the given size (ChartImageRenderer): PNG or SVG by the
    // file's extension; a failure leaves no file and the reason goes to `error`.
    bool saveImage(const QString& path, const QSize& size, QString* error = nullptr);
    static bool isSupportedImagePath(const QString& path);
    // Lays the chart and everything placed on it out for the given size (at least the minimum
    // below); the widget keeps its own size. The image renderer draws at other sizes this way.
    void layoutChart(const QSizeF& size);
    static constexpr int MIN_CHART_WIDTH = 120;
    static constexpr int MIN_CHART_HEIGHT = 90;

signals:
    void signalWasSelected();
    void signalCreatedMark(int index);
    void signalRemovedMark(int index);
    void signalRetrievedMarksData();
    void signalChangedChartType();
    void signalAxesRangeChanged(double from, double to);
    void signalSetRefMarker(int mark_index);
    void signalRemovedRefMarker();
    void signalCreatedTraceSeries(int index);
    void signalRemovedTraceSeries(int index);
    void signalClearedTracesSeries();
    void signalTraceSeriesChangedVisibility(int index, bool is_visible);

public slots:
    void slotLangLoaded();
    void slotRangeUpdated();
    void slotProcessedScanData(quint32 size);
    void slotMissingTraceFile(int index);
    void slotLoadedTrace(int index);
    void slotRemovedTrace(int index);
    void slotClearedTraces();
    void slotApplyInterpolationChanged(bool apply_interpolation);
    void slotPlotAreaChanged(const QRectF& plotArea);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void setupChart();
    void makeConnections();
    void connectScanData(bool connect);
    void onConfigChanged(EChartType type);
    void refreshTraces();
    void updateDecorations();
    void layoutBackground();
    void updateLimitLine();
    void restoreTraceVisibility();
    void restoreMarks();
    void clearRestoredFlags();
    void refreshDue();
    void keepDTFLimitsFor(int points);
    // The points as the series draws them (phase wraps broken).
    QVector<QPointF> drawn(const QVector<QPointF>& points) const;

    ZChartConfig* m_config = nullptr;
    DataScanProcessor* m_scanProcessor = nullptr;
    DataMarkProcessor* m_markProcessor = nullptr;
    Temp::ChartAxesTransformer* m_axesTransformer = nullptr;
    QtCharts::QChart* m_chart = nullptr;
    QtCharts::QLineSeries* m_mainSeries = nullptr;
    QPair<double, double> m_smithExtent{1.0, 1.0};
    QtCharts::QValueAxis* m_axisX = nullptr;
    QtCharts::QValueAxis* m_axisY = nullptr;
    ZChartScanRangeInfo* m_scanRangeInfo = nullptr;
    ZMarksTable* m_marksTable = nullptr;
    bool m_marksRestored = false;
    QVector<int> m_dtfPeaks;
    QPair<int, int> m_minMax{-1, -1};
    bool m_tracesRestored = false;
    QVector<quint32> m_missingTraces;
    QList<TTraceCache*> m_traceCaches;
    QList<QtCharts::QLineSeries*> m_traceSeries;
    QGraphicsLineItem* m_limitLine = nullptr;
    QGraphicsEllipseItem* m_limitCircle = nullptr;
    ZComplexPlaneGrid* m_grid = nullptr;

    ZData::TScanPoints m_scanPoints;
    QVector<QPointF> m_livePoints;
    quint64 m_refreshCount = 0;
    int m_dtfLimitPoints = -1;
    bool m_reportedNoType = false;
    bool m_decorating = false;
    QTimer m_restoreFlagsTimer;
};

} // namespace ZChart
