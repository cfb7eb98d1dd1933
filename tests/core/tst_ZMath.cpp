#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

#include "core/utility/ZMath.h"

using ZCore::UtilityModules::TComplex;
using ZCore::UtilityModules::TComplexVector;
using ZCore::UtilityModules::ZMath;
using ZData::TScanPoint;
using ZData::TScanPoints;

namespace {
// Plain O(N^2) transform in double precision, the reference for the fast one.
QVector<std::complex<double>> dft(const TComplexVector& input, int size, bool inverse)
{
    QVector<std::complex<double>> out(size);
    const double sign = inverse ? 1.0 : -1.0;
    for (int k = 0; k < size; ++k) {
        std::complex<double> sum = 0.0;
        for (int n = 0; n < input.size(); ++n) {
            const double angle = sign * 2.0 * M_PI * double(k) * double(n) / double(size);
            sum += std::complex<double>(input[n]) * std::polar(1.0, angle);
        }
        out[k] = sum;
    }
    return out;
}

TComplexVector randomVector(int size, quint32 seed)
{
    QRandomGenerator rng(seed);
    TComplexVector v(size);
    for (TComplex& x : v)
        x = TComplex(float(rng.generateDouble() * 2.0 - 1.0), float(rng.generateDouble() * 2.0 - 1.0));
    return v;
}

TScanPoint pt(quint64 f, float re, float im)
{
    TScanPoint p;
    p.frequency = f;
    p.re = re;
    p.im = im;
    return p;
}
} // namespace

class tst_ZMath : public QObject
{
    Q_OBJECT

private slots:
    void nextPowerOfTwo_data()
    {
        QTest::addColumn<quint64>("n");
        QTest::addColumn<quint64>("expected");
        QTest::newRow("0") << quint64(0) << quint64(1);
        QTest::newRow("1") << quint64(1) << quint64(1);
        QTest::newRow("2") << quint64(2) << quint64(2);
        QTest::newRow("3") << quint64(3) << quint64(4);
        QTest::newRow("1000") << quint64(1000) << quint64(1024);
        QTest::newRow("1024") << quint64(1024) << quint64(1024);
        QTest::newRow("1025") << quint64(1025) << quint64(2048);
        QTest::newRow("2^40+1") << (quint64(1) << 40) + 1 << (quint64(1) << 41);
    }

    void nextPowerOfTwo()
    {
        QFETCH(quint64, n);
        QFETCH(quint64, expected);
        QCOMPARE(ZMath::nextPowerOfTwo(n), expected);
    }

    void padVector()
    {
        QVector<int> v{1, 2, 3};
        ZMath::padVector(v, 5, 9);
        QCOMPARE(v, (QVector<int>{1, 2, 3, 9, 9}));

        QTest::ignoreMessage(QtWarningMsg, " >> ZCore::UtilityModules::ZMath::padVector..");
        QTest::ignoreMessage(QtWarningMsg, ">> vector size must be smaller than target size: 5 > 5");
        ZMath::padVector(v, 5, 0);
        QCOMPARE(v.size(), 5);

        QVector<int> w{1, 2, 3};
        ZMath::padToPowerOfTwo(w, 0);
        QCOMPARE(w, (QVector<int>{1, 2, 3, 0}));
        ZMath::padToPowerOfTwo(w, 7); // already a power of two: untouched, no warning
        QCOMPARE(w.size(), 4);
    }

    void transformMatchesDft_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("inverse");
        QTest::addColumn<bool>("normalise");
        for (int size : {1, 2, 3, 4, 5, 8, 31, 64, 100, 256, 1000}) {
            QTest::addRow("forward %d", size) << size << false << false;
            QTest::addRow("inverse %d", size) << size << true << false;
            QTest::addRow("inverse normalised %d", size) << size << true << true;
        }
    }

    void transformMatchesDft()
    {
        QFETCH(int, size);
        QFETCH(bool, inverse);
        QFETCH(bool, normalise);
        const TComplexVector input = randomVector(size, quint32(size * 7 + inverse));
        TComplexVector data = input;
        if (inverse)
            ZMath::ifft(data, normalise);
        else
            ZMath::fft(data);

        const int padded = int(ZMath::nextPowerOfTwo(quint64(size)));
        QCOMPARE(data.size(), padded);
        const QVector<std::complex<double>> expected = dft(input, padded, inverse);
        const double scale = normalise ? 1.0 / padded : 1.0;
        // Single precision with a recurrence for the twiddles: relative error grows slowly with log N.
        const double tolerance = 1e-4 * std::sqrt(double(padded)) * std::log2(double(padded) + 1.0) + 1e-5;
        for (int k = 0; k < padded; ++k) {
            const std::complex<double> want = expected[k] * scale;
            const std::complex<double> got(data[k]);
            // Compared on the unnormalised scale, so that 1/N cannot shrink a wrong result below the
            // tolerance.
            QVERIFY2(std::abs(got - want) / scale <= tolerance,
                     qPrintable(QString("bin %1: got (%2, %3) want (%4, %5)")
                                    .arg(k)
                                    .arg(got.real())
                                    .arg(got.imag())
                                    .arg(want.real())
                                    .arg(want.imag())));
        }
    }

    void roundTrip()
    {
        const TComplexVector input = randomVector(512, 99);
        TComplexVector data = input;
        ZMath::fft(data);
        ZMath::ifft(data, true);
        for (int i = 0; i < input.size(); ++i)
            QVERIFY(std::abs(data[i] - input[i]) < 1e-4f);
    }

    void smallCases()
    {
        TComplexVector empty;
        ZMath::fft(empty);
        QVERIFY(empty.isEmpty());

        TComplexVector one{TComplex(2.5f, -1.0f)};
        ZMath::ifft(one, true);
        QCOMPARE(one, (TComplexVector{TComplex(2.5f, -1.0f)}));

        // An impulse transforms into a flat spectrum.
        TComplexVector impulse{TComplex(1, 0), TComplex(0, 0), TComplex(0, 0)};
        ZMath::fft(impulse);
        QCOMPARE(impulse.size(), 4);
        for (const TComplex& x : impulse)
            QVERIFY(std::abs(x - TComplex(1, 0)) < 1e-6f);
    }

    void interpolation_data()
    {
        QTest::addColumn<TScanPoints>("table");
        QTest::addColumn<quint64>("frequency");
        QTest::addColumn<bool>("extrapolate");
        QTest::addColumn<float>("re");
        QTest::addColumn<float>("im");

        const TScanPoints t{pt(100, 0.0f, 1.0f), pt(200, 1.0f, 3.0f), pt(400, 3.0f, -1.0f)};
        QTest::newRow("on first point") << t << quint64(100) << false << 0.0f << 1.0f;
        QTest::newRow("inside first segment") << t << quint64(150) << false << 0.5f << 2.0f;
        QTest::newRow("on middle point") << t << quint64(200) << false << 1.0f << 3.0f;
        QTest::newRow("inside last segment") << t << quint64(300) << true << 2.0f << 1.0f;
        QTest::newRow("on last point") << t << quint64(400) << false << 3.0f << -1.0f;
        QTest::newRow("below, held") << t << quint64(50) << false << 0.0f << 1.0f;
        QTest::newRow("below, extrapolated") << t << quint64(50) << true << -0.5f << 0.0f;
        QTest::newRow("below at zero, extrapolated") << t << quint64(0) << true << -1.0f << -1.0f;
        QTest::newRow("above, held") << t << quint64(600) << false << 3.0f << -1.0f;
        QTest::newRow("above, extrapolated") << t << quint64(600) << true << 5.0f << -5.0f;

        const quint64 g = 1000000000ull;
        const TScanPoints wide{pt(1 * g, 1.0f, 0.0f), pt(3 * g, 3.0f, 0.0f)};
        QTest::newRow("gigahertz") << wide << 2 * g << false << 2.0f << 0.0f;

        // Neighbours at one frequency: no slope to follow, the value is held, never NaN.
        const TScanPoints twin{pt(100, 1.0f, 1.0f), pt(100, 2.0f, 2.0f), pt(200, 4.0f, 0.0f)};
        QTest::newRow("twin, below, extrapolated") << twin << quint64(50) << true << 1.0f << 1.0f;
        QTest::newRow("twin, at, extrapolated") << twin << quint64(100) << true << 2.0f << 2.0f;
        QTest::newRow("twin, below, held") << twin << quint64(50) << false << 1.0f << 1.0f;
        QTest::newRow("twin, after") << twin << quint64(150) << false << 3.0f << 1.0f;
        const TScanPoints twinEnd{pt(100, 0.0f, 0.0f), pt(200, 2.0f, 2.0f), pt(200, 5.0f, 6.0f)};
        QTest::newRow("twin end, above, extrapolated") << twinEnd << quint64(300) << true << 5.0f << 6.0f;
        QTest::newRow("twin end, inside") << twinEnd << quint64(150) << true << 1.0f << 1.0f;
        const TScanPoints same{pt(100, 1.0f, 2.0f), pt(100, 1.0f, 2.0f)};
        QTest::newRow("two equal points") << same << quint64(100) << true << 1.0f << 2.0f;
        QTest::newRow("single point")
            << TScanPoints{pt(100, 7.0f, 8.0f)} << quint64(5) << true << 7.0f << 8.0f;
        QTest::newRow("empty table") << TScanPoints{} << quint64(5) << true << 0.0f << 0.0f;
    }

    void interpolation()
    {
        QFETCH(TScanPoints, table);
        QFETCH(quint64, frequency);
        QFETCH(bool, extrapolate);
        QFETCH(float, re);
        QFETCH(float, im);
        const TScanPoint p = ZMath::linearInterpolation(table, frequency, extrapolate);
        QCOMPARE(p.frequency, frequency);
        QVERIFY(std::isfinite(p.re) && std::isfinite(p.im));
        QVERIFY2(std::abs(p.re - re) < 1e-5f && std::abs(p.im - im) < 1e-5f,
                 qPrintable(QString("got (%1, %2)").arg(double(p.re)).arg(double(p.im))));
    }
};

QTEST_GUILESS_MAIN(tst_ZMath)
#include "tst_ZMath.moc"
