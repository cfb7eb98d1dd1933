#include <QtTest>

#include <cmath>
#include <complex>

#include "charts/DTFTransform.h"

using ZChart::DTFTransform;
using ZChart::EDTFDomain;
using ZChart::TDTFConfig;
using ZData::TScanPoint;
using ZData::TScanPoints;

namespace {

constexpr double C0 = 299792458.0;

// A config whose limits come from a 1 MHz .. 101 MHz, 201-point sweep: MAX 1005 ns, MIN 502.5 ns.
TDTFConfig config201()
{
    TDTFConfig c;
    DTFTransform::updateLimits(c, 1e6, 101e6, 201);
    DTFTransform::resetWindow(c);
    return c;
}

// The reflection of one fault at the given one-way time: the round trip delays by 2t.
TScanPoints sweepWithFault(double startHz, double stopHz, int n, double oneWayNs, double gamma)
{
    TScanPoints points;
    const double step = (stopHz - startHz) / (n - 1);
    for (int i = 0; i < n; ++i) {
        // Phase referred to the first frequency, as the transform ignores the frequencies.
        const double f = i * step;
        const std::complex<double> s = gamma * std::polar(1.0, -2.0 * M_PI * f * 2.0 * oneWayNs * 1e-9);
        TScanPoint p;
        p.frequency = quint64(startHz + f);
        p.re = float(s.real());
        p.im = float(s.imag());
        points.append(p);
    }
    return points;
}

void checkWindow(const TDTFConfig& c, double start, double stop, double center, double span)
{
    QVERIFY2(std::abs(c.start - start) < 1e-6, qPrintable(QString("start %1").arg(c.start)));
    QVERIFY2(std::abs(c.stop - stop) < 1e-6, qPrintable(QString("stop %1").arg(c.stop)));
    QVERIFY2(std::abs(c.center - center) < 1e-6, qPrintable(QString("center %1").arg(c.center)));
    QVERIFY2(std::abs(c.span - span) < 1e-6, qPrintable(QString("span %1").arg(c.span)));
    // Whatever the rule, the four stay consistent.
    QVERIFY(std::abs(c.stop - c.start - c.span) < 1e-6);
    QVERIFY(std::abs((c.start + c.stop) / 2.0 - c.center) < 1e-6);
}

} // namespace

class tst_DTFTransform : public QObject
{
    Q_OBJECT

private slots:
    void limits_data()
    {
        QTest::addColumn<double>("startHz");
        QTest::addColumn<double>("stopHz");
        QTest::addColumn<quint32>("points");
        QTest::addColumn<double>("maxNs");
        QTest::addColumn<double>("minNs");
        QTest::newRow("201 points") << 1e6 << 101e6 << 201u << 1005.0 << 502.5;
        QTest::newRow("power of two") << 1e6 << 101e6 << 256u << 1280.0 << 640.0;
        QTest::newRow("padded to 512") << 1e6 << 101e6 << 257u << 1285.0 << 321.25;
        // 1000 / (2 * 2.999e9) s = 166.722... ns, floored to 166.72; 166.72 * 128 / 1024 = 20.84.
        QTest::newRow("1000 points") << 1e6 << 3e9 << 1000u << 166.72 << 20.84;
        QTest::newRow("zero start") << 0.0 << 3e8 << 300u << 500.0 << 125.0;
    }

    void limits()
    {
        QFETCH(double, startHz);
        QFETCH(double, stopHz);
        QFETCH(quint32, points);
        QFETCH(double, maxNs);
        QFETCH(double, minNs);
        TDTFConfig c;
        DTFTransform::updateLimits(c, startHz, stopHz, points);
        QCOMPARE(qRound64(c.max_time * 1e11), qRound64(maxNs * 100));
        QCOMPARE(qRound64(c.min_span * 1e11), qRound64(minNs * 100));
        DTFTransform::resetWindow(c);
        checkWindow(c, 0.0, maxNs, maxNs / 2, maxNs);
    }

    void zeroSpanKeepsLimits()
    {
        TDTFConfig c = config201();
        const TDTFConfig before = c;
        DTFTransform::updateLimits(c, 5e6, 5e6, 201);
        DTFTransform::updateLimits(c, 6e6, 5e6, 201);
        QCOMPARE(c.max_time, before.max_time);
        QCOMPARE(c.min_span, before.min_span);
    }

    void shorterRangePullsStoredWindowInside()
    {
        TDTFConfig c = config201();
        DTFTransform::setStart(c, 502.5); // window 502.5 .. 1005
        // 101 points over the same span: MAX 505 ns and, with Nfft 128, MIN 505 ns as well.
        DTFTransform::updateLimits(c, 1e6, 101e6, 101);
        QCOMPARE(qRound64(c.max_time * 1e11), 50500);
        QCOMPARE(qRound64(c.min_span * 1e11), 50500);
        // The span is raised to MIN, then cut back so the window ends at MAX; start stays put.
        QCOMPARE(c.start, 502.5);
        QVERIFY(std::abs(c.span - 2.5) < 1e-9);
        DTFTransform::restoreWindow(c, 502.5, 1005.0);
        checkWindow(c, 0.0, 505.0, 252.5, 505.0);
    }

    void displayUnits()
    {
        TDTFConfig c = config201();
        DTFTransform::setDomain(c, EDTFDomain::DISTANCE);
        QCOMPARE(c.view_domain, EDTFDomain::DISTANCE);
        DTFTransform::setVelocityFactor(c, 0.66);
        QVERIFY(std::abs(DTFTransform::maxTimeDisplay(c) - 198.85) < 0.01);
        QVERIFY(std::abs(DTFTransform::maxTimeDisplay(c) - 0.66 * C0 * 1005e-9) < 1e-9);
        // Stored times do not move with the domain or the velocity factor.
        QCOMPARE(c.stop, 1005.0);
        QVERIFY(std::abs(DTFTransform::convert(100.0, EDTFDomain::DISTANCE, EDTFDomain::TIME, 0.66) -
                         100.0 * 1e9 / (0.66 * C0)) < 1e-9);
        QCOMPARE(DTFTransform::convert(42.0, EDTFDomain::TIME, EDTFDomain::TIME, 0.5), 42.0);
        // A distance entered goes through the same conversion back to ns.
        DTFTransform::setStop(c, 0.66 * C0 * 700e-9);
        QVERIFY(std::abs(c.stop - 700.0) < 1e-6);
    }

    // MAX 1005, MIN 502.5 throughout (so the center range collapses to 251.25); the window starts at the full
    // range 0 .. 1005.
    void setters_data()
    {
        QTest::addColumn<QString>("setter");
        QTest::addColumn<double>("before"); // a setSpan applied first, to leave the full window
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("stop");
        QTest::addColumn<double>("center");
        QTest::addColumn<double>("span");
        QTest::newRow("start clamped to MAX-MIN")
            << "start" << 1005.0 << 900.0 << 502.5 << 1005.0 << 753.75 << 502.5;
        QTest::newRow("start below zero") << "start" << 1005.0 << -10.0 << 0.0 << 1005.0 << 502.5 << 1005.0;
        QTest::newRow("start keeps stop") << "start" << 1005.0 << 400.0 << 400.0 << 1005.0 << 702.5 << 605.0;
        QTest::newRow("stop above MAX") << "stop" << 1005.0 << 2000.0 << 0.0 << 1005.0 << 502.5 << 1005.0;
        QTest::newRow("stop below MIN") << "stop" << 1005.0 << 100.0 << 0.0 << 502.5 << 251.25 << 502.5;
        QTest::newRow("stop keeps start") << "stop" << 502.5 << 800.0 << 251.25 << 800.0 << 525.625 << 548.75;
        QTest::newRow("center pulled back") << "center" << 502.5 << 900.0 << 0.0 << 502.5 << 251.25 << 502.5;
        QTest::newRow("center below MIN/2") << "center" << 502.5 << 0.0 << 0.0 << 502.5 << 251.25 << 502.5;
        QTest::newRow("span MAX") << "span" << 502.5 << 1005.0 << 0.0 << 1005.0 << 502.5 << 1005.0;
        QTest::newRow("span over MAX") << "span" << 502.5 << 5000.0 << 0.0 << 1005.0 << 502.5 << 1005.0;
        QTest::newRow("span below MIN") << "span" << 1005.0 << 1.0 << 251.25 << 753.75 << 502.5 << 502.5;
    }

    void setters()
    {
        QFETCH(QString, setter);
        QFETCH(double, before);
        QFETCH(double, value);
        TDTFConfig c = config201();
        DTFTransform::setSpan(c, before);
        if (setter == "start")
            DTFTransform::setStart(c, value);
        else if (setter == "stop")
            DTFTransform::setStop(c, value);
        else if (setter == "center")
            DTFTransform::setCenter(c, value);
        else
            DTFTransform::setSpan(c, value);
        QFETCH(double, start);
        QFETCH(double, stop);
        QFETCH(double, center);
        QFETCH(double, span);
        checkWindow(c, start, stop, center, span);
    }

    void stopBeforeStartFallsBackToZero()
    {
        TDTFConfig c = config201();
        c.start = 600.0;
        c.span = 700.0;
        c.stop = 1300.0;
        DTFTransform::setStop(c, 550.0); // 550 <= start and 550 - 700 < 0
        QCOMPARE(c.start, 0.0);
        QCOMPARE(c.span, 550.0);
        QCOMPARE(c.center, 275.0);
    }

    void constantReflectionIsAnImpulse_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("nfft");
        QTest::newRow("256") << 256 << 256;
        QTest::newRow("257") << 257 << 512;
        QTest::newRow("1") << 1 << 1;
    }

    void constantReflectionIsAnImpulse()
    {
        QFETCH(int, n);
        QFETCH(int, nfft);
        TScanPoints points(n);
        for (TScanPoint& p : points)
            p.re = 1.0f;
        const auto x = DTFTransform::timeResponse(points);
        QCOMPARE(x.size(), nfft);
        QVERIFY(std::abs(x[0] - std::complex<float>(1.0f, 0.0f)) < 1e-5f);
        if (n == nfft)
            for (int k = 1; k < nfft; ++k)
                QVERIFY2(std::abs(x[k]) < 1e-5f, qPrintable(QString::number(k)));
    }

    void zeroMagnitudeGivesZeroDb()
    {
        TDTFConfig c = config201();
        const QVector<QPointF> out = DTFTransform::transform(TScanPoints(201), c);
        QCOMPARE(out.size(), 256);
        for (const QPointF& p : out)
            QCOMPARE(p.y(), 0.0);
        QCOMPARE(out[128].x(), 1005.0 * 128 / 256);
        QVERIFY(DTFTransform::transform(TScanPoints(), c).isEmpty());
    }

    void faultPeaksAtItsDistance_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("oneWayNs");
        QTest::addColumn<double>("velocityFactor");
        QTest::newRow("201 points, 200 ns") << 201 << 200.0 << 1.0;
        QTest::newRow("1000 points, 80 ns") << 1000 << 80.0 << 0.66;
        QTest::newRow("2048 points, 125 ns") << 2048 << 125.0 << 0.8;
    }

    void faultPeaksAtItsDistance()
    {
        QFETCH(int, n);
        QFETCH(double, oneWayNs);
        QFETCH(double, velocityFactor);
        const double startHz = 1e6, stopHz = 1e6 + 2e6 * (n - 1); // 2 MHz steps
        TDTFConfig c;
        DTFTransform::updateLimits(c, startHz, stopHz, quint32(n));
        DTFTransform::resetWindow(c);
        DTFTransform::setDomain(c, EDTFDomain::DISTANCE);
        DTFTransform::setVelocityFactor(c, velocityFactor);

        const QVector<QPointF> out =
            DTFTransform::transform(sweepWithFault(startHz, stopHz, n, oneWayNs, 0.5), c);
        const QVector<int> peaks = DTFTransform::findPeaks(out, c, 1);
        QCOMPARE(peaks.size(), 1);
        const double expectedMetres = velocityFactor * C0 * oneWayNs * 1e-9;
        const double bin = DTFTransform::maxTimeDisplay(c) / out.size();
        // One bin of resolution, and the axis runs N/(N-1) long against the true time.
        QVERIFY2(
            std::abs(out[peaks[0]].x() - expectedMetres) <= 1.5 * bin + 0.01 * expectedMetres,
            qPrintable(QString("peak at %1 m, fault at %2 m").arg(out[peaks[0]].x()).arg(expectedMetres)));
        // The peak of a 0.5 reflection reads about -6 dB (less the scalloping between bins).
        QVERIFY2(out[peaks[0]].y() < -5.9 && out[peaks[0]].y() > -10.0,
                 qPrintable(QString::number(out[peaks[0]].y())));
    }

    void peakSearchKeepsGuardDistance()
    {
        TDTFConfig c;
        c.max_time = 100e-9; // one output point per ns
        c.start = 0.0;
        c.span = 100.0;
        QVector<QPointF> points(100);
        for (int i = 0; i < 100; ++i)
            points[i] = QPointF(i, -80.0);
        points[40].setY(-10.0);
        points[46].setY(-12.0); // inside the guard of 7 bins around 40
        points[48].setY(-20.0); // just outside it
        points[10].setY(-30.0);
        const QVector<int> peaks = DTFTransform::findPeaks(points, c, 3);
        QCOMPARE(peaks, (QVector<int>{40, 48, 10}));

        // The window starts at 30: indices stay absolute and peaks left of it are not seen.
        c.start = 30.0;
        c.span = 50.0;
        // The narrower window has a guard of 3 bins only, so 46 now counts as a peak of its own.
        QCOMPARE(DTFTransform::findPeaks(points, c, 2), (QVector<int>{40, 46}));
    }

    void peakSearchOnDegenerateInput()
    {
        TDTFConfig c;
        c.max_time = 100e-9;
        c.start = 20.0;
        c.span = 0.0;
        QVector<QPointF> points(100, QPointF(0, -50));
        QCOMPARE(DTFTransform::findPeaks(points, c, 2), (QVector<int>{20, 20}));
        c.start = 5000.0; // beyond the data
        c.span = 50.0;
        QCOMPARE(DTFTransform::findPeaks(points, c, 1), (QVector<int>{100}));
        c.max_time = 0.0; // limits never computed
        QCOMPARE(DTFTransform::findPeaks(points, c, 2), (QVector<int>{0, 0}));
        QVERIFY(DTFTransform::findPeaks(QVector<QPointF>(), c, 0).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_DTFTransform)
#include "tst_DTFTransform.moc"
