#include <QtTest>

#include <cmath>

#include "TestSupport.h"
#include "charts/DataMarkProcessor.h"
#include "charts/DataScanProcessor.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "measurement/DataScanManager.h"

using namespace ZChart;
using ZData::TScanPoint;
using ZData::TScanPoints;

Q_DECLARE_METATYPE(ZChart::EMarkType)

namespace {

TScanPoint point(float re, float im, quint64 f = 100000000)
{
    TScanPoint p;
    p.frequency = f;
    p.re = re;
    p.im = im;
    return p;
}

} // namespace

// Per-point conversions and marker readouts, with the view supplying chart type, records and axis.
class tst_ChartProcessing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ZCore::initResources();
        QVERIFY(ZCore::LocalizationManager::init());
        QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
        ZData::DataScanManager::sweep().setDeviceRange(1e6, 6.2e9);
        TestSupport::setSweep(1e6, 101e6, 201);
    }

    void conversions_data()
    {
        QTest::addColumn<float>("re");
        QTest::addColumn<float>("im");
        QTest::addColumn<EChartType>("type");
        QTest::addColumn<double>("yMin");
        QTest::addColumn<double>("yMax");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        const double f = 1e8;
        QTest::newRow("0.5 log mag") << 0.5f << 0.0f << EChartType::LOG_MAG << -95.0 << 5.0 << f << -6.0206;
        QTest::newRow("0.5 lin mag") << 0.5f << 0.0f << EChartType::LIN_MAG << 0.0 << 1.0 << f << 0.5;
        QTest::newRow("0.5 swr") << 0.5f << 0.0f << EChartType::SWR << 1.0 << 100.0 << f << 3.0;
        QTest::newRow("0.5 phase") << 0.5f << 0.0f << EChartType::PHASE << -180.0 << 180.0 << f << 0.0;
        QTest::newRow("0.5 loss") << 0.5f << 0.0f << EChartType::LOSS << -1.0 << 0.0 << f << -3.0103;
        QTest::newRow("0.5 smith") << 0.5f << 0.0f << EChartType::SMITH << -1.0 << 1.0 << 0.5 << 0.0;
        QTest::newRow("1.2j smith radius limited")
            << 0.0f << 1.2f << EChartType::POLAR << -1.0 << 1.0 << 0.0 << 1.0;
        QTest::newRow("1.2j swr above cut-off")
            << 0.0f << 1.2f << EChartType::SWR << 1.0 << 100.0 << f << 5.0;
        QTest::newRow("1.2j phase") << 0.0f << 1.2f << EChartType::PHASE << -180.0 << 180.0 << f << 90.0;
        QTest::newRow("0.83 swr at cut-off")
            << 0.83f << 0.0f << EChartType::SWR << 1.0 << 100.0 << f << 10.7647;
        QTest::newRow("0.8301 swr above") << 0.8301f << 0.0f << EChartType::SWR << 1.0 << 100.0 << f << 5.0;
        QTest::newRow("0 swr") << 0.0f << 0.0f << EChartType::SWR << 1.0 << 5.0 << f << 1.0;
        QTest::newRow("0 smith") << 0.0f << 0.0f << EChartType::SMITH << -1.0 << 1.0 << 0.0 << 0.0;
        // A perfect match is drawn at the bottom of the axis, not at 0 dB (total reflection).
        QTest::newRow("0 log mag at bottom")
            << 0.0f << 0.0f << EChartType::LOG_MAG << -95.0 << 5.0 << f << -95.0;
        QTest::newRow("0 loss at bottom") << 0.0f << 0.0f << EChartType::LOSS << -4.0 << 0.0 << f << -4.0;
        QTest::newRow("-120 dB clamped")
            << 1e-6f << 0.0f << EChartType::LOG_MAG << -95.0 << 5.0 << f << -95.0;
        QTest::newRow("swr clamped to top") << 0.0f << 0.8f << EChartType::SWR << 1.0 << 5.0 << f << 5.0;
    }

    void conversions()
    {
        QFETCH(float, re);
        QFETCH(float, im);
        QFETCH(EChartType, type);
        QFETCH(double, yMin);
        QFETCH(double, yMax);
        QFETCH(double, x);
        QFETCH(double, y);
        ZChartView view;
        view.scanProcessor()->setVerticalRange(yMin, yMax);
        const QPointF p = view.scanProcessor()->convertPoint(point(re, im), type);
        QVERIFY2(std::abs(p.x() - x) < 1e-4, qPrintable(QString::number(p.x())));
        QVERIFY2(std::abs(p.y() - y) < 1e-4, qPrintable(QString::number(p.y(), 'g', 10)));
    }

    void lossPerMetreAndVectorPaths()
    {
        ZChartView view;
        TLossConfig loss = view.config()->lossConfig();
        loss.domain = ELossType::DB_PER_M;
        loss.cable_length = 2.0;
        view.config()->setLossConfig(loss, false);
        view.scanProcessor()->setVerticalRange(-10, 0);
        QCOMPARE(qRound(view.scanProcessor()->convertPoint(point(0.5f, 0), EChartType::LOSS).y() * 1e5),
                 -150515);

        // A type without a conversion leaves the caller's points as they were.
        TScanPoints points{point(0.5f, 0, 1000000), point(0.5f, 0, 1000000)};
        QVector<QPointF> out(2);
        view.scanProcessor()->convert(points, out, EChartType::UNSET);
        QCOMPARE(out, QVector<QPointF>(2));

        view.scanProcessor()->convert(points, out, EChartType::PHASE);
        DataScanProcessor::scaleFrequencies(out, EChartType::PHASE, true);
        QCOMPARE(out[0].x(), 1.0);
        QVERIFY(out[1].x() > out[0].x());
        QVERIFY(std::abs(out[1].x() - out[0].x() - 1e-9) < 1e-12);

        QCOMPARE(DataScanProcessor::minMaxIndices({}), qMakePair(0, 0));
        // Ties: earliest minimum, latest maximum.
        QCOMPARE(DataScanProcessor::minMaxIndices({{0, 1}, {1, 0}, {2, 3}, {3, 0}, {4, 3}}), qMakePair(1, 4));
    }

    void dtfOnTraceLeavesItsPoints()
    {
        ZChartView view;
        view.config()->applyDTFLimits(1e6, 101e6, 201);
        TTraceCache cache;
        for (int i = 0; i < 201; ++i)
            cache.points.append(
                point(0.5f * std::cos(0.3f * i), 0.5f * std::sin(0.3f * i), 1000000 + 500000 * i));
        const TScanPoints before = cache.points;
        const QVector<QPointF>& dtf = view.scanProcessor()->traceSeries(cache, EChartType::DTF);
        QCOMPARE(dtf.size(), 256);
        QCOMPARE(cache.points.size(), before.size());
        for (int i = 0; i < before.size(); ++i)
            QVERIFY(cache.points[i].re == before[i].re && cache.points[i].frequency == before[i].frequency);
        // Cached: the second request hands out the same conversion.
        QCOMPARE(&view.scanProcessor()->traceSeries(cache, EChartType::DTF), &dtf);
    }

    void readouts_data()
    {
        QTest::addColumn<EChartType>("chart");
        QTest::addColumn<EMarkType>("type");
        QTest::addColumn<float>("re");
        QTest::addColumn<float>("im");
        QTest::addColumn<QString>("text");
        const QString nl = QStringLiteral("\n");
        QTest::newRow("matched impedance")
            << EChartType::SMITH << EMarkType::IMPED << 0.0f << 0.0f
            << "R:         50.00 Ohm\nX:          0.00 Ohm\nC:              Inf.";
        QTest::newRow("matched admittance")
            << EChartType::SMITH << EMarkType::ADMIT << 0.0f << 0.0f
            << "G:          20.00 mS\nB:           0.00 mS\nL:              Inf.";
        QTest::newRow("0.6j inductance")
            << EChartType::SMITH << EMarkType::IMPED << 0.0f << 0.6f
            << "R:         23.53 Ohm\nX:         44.12 Ohm\nL:          70.22 nH";
        // Next to the circle's edge the values are beyond what a readout can show meaningfully.
        QTest::newRow("open beyond the limits")
            << EChartType::SMITH << EMarkType::IMPED << 0.999f << 0.0f
            << "R:              Inf.\nX:          0.00 Ohm\nC:              Inf.";
        QTest::newRow("short beyond the limits")
            << EChartType::SMITH << EMarkType::ADMIT << -0.999f << 0.0f
            << "G:              Inf.\nB:           0.00 mS\nL:              Inf.";
        QTest::newRow("within the limits")
            << EChartType::SMITH << EMarkType::IMPED << 0.98f << 0.0f
            << "R:       4950.00 Ohm\nX:          0.00 Ohm\nC:              Inf.";
        QTest::newRow("matched log mag") << EChartType::LOG_MAG << EMarkType::LMAG << 0.0f << 0.0f
                                         << "LMg:           -Inf.\nPh:           0.00 °";
        QTest::newRow("matched swr") << EChartType::SWR << EMarkType::SWR << 0.0f << 0.0f
                                     << "SWR:            1.00";
        QTest::newRow("0.5 swr") << EChartType::SWR << EMarkType::SWR << 0.5f << 0.0f
                                 << "SWR:            3.00";
        QTest::newRow("0.9 swr") << EChartType::SWR << EMarkType::SWR << 0.9f << 0.0f
                                 << "SWR:            Inf.";
        QTest::newRow("1.0 swr") << EChartType::SWR << EMarkType::SWR << 1.0f << 0.0f
                                 << "SWR:            Inf.";
        // Beyond total reflection the formula turns negative: still no finite SWR.
        QTest::newRow("1.5 swr") << EChartType::SWR << EMarkType::SWR << 1.5f << 0.0f
                                 << "SWR:            Inf.";
        QTest::newRow("mag") << EChartType::LIN_MAG << EMarkType::MAG << 0.5f << 0.0f
                             << "Mg:          0.50 mV\nPh:           0.00 °";
        QTest::newRow("trace on phase is lmag") << EChartType::PHASE << EMarkType::TRACE << 0.5f << 0.0f
                                                << "LMg:        -6.02 dB\nPh:           0.00 °";
        QTest::newRow("trace on smith is imped")
            << EChartType::SMITH << EMarkType::TRACE << 0.0f << 0.0f
            << "R:         50.00 Ohm\nX:          0.00 Ohm\nC:              Inf.";
        QTest::newRow("re im") << EChartType::POLAR << EMarkType::RE_IM << 0.12f << -0.1f
                               << "Re:        120.00 mV\nIm:       -100.00 mV";
    }

    void readouts()
    {
        QFETCH(EChartType, chart);
        QFETCH(EMarkType, type);
        QFETCH(float, re);
        QFETCH(float, im);
        QFETCH(QString, text);
        ZChartView view;
        view.setChartType(chart);
        const DataMarkProcessor* m = view.markProcessor();
        const TScanPoint p = point(re, im);
        const QString shown = m->text(type, m->values(type, p), p, QPointF(100, 0), false);
        QCOMPARE(shown, text);
        for (const QString& line : shown.split('\n'))
            QCOMPARE(line.size(), 20);
        QVERIFY(!shown.contains("inf") && !shown.contains("nan"));
    }

    void readoutEdges()
    {
        ZChartView view;
        view.setChartType(EChartType::SMITH);
        const DataMarkProcessor* m = view.markProcessor();
        // Delta: 120 mV against 100 mV.
        const auto delta = m->deltaValues(EMarkType::RE_IM, point(0.12f, 0), point(0.1f, 0));
        QCOMPARE(m->text(EMarkType::RE_IM, delta, point(0, 0), {}, true).section('\n', 0, 0),
                 QString("Re:        +20.00 mV"));
        // No reference: no values and no chart point.
        QCOMPARE(m->text(EMarkType::RE_IM, {}, point(0, 0), QPointF(DataMarkProcessor::NO_POINT_X, 0), true),
                 QString("No data."));
        // No scan point at all.
        TScanPoint none;
        none.frequency = DataMarkProcessor::NO_FREQUENCY;
        QVERIFY(m->values(EMarkType::IMPED, none).isEmpty());
        QCOMPARE(m->text(EMarkType::IMPED, {1, 2, 3}, none, {}, false), QString("No data."));
        // 6.2 GHz: a 32-bit frequency would wrap; 0.6j there is 44.12 Ohm -> 1.13 nH.
        const TScanPoint high = point(0.0f, 0.6f, 6200000000ull);
        QVERIFY(m->text(EMarkType::IMPED, m->values(EMarkType::IMPED, high), high, {}, false)
                    .endsWith("1.13 nH"));
        // Lists of different length never subtract.
        QVERIFY(m->deltaValues(EMarkType::DTF_POINT, point(0, 0), point(0, 0)).isEmpty());
        QCOMPARE(DataMarkProcessor::number(std::nan(""), false), QString("Inf."));
    }
};

QTEST_MAIN(tst_ChartProcessing)
#include "tst_ChartProcessing.moc"
