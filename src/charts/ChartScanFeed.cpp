#include "charts/ChartScanFeed.h"

#include "charts/ZChartView.h"
#include "measurement/DataScanManager.h"

namespace ZChart {

using ZData::DataScanManager;

ChartScanFeed::ChartScanFeed()
{
    m_frameTimer.setSingleShot(true);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, &ChartScanFeed::onFrame);
}

void ChartScanFeed::requestRefresh(ZChartView* view)
{
    if (!view)
        return;
    if (s_frameIntervalMs <= 0) {
        view->refreshDue();
        return;
    }
    ChartScanFeed& self = instance();
    if (!self.m_pending.contains(view))
        self.m_pending.append(view);
    // Never inside the announcement: the scan manager sends its next request when the announcement
    // returns, and the analyser measures while the views draw. So a frame is drawn just after an
    // announcement once the last frame is old enough; announcements in between are merged into it
    // and it shows the newest data, so the last slice of a sweep is drawn before the next sweep's
    // last slice replaces it. When announcements stop, a fallback frame draws what is left.
    const qint64 elapsed = self.m_sinceFrame.isValid() ? self.m_sinceFrame.elapsed() : s_frameIntervalMs;
    if (elapsed >= s_frameIntervalMs) {
        if (!self.m_frameTimer.isActive() ||
            self.m_frameTimer.remainingTime() > ZChartView::MIN_REFRESH_DELAY_MS)
            self.m_frameTimer.start(ZChartView::MIN_REFRESH_DELAY_MS);
    } else if (!self.m_frameTimer.isActive()) {
        self.m_frameTimer.start(int(2 * s_frameIntervalMs - elapsed));
    }
}

void ChartScanFeed::cancelRefresh(ZChartView* view)
{
    instance().m_pending.removeAll(view);
}

void ChartScanFeed::flush()
{
    ChartScanFeed& self = instance();
    if (self.m_pending.isEmpty())
        return;
    self.m_frameTimer.stop();
    self.onFrame();
}

void ChartScanFeed::onFrame()
{
    m_sinceFrame.restart();
    const QVector<QPointer<ZChartView>> due = m_pending;
    m_pending.clear();
    for (const QPointer<ZChartView>& view : due)
        if (view)
            view->refreshDue();
}

void ChartScanFeed::attach()
{
    QObject::connect(&DataScanManager::instance(), &DataScanManager::signalProcessedScanData, &instance(),
                     &ChartScanFeed::slotProcessedScanData, Qt::UniqueConnection);
}

void ChartScanFeed::slotProcessedScanData(quint32)
{
    ++s_generation;
}

ZData::TScanPoints ChartScanFeed::points()
{
    if (!DataScanManager::isFirstDataReceived())
        return ZData::TScanPoints();
    if (s_copiedGeneration != s_generation) {
        // Detached from the vector the views hold, so their copies stay as they were drawn.
        ZData::TScanPoints fresh;
        DataScanManager::copyData(0, int(DataScanManager::pointCount()), fresh, true);
        s_points = fresh;
        s_copiedGeneration = s_generation;
        ++s_copies;
    }
    return s_points;
}

} // namespace ZChart
