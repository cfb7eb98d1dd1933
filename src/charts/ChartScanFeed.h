#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVector>

#include "core/TSingleton.h"
#include "measurement/TScanPoint.h"

namespace ZChart {

class ZChartView;

// The scan data as the chart views read it, prepared once per announcement of the scan manager
// however many views read it: electrical delay and the interpolated grid are applied in one copy
// that every view shares (the vector is implicitly shared, so a view's copy costs nothing).
// It also keeps the display frame of all views: views that asked for a refresh are refreshed
// together when the frame is due, so the window repaints once a frame, not once per view.
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

    // Shortest time between two frames; 0 refreshes a view as soon as it asks.
    static void setFrameInterval(int ms) { s_frameIntervalMs = qMax(0, ms); }
    static int frameInterval() { return s_frameIntervalMs; }
    // The view is refreshed in the next frame (once, however often it asks); never within the call
    // unless the interval is 0.
    static void requestRefresh(ZChartView* view);
    static void cancelRefresh(ZChartView* view);
    // Refreshes at once every view that waits for the next frame.
    static void flush();

public slots:
    void slotProcessedScanData(quint32 size);

private:
    ChartScanFeed();
    void onFrame();

    QTimer m_frameTimer;
    QElapsedTimer m_sinceFrame;
    QVector<QPointer<ZChartView>> m_pending;
    static inline int s_frameIntervalMs = 16;

    static inline quint64 s_generation = 1;
    static inline quint64 s_copiedGeneration = 0;
    static inline quint64 s_copies = 0;
    static inline ZData::TScanPoints s_points;
};

} // namespace ZChart
