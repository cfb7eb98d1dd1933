#include "charts/ChartScanFeed.h"

#include "measurement/DataScanManager.h"

namespace ZChart {

using ZData::DataScanManager;

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
