#pragma once

#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

namespace ZChart {
class ZChartView;
}

namespace ZReport {

// One marker line of the report's table.
struct TReportMarker
{
    QString view;     // the view's caption
    int number = 0;   // 1..6 as the chart labels it
    QString position; // frequency or distance-to-fault position with its unit
    QStringList readout;
};

struct TReportView
{
    QString caption;
    QPointer<ZChart::ZChartView> view;
};

// Everything a report states, gathered at one moment so that the pages agree with each other.
struct TReportContent
{
    QString title;
    QString note;
    QDateTime created;
    QString programVersion;
    bool analyserConnected = false;
    QString analyserId;
    QString firmware;
    bool measured = false; // a sweep has come in since start-up
    quint64 startHz = 0;
    quint64 stopHz = 0;
    quint32 points = 0;
    QString bandwidth; // with its unit; empty when the analyser has not told its list
    QString calibration;
    int liveAverage = 0; // sweeps in the running average of the live trace; below 2 none
    bool elDelayEnabled = false;
    qint32 elDelayPs = 0;
    QList<TReportView> views;
    QVector<TReportMarker> markers;
};

} // namespace ZReport
