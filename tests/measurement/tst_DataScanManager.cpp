#include <QDataStream>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <memory>

#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "core/SettingsManager.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/DeviceManager.h"
#include "measurement/DataScanManager.h"
#include "measurement/TraceFiles.h"

using namespace ZData;
using DS::TraceFiles;
using DS::TTraceData;

namespace {

TDeviceReply scanReply(quint16 index, float countField, int pairs, float base)
{
    TDeviceReply reply;
    reply.header.command = quint16(EDeviceCommands::DA_GET_SCAN_DATA);
    reply.header.options = index;
    QDataStream stream(&reply.data, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    stream << countField << 0.0f;
    for (int j = 0; j < pairs; ++j)
        stream << base + j << -(base + j);
    return reply;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class tst_DataScanManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void scanReplyBounds_data();
    void scanReplyBounds();
    void pauseRules();
    void settersClampAndNotify();
    void derivedViews();
    void binaryTraceRoundTrip();
    void textTraceRoundTrip();
    void textTraceWithoutBandwidth_data();
    void textTraceWithoutBandwidth();
    void malformedTraceFiles_data();
    void malformedTraceFiles();
    void traceListLimitsAndSettings();

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
    DM::CommandQueue::clear();
    DataScanManager::setScanPause(true, false);
    DataScanManager::clearTraces();
    DataScanManager::sweep().setDeviceRange(1e6, 6.2e9);
    DataScanManager::sweep().setStart(1e9, false);
    DataScanManager::sweep().setStop(2e9, false);
    DataScanManager::sweep().setPoints(300, true);
}

void tst_DataScanManager::scanReplyBounds_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<float>("countField");
    QTest::addColumn<int>("pairs");
    QTest::addColumn<bool>("stored");
    QTest::newRow("slice fits") << 126 << 126.0f << 126 << true;
    QTest::newRow("fraction truncated") << 252 << 48.7f << 48 << true;
    QTest::newRow("last slice ends at sweep end") << 252 << 48.0f << 48 << true;
    QTest::newRow("zero points") << 0 << 0.0f << 0 << true;
    QTest::newRow("longer than a slice") << 0 << 127.0f << 127 << false;
    QTest::newRow("past the sweep") << 252 << 49.0f << 49 << false;
    QTest::newRow("past the buffer") << 2040 << 20.0f << 20 << false;
    QTest::newRow("fewer values than announced") << 0 << 10.0f << 9 << false;
    QTest::newRow("negative count") << 0 << -3.0f << 0 << false;
    QTest::newRow("huge count") << 0 << 1e9f << 5 << false;
    QTest::newRow("not a number") << 0 << std::nanf("") << 5 << false;
}

void tst_DataScanManager::scanReplyBounds()
{
    QFETCH(int, index);
    QFETCH(float, countField);
    QFETCH(int, pairs);
    QFETCH(bool, stored);
    const TScanPoints before = DataScanManager::measuredBuffer();
    DataScanManager::setScanPause(false, false); // queues the first request
    QCOMPARE(DM::CommandQueue::size(), 1);
    QSignalSpy processed(&DataScanManager::instance(), &DataScanManager::signalProcessedScanData);
    DataScanManager::instance().slotProcessScanData(scanReply(quint16(index), countField, pairs, 0.25f));
    const TScanPoints& after = DataScanManager::measuredBuffer();
    QCOMPARE(after.size(), DataScanManager::BUFFER_POINTS);
    if (stored && pairs > 0) {
        QCOMPARE(after[index].re, 0.25f);
        QCOMPARE(after[index + pairs - 1].im, -(0.25f + pairs - 1));
    } else {
        for (int i = 0; i < after.size(); ++i) {
            QCOMPARE(after[i].re, before[i].re);
            QCOMPARE(after[i].im, before[i].im);
        }
    }
    // Stored or refused, the scan goes on: one announcement and exactly one more request.
    QCOMPARE(processed.count(), 1);
    QCOMPARE(DM::CommandQueue::size(), 2);
    QVERIFY(DataScanManager::isFirstDataReceived());
}

void tst_DataScanManager::pauseRules()
{
    QSignalSpy pause(&DataScanManager::instance(), &DataScanManager::signalScanPause);
    QSignalSpy user(&DataScanManager::instance(), &DataScanManager::signalUserScanPause);
    DataScanManager::setScanPause(true, true); // already paused: no request
    QCOMPARE(DM::CommandQueue::size(), 0);
    QCOMPARE(pause.count(), 1);
    DataScanManager::setUserScanPause(false);
    QCOMPARE(DM::CommandQueue::size(), 1);
    DataScanManager::setUserScanPause(false); // not paused: announced, nothing more requested
    QCOMPARE(user.count(), 2);
    QCOMPARE(DM::CommandQueue::size(), 1);
    // While a request is out, resuming again does not put a second one on the wire.
    DataScanManager::setScanPause(true, false);
    DataScanManager::setScanPause(false, false);
    DataScanManager::instance().slotStart();
    QCOMPARE(DM::CommandQueue::size(), 1);
    // The request carries the slice it was built for.
    CalibrationManager::setBandwidthIndex(2); // a bandwidth change restarts the sweep
    QCOMPARE(DataScanManager::sweep().sliceCursor(), 0u);
    const TScanRequest request = DataScanManager::scanRequest();
    CalibrationManager::setBandwidthIndex(0);
    QCOMPARE(int(request.bandwidthIndex), 2);
    QVERIFY(request.valid);
    QCOMPARE(request.frequencies.size(), 126);
    QCOMPARE(request.frequencies.first(), quint64(1000000000));
}

void tst_DataScanManager::settersClampAndNotify()
{
    QSignalSpy processed(&DataScanManager::instance(), &DataScanManager::signalProcessedScanData);
    QSignalSpy interp(&DataScanManager::instance(), &DataScanManager::signalApplyInterpolationChanged);
    DataScanManager::setElDelayValue(12000, false);
    QCOMPARE(DataScanManager::elDelayValue(), 9999);
    DataScanManager::setElDelayValue(-12000, true); // correction off: no announcement
    QCOMPARE(DataScanManager::elDelayValue(), -9999);
    QCOMPARE(processed.count(), 0);
    DataScanManager::setInterpolationEnabled(true, true);
    QCOMPARE(interp.count(), 1);
    QCOMPARE(processed.count(), 1);
    QCOMPARE(DataScanManager::pointCount(), 1000u);
    DataScanManager::setInterpolationEnabled(false, false);
    QCOMPARE(DataScanManager::pointCount(), 300u);
    DataScanManager::setElDelayEnabled(false, true);
    QCOMPARE(processed.count(), 2);
}

void tst_DataScanManager::derivedViews()
{
    // A sweep whose values are a straight line in frequency: the 1000-point grid must reproduce it.
    DataScanManager::setScanPause(false, false);
    for (int slice = 0; slice < 3; ++slice) {
        const int index = int(DataScanManager::sliceStartIndex());
        const int n = DataScanManager::currentSlice().size();
        TDeviceReply reply = scanReply(quint16(index), float(n), 0, 0);
        QDataStream stream(&reply.data, QIODevice::WriteOnly | QIODevice::Append);
        stream.setByteOrder(QDataStream::LittleEndian);
        stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
        for (int j = 0; j < n; ++j)
            stream << float(index + j) / 299.0f << 0.5f;
        DM::CommandQueue::clear();
        DataScanManager::instance().slotProcessScanData(reply);
    }
    QCOMPARE(DataScanManager::completedSweeps() > 0, true);
    DataScanManager::setInterpolationEnabled(true, false);
    TScanPoints out;
    DataScanManager::copyData(0, 1000, out, true);
    QCOMPARE(out.size(), 1000);
    QCOMPARE(out.first().frequency, quint64(1000000000));
    for (int i = 0; i < 1000; i += 111)
        QVERIFY2(qAbs(out[i].re - float(i) / 999.0f) < 1e-3f, qPrintable(QString::number(out[i].re)));
    QVERIFY(qAbs(out.last().re - 1.0f) < 1e-3f);
    DataScanManager::setInterpolationEnabled(false, false);

    // Delay 0 leaves the values; a delay turns them by 2 pi f tau.
    DataScanManager::setElDelayEnabled(true, false);
    DataScanManager::setElDelayValue(0, false);
    DataScanManager::refreshDelayed();
    for (int i = 0; i < 300; ++i) {
        QCOMPARE(DataScanManager::delayedBuffer()[i].re, DataScanManager::measuredBuffer()[i].re);
        QCOMPARE(DataScanManager::delayedBuffer()[i].im, DataScanManager::measuredBuffer()[i].im);
    }
    DataScanManager::setElDelayValue(250, false);
    DataScanManager::refreshDelayed();
    const TScanPoint m = DataScanManager::measuredBuffer()[10];
    const TScanPoint d = DataScanManager::delayedBuffer()[10];
    const double phi = 2 * M_PI * double(m.frequency) * 250e-12;
    QVERIFY(qAbs(d.re - (m.re * std::cos(phi) - m.im * std::sin(phi))) < 1e-3);
    QVERIFY(qAbs(d.im - (m.re * std::sin(phi) + m.im * std::cos(phi))) < 1e-3);
    DataScanManager::setElDelayEnabled(false, false);
    QCOMPARE(DataScanManager::pointAt(100000).frequency, DataScanManager::measuredBuffer()[299].frequency);
    QCOMPARE(DataScanManager::pointAt(-4).frequency, quint64(1000000000));
}

void tst_DataScanManager::binaryTraceRoundTrip()
{
    DataScanManager::sweep().setPoints(201, true);
    const QString path = DataScanManager::traceDir() + "/sweep.v1.tbin";
    DataScanManager::setInterpolationEnabled(true, false); // traces keep the sweep's own points
    QVERIFY(DataScanManager::saveBinaryTrace(path));
    DataScanManager::setInterpolationEnabled(false, false);
    QCOMPARE(QFileInfo(path).size(), qint64(3236));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.left(8), QByteArray::fromHex("0000000065cdcd41")); // 1e9 as a little-endian double
    QCOMPARE(bytes.mid(16, 4), QByteArray::fromHex("c9000000"));
    QSignalSpy loaded(&DataScanManager::instance(), &DataScanManager::signalLoadedTrace);
    QVERIFY(DataScanManager::loadBinaryTrace(path, 0));
    QCOMPARE(loaded.count(), 1);
    const TTraceData& trace = DataScanManager::traces().first();
    QCOMPARE(trace.name(), QString("sweep"));
    QCOMPARE(trace.pointCount, 201u);
    QCOMPARE(trace.start, 1e9);
    QCOMPARE(trace.stop, 2e9);
    for (int i = 0; i < 201; ++i) {
        QCOMPARE(trace.points[i].frequency, DataScanManager::measuredBuffer()[i].frequency);
        QCOMPARE(trace.points[i].re, DataScanManager::measuredBuffer()[i].re);
    }
    QCOMPARE(TraceFiles::toBinary(trace), bytes);
}

void tst_DataScanManager::textTraceRoundTrip()
{
    TDeviceInfo info;
    info.bandwidths = {10, 100, 1000};
    DeviceManager::setDeviceInfo(info);
    CalibrationManager::setBandwidthIndex(1);
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
    QCOMPARE(read.pointCount, 3u);
    QCOMPARE(read.stop, 1500000.5);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(read.points[i].frequency, trace.points[i].frequency);
        QVERIFY(qAbs(read.points[i].re - trace.points[i].re) <= 5e-7f);
        QVERIFY(qAbs(read.points[i].im - trace.points[i].im) <= 5e-7f);
    }
    const QString path = DataScanManager::traceDir() + "/live.dat";
    QVERIFY(DataScanManager::saveTextTrace(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("Bandwidth (Hz):  100000\n"));
    QVERIFY(DataScanManager::loadTextTrace(path, 0));
    QCOMPARE(DataScanManager::traces().last().pointCount, 300u);
}

void tst_DataScanManager::textTraceWithoutBandwidth_data()
{
    QTest::addColumn<QVector<quint32>>("bandwidths");
    QTest::addColumn<int>("index");
    QTest::newRow("no list") << QVector<quint32>{} << 0;
    QTest::newRow("index beyond list") << QVector<quint32>{10, 100} << 3;
}

void tst_DataScanManager::textTraceWithoutBandwidth()
{
    QFETCH(QVector<quint32>, bandwidths);
    QFETCH(int, index);
    TDeviceInfo info;
    info.bandwidths = bandwidths;
    DeviceManager::setDeviceInfo(info);
    CalibrationManager::setBandwidthIndex(quint8(index));
    const QString fresh = DataScanManager::traceDir() + "/fresh.dat";
    const QString kept = DataScanManager::traceDir() + "/kept.dat";
    writeFile(kept, "previous content");
    QVERIFY(!DataScanManager::saveTextTrace(fresh));
    QVERIFY(!DataScanManager::saveTextTrace(kept));
    QVERIFY(!QFileInfo::exists(fresh));
    QFile file(kept);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("previous content"));
    CalibrationManager::setBandwidthIndex(0);
}

void tst_DataScanManager::malformedTraceFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QByteArray header;
    {
        QDataStream s(&header, QIODevice::WriteOnly);
        s.setByteOrder(QDataStream::LittleEndian);
        s << 1e9 << 2e9;
    }
    auto count = [](qint32 n) {
        QByteArray b;
        QDataStream s(&b, QIODevice::WriteOnly);
        s.setByteOrder(QDataStream::LittleEndian);
        s << n;
        return b;
    };
    QTest::newRow("negative count") << "a.tbin" << header + count(-1);
    QTest::newRow("huge count") << "b.tbin" << header + count(0x7fffffff) + QByteArray(64, '\0');
    QTest::newRow("truncated points") << "c.tbin" << header + count(3) + QByteArray(47, '\0');
    QTest::newRow("short header") << "d.tbin" << header.left(12);
    const QByteArray textHead = "Start (Hz):      1.0\nStop (Hz):       2.0\n";
    QTest::newRow("text negative count")
        << "e.dat" << textHead + "Points:          -4\nBandwidth (Hz):  1\nData:\nx\n";
    QTest::newRow("text huge count") << "f.dat"
                                     << textHead + "Points:          1e12\nBandwidth (Hz):  1\nData:\nx\n";
    QTest::newRow("text missing records")
        << "g.dat" << textHead + "Points:          3\nBandwidth (Hz):  1\nData:\nx\n1\t0.1\t0.2\n";
    QTest::newRow("text garbled record")
        << "h.dat" << textHead + "Points:          1\nBandwidth (Hz):  1\nData:\nx\n1\tabc\t0.2\n";
    QTest::newRow("text non-numeric header") << "i.dat" << QByteArray("Start (Hz):      one\n");
}

void tst_DataScanManager::malformedTraceFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString good = DataScanManager::traceDir() + "/good.tbin";
    QVERIFY(DataScanManager::saveBinaryTrace(good));
    QVERIFY(DataScanManager::loadBinaryTrace(good, 0));
    const QString path = DataScanManager::traceDir() + "/" + name;
    writeFile(path, content);
    QSignalSpy loaded(&DataScanManager::instance(), &DataScanManager::signalLoadedTrace);
    const bool ok = TraceFiles::isBinaryPath(path) ? DataScanManager::loadBinaryTrace(path, 1)
                                                   : DataScanManager::loadTextTrace(path, 1);
    QVERIFY(!ok);
    QCOMPARE(loaded.count(), 0);
    QCOMPARE(DataScanManager::traces().size(), 1);
    QCOMPARE(DataScanManager::traces().first().file.fileName(), QString("good.tbin"));
}

void tst_DataScanManager::traceListLimitsAndSettings()
{
    const QString path = DataScanManager::traceDir() + "/t.tbin";
    QVERIFY(DataScanManager::saveBinaryTrace(path));
    for (int i = 0; i < 6; ++i)
        QVERIFY(DataScanManager::loadBinaryTrace(path, i));
    QSignalSpy loaded(&DataScanManager::instance(), &DataScanManager::signalLoadedTrace);
    QVERIFY(!DataScanManager::loadBinaryTrace(path, 6));
    QCOMPARE(loaded.count(), 0);
    QSignalSpy removed(&DataScanManager::instance(), &DataScanManager::signalRemovedTrace);
    DataScanManager::removeTrace(6);
    QCOMPARE(removed.count(), 0);
    DataScanManager::removeTrace(5);
    QCOMPARE(removed.count(), 1);
    DataScanManager::removeTrace(0);
    QCOMPARE(DataScanManager::traces().size(), 4);

    // The list goes into the profile and comes back; a missing file is reported by its index.
    const QString gone = DataScanManager::traceDir() + "/gone.tbin";
    QVERIFY(DataScanManager::saveBinaryTrace(gone));
    QVERIFY(DataScanManager::loadBinaryTrace(gone, 4));
    DataScanManager::instance().saveSettings();
    QFile::remove(gone);
    QSignalSpy missing(&DataScanManager::instance(), &DataScanManager::signalMissingTraceFile);
    QSignalSpy cleared(&DataScanManager::instance(), &DataScanManager::signalClearedTraces);
    DataScanManager::instance().restoreSettings();
    QCOMPARE(cleared.count(), 1);
    QCOMPARE(DataScanManager::traces().size(), 4);
    QCOMPARE(missing.count(), 1);
    QCOMPARE(missing.first().first().toInt(), 4);
}

QTEST_GUILESS_MAIN(tst_DataScanManager)
#include "tst_DataScanManager.moc"
