#include <QDataStream>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
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
#include "measurement/TouchstoneFile.h"
#include "measurement/TraceFiles.h"

using namespace ZData;
using DS::RangeSliced;
using DS::TraceFiles;

Q_DECLARE_METATYPE(TraceFiles::EFormat)
Q_DECLARE_METATYPE(ZData::TouchstoneFile::EFormat)
Q_DECLARE_METATYPE(ZData::TouchstoneFile::EUnit)
using DS::TTraceData;

namespace {

TScanPoints referencePoints()
{
    return {{1000000, 0.5f, -0.25f},
            {2500000, -0.75f, 0.125f},
            {10000000, -0.001f, -0.002f},
            {123456000, 0.999f, 0.0f},
            {2700000000, 0.0f, -0.999f}};
}

// The reference points as another program writes them, in the unit, format and letter case of the
// option line, with comments, tabs and CR LF line ends.
QByteArray foreignText(const QByteArray& optionLine, double divisor)
{
    const QByteArray format = optionLine.split(' ').value(3).toUpper();
    QByteArray text = "! written by hand\n!\n" + optionLine + "\n";
    for (const TScanPoint& p : referencePoints()) {
        const std::complex<double> s(p.re, p.im);
        double a = s.real(), b = s.imag();
        if (format == "MA") {
            a = std::abs(s);
            b = std::arg(s) * 180.0 / M_PI;
        } else if (format == "DB") {
            a = 20.0 * std::log10(std::abs(s));
            b = std::arg(s) * 180.0 / M_PI;
        }
        text += QByteArray::number(double(p.frequency) / divisor, 'g', 12) + "\t" +
                QByteArray::number(a, 'g', 10) + "  " + QByteArray::number(b, 'g', 10) +
                " ! trailing note\r\n";
    }
    return text;
}

} // namespace

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

    // Files of other programs: read, or refused for a reason that names the line.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason"); // empty: read, with these frequencies
        QTest::addColumn<QList<quint64>>("frequencies");
        const QList<quint64> three{1000000, 2000000, 3000000};
        QTest::newRow("CR LF") << QByteArray("# MHz S RI R 50\r\n1 0 0\r\n2 0 0\r\n3 0 0\r\n") << QString()
                               << three;
        QTest::newRow("CR only") << QByteArray("! note\r# MHz S RI R 50\r1 0 0\r2 0 0\r3 0 0\r") << QString()
                                 << three;
        // Sub-hertz steps in Hz are kept while they still round to rising whole hertz.
        QTest::newRow("sub-hertz") << QByteArray("# Hz S MA R 50\n0.2 1 0\n0.6 1 0\n1.6 1 0\n") << QString()
                                   << QList<quint64>{0, 1, 2};
        QTest::newRow("empty") << QByteArray() << "no data points" << QList<quint64>();
        QTest::newRow("word as number")
            << QByteArray("# Hz S RI R 50\n1 0.5 abc\n") << "not a number" << QList<quint64>();
        QTest::newRow("truncated point")
            << QByteArray("# Hz S RI R 50\n1000 0.1\n") << "line 2" << QList<quint64>();
        QTest::newRow("two-port") << QByteArray("# Hz S RI R 50\n1000 0 0 1 0 1 0 0 0\n") << "line 2"
                                  << QList<quint64>();
        QTest::newRow("decreasing") << QByteArray("# Hz S RI R 50\n2 0 0\n1 0 0\n") << "line 3"
                                    << QList<quint64>();
        QTest::newRow("impedance data")
            << QByteArray("# Hz Z RI R 50\n1 0 0\n") << "only S" << QList<quint64>();
        QTest::newRow("options after data")
            << QByteArray("1 0 0\n# Hz S RI R 50\n2 0 0\n") << "precede" << QList<quint64>();
        QTest::newRow("binary junk") << QByteArray("\x01\x02\x03 \xff\xfe \x00", 9) << "line 1"
                                     << QList<quint64>();
        QTest::newRow("negative magnitude")
            << QByteArray("# Hz S MA R 50\n1 0.5 0\n2 -0.5 90\n") << "line 3" << QList<quint64>();
        QTest::newRow("real part beyond a float")
            << QByteArray("# Hz S RI R 50\n1 1e39 0\n") << "line 2" << QList<quint64>();
        QTest::newRow("decibels beyond a float")
            << QByteArray("# Hz S DB R 50\n1 0 0\n2 800 0\n") << "line 3" << QList<quint64>();
        QTest::newRow("equal sub-hertz values")
            << QByteArray("# Hz S RI R 50\n0.5 0 0\n0.5 0 0\n") << "line 3" << QList<quint64>();
        QTest::newRow("sub-hertz values rounding to the same hertz")
            << QByteArray("# Hz S RI R 50\n1.2 0.1 0\n1.4 0.1 0\n") << "line 3: frequency rounds to 1 Hz"
            << QList<quint64>();
        QTest::newRow("sub-hertz values rounding to one hertz after a gap")
            << QByteArray("# Hz S RI R 50\n0.2 0 0\n0.6 0 0\n1.4 0 0\n") << "line 4" << QList<quint64>();
    }

    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        QFETCH(QList<quint64>, frequencies);
        TScanPoints points = referencePoints();
        QString error;
        if (reason.isEmpty()) {
            QVERIFY2(TouchstoneFile::parse(text, points, &error), qPrintable(error));
            QCOMPARE(points.size(), frequencies.size());
            for (int i = 0; i < points.size(); ++i)
                QCOMPARE(points[i].frequency, frequencies[i]);
            return;
        }
        QVERIFY(!TouchstoneFile::parse(text, points, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        // A refused file leaves the caller's points alone.
        QCOMPARE(points.size(), referencePoints().size());
    }

    // Loaded as a trace, a file carries its own sweep limits.
    void loadsAsTrace()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("cable.s1p");
        QVERIFY(TestSupport::writeFile(path, "# MHz S MA R 50\n100 0.5 0\n150 0.5 90\n200 0.25 180\n"));
        DataScanManager::reset();
        QSignalSpy loaded(&DataScanManager::instance(), &DataScanManager::signalLoadedTrace);
        QVERIFY(DataScanManager::loadTrace(path, 0));
        QCOMPARE(loaded.count(), 1);
        const auto& trace = DataScanManager::traces().at(0);
        QCOMPARE(trace.pointCount, 3u);
        QCOMPARE(trace.start, 100e6);
        QCOMPARE(trace.stop, 200e6);
        QVERIFY(qAbs(trace.points[1].im - 0.5f) < 1e-6f);
    }

    // Every format and unit: another program's file (with the option line in lower case) is read, and
    // what is written reads back, RI bit for bit, MA and DB within their decimal rounding; frequencies
    // exact to the hertz whatever the unit.
    void writesAndReadsBack_data()
    {
        QTest::addColumn<TouchstoneFile::EFormat>("format");
        QTest::addColumn<TouchstoneFile::EUnit>("unit");
        QTest::addColumn<QByteArray>("optionLine");
        QTest::addColumn<QByteArray>("firstLine");
        const QByteArray units[] = {"Hz", "kHz", "MHz", "GHz"};
        const QByteArray firstFrequency[] = {"1", "0.001", "0.000001", "0.000000001"};
        for (int f = 0; f < 3; ++f) {
            for (int u = 0; u < 4; ++u) {
                const auto format = TouchstoneFile::EFormat(f);
                const QByteArray name = TouchstoneFile::formatName(format).toLatin1();
                // The first point is Γ = 0: no angle, and no finite number of decibels.
                const QByteArray values = format == TouchstoneFile::EFormat::DB ? " -999 0" : " 0 0";
                QTest::newRow(name + " " + units[u])
                    << format << TouchstoneFile::EUnit(u) << "# " + units[u] + " S " + name + " R 50"
                    << firstFrequency[u] + values;
            }
        }
    }

    void writesAndReadsBack()
    {
        QFETCH(TouchstoneFile::EFormat, format);
        QFETCH(TouchstoneFile::EUnit, unit);
        QFETCH(QByteArray, optionLine);
        TScanPoints read;
        QString error;
        QVERIFY2(
            TouchstoneFile::parse(foreignText(optionLine.toLower(), std::pow(1e3, int(unit))), read, &error),
            qPrintable(error));
        const TScanPoints reference = referencePoints();
        QCOMPARE(read.size(), reference.size());
        for (int i = 0; i < read.size(); ++i) {
            QCOMPARE(read[i].frequency, reference[i].frequency);
            QVERIFY2(std::abs(read[i].re - reference[i].re) < 1e-6f &&
                         std::abs(read[i].im - reference[i].im) < 1e-6f,
                     qPrintable(QString::number(i)));
        }
        QTemporaryDir dir;
        TScanPoints written = {{1, 0.0f, 0.0f}, {1500, -1.0f, 0.0f}};
        written += referencePoints();
        written.append({100000000ULL + 1, 0.0f, 0.6f});
        written.append({2999999999ULL, 1.0f / 3.0f, -1.17549435e-38f}); // smallest normal float
        // Points in increasing order only; the reference points start at 1 MHz.
        std::sort(written.begin(), written.end(),
                  [](const TScanPoint& a, const TScanPoint& b) { return a.frequency < b.frequency; });
        const QString path = dir.filePath("sweep.s1p");
        QVERIFY2(TouchstoneFile::write(path, written, &error, {format, unit}), qPrintable(error));
        const QList<QByteArray> lines = TestSupport::readFile(path).split('\n');
        QFETCH(QByteArray, firstLine);
        QVERIFY2(lines.contains(optionLine), lines.value(1).constData());
        QCOMPARE(lines.value(2), firstLine);
        QVERIFY2(TouchstoneFile::read(path, read, &error), qPrintable(error));
        QCOMPARE(read.size(), written.size());
        const float tolerance = format == TouchstoneFile::EFormat::RI ? 0.0f : 2e-7f;
        for (int i = 0; i < read.size(); ++i) {
            QCOMPARE(read[i].frequency, written[i].frequency);
            QVERIFY2(std::abs(read[i].re - written[i].re) <= tolerance &&
                         std::abs(read[i].im - written[i].im) <= tolerance,
                     qPrintable(QStringLiteral("point %1: %2 %3").arg(i).arg(read[i].re).arg(read[i].im)));
        }
    }

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
