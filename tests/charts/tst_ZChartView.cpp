#include <QGraphicsEllipseItem>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ChartAxesTransformer.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartScanRangeInfo.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "core/SettingsManager.h"
#include "measurement/DataScanManager.h"
#include "measurement/TouchstoneFile.h"

using namespace ZChart;
using ZData::DataScanManager;
using ZData::TScanPoints;

namespace {

int s_criticals = 0;
QtMessageHandler s_previous = nullptr;

void countCriticals(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtCriticalMsg)
        ++s_criticals;
    else
        s_previous(type, context, text);
}

TScanPoints sweep(int n, double start, double stop, float re = 0.5f)
{
    TScanPoints points(n);
    for (int i = 0; i < n; ++i)
        points[i] = {quint64(start + (stop - start) * i / (n - 1)), re, 0.0f};
    return points;
}

void setSweep(double start, double stop, quint32 points)
{
    auto& s = DataScanManager::sweep();
    s.setStart(start, false);
    s.setStop(stop, false);
    s.setPoints(points, true);
}

} // namespace

class tst_ZChartView : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;

private slots:
    void initTestCase()
    {
        m_dir = std::make_unique<TestSupport::ScopedAppDir>();
        ZCore::initResources();
        QVERIFY(ZCore::LocalizationManager::init());
        QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
        QVERIFY(ZCore::SettingsManager::init());
        QVERIFY(DataScanManager::init());
        setSweep(100e6, 200e6, 201);
    }

    void init() { ZChartView::setRefreshInterval(0); }

    void axes_data()
    {
        QTest::addColumn<EChartType>("type");
        QTest::addColumn<int>("gridStep");
        QTest::addColumn<double>("yMin");
        QTest::addColumn<double>("yMax");
        QTest::addColumn<QString>("yTitle");
        QTest::newRow("log mag") << EChartType::LOG_MAG << 0 << -95.0 << 5.0 << "Level (dB)";
        QTest::newRow("log mag step 10") << EChartType::LOG_MAG << 10 << -45.0 << 5.0 << "Level (dB)";
        QTest::newRow("lin mag") << EChartType::LIN_MAG << 0 << 0.0 << 1.0 << "Voltage (mV)";
        QTest::newRow("lin mag step 100") << EChartType::LIN_MAG << 100 << 0.5 << 1.0 << "Voltage (mV)";
        QTest::newRow("phase") << EChartType::PHASE << 0 << -180.0 << 180.0 << QString::fromUtf8("Angle (°)");
        QTest::newRow("swr") << EChartType::SWR << 0 << 1.0 << 5.0 << "SWR";
        QTest::newRow("dtf") << EChartType::DTF << 0 << -95.0 << 5.0 << "Level (dB)";
        QTest::newRow("loss") << EChartType::LOSS << 0 << -1.0 << 0.0 << "Level (dB)";
    }

    void axes()
    {
        QFETCH(EChartType, type);
        QFETCH(int, gridStep);
        ZChartView view;
        if (gridStep) {
            TGridConfig grid =
                type == EChartType::LOG_MAG ? view.config()->logConfig() : view.config()->linConfig();
            grid.grid_step = quint32(gridStep);
            if (type == EChartType::LOG_MAG)
                view.config()->setLogConfig(grid, false);
            else
                view.config()->setLinConfig(grid, false);
        }
        view.setChartType(type);
        QTEST(view.axisY()->min(), "yMin");
        QTEST(view.axisY()->max(), "yMax");
        QTEST(view.axisY()->titleText(), "yTitle");
        if (type == EChartType::DTF) {
            QCOMPARE(view.axisX()->titleText(), QString("Time (ns)"));
            return;
        }
        QCOMPARE(view.axisX()->titleText(), QString("Frequency (MHz)"));
        QCOMPARE(view.axisX()->min(), 100.0);
        QCOMPARE(view.axisX()->max(), 200.0 + 201 * 1e-9);
    }

    void lossAutoRange_data()
    {
        QTest::addColumn<float>("lowRe");
        QTest::addColumn<float>("highRe");
        QTest::addColumn<double>("yMin");
        QTest::addColumn<double>("yMax");
        // 10 log10 r: r = 10^(-0.05) gives -0.5 dB everywhere.
        QTest::newRow("flat") << std::pow(10.0f, -0.05f) << std::pow(10.0f, -0.05f) << -1.0 << 0.0;
        QTest::newRow("-2.5 .. -0.1") << std::pow(10.0f, -0.25f) << std::pow(10.0f, -0.01f) << -2.5 << 0.0;
    }

    void lossAutoRange()
    {
        QFETCH(float, lowRe);
        QFETCH(float, highRe);
        ZChartView view;
        view.setChartType(EChartType::LOSS);
        TScanPoints points = sweep(201, 100e6, 200e6, lowRe);
        points[100].re = highRe;
        view.refreshFrom(points);
        QFETCH(double, yMin);
        QFETCH(double, yMax);
        QVERIFY(std::abs(view.axisY()->min() - yMin) < 1e-4);
        QCOMPARE(view.axisY()->max(), yMax);
    }

    void scanRangeInfoLines()
    {
        ZChartView view;
        const QStringList lines = view.scanRangeInfo()->text().split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QString("Start:    100.00 MHz"));
        QCOMPARE(lines[1], QString("Stop:     200.00 MHz"));
        QCOMPARE(lines[2], QString("Points:      201    "));
        // The calibration in use goes with the range; nothing has been calibrated here.
        QCOMPARE(lines[3], QString("Cal: none"));
        QCOMPARE(view.scanRangeInfo()->type(), int(QGraphicsItem::UserType + 2));
        setSweep(50e6, 60e6, 11);
        QCOMPARE(view.scanRangeInfo()->text().section('\n', 1, 1), QString("Stop:      60.00 MHz"));
        setSweep(100e6, 200e6, 201);
    }

    void imageExport_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("png") << "view.png";
        QTest::newRow("svg") << "view.SVG";
    }

    void imageExport()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        ZChartView view;
        view.resize(420, 300);
        view.setChartType(EChartType::SMITH);
        view.refreshFrom(sweep(201, 100e6, 200e6));
        const QString path = dir.filePath(name);
        QString error;
        QVERIFY2(view.saveImage(path, &error), qPrintable(error));
        QImageReader reader(path);
        QVERIFY(reader.canRead());
        QCOMPARE(reader.size(), QSize(420, 300));
        QVERIFY(!reader.read().isNull());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{name});
    }

    void imageExportFailures()
    {
        QTemporaryDir dir;
        ZChartView view;
        view.setChartType(EChartType::SWR);
        QString error;
        QVERIFY(!view.saveImage(dir.filePath("view.bmp"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!view.saveImage(dir.filePath("missing/view.png"), &error));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool writable = QFileInfo(dir.path()).isWritable();
        if (!writable)
            QVERIFY(!view.saveImage(dir.filePath("view.png"), &error));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void announcementsAreMerged()
    {
        ZChartView::setRefreshInterval(400); // a long frame, so the checks below have ample margin
        ZChartView view;
        view.setChartType(EChartType::LOG_MAG);
        view.refreshFrom(sweep(201, 100e6, 200e6));
        view.setActive(true);
        const quint64 before = view.refreshCount();
        for (int i = 0; i < 5; ++i)
            emit DataScanManager::instance().signalProcessedScanData(126);
        QCOMPARE(view.refreshCount(), before); // never inside the announcement
        QTRY_COMPARE(view.refreshCount(), before + 1);
        for (int i = 0; i < 5; ++i)
            emit DataScanManager::instance().signalProcessedScanData(126);
        QTest::qWait(20);
        QCOMPARE(view.refreshCount(), before + 1); // not before the frame is over
        QTRY_COMPARE_WITH_TIMEOUT(view.refreshCount(), before + 2, 2000);
        QTest::qWait(500);
        QCOMPARE(view.refreshCount(), before + 2);
    }

    void calibrationDoesNotStackConnections()
    {
        ZChartView view;
        view.setChartType(EChartType::SWR);
        view.refreshFrom(sweep(201, 100e6, 200e6));
        view.setActive(true);
        auto& cal = ZData::CalibrationManager::instance();
        for (int i = 0; i < 3; ++i)
            emit cal.signalFinishedCalibration();
        const quint64 before = view.refreshCount();
        emit DataScanManager::instance().signalProcessedScanData(126);
        QCOMPARE(view.refreshCount(), before + 1);
        emit cal.signalStartedCalibration();
        emit DataScanManager::instance().signalProcessedScanData(126);
        QCOMPARE(view.refreshCount(), before + 1);
        view.setActive(false);
        emit cal.signalFinishedCalibration(); // an inactive view stays off the live data
        emit DataScanManager::instance().signalProcessedScanData(126);
        QCOMPARE(view.refreshCount(), before + 1);
    }

    void missingChartTypeReportedOnce()
    {
        ZChartView view;
        view.setActive(true);
        s_criticals = 0;
        s_previous = qInstallMessageHandler(countCriticals);
        for (int i = 0; i < 4; ++i)
            emit DataScanManager::instance().signalProcessedScanData(126);
        qInstallMessageHandler(s_previous);
        QCOMPARE(s_criticals, 1);
        QCOMPARE(view.refreshCount(), quint64(0));
    }

    void restoreChartType_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<EChartType>("type");
        QTest::newRow("log mag") << QVariant(4) << EChartType::LOG_MAG;
        QTest::newRow("loss") << QVariant(7) << EChartType::LOSS;
        QTest::newRow("8 is no type") << QVariant(8) << EChartType::SWR;
        QTest::newRow("unset") << QVariant(0xFFFF) << EChartType::SWR;
        QTest::newRow("text") << QVariant("smith") << EChartType::SWR;
    }

    void restoreChartType()
    {
        QFETCH(QVariant, stored);
        QTemporaryDir dir;
        QSettings s(dir.filePath("view.ini"), QSettings::IniFormat);
        s.setValue("type", stored);
        ZChartView view;
        view.setChartType(EChartType::SWR);
        view.restoreSettings(&s);
        QTEST(view.chartType(), "type");
    }

    void settingsRoundTrip()
    {
        QTemporaryDir dir;
        QSettings s(dir.filePath("view.ini"), QSettings::IniFormat);
        {
            ZChartView view;
            view.setChartType(EChartType::PHASE);
            view.refreshFrom(sweep(201, 100e6, 200e6));
            QVERIFY(view.addMark(150.0));
            view.saveSettings(&s);
        }
        QCOMPARE(s.value("type").toUInt(), 2u);
        QCOMPARE(s.value("marks/1/freq").toDouble(), 150e6);
        ZChartView view;
        view.restoreSettings(&s);
        QCOMPARE(view.chartType(), EChartType::PHASE);
        view.saveSettings(nullptr); // logged, nothing else
    }

    void limitCircle_data()
    {
        QTest::addColumn<double>("limit");
        QTest::addColumn<double>("gamma");
        QTest::newRow("swr 3") << 3.0 << 0.5;
        QTest::newRow("swr 1 uses the floor") << 1.0 << 0.01;
        QTest::newRow("below 1 uses the floor") << 0.5 << 0.01;
    }

    void limitCircle()
    {
        QFETCH(double, limit);
        QFETCH(double, gamma);
        ZChartView view;
        view.resize(300, 240);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.config()->setSmithConfig({QStringLiteral("SMITH"), limit, true}, false);
        view.setChartType(EChartType::SMITH);
        QTRY_VERIFY(view.limitCircle()->isVisible());
        const QRectF plot = view.chart()->plotArea();
        const double side = std::min(plot.width(), plot.height());
        const double d = view.limitCircle()->rect().width();
        QVERIFY(d >= 0.0);
        QCOMPARE(d, std::max(0.0, side * gamma - 4.0));
        QCOMPARE(view.limitCircle()->rect().center(), plot.center());
        QVERIFY(view.smithExtent().first >= 1.0 && view.smithExtent().second >= 1.0);
    }

    void dtfWithoutBinWidth()
    {
        ZChartView view;
        view.setChartType(EChartType::DTF);
        view.refreshFrom(sweep(201, 100e6, 200e6));
        const double min = view.axisX()->min(), max = view.axisX()->max();
        TDTFConfig dtf = view.config()->dtfConfig();
        dtf.domain = dtf.view_domain = EDTFDomain::DISTANCE;
        dtf.velocity_factor = 0.0;
        view.config()->setDTFConfig(dtf, true);
        QCOMPARE(view.axisX()->min(), min);
        QCOMPARE(view.axisX()->max(), max);
        QVERIFY(view.addMark(3.0));
        QVERIFY(view.marksTable()->setMarkType(0, EMarkType::DTF_PEAK));
        QCOMPARE(view.marksTable()->mark(0)->data().dtf_index, 0);
    }

    // The transform covers the points it is given: the 1000-point interpolated grid, not the sweep's
    // 201 points; and a silent sweep is drawn at the bottom of the axis, not at 0 dB.
    void dtfLimitsFollowTransformedPoints()
    {
        ZChartView view;
        view.setChartType(EChartType::DTF);
        view.slotRangeUpdated();
        view.refreshFrom(sweep(201, 100e6, 200e6));
        QCOMPARE(qRound64(view.config()->dtfConfig().max_time * 1e11), qRound64(201 / (2 * 100e6) * 1e11));
        TScanPoints grid = sweep(1000, 100e6, 200e6, 0.0f);
        view.refreshFrom(grid);
        QCOMPARE(qRound64(view.config()->dtfConfig().max_time * 1e11), qRound64(1000 / (2 * 100e6) * 1e11));
        QCOMPARE(view.livePoints().size(), 1024);
        for (const QPointF& p : view.livePoints())
            QCOMPARE(p.y(), -95.0);
        QVERIFY(view.config()->dtfConfig().stop <= view.config()->dtfConfig().max_time * 1e9 + 1e-9);
    }

    void traces()
    {
        QTemporaryDir dir;
        ZChartView view;
        view.setChartType(EChartType::LOG_MAG);
        QSignalSpy created(&view, &ZChartView::signalCreatedTraceSeries);
        for (int i = 0; i < 3; ++i) {
            const QString path = dir.filePath(QString("t%1.s1p").arg(i));
            QVERIFY(ZData::TouchstoneFile::write(path, sweep(11, 100e6, 200e6, 0.1f * (i + 1))));
            QVERIFY(DataScanManager::loadTouchstoneTrace(path, i));
        }
        QCOMPARE(created.count(), 3);
        QCOMPARE(view.traceSeries().size(), 3);
        // Trace series convert without the live offsets: x is the plain MHz value.
        QCOMPARE(view.traceSeries()[0]->at(10).x(), 200.0);
        QCOMPARE(view.traceSeries()[2]->color(), ZChartView::paletteColor(3));
        QtCharts::QLineSeries* formerSecond = view.traceSeries()[1];
        DataScanManager::removeTrace(0);
        QCOMPARE(view.traceSeries().size(), 2);
        QCOMPARE(view.traceSeries()[0], formerSecond);
        QCOMPARE(view.traceSeries()[0]->color(), ZChartView::paletteColor(1));
        QCOMPARE(view.traceSeries()[1]->color(), ZChartView::paletteColor(2));

        // Visibility from the profile: more stored entries than series, the extra ones are not applied.
        QSettings* s = ZCore::SettingsManager::settings();
        view.setCorner(EChartArrangeCorners::BR);
        s->beginGroup("Charts.BR");
        s->beginWriteArray("traces", 5);
        for (int i = 0; i < 5; ++i) {
            s->setArrayIndex(i);
            s->setValue("visible", i % 2 == 1);
        }
        s->endArray();
        s->endGroup();
        QSignalSpy visibility(&view, &ZChartView::signalTraceSeriesChangedVisibility);
        view.setActive(true);
        emit ZCore::SettingsManager::instance().signalGotSettings();
        QTest::qWait(350);
        view.refreshFrom(sweep(201, 100e6, 200e6));
        emit DataScanManager::instance().signalProcessedScanData(126);
        QCOMPARE(visibility.count(), 2);
        QVERIFY(!view.isTraceSeriesVisible(0));
        QVERIFY(view.isTraceSeriesVisible(1));
        QVERIFY(!view.isTraceSeriesVisible(7));
        DataScanManager::clearTraces();
        QVERIFY(view.traceSeries().isEmpty());
    }
};

QTEST_MAIN(tst_ZChartView)
#include "tst_ZChartView.moc"
