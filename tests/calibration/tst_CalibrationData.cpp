#include <QBuffer>
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

CalibrationData::EReadResult deserialized(CalibrationData& cal, const QByteArray& bytes, const QString& id)
{
    QDataStream stream(bytes);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    return cal.deserialize(stream, id);
}

} // namespace

class tst_CalibrationData : public QObject
{
    Q_OBJECT

private slots:
    void correctionOnGrid_data();
    void correctionOnGrid();
    void correctionInterpolated_data();
    void correctionInterpolated();
    void bandSeam_data();
    void bandSeam();
    void emptyCalibrationLeavesData();
    void typesAndClearing();
    void transferCursors_data();
    void transferCursors();
    void chunksPastArraysRefused_data();
    void chunksPastArraysRefused();
    void chunkRoundTrip();
    void serializeLayoutAndRoundTrip();
    void deserializeRefuses_data();
    void deserializeRefuses();
};

void tst_CalibrationData::correctionOnGrid_data()
{
    QTest::addColumn<double>("gRe");
    QTest::addColumn<double>("gIm");
    QTest::newRow("open") << 1.0 << 0.0;
    QTest::newRow("short") << -1.0 << 0.0;
    QTest::newRow("load") << 0.0 << 0.0;
    QTest::newRow("100 ohm") << 1.0 / 3 << 0.0;
    QTest::newRow("reactive") << 0.3 << -0.6;
}

void tst_CalibrationData::correctionOnGrid()
{
    QFETCH(double, gRe);
    QFETCH(double, gIm);
    const CalibrationData cal = makeCalibration(1000000000, 3000000000, 201);
    const CalibrationData::TSweepGrid grid{1e9, 3e9, 201, 1e7};
    for (int k : {0, 1, 100, 199, 200}) {
        const CD g(gRe, gIm);
        const CD c = corrected(cal, grid, k, modelAt(1e9 + k * 1e7).raw(g));
        QVERIFY2(std::abs(c - g) < 2e-5,
                 qPrintable(QString("k=%1 got %2%3j").arg(k).arg(c.real()).arg(c.imag())));
    }
}

void tst_CalibrationData::correctionInterpolated_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("gRe");
    QTest::addColumn<double>("gIm");
    QTest::newRow("between points") << 1.234567e9 << 1.0 / 3 << 0.0;
    QTest::newRow("near stop") << 2.99e9 << -0.2 << 0.5;
    QTest::newRow("below range uses first") << 0.5e9 << 0.7 << 0.1;
    QTest::newRow("above range uses last") << 4.0e9 << -0.5 << -0.5;
}

void tst_CalibrationData::correctionInterpolated()
{
    QFETCH(double, frequency);
    QFETCH(double, gRe);
    QFETCH(double, gIm);
    // Standards that vary linearly with frequency are reproduced exactly by linear interpolation, so
    // the expected value follows from the linearly blended standards in double precision.
    const quint64 start = 1000000000;
    const quint64 stop = 3000000000;
    const quint16 n = 101;
    const CalibrationData cal = makeCalibration(start, stop, n);
    const double step = double(cal.step());
    const double clamped = qBound(double(start), frequency, double(stop));
    const double pos = (clamped - start) / step;
    const int j = qMin(int(pos), n - 2);
    const double d = pos - j;
    auto blend = [&](CD g) {
        return modelAt(start + j * step).raw(g) * (1 - d) + modelAt(start + (j + 1) * step).raw(g) * d;
    };
    const CD o = blend(1.0), s = blend(-1.0), l = blend(0.0);
    const CD e11 = (o + s - 2.0 * l) / (o - s);
    const CD t = 2.0 * (o - l) * (l - s) / (o - s);
    const CD raw = modelAt(frequency).raw(CD(gRe, gIm));
    const CD expected = (raw - l) / (e11 * (raw - l) + t);

    const CalibrationData::TSweepGrid grid{frequency, frequency + 1e6, 2, 1e6};
    const CD c = corrected(cal, grid, 0, raw);
    QVERIFY2(std::abs(c - expected) < 1e-4, qPrintable(QString("got %1%2j want %3%4j")
                                                           .arg(c.real())
                                                           .arg(c.imag())
                                                           .arg(expected.real())
                                                           .arg(expected.imag())));
}

void tst_CalibrationData::bandSeam_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("index");
    QTest::newRow("just above 100 MHz takes the upper point") << 100.1e6 << 2;
    QTest::newRow("just below 100 MHz takes the lower point") << 99.95e6 << 1;
    QTest::newRow("away from the seam interpolates") << 99.6e6 << -1;
}

void tst_CalibrationData::bandSeam()
{
    QFETCH(double, frequency);
    QFETCH(int, index);
    // Grid 99.4, 99.9, 100.4, 100.9 MHz; each point gets a very different error model, so taking one
    // point's standards is told apart from any blend.
    const quint64 start = 99400000;
    auto model = [&](double hz) {
        const int i = int(qRound((hz - start) / 500000.0));
        return TErrorModel{CD(0.1 * i, 0.05), CD(0.02 * i, -0.1), CD(1.0 - 0.2 * i, 0.1 * i)};
    };
    const CalibrationData cal = makeCalibration(start, 100900000, 4, model);
    const CalibrationData::TSweepGrid grid{frequency, frequency + 1e3, 2, 1e3};
    const CD g(0.25, -0.4);
    if (index >= 0) {
        const CD c = corrected(cal, grid, 0, model(start + index * 500000.0).raw(g));
        QVERIFY2(std::abs(c - g) < 1e-5, qPrintable(QString("got %1%2j").arg(c.real()).arg(c.imag())));
    } else {
        // 99.6 MHz sits 40 % of the way from point 0 to point 1: neither point alone corrects it.
        const CD raw = model(start).raw(g) * 0.6 + model(start + 500000.0).raw(g) * 0.4;
        const CD c0 = corrected(cal, grid, 0, raw);
        const CD o = model(start).raw(1.0) * 0.6 + model(start + 5e5).raw(1.0) * 0.4;
        const CD s = model(start).raw(-1.0) * 0.6 + model(start + 5e5).raw(-1.0) * 0.4;
        const CD l = model(start).raw(0.0) * 0.6 + model(start + 5e5).raw(0.0) * 0.4;
        const CD expected =
            (raw - l) / ((o + s - 2.0 * l) / (o - s) * (raw - l) + 2.0 * (o - l) * (l - s) / (o - s));
        QVERIFY(std::abs(c0 - expected) < 1e-4);
    }
}

void tst_CalibrationData::emptyCalibrationLeavesData()
{
    CalibrationData cal;
    TScanPoints buffer(4);
    buffer[2].re = 0.123f;
    buffer[2].im = -0.5f;
    cal.correct(buffer.data(), 0, 4, {1e9, 2e9, 4, 1e9 / 3});
    QCOMPARE(buffer[2].re, 0.123f);
    QCOMPARE(buffer[2].im, -0.5f);
}

void tst_CalibrationData::typesAndClearing()
{
    CalibrationData cal = makeCalibration(1000000, 2000000, 10);
    QVERIFY(cal.isComplete());
    cal.clearCalibType(3); // not a single type: nothing changes
    QVERIFY(cal.isComplete());
    QVERIFY(cal.openAt(5) != ZData::CAL::TComplex());
    cal.clearCalibType(CalibrationData::SHORT);
    QCOMPARE(int(cal.typesPresent()), 5);
    QCOMPARE(cal.shortAt(5), ZData::CAL::TComplex());
    QVERIFY(cal.openAt(5) != ZData::CAL::TComplex());
    cal.setMeasurement(CalibrationData::SHORT, {});
    QVERIFY(cal.isComplete());
    cal.clearMeasurements();
    QVERIFY(cal.isEmpty());
    QCOMPARE(cal.points(), quint16(10));
    QCOMPARE(cal.step(), quint64(111111));
    cal.resetAll();
    QCOMPARE(cal.points(), quint16(0));
}

void tst_CalibrationData::transferCursors_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<bool>("vco");
    QTest::addColumn<QVector<int>>("counts");
    QTest::newRow("100 points by 41") << 100 << 41 << false << QVector<int>{41, 41, 18};
    QTest::newRow("1000 points by 126")
        << 1000 << 126 << false << QVector<int>{126, 126, 126, 126, 126, 126, 126, 118};
    QTest::newRow("vco by 509") << 2 << 509 << true << QVector<int>{509, 509, 509, 509, 509, 509, 203};
    QTest::newRow("vco by 1019") << 2 << 1019 << true << QVector<int>{1019, 1019, 1019, 200};
}

void tst_CalibrationData::transferCursors()
{
    QFETCH(int, points);
    QFETCH(int, chunk);
    QFETCH(bool, vco);
    QFETCH(QVector<int>, counts);
    CalibrationData cal;
    cal.setRange(1000000, 2000000, quint16(points), 0);
    QVector<int> got;
    int expectedFirst = 0;
    while (vco ? cal.hasMoreVCO() : cal.hasMoreData()) {
        const auto c = vco ? cal.nextVCOChunk(quint16(chunk)) : cal.nextDataChunk(quint16(chunk));
        QCOMPARE(int(c.first), expectedFirst);
        expectedFirst += c.second;
        got.append(c.second);
        QVERIFY(got.size() < 100);
    }
    QCOMPARE(got, counts);
    cal.resetCursors();
    QVERIFY(vco ? cal.hasMoreVCO() : cal.hasMoreData());
}

void tst_CalibrationData::chunksPastArraysRefused_data()
{
    QTest::addColumn<bool>("vco");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("available");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("data fits") << false << 959 << 41 << 41 << true;
    QTest::newRow("data past 1000") << false << 960 << 41 << 41 << false;
    QTest::newRow("data negative first") << false << -1 << 2 << 2 << false;
    QTest::newRow("data truncated") << false << 0 << 41 << 40 << false;
    QTest::newRow("vco fits") << true << 2748 << 509 << 509 << true;
    QTest::newRow("vco past 3257") << true << 2749 << 509 << 509 << false;
    QTest::newRow("vco truncated") << true << 0 << 509 << 500 << false;
}

void tst_CalibrationData::chunksPastArraysRefused()
{
    QFETCH(bool, vco);
    QFETCH(int, first);
    QFETCH(int, count);
    QFETCH(int, available);
    QFETCH(bool, accepted);
    CalibrationData cal;
    cal.setRange(1000000, 2000000, 1000, 0);
    QByteArray bytes(available * (vco ? 2 : 24), '\x11');
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream stream(&buffer);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    const bool ok = vco ? cal.readVCOChunk(stream, first, count) : cal.readDataChunk(stream, first, count);
    QCOMPARE(ok, accepted);
    if (!accepted) {
        // Nothing was written anywhere.
        for (int i = 0; i < CalibrationData::MAX_POINTS; ++i)
            QCOMPARE(cal.openAt(i), ZData::CAL::TComplex());
        for (int i = 0; i < CalibrationData::VCO_SIZE; ++i)
            QCOMPARE(int(cal.vco1()[size_t(i)]), 0);
    }
}

void tst_CalibrationData::chunkRoundTrip()
{
    CalibrationData source = makeCalibration(1000000, 5000000, 50);
    for (int i = 0; i < CalibrationData::VCO_SIZE; ++i) {
        source.setVcoByte(0, i, qint8(i));
        source.setVcoByte(1, i, qint8(-i));
    }
    // What the writer sends per type and part is what a reader of the combined layout expects.
    CalibrationData target;
    target.setRange(1000000, 5000000, 50, 0);
    QByteArray open, shrt, load, vco2, vco1;
    auto writer = [](QByteArray& bytes) {
        auto* s = new QDataStream(&bytes, QIODevice::WriteOnly);
        s->setByteOrder(QDataStream::LittleEndian);
        s->setFloatingPointPrecision(QDataStream::SinglePrecision);
        return std::unique_ptr<QDataStream>(s);
    };
    {
        auto s = writer(open);
        source.writeDataChunk(*s, 10, 20, 0);
    }
    {
        auto s = writer(shrt);
        source.writeDataChunk(*s, 10, 20, 1);
    }
    {
        auto s = writer(load);
        source.writeDataChunk(*s, 10, 20, 2);
    }
    {
        auto s = writer(vco2);
        source.writeVCOChunk(*s, 100, 1019, 0);
    }
    {
        auto s = writer(vco1);
        source.writeVCOChunk(*s, 100, 1019, 1);
    }
    QByteArray none;
    {
        auto s = writer(none);
        source.writeDataChunk(*s, 0, 5, 3);
        source.writeVCOChunk(*s, 0, 5, 2);
    }
    QVERIFY(none.isEmpty());
    QCOMPARE(open.size(), 20 * 8);
    QByteArray combined;
    for (int i = 0; i < 20; ++i)
        combined += open.mid(i * 8, 8) + shrt.mid(i * 8, 8) + load.mid(i * 8, 8);
    QByteArray vcoCombined;
    for (int i = 0; i < 1019; ++i)
        vcoCombined += vco2.mid(i, 1) + vco1.mid(i, 1);
    QDataStream in(combined);
    in.setByteOrder(QDataStream::LittleEndian);
    in.setFloatingPointPrecision(QDataStream::SinglePrecision);
    QVERIFY(target.readDataChunk(in, 10, 20));
    QDataStream vin(vcoCombined);
    QVERIFY(target.readVCOChunk(vin, 100, 1019));
    for (int i = 10; i < 30; ++i) {
        QCOMPARE(target.openAt(i), source.openAt(i));
        QCOMPARE(target.shortAt(i), source.shortAt(i));
        QCOMPARE(target.loadAt(i), source.loadAt(i));
    }
    for (int i = 100; i < 1119; ++i) {
        QCOMPARE(target.vco1()[size_t(i)], source.vco1()[size_t(i)]);
        QCOMPARE(target.vco2()[size_t(i)], source.vco2()[size_t(i)]);
    }
}

void tst_CalibrationData::serializeLayoutAndRoundTrip()
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
    QCOMPARE(bytes.mid(4, 2), QByteArray("1\0", 2));
    const int body = 4 + 2 * id.size();
    QCOMPARE(bytes.mid(body, 8), QByteArray::fromHex("00e1f50500000000"));
    QCOMPARE(bytes.mid(body + 16, 2), QByteArray::fromHex("4d00"));
    QCOMPARE(bytes.mid(body + 18, 4), QByteArray::fromHex("02000000"));
    const int vco = body + 22 + 77 * 24;
    QCOMPARE(bytes.mid(vco, 2), QByteArray::fromHex("07f8"));
    QCOMPARE(bytes.at(bytes.size() - 1), char(9));

    CalibrationData read;
    QCOMPARE(deserialized(read, bytes, id), CalibrationData::EReadResult::OK);
    QVERIFY(read.isComplete());
    QCOMPARE(read.start(), source.start());
    QCOMPARE(read.stop(), source.stop());
    QCOMPARE(read.points(), source.points());
    QCOMPARE(read.step(), source.step());
    QCOMPARE(read.bandwidthIndex(), 2);
    for (int i = 0; i < 77; ++i) {
        QCOMPARE(read.openAt(i), source.openAt(i));
        QCOMPARE(read.shortAt(i), source.shortAt(i));
        QCOMPARE(read.loadAt(i), source.loadAt(i));
    }
    QVERIFY(read.vco1() == source.vco1());
    QVERIFY(read.vco2() == source.vco2());
    QCOMPARE(serialized(read, id), bytes);
}

void tst_CalibrationData::deserializeRefuses_data()
{
    QTest::addColumn<QString>("expectedId");
    QTest::addColumn<int>("pointsField");
    QTest::addColumn<int>("cut");
    QTest::addColumn<int>("result");
    const int wrong = int(CalibrationData::EReadResult::WRONG_DEVICE);
    const int bad = int(CalibrationData::EReadResult::MALFORMED);
    QTest::newRow("another device") << "99-1-1" << 10 << 0 << wrong;
    QTest::newRow("id differs in case") << "ab-CD" << 10 << 0 << wrong;
    QTest::newRow("0 points") << "AB-cd" << 0 << 0 << bad;
    QTest::newRow("1 point") << "AB-cd" << 1 << 0 << bad;
    QTest::newRow("1001 points") << "AB-cd" << 1001 << 0 << bad;
    QTest::newRow("negative points") << "AB-cd" << -5 << 0 << bad;
    QTest::newRow("truncated values") << "AB-cd" << 10 << 6600 << bad;
    QTest::newRow("truncated vco") << "AB-cd" << 10 << 1 << bad;
    QTest::newRow("truncated id") << "AB-cd" << 10 << -1 << bad;
}

void tst_CalibrationData::deserializeRefuses()
{
    QFETCH(QString, expectedId);
    QFETCH(int, pointsField);
    QFETCH(int, cut);
    QFETCH(int, result);
    const QString id = QStringLiteral("AB-cd");
    QByteArray bytes = serialized(makeCalibration(1000000, 2000000, 10), id);
    const int pointsAt = 4 + 2 * id.size() + 16;
    bytes[pointsAt] = char(pointsField & 0xFF);
    bytes[pointsAt + 1] = char((pointsField >> 8) & 0xFF);
    if (cut > 0)
        bytes.chop(cut);
    else if (cut < 0)
        bytes = bytes.left(6);

    CalibrationData active = makeCalibration(5000000, 6000000, 3);
    const QByteArray before = serialized(active, id);
    QCOMPARE(int(deserialized(active, bytes, expectedId)), result);
    QCOMPARE(serialized(active, id), before);
    QVERIFY(active.isComplete());

    QByteArray hugeId = QByteArray::fromHex("fffffff0") + bytes.mid(4);
    QCOMPARE(deserialized(active, hugeId, expectedId), CalibrationData::EReadResult::MALFORMED);
}

QTEST_GUILESS_MAIN(tst_CalibrationData)
#include "tst_CalibrationData.moc"
