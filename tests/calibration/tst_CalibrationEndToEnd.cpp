#include <QDataStream>
#include <QSignalSpy>
#include <QtTest>

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

float worstError(CF expected)
{
    float worst = 0;
    for (quint32 i = 0; i < DataScanManager::sweep().points(); ++i) {
        const TScanPoint& p = DataScanManager::measuredBuffer()[int(i)];
        worst = qMax(worst, std::abs(CF(p.re, p.im) - expected));
    }
    return worst;
}

// Waits for two sweeps completed after now, so the whole buffer holds data taken from here on.
bool waitForFreshSweep(int timeoutMs = 20000)
{
    const quint64 target = DataScanManager::completedSweeps() + 2;
    QElapsedTimer timer;
    timer.start();
    while (DataScanManager::completedSweeps() < target && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return DataScanManager::completedSweeps() >= target;
}

bool waitForSignal(QSignalSpy& spy, int count, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (spy.count() < count && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return spy.count() >= count;
}

} // namespace

class tst_CalibrationEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startupDownloadsFactoryCalibration();
    void correctedScanMatchesDevice_data();
    void correctedScanMatchesDevice();
    void userCalibrationWithSwappedStandards();
    void slotUploadAndDownload_data();
    void slotUploadAndDownload();
    void unplugDuringScanAndBack();

private:
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

    m_emulator = std::make_unique<TestSupport::EmulatorProcess>();
    QVERIFY(m_emulator->start({"--dut", "r=100"}));
}

void tst_CalibrationEndToEnd::cleanupTestCase()
{
    DM::SerialPort::close(true);
    m_emulator.reset();
}

void tst_CalibrationEndToEnd::startupDownloadsFactoryCalibration()
{
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    QSignalSpy range(&DataScanManager::instance(), &DataScanManager::signalProcessedScanRange);
    TSerialPortConfig cfg;
    cfg.portName = m_emulator->portPath();
    DM::SerialPort::setConfig(cfg);
    QVERIFY(DM::SerialPort::open(true));
    QVERIFY(waitForSignal(finished, 1));
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

void tst_CalibrationEndToEnd::correctedScanMatchesDevice_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("stop");
    QTest::addColumn<quint32>("points");
    QTest::addColumn<float>("tolerance");
    QTest::newRow("factory grid") << 0.0 << 0.0 << 0u << 1e-3f;
    QTest::newRow("interpolated 201 points") << 5e8 << 1.5e9 << 201u << 5e-3f;
    QTest::newRow("interpolated across 100 MHz") << 5e7 << 1.5e8 << 101u << 5e-3f;
}

void tst_CalibrationEndToEnd::correctedScanMatchesDevice()
{
    QFETCH(double, start);
    QFETCH(double, stop);
    QFETCH(quint32, points);
    QFETCH(float, tolerance);
    if (points > 0) {
        DataScanManager::sweep().setStart(start, false);
        DataScanManager::sweep().setStop(stop, false);
        DataScanManager::sweep().setPoints(points, true);
    }
    QVERIFY(waitForFreshSweep());
    const float error = worstError(CF(1.0f / 3, 0));
    QVERIFY2(error < tolerance, qPrintable(QString::number(error)));
}

void tst_CalibrationEndToEnd::userCalibrationWithSwappedStandards()
{
    DataScanManager::sweep().setStart(3e8, false);
    DataScanManager::sweep().setStop(2.5e9, false);
    DataScanManager::sweep().setPoints(300, true);
    QSignalSpy typeDone(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibType);
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    const QVector<QPair<QString, quint8>> steps{{"dut open", CalibrationData::OPEN},
                                                {"dut short", CalibrationData::SHORT},
                                                {"dut load", CalibrationData::LOAD}};
    for (int i = 0; i < steps.size(); ++i) {
        QVERIFY(m_emulator->control(steps[i].first).startsWith("ok"));
        CalibrationManager::startCalibType(steps[i].second);
        QVERIFY(waitForSignal(typeDone, i + 1));
    }
    QVERIFY(waitForSignal(finished, 1));
    const CalibrationData& cal = CalibrationManager::calibration();
    QVERIFY(cal.isComplete());
    QCOMPARE(cal.points(), quint16(300));
    QCOMPARE(cal.start(), quint64(300000000));
    QVERIFY(m_emulator->control("dut r=100").startsWith("ok"));
    QVERIFY(waitForFreshSweep());
    const float error = worstError(CF(1.0f / 3, 0));
    QVERIFY2(error < 1e-3f, qPrintable(QString::number(error)));
    QVERIFY(m_emulator->control("dut short").startsWith("ok"));
    QVERIFY(waitForFreshSweep());
    QVERIFY(worstError(CF(-1, 0)) < 1e-3f);
    QVERIFY(m_emulator->control("dut r=100").startsWith("ok"));
}

void tst_CalibrationEndToEnd::slotUploadAndDownload_data()
{
    QTest::addColumn<QString>("fault"); // an emulator control line given in the middle of the download
    QTest::newRow("clean line") << QString();
    // The block is asked for again after the time-out; the late reply and the second one must each
    // be taken for that block, never for the blocks after it.
    QTest::newRow("a block's reply later than the program waits") << "late 2500";
}

void tst_CalibrationEndToEnd::slotUploadAndDownload()
{
    QFETCH(QString, fault);
    QVERIFY(CalibrationManager::calibration().isComplete());
    const CalibrationData uploaded = CalibrationManager::calibration();
    QSignalSpy sent(&CalibrationManager::instance(), &CalibrationManager::signalSentCalibration);
    QVERIFY(CalibrationManager::writeDeviceCalib(2));
    QVERIFY(waitForSignal(sent, 1));
    CalibrationManager::resetToFactory();
    QVERIFY(waitForSignal(sent, 2));
    QVERIFY(CalibrationManager::calibration().isEmpty());
    QString injected;
    QObject injector;
    if (!fault.isEmpty()) {
        auto blocks = std::make_shared<int>(0);
        connect(&DeviceManager::instance(), &DeviceManager::signalGotCalibData, &injector,
                [this, blocks, &fault, &injected](TDeviceReply&) {
                    if (++*blocks == 3)
                        injected = m_emulator->control(fault);
                });
    }
    CalibrationManager::readDeviceCalib(2);
    QVERIFY(waitForSignal(sent, 3));
    QCOMPARE(injected, fault.isEmpty() ? QString() : "ok " + fault);
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
    QVERIFY(waitForFreshSweep());
    QVERIFY(worstError(CF(1.0f / 3, 0)) < 1e-3f);
}

void tst_CalibrationEndToEnd::unplugDuringScanAndBack()
{
    QVERIFY(waitForFreshSweep());
    QSignalSpy reconnecting(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting);
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    QVERIFY(m_emulator->control("unplug").startsWith("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(DataScanManager::isPaused(), 10000);
    const quint64 sweepsWhileGone = DataScanManager::completedSweeps();
    // A sweep through the emulator without delay takes a few tens of milliseconds, so 300 ms would
    // complete several; a slow machine can only let a fault slip through, never fail a correct run.
    QTest::qWait(300);
    QCOMPARE(DataScanManager::completedSweeps(), sweepsWhileGone);
    QVERIFY(m_emulator->control("plug").startsWith("ok"));
    // No reopening by hand: the connection manager retries every 2 s and runs the start-up again.
    QVERIFY2(waitForSignal(finished, 1, 30000),
             qPrintable(QString("no reconnect in 30 s: %1 reconnect tries, port open %2")
                            .arg(reconnecting.count())
                            .arg(DM::SerialPort::isOpen())));
    QVERIFY(!DataScanManager::isPaused());
    QVERIFY(waitForFreshSweep());
    // "Remove all" chose the factory calibration, so that is what comes back, on the user's sweep.
    QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FACTORY);
    QCOMPARE(DataScanManager::sweep().points(), 300u);
    const float error = worstError(CF(1.0f / 3, 0));
    QVERIFY2(error < 5e-3f, qPrintable(QString::number(error)));
}

QTEST_GUILESS_MAIN(tst_CalibrationEndToEnd)
#include "tst_CalibrationEndToEnd.moc"
