#include <QDataStream>
#include <QFileInfo>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <complex>
#include <memory>

#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "core/SettingsManager.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/DeviceManager.h"
#include "measurement/DataScanManager.h"
#include "measurement/RangeSliced.h"
#include "measurement/TraceFiles.h"

using namespace ZData;
using DS::RangeSliced;
using DS::TraceFiles;

Q_DECLARE_METATYPE(TraceFiles::EFormat)
using DS::TTraceData;

class tst_DataScanManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void scanReplies_data();
    void scanReplies();
    void binaryTraceRoundTrip();
    void textTraceRoundTrip();
    void textTraceWithoutBandwidth();
    void formatBySuffix_data();
    void formatBySuffix();
    void malformedTraceFiles_data();
    void malformedTraceFiles();
    void slicing_data();
    void slicing();
    void setters_data();
    void setters();

private:
    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
};

void tst_DataScanManager::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    ZCore::SettingsManager::init();
    QVERIFY(CalibrationManager::init());
    QVERIFY(DataScanManager::init());
    QVERIFY(QFileInfo(DataScanManager::traceDir()).isDir());
}

void tst_DataScanManager::init()
{
    DataScanManager::reset();
    DM::CommandQueue::clear();
    DataScanManager::setScanPause(true, false);
    DataScanManager::clearTraces();
    DataScanManager::sweep().setDeviceRange(1e6, 6.2e9);
    TestSupport::setSweep(1e9, 2e9, 300);
}

// A calibration captures each completed sweep, so a sweep must complete from accepted data only:
// never from a refused reply, a redraw or the stale answer after a reset. The 300-point sweep asks for
// slices of 126, 126 and 48 points; each row gives a reply or a disturbance before the answer to
// slice atSlice, and the number of answers that then complete the sweep.
void tst_DataScanManager::scanReplies_data()
{
    QTest::addColumn<QString>("disturbance"); // "reply": the reply of the next three columns
    QTest::addColumn<int>("atSlice");
    QTest::addColumn<int>("index");
    QTest::addColumn<float>("countField");
    QTest::addColumn<int>("pairs");
    QTest::addColumn<int>("missing"); // 0: the reply is taken as the last slice
    QTest::newRow("the slice asked for") << "reply" << 2 << 252 << 48.0f << 48 << 0;
    QTest::newRow("fraction truncated") << "reply" << 2 << 252 << 48.7f << 48 << 0;
    QTest::newRow("last slice filed under index 0") << "reply" << 2 << 0 << 48.0f << 48 << 1;
    QTest::newRow("another slice's index") << "reply" << 2 << 126 << 48.0f << 48 << 1;
    QTest::newRow("fewer points than asked for") << "reply" << 2 << 252 << 20.0f << 20 << 1;
    QTest::newRow("past the sweep's end") << "reply" << 2 << 252 << 49.0f << 49 << 1;
    QTest::newRow("fewer values than announced") << "reply" << 2 << 252 << 48.0f << 47 << 1;
    QTest::newRow("not a number") << "reply" << 2 << 252 << std::nanf("") << 48 << 1;
    QTest::newRow("count beyond 16 bits") << "reply" << 2 << 252 << 65536.0f << 48 << 1;
    QTest::newRow("negative count") << "reply" << 2 << 252 << -48.0f << 48 << 1;
    QTest::newRow("out-of-order slice") << "reply" << 0 << 126 << 126.0f << 126 << 3;
    QTest::newRow("index rewritten past the sweep") << "reply" << 0 << 252 << 126.0f << 126 << 3;
    QTest::newRow("electrical delay toggled") << "delay" << 2 << 0 << 0.0f << 0 << 1;
    QTest::newRow("interpolation toggled") << "interpolation" << 2 << 0 << 0.0f << 0 << 1;
    QTest::newRow("pause and resume") << "pause" << 1 << 0 << 0.0f << 0 << 2;
    QTest::newRow("reset, then the answer to the request made before it")
        << "reset" << 1 << 0 << 0.0f << 0 << 3;
    // The answer to the old sweep's first slice is refused, and the new sweep's is asked for.
    QTest::newRow("sweep shrunk to 100 points under the slice") << "shrunk" << 0 << 0 << 0.0f << 0 << 1;
}

void tst_DataScanManager::scanReplies()
{
    QFETCH(QString, disturbance);
    QFETCH(int, atSlice);
    QFETCH(int, missing);
    QSignalSpy completed(&DataScanManager::instance(), &DataScanManager::signalSweepCompleted);
    QSignalSpy processed(&DataScanManager::instance(), &DataScanManager::signalProcessedScanData);
    const quint64 before = DataScanManager::completedSweeps();
    DataScanManager::setScanPause(false, false);
    auto answer = [](int index, float count, int pairs, float value, float step) {
        DM::CommandQueue::clear();
        DataScanManager::instance().slotProcessScanData(
            TestSupport::scanReply(quint16(index), count, pairs,
                                   [=](int j) { return std::complex<float>(value + j * step, -j * step); }));
    };
    auto answerAsked = [&] {
        QVERIFY(DM::CommandQueue::size() > 0); // never stalled waiting for an answer not asked for
        const int n = DataScanManager::currentSlice().size();
        answer(int(DataScanManager::sliceStartIndex()), float(n), n, 0.5f, 0);
    };
    for (int slice = 0; slice < atSlice; ++slice)
        answerAsked();
    const TScanPoints buffer = DataScanManager::measuredBuffer();
    const quint32 sliceStart = DataScanManager::sliceStartIndex();
    processed.clear();
    if (disturbance == "reply") {
        QFETCH(int, index);
        QFETCH(float, countField);
        QFETCH(int, pairs);
        answer(index, countField, pairs, 9.0f, 1.0f);
        QCOMPARE(processed.count(), missing > 0 ? 0 : 1);
        if (missing > 0) { // nothing written, nothing announced, the same slice asked for again
            QCOMPARE(DataScanManager::sliceStartIndex(), sliceStart);
            QCOMPARE(DM::CommandQueue::size(), 1);
            const TScanPoints& after = DataScanManager::measuredBuffer();
            QCOMPARE(after.size(), buffer.size());
            for (int i = 0; i < after.size(); ++i)
                QVERIFY2(after[i].re == buffer[i].re && after[i].im == buffer[i].im,
                         qPrintable(QString::number(i)));
        }
    } else if (disturbance == "delay") {
        DataScanManager::setElDelayValue(100, true);
        DataScanManager::setElDelayEnabled(true, true);
        DataScanManager::setElDelayEnabled(false, true);
    } else if (disturbance == "interpolation") {
        DataScanManager::setInterpolationEnabled(true, true);
        DataScanManager::setInterpolationEnabled(false, true);
    } else if (disturbance == "pause") {
        DataScanManager::setUserScanPause(true);
        DataScanManager::setUserScanPause(false);
    } else if (disturbance == "reset") {
        DataScanManager::instance().slotResetScan();
        answer(126, 126, 126, 9.0f, 0);
        QCOMPARE(DataScanManager::sliceStartIndex(), 0u);
    } else if (disturbance == "shrunk") {
        DataScanManager::sweep().setPoints(100, false);
        answer(0, 126, 126, 9.0f, 0);
    }
    // The slices still missing, and not one more, complete it, every point holding what was taken.
    for (int slice = 0; slice < missing; ++slice) {
        QCOMPARE(completed.count(), 0);
        answerAsked();
    }
    QCOMPARE(completed.count(), 1);
    QCOMPARE(DataScanManager::completedSweeps(), before + 1);
    for (int k = 0; k < int(DataScanManager::sweep().points()); ++k) {
        const bool fromReply = missing == 0 && k >= 252;
        QCOMPARE(DataScanManager::measuredBuffer()[k].re, fromReply ? 9.0f + (k - 252) : 0.5f);
        QCOMPARE(DataScanManager::measuredBuffer()[k].im, fromReply ? 252.0f - k : 0.0f);
    }
}

void tst_DataScanManager::binaryTraceRoundTrip()
{
    DataScanManager::sweep().setPoints(201, true);
    const QString path = DataScanManager::traceDir() + "/sweep.v1.tbin";
    DataScanManager::setInterpolationEnabled(true, false); // traces keep the sweep's own points
    QVERIFY(DataScanManager::saveBinaryTrace(path));
    DataScanManager::setInterpolationEnabled(false, false);
    QCOMPARE(QFileInfo(path).size(), qint64(3236));
    const QByteArray bytes = TestSupport::readFile(path);
    QCOMPARE(bytes.left(8), QByteArray::fromHex("0000000065cdcd41")); // 1e9 as a little-endian double
    QCOMPARE(bytes.mid(16, 4), QByteArray::fromHex("c9000000"));
    QVERIFY(DataScanManager::loadBinaryTrace(path, 0));
    const TTraceData& trace = DataScanManager::traces().first();
    QCOMPARE(trace.pointCount, 201u);
    for (int i = 0; i < 201; ++i) {
        QCOMPARE(trace.points[i].frequency, DataScanManager::measuredBuffer()[i].frequency);
        QCOMPARE(trace.points[i].re, DataScanManager::measuredBuffer()[i].re);
    }
    QCOMPARE(TraceFiles::toBinary(trace), bytes);
}

void tst_DataScanManager::textTraceRoundTrip()
{
    TTraceData trace;
    trace.start = 1000000;
    trace.stop = 1500000.5;
    trace.pointCount = 3;
    trace.points = {{1000000, 0.1234564f, -1.0f}, {1250000, 1e-7f, 0.5f}, {1500000, -0.999999f, 3.25f}};
    const QByteArray text = TraceFiles::toText(trace, 100000);
    QVERIFY(text.startsWith(
        "Start (Hz):      1000000.000000\nStop (Hz):       1500000.500000\n"
        "Points:          3\nBandwidth (Hz):  100000\nData:\nFreq (Hz)\tReal (S11)\tImag (S11)\n"
        "1000000\t0.123456\t-1.000000\n"));
    TTraceData read;
    QVERIFY(TraceFiles::fromText(text, read));
    QCOMPARE(read.stop, 1500000.5);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(read.points[i].frequency, trace.points[i].frequency);
        QVERIFY(qAbs(read.points[i].re - trace.points[i].re) <= 5e-7f);
        QVERIFY(qAbs(read.points[i].im - trace.points[i].im) <= 5e-7f);
    }
}

void tst_DataScanManager::textTraceWithoutBandwidth()
{
    DeviceManager::setDeviceInfo(TDeviceInfo()); // no bandwidth list
    const QString fresh = DataScanManager::traceDir() + "/fresh.dat";
    const QString kept = DataScanManager::traceDir() + "/kept.dat";
    QVERIFY(TestSupport::writeFile(kept, "previous content"));
    QVERIFY(!DataScanManager::saveTextTrace(fresh));
    QVERIFY(!DataScanManager::saveTextTrace(kept));
    QVERIFY(!QFileInfo::exists(fresh));
    QCOMPARE(TestSupport::readFile(kept), QByteArray("previous content"));
}

void tst_DataScanManager::formatBySuffix_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<TraceFiles::EFormat>("format");
    using F = TraceFiles::EFormat;
    QTest::newRow("binary") << "/tmp/a.tbin" << F::BINARY;
    QTest::newRow("upper case, dotted directory") << "/tmp/my.traces/A.TBIN" << F::BINARY;
    QTest::newRow("text") << "/tmp/a.dat" << F::TEXT;
    QTest::newRow("touchstone") << "/tmp/dut.S1P" << F::TOUCHSTONE;
    QTest::newRow("no dot") << "/tmp/trace" << F::NONE;
    QTest::newRow("dot only in directory") << "/tmp/x.tbin/trace" << F::NONE;
    QTest::newRow("suffix inside the name") << "/tmp/a.csv.tbin" << F::BINARY;
    QTest::newRow("csv, written only") << "/tmp/a.Csv" << F::CSV;
    QTest::newRow("other") << "/tmp/a.xlsx" << F::NONE;
}

void tst_DataScanManager::formatBySuffix()
{
    QFETCH(QString, path);
    QTEST(TraceFiles::formatOf(path), "format");
    // A name no format claims is neither written nor read, and nothing is left behind; a table
    // is written but never read back as a trace.
    if (TraceFiles::formatOf(path) == TraceFiles::EFormat::CSV) {
        const QString file = DataScanManager::traceDir() + "/" + QFileInfo(path).fileName();
        QVERIFY(DataScanManager::saveTrace(file));
        QVERIFY(!DataScanManager::loadTrace(file, 0));
    }
    if (TraceFiles::formatOf(path) == TraceFiles::EFormat::NONE) {
        const QString file = DataScanManager::traceDir() + "/" + QFileInfo(path).fileName();
        QVERIFY(!DataScanManager::saveTrace(file));
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(!DataScanManager::loadTrace(file, 0));
    }
}

// That a refused file leaves the trace list alone is the traces page's test.
void tst_DataScanManager::malformedTraceFiles_data()
{
    QTest::addColumn<bool>("binary");
    QTest::addColumn<QByteArray>("content");
    auto binary = [](qint32 n) {
        QByteArray b;
        QDataStream s(&b, QIODevice::WriteOnly);
        s.setByteOrder(QDataStream::LittleEndian);
        s << 1e9 << 2e9 << n;
        return b;
    };
    QTest::newRow("negative count") << true << binary(-1);
    QTest::newRow("truncated points") << true << binary(3) + QByteArray(47, '\0');
    const QByteArray textHead = "Start (Hz):      1.0\nStop (Hz):       2.0\n";
    QTest::newRow("text missing records")
        << false << textHead + "Points:          3\nBandwidth (Hz):  1\nData:\nx\n1\t0.1\t0.2\n";
    QTest::newRow("text non-numeric header") << false << QByteArray("Start (Hz):      one\n");
}

void tst_DataScanManager::malformedTraceFiles()
{
    QFETCH(bool, binary);
    QFETCH(QByteArray, content);
    TTraceData trace;
    QVERIFY(!(binary ? TraceFiles::fromBinary(content, trace) : TraceFiles::fromText(content, trace)));
}

void tst_DataScanManager::slicing_data()
{
    QTest::addColumn<quint32>("points"); // asked for; never fewer than 2
    QTest::addColumn<double>("span");
    QTest::addColumn<QVector<int>>("sliceSizes");
    QTest::newRow("0") << 0u << 2e9 << QVector<int>{2};
    QTest::newRow("1") << 1u << 2e9 << QVector<int>{2};
    QTest::newRow("2") << 2u << 2e9 << QVector<int>{2};
    QTest::newRow("126") << 126u << 2e9 << QVector<int>{126};
    QTest::newRow("127") << 127u << 2e9 << QVector<int>{126, 1};
    QTest::newRow("1000") << 1000u << 2e9 << QVector<int>{126, 126, 126, 126, 126, 126, 126, 118};
    QTest::newRow("2048") << 2048u << 2e9 << QVector<int>(16, 126) + QVector<int>{32};
    QTest::newRow("zero span: one frequency") << 10u << 0.0 << QVector<int>{10};
}

void tst_DataScanManager::slicing()
{
    QFETCH(quint32, points);
    QFETCH(double, span);
    QFETCH(QVector<int>, sliceSizes);
    const double start = 1e9, stop = start + span;
    RangeSliced sweep(start, stop, points);
    RangeSliced set(start, stop, 5);
    set.setPoints(points, false);
    QCOMPARE(set.points(), qMax(points, 2u));
    QCOMPARE(sweep.points(), qMax(points, 2u));
    QSignalSpy ends(&sweep, &RangeSliced::signalReachedEnd);
    QVector<quint64> all;
    // Two rounds: the cursor must wrap to the first slice after the last one.
    for (int round = 0; round < 2; ++round) {
        for (int s = 0; s < sliceSizes.size(); ++s) {
            const QVector<quint64> slice = sweep.nextSlice();
            QCOMPARE(slice.size(), sliceSizes[s]);
            QCOMPARE(ends.count(), round + (s == sliceSizes.size() - 1 ? 1 : 0));
            if (round == 0)
                all += slice;
        }
        QCOMPARE(sweep.sliceCursor(), 0u);
    }
    QCOMPARE(all.size(), int(sweep.points()));
    QCOMPARE(sweep.step(), qMax(span / (sweep.points() - 1), 0.001));
    const double step = span / double(sweep.points() - 1);
    for (int k = 0; k < all.size(); ++k)
        QCOMPARE(all[k], quint64(start + k * step));
    QVERIFY(qAbs(double(all.last()) - stop) <= 1.0);
}

void tst_DataScanManager::setters_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("stop");
    QTest::addColumn<double>("span");
    // Base sweep: 1 GHz .. 3 GHz, limits 1 MHz .. 6.2 GHz.
    QTest::newRow("start below min") << "start" << 0.0 << 1e6 << 3e9 << 3e9 - 1e6;
    QTest::newRow("start above stop keeps span") << "start" << 4e9 << 4e9 << 6e9 << 2e9;
    QTest::newRow("start above stop capped at max") << "start" << 5e9 << 5e9 << 6.2e9 << 1.2e9;
    QTest::newRow("stop above max") << "stop" << 9e9 << 1e9 << 6.2e9 << 5.2e9;
    QTest::newRow("stop below start near min") << "stop" << 0.9e9 << 1e6 << 0.9e9 << 0.9e9 - 1e6;
    QTest::newRow("center near min shrinks span") << "center" << 0.5e9 << 1e6 << 1e9 - 1e6 << 1e9 - 2e6;
    QTest::newRow("span too wide") << "span" << 1e10 << 1e6 << 6.2e9 << 6.2e9 - 1e6;
}

void tst_DataScanManager::setters()
{
    QFETCH(QString, op);
    QFETCH(double, value);
    QFETCH(double, start);
    QFETCH(double, stop);
    QFETCH(double, span);
    RangeSliced sweep(1e9, 3e9, 201);
    QSignalSpy updated(&sweep, &RangeSliced::signalUpdated);
    if (op == "start")
        sweep.setStart(value, true);
    else if (op == "stop")
        sweep.setStop(value, true);
    else if (op == "center")
        sweep.setCenter(value, true);
    else
        sweep.setSpan(value, true);
    QCOMPARE(updated.count(), 1);
    QVERIFY(qAbs(sweep.start() - start) < 1e-3);
    QVERIFY(qAbs(sweep.stop() - stop) < 1e-3);
    QVERIFY(qAbs(sweep.span() - span) < 1e-3);
    QVERIFY(qAbs(sweep.center() - (start + stop) / 2) < 1e-3);
    QVERIFY(qAbs(sweep.step() - qMax(span / 200.0, 0.001)) < 1e-6);
}

QTEST_GUILESS_MAIN(tst_DataScanManager)
#include "tst_DataScanManager.moc"
