#include "charts/ZChartView.h"

#include <QGraphicsEllipseItem>
#include <QGraphicsLayout>
#include <QGraphicsLineItem>
#include <QLegend>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QSettings>

#include <cmath>

#include "calibration/CalibrationManager.h"
#include "charts/ChartImageRenderer.h"
#include "charts/ChartAxesTransformer.h"
#include "charts/ChartEnumPrinter.h"
#include "charts/ChartScanFeed.h"
#include "charts/DTFTransform.h"
#include "charts/DataMarkProcessor.h"
#include "charts/DataScanProcessor.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartScanRangeInfo.h"
#include "charts/ZChartStaleNotice.h"
#include "charts/ZComplexPlaneGrid.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "devicelink/DeviceManager.h"
#include "measurement/DataScanManager.h"

using namespace QtCharts;

namespace ZChart {

namespace {

using ZData::DataScanManager;

// Widget updates off for a change of the view's make-up (type, configuration, traces, range), so
// that it repaints once; nested changes keep them off.
class UpdatesSuspended
{
public:
    explicit UpdatesSuspended(QWidget* widget) : m_widget(widget), m_wasEnabled(widget->updatesEnabled())
    {
        if (m_wasEnabled)
            m_widget->setUpdatesEnabled(false);
    }
    ~UpdatesSuspended()
    {
        if (m_wasEnabled)
            m_widget->setUpdatesEnabled(true);
    }

private:
    QWidget* m_widget;
    bool m_wasEnabled;
};

const QVector<QColor>& chartPalette()
{
    static const QVector<QColor> colours = [] {
        QVector<QColor> c = {QColor(56, 173, 107), QColor(47, 172, 232), QColor(235, 136, 23),
                             QColor(236, 94, 255), QColor(0, 229, 187),  QColor(133, 0, 229),
                             QColor(255, 255, 255)};
        for (int i = 1; i < c.size(); ++i)
            c[i].setAlphaF(0.45);
        return c;
    }();
    return colours;
}

void setAxisDecorations(QValueAxis* axis, bool visible)
{
    // A hidden axis takes no room in the layout. Otherwise the Smith and polar ranges, which
    // follow the plot area, would change the width of the (unseen) labels and so the plot area
    // again: at some sizes that never settles and recursed until the stack ran out.
    axis->setVisible(visible);
    axis->setGridLineVisible(visible);
    axis->setLabelsVisible(visible);
    axis->setLineVisible(visible);
    axis->setTitleVisible(visible);
}

} // namespace

ZChartView::ZChartView(QWidget* parent) : QChartView(parent)
{
    m_config = new ZChartConfig(this);
    setupChart();
    m_markProcessor = new DataMarkProcessor(this);
    m_scanProcessor = new DataScanProcessor(this);
    m_axesTransformer = new Temp::ChartAxesTransformer(this);
    chartPalette();

    const QPen limitPen(Qt::red, 2);
    m_limitLine = new QGraphicsLineItem(m_chart);
    m_limitLine->setPen(limitPen);
    m_limitLine->setZValue(30);
    m_limitLine->hide();
    m_limitCircle = new QGraphicsEllipseItem(m_chart);
    m_limitCircle->setPen(limitPen);
    m_limitCircle->setZValue(30);
    m_limitCircle->hide();
    m_grid = new ZComplexPlaneGrid(m_chart);
    m_grid->hide();

    m_marksTable = new ZMarksTable(m_chart, this);
    m_scanRangeInfo = new ZChartScanRangeInfo(this);
    m_scanRangeInfo->setParentItem(m_chart);
    m_staleNotice = new ZChartStaleNotice(this);
    m_staleNotice->setParentItem(m_chart);

    m_restoreFlagsTimer.setSingleShot(true);
    m_restoreFlagsTimer.setInterval(300);
    makeConnections();
}

ZChartView::~ZChartView()
{
    ChartScanFeed::cancelRefresh(this);
    qDeleteAll(m_traceCaches);
    delete m_axesTransformer;
    delete m_scanProcessor;
    delete m_markProcessor;
}

QString ZChartView::tag() const
{
    // A view not placed yet has no corner; its tag says so without an unknown-value warning.
    const bool placed = quint32(m_config->corner()) <= quint32(EChartArrangeCorners::BR);
    return QStringLiteral("ZChartView [ %1 ]")
        .arg(placed ? ChartEnumPrinter::toString(m_config->corner()) : QStringLiteral("-"));
}

QColor ZChartView::paletteColor(int index)
{
    const QVector<QColor>& colours = chartPalette();
    return colours[qBound(0, index, colours.size() - 1)];
}

void ZChartView::setRefreshInterval(int ms)
{
    ChartScanFeed::setFrameInterval(ms);
}

int ZChartView::refreshInterval()
{
    return ChartScanFeed::frameInterval();
}

void ZChartView::setupChart()
{
    m_chart = new QChart();
    m_chart->setTheme(QChart::ChartThemeDark);
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->layout()->setContentsMargins(0, 0, 0, 0);
    // Small views need every pixel for the plot: thin margins at the top and the sides, the
    // bottom one holds the scan range box.
    m_chart->setMargins(QMargins(8, 4, 16, 35));
    m_chart->setBackgroundRoundness(0);
    QFont titleFont = m_chart->titleFont();
    titleFont.setPixelSize(18);
    m_chart->setTitleFont(titleFont);
    m_chart->legend()->hide();

    m_axisX = new QValueAxis();
    m_axisX->setTickCount(5);
    m_axisY = new QValueAxis();
    m_axisY->setTickCount(6);
    for (QValueAxis* axis : {m_axisX, m_axisY}) {
        QFont font = axis->titleFont();
        font.setPixelSize(16);
        axis->setTitleFont(font);
    }
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_mainSeries = new QLineSeries();
    m_chart->addSeries(m_mainSeries);
    m_mainSeries->attachAxis(m_axisX);
    m_mainSeries->attachAxis(m_axisY);
    m_mainSeries->setColor(paletteColor(0));
    // The base view starts with a chart of its own and lets go of it without deleting it when
    // given another.
    QChart* const initialChart = chart();
    setChart(m_chart);
    delete initialChart;
    // The chart takes the view's size even where its own layout would like more: a chart wider
    // than its view would be cut at the right, range box and last tick label included.
    m_chart->setMinimumSize(MIN_CHART_WIDTH, MIN_CHART_HEIGHT);
    setMouseTracking(true);
}

void ZChartView::makeConnections()
{
    ChartScanFeed::attach();
    DataScanManager& scan = DataScanManager::instance();
    connect(&DataScanManager::sweep(), &ZData::DS::RangeSliced::signalUpdated, this,
            &ZChartView::slotRangeUpdated);
    connect(&scan, &DataScanManager::signalApplyInterpolationChanged, this,
            &ZChartView::slotApplyInterpolationChanged);
    connect(&scan, &DataScanManager::signalClearedTraces, this, &ZChartView::slotClearedTraces);
    connect(&scan, &DataScanManager::signalLoadedTrace, this, &ZChartView::slotLoadedTrace);
    connect(&scan, &DataScanManager::signalMissingTraceFile, this, &ZChartView::slotMissingTraceFile);
    connect(&scan, &DataScanManager::signalRemovedTrace, this, &ZChartView::slotRemovedTrace);
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &ZChartView::slotLangLoaded);
    connect(m_config, &ZChartConfig::signalConfigChanged, this, &ZChartView::onConfigChanged);
    connect(m_chart, &QChart::plotAreaChanged, this, &ZChartView::slotPlotAreaChanged);
    connect(&ZData::CalibrationManager::instance(), &ZData::CalibrationManager::signalStartedCalibration,
            this, [this] { connectScanData(false); });
    connect(&ZData::CalibrationManager::instance(), &ZData::CalibrationManager::signalFinishedCalibration,
            this, [this] {
                if (m_config->isActive())
                    connectScanData(true);
            });
    // Readouts say whether they are live.
    connect(&scan, &DataScanManager::signalLiveChanged, this, [this] {
        if (m_marksTable && !m_marksTable->isEmpty())
            emit signalRetrievedMarksData();
    });
    // Markers and trace visibility come from the profile once per run and per loaded profile, not
    // per connect: a reconnect keeps what the user has on screen, as a restart does.
    connect(&ZCore::SettingsManager::instance(), &ZCore::SettingsManager::signalGotSettings,
            &m_restoreFlagsTimer, qOverload<>(&QTimer::start));
    connect(&m_restoreFlagsTimer, &QTimer::timeout, this, &ZChartView::clearRestoredFlags);
}

void ZChartView::connectScanData(bool on)
{
    DataScanManager& scan = DataScanManager::instance();
    if (on)
        // Unique: a calibration finished while the view is active must not add a second delivery.
        connect(&scan, &DataScanManager::signalProcessedScanData, this, &ZChartView::slotProcessedScanData,
                Qt::UniqueConnection);
    else
        disconnect(&scan, &DataScanManager::signalProcessedScanData, this,
                   &ZChartView::slotProcessedScanData);
}

void ZChartView::clearRestoredFlags()
{
    m_marksRestored = false;
    m_tracesRestored = false;
}

void ZChartView::setCorner(EChartArrangeCorners corner)
{
    m_config->setCorner(corner);
}

EChartArrangeCorners ZChartView::corner() const
{
    return m_config->corner();
}

bool ZChartView::isActive() const
{
    return m_config->isActive();
}

EChartType ZChartView::chartType() const
{
    return m_config->chartType();
}

void ZChartView::setActive(bool active)
{
    m_config->setActive(active);
    connectScanData(false);
    if (active) {
        ZCore::TaggedLog(tag()).warn(QStringLiteral(">> now is active"));
        connectScanData(true);
    } else {
        ChartScanFeed::cancelRefresh(this);
    }
}

void ZChartView::setUseOpenGL(bool use)
{
    m_config->setUseOpenGL(use);
    m_mainSeries->setUseOpenGL(use);
}

void ZChartView::setChartType(EChartType type)
{
    if (type == m_config->chartType()) {
        ZCore::TaggedLog(tag()).debug(QStringLiteral(">> tried to set same chart type: ") +
                                      ChartEnumPrinter::toString(type));
        return;
    }
    UpdatesSuspended suspended(this);
    m_config->setChartType(type);
    m_reportedNoType = false;
    m_dtfLimitPoints = -1;
    m_chart->setTitle(ChartEnumPrinter::displayName(type));
    m_axesTransformer->applyRanges(type);
    m_axesTransformer->applyTitles();
    updateDecorations();
    refreshLive(true);
    emit signalChangedChartType();
    for (int i = 0; i < m_traceCaches.size() && i < m_traceSeries.size(); ++i)
        m_traceSeries[i]->replace(drawn(m_scanProcessor->traceSeries(*m_traceCaches[i], type)));
}

QVector<QPointF> ZChartView::drawn(const QVector<QPointF>& points) const
{
    if (chartType() != EChartType::PHASE || points.size() < 2)
        return points;
    // Far enough outside the axes that the detours round a wrap are never inside the plot.
    const double span = std::max(1.0, m_axisX->max() - m_axisX->min());
    return DataScanProcessor::withWrapBreaks(points, 360.0, m_axisX->max() + 10.0 * span, 3600.0);
}

void ZChartView::onConfigChanged(EChartType)
{
    UpdatesSuspended suspended(this);
    m_axesTransformer->applyRanges(chartType());
    m_axesTransformer->applyTitles();
    updateLimitLine();
    refreshTraces();
    refreshLive(true);
}

void ZChartView::slotRangeUpdated()
{
    UpdatesSuspended suspended(this);
    m_config->resetDTFWindow(false);
    m_dtfLimitPoints = int(DataScanManager::pointCount());
    m_axesTransformer->applyRanges(chartType());
    m_axesTransformer->applyTitles();
    m_scanRangeInfo->slotUpdate();
    m_marksTable->updateAll();
    const QPair<double, double> range = horizontalRange();
    emit signalAxesRangeChanged(range.first, range.second);
}

void ZChartView::slotLangLoaded()
{
    if (isValidChartType(chartType()))
        m_chart->setTitle(ChartEnumPrinter::displayName(chartType()));
    m_axesTransformer->applyTitles();
    m_scanRangeInfo->slotUpdate();
}

void ZChartView::slotApplyInterpolationChanged(bool)
{
    m_marksTable->updateAll();
}

void ZChartView::slotPlotAreaChanged(const QRectF&)
{
    const bool blocked = m_chart->blockSignals(true);
    updateDecorations();
    m_chart->blockSignals(blocked);
    m_staleNotice->updatePosition();
}

void ZChartView::slotProcessedScanData(quint32)
{
    if (!isValidChartType(chartType())) {
        // Once per chart type change, not a message box for every slice.
        if (!m_reportedNoType) {
            m_reportedNoType = true;
            ZCore::TaggedLog(tag()).critical("lp_err_chart_type_bad");
        }
        return;
    }
    ChartScanFeed::requestRefresh(this);
}

void ZChartView::refreshDue()
{
    if (!isValidChartType(chartType()))
        return;
    refreshLive(true);
    if (!m_tracesRestored)
        restoreTraceVisibility();
    if (!m_marksRestored)
        restoreMarks();
}

void ZChartView::refreshLive(bool updateMarks)
{
    ZData::TScanPoints points = ChartScanFeed::points();
    if (points.isEmpty())
        points = m_scanPoints;
    refreshFrom(points, updateMarks);
}

void ZChartView::keepDTFLimitsFor(int points)
{
    if (points == m_dtfLimitPoints || points <= 0)
        return;
    m_dtfLimitPoints = points;
    // The transform covers the points it is given (the interpolated grid when interpolation is on).
    TDTFConfig dtf = m_config->dtfConfig();
    const ZData::DS::RangeSliced range(DataScanManager::sweep());
    DTFTransform::updateLimits(dtf, range.start(), range.stop(), quint32(points));
    DTFTransform::restoreWindow(dtf, dtf.start, dtf.stop);
    m_config->setDTFConfig(dtf, false);
    m_axesTransformer->applyRanges(EChartType::DTF);
}

void ZChartView::refreshFrom(const ZData::TScanPoints& points, bool updateMarks)
{
    const EChartType type = chartType();
    if (!isValidChartType(type))
        return;
    // Widget updates stay on here: the scene already merges every change of this refresh into one
    // repaint of what changed, where switching updates back on would repaint the whole view (axes,
    // titles, labels) on every slice.
    m_scanPoints = points;
    if (type == EChartType::DTF)
        keepDTFLimitsFor(points.size());
    QVector<QPointF> out(points.size());
    m_scanProcessor->convert(points, out, type);
    DataScanProcessor::scaleFrequencies(out, type, true);
    m_mainSeries->replace(drawn(out));
    m_livePoints = out;
    if (type == EChartType::LOSS)
        m_axesTransformer->lossAutoRange();
    if (type == EChartType::DTF)
        m_dtfPeaks = DTFTransform::findPeaks(out, m_config->dtfConfig(), m_marksTable->count());
    m_minMax = isComplexPlane(type) ? qMakePair(-1, -1) : DataScanProcessor::minMaxIndices(out);
    ++m_refreshCount;
    if (updateMarks && m_marksTable) {
        m_marksTable->updateAll();
        emit signalRetrievedMarksData();
    }
}

void ZChartView::refreshTraces()
{
    for (TTraceCache* cache : m_traceCaches)
        cache->converted.clear();
    for (int i = 0; i < m_traceCaches.size() && i < m_traceSeries.size(); ++i) {
        m_traceSeries[i]->replace(drawn(m_scanProcessor->traceSeries(*m_traceCaches[i], chartType())));
        m_traceSeries[i]->setColor(paletteColor(i + 1));
    }
    m_mainSeries->setColor(paletteColor(0));
}

QPointF ZChartView::pointNearIndex(int index) const
{
    if (m_livePoints.isEmpty())
        return QPointF();
    return m_livePoints[qBound(0, index, m_livePoints.size() - 1)];
}

int ZChartView::nearestIndex(const QPointF& value) const
{
    int best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    const bool plane = isComplexPlane(chartType());
    for (int i = 0; i < m_livePoints.size(); ++i) {
        const QPointF d = m_livePoints[i] - value;
        const double distance = plane ? std::hypot(d.x(), d.y()) : std::abs(d.x());
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

QPair<double, double> ZChartView::horizontalRange() const
{
    if (chartType() == EChartType::DTF) {
        const TDTFConfig& dtf = m_config->dtfConfig();
        return {DTFTransform::toDisplay(dtf, dtf.start), DTFTransform::toDisplay(dtf, dtf.stop)};
    }
    const ZData::DS::RangeSliced range(DataScanManager::sweep());
    return {range.start() / 1e6, range.stop() / 1e6};
}

EChartTargetLabels ZChartView::targetLabel() const
{
    if (chartType() != EChartType::DTF)
        return EChartTargetLabels::FREQUENCY;
    return m_config->dtfConfig().domain != EDTFDomain::TIME ? EChartTargetLabels::DISTANCE
                                                            : EChartTargetLabels::TIME;
}

EChartTargetUnits ZChartView::targetUnit() const
{
    return EChartTargetUnits(quint16(targetLabel()));
}

bool ZChartView::addMark(double position)
{
    if (!m_marksTable->addMark(position))
        return false;
    emit signalCreatedMark(m_marksTable->count() - 1);
    return true;
}

void ZChartView::setTraceSeriesVisible(int index, bool visible)
{
    if (index < 0 || index >= m_traceSeries.size())
        return;
    m_traceSeries[index]->setVisible(visible);
    emit signalTraceSeriesChangedVisibility(index, visible);
}

void ZChartView::setAllTraceSeriesVisible(bool visible)
{
    for (int i = 0; i < m_traceSeries.size(); ++i)
        setTraceSeriesVisible(i, visible);
}

bool ZChartView::isTraceSeriesVisible(int index) const
{
    return index >= 0 && index < m_traceSeries.size() && m_traceSeries[index]->isVisible();
}

void ZChartView::slotMissingTraceFile(int index)
{
    if (index >= 0 && index != 0xFFFF)
        m_missingTraces.append(quint32(index));
}

void ZChartView::slotLoadedTrace(int index)
{
    const QVector<ZData::DS::TTraceData>& traces = DataScanManager::traces();
    if (index < 0 || index >= traces.size())
        return;
    UpdatesSuspended suspended(this);
    auto* cache = new TTraceCache;
    cache->points = traces[index].points;
    m_traceCaches.append(cache);
    auto* series = new QLineSeries();
    if (isValidChartType(chartType()))
        series->replace(drawn(m_scanProcessor->traceSeries(*cache, chartType())));
    m_chart->addSeries(series);
    series->setColor(paletteColor(m_traceCaches.size()));
    series->attachAxis(m_axisX);
    series->attachAxis(m_axisY);
    m_traceSeries.append(series);
    // The live series stays on top of the traces.
    m_chart->removeSeries(m_mainSeries);
    m_chart->addSeries(m_mainSeries);
    m_mainSeries->setColor(paletteColor(0));
    m_mainSeries->attachAxis(m_axisX);
    m_mainSeries->attachAxis(m_axisY);
    emit signalCreatedTraceSeries(index);
}

void ZChartView::slotRemovedTrace(int index)
{
    UpdatesSuspended suspended(this);
    if (index >= 0 && index < m_traceCaches.size())
        delete m_traceCaches.takeAt(index);
    if (index >= 0 && index < m_traceSeries.size()) {
        QLineSeries* series = m_traceSeries.takeAt(index);
        m_chart->removeSeries(series);
        delete series;
    }
    for (int i = 0; i < m_traceSeries.size(); ++i)
        m_traceSeries[i]->setColor(paletteColor(i + 1));
    emit signalRemovedTraceSeries(index);
}

void ZChartView::slotClearedTraces()
{
    UpdatesSuspended suspended(this);
    m_missingTraces.clear();
    qDeleteAll(m_traceCaches);
    m_traceCaches.clear();
    for (QLineSeries* series : m_traceSeries) {
        m_chart->removeSeries(series);
        delete series;
    }
    m_traceSeries.clear();
    emit signalClearedTracesSeries();
}

void ZChartView::updateDecorations()
{
    // Ranges set here may lay the chart out again, which announces a new plot area; that one is
    // taken by the outer call when it reads the plot area after the change.
    if (m_decorating)
        return;
    m_decorating = true;
    const auto done = qScopeGuard([this] { m_decorating = false; });
    const EChartType type = chartType();
    if (isComplexPlane(type)) {
        layoutBackground();
        return;
    }
    if (!isValidChartType(type))
        return;
    m_grid->hide();
    setAxisDecorations(m_axisX, true);
    setAxisDecorations(m_axisY, true);
    m_axesTransformer->fitLabels();
    updateLimitLine();
}

void ZChartView::layoutBackground()
{
    const QRectF plot = m_chart->plotArea();
    // No plot area yet (the view has not been laid out): nothing to fit the grid into.
    if (!(plot.width() > 0.0) || !(plot.height() > 0.0))
        return;
    m_grid->setPlotArea(plot, chartType() == EChartType::SMITH ? ZComplexPlaneGrid::EKind::SMITH
                                                                : ZComplexPlaneGrid::EKind::POLAR);
    m_grid->show();
    if (m_grid->radius() > 0.0)
        m_smithExtent = {plot.width() / 2.0 / m_grid->radius(), plot.height() / 2.0 / m_grid->radius()};
    m_axesTransformer->applyRanges(chartType());
    setAxisDecorations(m_axisX, false);
    setAxisDecorations(m_axisY, false);
    updateLimitLine();
}

void ZChartView::updateLimitLine()
{
    m_limitLine->hide();
    m_limitCircle->hide();
    const EChartType type = chartType();
    if (type != EChartType::SWR && !isComplexPlane(type))
        return;
    const TSWRConfig limit = m_config->swrConfigByChartType(type);
    if (!limit.is_enabled)
        return;
    if (type == EChartType::SWR) {
        const double y = qBound(m_axisY->min(), limit.limit_line_val, m_axisY->max());
        const QPointF a = m_chart->mapToPosition(QPointF(m_axisX->min(), y), m_mainSeries);
        const QPointF b = m_chart->mapToPosition(QPointF(m_axisX->max(), y), m_mainSeries);
        m_limitLine->setLine(QLineF(a, b));
        m_limitLine->show();
        return;
    }
    const QRectF plot = m_chart->plotArea();
    // The unit circle of the grid, which leaves room for its labels inside the plot area.
    const double side = 2.0 * m_grid->radius();
    if (!(side > 0.0))
        return;
    const double v = limit.limit_line_val;
    const double gamma = (v - 1.0) / (v + 1.0);
    // A limit below the floor still draws the smallest circle, never one of negative size.
    const double d = std::max(0.0, side * std::max(std::isfinite(gamma) ? gamma : 0.01, 0.01) - 4.0);
    m_limitCircle->setRect(QRectF(plot.center().x() - d / 2.0, plot.center().y() - d / 2.0, d, d));
    m_limitCircle->show();
}

void ZChartView::mousePressEvent(QMouseEvent* event)
{
    if (auto* mark = dynamic_cast<ZMark*>(itemAt(event->pos())))
        m_marksTable->selectMark(mark);
    QChartView::mousePressEvent(event);
}

void ZChartView::mouseReleaseEvent(QMouseEvent* event)
{
    QChartView::mouseReleaseEvent(event);
    emit signalWasSelected();
}

void ZChartView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_livePoints.isEmpty()) {
        QChartView::mouseDoubleClickEvent(event);
        return;
    }
    const QPointF value = m_chart->mapToValue(event->pos(), m_mainSeries);
    const int index = nearestIndex(value);
    double position = m_livePoints[index].x();
    if (isComplexPlane(chartType()))
        position = index < m_scanPoints.size() ? double(m_scanPoints[index].frequency) / 1e6 : 0.0;
    addMark(position);
}

void ZChartView::resizeEvent(QResizeEvent* event)
{
    QChartView::resizeEvent(event);
    // The viewport, not the widget: a frame drawn around the view (the selected one has one) takes
    // its width from the inside, and the corners of the chart must stay in sight.
    const QSize inside = viewport() ? viewport()->size() : size();
    if (scene())
        scene()->setSceneRect(QRectF(QPointF(0, 0), inside));
    layoutChart(QSizeF(inside));
}

bool ZChartView::viewportEvent(QEvent* event)
{
    const bool handled = QChartView::viewportEvent(event);
    // A frame added or removed (selecting a view) resizes the viewport, not the view.
    if (event->type() == QEvent::Resize && viewport() && m_chart->size() != QSizeF(viewport()->size())) {
        if (scene())
            scene()->setSceneRect(QRectF(QPointF(0, 0), viewport()->size()));
        layoutChart(QSizeF(viewport()->size()));
    }
    return handled;
}

void ZChartView::layoutChart(const QSizeF& size)
{
    // Even the smallest view gets a chart the toolkit can lay its axes out in.
    const QSizeF fitted = size.expandedTo(QSizeF(MIN_CHART_WIDTH, MIN_CHART_HEIGHT));
    m_chart->resize(fitted);
    // Laid out now, not at the next event: an image is drawn right after this call.
    if (QGraphicsLayout* layout = m_chart->layout()) {
        layout->invalidate();
        layout->activate();
    }
    updateDecorations();
    m_marksTable->updateAll();
    m_scanRangeInfo->updatePosition();
    m_staleNotice->updatePosition();
}

void ZChartView::saveSettings(QSettings* settings)
{
    const ZCore::TaggedLog log(tag());
    if (!settings) {
        log.warn(QStringLiteral(">> failed to save settings"));
        return;
    }
    m_config->saveSettings(settings);
    settings->setValue(QStringLiteral("type"), uint(chartType()));
    settings->setValue(QStringLiteral("use_opengl"), m_config->useOpenGL());
    settings->beginWriteArray(QStringLiteral("traces"), m_traceSeries.size());
    for (int i = 0; i < m_traceSeries.size(); ++i) {
        settings->setArrayIndex(i);
        settings->setValue(QStringLiteral("visible"), m_traceSeries[i]->isVisible());
    }
    settings->endArray();
    if (!m_marksTable) {
        log.warn(QStringLiteral(">> failed to save marks data"));
        return;
    }
    m_marksTable->saveSettings(settings);
}

void ZChartView::restoreSettings(QSettings* settings)
{
    const ZCore::TaggedLog log(tag());
    if (!settings) {
        log.warn(QStringLiteral(">> failed to restore settings"));
        return;
    }
    m_config->restoreSettings(settings);
    bool ok = false;
    const uint type = settings->value(QStringLiteral("type")).toUInt(&ok);
    const bool useGL = settings->value(QStringLiteral("use_opengl"), m_config->useOpenGL()).toBool();
    if (ok && type < uint(CHART_TYPES_COUNT))
        setChartType(EChartType(type));
    else if (settings->contains(QStringLiteral("type")))
        log.warn(QStringLiteral(">> ignored bad stored chart type: ") +
                 settings->value(QStringLiteral("type")).toString());
    setUseOpenGL(useGL);
}

void ZChartView::restoreTraceVisibility()
{
    m_tracesRestored = true;
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings)
        return;
    settings->beginGroup(ZCore::SettingsManager::subGroupName(ZCore::ESettingsGroups::CHARTS,
                                                              ChartEnumPrinter::toString(corner())));
    const int size = settings->beginReadArray(QStringLiteral("traces"));
    int next = 0;
    // A profile may remember more traces than are loaded now: the rest has nothing to apply to.
    for (int i = 0; i < size && next < m_traceSeries.size(); ++i) {
        if (m_missingTraces.contains(quint32(i)))
            continue;
        settings->setArrayIndex(i);
        setTraceSeriesVisible(next++, settings->value(QStringLiteral("visible"), true).toBool());
    }
    settings->endArray();
    settings->endGroup();
}

void ZChartView::restoreMarks()
{
    m_marksRestored = true;
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings)
        return;
    settings->beginGroup(ZCore::SettingsManager::subGroupName(ZCore::ESettingsGroups::CHARTS,
                                                              ChartEnumPrinter::toString(corner())));
    m_marksTable->restoreSettings(settings);
    settings->endGroup();
}

bool ZChartView::isSupportedImagePath(const QString& path)
{
    return ChartImageRenderer::isSupportedPath(path);
}

bool ZChartView::saveImage(const QString& path, const QSize& size, QString* error)
{
    return ChartImageRenderer::save(this, path, size, error);
}

} // namespace ZChart
