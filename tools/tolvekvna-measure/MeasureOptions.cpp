#include "MeasureOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QSize>

#include "charts/ChartImageRenderer.h"

namespace {

bool toUnsigned(const QString& text, quint64& value)
{
    bool ok = false;
    value = text.trimmed().toULongLong(&ok);
    if (ok)
        return true;
    // Scientific notation ("1e9") is handy for frequencies; it must still be a whole number.
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !(number >= 0.0) || number >= 1.8e19 || number != double(quint64(number)))
        return false;
    value = quint64(number);
    return true;
}

} // namespace

QStringList MeasureOptions::chartNames()
{
    return {QStringLiteral("smith"),   QStringLiteral("polar"),   QStringLiteral("phase"),
            QStringLiteral("lin_mag"), QStringLiteral("log_mag"), QStringLiteral("swr"),
            QStringLiteral("dtf"),     QStringLiteral("loss")};
}

bool MeasureOptions::wantsImage(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        for (const char* name : {"-chart", "--chart", "-image", "--image", "-report", "--report"})
            if (arg == name || arg.startsWith(QByteArray(name) + '='))
                return true;
    }
    return false;
}

bool MeasureOptions::parse(const QStringList& arguments, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Measures S11 with a TolvekVNA analyser without a window and writes the last complete sweep.\n"
        "Exit status: 0 success, 1 invalid option, 2 port cannot be opened, 3 analyser does not\n"
        "answer, 4 calibration file unusable, 5 timeout, 6 other failure (output, firmware, range)."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Serial port of the analyser (required)."),
                                        QStringLiteral("PATH"));
    const QCommandLineOption startOption(QStringLiteral("start"), QStringLiteral("Sweep start in Hz."),
                                         QStringLiteral("HZ"));
    const QCommandLineOption stopOption(QStringLiteral("stop"), QStringLiteral("Sweep stop in Hz."),
                                        QStringLiteral("HZ"));
    const QCommandLineOption pointsOption(
        QStringLiteral("points"), QStringLiteral("Sweep points, %1 to %2.").arg(MIN_POINTS).arg(MAX_POINTS),
        QStringLiteral("N"));
    const QCommandLineOption bandwidthOption(
        QStringLiteral("bandwidth"), QStringLiteral("Index into the analyser's bandwidth list, 0 to 3."),
        QStringLiteral("INDEX"));
    const QCommandLineOption calibrationOption(
        QStringLiteral("calibration"),
        QStringLiteral(
            "factory (the analyser's own, default), none (raw data) or a .cbin file of this analyser."),
        QStringLiteral("factory|none|FILE.cbin"), QStringLiteral("factory"));
    const QCommandLineOption sweepsOption(
        QStringLiteral("sweeps"),
        QStringLiteral("Complete sweeps to measure, the last one is written "
                       "(default 1)."),
        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Give up after this many seconds (default 30)."),
                                           QStringLiteral("SECONDS"), QStringLiteral("30"));
    const QCommandLineOption outOption(
        QStringLiteral("out"),
        QStringLiteral("Output file: .tbin or .dat trace, .s1p Touchstone or .csv table."),
        QStringLiteral("FILE"));
    const QCommandLineOption touchstoneFormatOption(
        QStringLiteral("touchstone-format"),
        QStringLiteral("Data format of a .s1p output: RI (default), MA or DB."), QStringLiteral("RI|MA|DB"));
    const QCommandLineOption touchstoneUnitOption(
        QStringLiteral("touchstone-unit"),
        QStringLiteral("Frequency unit of a .s1p output: HZ (default), KHZ, MHZ or GHZ."),
        QStringLiteral("HZ|KHZ|MHZ|GHZ"));
    const QCommandLineOption reportOption(
        QStringLiteral("report"),
        QStringLiteral("PDF report of the last sweep; its charts are the --chart types (default "
                       "log_mag, swr and smith)."),
        QStringLiteral("FILE.pdf"));
    const QCommandLineOption reportTitleOption(QStringLiteral("report-title"),
                                               QStringLiteral("Title of the --report."), QStringLiteral("TEXT"));
    const QCommandLineOption dataDirOption(
        QStringLiteral("data-dir"),
        QStringLiteral("Directory for logs, profiles and calibrations (default: the program's data folder)."),
        QStringLiteral("DIR"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("No progress lines."));
    const QCommandLineOption chartOption(QStringLiteral("chart"),
                                         QStringLiteral("Chart of the last sweep for --image (the first "
                                                        "given) and --report (up to four): %1.")
                                             .arg(chartNames().join(QStringLiteral(", "))),
                                         QStringLiteral("TYPE"));
    const QCommandLineOption imageOption(
        QStringLiteral("image"), QStringLiteral("Picture of the chart: .png (raster) or .svg (vector)."),
        QStringLiteral("FILE"));
    const QCommandLineOption imageSizeOption(QStringLiteral("image-size"),
                                             QStringLiteral("Picture size in pixels (default 1600x1200)."),
                                             QStringLiteral("WxH"), QStringLiteral("1600x1200"));
    parser.addOptions({help, portOption, startOption, stopOption, pointsOption, bandwidthOption,
                       calibrationOption, sweepsOption, timeoutOption, outOption, dataDirOption, quietOption,
                       chartOption, imageOption, imageSizeOption, touchstoneFormatOption,
                       touchstoneUnitOption, reportOption, reportTitleOption});

    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(help)) {
        helpText = parser.helpText();
        return true;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return false;
    }

    port = parser.value(portOption);
    if (port.isEmpty()) {
        error = QStringLiteral("--port PATH is required");
        return false;
    }
    if (parser.isSet(startOption)) {
        hasStart = toUnsigned(parser.value(startOption), startHz) && startHz > 0;
        if (!hasStart) {
            error = QStringLiteral("--start must be a positive whole number of Hz, not \"%1\"")
                        .arg(parser.value(startOption));
            return false;
        }
    }
    if (parser.isSet(stopOption)) {
        hasStop = toUnsigned(parser.value(stopOption), stopHz) && stopHz > 0;
        if (!hasStop) {
            error = QStringLiteral("--stop must be a positive whole number of Hz, not \"%1\"")
                        .arg(parser.value(stopOption));
            return false;
        }
    }
    if (hasStart && hasStop && startHz >= stopHz) {
        error = QStringLiteral("--start (%1 Hz) must be below --stop (%2 Hz)").arg(startHz).arg(stopHz);
        return false;
    }
    if (parser.isSet(pointsOption)) {
        quint64 value = 0;
        if (!toUnsigned(parser.value(pointsOption), value) || value < MIN_POINTS || value > MAX_POINTS) {
            error = QStringLiteral("--points must be %1 to %2, not \"%3\"")
                        .arg(MIN_POINTS)
                        .arg(MAX_POINTS)
                        .arg(parser.value(pointsOption));
            return false;
        }
        hasPoints = true;
        points = quint32(value);
    }
    if (parser.isSet(bandwidthOption)) {
        quint64 value = 0;
        if (!toUnsigned(parser.value(bandwidthOption), value) || value > quint64(MAX_BANDWIDTH_INDEX)) {
            error = QStringLiteral("--bandwidth must be an index from 0 to %1, not \"%2\"")
                        .arg(MAX_BANDWIDTH_INDEX)
                        .arg(parser.value(bandwidthOption));
            return false;
        }
        hasBandwidth = true;
        bandwidthIndex = int(value);
    }

    const QString calibrationText = parser.value(calibrationOption);
    if (calibrationText == QLatin1String("factory")) {
        calibration = ECalibration::FACTORY;
    } else if (calibrationText == QLatin1String("none")) {
        calibration = ECalibration::NONE;
    } else {
        const QFileInfo file(calibrationText);
        if (file.suffix().compare(QLatin1String("cbin"), Qt::CaseInsensitive) != 0) {
            error = QStringLiteral("--calibration must be factory, none or a .cbin file, not \"%1\"")
                        .arg(calibrationText);
            return false;
        }
        if (!file.isFile() || !file.isReadable()) {
            error = QStringLiteral("calibration file cannot be read: %1").arg(calibrationText);
            return false;
        }
        calibration = ECalibration::FILE;
        calibrationFile = file.absoluteFilePath();
    }

    quint64 value = 0;
    if (!toUnsigned(parser.value(sweepsOption), value) || value < 1 || value > 1000000) {
        error = QStringLiteral("--sweeps must be a whole number of at least 1, not \"%1\"")
                    .arg(parser.value(sweepsOption));
        return false;
    }
    sweeps = int(value);
    if (!toUnsigned(parser.value(timeoutOption), value) || value < 1 || value > 86400) {
        error = QStringLiteral("--timeout must be 1 to 86400 seconds, not \"%1\"")
                    .arg(parser.value(timeoutOption));
        return false;
    }
    timeoutSeconds = int(value);

    if (parser.isSet(outOption)) {
        outPath = parser.value(outOption);
        output = ZData::DS::TraceFiles::formatOf(outPath);
        if (output == EOutput::NONE) {
            error = QStringLiteral("--out must end in .tbin, .dat, .s1p or .csv: %1").arg(outPath);
            return false;
        }
        const QFileInfo directory(QFileInfo(outPath).absolutePath());
        if (!directory.isDir() || !directory.isWritable()) {
            error = QStringLiteral("output directory does not exist or is not writable: %1")
                        .arg(directory.filePath());
            return false;
        }
        outPath = QFileInfo(outPath).absoluteFilePath();
    }
    // Options for another output than the one asked for would be silently ignored.
    for (const QCommandLineOption* option : {&touchstoneFormatOption, &touchstoneUnitOption}) {
        if (parser.isSet(*option) && output != EOutput::TOUCHSTONE) {
            error = QStringLiteral("--%1 needs --out FILE.s1p").arg(option->names().first());
            return false;
        }
    }
    if (parser.isSet(touchstoneFormatOption) &&
        !ZData::TouchstoneFile::formatFromName(parser.value(touchstoneFormatOption), touchstone.format)) {
        error = QStringLiteral("--touchstone-format must be RI, MA or DB, not \"%1\"")
                    .arg(parser.value(touchstoneFormatOption));
        return false;
    }
    if (parser.isSet(touchstoneUnitOption) &&
        !ZData::TouchstoneFile::unitFromName(parser.value(touchstoneUnitOption), touchstone.unit)) {
        error = QStringLiteral("--touchstone-unit must be HZ, KHZ, MHZ or GHZ, not \"%1\"")
                    .arg(parser.value(touchstoneUnitOption));
        return false;
    }

    for (const QString& name : parser.values(chartOption)) {
        const int type = chartNames().indexOf(name);
        if (type < 0) {
            error = QStringLiteral("--chart must be one of %1, not \"%2\"")
                        .arg(chartNames().join(QStringLiteral(", ")), name);
            return false;
        }
        chartTypes.append(type);
    }
    const bool report = parser.isSet(reportOption);
    if (chartTypes.size() > 1 && !report) {
        error = QStringLiteral("only --report takes more than one --chart");
        return false;
    }
    if (chartTypes.size() > MAX_REPORT_VIEWS) {
        error = QStringLiteral("a report shows at most %1 charts").arg(MAX_REPORT_VIEWS);
        return false;
    }
    if (parser.isSet(reportTitleOption) && !report) {
        error = QStringLiteral("--report-title needs --report FILE.pdf");
        return false;
    }
    if (report) {
        reportPath = parser.value(reportOption);
        if (QFileInfo(reportPath).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0) {
            error = QStringLiteral("--report must end in .pdf: %1").arg(reportPath);
            return false;
        }
        const QFileInfo directory(QFileInfo(reportPath).absolutePath());
        if (!directory.isDir() || !directory.isWritable() || QFileInfo(reportPath).isDir()) {
            error = QStringLiteral("report file cannot be written: %1").arg(reportPath);
            return false;
        }
        reportPath = QFileInfo(reportPath).absoluteFilePath();
        reportTitle = parser.value(reportTitleOption);
        reportCharts = chartTypes;
        if (reportCharts.isEmpty())
            reportCharts = {chartNames().indexOf(QStringLiteral("log_mag")),
                            chartNames().indexOf(QStringLiteral("swr")),
                            chartNames().indexOf(QStringLiteral("smith"))};
    }

    if (!chartTypes.isEmpty() && !parser.isSet(imageOption) && !report) {
        error = QStringLiteral("--chart TYPE goes with --image FILE or --report FILE.pdf");
        return false;
    }
    if (parser.isSet(imageOption) && chartTypes.isEmpty()) {
        error = QStringLiteral("--image FILE needs --chart TYPE");
        return false;
    }
    if (parser.isSet(imageOption)) {
        chartType = chartTypes.first();
        imagePath = parser.value(imageOption);
        const QString suffix = QFileInfo(imagePath).suffix().toLower();
        if (suffix != QLatin1String("png") && suffix != QLatin1String("svg")) {
            error = QStringLiteral("--image must end in .png or .svg: %1").arg(imagePath);
            return false;
        }
        const QFileInfo directory(QFileInfo(imagePath).absolutePath());
        if (!directory.isDir() || !directory.isWritable() || QFileInfo(imagePath).isDir()) {
            error = QStringLiteral("image file cannot be written: %1").arg(imagePath);
            return false;
        }
        imagePath = QFileInfo(imagePath).absoluteFilePath();
        QSize size;
        if (!ZChart::ChartImageRenderer::parseSize(parser.value(imageSizeOption), size)) {
            error = QStringLiteral("--image-size must be WxH, each %1 to %2, not \"%3\"")
                        .arg(ZChart::ChartImageRenderer::MIN_SIDE)
                        .arg(ZChart::ChartImageRenderer::MAX_SIDE)
                        .arg(parser.value(imageSizeOption));
            return false;
        }
        imageWidth = size.width();
        imageHeight = size.height();
    } else if (parser.isSet(imageSizeOption)) {
        error = QStringLiteral("--image-size needs --chart TYPE --image FILE");
        return false;
    }
    dataDir = parser.value(dataDirOption);
    quiet = parser.isSet(quietOption);
    return true;
}
