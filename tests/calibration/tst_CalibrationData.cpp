#include <QDataStream>
#include <QtTest>

#include <complex>
#include <functional>

#include "calibration/CalibrationData.h"

using ZData::TScanPoint;
using ZData::TScanPoints;
using ZData::CAL::CalibrationData;
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

QTEST_GUILESS_MAIN(tst_CalibrationData)
#include "tst_CalibrationData.moc"
