#include <QDataStream>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <complex>
#include <memory>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"

using namespace ZData;
using CAL::CalibrationData;
using CF = std::complex<float>;

namespace {

const CF LOAD_100_OHM(1.0f / 3, 0);

// Largest distance of the corrected sweep from the expected reflection over the points at or above
// fromHz; rms, when given, receives the root mean square of that distance.
float worstError(CF expected, double fromHz = 0, double* rms = nullptr)
{
    float worst = 0;
    double sum = 0;
    int n = 0;
    for (quint32 i = 0; i < DataScanManager::sweep().points(); ++i) {
        const TScanPoint& p = DataScanManager::measuredBuffer()[int(i)];
        if (double(p.frequency) < fromHz)
            continue;
        const float e = std::abs(CF(p.re, p.im) - expected);
        worst = qMax(worst, e);
        sum += double(e) * e;
        ++n;
    }
    if (rms)
        *rms = n > 0 ? std::sqrt(sum / n) : 0;
    return worst;
}

// Waits in an event loop, never in polling sleeps that would hold up the serial traffic.
bool waitForCount(QSignalSpy& spy, int count, int timeoutMs = 60000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (spy.count() < count && !deadline.hasExpired())
        spy.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    return spy.count() >= count;
}

// Waits for sweeps completed after now; two of them leave the whole buffer with data taken from here on.
bool waitForSweeps(int sweeps = 2, int timeoutMs = 60000)
{
    QSignalSpy completed(&DataScanManager::instance(), &DataScanManager::signalSweepCompleted);
    return waitForCount(completed, sweeps, timeoutMs);
}

} // namespace

// The calibration's whole road through the real serial link: the factory download, the user's
// calibration with the emulator's standards, slot upload and download, a reconnect, kits whose
// standards are not ideal, and averaged capture against a noisy analyser.
class tst_CalibrationEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startupDownloadsFactoryCalibration();
    void slotUploadAndDownload();
    void unplugDuringScanAndBack();
    void kitMatchesStandards();
    void averagingCutsNoise();

private:
    bool connectEmulator(const QStringList& args);
    bool calibrate();

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::EmulatorProcess> m_emulator;
    QVector<int> m_dataChunks;
    QVector<int> m_vcoChunks;
};

void tst_CalibrationEndToEnd::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    const QStringList failed = TestSupport::initManagersButLogger();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));

    // The chunk sizes the analyser answered with, read from the replies themselves.
    connect(&DeviceManager::instance(), &DeviceManager::signalGotCalibData, this, [this](TDeviceReply& r) {
        QDataStream s(r.data);
        s.setByteOrder(QDataStream::LittleEndian);
        s.setFloatingPointPrecision(QDataStream::SinglePrecision);
        float first = 0, count = 0;
        s >> first >> count;
        m_dataChunks.append(int(count));
    });
    connect(&DeviceManager::instance(), &DeviceManager::signalGotCalibVCO, this, [this](TDeviceReply& r) {
        QDataStream s(r.data);
        s.setByteOrder(QDataStream::LittleEndian);
        qint16 first = 0, count = 0;
        s >> first >> count;
        m_vcoChunks.append(count);
    });
}

void tst_CalibrationEndToEnd::cleanupTestCase()
{
    DM::SerialPort::close(true);
    m_emulator.reset();
}

// A fresh emulator, connected, with its start-up (the factory calibration's download) done.
bool tst_CalibrationEndToEnd::connectEmulator(const QStringList& args)
{
    DM::SerialPort::close(true);
    m_emulator = std::make_unique<TestSupport::EmulatorProcess>();
    if (!m_emulator->start(args))
        return false;
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    TSerialPortConfig cfg;
    cfg.portName = m_emulator->portPath();
    DM::SerialPort::setConfig(cfg);
    return DM::SerialPort::open(true) && waitForCount(finished, 1);
}

// Open, short and load through the emulator's control lines, then the 100 ohm load back on.
bool tst_CalibrationEndToEnd::calibrate()
{
    QSignalSpy typeDone(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibType);
    const QVector<QPair<QString, quint8>> steps{{"dut open", CalibrationData::OPEN},
                                                {"dut short", CalibrationData::SHORT},
                                                {"dut load", CalibrationData::LOAD}};
    for (int i = 0; i < steps.size(); ++i) {
        if (!m_emulator->control(steps[i].first).startsWith("ok"))
            return false;
        CalibrationManager::startCalibType(steps[i].second);
        if (!waitForCount(typeDone, i + 1, 120000))
            return false;
    }
    return CalibrationManager::calibration().isComplete() &&
           m_emulator->control("dut r=100").startsWith("ok");
}

void tst_CalibrationEndToEnd::startupDownloadsFactoryCalibration()
{
    QSignalSpy range(&DataScanManager::instance(), &DataScanManager::signalProcessedScanRange);
    QVERIFY(connectEmulator({"--dut", "r=100"}));
    QCOMPARE(range.count(), 1);
    const CalibrationData& cal = CalibrationManager::calibration();
    QVERIFY(cal.isEmpty()); // the factory calibration counts as empty
    // 41-point data chunks, the last one shorter; 509-byte oscillator chunks.
    QCOMPARE(m_dataChunks.size(), (cal.points() + 40) / 41);
    QCOMPARE(m_dataChunks.mid(0, m_dataChunks.size() - 1), QVector<int>(m_dataChunks.size() - 1, 41));
    QCOMPARE(m_dataChunks.last(), cal.points() - 41 * (m_dataChunks.size() - 1));
    QCOMPARE(m_vcoChunks, (QVector<int>{509, 509, 509, 509, 509, 509, 203}));
    QCOMPARE(DataScanManager::sweep().points(), quint32(cal.points()));
    QVERIFY(DataScanManager::isCalibrationApplied());
}

// The user's calibration on the user's sweep, to a slot and back while a block's reply comes later than
// the program waits: the block is asked for again after the time-out, and the late reply and the
// second one must each be taken for that block, never for the blocks after it.
void tst_CalibrationEndToEnd::slotUploadAndDownload()
{
    TestSupport::setSweep(3e8, 2.5e9, 300);
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    QVERIFY(calibrate());
    QVERIFY(waitForCount(finished, 1));
    QCOMPARE(CalibrationManager::calibration().points(), quint16(300));
    QCOMPARE(CalibrationManager::calibration().start(), quint64(300000000));
    const CalibrationData uploaded = CalibrationManager::calibration();
    QSignalSpy sent(&CalibrationManager::instance(), &CalibrationManager::signalSentCalibration);
    QVERIFY(CalibrationManager::writeDeviceCalib(2));
    QVERIFY(waitForCount(sent, 1));
    CalibrationManager::resetToFactory();
    QVERIFY(waitForCount(sent, 2));
    QVERIFY(CalibrationManager::calibration().isEmpty());
    QString injected;
    QObject injector;
    int blocks = 0;
    connect(&DeviceManager::instance(), &DeviceManager::signalGotCalibData, &injector,
            [this, &blocks, &injected](TDeviceReply&) {
                if (++blocks == 3)
                    injected = m_emulator->control("late 2500");
            });
    CalibrationManager::readDeviceCalib(2);
    QVERIFY(waitForCount(sent, 3));
    QCOMPARE(injected, QString("ok late 2500"));
    const CalibrationData& read = CalibrationManager::calibration();
    QVERIFY(read.isComplete());
    QCOMPARE(read.start(), uploaded.start());
    QCOMPARE(read.points(), uploaded.points());
    for (int i = 0; i < read.points(); ++i) {
        QCOMPARE(read.openAt(i), uploaded.openAt(i));
        QCOMPARE(read.shortAt(i), uploaded.shortAt(i));
        QCOMPARE(read.loadAt(i), uploaded.loadAt(i));
    }
    QVERIFY(read.vco1() == uploaded.vco1());
    QVERIFY(read.vco2() == uploaded.vco2());
    QVERIFY(waitForSweeps());
    const float error = worstError(LOAD_100_OHM);
    QVERIFY2(error < 1e-3f, qPrintable(QString::number(error)));
}

void tst_CalibrationEndToEnd::unplugDuringScanAndBack()
{
    QVERIFY(waitForSweeps());
    QSignalSpy reconnecting(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting);
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    QVERIFY(m_emulator->control("unplug").startsWith("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(DataScanManager::isPaused(), 10000);
    const quint64 sweepsWhileGone = DataScanManager::completedSweeps();
    // A fixed wait to show that nothing happens: a sweep through the emulator without delay takes a
    // few tens of milliseconds, so 300 ms would complete several; a slow machine can only let a fault
    // slip through, never fail a correct run.
    QTest::qWait(300);
    QCOMPARE(DataScanManager::completedSweeps(), sweepsWhileGone);
    QVERIFY(m_emulator->control("plug").startsWith("ok"));
    // No reopening by hand: the connection manager retries every 2 s and runs the start-up again.
    QVERIFY2(waitForCount(finished, 1), qPrintable(QString("no reconnect: %1 reconnect tries, port open %2")
                                                       .arg(reconnecting.count())
                                                       .arg(DM::SerialPort::isOpen())));
    QVERIFY(!DataScanManager::isPaused());
    QVERIFY(waitForSweeps());
    // "Remove all" chose the factory calibration, so that is what comes back, on the user's sweep.
    QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FACTORY);
    QCOMPARE(DataScanManager::sweep().points(), 300u);
    const float error = worstError(LOAD_100_OHM);
    QVERIFY2(error < 5e-3f, qPrintable(QString::number(error)));
}

void tst_CalibrationEndToEnd::kitMatchesStandards()
{
    // A typical SMA kit, whose open and short the emulator shows at its port.
    QVERIFY(TestSupport::writeFile(
        CAL::CalibrationKit::pathFor("sma"),
        "[open]\nc0_ff = 50\ndelay_ps = 30\n[short]\nl0_ph = 20\ndelay_ps = 30\n[load]\nr_ohm = 51\n"));
    QVERIFY(connectEmulator({"--dut", "r=100", "--kit", CAL::CalibrationKit::pathFor("sma")}));
    TestSupport::setSweep(1e6, 6e9, 301);
    // Taken as ideal, the kit's open and short are wrong by their delay and fringing.
    QVERIFY(CalibrationManager::setKit("Ideal"));
    QVERIFY(calibrate());
    QVERIFY(waitForSweeps());
    float worst = worstError(LOAD_100_OHM, 3e9);
    QVERIFY2(worst > 0.05f, qPrintable(QString::number(worst)));

    QVERIFY(CalibrationManager::setKit("sma"));
    QVERIFY(calibrate());
    QCOMPARE(CalibrationManager::calibrationKit().name, QString("sma"));
    QVERIFY(waitForSweeps());
    worst = worstError(LOAD_100_OHM);
    QVERIFY2(worst < 2e-3f, qPrintable(QString::number(worst)));
}

void tst_CalibrationEndToEnd::averagingCutsNoise()
{
    // As many points as a calibration holds: the spread over them is a steady figure.
    QVERIFY(connectEmulator({"--dut", "r=100", "--noise", "-40", "--seed", "5"}));
    TestSupport::setSweep(1e6, 6e9, 1000);
    QVERIFY(CalibrationManager::setKit("Ideal"));
    double spread[2] = {0, 0};
    const int counts[2] = {1, 16};
    for (int i = 0; i < 2; ++i) {
        QVERIFY(CalibrationManager::setAverageSweeps(counts[i]));
        QVERIFY(calibrate());
        // The reading's own noise averaged away over sweeps of the 100 ohm load only, what is left
        // is the calibration's.
        QVERIFY(waitForSweeps());
        QVERIFY(DataScanManager::setLiveAverage(0));
        QVERIFY(DataScanManager::setLiveAverage(DataScanManager::MAX_LIVE_AVERAGE));
        QVERIFY(waitForSweeps(DataScanManager::MAX_LIVE_AVERAGE + 1, 180000));
        worstError(LOAD_100_OHM, 0, &spread[i]);
    }
    QVERIFY2(spread[0] >= 3 * spread[1],
             qPrintable(QString("1 sweep: %1, 16 sweeps: %2").arg(spread[0]).arg(spread[1])));
    DataScanManager::setLiveAverage(0);
}

QTEST_GUILESS_MAIN(tst_CalibrationEndToEnd)
#include "tst_CalibrationEndToEnd.moc"
