#pragma once

#include <QObject>

#include "core/TSingleton.h"
#include "measurement/TScanPoint.h"

namespace ZChart {

// The scan data as the chart views read it, prepared once per announcement of the scan manager
// however many views read it: electrical delay and the interpolated grid are applied in one copy
// that every view shares (the vector is implicitly shared, so a view's copy costs nothing).
class ChartScanFeed : public QObject, public ZCore::TSingleton<ChartScanFeed>
{
    Q_OBJECT
    friend class ZCore::TSingleton<ChartScanFeed>;

public:
    // Connects to the scan manager on first use; views call it before connecting themselves, so
    // that an announcement reaches the feed before any view.
    static void attach();
    // The active sweep (interpolated or not) of the latest announcement; empty before any data.
    static ZData::TScanPoints points();
    // Announcements seen, and copies made from the scan buffers (at most one per announcement).
    static quint64 generation() { return s_generation; }
    static quint64 copies() { return s_copies; }
    // The next read copies the buffers again (a setting changed what they hold).
    static void invalidate() { ++s_generation; }

public slots:
    void slotProcessedScanData(quint32 size);

private:
    ChartScanFeed() = default;

    static inline quint64 s_generation = 1;
    static inline quint64 s_copiedGeneration = 0;
    static inline quint64 s_copies = 0;
    static inline ZData::TScanPoints s_points;
};

} // namespace ZChart
