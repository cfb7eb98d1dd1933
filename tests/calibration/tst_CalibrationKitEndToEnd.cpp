#include <QFile>
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

bool waitForSweeps(quint64 sweeps, int timeoutMs = 60000)
{
    const quint64 target = DataScanManager::completedSweeps() + sweeps;
    QElapsedTimer timer;
    timer.start();
    while (DataScanManager::completedSweeps() < target && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return DataScanManager::completedSweeps() >= target;
}

// Largest and root-mean-square distance of the corrected sweep from the 100 ohm load's 1/3, over
// the points at or above fromHz.
void errorOf100Ohm(double fromHz, float& worst, double& rms)
{
    worst = 0;
    double sum = 0;
    int n = 0;
    for (quint32 i = 0; i < DataScanManager::sweep().points(); ++i) {
        const TScanPoint& p = DataScanManager::measuredBuffer()[int(i)];
        if (double(p.frequency) < fromHz)
            continue;
        const float e = std::abs(CF(p.re, p.im) - CF(1.0f / 3, 0));
        worst = qMax(worst, e);
        sum += double(e) * e;
        ++n;
    }
    rms = n > 0 ? std::sqrt(sum / n) : 0;
}

} // namespace

// The whole road of a kit: standards that are not ideal at the analyser's port, the user's
// calibration through the real serial link, the kit's correction of it, and averaged capture
// against a noisy analyser.
class tst_CalibrationKitEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void kitMatchesStandards();
    void averagingCutsNoise();

private:
    bool connectEmulator(const QStringList& args, quint32 points);
    bool calibrate();

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::EmulatorProcess> m_emulator;
};

void tst_CalibrationKitEndToEnd::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    const QStringList failed = TestSupport::initManagersButLogger();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));
    // A typical SMA kit.
    QDir().mkpath(CAL::CalibrationKit::dir());
    QFile kit(CAL::CalibrationKit::pathFor("sma"));
    QVERIFY(kit.open(QIODevice::WriteOnly));
    kit.write("[open]\nc0_ff = 50\ndelay_ps = 30\n[short]\nl0_ph = 20\ndelay_ps = 30\n[load]\nr_ohm = 51\n");
}

void tst_CalibrationKitEndToEnd::cleanupTestCase()
{
    DM::SerialPort::close(true);
    m_emulator.reset();
}

bool tst_CalibrationKitEndToEnd::connectEmulator(const QStringList& args, quint32 points)
{
    DM::SerialPort::close(true);
    m_emulator = std::make_unique<TestSupport::EmulatorProcess>();
    if (!m_emulator->start(args))
        return false;
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    TSerialPortConfig cfg;
    cfg.portName = m_emulator->portPath();
    DM::SerialPort::setConfig(cfg);
    if (!DM::SerialPort::open(true) || !finished.wait(30000))
        return false;
    DataScanManager::sweep().setStart(1e6, false);
    DataScanManager::sweep().setStop(6e9, false);
    DataScanManager::sweep().setPoints(points, true);
    return true;
}

// Open, short and load through the emulator's control lines, then the 100 ohm load back on.
bool tst_CalibrationKitEndToEnd::calibrate()
{
    QSignalSpy typeDone(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibType);
    const QVector<QPair<QString, quint8>> steps{{"dut open", CalibrationData::OPEN},
                                                {"dut short", CalibrationData::SHORT},
                                                {"dut load", CalibrationData::LOAD}};
    for (int i = 0; i < steps.size(); ++i) {
        if (!m_emulator->control(steps[i].first).startsWith("ok"))
            return false;
        CalibrationManager::startCalibType(steps[i].second);
        QElapsedTimer timer;
        timer.start();
        while (typeDone.count() <= i && timer.elapsed() < 120000)
            QTest::qWait(5);
        if (typeDone.count() <= i)
            return false;
    }
    return CalibrationManager::calibration().isComplete() &&
           m_emulator->control("dut r=100").startsWith("ok");
}

void tst_CalibrationKitEndToEnd::kitMatchesStandards()
{
    QVERIFY(connectEmulator({"--dut", "r=100", "--kit", CAL::CalibrationKit::pathFor("sma")}, 301));
    // Taken as ideal, the kit's open and short are wrong by their delay and fringing.
    QVERIFY(CalibrationManager::setKit("Ideal"));
    QVERIFY(calibrate());
    QVERIFY(waitForSweeps(2));
    float worst = 0;
    double rms = 0;
    errorOf100Ohm(3e9, worst, rms);
    qInfo("ideal kit: worst error above 3 GHz %g", double(worst));
    QVERIFY2(worst > 0.05f, qPrintable(QString::number(worst)));

    QVERIFY(CalibrationManager::setKit("sma"));
    QVERIFY(calibrate());
    QCOMPARE(CalibrationManager::calibrationKit().name, QString("sma"));
    QVERIFY(waitForSweeps(2));
    errorOf100Ohm(0, worst, rms);
    qInfo("matching kit: worst error 1 MHz to 6 GHz %g", double(worst));
    QVERIFY2(worst < 2e-3f, qPrintable(QString::number(worst)));
}

void tst_CalibrationKitEndToEnd::averagingCutsNoise()
{
    // As many points as a calibration holds: the spread over them is a steady figure.
    QVERIFY(connectEmulator({"--dut", "r=100", "--noise", "-40", "--seed", "5"}, 1000));
    QVERIFY(CalibrationManager::setKit("Ideal"));
    double spread[2] = {0, 0};
    const int counts[2] = {1, 16};
    for (int i = 0; i < 2; ++i) {
        QVERIFY(CalibrationManager::setAverageSweeps(counts[i]));
        QVERIFY(calibrate());
        // The reading's own noise averaged away over sweeps of the 100 ohm load only, what is left
        // is the calibration's.
        QVERIFY(waitForSweeps(2));
        QVERIFY(DataScanManager::setLiveAverage(0));
        QVERIFY(DataScanManager::setLiveAverage(DataScanManager::MAX_LIVE_AVERAGE));
        QVERIFY(waitForSweeps(DataScanManager::MAX_LIVE_AVERAGE + 1, 180000));
        float worst = 0;
        errorOf100Ohm(0, worst, spread[i]);
    }
    qInfo("rms error, 1 sweep per standard: %g, 16 sweeps: %g", spread[0], spread[1]);
    QVERIFY2(spread[0] >= 3 * spread[1],
             qPrintable(QString("1 sweep: %1, 16 sweeps: %2").arg(spread[0]).arg(spread[1])));
    DataScanManager::setLiveAverage(0);
}

QTEST_GUILESS_MAIN(tst_CalibrationKitEndToEnd)
#include "tst_CalibrationKitEndToEnd.moc"
