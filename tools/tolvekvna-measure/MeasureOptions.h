#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include "measurement/RangeSliced.h"
#include "measurement/TouchstoneFile.h"
#include "measurement/TraceFiles.h"

// What one run of the measurement command is asked to do, read from its command line.
struct MeasureOptions
{
    enum class ECalibration
    {
        FACTORY,
        NONE,
        FILE
    };
    using EOutput = ZData::DS::TraceFiles::EFormat;

    static constexpr quint32 MIN_POINTS = ZData::DS::RangeSliced::MIN_POINTS;
    static constexpr quint32 MAX_POINTS = ZData::DS::RangeSliced::MAX_POINTS;
    static constexpr int MAX_BANDWIDTH_INDEX = 3;

    QString port;
    bool hasStart = false;
    quint64 startHz = 0;
    bool hasStop = false;
    quint64 stopHz = 0;
    bool hasPoints = false;
    quint32 points = 0;
    bool hasBandwidth = false;
    int bandwidthIndex = 0;
    ECalibration calibration = ECalibration::FACTORY;
    QString calibrationFile;
    int sweeps = 1;
    int timeoutSeconds = 30;
    QString outPath;
    EOutput output = EOutput::NONE;
    ZData::TouchstoneFile::TWriteOptions touchstone;
    QString dataDir;
    bool quiet = false;
    // The --chart types in the order given (EChartType values); the picture shows the first.
    QVector<int> chartTypes;
    // A picture of the last sweep: the chart type's value (EChartType), the PNG or SVG path, the size.
    int chartType = -1;
    QString imagePath;
    int imageWidth = 1600;
    int imageHeight = 1200;

    static constexpr int MAX_REPORT_VIEWS = 4;
    // The PDF report of the last sweep, its views (--chart types, or log magnitude, SWR and Smith).
    QString reportPath;
    QString reportTitle;
    QVector<int> reportCharts;

    // The --chart names in chart type order.
    static QStringList chartNames();
    // True when the arguments ask for a picture or a report, which need the widget toolkit; read
    // before the application object exists.
    static bool wantsImage(int argc, char** argv);

    // Fills the options from the arguments (program name first). On failure returns false with a
    // one-line reason; with --help or --version, returns true and sets helpText.
    bool parse(const QStringList& arguments, QString& error);
    QString helpText;
};
