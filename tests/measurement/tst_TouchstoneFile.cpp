#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <complex>

#include "TestSupport.h"
#include "measurement/DataScanManager.h"
#include "measurement/TouchstoneFile.h"

using ZData::DataScanManager;
using ZData::TouchstoneFile;
using ZData::TScanPoint;
using ZData::TScanPoints;

Q_DECLARE_METATYPE(ZData::TouchstoneFile::EFormat)
Q_DECLARE_METATYPE(ZData::TouchstoneFile::EUnit)

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

class tst_TouchstoneFile : public QObject
{
    Q_OBJECT

private slots:
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
};

QTEST_GUILESS_MAIN(tst_TouchstoneFile)
#include "tst_TouchstoneFile.moc"
