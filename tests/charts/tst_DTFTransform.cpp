#include <QtTest>

#include <cmath>
#include <complex>

#include "charts/DTFTransform.h"

using ZChart::DTFTransform;
using ZChart::EDTFDomain;
using ZChart::TDTFConfig;
using ZData::TScanPoints;

namespace {

constexpr double C0 = 299792458.0;

// The reflection of one fault at the given one-way time: the round trip delays by 2t.
TScanPoints sweepWithFault(double startHz, double stopHz, int n, double oneWayNs, double gamma)
{
    TScanPoints points;
    const double step = (stopHz - startHz) / (n - 1);
    for (int i = 0; i < n; ++i) {
        // Phase referred to the first frequency, as the transform ignores the frequencies.
        const double f = i * step;
        const std::complex<double> s = gamma * std::polar(1.0, -2.0 * M_PI * f * 2.0 * oneWayNs * 1e-9);
        points.append({quint64(startHz + f), float(s.real()), float(s.imag())});
    }
    return points;
}

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
    void limits_data()
    {
        QTest::addColumn<double>("startHz");
        QTest::addColumn<double>("stopHz");
        QTest::addColumn<quint32>("points");
        QTest::addColumn<double>("maxNs");
        QTest::addColumn<double>("minNs");
        QTest::newRow("201 points") << 1e6 << 101e6 << 201u << 1005.0 << 502.5;
        QTest::newRow("padded to 512") << 1e6 << 101e6 << 257u << 1285.0 << 321.25;
        // 1000 / (2 * 2.999e9) s = 166.722... ns, floored to 166.72; 166.72 * 128 / 1024 = 20.84.
        QTest::newRow("1000 points") << 1e6 << 3e9 << 1000u << 166.72 << 20.84;
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
        checkWindow(c, 0.0, maxNs);
    }

    // MAX 1005, MIN 502.5 throughout; the window starts at the full range 0 .. 1005.
    void setters_data()
    {
        QTest::addColumn<QString>("setter");
        QTest::addColumn<double>("before"); // a setSpan applied first, to leave the full window
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("stop");
        QTest::newRow("start clamped to MAX-MIN") << "start" << 1005.0 << 900.0 << 502.5 << 1005.0;
        QTest::newRow("start keeps stop") << "start" << 1005.0 << 400.0 << 400.0 << 1005.0;
        QTest::newRow("stop keeps start") << "stop" << 502.5 << 800.0 << 251.25 << 800.0;
        QTest::newRow("span below MIN") << "span" << 1005.0 << 1.0 << 251.25 << 753.75;
    }

    void setters()
    {
        QFETCH(QString, setter);
        QFETCH(double, before);
        QFETCH(double, value);
        TDTFConfig c;
        DTFTransform::updateLimits(c, 1e6, 101e6, 201);
        DTFTransform::resetWindow(c);
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
        checkWindow(c, start, stop);
    }

    void faultPeaksAtItsDistance_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("oneWayNs");
        QTest::addColumn<double>("velocityFactor");
        QTest::newRow("201 points, 200 ns") << 201 << 200.0 << 1.0;
        QTest::newRow("1000 points, 80 ns") << 1000 << 80.0 << 0.66;
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
};

QTEST_GUILESS_MAIN(tst_DTFTransform)
#include "tst_DTFTransform.moc"
