#include <QDataStream>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <memory>

#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "core/SettingsManager.h"
#include "devicelink/CommandQueue.h"
#include "measurement/DataScanManager.h"
#include "remote/RemoteSweepRecorder.h"

using namespace ZData;
using ZRemote::RemoteSweepRecorder;

namespace {

// The 300-point sweep is asked for as 126 + 126 + 48 points.
constexpr int SLICES[][2] = {{0, 126}, {126, 126}, {252, 48}};

void answer(int index, int count, float base)
{
    TDeviceReply reply;
    reply.header.command = quint16(EDeviceCommands::DA_GET_SCAN_DATA);
    reply.header.options = quint16(index);
    QDataStream stream(&reply.data, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    stream << float(count) << 0.0f;
    for (int j = 0; j < count; ++j)
        stream << base + j << -(base + j);
    DM::CommandQueue::clear();
    DataScanManager::instance().slotProcessScanData(reply);
}

TScanPoints sweepInBuffer()
{
    return DataScanManager::nonInterpolatedBuffer().mid(0, int(DataScanManager::sweep().points()));
}

bool samePoints(const TScanPoints& a, const TScanPoints& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const TScanPoint& x, const TScanPoint& y) {
        return x.frequency == y.frequency && x.re == y.re && x.im == y.im;
    });
}

} // namespace

class tst_RemoteSweepRecorder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void sweepTakenWhenItCompletes_data();
    void sweepTakenWhenItCompletes();

private:
    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
};

void tst_RemoteSweepRecorder::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    ZCore::SettingsManager::init();
    QVERIFY(CalibrationManager::init());
    QVERIFY(DataScanManager::init());
}

void tst_RemoteSweepRecorder::init()
{
    DataScanManager::setScanPause(true, false);
    DM::CommandQueue::clear();
    DataScanManager::sweep().setDeviceRange(1e6, 6.2e9);
    DataScanManager::sweep().setStart(1e9, false);
    DataScanManager::sweep().setStop(2e9, false);
    DataScanManager::sweep().setPoints(300, true);
    // Corrected data from here on; this also resumes the scan at the sweep's first slice.
    emit CalibrationManager::instance().signalFinishedCalibration();
    QVERIFY(DataScanManager::isCalibrationApplied());
    QVERIFY(!DataScanManager::isPaused());
}

void tst_RemoteSweepRecorder::sweepTakenWhenItCompletes_data()
{
    QTest::addColumn<QString>("during"); // what happens while the first sweep runs
    QTest::newRow("scan paused after the sweep") << "pause";
    QTest::newRow("scan running on") << "";
    // Its first slice is raw, so the sweep is mixed: only the next one counts.
    QTest::newRow("calibration started in the first slice") << "raw";
}

void tst_RemoteSweepRecorder::sweepTakenWhenItCompletes()
{
    QFETCH(QString, during);
    const bool raw = during == QLatin1String("raw");
    RemoteSweepRecorder recorder;
    QSignalSpy recorded(&recorder, &RemoteSweepRecorder::signalRecorded);
    if (raw)
        emit CalibrationManager::instance().signalStartedCalibration();
    answer(SLICES[0][0], SLICES[0][1], 0.25f);
    if (raw)
        emit CalibrationManager::instance().signalFinishedCalibration();
    answer(SLICES[1][0], SLICES[1][1], 0.25f);
    QVERIFY(!recorder.hasSweep());
    if (during == QLatin1String("pause"))
        DataScanManager::setUserScanPause(true); // the last request is already on its way
    answer(SLICES[2][0], SLICES[2][1], 0.25f);
    // Taken with its last slice, not when a next slice happens to come.
    QCOMPARE(recorded.count(), raw ? 0 : 1);
    QCOMPARE(recorder.recorded(), quint64(raw ? 0 : 1));
    const TScanPoints first = sweepInBuffer();
    QCOMPARE(recorder.points().size(), raw ? 0 : 300);
    QVERIFY(raw || samePoints(recorder.points(), first));
    if (during == QLatin1String("pause")) {
        QCOMPARE(DM::CommandQueue::size(), 0);
        return;
    }
    // The next sweep's first slice overwrites the buffer's start, never the recorded sweep.
    answer(SLICES[0][0], SLICES[0][1], 7.5f);
    QVERIFY(!samePoints(sweepInBuffer(), first));
    QCOMPARE(recorded.count(), raw ? 0 : 1);
    QVERIFY(raw || samePoints(recorder.points(), first));
    answer(SLICES[1][0], SLICES[1][1], 7.5f);
    answer(SLICES[2][0], SLICES[2][1], 7.5f);
    QCOMPARE(recorded.count(), raw ? 1 : 2);
    QVERIFY(samePoints(recorder.points(), sweepInBuffer()));
}

QTEST_GUILESS_MAIN(tst_RemoteSweepRecorder)
#include "tst_RemoteSweepRecorder.moc"
