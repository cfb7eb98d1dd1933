#include "measurement/DataScanManager.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

#include "calibration/CalibrationManager.h"
#include "core/AppPaths.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "core/utility/Path.h"
#include "core/utility/ZMath.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/ScanReply.h"
#include "devicelink/SerialPort.h"
#include "measurement/TouchstoneFile.h"
#include "measurement/TraceFiles.h"

namespace ZData {

namespace {

using ZCore::SettingsManager;
using ZCore::UtilityModules::Path;

// A trace file is at most a few hundred kilobytes; a larger file is not read into memory.
constexpr qint64 MAX_TRACE_FILE_BYTES = 4 * 1024 * 1024;

const ZCore::TaggedLog kLog(DataScanManager::tag());

using DS::toHz;

} // namespace

DataScanManager::DataScanManager() = default;

void DataScanManager::reset()
{
    s_sweep = DS::RangeSliced();
    s_measured.fill(TScanPoint());
    s_delayed.fill(TScanPoint());
    s_interpolated.fill(TScanPoint());
    s_slice.clear();
    s_sliceStart = 0;
    s_traces.clear();
    s_calibrationApplied = false;
    s_elDelayEnabled = false;
    s_interpolationEnabled = false;
    s_elDelayValue = 0;
    s_firstDataReceived = false;
    s_tracesRestored = false;
    s_paused = true;
    s_requestPending = false;
    s_completedSweeps = 0;
    s_nextSweepIndex = -1;
    s_live = false;
    s_lastDataTime = QDateTime();
    s_liveAverage = 0;
    restartAverage();
}

bool DataScanManager::init()
{
    kLog.debug(QStringLiteral(">> ZData::DataScanManager::init.."));
    auto& self = instance();
    // The buffers are allocated here once; a sweep only ever writes into them.
    if (s_measured.size() != BUFFER_POINTS) {
        s_measured = TScanPoints(BUFFER_POINTS);
        s_delayed = TScanPoints(BUFFER_POINTS);
        s_interpolated = TScanPoints(INTERPOLATED_POINTS);
        s_work = TScanPoints(BUFFER_POINTS);
        s_average = TScanPoints(BUFFER_POINTS);
        s_averageCount = QVector<quint8>(BUFFER_POINTS, 0);
        s_slice.reserve(EProtocolSetup::SLICE_POINTS);
        s_traces.reserve(MAX_TRACES);
    }
    SettingsManager::registerRestorable(self.restorable());
    connectManagers();
    DeviceManager::setScanRequestSource([] { return scanRequest(); });
    readSettings();
    return initDirs();
}

void DataScanManager::connectManagers()
{
    auto& self = instance();
    QObject::connect(
        &SettingsManager::instance(), &SettingsManager::signalGotSettings, &self,
        [] { instance().restoreSettings(); }, Qt::UniqueConnection);
    QObject::connect(&DeviceManager::instance(), &DeviceManager::signalGotDeviceParams, &self,
                     &DataScanManager::slotGotDeviceParams, Qt::UniqueConnection);
    QObject::connect(
        &CalibrationManager::instance(), &CalibrationManager::signalChangedBandwidth, &self,
        [] { emit s_sweep.signalUpdated(); }, Qt::UniqueConnection);
    QObject::connect(
        &CalibrationManager::instance(), &CalibrationManager::signalStartedCalibration, &self,
        [] {
            s_calibrationApplied = false;
            restartAverage();
        },
        Qt::UniqueConnection);
    QObject::connect(
        &CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration, &self,
        [] {
            s_calibrationApplied = true;
            restartAverage();
            applyPause(false);
            emit instance().signalScanPause(s_paused);
        },
        Qt::UniqueConnection);
    QObject::connect(&DeviceManager::instance(), &DeviceManager::signalGotScanData, &self,
                     &DataScanManager::slotProcessScanData, Qt::UniqueConnection);
    QObject::connect(&DeviceManager::instance(), &DeviceManager::signalStartupFinished, &self,
                     &DataScanManager::slotPostDeviceStartup, Qt::UniqueConnection);
    QObject::connect(
        &DM::SerialPort::instance(), &DM::SerialPort::signalClosing, &self,
        [] {
            // The queue dies with the port, and with it any request in flight.
            s_requestPending = false;
            s_paused = true;
            emit instance().signalScanPause(true);
            setLive(false);
        },
        Qt::UniqueConnection);
    QObject::connect(
        &DM::SerialPort::instance(), &DM::SerialPort::signalLost, &self, [] { setLive(false); },
        Qt::UniqueConnection);
    // An empty queue holds no request of ours, whoever emptied it.
    QObject::connect(
        &DM::CommandQueue::instance(), &DM::CommandQueue::signalBecameEmpty, &self,
        [] { s_requestPending = false; }, Qt::UniqueConnection);
    QObject::connect(&s_sweep, &DS::RangeSliced::signalUpdated, &self, &DataScanManager::slotResetScan,
                     Qt::UniqueConnection);
}

void DataScanManager::readSettings()
{
    if (QSettings* settings = SettingsManager::settings()) {
        settings->beginGroup(SettingsManager::groupName(ZCore::ESettingsGroups::DEVICE));
        setElDelayValue(settings->value(QStringLiteral("el_delay_value"), 0).toInt(), false);
        s_elDelayEnabled = settings->value(QStringLiteral("el_delay_enabled"), false).toBool();
        settings->endGroup();
        settings->beginGroup(SettingsManager::groupName(ZCore::ESettingsGroups::DEFAULT));
        s_interpolationEnabled = settings->value(QStringLiteral("interpolation_enabled"), false).toBool();
        settings->endGroup();
    }
}

bool DataScanManager::initDirs()
{
    s_traceDir = ZCore::AppPaths::baseDir() + QLatin1Char('/') + QLatin1String(TRACE_DIR_NAME);
    if (!Path::createDir(s_traceDir, QStringLiteral("TRACE_DIR"))) {
        kLog.critical("lp_err_trace_cant_create_dirs", s_traceDir);
        return false;
    }
    return true;
}

// ---- settings and pauses ----

void DataScanManager::setElDelayEnabled(bool enabled, bool notify)
{
    s_elDelayEnabled = enabled;
    if (notify)
        emit instance().signalProcessedScanData(quint32(s_slice.size()));
}

void DataScanManager::setInterpolationEnabled(bool enabled, bool notify)
{
    s_interpolationEnabled = enabled;
    if (notify) {
        emit instance().signalApplyInterpolationChanged(enabled);
        emit instance().signalProcessedScanData(quint32(s_slice.size()));
    }
}

void DataScanManager::setElDelayValue(qint32 picoseconds, bool notify)
{
    s_elDelayValue = qBound(-MAX_EL_DELAY_PS, picoseconds, MAX_EL_DELAY_PS);
    if (notify && s_calibrationApplied && s_elDelayEnabled)
        emit instance().signalProcessedScanData(quint32(s_slice.size()));
}

void DataScanManager::applyPause(bool paused)
{
    const bool resumed = s_paused && !paused;
    s_paused = paused;
    if (resumed)
        restartRequests();
}

void DataScanManager::setScanPause(bool paused, bool notify)
{
    applyPause(paused);
    if (notify)
        emit instance().signalScanPause(s_paused);
}

void DataScanManager::setUserScanPause(bool paused)
{
    applyPause(paused);
    emit instance().signalUserScanPause(paused);
}

// ---- accessors ----

quint32 DataScanManager::pointCount()
{
    return s_interpolationEnabled ? quint32(INTERPOLATED_POINTS) : s_sweep.points();
}

const TScanPoints& DataScanManager::nonInterpolatedBuffer()
{
    return s_calibrationApplied && s_elDelayEnabled ? s_delayed : s_measured;
}

const TScanPoints& DataScanManager::activeBuffer()
{
    return s_interpolationEnabled ? s_interpolated : nonInterpolatedBuffer();
}

TScanPoint DataScanManager::pointAt(qint64 index)
{
    const TScanPoints& buffer = activeBuffer();
    const qint64 last = qMin<qint64>(qint64(pointCount()), buffer.size()) - 1;
    if (last < 0)
        return TScanPoint();
    return buffer[int(qBound<qint64>(0, index, last))];
}

void DataScanManager::copyData(int first, int count, TScanPoints& out, bool useInterpolation)
{
    out.resize(qMax(0, count));
    if (s_calibrationApplied && s_elDelayEnabled)
        refreshDelayed();
    if (s_interpolationEnabled)
        refreshInterpolated();
    const TScanPoints& source = useInterpolation ? activeBuffer() : nonInterpolatedBuffer();
    for (int i = 0; i < out.size(); ++i) {
        const int k = first + i;
        out[i] = k >= 0 && k < source.size() ? source[k] : TScanPoint();
    }
}

// ---- derived data ----

void DataScanManager::refreshDelayed()
{
    if (!s_elDelayEnabled) {
        kLog.warn(QStringLiteral(">> tried to apply el delay, but it isn't enabled"));
        return;
    }
    const float tau = float(s_elDelayValue) / 1e12f;
    const float k = 6.2831855f;
    const int n = qMin<int>(int(qMin<quint32>(s_sweep.points(), BUFFER_POINTS)), s_measured.size());
    for (int i = 0; i < n; ++i) {
        const TScanPoint& m = s_measured[i];
        const float phi = (k * tau) * float(m.frequency);
        const float c = std::cos(phi);
        const float s = std::sin(phi);
        TScanPoint& d = s_delayed[i];
        d.frequency = m.frequency;
        d.re = m.re * c - m.im * s;
        d.im = m.re * s + m.im * c;
    }
}

void DataScanManager::rebuildInterpolationGrid()
{
    const double step = (s_sweep.stop() - s_sweep.start()) / 999.0;
    double f = s_sweep.start();
    for (auto& point : s_interpolated) {
        point.frequency = toHz(f);
        f += step;
    }
}

void DataScanManager::refreshInterpolated()
{
    const TScanPoints& source = s_calibrationApplied && s_elDelayEnabled ? s_delayed : s_measured;
    const int n = int(qMin<quint32>(s_sweep.points(), BUFFER_POINTS));
    if (n < 2)
        return;
    s_work.resize(n);
    double f = s_sweep.start();
    for (int i = 0; i < n; ++i) {
        s_work[i] = source[i];
        s_work[i].frequency = toHz(f);
        f += s_sweep.step();
    }
    ZCore::UtilityModules::ZMath::linearInterpolation(s_work, s_interpolated, true);
}

// ---- scan loop ----

bool DataScanManager::prepareNextSlice()
{
    const QVector<quint64> frequencies = s_sweep.nextSlice();
    const int n = frequencies.size();
    s_slice.clear();
    if (n == 0)
        return false;
    const quint32 end = s_sweep.sliceCursor() < quint32(n) ? s_sweep.points() : s_sweep.sliceCursor();
    if (end < quint32(n) || end > quint32(BUFFER_POINTS)) {
        kLog.warn(
            QStringLiteral(">> sweep of %1 points does not fit the scan buffer of %2 points => not requested")
                .arg(s_sweep.points())
                .arg(BUFFER_POINTS));
        return false;
    }
    s_sliceStart = end - quint32(n);
    s_slice.resize(n);
    for (int i = 0; i < n; ++i) {
        s_measured[int(s_sliceStart) + i].frequency = frequencies[i];
        s_slice[i] = s_measured[int(s_sliceStart) + i];
    }
    return true;
}

void DataScanManager::restartRequests()
{
    // A request still queued keeps its slice: clearing it would skip that part of the sweep.
    if (s_requestPending)
        return;
    s_slice.clear();
    requestNextSlice();
}

void DataScanManager::requestNextSlice()
{
    if (s_paused || s_requestPending)
        return;
    if (!prepareNextSlice())
        return;
    s_requestPending = true;
    DM::CommandQueue::add(EDeviceCommands::DA_GET_SCAN_DATA);
}

void DataScanManager::requestSameSlice()
{
    if (s_slice.isEmpty()) {
        requestNextSlice();
        return;
    }
    if (s_paused || s_requestPending)
        return;
    s_requestPending = true;
    DM::CommandQueue::add(EDeviceCommands::DA_GET_SCAN_DATA);
}

TScanRequest DataScanManager::scanRequest()
{
    // A reset between queueing and sending empties the slice: the request then carries the slice
    // the scan restarts with.
    if (s_slice.isEmpty() && !s_paused)
        prepareNextSlice();
    TScanRequest request;
    if (s_slice.isEmpty()) {
        s_requestPending = false;
        return request;
    }
    request.valid = true;
    request.bandwidthIndex = CalibrationManager::bandwidthIndex();
    request.startIndex = quint16(s_sliceStart);
    request.frequencies.reserve(s_slice.size());
    for (const auto& point : s_slice)
        request.frequencies.append(point.frequency);
    return request;
}

bool DataScanManager::acceptScanReply(const TDeviceReply& reply)
{
    ScanReply scan;
    QString reason;
    const int index = reply.header.options;
    if (!ScanReply::parse(reply.data, scan, &reason)) {
        kLog.warn(QStringLiteral(">> refused scan data: ") + reason);
        return false;
    }
    // Only the slice asked for is stored: a reply for another index or of another length, or one
    // still arriving for a request made before the scan was reset, would put stale or misplaced
    // values into the sweep.
    if (s_slice.isEmpty() || index != int(s_sliceStart) || scan.count() != s_slice.size()) {
        kLog.warn(
            QStringLiteral(">> refused scan data: %1 points at index %2, requested %3 points at index %4")
                .arg(scan.count())
                .arg(index)
                .arg(s_slice.size())
                .arg(s_sliceStart));
        return false;
    }
    const int limit = int(qMin<quint32>(s_sweep.points(), BUFFER_POINTS));
    if (index + scan.count() > limit) {
        kLog.warn(
            QStringLiteral(">> refused scan data: %1 points at index %2 do not fit the sweep of %3 points")
                .arg(scan.count())
                .arg(index)
                .arg(s_sweep.points()));
        // The sweep shrank under this slice without notice: asking for it again could only be
        // refused again, so the scan starts over on the sweep as it is now.
        instance().slotResetScan();
        return false;
    }
    for (int j = 0; j < scan.count(); ++j) {
        TScanPoint& point = s_measured[index + j];
        point.re = scan.values()[j].re;
        point.im = scan.values()[j].im;
    }
    if (s_calibrationApplied && scan.count() > 0) {
        CalibrationManager::correct(s_measured.data(), index, scan.count());
        averageSlice(index, scan.count());
    }
    return true;
}

void DataScanManager::restartAverage()
{
    s_averageCount.fill(0);
}

bool DataScanManager::setLiveAverage(int sweeps)
{
    if (sweeps < 0 || sweeps > MAX_LIVE_AVERAGE)
        return false;
    const int value = sweeps < 2 ? 0 : sweeps;
    if (value == s_liveAverage)
        return true;
    s_liveAverage = value;
    restartAverage();
    emit instance().signalLiveAverageChanged(value);
    return true;
}

void DataScanManager::averageSlice(int index, int count)
{
    if (s_liveAverage < 2 || index + count > s_average.size())
        return;
    // The mean of the sweeps so far until N are in, then each new sweep weighs 1/N: a trace that
    // settles within N sweeps of a change and never holds more than the last few dozen.
    for (int k = index; k < index + count; ++k) {
        quint8& n = s_averageCount[k];
        if (n < s_liveAverage)
            ++n;
        TScanPoint& avg = s_average[k];
        const TScanPoint& now = s_measured[k];
        if (n == 1) {
            avg.re = now.re;
            avg.im = now.im;
        } else {
            avg.re += (now.re - avg.re) / float(n);
            avg.im += (now.im - avg.im) / float(n);
        }
        s_measured[k].re = avg.re;
        s_measured[k].im = avg.im;
    }
}

void DataScanManager::countCompletedSweep(int index, int count)
{
    // Complete only when the slices were accepted one after the other from point 0.
    if (index == 0)
        s_nextSweepIndex = count;
    else if (s_nextSweepIndex >= 0 && index == s_nextSweepIndex)
        s_nextSweepIndex += count;
    else
        s_nextSweepIndex = -1;
    if (count > 0 && s_nextSweepIndex == qint64(s_sweep.points())) {
        ++s_completedSweeps;
        s_nextSweepIndex = -1;
        emit instance().signalSweepCompleted();
    }
}

void DataScanManager::slotProcessScanData(ZData::TDeviceReply device_reply)
{
    s_requestPending = false;
    if (!acceptScanReply(device_reply)) {
        // Nothing was written, so nothing is announced; the slice still missing is asked for again.
        requestSameSlice();
        return;
    }
    s_firstDataReceived = true;
    s_lastDataTime = QDateTime::currentDateTime();
    setLive(true);
    if (!s_tracesRestored) {
        s_tracesRestored = true;
        instance().restoreSettings();
    }
    const int index = device_reply.header.options;
    const int count = s_slice.size();
    emit instance().signalProcessedScanData(quint32(count));
    countCompletedSweep(index, count);
    requestNextSlice();
}

void DataScanManager::setLive(bool live)
{
    if (s_live == live)
        return;
    s_live = live;
    emit instance().signalLiveChanged(live);
}

void DataScanManager::takeDeviceRange()
{
    const TDeviceInfo& info = DeviceManager::deviceInfo();
    s_sweep.setDeviceRange(double(info.minFrequency), double(info.maxFrequency));
    emit instance().signalProcessedScanRange();
}

void DataScanManager::slotGotDeviceParams(ZData::EDeviceOptions option)
{
    if (option != EDeviceOptions::SCAN_RANGE) {
        kLog.debug(QStringLiteral(">> ignored option: %1").arg(int(option)));
        return;
    }
    // The loaded traces stay through a reconnect; only the first data of a run reads the profile's.
    takeDeviceRange();
}

void DataScanManager::slotProcessScanRange(ZData::TDeviceReply device_reply)
{
    Q_UNUSED(device_reply);
    takeDeviceRange();
}

void DataScanManager::slotPostDeviceStartup()
{
    s_calibrationApplied = false;
}

void DataScanManager::slotStart()
{
    if (s_paused)
        return;
    restartRequests();
}

void DataScanManager::slotStop() {}

void DataScanManager::slotResetScan()
{
    s_sweep.resetSlicing();
    s_slice.clear();
    s_nextSweepIndex = -1;
    restartAverage();
    rebuildInterpolationGrid();
}

// ---- traces ----

void DataScanManager::collectTrace(DS::TTraceData& trace)
{
    const DS::RangeSliced snapshot(s_sweep);
    trace.start = snapshot.start();
    trace.stop = snapshot.stop();
    const bool delayed = s_calibrationApplied && s_elDelayEnabled;
    if (delayed)
        refreshDelayed();
    const TScanPoints& source = delayed ? s_delayed : s_measured;
    const int n = int(qMin<quint32>(snapshot.points(), quint32(source.size())));
    trace.pointCount = quint32(n);
    trace.points = source.mid(0, n);
}

bool DataScanManager::saveBinaryTrace(const QString& path)
{
    DS::TTraceData trace;
    collectTrace(trace);
    kLog.info(QStringLiteral(">> saving trace data to: ") + path);
    if (!Path::writeFileAtomically(path, DS::TraceFiles::toBinary(trace))) {
        kLog.critical("lp_err_trace_cant_create_file", path);
        return false;
    }
    return true;
}

bool DataScanManager::saveTextTrace(const QString& path)
{
    kLog.info(QStringLiteral(">> saving trace data as text to: ") + path);
    const QVector<quint32>& bandwidths = DeviceManager::deviceInfo().bandwidths;
    const int bw = CalibrationManager::bandwidthIndex();
    // Checked before anything is written, so a refused save leaves no emptied file behind.
    if (bandwidths.isEmpty() || bw >= bandwidths.size()) {
        kLog.critical("lp_err_trace_cant_get_bw_values");
        return false;
    }
    DS::TTraceData trace;
    collectTrace(trace);
    const quint64 bandwidthHz = quint64(bandwidths[bw]) * 1000;
    if (!Path::writeFileAtomically(path, DS::TraceFiles::toText(trace, bandwidthHz))) {
        kLog.critical("lp_err_trace_cant_create_text_file", path);
        return false;
    }
    return true;
}

bool DataScanManager::saveCsvTrace(const QString& path)
{
    DS::TTraceData trace;
    collectTrace(trace);
    kLog.info(QStringLiteral(">> saving trace data as a table to: ") + path);
    if (!Path::writeFileAtomically(path, DS::TraceFiles::toCsv(trace.points))) {
        kLog.critical("lp_err_trace_cant_create_text_file", path);
        return false;
    }
    return true;
}

bool DataScanManager::saveTouchstoneTrace(const QString& path, const TouchstoneFile::TWriteOptions& options)
{
    DS::TTraceData trace;
    collectTrace(trace);
    kLog.info(QStringLiteral(">> saving trace data as touchstone to: ") + path);
    QString error;
    if (!TouchstoneFile::write(path, trace.points, &error, options)) {
        kLog.warn(QStringLiteral(">> ") + error);
        kLog.critical("lp_err_trace_cant_create_text_file", path);
        return false;
    }
    return true;
}

bool DataScanManager::appendTrace(const QString& path, int settingsSlot, DS::TraceFiles::EFormat format)
{
    if (s_traces.size() >= MAX_TRACES) {
        kLog.warn(QStringLiteral(">> traces list is full"));
        return false;
    }
    const bool binary = format == DS::TraceFiles::EFormat::BINARY;
    if (!QFileInfo::exists(path)) {
        kLog.warn((binary ? QStringLiteral(">> was trying to load unexisting trace file at: ")
                          : QStringLiteral(">> was trying to load unexisting trace text file at: ")) +
                  path);
        emit instance().signalMissingTraceFile(settingsSlot);
        return false;
    }
    const char* failure = binary ? "lp_err_trace_cant_read_file" : "lp_err_trace_cant_read_text_file";
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MAX_TRACE_FILE_BYTES) {
        kLog.critical(failure, path);
        return false;
    }
    if (binary)
        kLog.info(QStringLiteral(">> reading trace data from: ") + path);
    const QByteArray bytes = file.readAll();
    file.close();
    DS::TTraceData trace;
    bool ok = false;
    switch (format) {
    case DS::TraceFiles::EFormat::BINARY:
        ok = DS::TraceFiles::fromBinary(bytes, trace);
        break;
    case DS::TraceFiles::EFormat::TEXT:
        ok = DS::TraceFiles::fromText(bytes, trace);
        break;
    case DS::TraceFiles::EFormat::NONE:
    case DS::TraceFiles::EFormat::CSV:
        break;
    case DS::TraceFiles::EFormat::TOUCHSTONE: {
        QString error;
        ok = TouchstoneFile::parse(bytes, trace.points, &error) && !trace.points.isEmpty() &&
             int(trace.points.size()) <= int(BUFFER_POINTS);
        if (!ok && !error.isEmpty())
            kLog.warn(QStringLiteral(">> ") + error);
        if (ok) {
            trace.pointCount = quint32(trace.points.size());
            trace.start = double(trace.points.first().frequency);
            trace.stop = double(trace.points.last().frequency);
        }
        break;
    }
    }
    if (!ok) {
        kLog.critical(failure, path);
        return false;
    }
    trace.file = QFileInfo(path);
    s_traces.append(trace);
    emit instance().signalLoadedTrace(s_traces.size() - 1);
    return true;
}

bool DataScanManager::loadBinaryTrace(const QString& path, int settingsSlot)
{
    return appendTrace(path, settingsSlot, DS::TraceFiles::EFormat::BINARY);
}

bool DataScanManager::loadTextTrace(const QString& path, int settingsSlot)
{
    return appendTrace(path, settingsSlot, DS::TraceFiles::EFormat::TEXT);
}

bool DataScanManager::loadTouchstoneTrace(const QString& path, int settingsSlot)
{
    return appendTrace(path, settingsSlot, DS::TraceFiles::EFormat::TOUCHSTONE);
}

bool DataScanManager::saveTrace(const QString& path, const TouchstoneFile::TWriteOptions& touchstone)
{
    switch (DS::TraceFiles::formatOf(path)) {
    case DS::TraceFiles::EFormat::BINARY:
        return saveBinaryTrace(path);
    case DS::TraceFiles::EFormat::TEXT:
        return saveTextTrace(path);
    case DS::TraceFiles::EFormat::TOUCHSTONE:
        return saveTouchstoneTrace(path, touchstone);
    case DS::TraceFiles::EFormat::CSV:
        return saveCsvTrace(path);
    case DS::TraceFiles::EFormat::NONE:
        break;
    }
    return false;
}

bool DataScanManager::loadTrace(const QString& path, int settingsSlot)
{
    const DS::TraceFiles::EFormat format = DS::TraceFiles::formatOf(path);
    return DS::TraceFiles::isLoadable(format) && appendTrace(path, settingsSlot, format);
}

void DataScanManager::removeTrace(int index)
{
    if (index >= 0 && index < s_traces.size()) {
        s_traces.remove(index);
        emit instance().signalRemovedTrace(index);
    } else {
        kLog.warn(QStringLiteral(">> tried to remove trace at wrong index: %1").arg(index));
    }
}

void DataScanManager::clearTraces()
{
    s_traces.clear();
    emit instance().signalClearedTraces();
}

void DataScanManager::saveSettings()
{
    QSettings* settings = SettingsManager::settings();
    if (!settings || !settings->isWritable()) {
        kLog.critical("lp_err_cant_write_settings");
        return;
    }
    settings->beginGroup(SettingsManager::groupName(ZCore::ESettingsGroups::TRACES));
    settings->beginWriteArray(QStringLiteral("loaded"), s_traces.size());
    for (int i = 0; i < s_traces.size(); ++i) {
        settings->setArrayIndex(i);
        settings->setValue(QStringLiteral("path"), s_traces[i].file.absoluteFilePath());
    }
    settings->endArray();
    settings->endGroup();
}

void DataScanManager::restoreSettings()
{
    if (!s_firstDataReceived)
        return;
    clearTraces();
    QSettings* settings = SettingsManager::settings();
    if (!settings) {
        kLog.warn(QStringLiteral(">> no settings loaded"));
        return;
    }
    QStringList paths;
    settings->beginGroup(SettingsManager::groupName(ZCore::ESettingsGroups::TRACES));
    const int size = settings->beginReadArray(QStringLiteral("loaded"));
    for (int i = 0; i < size; ++i) {
        settings->setArrayIndex(i);
        paths.append(settings->value(QStringLiteral("path")).toString());
    }
    settings->endArray();
    settings->endGroup();
    for (int i = 0; i < paths.size(); ++i) {
        if (DS::TraceFiles::isLoadable(DS::TraceFiles::formatOf(paths[i])))
            loadTrace(paths[i], i);
        else
            emit instance().signalMissingTraceFile(i);
    }
}

} // namespace ZData
