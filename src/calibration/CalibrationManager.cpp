#include "calibration/CalibrationManager.h"

#include "calibration/RobustSweepMean.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cmath>

#include "core/AppPaths.h"
#include "core/TaggedLog.h"
#include "core/utility/Path.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/FrameCodec.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"

namespace ZData {

namespace {

using CAL::CalibrationData;
using DM::CommandQueue;
using ZCore::UtilityModules::Path;

// The largest calibration file: a long id, 1000 points and both oscillator tables fit well below this.
constexpr qint64 MAX_CALIB_FILE_BYTES = 64 * 1024;

const ZCore::TaggedLog kLog(CalibrationManager::tag());

QDataStream& setup(QDataStream& stream)
{
    return FrameCodec::setupStream(stream);
}

// Queues one command whose payload is built when it reaches the head of the queue.
void queueRequest(EDeviceCommands command, quint16 options, std::function<QByteArray()> payload)
{
    CommandQueue::add(
        command,
        [command, options, payload](const TCommandHeader&) {
            DeviceManager::sendRequest(command, payload ? payload() : QByteArray(), options);
        },
        options);
}

DataScanManager& scan()
{
    return DataScanManager::instance();
}

} // namespace

CalibrationManager::CalibrationManager() = default;

void CalibrationManager::resetState()
{
    s_calibration->resetAll();
    for (QDateTime& t : s_measuredAt)
        t = QDateTime();
    setSource(ESource::NONE);
    s_slot = 0;
    s_typeMeasured = 0;
    s_vcoAcks = 0;
    s_dataAcks = 0;
    s_transfer = ETransfer::NONE;
    s_kitRecord = EKitRecord::NONE;
    s_capturedSweeps.clear();
}

void CalibrationManager::reset()
{
    resetState();
    s_bandwidthIndex = 0;
    s_kit = CAL::CalibrationKit::ideal();
    s_calibrationKit = CAL::CalibrationKit::ideal();
    s_averageSweeps = 1;
}

bool CalibrationManager::init()
{
    kLog.debug(QStringLiteral(">> ZData::CalibrationManager::init.."));
    auto& self = instance();
    // The bandwidth chosen by the user outlives the connection; everything else starts afresh.
    QObject::connect(&DM::SerialPort::instance(), &DM::SerialPort::signalOpened, &self, &resetState,
                     Qt::UniqueConnection);
    QObject::connect(&DataScanManager::instance(), &DataScanManager::signalProcessedScanRange, &self,
                     &CalibrationManager::slotPostDeviceStartup, Qt::UniqueConnection);
    QObject::connect(&DataScanManager::instance(), &DataScanManager::signalSweepCompleted, &self,
                     &CalibrationManager::slotSweepCompleted, Qt::UniqueConnection);
    auto& dm = DeviceManager::instance();
    QObject::connect(&dm, &DeviceManager::signalGotCalibRange, &self,
                     &CalibrationManager::slotProcessCalibRange, Qt::UniqueConnection);
    QObject::connect(&dm, &DeviceManager::signalGotCalibVCO, &self, &CalibrationManager::slotProcessCalibVCO,
                     Qt::UniqueConnection);
    QObject::connect(&dm, &DeviceManager::signalGotCalibData, &self,
                     &CalibrationManager::slotProcessCalibData, Qt::UniqueConnection);
    QObject::connect(&dm, &DeviceManager::signalSentCalibRange, &self, [](TDeviceReply&) { onSentRange(); });
    QObject::connect(&dm, &DeviceManager::signalSentCalibVCO, &self, [](TDeviceReply& r) { onSentVCO(r); });
    QObject::connect(&dm, &DeviceManager::signalSentCalibData, &self, [](TDeviceReply&) { onSentData(); });
    if (!initDirs())
        return false;
    if (!initFiles()) {
        kLog.critical("lp_err_calib_cant_create_table_file", s_tablePath);
        return false;
    }
    return true;
}

bool CalibrationManager::initDirs()
{
    s_calibDir = ZCore::AppPaths::baseDir() + QLatin1Char('/') + QLatin1String(DIR_NAME);
    s_tablePath = s_calibDir + QLatin1Char('/') + QLatin1String(TABLE_NAME);
    kLog.debug(QStringLiteral(">> ZData::CalibrationManager::initDirs.."));
    if (!Path::createDir(s_calibDir, QStringLiteral("CALIB_DIR"))) {
        kLog.critical("lp_err_calib_cant_create_dirs", s_calibDir);
        return false;
    }
    return true;
}

bool CalibrationManager::initFiles()
{
    kLog.debug(QStringLiteral(">> ZData::CalibrationManager::initFiles.."));
    s_table.reset();
    if (!QFileInfo::exists(s_tablePath)) {
        auto table = std::make_unique<QSettings>(s_tablePath, QSettings::IniFormat);
        if (!table->isWritable()) {
            kLog.critical("lp_err_calib_cant_create_calib_table", s_tablePath);
            return false;
        }
        kLog.warn(QStringLiteral(">> 'calib table' doesn't exist yet => creating it now.."));
        table->setValue(QStringLiteral("desc"), QStringLiteral("device_id = path of last used calib file"));
        table->sync();
    }
    s_table = std::make_unique<QSettings>(s_tablePath, QSettings::IniFormat);
    return true;
}

QString CalibrationManager::deviceId()
{
    return DeviceManager::deviceInfo().identifier;
}

// ---- calibration table ----

QString CalibrationManager::tableKey(const QString& deviceId)
{
    // Slashes and backslashes would turn into groups, and an empty key cannot be stored at all:
    // everything but plain characters is percent-encoded and decoded again on the way back.
    if (deviceId.isEmpty())
        return QStringLiteral("%00");
    const QString key = QString::fromLatin1(QUrl::toPercentEncoding(deviceId, QByteArrayLiteral("-_.")));
    // The table's own description key is not a device.
    return key == QLatin1String("desc") ? QStringLiteral("%64esc") : key;
}

QString CalibrationManager::tableEntry(const QString& deviceId)
{
    if (!s_table)
        return QString();
    return s_table->value(tableKey(deviceId)).toString();
}

void CalibrationManager::setTableEntry(const QString& deviceId, const QString& path)
{
    if (!s_table)
        return;
    s_table->setValue(tableKey(deviceId), path);
    s_table->sync();
}

// ---- correction ----

void CalibrationManager::correct(TScanPoint* buffer, int index, int count)
{
    const DS::RangeSliced& sweep = DataScanManager::sweep();
    CalibrationData::TSweepGrid grid;
    grid.start = sweep.start();
    grid.stop = sweep.stop();
    grid.points = sweep.points();
    grid.step = sweep.step();
    s_calibration->correct(buffer, index, count, grid);
}

bool CalibrationManager::sweepFitsDevice()
{
    const DS::RangeSliced& sweep = DataScanManager::sweep();
    const auto limits = sweep.deviceRange();
    return sweep.points() >= 2 && sweep.start() >= limits.first && sweep.stop() <= limits.second &&
           sweep.stop() > sweep.start();
}

void CalibrationManager::applyRangeToSweep()
{
    DS::RangeSliced& sweep = DataScanManager::sweep();
    sweep.setStart(double(s_calibration->start()), false);
    sweep.setStop(double(s_calibration->stop()), false);
    sweep.setPoints(s_calibration->points(), true);
}

// ---- device start-up ----

void CalibrationManager::slotPostDeviceStartup()
{
    const QString id = deviceId();
    if (!QFileInfo(s_calibDir).isDir()) {
        kLog.critical("lp_err_calib_no_dir", s_calibDir);
    } else {
        // An id is normally digits and dashes; anything that could leave the directory is replaced.
        QString dirId = id;
        for (QChar& c : dirId) {
            if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_'))
                c = QLatin1Char('_');
        }
        s_deviceDir = s_calibDir + QLatin1Char('/') + QLatin1String(DEVICE_DIR_PREFIX) + dirId;
        if (!QDir().mkpath(s_deviceDir))
            kLog.critical("lp_err_calib_cant_create_device_dir", s_deviceDir);
    }
    // A loaded file finishes through its oscillator-table transfer.
    if (loadCalibFile(tableEntry(id))) {
        kLog.info(QStringLiteral(">> calibration in use for %1: %2").arg(id, tableEntry(id)));
        return;
    }
    kLog.info(QStringLiteral(">> calibration in use for %1: factory").arg(id));
    if (s_calibration->isComplete())
        emit instance().signalFinishedCalibration();
    else
        readDeviceCalib(0);
}

// ---- files ----

bool CalibrationManager::loadCalibFile(const QString& path)
{
    if (path.isEmpty()) {
        kLog.warn(
            QStringLiteral(">> last used calibration for this device is not set. Falling back to the factory "
                           "calibration"));
        return false;
    }
    if (!QFileInfo::exists(path)) {
        kLog.critical("lp_err_last_calib_lost");
        setTableEntry(deviceId(), QString());
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MAX_CALIB_FILE_BYTES) {
        kLog.critical("lp_err_last_calib_cant_open", path);
        return false;
    }
    kLog.info(QStringLiteral(">> loading calibration data from: ") + path);
    const QByteArray bytes = file.readAll();
    file.close();
    QDataStream stream(bytes);
    setup(stream);
    auto loaded = std::make_unique<CalibrationData>(*s_calibration);
    switch (loaded->deserialize(stream, deviceId())) {
    case CalibrationData::EReadResult::WRONG_DEVICE:
        kLog.critical("lp_err_calib_wrong_device", path);
        return false;
    case CalibrationData::EReadResult::MALFORMED:
        kLog.critical("lp_err_last_calib_cant_open", path);
        return false;
    case CalibrationData::EReadResult::OK:
        break;
    }
    *s_calibration = *loaded;
    for (QDateTime& t : s_measuredAt)
        t = QDateTime();
    readKitSidecar(path);
    applyRangeToSweep();
    setTableEntry(deviceId(), path);
    setSource(ESource::FILE, path, QFileInfo(path).lastModified());
    DataScanManager::setScanPause(true, true);
    startSendingVCO();
    return true;
}

bool CalibrationManager::saveCalibFile(const QString& path)
{
    if (!s_calibration->isComplete()) {
        kLog.critical("lp_err_calib_last_isnt_complete");
        return false;
    }
    QByteArray bytes;
    {
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        setup(stream);
        s_calibration->serialize(stream, deviceId());
    }
    kLog.info(QStringLiteral(">> saving calibration data to: ") + path);
    if (!Path::writeFileAtomically(path, bytes)) {
        kLog.critical("lp_err_calib_cant_create_file", path);
        return false;
    }
    setTableEntry(deviceId(), path);
    if (s_source == ESource::MEASURED || s_source == ESource::FILE || s_source == ESource::SLOT)
        setSource(ESource::FILE, path,
                  s_sourceTime.isValid() ? s_sourceTime : QFileInfo(path).lastModified());
    writeKitSidecar(path);
    return true;
}

// ---- kits ----

QString CalibrationManager::kitSidecarPath(const QString& calibPath)
{
    return calibPath + QStringLiteral(".kit");
}

bool CalibrationManager::writeKitSidecar(const QString& calibPath)
{
    const QString sidecar = kitSidecarPath(calibPath);
    if (s_kitRecord != EKitRecord::KIT) {
        // A record left from an earlier calibration under this name would now be wrong.
        if (QFileInfo::exists(sidecar) && !QFile::remove(sidecar)) {
            kLog.warn(QStringLiteral(">> stale kit record cannot be removed: ") + sidecar);
            return false;
        }
        return true;
    }
    QString error;
    if (!s_calibrationKit.writeFile(sidecar, &error, true)) {
        kLog.warn(QStringLiteral(">> kit record not written: ") + error);
        return false;
    }
    return true;
}

void CalibrationManager::readKitSidecar(const QString& calibPath)
{
    const QString sidecar = kitSidecarPath(calibPath);
    s_kitRecord = EKitRecord::UNRECORDED;
    if (!QFileInfo::exists(sidecar))
        return;
    QString error;
    CAL::CalibrationKit kit;
    if (!CAL::CalibrationKit::readFile(sidecar, kit, &error)) {
        kLog.warn(QStringLiteral(">> kit record refused: ") + error);
        return;
    }
    s_calibrationKit = kit;
    s_kitRecord = EKitRecord::KIT;
}

bool CalibrationManager::setKit(const QString& name, QString* error)
{
    CAL::CalibrationKit kit;
    if (name == QLatin1String(CAL::CalibrationKit::IDEAL_NAME)) {
        kit = CAL::CalibrationKit::ideal();
    } else if (!CAL::CalibrationKit::isValidName(name)) {
        if (error)
            *error = QStringLiteral("'%1' is not a kit name").arg(name);
        return false;
    } else {
        QString why;
        if (!CAL::CalibrationKit::readFile(CAL::CalibrationKit::pathFor(name), kit, &why)) {
            kLog.warn(QStringLiteral(">> kit refused, keeping %1: %2").arg(s_kit.name, why));
            if (error)
                *error = why;
            return false;
        }
    }
    kit.name = name;
    s_kit = kit;
    kLog.info(QStringLiteral(">> calibration kit: ") + name);
    emit instance().signalKitChanged(QString());
    return true;
}

bool CalibrationManager::saveKit(const CAL::CalibrationKit& kit, QString* error)
{
    if (!CAL::CalibrationKit::isValidName(kit.name)) {
        if (error)
            *error = QStringLiteral("'%1' is not a kit name").arg(kit.name);
        return false;
    }
    if (!kit.writeFile(CAL::CalibrationKit::pathFor(kit.name), error))
        return false;
    return setKit(kit.name, error);
}

QStringList CalibrationManager::kitNames()
{
    const QStringList names = CAL::CalibrationKit::available();
    if (!names.contains(s_kit.name)) {
        const QString reason = QStringLiteral("kit file %1 is gone; using %2")
                                   .arg(CAL::CalibrationKit::pathFor(s_kit.name),
                                        QLatin1String(CAL::CalibrationKit::IDEAL_NAME));
        kLog.warn(QStringLiteral(">> ") + reason);
        s_kit = CAL::CalibrationKit::ideal();
        emit instance().signalKitChanged(reason);
    }
    return names;
}

bool CalibrationManager::setAverageSweeps(int sweeps)
{
    if (sweeps < 1 || sweeps > MAX_AVERAGE_SWEEPS)
        return false;
    if (sweeps != s_averageSweeps) {
        s_averageSweeps = sweeps;
        emit instance().signalAverageSweepsChanged(sweeps);
    }
    return true;
}

QString CalibrationManager::autosaveCalibration()
{
    if (!s_calibration->isComplete())
        return QString();
    if (s_deviceDir.isEmpty()) {
        kLog.warn(QStringLiteral(">> no analyser identified => the calibration is not autosaved"));
        return QString();
    }
    if (!QDir().mkpath(s_deviceDir)) {
        kLog.critical("lp_err_calib_cant_create_device_dir", s_deviceDir);
        return QString();
    }
    const QString idPart = QFileInfo(s_deviceDir).fileName().mid(int(qstrlen(DEVICE_DIR_PREFIX)));
    const QDateTime when = s_sourceTime.isValid() ? s_sourceTime : QDateTime::currentDateTime();
    const QString base = s_deviceDir + QLatin1Char('/') + QLatin1String(AUTOSAVE_PREFIX) + idPart +
                         QLatin1Char('_') + when.toString(QStringLiteral("yyyy-MM-dd_HH.mm.ss"));
    const QString suffix = QLatin1Char('.') + fileExtension();
    QString path = base + suffix;
    // Two calibrations within one second must not overwrite each other.
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral("_%1").arg(n, 2, 10, QLatin1Char('0')) + suffix;
    if (!saveCalibFile(path))
        return QString();
    pruneAutosaves(s_deviceDir, idPart);
    return path;
}

void CalibrationManager::pruneAutosaves(const QString& dir, const QString& idPart)
{
    // The names carry the time in sortable form, so name order is age order.
    const QStringList names = QDir(dir).entryList(
        {QLatin1String(AUTOSAVE_PREFIX) + idPart + QStringLiteral("_*.") + fileExtension()}, QDir::Files,
        QDir::Name);
    for (int i = 0; i + MAX_AUTOSAVES < names.size(); ++i) {
        const QString path = dir + QLatin1Char('/') + names[i];
        if (Path::normalized(path) == Path::normalized(s_sourceFile))
            continue;
        if (!QFile::remove(path))
            kLog.warn(QStringLiteral(">> failed to remove an old autosaved calibration: ") + path);
    }
}

void CalibrationManager::setSource(ESource source, const QString& file, const QDateTime& time)
{
    s_source = source;
    s_sourceFile = file;
    s_sourceTime = time;
    emit instance().signalSourceChanged();
}

QDateTime CalibrationManager::measuredAt(quint8 type)
{
    switch (type) {
    case CalibrationData::OPEN:
        return s_measuredAt[0];
    case CalibrationData::SHORT:
        return s_measuredAt[1];
    case CalibrationData::LOAD:
        return s_measuredAt[2];
    default:
        return QDateTime();
    }
}

QString CalibrationManager::sourceCode()
{
    switch (s_source) {
    case ESource::FACTORY:
        return QStringLiteral("FACTORY");
    case ESource::SLOT:
        return QStringLiteral("SLOT %1").arg(s_slot);
    case ESource::FILE:
        return QStringLiteral("FILE ") + QFileInfo(s_sourceFile).fileName();
    case ESource::MEASURED:
        return QStringLiteral("MEASURED");
    case ESource::NONE:
        break;
    }
    return QStringLiteral("NONE");
}

QString CalibrationManager::gridText(char format, int precision)
{
    const auto mhz = [&](quint64 hz) { return QString::number(double(hz) / 1e6, format, precision); };
    return qtTrId("lp_cal_source_grid")
        .arg(mhz(s_calibration->start()), mhz(s_calibration->stop()))
        .arg(s_calibration->points());
}

QString CalibrationManager::sourceDescription()
{
    const QString grid = gridText('f', 2);
    switch (s_source) {
    case ESource::FACTORY:
        return qtTrId("lp_cal_source_factory");
    case ESource::SLOT:
        return qtTrId("lp_cal_source_slot").arg(s_slot).arg(grid);
    case ESource::FILE:
    case ESource::MEASURED:
        return qtTrId("lp_cal_source_user")
            .arg(s_sourceTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), grid);
    case ESource::NONE:
        break;
    }
    return qtTrId("lp_cal_source_none");
}

QString CalibrationManager::sourceLines()
{
    const DS::RangeSliced& sweep = DataScanManager::sweep();
    const bool onGrid = DS::toHz(sweep.start()) == s_calibration->start() &&
                        DS::toHz(sweep.stop()) == s_calibration->stop() &&
                        sweep.points() == quint32(s_calibration->points());
    const QString grid = onGrid ? QString() : QLatin1Char('\n') + gridText('g', 7);
    switch (s_source) {
    case ESource::FACTORY:
        return qtTrId("lp_cal_source_factory");
    case ESource::SLOT:
        return qtTrId("lp_cal_lines_slot").arg(s_slot) + grid;
    case ESource::FILE:
    case ESource::MEASURED:
        return qtTrId("lp_cal_lines_user").arg(s_sourceTime.toString(QStringLiteral("MM-dd HH:mm"))) + grid;
    case ESource::NONE:
        break;
    }
    return qtTrId("lp_cal_lines_none");
}

// ---- the user's measurement ----

bool CalibrationManager::startCalibType(quint8 type)
{
    if (type != CalibrationData::OPEN && type != CalibrationData::SHORT && type != CalibrationData::LOAD)
        return false;
    if (DataScanManager::sweep().points() > quint32(CalibrationData::MAX_POINTS)) {
        // Critical, so that the person who pressed the button reads why nothing happens.
        kLog.critical("lp_err_calib_too_many_points", QString::number(DataScanManager::sweep().points()));
        return false;
    }
    DataScanManager::setScanPause(true, true);
    emit instance().signalStartedCalibration();
    s_typeMeasured = type;
    s_capturedSweeps.clear();
    // A kit file removed since it was chosen must not be applied unnoticed.
    kitNames();
    if (s_calibration->isComplete() || s_calibration->isEmpty()) {
        s_calibration->clearMeasurements();
        for (QDateTime& t : s_measuredAt)
            t = QDateTime();
    }
    // The reset starts a sweep of its own: only a sweep whose every point arrives from here on, with
    // correction off, becomes the standard.
    scan().slotResetScan();
    DataScanManager::setScanPause(false, false);
    return true;
}

void CalibrationManager::slotSweepCompleted()
{
    if (s_typeMeasured == 0)
        return;
    const DS::RangeSliced& sweep = DataScanManager::sweep();
    TScanPoints points;
    DataScanManager::copyData(0, int(qMin<quint32>(sweep.points(), quint32(CalibrationData::MAX_POINTS))),
                              points, false);
    s_capturedSweeps.append(points);
    emit instance().signalCapturedSweep(s_capturedSweeps.size(), s_averageSweeps);
    // The scan runs on between the sweeps of one standard.
    if (s_capturedSweeps.size() < s_averageSweeps)
        return;
    DataScanManager::setScanPause(true, true);
    captureMeasurement();
}

void CalibrationManager::captureMeasurement()
{
    const DS::RangeSliced& sweep = DataScanManager::sweep();
    TScanPoints points;
    CAL::RobustSweepMean::combine(s_capturedSweeps, points);
    s_capturedSweeps.clear();
    const int n = points.size();
    s_calibration->setMeasurement(s_typeMeasured, points);
    const QDateTime now = QDateTime::currentDateTime();
    for (int bit = 0; bit < 3; ++bit)
        if (s_typeMeasured == (1 << bit))
            s_measuredAt[bit] = now;
    s_typeMeasured = 0;
    if (s_calibration->isComplete()) {
        s_calibration->setRange(DS::toHz(sweep.start()), DS::toHz(sweep.stop()), quint16(n),
                                s_bandwidthIndex);
        QVector<double> frequencies(n);
        for (int k = 0; k < n; ++k)
            frequencies[k] = double(points[k].frequency);
        const int singular = s_kit.idealize(*s_calibration, frequencies);
        if (singular > 0)
            kLog.warn(QStringLiteral(">> kit %1: standards indistinguishable at %2 points, kept as measured")
                          .arg(s_kit.name)
                          .arg(singular));
        s_calibrationKit = s_kit;
        s_kitRecord = EKitRecord::KIT;
        setSource(ESource::MEASURED, QString(), now);
    }
    emit instance().signalFinishedCalibType();
    if (s_calibration->isComplete()) {
        // Saved, with its kit beside it, before anything else can happen to it: a pulled cable must
        // not cost the calibration.
        autosaveCalibration();
        emit instance().signalFinishedCalibration();
    }
}

void CalibrationManager::clearCalibType(quint8 type)
{
    s_calibration->clearCalibType(type);
    for (int bit = 0; bit < 3; ++bit)
        if (type & (1 << bit))
            s_measuredAt[bit] = QDateTime();
    if (s_source != ESource::FACTORY && s_source != ESource::NONE && !s_calibration->isComplete())
        setSource(ESource::NONE);
    if (s_calibration->isEmpty())
        readDeviceCalib(0);
    else if (!s_calibration->isComplete())
        DataScanManager::setScanPause(true, true);
}

void CalibrationManager::resetToFactory()
{
    // The user chose the factory calibration: a reconnect must not bring back the one they removed.
    // Its file stays on disk and can be loaded again.
    if (!deviceId().isEmpty() && !tableEntry(deviceId()).isEmpty())
        setTableEntry(deviceId(), QString());
    DataScanManager::setScanPause(true, true);
    scan().slotResetScan();
    readDeviceCalib(0);
}

void CalibrationManager::setBandwidthIndex(quint8 index)
{
    s_bandwidthIndex = qMin(index, MAX_BANDWIDTH_INDEX);
    emit instance().signalChangedBandwidth();
}

// ---- download ----

void CalibrationManager::readDeviceCalib(quint16 slot)
{
    emit instance().signalStartedCalibration();
    DataScanManager::setScanPause(true, true);
    s_slot = slot;
    s_transfer = ETransfer::DOWNLOAD;
    queueRequest(EDeviceCommands::F_READ_CALIB_RANGE, slot, {});
}

void CalibrationManager::abortTransfer(const QString& reason)
{
    kLog.warn(QStringLiteral(">> calibration transfer refused: ") + reason);
    // Half a calibration must never correct anything: the scan goes on uncorrected.
    s_calibration->resetAll();
    setSource(ESource::NONE);
    s_kitRecord = EKitRecord::NONE;
    s_transfer = ETransfer::NONE;
    s_vcoAcks = s_dataAcks = 0;
    emit instance().signalFinishedCalibration();
}

void CalibrationManager::slotProcessCalibRange(ZData::TDeviceReply& device_reply)
{
    if (s_transfer != ETransfer::DOWNLOAD) {
        kLog.warn(QStringLiteral(">> unexpected calibration range => ignored"));
        return;
    }
    QDataStream stream(device_reply.data);
    setup(stream);
    qint64 start = 0;
    qint64 stop = 0;
    qint64 points = 0;
    stream >> start >> stop >> points;
    if (stream.status() != QDataStream::Ok) {
        abortTransfer(QStringLiteral("short calibration range reply"));
        return;
    }
    if (points == 0) {
        if (s_slot != 0) {
            kLog.critical("lp_err_device_doesnt_have_this_calib");
            readDeviceCalib(0);
        } else {
            kLog.critical("lp_err_calib_no_factory_calib");
            // Nothing to correct with: the scan goes on with raw data.
            s_calibration->resetAll();
            setSource(ESource::NONE);
            s_kitRecord = EKitRecord::NONE;
            s_transfer = ETransfer::NONE;
            emit instance().signalFinishedCalibration();
        }
        return;
    }
    if (points < 2 || points > CalibrationData::MAX_POINTS || start < 0 || stop < start) {
        abortTransfer(
            QStringLiteral("range start = %1, stop = %2, points = %3").arg(start).arg(stop).arg(points));
        return;
    }
    kLog.info(QStringLiteral(">> got calib range: start = %1, stop = %2, points = %3")
                  .arg(start)
                  .arg(stop)
                  .arg(points));
    s_calibration->resetAll();
    s_calibration->setRange(quint64(start), quint64(stop), quint16(points), s_bandwidthIndex);
    // The factory correction interpolates onto any grid inside the analyser's range, so the user's
    // sweep stays; a calibration from a slot holds only on its own grid.
    if (s_slot == 0 && sweepFitsDevice())
        DataScanManager::sweep().setPoints(DataScanManager::sweep().points(), true);
    else
        applyRangeToSweep();
    queueReadVCO();
}

void CalibrationManager::queueReadVCO()
{
    if (!s_calibration->hasMoreVCO()) {
        queueReadData();
        return;
    }
    queueRequest(EDeviceCommands::F_READ_CALIB_VCO, s_slot, [] {
        const auto chunk = s_calibration->nextVCOChunk(READ_VCO_CHUNK);
        QByteArray payload;
        QDataStream stream(&payload, QIODevice::WriteOnly);
        setup(stream) << qint16(chunk.first) << qint16(chunk.second);
        return payload;
    });
}

void CalibrationManager::slotProcessCalibVCO(ZData::TDeviceReply& device_reply)
{
    if (s_transfer != ETransfer::DOWNLOAD) {
        kLog.warn(QStringLiteral(">> unexpected oscillator table chunk => ignored"));
        return;
    }
    QDataStream stream(device_reply.data);
    setup(stream);
    qint16 first = 0;
    qint16 count = 0;
    stream >> first >> count;
    if (stream.status() != QDataStream::Ok || !s_calibration->readVCOChunk(stream, first, count)) {
        abortTransfer(QStringLiteral("oscillator table chunk first = %1, count = %2, %3 bytes")
                          .arg(first)
                          .arg(count)
                          .arg(device_reply.data.size()));
        return;
    }
    queueReadVCO();
}

void CalibrationManager::queueReadData()
{
    if (!s_calibration->hasMoreData()) {
        finishDownload();
        return;
    }
    queueRequest(EDeviceCommands::F_READ_CALIB_DATA, s_slot, [] {
        const auto chunk = s_calibration->nextDataChunk(READ_DATA_CHUNK);
        QByteArray payload;
        QDataStream stream(&payload, QIODevice::WriteOnly);
        setup(stream) << qint16(chunk.first) << qint16(chunk.second);
        return payload;
    });
}

void CalibrationManager::slotProcessCalibData(ZData::TDeviceReply& device_reply)
{
    if (s_transfer != ETransfer::DOWNLOAD) {
        kLog.warn(QStringLiteral(">> unexpected calibration data chunk => ignored"));
        return;
    }
    QDataStream stream(device_reply.data);
    setup(stream);
    float firstField = -1;
    float countField = -1;
    stream >> firstField >> countField;
    const bool sane = stream.status() == QDataStream::Ok && firstField >= 0 && countField >= 0 &&
                      firstField <= CalibrationData::MAX_POINTS && countField <= CalibrationData::MAX_POINTS;
    const int first = sane ? int(firstField) : -1;
    const int count = sane ? int(countField) : -1;
    if (!sane || first + count > s_calibration->points() ||
        !s_calibration->readDataChunk(stream, first, count)) {
        abortTransfer(QStringLiteral("calibration chunk first = %1, count = %2, %3 bytes")
                          .arg(firstField)
                          .arg(countField)
                          .arg(device_reply.data.size()));
        return;
    }
    queueReadData();
}

void CalibrationManager::finishDownload()
{
    s_calibration->setTypesPresent(s_slot != 0 ? CalibrationData::FULL : 0);
    for (QDateTime& t : s_measuredAt)
        t = QDateTime();
    setSource(s_slot != 0 ? ESource::SLOT : ESource::FACTORY);
    s_kitRecord = s_slot != 0 ? EKitRecord::UNRECORDED : EKitRecord::FACTORY;
    startSendingVCO();
}

void CalibrationManager::startSendingVCO()
{
    s_calibration->resetCursors();
    s_transfer = ETransfer::SEND_ACTIVE;
    s_vcoAcks = 0;
    sendVCO(false);
}

// ---- sending oscillator tables and uploading ----

void CalibrationManager::sendVCO(bool upload)
{
    if (!s_calibration->hasMoreVCO()) {
        if (upload)
            sendDataChunk();
        else
            finishTransfer();
        return;
    }
    const auto chunk = s_calibration->nextVCOChunk(WRITE_VCO_CHUNK);
    const EDeviceCommands command =
        upload ? EDeviceCommands::F_WRITE_CALIB_VCO : EDeviceCommands::F_SEND_ACTIVE_CALIB_VCO;
    const quint16 options = upload ? s_slot : ACTIVE_SLOT;
    for (const int part : {CalibrationData::VCO_PART_OF_TABLE2, CalibrationData::VCO_PART_OF_TABLE1}) {
        queueRequest(command, options, [chunk, part] {
            QByteArray payload;
            QDataStream stream(&payload, QIODevice::WriteOnly);
            setup(stream) << qint16(chunk.first) << qint16(chunk.second) << qint8(part);
            s_calibration->writeVCOChunk(stream, chunk.first, chunk.second, part);
            return payload;
        });
    }
}

void CalibrationManager::onSentVCO(const TDeviceReply& reply)
{
    if (s_transfer != ETransfer::SEND_ACTIVE && s_transfer != ETransfer::UPLOAD)
        return;
    if (++s_vcoAcks < 2)
        return;
    s_vcoAcks = 0;
    sendVCO(reply.header.command == quint16(EDeviceCommands::F_WRITE_CALIB_VCO));
}

bool CalibrationManager::writeDeviceCalib(quint16 slot)
{
    if (slot == 0) {
        kLog.critical("lp_err_calib_try_send_factory_calib");
        return false;
    }
    if (s_calibration->points() < 2 || s_calibration->points() > CalibrationData::MAX_POINTS) {
        kLog.warn(QStringLiteral(">> no calibration to send"));
        return false;
    }
    emit instance().signalStartedCalibration();
    DataScanManager::setScanPause(true, true);
    s_slot = slot;
    s_transfer = ETransfer::UPLOAD;
    s_vcoAcks = s_dataAcks = 0;
    s_calibration->resetCursors();
    queueRequest(EDeviceCommands::F_WRITE_CALIB_RANGE, slot, [] {
        QByteArray payload;
        QDataStream stream(&payload, QIODevice::WriteOnly);
        setup(stream) << qint64(s_calibration->start()) << qint64(s_calibration->stop())
                      << qint16(s_calibration->points());
        return payload;
    });
    return true;
}

void CalibrationManager::onSentRange()
{
    if (s_transfer != ETransfer::UPLOAD)
        return;
    s_calibration->resetCursors();
    sendVCO(true);
}

void CalibrationManager::sendDataChunk()
{
    if (!s_calibration->hasMoreData()) {
        finishTransfer();
        return;
    }
    const auto chunk = s_calibration->nextDataChunk(WRITE_DATA_CHUNK);
    for (int type = 0; type < 3; ++type) {
        queueRequest(EDeviceCommands::F_WRITE_CALIB_DATA, s_slot, [chunk, type] {
            QByteArray payload;
            QDataStream stream(&payload, QIODevice::WriteOnly);
            setup(stream) << qint16(chunk.first) << qint16(chunk.second) << qint8(type);
            s_calibration->writeDataChunk(stream, chunk.first, chunk.second, type);
            return payload;
        });
    }
}

void CalibrationManager::onSentData()
{
    if (s_transfer != ETransfer::UPLOAD)
        return;
    if (++s_dataAcks < 3)
        return;
    s_dataAcks = 0;
    sendDataChunk();
}

void CalibrationManager::finishTransfer()
{
    s_calibration->resetCursors();
    s_transfer = ETransfer::NONE;
    emit instance().signalFinishedCalibration();
    emit instance().signalSentCalibration();
}

} // namespace ZData
