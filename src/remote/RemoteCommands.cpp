#include "remote/RemoteCommands.h"
#include "core/AppVersion.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cmath>

#include "calibration/CalibrationData.h"
#include "calibration/CalibrationManager.h"
#include "charts/ChartImageRenderer.h"
#include "charts/ChartEnumPrinter.h"
#include "charts/ChartScanFeed.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/AppPaths.h"
#include "core/utility/Path.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/PortEnumerator.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "remote/IRemoteTarget.h"
#include "report/MeasurementReport.h"
#include "report/ReportCollector.h"
#include "remote/RemoteCommandParser.h"
#include "remote/RemoteErrorQueue.h"
#include "remote/RemoteOperation.h"
#include "remote/RemoteSweepRecorder.h"

using namespace ZData;
using ZChart::EChartType;
using ZChart::EMarkType;
using E = ZRemote::TRemoteError;

namespace ZRemote {

namespace {

TRemoteResult noAnalyser()
{
    return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("no analyser connected"));
}

QString hz(double value)
{
    return QString::number(qint64(std::llround(value)));
}

bool parseSwitch(const QString& text, bool& on)
{
    const QString upper = text.toUpper();
    if (upper == QLatin1String("ON") || upper == QLatin1String("1")) {
        on = true;
        return true;
    }
    if (upper == QLatin1String("OFF") || upper == QLatin1String("0")) {
        on = false;
        return true;
    }
    return false;
}

// An enumeration value by its printed name, in any case.
template <typename E>
bool enumFromName(const QString& name, int count, E& value)
{
    for (int i = 0; i < count; ++i) {
        if (name.compare(ZChart::ChartEnumPrinter::toString(E(i)), Qt::CaseInsensitive) == 0) {
            value = E(i);
            return true;
        }
    }
    return false;
}

// Calibration standard bits by name: OPEN, SHORt, LOAD.
quint8 standardFromName(const QString& name)
{
    if (RemoteCommandParser::matches(name, QStringLiteral("OPEN")))
        return CAL::CalibrationData::OPEN;
    if (RemoteCommandParser::matches(name, QStringLiteral("SHORt")))
        return CAL::CalibrationData::SHORT;
    if (RemoteCommandParser::matches(name, QStringLiteral("LOAD")))
        return CAL::CalibrationData::LOAD;
    return 0;
}

// The scan runs corrected and no calibration work is under way: the state in which sweeps may be
// asked for and standards measured.
bool calibrationIdle(QString& why)
{
    if (CalibrationManager::isTransferring()) {
        why = QStringLiteral("a calibration transfer is in progress");
        return false;
    }
    if (!DataScanManager::isCalibrationApplied()) {
        why = QStringLiteral("no calibration is applied (a calibration is being measured or loaded)");
        return false;
    }
    return true;
}

} // namespace

RemoteCommands::RemoteCommands(QObject* parent) : QObject(parent)
{
    m_recorder = new RemoteSweepRecorder(this);
    addCommon();
    addDevice();
    addSense();
    addTrigger();
    addCalibration();
    addDisplay();
    addMarkers();
    addMemory();
}

RemoteCommands::~RemoteCommands() = default;

void RemoteCommands::add(const QString& header, EParam param, THandler handler)
{
    TEntry entry;
    entry.param = param;
    QString h = header;
    if (h.endsWith(QLatin1Char('?'))) {
        entry.query = true;
        h.chop(1);
    }
    entry.path = h.split(QLatin1Char(':'));
    entry.handler = std::move(handler);
    m_entries.append(entry);
}

bool RemoteCommands::match(const TEntry& entry, const TRemoteCommand& command, QVector<int>& suffixes) const
{
    if (entry.query != command.query || entry.path.size() != command.nodes.size())
        return false;
    const bool common = entry.path.first().startsWith(QLatin1Char('*'));
    if (common != command.common)
        return false;
    suffixes.clear();
    for (int i = 0; i < entry.path.size(); ++i) {
        QString pattern = entry.path[i];
        if (common)
            pattern.remove(0, 1);
        const bool numbered = pattern.endsWith(QLatin1Char('#'));
        if (numbered)
            pattern.chop(1);
        const TRemoteHeaderNode& node = command.nodes[i];
        if (!RemoteCommandParser::matches(node.keyword, pattern))
            return false;
        if (numbered)
            suffixes.append(node.suffix < 0 ? 1 : node.suffix);
        else if (node.suffix >= 0)
            return false;
    }
    return true;
}

TRemoteResult RemoteCommands::execute(const TRemoteCommand& command, RemoteErrorQueue& errors)
{
    QVector<int> suffixes;
    for (const TEntry& entry : qAsConst(m_entries)) {
        if (match(entry, command, suffixes)) {
            TCall call{command, suffixes, errors, QString(), 0, 0, false};
            TRemoteResult error;
            if (!takeParameter(entry.param, call, error))
                return error;
            return entry.handler(call);
        }
    }
    return TRemoteResult::fail(E::UNDEFINED_HEADER, command.text.section(QLatin1Char(' '), 0, 0));
}

bool RemoteCommands::takeParameter(EParam param, TCall& call, TRemoteResult& error)
{
    const QStringList& args = call.command.arguments;
    if (param == EParam::NONE) {
        if (args.isEmpty())
            return true;
        error = TRemoteResult::fail(E::COMMAND_ERROR, QStringLiteral("parameter not allowed"));
        return false;
    }
    if (args.size() != 1 && !(param == EParam::TEXTS && args.size() > 1)) {
        error = TRemoteResult::fail(E::COMMAND_ERROR, args.isEmpty() ? QStringLiteral("missing parameter")
                                                                     : QStringLiteral("too many parameters"));
        return false;
    }
    call.text = args.first();
    switch (param) {
    case EParam::NONE:
    case EParam::TEXT:
    case EParam::TEXTS:
        return true;
    case EParam::NUMBER:
        if (RemoteCommandParser::parseNumber(call.text, call.number))
            return true;
        error = TRemoteResult::fail(E::COMMAND_ERROR, QStringLiteral("not a number: ") + call.text);
        return false;
    case EParam::INTEGER:
        if (RemoteCommandParser::parseInteger(call.text, call.integer))
            return true;
        error = TRemoteResult::fail(E::COMMAND_ERROR, QStringLiteral("not an integer: ") + call.text);
        return false;
    case EParam::SWITCH:
        if (parseSwitch(call.text, call.on))
            return true;
        error = TRemoteResult::fail(E::COMMAND_ERROR, QStringLiteral("expected ON or OFF"));
        return false;
    }
    return false;
}

bool RemoteCommands::isAnalyserReady()
{
    return DM::SerialPort::isOpen() && !DeviceManager::deviceInfo().identifier.isEmpty();
}

QStringList RemoteCommands::analyserPorts()
{
    // Listing the ports asks the system about every serial device, tens of milliseconds on the
    // window's thread; the port dialog refreshes its list once a second, and so does this one.
    static QStringList cached;
    static QElapsedTimer age;
    if (age.isValid() && age.elapsed() < PORT_LIST_MAX_AGE_MS)
        return cached;
    QStringList names;
    for (const TPortListing& port : PortEnumerator::availablePorts()) {
        if (port.manufacturer.contains(QLatin1String("STMicro"), Qt::CaseInsensitive) ||
            port.manufacturer.contains(QLatin1String("Dovra"), Qt::CaseInsensitive))
            names.append(port.portName);
    }
    cached = names;
    age.start();
    return names;
}

QString RemoteCommands::imageDir()
{
    return ZCore::AppPaths::baseDir() + QLatin1Char('/') + QLatin1String(IMAGE_DIR_NAME);
}

bool RemoteCommands::isPlainFileName(const QString& name)
{
    if (name.isEmpty() || name.size() > MAX_FILE_NAME || name.startsWith(QLatin1Char('.')) ||
        name.contains(QLatin1String("..")))
        return false;
    for (QChar c : name) {
        const bool allowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                             (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                             (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_') ||
                             c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char('+') ||
                             c == QLatin1Char(' ');
        if (!allowed)
            return false;
    }
    return true;
}

// ---- common commands ----

void RemoteCommands::addCommon()
{
    add(QStringLiteral("*IDN?"), [](const TCall&) {
        const QString id = isAnalyserReady() ? DeviceManager::deviceInfo().identifier : QStringLiteral("0");
        return TRemoteResult::reply(
            QStringLiteral("Tolvek,TolvekVNA,%1,%2").arg(id, ZCore::AppVersion::text()));
    });
    // Commands run one after the other per client, each waiting for its operation: by the time this
    // one runs, everything before it has finished.
    add(QStringLiteral("*OPC?"), [](const TCall&) { return TRemoteResult::reply(QByteArrayLiteral("1")); });
    add(QStringLiteral("*OPC"), [](const TCall&) { return TRemoteResult::done(); });
    add(QStringLiteral("*CLS"), [](const TCall& call) {
        call.errors.clear();
        return TRemoteResult::done();
    });
    add(QStringLiteral("SYSTem:ERRor?"),
        [](const TCall& call) { return TRemoteResult::reply(call.errors.pop().answer()); });
}

// ---- device ----

void RemoteCommands::addDevice()
{
    add(QStringLiteral("DEVice:LIST?"),
        [](const TCall&) { return TRemoteResult::reply(analyserPorts().join(QLatin1Char(','))); });
    add(QStringLiteral("DEVice:CONNect"), EParam::TEXT,
        [this](const TCall& call) { return connectDevice(call); });
    add(QStringLiteral("DEVice:CONNect?"), [](const TCall&) {
        return TRemoteResult::reply(isAnalyserReady() ? QByteArrayLiteral("1") : QByteArrayLiteral("0"));
    });
    add(QStringLiteral("DEVice:DISConnect"), [](const TCall&) {
        DM::SerialPort::close(true);
        return TRemoteResult::done();
    });
    add(QStringLiteral("DEVice:ID?"), [](const TCall&) {
        return isAnalyserReady() ? TRemoteResult::reply(DeviceManager::deviceInfo().identifier)
                                 : noAnalyser();
    });
    add(QStringLiteral("DEVice:FIRMware?"), [](const TCall&) {
        return isAnalyserReady()
                   ? TRemoteResult::reply(DeviceManager::deviceInfo().firmwareVersion.toString())
                   : noAnalyser();
    });
}

TRemoteResult RemoteCommands::connectDevice(const TCall& call)
{
    const QString name = call.text;
    // Only what the connector dialog would offer: a script must not open any other terminal.
    if (!analyserPorts().contains(name))
        return TRemoteResult::fail(E::DATA_OUT_OF_RANGE, QStringLiteral("not an analyser port: ") + name);
    if (CalibrationManager::isTransferring())
        return TRemoteResult::fail(E::EXECUTION_ERROR,
                                   QStringLiteral("a calibration transfer is in progress"));

    auto* op = new RemoteOperation(QStringLiteral("DEVice:CONNect"), CONNECT_TIMEOUT_MS, this);
    // Connected means identified, calibrated and scanning: what the window shows as ready.
    connect(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration, op,
            [op] { op->succeed(); });
    connect(&DeviceManager::instance(), &DeviceManager::signalGotOldDevice, op,
            [op] { op->fail(E::EXECUTION_ERROR, QStringLiteral("the analyser's firmware is too old")); });
    TSerialPortConfig config = DM::SerialPort::config();
    config.portName = name;
    DM::SerialPort::setConfig(config);
    if (!DM::SerialPort::open(true)) {
        const QString why = DM::SerialPort::port().errorString();
        op->fail(E::EXECUTION_ERROR, QStringLiteral("cannot open %1: %2").arg(name, why));
        return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("cannot open %1: %2").arg(name, why));
    }
    // Watched only now: opening closes the previous port first.
    op->failOnPortClosed();
    return TRemoteResult::pending(op);
}

// ---- sweep settings ----

TRemoteResult RemoteCommands::setFrequency(const TCall& call, bool start)
{
    const double value = call.number;
    auto& sweep = DataScanManager::sweep();
    const auto limits = sweep.deviceRange();
    if (value < limits.first || value > limits.second)
        return TRemoteResult::fail(
            E::DATA_OUT_OF_RANGE,
            QStringLiteral("frequency must be %1 to %2 Hz").arg(hz(limits.first), hz(limits.second)));
    if (start)
        sweep.setStart(value, true);
    else
        sweep.setStop(value, true);
    return TRemoteResult::done();
}

void RemoteCommands::addSense()
{
    add(QStringLiteral("SENSe:FREQuency:STARt"), EParam::NUMBER,
        [this](const TCall& call) { return setFrequency(call, true); });
    add(QStringLiteral("SENSe:FREQuency:STOP"), EParam::NUMBER,
        [this](const TCall& call) { return setFrequency(call, false); });
    add(QStringLiteral("SENSe:FREQuency:STARt?"),
        [](const TCall&) { return TRemoteResult::reply(hz(DataScanManager::sweep().start())); });
    add(QStringLiteral("SENSe:FREQuency:STOP?"),
        [](const TCall&) { return TRemoteResult::reply(hz(DataScanManager::sweep().stop())); });
    add(QStringLiteral("SENSe:SWEep:POINts"), EParam::INTEGER, [](const TCall& call) {
        const qint64 n = call.integer;
        if (n < DS::RangeSliced::MIN_POINTS || n > DS::RangeSliced::MAX_POINTS)
            return TRemoteResult::fail(E::DATA_OUT_OF_RANGE, QStringLiteral("points must be %1 to %2")
                                                                 .arg(DS::RangeSliced::MIN_POINTS)
                                                                 .arg(DS::RangeSliced::MAX_POINTS));
        DataScanManager::sweep().setPoints(quint32(n), true);
        return TRemoteResult::done();
    });
    add(QStringLiteral("SENSe:SWEep:POINts?"), [](const TCall&) {
        return TRemoteResult::reply(QString::number(DataScanManager::sweep().points()));
    });
    add(QStringLiteral("SENSe:BANDwidth"), EParam::INTEGER, [](const TCall& call) {
        const qint64 index = call.integer;
        // The bandwidths the analyser reported; before it did, the manager's own bound.
        const int count = DeviceManager::deviceInfo().bandwidths.size();
        const int last = count > 0 ? qMin(count - 1, int(CalibrationManager::MAX_BANDWIDTH_INDEX))
                                   : int(CalibrationManager::MAX_BANDWIDTH_INDEX);
        if (index < 0 || index > last)
            return TRemoteResult::fail(E::DATA_OUT_OF_RANGE,
                                       QStringLiteral("bandwidth index must be 0 to %1").arg(last));
        CalibrationManager::setBandwidthIndex(quint8(index));
        return TRemoteResult::done();
    });
    add(QStringLiteral("SENSe:AVERage"), EParam::INTEGER, [](const TCall& call) {
        if (call.integer < 0 || call.integer > DataScanManager::MAX_LIVE_AVERAGE ||
            !DataScanManager::setLiveAverage(int(call.integer)))
            return TRemoteResult::fail(E::DATA_OUT_OF_RANGE,
                                       QStringLiteral("average must be 0 or 1 (off) or 2 to %1")
                                           .arg(DataScanManager::MAX_LIVE_AVERAGE));
        return TRemoteResult::done();
    });
    add(QStringLiteral("SENSe:AVERage?"),
        [](const TCall&) { return TRemoteResult::reply(QString::number(DataScanManager::liveAverage())); });
    add(QStringLiteral("SENSe:BANDwidth?"), [](const TCall&) {
        return TRemoteResult::reply(QString::number(CalibrationManager::bandwidthIndex()));
    });
}

// ---- scan control and data ----

void RemoteCommands::addTrigger()
{
    add(QStringLiteral("INITiate:CONTinuous"), EParam::SWITCH, [](const TCall& call) {
        const bool on = call.on;
        if (!isAnalyserReady())
            return noAnalyser();
        QString why;
        // The window's pause button is disabled in the same states.
        if (!calibrationIdle(why))
            return TRemoteResult::fail(E::EXECUTION_ERROR, why);
        if (DataScanManager::isPaused() == on)
            DataScanManager::setUserScanPause(!on);
        return TRemoteResult::done();
    });
    add(QStringLiteral("INITiate:CONTinuous?"), [](const TCall&) {
        return TRemoteResult::reply(DataScanManager::isPaused() ? QByteArrayLiteral("0")
                                                                : QByteArrayLiteral("1"));
    });
    add(QStringLiteral("INITiate:IMMediate"), [this](const TCall&) { return sweepOnce(); });
    add(QStringLiteral("TRACe:DATA?"), [this](const TCall&) {
        if (!isAnalyserReady())
            return noAnalyser();
        if (!m_recorder->hasSweep())
            return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("no complete sweep yet"));
        return TRemoteResult::reply(m_recorder->text());
    });
}

TRemoteResult RemoteCommands::sweepOnce()
{
    if (!isAnalyserReady())
        return noAnalyser();
    QString why;
    if (!calibrationIdle(why))
        return TRemoteResult::fail(E::EXECUTION_ERROR, why);

    auto* op = new RemoteOperation(QStringLiteral("INITiate:IMMediate"), SWEEP_TIMEOUT_MS, this);
    const quint64 target = m_recorder->recorded() + 1;
    // With the scan paused by the user this is a single sweep: resume for it, pause again after.
    const bool resume = DataScanManager::isPaused();
    connect(m_recorder, &RemoteSweepRecorder::signalRecorded, op, [op, target](quint64 count) {
        if (count < target)
            return;
        // The views draw at their next frame; a script asking for a marker's readout right after
        // *OPC? must read this sweep, so every view takes it now, while the buffer still holds it.
        ZChart::ChartScanFeed::flush();
        op->succeed();
    });
    connect(op, &RemoteOperation::signalFinished, this, [resume] {
        if (resume && !DataScanManager::isPaused())
            DataScanManager::setUserScanPause(true);
    });
    op->failOnPortClosed();
    // Restarting the slicing makes the next complete sweep one that was requested after this command.
    DataScanManager::instance().slotResetScan();
    if (resume)
        DataScanManager::setUserScanPause(false);
    return TRemoteResult::pending(op);
}

// ---- calibration ----

void RemoteCommands::addCalibration()
{
    add(QStringLiteral("CALibration:MEASure"), EParam::TEXT,
        [this](const TCall& call) { return measureStandard(call); });
    add(QStringLiteral("CALibration:CLEar"), [this](const TCall&) { return clearCalibration(); });
    add(QStringLiteral("CALibration:KIT"), EParam::TEXT, [](const TCall& call) {
        // Only the names the list offers: a path or a name of no kit file changes nothing.
        QString name = call.text;
        if (name.compare(QLatin1String(CAL::CalibrationKit::IDEAL_NAME), Qt::CaseInsensitive) == 0)
            name = QLatin1String(CAL::CalibrationKit::IDEAL_NAME);
        if (!CalibrationManager::kitNames().contains(name))
            return TRemoteResult::fail(E::DATA_OUT_OF_RANGE, QStringLiteral("no kit named ") + call.text);
        QString why;
        if (!CalibrationManager::setKit(name, &why))
            return TRemoteResult::fail(E::EXECUTION_ERROR, why);
        return TRemoteResult::done();
    });
    add(QStringLiteral("CALibration:KIT?"),
        [](const TCall&) { return TRemoteResult::reply(CalibrationManager::kit().name); });
    add(QStringLiteral("CALibration:KIT:LIST?"), [](const TCall&) {
        return TRemoteResult::reply(CalibrationManager::kitNames().join(QLatin1Char(',')));
    });
    add(QStringLiteral("CALibration:AVERage"), EParam::INTEGER, [](const TCall& call) {
        if (call.integer < 1 || call.integer > CalibrationManager::MAX_AVERAGE_SWEEPS ||
            !CalibrationManager::setAverageSweeps(int(call.integer)))
            return TRemoteResult::fail(E::DATA_OUT_OF_RANGE,
                                       QStringLiteral("sweeps per standard must be 1 to %1")
                                           .arg(CalibrationManager::MAX_AVERAGE_SWEEPS));
        return TRemoteResult::done();
    });
    add(QStringLiteral("CALibration:AVERage?"), [](const TCall&) {
        return TRemoteResult::reply(QString::number(CalibrationManager::averageSweeps()));
    });
    add(QStringLiteral("CALibration:STATe?"), [](const TCall&) {
        if (!isAnalyserReady())
            return noAnalyser();
        const CAL::CalibrationData& cal = CalibrationManager::calibration();
        QStringList measured;
        if (cal.hasType(CAL::CalibrationData::OPEN))
            measured << QStringLiteral("OPEN");
        if (cal.hasType(CAL::CalibrationData::SHORT))
            measured << QStringLiteral("SHORT");
        if (cal.hasType(CAL::CalibrationData::LOAD))
            measured << QStringLiteral("LOAD");
        return TRemoteResult::reply(measured.isEmpty() ? QStringLiteral("NONE")
                                                       : measured.join(QLatin1Char(',')));
    });
    add(QStringLiteral("CALibration:SOURce?"), [](const TCall&) {
        if (!isAnalyserReady())
            return noAnalyser();
        return TRemoteResult::reply(CalibrationManager::sourceCode());
    });
}

TRemoteResult RemoteCommands::measureStandard(const TCall& call)
{
    const quint8 standard = standardFromName(call.text);
    if (standard == 0)
        return TRemoteResult::fail(E::COMMAND_ERROR, QStringLiteral("expected OPEN, SHORT or LOAD"));
    if (!isAnalyserReady())
        return noAnalyser();
    // Between two standards of one calibration the correction is off and the scan paused; only a
    // transfer or a standard being measured right now stand in the way.
    if (CalibrationManager::isTransferring())
        return TRemoteResult::fail(E::EXECUTION_ERROR,
                                   QStringLiteral("a calibration transfer is in progress"));
    const quint32 points = DataScanManager::sweep().points();
    if (points > quint32(CAL::CalibrationData::MAX_POINTS))
        return TRemoteResult::fail(E::DATA_OUT_OF_RANGE,
                                   QStringLiteral("a calibration holds at most %1 points, the sweep has %2")
                                       .arg(CAL::CalibrationData::MAX_POINTS)
                                       .arg(points));

    // Each averaged sweep of the standard gets the time one sweep would.
    auto* op = new RemoteOperation(QStringLiteral("CALibration:MEASure"),
                                   CALIBRATION_TIMEOUT_MS * CalibrationManager::averageSweeps(), this);
    connect(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibType, op,
            [op] { op->succeed(); });
    op->failOnPortClosed();
    if (!CalibrationManager::startCalibType(standard)) {
        op->fail(E::EXECUTION_ERROR, QString());
        return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("the standard cannot be measured"));
    }
    return TRemoteResult::pending(op);
}

TRemoteResult RemoteCommands::clearCalibration()
{
    if (!isAnalyserReady())
        return noAnalyser();
    if (CalibrationManager::isTransferring())
        return TRemoteResult::fail(E::EXECUTION_ERROR,
                                   QStringLiteral("a calibration transfer is in progress"));
    // Back to the analyser's factory calibration, downloaded again.
    auto* op = new RemoteOperation(QStringLiteral("CALibration:CLEar"), CALIBRATION_TIMEOUT_MS, this);
    connect(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration, op,
            [op] { op->succeed(); });
    op->failOnPortClosed();
    CalibrationManager::resetToFactory();
    return TRemoteResult::pending(op);
}

// ---- display ----

ZChart::ZChartView* RemoteCommands::viewOf(const TCall& call, int k, TRemoteResult& error) const
{
    const int n = call.suffixes.value(k, 1);
    if (n < 1 || n > IRemoteTarget::VIEWS) {
        error = TRemoteResult::fail(E::DATA_OUT_OF_RANGE,
                                    QStringLiteral("view must be 1 to %1").arg(IRemoteTarget::VIEWS));
        return nullptr;
    }
    ZChart::ZChartView* view = m_target ? m_target->chartView(n - 1) : nullptr;
    if (!view)
        error = TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("no chart view %1").arg(n));
    return view;
}

void RemoteCommands::addDisplay()
{
    add(QStringLiteral("DISPlay:ARRangement"), EParam::INTEGER, [this](const TCall& call) {
        const qint64 index = call.integer;
        if (index < 0 || index >= IRemoteTarget::ARRANGEMENTS)
            return TRemoteResult::fail(
                E::DATA_OUT_OF_RANGE,
                QStringLiteral("arrangement must be 0 to %1").arg(IRemoteTarget::ARRANGEMENTS - 1));
        if (!m_target || !m_target->setChartArrangement(int(index)))
            return TRemoteResult::fail(E::EXECUTION_ERROR,
                                       QStringLiteral("the arrangement cannot be applied"));
        return TRemoteResult::done();
    });
    add(QStringLiteral("DISPlay:ARRangement?"), [this](const TCall&) {
        if (!m_target)
            return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("no window"));
        return TRemoteResult::reply(QString::number(m_target->chartArrangement()));
    });
    add(QStringLiteral("DISPlay:VIEW#:TYPE"), EParam::TEXT, [this](const TCall& call) {
        EChartType type = EChartType::UNSET;
        if (!enumFromName(call.text, ZChart::CHART_TYPES_COUNT, type))
            return TRemoteResult::fail(E::DATA_OUT_OF_RANGE,
                                       QStringLiteral("unknown chart type: ") + call.text);
        TRemoteResult error;
        if (!viewOf(call, 0, error))
            return error;
        if (!m_target->setChartType(call.suffixes.value(0, 1) - 1, type))
            return TRemoteResult::fail(E::EXECUTION_ERROR,
                                       QStringLiteral("the chart type cannot be applied"));
        return TRemoteResult::done();
    });
    add(QStringLiteral("DISPlay:VIEW#:TYPE?"), [this](const TCall& call) {
        TRemoteResult error;
        ZChart::ZChartView* view = viewOf(call, 0, error);
        if (!view)
            return error;
        const EChartType type = view->chartType();
        return TRemoteResult::reply(ZChart::isValidChartType(type) ? ZChart::ChartEnumPrinter::toString(type)
                                                                   : QStringLiteral("NONE"));
    });
    add(QStringLiteral("DISPlay:VIEW#:IMAGe"), EParam::TEXTS,
        [this](const TCall& call) { return saveImage(call); });
}

TRemoteResult RemoteCommands::saveImage(const TCall& call)
{
    const QStringList& args = call.command.arguments;
    if (args.size() > 2)
        return TRemoteResult::fail(E::COMMAND_ERROR, QStringLiteral("too many parameters"));
    const QString name = call.text;
    QSize size = ZChart::ChartImageRenderer::defaultSize();
    if (args.size() == 2 && !ZChart::ChartImageRenderer::parseSize(args[1], size))
        return TRemoteResult::fail(E::DATA_OUT_OF_RANGE,
                                   QStringLiteral("image size must be WxH, each %1 to %2: %3")
                                       .arg(ZChart::ChartImageRenderer::MIN_SIDE)
                                       .arg(ZChart::ChartImageRenderer::MAX_SIDE)
                                       .arg(args[1]));
    if (!isPlainFileName(name))
        return TRemoteResult::fail(E::DATA_OUT_OF_RANGE, QStringLiteral("not a plain file name: ") + name);
    if (!ZChart::ZChartView::isSupportedImagePath(name))
        return TRemoteResult::fail(E::DATA_OUT_OF_RANGE, QStringLiteral("images are .png or .svg"));
    TRemoteResult error;
    ZChart::ZChartView* view = viewOf(call, 0, error);
    if (!view)
        return error;
    const QString dir = imageDir();
    if (!ZCore::UtilityModules::Path::createDir(dir, QStringLiteral("IMAGE_DIR")))
        return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("cannot create ") + dir);
    QString why;
    const QString target = QDir(dir).filePath(name);
    // A link planted in the folder would make the picture land outside it.
    if (!ZCore::UtilityModules::Path::isPlainWriteTarget(target, &why))
        return TRemoteResult::fail(E::EXECUTION_ERROR,
                                   QStringLiteral("not writing %1: it %2").arg(name, why));
    if (!view->saveImage(target, size, &why))
        return TRemoteResult::fail(E::EXECUTION_ERROR, why);
    return TRemoteResult::done();
}

// ---- markers ----

void RemoteCommands::addMarkers()
{
    add(QStringLiteral("CALCulate:VIEW#:MARKer:ADD"), EParam::NUMBER, [this](const TCall& call) {
        const double position = call.number;
        TRemoteResult error;
        ZChart::ZChartView* view = viewOf(call, 0, error);
        if (!view)
            return error;
        if (!view->hasData() || !view->marksTable())
            return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("the view shows no data"));
        // The markers page accepts positions on the view's horizontal axis only.
        const auto range = view->horizontalRange();
        if (position < range.first || position > range.second)
            return TRemoteResult::fail(E::DATA_OUT_OF_RANGE, QStringLiteral("position must be %1 to %2")
                                                                 .arg(range.first, 0, 'f', 2)
                                                                 .arg(range.second, 0, 'f', 2));
        if (!view->addMark(position))
            return TRemoteResult::fail(E::EXECUTION_ERROR,
                                       QStringLiteral("the view has %1 markers already").arg(MARKS));
        return TRemoteResult::done();
    });
    add(QStringLiteral("CALCulate:VIEW#:MARKer:CLEar"), [this](const TCall& call) {
        TRemoteResult error;
        ZChart::ZChartView* view = viewOf(call, 0, error);
        if (!view)
            return error;
        if (view->marksTable())
            view->marksTable()->removeAll();
        return TRemoteResult::done();
    });

    // The marker of suffix 1 of a view of suffix 0, or an error.
    const auto markOf = [this](const TCall& call, TRemoteResult& error) -> ZChart::ZMark* {
        ZChart::ZChartView* view = viewOf(call, 0, error);
        if (!view)
            return nullptr;
        const int m = call.suffixes.value(1, 1);
        if (m < 1 || m > MARKS) {
            error = TRemoteResult::fail(E::DATA_OUT_OF_RANGE,
                                        QStringLiteral("marker must be 1 to %1").arg(MARKS));
            return nullptr;
        }
        ZChart::ZMark* mark = view->marksTable() ? view->marksTable()->mark(m - 1) : nullptr;
        if (!mark)
            error =
                TRemoteResult::fail(E::DATA_OUT_OF_RANGE, QStringLiteral("the view has no marker %1").arg(m));
        return mark;
    };
    add(QStringLiteral("CALCulate:VIEW#:MARKer#:TYPE"), EParam::TEXT, [this, markOf](const TCall& call) {
        EMarkType type = EMarkType::RE_IM;
        if (!enumFromName(call.text, ZChart::MARK_TYPES_COUNT, type))
            return TRemoteResult::fail(E::DATA_OUT_OF_RANGE,
                                       QStringLiteral("unknown marker type: ") + call.text);
        TRemoteResult error;
        if (!markOf(call, error))
            return error;
        ZChart::ZChartView* view = m_target->chartView(call.suffixes.value(0) - 1);
        if (!view->config()->allowedMarkTypes().contains(type))
            return TRemoteResult::fail(
                E::DATA_OUT_OF_RANGE,
                QStringLiteral("%1 is not offered on this chart").arg(call.text.toUpper()));
        view->marksTable()->setMarkType(call.suffixes.value(1) - 1, type);
        return TRemoteResult::done();
    });
    add(QStringLiteral("CALCulate:VIEW#:MARKer#:TYPE?"), [markOf](const TCall& call) {
        TRemoteResult error;
        ZChart::ZMark* mark = markOf(call, error);
        return mark ? TRemoteResult::reply(ZChart::ChartEnumPrinter::toString(mark->data().type)) : error;
    });
    add(QStringLiteral("CALCulate:VIEW#:MARKer#:TEXT?"), [markOf](const TCall& call) {
        TRemoteResult error;
        ZChart::ZMark* mark = markOf(call, error);
        if (!mark)
            return error;
        QString text = mark->readout();
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\n'), QLatin1String(" | "));
        return TRemoteResult::reply(text);
    });
}

// ---- trace files ----

void RemoteCommands::addMemory()
{
    add(QStringLiteral("MMEMory:STORe:TRACe"), EParam::TEXT,
        [this](const TCall& call) { return storeTrace(call); });
    add(QStringLiteral("MMEMory:LOAD:TRACe"), EParam::TEXT,
        [this](const TCall& call) { return loadTrace(call); });
    add(QStringLiteral("MMEMory:STORe:REPort"), EParam::TEXT,
        [this](const TCall& call) { return storeReport(call); });
}

TRemoteResult RemoteCommands::storeReport(const TCall& call)
{
    const QString name = call.text;
    if (!isPlainFileName(name))
        return TRemoteResult::fail(E::DATA_OUT_OF_RANGE, QStringLiteral("not a plain file name: ") + name);
    if (QFileInfo(name).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
        return TRemoteResult::fail(E::DATA_OUT_OF_RANGE, QStringLiteral("reports are .pdf"));
    const QString dir = ZReport::MeasurementReport::reportDir();
    if (!ZCore::UtilityModules::Path::createDir(dir, QStringLiteral("REPORT_DIR")))
        return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("cannot create ") + dir);
    // Without an analyser the report says so and still shows what the views hold.
    QList<ZChart::ZChartView*> views;
    if (m_target)
        for (int i = 0; i < IRemoteTarget::VIEWS; ++i)
            views.append(m_target->chartView(i));
    const ZReport::TReportContent content =
        ZReport::ReportCollector::collect(ZReport::ReportCollector::shownViews(views), QString(), QString());
    QString why;
    if (!ZReport::MeasurementReport::write(QDir(dir).filePath(name), content, &why))
        return TRemoteResult::fail(E::EXECUTION_ERROR, why);
    return TRemoteResult::done();
}

namespace {

bool checkTraceName(const QString& name, TRemoteResult& error, bool store)
{
    if (!RemoteCommands::isPlainFileName(name)) {
        error = TRemoteResult::fail(E::DATA_OUT_OF_RANGE, QStringLiteral("not a plain file name: ") + name);
        return false;
    }
    const DS::TraceFiles::EFormat format = DS::TraceFiles::formatOf(name);
    // A CSV table is written for others to read; the program does not load it back.
    if (store ? format == DS::TraceFiles::EFormat::NONE : !DS::TraceFiles::isLoadable(format)) {
        error = TRemoteResult::fail(E::DATA_OUT_OF_RANGE,
                                    store ? QStringLiteral("traces are stored as .tbin, .dat, .s1p or .csv")
                                          : QStringLiteral("traces are loaded from .tbin, .dat or .s1p"));
        return false;
    }
    return true;
}

} // namespace

TRemoteResult RemoteCommands::storeTrace(const TCall& call)
{
    TRemoteResult error;
    if (!checkTraceName(call.text, error, true))
        return error;
    if (!isAnalyserReady())
        return noAnalyser();
    if (!DataScanManager::isFirstDataReceived())
        return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("nothing measured yet"));
    const QString dir = DataScanManager::traceDir();
    if (!ZCore::UtilityModules::Path::createDir(dir, QStringLiteral("TRACE_DIR")))
        return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("cannot create ") + dir);
    const QString path = QDir(dir).filePath(call.text);
    QString why;
    // A link planted in the folder would make the trace land outside it.
    if (!ZCore::UtilityModules::Path::isPlainWriteTarget(path, &why))
        return TRemoteResult::fail(E::EXECUTION_ERROR,
                                   QStringLiteral("not writing %1: it %2").arg(call.text, why));
    const bool ok = DataScanManager::saveTrace(path);
    return ok ? TRemoteResult::done()
              : TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("cannot write ") + path);
}

TRemoteResult RemoteCommands::loadTrace(const TCall& call)
{
    TRemoteResult error;
    if (!checkTraceName(call.text, error, false))
        return error;
    const QString path = QDir(DataScanManager::traceDir()).filePath(call.text);
    // Checked here: the store would announce a missing file to the window, which offers to forget it.
    if (!QFileInfo(path).isFile())
        return TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("no such trace file: ") + call.text);
    const int index = DataScanManager::traces().size();
    if (index >= MAX_TRACES)
        return TRemoteResult::fail(E::EXECUTION_ERROR,
                                   QStringLiteral("%1 traces are loaded already").arg(MAX_TRACES));
    const bool ok = DataScanManager::loadTrace(path, index);
    return ok && DataScanManager::traces().size() > index
               ? TRemoteResult::done()
               : TRemoteResult::fail(E::EXECUTION_ERROR, QStringLiteral("cannot read ") + call.text);
}

} // namespace ZRemote
