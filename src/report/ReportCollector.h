#pragma once

#include <QList>
#include <QString>

#include "report/TReportContent.h"

namespace ZReport {

// Gathers what a report states from the managers (analyser, sweep, calibration, delay) and from the
// views it shows (captions, markers and their readouts), in the program's current language.
class ReportCollector
{
public:
    // The views the arrangement shows, in the order given (UL, UR, BL, BR); nulls are dropped.
    static QList<ZChart::ZChartView*> shownViews(const QList<ZChart::ZChartView*>& views);
    static TReportContent collect(const QList<ZChart::ZChartView*>& views, const QString& title,
                                  const QString& note);
    // "View 2: SWR" for the view at that index (0..3) of the window.
    static QString viewCaption(int index, const ZChart::ZChartView* view);
    static QVector<TReportMarker> markers(const QString& caption, const ZChart::ZChartView* view);
    // Every marker of the views, captioned by each view's place in the window (or its list index).
    static QVector<TReportMarker> markers(const QList<ZChart::ZChartView*>& views);
    // The calibration the correction runs on, in words.
    static QString calibrationText();
    // "900.000000 MHz" style, from whole hertz.
    static QString frequencyText(quint64 hz);
};

} // namespace ZReport
