#include "MeasureSession.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "calibration/CalibrationData.h"
#include "calibration/CalibrationManager.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "core/AppPaths.h"
#include "core/LocalizationManager.h"
#include "core/Logger.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/FrameCodec.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "measurement/TouchstoneFile.h"
#include "measurement/TraceFiles.h"
#include "report/CsvExport.h"
#include "report/MeasurementReport.h"
#include "report/ReportCollector.h"

using namespace ZData;

namespace {

void toStderr(const QString& line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

MeasureSession::MeasureSession(const MeasureOptions& options, QObject* parent)
    : QObject(parent), m_options(options)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(options.timeoutSeconds * 1000);
    connect(&m_timeout, &QTimer::timeout, this, &MeasureSession::onTimeout);
}

void MeasureSession::progress(const QString& text) const
{
    if (!m_options.quiet)
        toStderr(QStringLiteral("tolvekvna-measure: ") + text);
}

void MeasureSession::finish(int code, const QString& message)
{
    if (m_finished)
        return;
    m_finished = true;
    m_exitCode = code;
    m_timeout.stop();
    if (code == OK)
        progress(message);
    else
        toStderr(QStringLiteral("tolvekvna-measure: error: ") + message);
    DataScanManager::setScanPause(true, false);
    // Leave the event loop first: closing the port announces it, and that must not count as a failure.
    QCoreApplication::exit(code);
}

void MeasureSession::startManagers()
{
    if (!m_options.dataDir.isEmpty())
        ZCore::AppPaths::setBaseDir(m_options.dataDir);
    // Log lines go to the log file only; stderr carries the command's own progress and its one error.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    ZCore::Logger::setPresenter(
        [this](QtMsgType, const QString&, const QString& text) { progress(QStringLiteral("log: ") + text); });
    // The desktop program's managers in its order, only without a window.
    const QStringList failed = ZCore::StartupSequence::startManagers();
    for (const QString& tag : failed)
        progress(QStringLiteral("start-up of %1 failed, going on").arg(tag));
}

void MeasureSession::connectSignals()
{
    auto& device = DeviceManager::instance();
    connect(&device, &DeviceManager::signalIdentifiedDevice, this, &MeasureSession::onIdentified);
    connect(&device, &DeviceManager::signalGotOldDevice, this, [this] {
        finish(OTHER_FAILURE, QStringLiteral("the analyser's firmware is too old for this program"));
    });
    connect(&device, &DeviceManager::signalStartupFinished, this,
            [this] { progress(QStringLiteral("analyser started, loading the calibration")); });
    connect(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration, this,
            &MeasureSession::onCalibrationFinished);
    // Complete sweeps only: a slice refused by the scan never counts, nor does a redraw notice.
    connect(&DataScanManager::instance(), &DataScanManager::signalSweepCompleted, this,
            &MeasureSession::onSweepCompleted);
}

int MeasureSession::run()
{
    startManagers();
    connectSignals();

    TSerialPortConfig config = DM::SerialPort::config();
    config.portName = m_options.port;
    DM::SerialPort::setConfig(config);
    progress(QStringLiteral("opening %1").arg(m_options.port));
    if (!DM::SerialPort::open(true)) {
        toStderr(QStringLiteral("tolvekvna-measure: error: cannot open port %1: %2")
                     .arg(m_options.port, DM::SerialPort::port().errorString()));
        return PORT_NOT_OPENED;
    }
    // Watched only now: opening closes any earlier port first, and that close is no failure.
    auto& port = DM::SerialPort::instance();
    connect(&port, &DM::SerialPort::signalClosed, this, &MeasureSession::onPortClosed);
    connect(&port, &DM::SerialPort::signalLost, this, &MeasureSession::onPortClosed);
    m_timeout.start();
    const int code = m_finished ? m_exitCode : QCoreApplication::exec();
    m_finished = true;
    DM::SerialPort::close(false);
    return code;
}

void MeasureSession::onIdentified()
{
    if (m_finished)
        return;
    m_identified = true;
    const QString id = DeviceManager::deviceInfo().identifier;
    progress(QStringLiteral("analyser %1 answers").arg(id));

    if (m_options.calibration != MeasureOptions::ECalibration::FILE) {
        // The calibration manager would otherwise load the file last used with this analyser.
        CalibrationManager::setTableEntry(id, QString());
        return;
    }
    // Checked here, where the analyser's id is known: the manager would fall back to the factory
    // calibration on a foreign or broken file, and a script must not get silently other data.
    QFile file(m_options.calibrationFile);
    if (!file.open(QIODevice::ReadOnly)) {
        finish(BAD_CALIBRATION,
               QStringLiteral("calibration file cannot be read: %1").arg(m_options.calibrationFile));
        return;
    }
    QDataStream stream(file.readAll());
    FrameCodec::setupStream(stream);
    CAL::CalibrationData probe;
    switch (probe.deserialize(stream, id)) {
    case CAL::CalibrationData::EReadResult::WRONG_DEVICE:
        finish(BAD_CALIBRATION, QStringLiteral("calibration file %1 belongs to another analyser, not to %2")
                                    .arg(m_options.calibrationFile, id));
        return;
    case CAL::CalibrationData::EReadResult::MALFORMED:
        finish(BAD_CALIBRATION,
               QStringLiteral("calibration file is malformed: %1").arg(m_options.calibrationFile));
        return;
    case CAL::CalibrationData::EReadResult::OK:
        break;
    }
    CalibrationManager::setTableEntry(id, m_options.calibrationFile);
}

void MeasureSession::onCalibrationFinished()
{
    if (m_finished || m_sweepApplied)
        return;
    m_sweepApplied = true;
    if (m_options.calibration == MeasureOptions::ECalibration::NONE) {
        // Announced as a calibration in progress, the scan stops correcting and runs on raw data.
        emit CalibrationManager::instance().signalStartedCalibration();
        progress(QStringLiteral("measuring without calibration"));
    } else if (CalibrationManager::calibration().points() == 0) {
        finish(BAD_CALIBRATION, QStringLiteral("the analyser's calibration could not be loaded"));
        return;
    } else {
        progress(QStringLiteral("calibration of %1 points loaded")
                     .arg(CalibrationManager::calibration().points()));
    }
    QString error;
    if (!applySweep(error)) {
        finish(INVALID_OPTION, error);
        return;
    }
    const auto& sweep = DataScanManager::sweep();
    progress(QStringLiteral("sweeping %1 Hz to %2 Hz, %3 points, %4 sweep(s)")
                 .arg(qulonglong(sweep.start()))
                 .arg(qulonglong(sweep.stop()))
                 .arg(sweep.points())
                 .arg(m_options.sweeps));
    m_sweepsBefore = DataScanManager::completedSweeps();
    // The reset above restarts a running scan on our grid. A scan that had no sweep to run (no
    // calibration grid to follow) has no request in flight and is started here.
    if (DataScanManager::isPaused())
        DataScanManager::setScanPause(false, false);
    else
        DataScanManager::instance().slotStart();
}

bool MeasureSession::applySweep(QString& error)
{
    auto& sweep = DataScanManager::sweep();
    const TDeviceInfo& info = DeviceManager::deviceInfo();
    const double minimum = info.minFrequency > 0 ? double(info.minFrequency) : sweep.deviceRange().first;
    const double maximum = info.maxFrequency > 0 ? double(info.maxFrequency) : sweep.deviceRange().second;
    const double start = m_options.hasStart ? double(m_options.startHz) : sweep.start();
    const double stop = m_options.hasStop ? double(m_options.stopHz) : sweep.stop();
    if (start < minimum || stop > maximum) {
        error = QStringLiteral("the sweep %1 Hz to %2 Hz leaves the analyser's range %3 Hz to %4 Hz")
                    .arg(qulonglong(start))
                    .arg(qulonglong(stop))
                    .arg(qulonglong(minimum))
                    .arg(qulonglong(maximum));
        return false;
    }
    if (!(start < stop)) {
        error = QStringLiteral("the sweep start %1 Hz is not below its stop %2 Hz")
                    .arg(qulonglong(start))
                    .arg(qulonglong(stop));
        return false;
    }
    if (m_options.hasBandwidth) {
        if (m_options.bandwidthIndex >= info.bandwidths.size() && !info.bandwidths.isEmpty()) {
            error = QStringLiteral("--bandwidth %1 is beyond the analyser's %2 bandwidths")
                        .arg(m_options.bandwidthIndex)
                        .arg(info.bandwidths.size());
            return false;
        }
        CalibrationManager::setBandwidthIndex(quint8(m_options.bandwidthIndex));
    }
    // Stop before start when widening upwards, so the range never passes through an inverted state.
    if (stop > sweep.stop()) {
        sweep.setStop(stop, false);
        sweep.setStart(start, false);
    } else {
        sweep.setStart(start, false);
        sweep.setStop(stop, false);
    }
    sweep.setPoints(m_options.hasPoints ? m_options.points : sweep.points(), true);
    if (qAbs(sweep.start() - start) > 0.5 || qAbs(sweep.stop() - stop) > 0.5 ||
        (m_options.hasPoints && sweep.points() != m_options.points)) {
        error = QStringLiteral("the analyser does not accept the sweep %1 Hz to %2 Hz with %3 points")
                    .arg(qulonglong(start))
                    .arg(qulonglong(stop))
                    .arg(m_options.points);
        return false;
    }
    return true;
}

void MeasureSession::onSweepCompleted()
{
    if (m_finished || !m_sweepApplied)
        return;
    m_completedSweeps = int(DataScanManager::completedSweeps() - m_sweepsBefore);
    progress(QStringLiteral("sweep %1 of %2 complete").arg(m_completedSweeps).arg(m_options.sweeps));
    if (m_completedSweeps < m_options.sweeps)
        return;

    const int points = int(DataScanManager::sweep().points());
    // The buffer holds the whole sweep right now; the next request has not gone out yet.
    DataScanManager::setScanPause(true, false);
    m_lastSweep = DataScanManager::measuredBuffer().mid(0, points);
    QString error;
    if (!writeOutput(error)) {
        finish(OTHER_FAILURE, error);
        return;
    }
    finish(OK, m_options.outPath.isEmpty() ? QString() : QStringLiteral("wrote %1").arg(m_options.outPath));
}

void MeasureSession::ensureLanguage()
{
    // Pictures and reports carry the program's texts; the desktop program picks the language from
    // the profile, a script gets the default one.
    if (ZCore::LocalizationManager::currentFile().isEmpty())
        ZCore::LocalizationManager::setLanguage(
            QString::fromLatin1(ZCore::LocalizationManager::DEFAULT_FILE));
}

bool MeasureSession::writeReport(QString& error)
{
    using namespace ZChart;
    ensureLanguage();
    // Sized for half the page width, where the report puts them two a row, so the texts keep a
    // readable size on paper.
    constexpr int width = 600;
    constexpr int height = 450;
    std::vector<std::unique_ptr<ZChartView>> views;
    QList<ZChartView*> shown;
    for (int type : qAsConst(m_options.reportCharts)) {
        views.push_back(std::make_unique<ZChartView>());
        ZChartView* view = views.back().get();
        view->setAttribute(Qt::WA_DontShowOnScreen);
        view->resize(width, height);
        view->show();
        view->setChartType(EChartType(type));
        view->slotRangeUpdated();
        shown.append(view);
    }
    QCoreApplication::processEvents();
    for (ZChartView* view : qAsConst(shown))
        view->refreshFrom(m_lastSweep);
    const ZReport::TReportContent content =
        ZReport::ReportCollector::collect(shown, m_options.reportTitle, QString());
    if (!ZReport::MeasurementReport::write(m_options.reportPath, content, &error))
        return false;
    progress(QStringLiteral("wrote %1").arg(m_options.reportPath));
    return true;
}

bool MeasureSession::writeImage(QString& error)
{
    using namespace ZChart;
    ensureLanguage();
    ZChartView view;
    view.resize(m_options.imageWidth, m_options.imageHeight);
    view.setChartType(EChartType(m_options.chartType));
    // Axes, the distance window and the range box for the sweep just measured.
    view.slotRangeUpdated();
    view.refreshFrom(m_lastSweep);
    if (!view.saveImage(m_options.imagePath, QSize(m_options.imageWidth, m_options.imageHeight), &error))
        return false;
    progress(QStringLiteral("wrote %1").arg(m_options.imagePath));
    return true;
}

bool MeasureSession::writeOutput(QString& error)
{
    if (m_options.chartType >= 0 && !writeImage(error))
        return false;
    if (!m_options.reportPath.isEmpty() && !writeReport(error))
        return false;
    switch (m_options.output) {
    case MeasureOptions::EOutput::NONE:
        return true;
    case MeasureOptions::EOutput::TOUCHSTONE:
        return TouchstoneFile::write(m_options.outPath, m_lastSweep, &error, m_options.touchstone);
    case MeasureOptions::EOutput::CSV:
        return ZReport::CsvExport::write(m_options.outPath, DS::TraceFiles::toCsv(m_lastSweep), &error);
    case MeasureOptions::EOutput::BINARY:
        if (DataScanManager::saveBinaryTrace(m_options.outPath))
            return true;
        break;
    case MeasureOptions::EOutput::TEXT:
        if (DataScanManager::saveTextTrace(m_options.outPath))
            return true;
        break;
    }
    error = QStringLiteral("cannot write %1").arg(m_options.outPath);
    return false;
}

void MeasureSession::onPortClosed()
{
    if (m_finished)
        return;
    if (!m_identified)
        finish(NO_ANSWER, QStringLiteral("the analyser does not answer on %1").arg(m_options.port));
    else
        finish(NO_ANSWER, QStringLiteral("the analyser stopped answering on %1").arg(m_options.port));
}

void MeasureSession::onTimeout()
{
    if (!m_identified)
        finish(NO_ANSWER, QStringLiteral("the analyser does not answer on %1 (nothing within %2 s)")
                              .arg(m_options.port)
                              .arg(m_options.timeoutSeconds));
    else
        finish(TIMEOUT, QStringLiteral("timeout after %1 s with %2 of %3 sweeps complete")
                            .arg(m_options.timeoutSeconds)
                            .arg(m_completedSweeps)
                            .arg(m_options.sweeps));
}
