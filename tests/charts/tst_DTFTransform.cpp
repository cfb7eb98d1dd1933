#include <QtTest>

#include <cmath>
#include <complex>

#include "charts/DTFTransform.h"
#include "core/utility/ZMath.h"

using ZChart::DTFTransform;
using ZChart::EDTFDomain;
using ZChart::TDTFConfig;
using ZData::TScanPoints;

namespace {

constexpr double C0 = 299792458.0;

void checkWindow(const TDTFConfig& c, double start, double stop)
{
    QVERIFY2(std::abs(c.start - start) < 1e-6, qPrintable(QString("start %1").arg(c.start)));
    QVERIFY2(std::abs(c.stop - stop) < 1e-6, qPrintable(QString("stop %1").arg(c.stop)));
    QVERIFY(std::abs(c.center - (start + stop) / 2) < 1e-6);
    QVERIFY(std::abs(c.span - (stop - start)) < 1e-6);
}

} // namespace

class tst_DTFTransform : public QObject
{
    Q_OBJECT

private slots:
    // MAX is N / (2 span); MIN is MAX * 128 / Nfft, never more than MAX, so that no setter inverts
    // the window of a small sweep.
    void limits_data()
    {
        QTest::addColumn<double>("stopHz");
        QTest::addColumn<quint32>("points");
        QTest::addColumn<double>("maxNs");
        QTest::addColumn<double>("minNs");
        QTest::newRow("2") << 101e6 << 2u << 10.0 << 10.0;
        QTest::newRow("64") << 101e6 << 64u << 320.0 << 320.0;
        QTest::newRow("100") << 101e6 << 100u << 500.0 << 500.0;
        QTest::newRow("128") << 101e6 << 128u << 640.0 << 640.0;
        QTest::newRow("201") << 101e6 << 201u << 1005.0 << 502.5;
        QTest::newRow("257, padded to 512") << 101e6 << 257u << 1285.0 << 321.25;
        // 1000 / (2 * 2.999e9) s = 166.722... ns, floored to 166.72; 166.72 * 128 / 1024 = 20.84.
        QTest::newRow("1000 points") << 3e9 << 1000u << 166.72 << 20.84;
    }

    void limits()
    {
        QFETCH(double, stopHz);
        QFETCH(quint32, points);
        QFETCH(double, maxNs);
        QFETCH(double, minNs);
        TDTFConfig c;
        DTFTransform::updateLimits(c, 1e6, stopHz, points);
        QCOMPARE(qRound64(c.max_time * 1e11), qRound64(maxNs * 100));
        QCOMPARE(qRound64(c.min_span * 1e11), qRound64(minNs * 100));
        DTFTransform::resetWindow(c);
        checkWindow(c, 0.0, maxNs);
        for (double v : {-10.0, 0.0, maxNs / 3, maxNs, 2 * maxNs}) {
            int setter = 0;
            for (auto set : {&DTFTransform::setStart, &DTFTransform::setStop, &DTFTransform::setCenter,
                             &DTFTransform::setSpan}) {
                TDTFConfig w = c;
                set(w, v);
                QVERIFY2(w.start >= 0 && w.start <= w.stop + 1e-9 && w.stop <= maxNs + 1e-9,
                         qPrintable(QString("setter %1, value %2").arg(setter++).arg(v)));
            }
        }
        const DTFTransform::TRange start = DTFTransform::startRange(c);
        QVERIFY(start.min <= start.max);
    }

    void distanceDisplay()
    {
        TDTFConfig c;
        DTFTransform::updateLimits(c, 1e6, 101e6, 201);
        DTFTransform::setDomain(c, EDTFDomain::DISTANCE);
        DTFTransform::setVelocityFactor(c, 0.66);
        QCOMPARE(QString::number(DTFTransform::maxTimeDisplay(c), 'f', 2), QString("198.85"));
        QCOMPARE(c.view_domain, EDTFDomain::DISTANCE);
        // Entered metres are stored as one-way nanoseconds.
        DTFTransform::resetWindow(c);
        DTFTransform::setSpan(c, 150.0);
        QVERIFY(std::abs(c.span - 150.0 * 1e9 / (0.66 * C0)) < 1e-9);
    }

    // MAX 1005, MIN 502.5; from the full window 0 .. 1005, each setter in turn, the window kept.
    void setterSequence()
    {
        TDTFConfig c;
        DTFTransform::updateLimits(c, 1e6, 101e6, 201);
        DTFTransform::resetWindow(c);
        DTFTransform::setStart(c, 900.0); // clamped to MAX - MIN
        checkWindow(c, 502.5, 1005.0);
        DTFTransform::setSpan(c, 1005.0);
        DTFTransform::setCenter(c, 900.0); // above (MAX - MIN) / 2
        QCOMPARE(c.center, 251.25);
        checkWindow(c, 0.0, 502.5);
        DTFTransform::setStop(c, 800.0); // keeps the start
        checkWindow(c, 0.0, 800.0);
        DTFTransform::setSpan(c, 1.0); // below MIN, about the centre
        checkWindow(c, 148.75, 651.25);
        DTFTransform::setSpan(c, 1005.0);
        DTFTransform::setStart(c, 300.0); // keeps the stop
        checkWindow(c, 300.0, 1005.0);
        DTFTransform::setStop(c, 510.0); // below start + MIN: the span is raised and start moves back
        checkWindow(c, 7.5, 510.0);
        DTFTransform::setSpan(c, 600.0);
        DTFTransform::setStart(c, 400.0);
        checkWindow(c, 400.0, 902.5); // the span raised back to MIN
        c.start = 600.0;              // a stop at or below start with no room for the span before it
        c.span = 700.0;
        DTFTransform::setStop(c, 520.0);
        checkWindow(c, 0.0, 520.0);
    }

    // The transform against the sum it stands for: x_k = (1/N) sum C[n] e^{+j 2 pi n k / Nfft}.
    void transformIsTheDirectSum_data()
    {
        QTest::addColumn<int>("n");
        QTest::newRow("201, padded") << 201;
        QTest::newRow("256") << 256;
        QTest::newRow("1000") << 1000;
    }

    void transformIsTheDirectSum()
    {
        QFETCH(int, n);
        TScanPoints points;
        for (int i = 0; i < n; ++i)
            points.append({quint64(1000000 + i), float(0.6 * std::cos(0.37 * i) + 0.1),
                           float(0.4 * std::sin(0.11 * i * i))});
        const auto x = DTFTransform::timeResponse(points);
        const int nfft = x.size();
        QCOMPARE(nfft, int(ZCore::UtilityModules::ZMath::nextPowerOfTwo(quint64(n))));
        double worst = 0;
        for (int k = 0; k < nfft; ++k) {
            std::complex<double> sum;
            for (int i = 0; i < n; ++i)
                sum += std::complex<double>(points[i].re, points[i].im) *
                       std::polar(1.0, 2 * M_PI * double(i) * k / nfft);
            worst = std::max(worst, std::abs(sum / double(n) - std::complex<double>(x[k])));
        }
        QVERIFY2(worst < 2e-6, qPrintable(QString::number(worst)));
    }

    // 1000 bins of 1 ns, window 0 .. 100 ns: n = 100, guard 7 bins.
    void peakGuard_data()
    {
        QTest::addColumn<QVector<int>>("at");
        QTest::addColumn<QVector<double>>("level");
        QTest::addColumn<QVector<int>>("peaks");
        QTest::newRow("6 bins apart: one peak, then the next outside the guard")
            << QVector<int>{50, 56, 80} << QVector<double>{0, -1, -3} << QVector<int>{50, 80};
        QTest::newRow("8 bins apart: two peaks")
            << QVector<int>{50, 58, 80} << QVector<double>{0, -1, -3} << QVector<int>{50, 58};
        QTest::newRow("outside the window is not a peak")
            << QVector<int>{150, 30, 90} << QVector<double>{0, -2, -1} << QVector<int>{90, 30};
    }

    void peakGuard()
    {
        QFETCH(QVector<int>, at);
        QFETCH(QVector<double>, level);
        QVector<QPointF> points(1000);
        for (int k = 0; k < points.size(); ++k)
            points[k] = QPointF(k, -60.0);
        for (int i = 0; i < at.size(); ++i)
            points[at[i]].setY(level[i]);
        TDTFConfig c;
        c.max_time = 1000e-9;
        c.start = 0;
        c.span = 100.0;
        c.stop = 100.0;
        QTEST(DTFTransform::findPeaks(points, c, 2), "peaks");
        // A window without bin width reports the window start for every peak.
        c.max_time = 0;
        QCOMPARE(DTFTransform::findPeaks(points, c, 2), (QVector<int>{0, 0}));
    }

};

QTEST_GUILESS_MAIN(tst_DTFTransform)
#include "tst_DTFTransform.moc"
