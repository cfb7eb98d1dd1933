#include <QtTest>

#include <cmath>
#include <complex>
#include <random>

#include "TestSupport.h"
#include "calibration/CalibrationKit.h"
#include "calibration/RobustSweepMean.h"

using namespace ZData;
using CAL::CalibrationData;
using CAL::CalibrationKit;
using C = std::complex<double>;

namespace {

constexpr double PI = 3.14159265358979323846;

// A kit with every coefficient non-zero, none of them at a default.
CalibrationKit fullKit()
{
    CalibrationKit k;
    k.name = QStringLiteral("full");
    k.open = {{62.5, -140.0, 23.0, -0.9}, {29.5, 2.2, 49.0}};
    k.shortStd = {{18.0, 150.0, -45.0, 3.1}, {31.0, 1.9, 51.0}};
    k.load.rOhm = 51.3;
    k.load.lPh = 120.0;
    k.load.cFf = 35.0;
    k.load.line = {12.0, 2.5, 49.5};
    return k;
}

// The kit formulas written out plainly, independently of the program's arrangement of them: the
// termination's impedance, the offset line's impedance, loss and delay, the input impedance and its
// reflection against 50 ohms.
C expectedGamma(const CalibrationKit& k, const QString& standard, double f)
{
    const double w = 2 * PI * f;
    const double root = std::sqrt(f / 1e9);
    C zt;
    CalibrationKit::TOffsetLine line;
    if (standard == "open") {
        const double c = (k.open.c[0] * 1e-15 + k.open.c[1] * 1e-27 * f + k.open.c[2] * 1e-36 * f * f +
                          k.open.c[3] * 1e-45 * f * f * f);
        zt = 1.0 / (C(0, 1) * w * c);
        line = k.open.line;
    } else if (standard == "short") {
        const double l = (k.shortStd.l[0] * 1e-12 + k.shortStd.l[1] * 1e-24 * f +
                          k.shortStd.l[2] * 1e-33 * f * f + k.shortStd.l[3] * 1e-42 * f * f * f);
        zt = C(0, 1) * w * l;
        line = k.shortStd.line;
    } else {
        const C zrl = C(k.load.rOhm, w * k.load.lPh * 1e-12);
        const C yc = C(0, 1) * w * k.load.cFf * 1e-15;
        zt = 1.0 / (1.0 / zrl + yc);
        line = k.load.line;
    }
    const double delay = line.delayPs * 1e-12;
    const double loss = line.lossGOhmPerS * 1e9;
    const double al = loss * delay / (2 * line.z0Ohm) * root;
    const double bl = w * delay + al;
    const C zc = line.z0Ohm + C(1, -1) * loss / (2 * w) * root;
    const C g1 = (zt - zc) / (zt + zc);
    const C g2 = g1 * std::exp(-2.0 * C(al, bl));
    const C zin = zc * (1.0 + g2) / (1.0 - g2);
    return (zin - 50.0) / (zin + 50.0);
}

} // namespace

class tst_CalibrationKit : public QObject
{
    Q_OBJECT

private slots:
    void standardModels_data();
    void standardModels();
    void filesRefused_data();
    void filesRefused();
    void fileRoundTripAndDefaults();
    void robustMeanDropsGlitches();
};

void tst_CalibrationKit::standardModels_data()
{
    QTest::addColumn<QString>("standard");
    QTest::addColumn<double>("frequency");
    for (const char* s : {"open", "short", "load"}) {
        // At DC the lossy line's skin-effect term has no finite value.
        for (const double f : {0.0, 1e6, 1e9, 6e9})
            QTest::newRow(qPrintable(QString("%1 %2 Hz").arg(s).arg(f))) << QString(s) << f;
    }
}

void tst_CalibrationKit::standardModels()
{
    QFETCH(QString, standard);
    QFETCH(double, frequency);
    const CalibrationKit kit = fullKit();
    const quint8 bit = standard == "open"    ? CalibrationData::OPEN
                       : standard == "short" ? CalibrationData::SHORT
                                             : CalibrationData::LOAD;
    // The ideal kit's standards are exact at every frequency.
    const double exact = standard == "open" ? 1 : standard == "short" ? -1 : 0;
    QVERIFY(CalibrationKit::ideal().gamma(bit, frequency) == exact);
    const C got = kit.gamma(bit, frequency);
    if (frequency == 0) {
        QVERIFY(std::isfinite(got.real()) && std::isfinite(got.imag()));
        return;
    }
    const C want = expectedGamma(kit, standard, frequency);
    QVERIFY2(std::abs(got - want) < 1e-12, qPrintable(QString("got %1%2j, want %3%4j")
                                                          .arg(got.real(), 0, 'g', 15)
                                                          .arg(got.imag(), 0, 'g', 15)
                                                          .arg(want.real(), 0, 'g', 15)
                                                          .arg(want.imag(), 0, 'g', 15)));
    // A passive standard never reflects more than it gets.
    QVERIFY(std::abs(got) <= 1.0 + 1e-12);
}

void tst_CalibrationKit::filesRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason");
    QTest::newRow("not a number") << QByteArray("[open]\nc0_ff = 50\ndelay_ps = 3O\n") << "bad.ini:3: '3O'";
    QTest::newRow("negative delay") << QByteArray("[short]\ndelay_ps = -1\n") << "bad.ini:2: delay_ps = -1";
    QTest::newRow("offset Z0 of 0") << QByteArray("[open]\n\nz0_ohm = 0\n") << "bad.ini:3: z0_ohm = 0";
    QTest::newRow("load of 0 ohm") << QByteArray("[load]\nr_ohm = 0\nc_ff = 0\n") << "bad.ini:2: r_ohm = 0";
    QTest::newRow("1e300") << QByteArray("[open]\nc2 = 1e300\n") << "bad.ini:2: c2 = 1e300";
    QTest::newRow("infinity") << QByteArray("[open]\nc1 = inf\n") << "bad.ini:2:";
    // The misspelt key that would leave the open's delay at zero unnoticed.
    QTest::newRow("misspelt key") << QByteArray("[open]\ndelay = 30\n") << "bad.ini:2: unknown key 'delay'";
    QTest::newRow("key of another group") << QByteArray("[load]\nc0_ff = 1\n") << "bad.ini:2: unknown key";
    QTest::newRow("twice") << QByteArray("[open]\nc0_ff=1\nc0_ff=2\n") << "bad.ini:3: 'c0_ff' given twice";
    QTest::newRow("unknown group") << QByteArray("; kit\n[thru]\n") << "bad.ini:2: unknown group";
    QTest::newRow("outside a group") << QByteArray("c0_ff = 1\n") << "bad.ini:1:";
    QTest::newRow("not key = value") << QByteArray("[open]\nc0_ff\n") << "bad.ini:2:";
}

void tst_CalibrationKit::filesRefused()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.ini");
    QVERIFY(TestSupport::writeFile(path, text));
    CalibrationKit kit = fullKit();
    QString error;
    QVERIFY(!CalibrationKit::readFile(path, kit, &error));
    QVERIFY2(error.startsWith(reason), qPrintable(error));
    QVERIFY(kit == fullKit());
}

void tst_CalibrationKit::fileRoundTripAndDefaults()
{
    QTemporaryDir dir;
    CalibrationKit kit = fullKit();
    kit.name = "sma";
    QString error;
    QVERIFY2(kit.writeFile(dir.path() + "/sma.ini", &error), qPrintable(error));
    CalibrationKit back;
    QVERIFY2(CalibrationKit::readFile(dir.path() + "/sma.ini", back, &error), qPrintable(error));
    QVERIFY(back == kit);

    // Missing keys: 0, but 50 ohm for the impedances; comments and blank lines are skipped.
    const QString sparse = dir.filePath("sparse.ini");
    QVERIFY(TestSupport::writeFile(sparse, "# data sheet\n[open]\nC0_FF = 50\n\n[load]\n"));
    QVERIFY2(CalibrationKit::readFile(sparse, back, &error), qPrintable(error));
    CalibrationKit want;
    want.name = "sparse";
    want.open.c[0] = 50;
    QVERIFY(back == want);
    QCOMPARE(back.open.line.z0Ohm, 50.0);
    QCOMPARE(back.load.rOhm, 50.0);

    QVERIFY(!CalibrationKit::isValidName("ideal"));
    QVERIFY(!CalibrationKit::isValidName("../x"));
    QVERIFY(!CalibrationKit::isValidName(".hidden"));
    QVERIFY(CalibrationKit::isValidName("SMA-3.5mm_kit"));
}

void tst_CalibrationKit::robustMeanDropsGlitches()
{
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 1e-3);
    const int points = 50;
    QVector<TScanPoints> sweeps;
    for (int s = 0; s < 16; ++s) {
        TScanPoints sweep(points);
        for (int k = 0; k < points; ++k)
            sweep[k] = {quint64(1000 + k), float(0.5 + noise(rng)), float(-0.2 + noise(rng))};
        sweeps.append(sweep);
    }
    // Glitches: a whole sweep at point 3, two sweeps at point 10.
    sweeps[4][3].re = 5.0f;
    sweeps[7][10].im = -3.0f;
    sweeps[9][10].re = 2.0f;
    TScanPoints out;
    CAL::RobustSweepMean::combine(sweeps, out);
    QCOMPARE(out.size(), points);
    for (int k = 0; k < points; ++k) {
        QCOMPARE(out[k].frequency, quint64(1000 + k));
        // The mean of 16 values with 1e-3 noise is within 1e-3 of the truth; a glitch would add 0.1.
        QVERIFY2(std::abs(C(out[k].re, out[k].im) - C(0.5, -0.2)) < 1e-3, qPrintable(QString::number(k)));
    }
    // One or two sweeps: nothing can be called a glitch, the plain mean.
    CAL::RobustSweepMean::combine(sweeps.mid(3, 2), out);
    QVERIFY(qAbs(out[3].re - (sweeps[3][3].re + sweeps[4][3].re) / 2) < 1e-6f);
    CAL::RobustSweepMean::combine(sweeps.mid(0, 1), out);
    QCOMPARE(out[3].re, sweeps[0][3].re);
}

QTEST_GUILESS_MAIN(tst_CalibrationKit)
#include "tst_CalibrationKit.moc"
