#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <complex>

#include "measurement/TouchstoneFile.h"

using ZData::TouchstoneFile;
using ZData::TScanPoint;
using ZData::TScanPoints;

namespace {

// A short sweep with values in all four quadrants, a magnitude near 1 and one near 0.
TScanPoints referencePoints()
{
    const double values[][3] = {{1000000, 0.5, -0.25},
                                {2500000, -0.75, 0.125},
                                {10000000, -0.001, -0.002},
                                {123456000, 0.999, 0.0},
                                {2700000000, 0.0, -0.999}};
    TScanPoints points;
    for (const auto& v : values) {
        TScanPoint p;
        p.frequency = quint64(v[0]);
        p.re = float(v[1]);
        p.im = float(v[2]);
        points.append(p);
    }
    return points;
}

// The file text a foreign tool would write for the reference points in a given unit and format.
QByteArray foreignText(const QString& unit, const QString& format, double divisor)
{
    QByteArray text = "! written by hand\n!\n# " + unit.toLatin1() + " S " + format.toLatin1() + " R 50\n";
    for (const TScanPoint& p : referencePoints()) {
        const std::complex<double> s(p.re, p.im);
        double a = s.real(), b = s.imag();
        if (format.toUpper() == "MA") {
            a = std::abs(s);
            b = std::arg(s) * 180.0 / M_PI;
        } else if (format.toUpper() == "DB") {
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
    void readsEveryUnitAndFormat_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("divisor");
        const QList<QPair<QString, double>> units = {
            {"Hz", 1.0}, {"kHz", 1e3}, {"MHz", 1e6}, {"GHz", 1e9}, {"mhz", 1e6}};
        for (const auto& unit : units)
            for (const QString format : {"RI", "MA", "DB", "ma"})
                QTest::newRow(qPrintable(unit.first + " " + format)) << unit.first << format << unit.second;
    }

    void readsEveryUnitAndFormat()
    {
        QFETCH(QString, unit);
        QFETCH(QString, format);
        QFETCH(double, divisor);
        TScanPoints points;
        QString error;
        QVERIFY2(TouchstoneFile::parse(foreignText(unit, format, divisor), points, &error),
                 qPrintable(error));
        const TScanPoints expected = referencePoints();
        QCOMPARE(points.size(), expected.size());
        for (int i = 0; i < points.size(); ++i) {
            QCOMPARE(points[i].frequency, expected[i].frequency);
            QVERIFY2(std::abs(points[i].re - expected[i].re) < 1e-6f, qPrintable(QString::number(i)));
            QVERIFY2(std::abs(points[i].im - expected[i].im) < 1e-6f, qPrintable(QString::number(i)));
        }
    }

    void defaultsAndReference_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<quint64>("frequency");
        QTest::addColumn<double>("re");
        QTest::addColumn<double>("im");
        // Without an option line the format defaults to GHz, MA and 50 ohm.
        QTest::newRow("no option line") << QByteArray("1.5 0.5 90\n") << quint64(1500000000) << 0.0 << 0.5;
        QTest::newRow("options in any order")
            << QByteArray("#RI MHz S\n2 0.1 0.2\n") << quint64(2000000) << 0.1 << 0.2;
        // A matched 100 ohm load measured against 100 ohm is 1/3 seen from 50 ohm.
        QTest::newRow("100 ohm reference")
            << QByteArray("# Hz S RI R 100\n100 0 0\n") << quint64(100) << 1.0 / 3.0 << 0.0;
        QTest::newRow("open against 75 ohm")
            << QByteArray("# Hz S RI R 75\n100 1 0\n") << quint64(100) << 1.0 << 0.0;
        QTest::newRow("second option line ignored")
            << QByteArray("# Hz S RI R 50\n# GHz S MA R 50\n7 0.25 0.5\n") << quint64(7) << 0.25 << 0.5;
    }

    void defaultsAndReference()
    {
        QFETCH(QByteArray, text);
        QFETCH(quint64, frequency);
        QFETCH(double, re);
        QFETCH(double, im);
        TScanPoints points;
        QString error;
        QVERIFY2(TouchstoneFile::parse(text, points, &error), qPrintable(error));
        QCOMPARE(points.size(), 1);
        QCOMPARE(points[0].frequency, frequency);
        QVERIFY(std::abs(points[0].re - re) < 1e-6);
        QVERIFY(std::abs(points[0].im - im) < 1e-6);
    }

    void refusesMalformed_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << "no data points";
        QTest::newRow("comments only") << QByteArray("! nothing\n# Hz S RI R 50\n") << "no data points";
        QTest::newRow("two-port line") << QByteArray("# Hz S RI R 50\n1 0 0 0 0\n") << "line 2";
        QTest::newRow("missing value") << QByteArray("# Hz S RI R 50\n1 0.5\n") << "line 2";
        QTest::newRow("word as number") << QByteArray("# Hz S RI R 50\n1 0.5 abc\n") << "not a number";
        QTest::newRow("nan") << QByteArray("# Hz S RI R 50\n1 nan 0\n") << "not a number";
        QTest::newRow("negative frequency") << QByteArray("# Hz S RI R 50\n-1 0 0\n") << "out of range";
        QTest::newRow("frequency too high") << QByteArray("# GHz S RI R 50\n1e12 0 0\n") << "out of range";
        QTest::newRow("decreasing") << QByteArray("# Hz S RI R 50\n2 0 0\n1 0 0\n") << "line 3";
        QTest::newRow("repeated frequency") << QByteArray("# Hz S RI R 50\n2 0 0\n2 0 0\n") << "increase";
        QTest::newRow("impedance data") << QByteArray("# Hz Z RI R 50\n1 0 0\n") << "only S";
        QTest::newRow("unknown option") << QByteArray("# Hz S XY R 50\n1 0 0\n") << "unknown option";
        QTest::newRow("zero reference") << QByteArray("# Hz S RI R 0\n1 0 0\n") << "reference";
        QTest::newRow("reference missing") << QByteArray("# Hz S RI R\n1 0 0\n") << "reference";
        QTest::newRow("options after data") << QByteArray("1 0 0\n# Hz S RI R 50\n2 0 0\n") << "precede";
        QTest::newRow("version 2 keywords") << QByteArray("[Version] 2.0\n# Hz S RI R 50\n") << "line 1";
        QTest::newRow("binary junk") << QByteArray("\x01\x02\x03 \xff\xfe \x00", 9) << "line 1";
    }

    void refusesMalformed()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        TScanPoints points = referencePoints();
        QString error;
        QVERIFY(!TouchstoneFile::parse(text, points, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        // A refused file leaves the caller's points alone.
        QCOMPARE(points.size(), referencePoints().size());
    }

    void writesAndReadsBackExactly()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        TScanPoints written = referencePoints();
        TScanPoint awkward;
        awkward.frequency = 2999999999ULL;
        awkward.re = 1.0f / 3.0f;
        awkward.im = -1.17549435e-38f; // smallest normal float
        written.append(awkward);

        const QString path = dir.filePath("sweep.s1p");
        QString error;
        QVERIFY2(TouchstoneFile::write(path, written, &error), qPrintable(error));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY(lines.contains("# Hz S RI R 50"));
        QVERIFY(lines.contains("1000000 0.5 -0.25"));

        TScanPoints read;
        QVERIFY2(TouchstoneFile::read(path, read, &error), qPrintable(error));
        QCOMPARE(read.size(), written.size());
        for (int i = 0; i < read.size(); ++i) {
            QCOMPARE(read[i].frequency, written[i].frequency);
            QCOMPARE(read[i].re, written[i].re);
            QCOMPARE(read[i].im, written[i].im);
        }
    }

    void reportsFileErrorsWithPath()
    {
        QTemporaryDir dir;
        TScanPoints points;
        QString error;
        QVERIFY(!TouchstoneFile::read(dir.filePath("missing.s1p"), points, &error));
        QVERIFY(error.contains("missing.s1p"));
        QVERIFY(!TouchstoneFile::write(dir.filePath("no/such/dir/out.s1p"), referencePoints(), &error));
        QVERIFY(error.contains("out.s1p"));

        const QString bad = dir.filePath("bad.s1p");
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# Hz S RI R 50\n1 2\n");
        file.close();
        QVERIFY(!TouchstoneFile::read(bad, points, &error));
        QVERIFY2(error.contains("bad.s1p") && error.contains("line 2"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(tst_TouchstoneFile)
#include "tst_TouchstoneFile.moc"
