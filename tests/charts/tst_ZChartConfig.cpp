#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "TestSupport.h"
#include "charts/DTFTransform.h"
#include "charts/ZChartConfig.h"

using namespace ZChart;


class tst_ZChartConfig : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QSettings* settings(const QString& name)
    {
        auto* s = new QSettings(m_dir.filePath(name + ".ini"), QSettings::IniFormat, this);
        s->clear();
        return s;
    }

private slots:
    void initTestCase()
    {
        TestSupport::setSweep(1e6, 101e6, 201);
    }

    void settersAnnounceTheirOwnType()
    {
        ZChartConfig c;
        c.setChartType(EChartType::SWR);
        QSignalSpy spy(&c, &ZChartConfig::signalConfigChanged);
        TSWRConfig smith = c.smithConfig();
        smith.is_enabled = true;
        c.setSmithConfig(smith, false);
        QCOMPARE(spy.count(), 0);
        QVERIFY(c.smithConfig().is_enabled);
        c.setSmithConfig(smith, true);
        c.setLinConfig(c.linConfig(), true);
        c.setDTFConfig(c.dtfConfig(), true);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy[0][0].value<EChartType>(), EChartType::SMITH);
        QCOMPARE(spy[1][0].value<EChartType>(), EChartType::LIN_MAG);
        QCOMPARE(spy[2][0].value<EChartType>(), EChartType::DTF);
    }

    // An empty profile gives the defaults; a window left by another range is pulled inside this one.
    void restoreFromEmptyGroup()
    {
        ZChartConfig c;
        c.setChartType(EChartType::LOG_MAG);
        TDTFConfig dtf = c.dtfConfig();
        dtf.domain = dtf.view_domain = EDTFDomain::DISTANCE;
        c.setDTFConfig(dtf, false);
        QSignalSpy spy(&c, &ZChartConfig::signalConfigChanged);
        c.restoreSettings(settings("empty"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].value<EChartType>(), EChartType::LOG_MAG);
        QCOMPARE(c.dtfConfig().domain, EDTFDomain::TIME);
        // Pulled inside the 1005 ns of the current scan range, at least the 502.5 ns minimum span.
        QCOMPARE(c.dtfConfig().start, 0.0);
        QCOMPARE(c.dtfConfig().span, 502.5);
        QCOMPARE(c.logConfig().grid_step, 20u);
        QCOMPARE(c.dtfConfig().velocity_factor, 1.0);
        QCOMPARE(c.lossConfig().domain, ELossType::DB);
        QCOMPARE(c.lossConfig().cable_length, 1.0);
        for (const TSWRConfig& limit : {c.smithConfig(), c.polarConfig(), c.swrConfig()})
            QVERIFY(!limit.is_enabled);
    }

    void roundTrip()
    {
        ZChartConfig a;
        TGridConfig log = a.logConfig();
        log.grid_step = 10;
        a.setLogConfig(log, false);
        a.refreshDTFLimits();
        TDTFConfig dtf = a.dtfConfig();
        DTFTransform::setDomain(dtf, EDTFDomain::DISTANCE);
        DTFTransform::setVelocityFactor(dtf, 0.66);
        DTFTransform::setSpan(dtf, 150.0); // metres
        a.setDTFConfig(dtf, false);
        QSettings* s = settings("round");
        a.saveSettings(s);
        ZChartConfig b;
        b.restoreSettings(s);
        QCOMPARE(b.logConfig().grid_step, 10u);
        QCOMPARE(b.dtfConfig().domain, EDTFDomain::DISTANCE);
        QCOMPARE(b.dtfConfig().view_domain, EDTFDomain::DISTANCE);
        QCOMPARE(b.dtfConfig().velocity_factor, 0.66);
        QVERIFY(qAbs(b.dtfConfig().span - a.dtfConfig().span) < 1e-9);
    }

    // A damaged profile keeps the current values instead of producing divisions by zero.
    void badStoredValues_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("cable 0") << "LOSS"
                                 << "cable_length" << QVariant(0.0);
        QTest::newRow("cable negative") << "LOSS"
                                        << "cable_length" << QVariant(-3.0);
        QTest::newRow("loss type 7") << "LOSS"
                                     << "domain" << QVariant(7);
        QTest::newRow("vf 0") << "DTF"
                              << "velocity_factor" << QVariant(0.0);
        QTest::newRow("vf above 1") << "DTF"
                                    << "velocity_factor" << QVariant(1.5);
        QTest::newRow("vf text") << "DTF"
                                 << "velocity_factor" << QVariant("fast");
        QTest::newRow("grid 0") << "LOG"
                                << "grid_step" << QVariant(0);
        QTest::newRow("dtf domain 2") << "DTF"
                                      << "domain" << QVariant(2);
    }

    void badStoredValues()
    {
        QFETCH(QString, group);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        ZChartConfig c;
        TDTFConfig dtf = c.dtfConfig();
        DTFTransform::setDomain(dtf, EDTFDomain::DISTANCE);
        DTFTransform::setVelocityFactor(dtf, 0.7);
        c.setDTFConfig(dtf, false);
        QSettings* s = settings("bad");
        s->setValue(group + "/" + key, value);
        c.restoreSettings(s);
        QCOMPARE(c.lossConfig().cable_length, 1.0);
        QCOMPARE(c.lossConfig().domain, ELossType::DB);
        QCOMPARE(c.dtfConfig().velocity_factor, 0.7);
        QCOMPARE(c.logConfig().grid_step, 20u);
        if (key == "domain" && group == "DTF")
            QCOMPARE(c.dtfConfig().domain, EDTFDomain::DISTANCE);
    }
};

QTEST_MAIN(tst_ZChartConfig)
#include "tst_ZChartConfig.moc"
