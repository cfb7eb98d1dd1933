#include <QDataStream>
#include <QtTest>

#include <cmath>
#include <complex>
#include <functional>
#include <random>

#include "TestSupport.h"
#include "calibration/CalibrationData.h"
#include "calibration/CalibrationKit.h"
#include "calibration/RobustSweepMean.h"

using namespace ZData;
using CAL::CalibrationData;
using CAL::CalibrationKit;
using CD = std::complex<double>;

namespace {

// An independent error model: the raw reading of a reflection g through directivity e00, source
// match e11 and tracking te is e00 + te g / (1 - e11 g).
struct TErrorModel
{
    CD e00, e11, te;
    CD raw(CD g) const { return e00 + te * g / (1.0 - e11 * g); }
};

TErrorModel modelAt(double hz)
{
    const double x = hz / 1e9;
    return {CD(0.05 + 0.02 * x, -0.03 * x), CD(0.1 - 0.01 * x, 0.04), CD(0.9 - 0.05 * x, 0.1 * x)};
}

TScanPoints rawOf(const std::function<CD(int)>& value, int n)
{
    TScanPoints points(n);
    for (int i = 0; i < n; ++i) {
        const CD v = value(i);
        points[i].re = float(v.real());
        points[i].im = float(v.imag());
    }
    return points;
}

// A complete calibration on a grid, with the standards read through the model at each grid point.
CalibrationData makeCalibration(quint64 start, quint64 stop, quint16 points,
                                const std::function<TErrorModel(double)>& model = modelAt)
{
    CalibrationData cal;
    cal.setRange(start, stop, points, 1);
    const double step = double(cal.step());
    auto at = [&](int i) { return model(double(start) + i * step); };
    cal.setMeasurement(CalibrationData::OPEN, rawOf([&](int i) { return at(i).raw(1.0); }, points));
    cal.setMeasurement(CalibrationData::SHORT, rawOf([&](int i) { return at(i).raw(-1.0); }, points));
    cal.setMeasurement(CalibrationData::LOAD, rawOf([&](int i) { return at(i).raw(0.0); }, points));
    return cal;
}

CD corrected(const CalibrationData& cal, const CalibrationData::TSweepGrid& grid, int k, CD raw)
{
    TScanPoints buffer(k + 1);
    buffer[k].re = float(raw.real());
    buffer[k].im = float(raw.imag());
    cal.correct(buffer.data(), k, 1, grid);
    return CD(buffer[k].re, buffer[k].im);
}

QByteArray serialized(const CalibrationData& cal, const QString& id)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    cal.serialize(stream, id);
    return bytes;
}


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
CD expectedGamma(const CalibrationKit& k, const QString& standard, double f)
{
    const double w = 2 * PI * f;
    const double root = std::sqrt(f / 1e9);
    CD zt;
    CalibrationKit::TOffsetLine line;
    if (standard == "open") {
        const double c = (k.open.c[0] * 1e-15 + k.open.c[1] * 1e-27 * f + k.open.c[2] * 1e-36 * f * f +
                          k.open.c[3] * 1e-45 * f * f * f);
        zt = 1.0 / (CD(0, 1) * w * c);
        line = k.open.line;
    } else if (standard == "short") {
        const double l = (k.shortStd.l[0] * 1e-12 + k.shortStd.l[1] * 1e-24 * f +
                          k.shortStd.l[2] * 1e-33 * f * f + k.shortStd.l[3] * 1e-42 * f * f * f);
        zt = CD(0, 1) * w * l;
        line = k.shortStd.line;
    } else {
        const CD zrl = CD(k.load.rOhm, w * k.load.lPh * 1e-12);
        const CD yc = CD(0, 1) * w * k.load.cFf * 1e-15;
        zt = 1.0 / (1.0 / zrl + yc);
        line = k.load.line;
    }
    const double delay = line.delayPs * 1e-12;
    const double loss = line.lossGOhmPerS * 1e9;
    const double al = loss * delay / (2 * line.z0Ohm) * root;
    const double bl = w * delay + al;
    const CD zc = line.z0Ohm + CD(1, -1) * loss / (2 * w) * root;
    const CD g1 = (zt - zc) / (zt + zc);
    const CD g2 = g1 * std::exp(-2.0 * CD(al, bl));
    const CD zin = zc * (1.0 + g2) / (1.0 - g2);
    return (zin - 50.0) / (zin + 50.0);
}

} // namespace

class tst_CalibrationData : public QObject
{
    Q_OBJECT

private slots:
    void correction_data();
    void correction();
    void bandSeam_data();
    void bandSeam();
    void serializeRoundTrip();
    void standardModels_data();
    void standardModels();
    void filesRefused_data();
    void filesRefused();
    void fileRoundTripAndDefaults();
    void robustMeanDropsGlitches();
};

void tst_CalibrationData::correction_data()
{
    QTest::addColumn<double>("frequency"); // 0: every point of the calibration's own grid
    QTest::addColumn<double>("gRe");
    QTest::addColumn<double>("gIm");
    QTest::newRow("open on the grid") << 0.0 << 1.0 << 0.0;
    QTest::newRow("short on the grid") << 0.0 << -1.0 << 0.0;
    QTest::newRow("load on the grid") << 0.0 << 0.0 << 0.0;
    QTest::newRow("100 ohm on the grid") << 0.0 << 1.0 / 3 << 0.0;
    QTest::newRow("between points") << 1.234567e9 << 1.0 / 3 << 0.0;
    QTest::newRow("below range uses first") << 0.5e9 << 0.7 << 0.1;
}

void tst_CalibrationData::correction()
{
    QFETCH(double, frequency);
    QFETCH(double, gRe);
    QFETCH(double, gIm);
    const CD g(gRe, gIm);
    const quint64 start = 1000000000;
    const quint64 stop = 3000000000;
    const quint16 n = 201;
    const CalibrationData cal = makeCalibration(start, stop, n);
    if (frequency == 0) {
        const CalibrationData::TSweepGrid grid{1e9, 3e9, n, 1e7};
        for (int k : {0, 1, 100, 199, 200}) {
            const CD c = corrected(cal, grid, k, modelAt(1e9 + k * 1e7).raw(g));
            QVERIFY2(std::abs(c - g) < 2e-5, qPrintable(QString::number(k)));
        }
        return;
    }
    // Standards that vary linearly with frequency are reproduced exactly by linear interpolation, so
    // the expected value follows from the linearly blended standards in double precision.
    const double step = double(cal.step());
    const double clamped = qBound(double(start), frequency, double(stop));
    const double pos = (clamped - start) / step;
    const int j = qMin(int(pos), n - 2);
    const double d = pos - j;
    auto blend = [&](CD s) {
        return modelAt(start + j * step).raw(s) * (1 - d) + modelAt(start + (j + 1) * step).raw(s) * d;
    };
    const CD o = blend(1.0), s = blend(-1.0), l = blend(0.0);
    const CD e11 = (o + s - 2.0 * l) / (o - s);
    const CD t = 2.0 * (o - l) * (l - s) / (o - s);
    const CD raw = modelAt(frequency).raw(g);
    const CD expected = (raw - l) / (e11 * (raw - l) + t);
    const CalibrationData::TSweepGrid grid{frequency, frequency + 1e6, 2, 1e6};
    // Single precision keeps to a few 1e-8 here; interpolation weights taken the wrong way round are
    // off by 4e-6.
    const double error = std::abs(corrected(cal, grid, 0, raw) - expected);
    QVERIFY2(error < 1e-6, qPrintable(QString::number(error)));
}

void tst_CalibrationData::bandSeam_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("index");
    QTest::newRow("just above 100 MHz takes the upper point") << 100.1e6 << 2;
    QTest::newRow("just below 100 MHz takes the lower point") << 99.95e6 << 1;
}

void tst_CalibrationData::bandSeam()
{
    QFETCH(double, frequency);
    QFETCH(int, index);
    // Grid 99.4, 99.9, 100.4, 100.9 MHz, a very different error model at each point.
    const quint64 start = 99400000;
    auto model = [&](double hz) {
        const int i = int(qRound((hz - start) / 500000.0));
        return TErrorModel{CD(0.1 * i, 0.05), CD(0.02 * i, -0.1), CD(1.0 - 0.2 * i, 0.1 * i)};
    };
    const CalibrationData cal = makeCalibration(start, 100900000, 4, model);
    const CalibrationData::TSweepGrid grid{frequency, frequency + 1e3, 2, 1e3};
    const CD g(0.25, -0.4);
    const CD c = corrected(cal, grid, 0, model(start + index * 500000.0).raw(g));
    QVERIFY2(std::abs(c - g) < 1e-5, qPrintable(QString("got %1%2j").arg(c.real()).arg(c.imag())));
}

void tst_CalibrationData::serializeRoundTrip()
{
    CalibrationData source = makeCalibration(100000000, 900000000, 77);
    source.setBandwidthIndex(2);
    source.setVcoByte(0, 0, 7);
    source.setVcoByte(1, 0, -8);
    source.setVcoByte(1, 3256, 9);
    const QString id = QStringLiteral("12-345-6789");
    const QByteArray bytes = serialized(source, id);
    QCOMPARE(bytes.size(), 4 + 2 * id.size() + 8 + 8 + 2 + 4 + 77 * 24 + 2 * 3257);
    QCOMPARE(bytes.left(4), QByteArray::fromHex("16000000")); // byte length of the id, little-endian
    const int body = 4 + 2 * id.size();
    QCOMPARE(bytes.mid(body, 8), QByteArray::fromHex("00e1f50500000000"));
    QCOMPARE(bytes.mid(body + 16, 2), QByteArray::fromHex("4d00"));
    QCOMPARE(bytes.mid(body + 18, 4), QByteArray::fromHex("02000000"));
    const int vco = body + 22 + 77 * 24;
    QCOMPARE(bytes.mid(vco, 2), QByteArray::fromHex("07f8"));
    QCOMPARE(bytes.at(bytes.size() - 1), char(9));

    CalibrationData read;
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    in.setFloatingPointPrecision(QDataStream::SinglePrecision);
    QCOMPARE(read.deserialize(in, id), CalibrationData::EReadResult::OK);
    QVERIFY(read.isComplete());
    QCOMPARE(read.bandwidthIndex(), 2);
    QCOMPARE(read.openAt(76), source.openAt(76));
    QCOMPARE(serialized(read, id), bytes);
}

void tst_CalibrationData::standardModels_data()
{
    QTest::addColumn<QString>("standard");
    QTest::addColumn<double>("frequency");
    for (const char* s : {"open", "short", "load"}) {
        // At DC the lossy line's skin-effect term has no finite value.
        for (const double f : {0.0, 1e6, 1e9, 6e9})
            QTest::newRow(qPrintable(QString("%1 %2 Hz").arg(s).arg(f))) << QString(s) << f;
    }
}

void tst_CalibrationData::standardModels()
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
    const CD got = kit.gamma(bit, frequency);
    if (frequency == 0) {
        QVERIFY(std::isfinite(got.real()) && std::isfinite(got.imag()));
        return;
    }
    const CD want = expectedGamma(kit, standard, frequency);
    QVERIFY2(std::abs(got - want) < 1e-12, qPrintable(QString("got %1%2j, want %3%4j")
                                                          .arg(got.real(), 0, 'g', 15)
                                                          .arg(got.imag(), 0, 'g', 15)
                                                          .arg(want.real(), 0, 'g', 15)
                                                          .arg(want.imag(), 0, 'g', 15)));
    // A passive standard never reflects more than it gets.
    QVERIFY(std::abs(got) <= 1.0 + 1e-12);
}

void tst_CalibrationData::filesRefused_data()
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

void tst_CalibrationData::filesRefused()
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

void tst_CalibrationData::fileRoundTripAndDefaults()
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

void tst_CalibrationData::robustMeanDropsGlitches()
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
        QVERIFY2(std::abs(CD(out[k].re, out[k].im) - CD(0.5, -0.2)) < 1e-3, qPrintable(QString::number(k)));
    }
    // One or two sweeps: nothing can be called a glitch, the plain mean.
    CAL::RobustSweepMean::combine(sweeps.mid(3, 2), out);
    QVERIFY(qAbs(out[3].re - (sweeps[3][3].re + sweeps[4][3].re) / 2) < 1e-6f);
    CAL::RobustSweepMean::combine(sweeps.mid(0, 1), out);
    QCOMPARE(out[3].re, sweeps[0][3].re);
}

QTEST_GUILESS_MAIN(tst_CalibrationData)
#include "tst_CalibrationData.moc"
