#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <memory>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ChartScanFeed.h"
#include "charts/DTFTransform.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"

using namespace ZData;
using namespace ZChart;

namespace {

constexpr int TIMEOUT_MS = 30000;

// Two sweeps completed from now on, then a refresh of every view drawn after them.
template <typename Views>
bool waitForFreshSweeps(const Views& views)
{
    const quint64 target = DataScanManager::completedSweeps() + 2;
    if (!QTest::qWaitFor([&] { return DataScanManager::completedSweeps() >= target; }, TIMEOUT_MS))
        return false;
    for (const auto& view : views) {
        const quint64 refreshed = view->refreshCount();
        if (!QTest::qWaitFor([&] { return view->refreshCount() > refreshed; }, TIMEOUT_MS))
            return false;
    }
    return true;
}

// Largest distance of the view's live points from the expected y (or plane point).
double worstY(const ZChartView& view, double expected)
{
    double worst = 0;
    for (const QPointF& p : view.livePoints())
        worst = std::max(worst, std::abs(p.y() - expected));
    return worst;
}

} // namespace

// The views against the real emulator through the real serial stack, refreshed from live corrected
// data at the normal frame-limited rate.
class tst_ChartsEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ZCore::initResources();
        const QStringList failed = TestSupport::initManagersButLogger();
        QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));
        QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));

        QVERIFY(m_emulator.start({"--dut", "r=100"}));
        QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
        TSerialPortConfig cfg;
        cfg.portName = m_emulator.portPath();
        DM::SerialPort::setConfig(cfg);
        QVERIFY(DM::SerialPort::open(true));
        QVERIFY(finished.count() > 0 || finished.wait(TIMEOUT_MS));
    }

    void cleanupTestCase() { DM::SerialPort::close(true); }

    void liveViews()
    {
        const EChartType types[] = {EChartType::LOG_MAG, EChartType::SWR, EChartType::SMITH,
                                    EChartType::PHASE};
        std::vector<std::unique_ptr<ZChartView>> views;
        for (int i = 0; i < 4; ++i) {
            views.push_back(std::make_unique<ZChartView>());
            ZChartView& view = *views.back();
            view.setCorner(EChartArrangeCorners(i));
            view.resize(640, 480);
            view.show();
            view.setChartType(types[i]);
            view.setActive(true);
        }
        QVERIFY(QTest::qWaitForWindowExposed(views[0].get()));
        // The sweep the calibration set up: its points are the frequencies the factory measured.
        QVERIFY(waitForFreshSweeps(views));
        const int points = int(DataScanManager::sweep().points());
        QVERIFY(points > 100);

        // 100 ohm on 50 ohm: |Γ| = 1/3.
        ZChartView& logMag = *views[0];
        QCOMPARE(logMag.livePoints().size(), points);
        QVERIFY2(worstY(logMag, -9.542) < 0.05, qPrintable(QString::number(worstY(logMag, -9.542))));
        QVERIFY2(worstY(*views[1], 2.0) < 0.01, qPrintable(QString::number(worstY(*views[1], 2.0))));
        double plane = 0;
        for (const QPointF& p : views[2]->livePoints())
            plane = std::max(plane, std::hypot(p.x() - 1.0 / 3.0, p.y()));
        QVERIFY2(plane < 0.005, qPrintable(QString::number(plane)));
        QVERIFY2(worstY(*views[3], 0.0) < 1.0, qPrintable(QString::number(worstY(*views[3], 0.0))));
        // The frequency axis is in MHz, strictly increasing.
        QCOMPARE(logMag.livePoints().first().x(), DataScanManager::sweep().start() / 1e6);
        for (int i = 1; i < points; ++i)
            QVERIFY(logMag.livePoints()[i].x() > logMag.livePoints()[i - 1].x());

        // An impedance marker on the Smith chart.
        ZChartView& smith = *views[2];
        QVERIFY(smith.addMark(100.0));
        QVERIFY(smith.marksTable()->setMarkType(0, EMarkType::IMPED));
        QVERIFY(waitForFreshSweeps(views));
        const QString readout = smith.marksTable()->readouts().value(0);
        QVERIFY2(readout.startsWith(QStringLiteral("F:")) &&
                     readout.section('\n', 1).startsWith(QStringLiteral("R:") + QString(8, QLatin1Char(' ')) +
                                                         "100.00 Ohm\n"),
                 qPrintable(readout));
        const int index = smith.marksTable()->mark(0)->data().index;
        QVERIFY(std::abs(smith.scanPoints()[index].frequency / 1e6 - 100.0) <
                DataScanManager::sweep().step() / 1e6);
        // It holds the frequency it was placed at and reads the point nearest to it.
        QCOMPARE(smith.marksTable()->mark(0)->data().frequency, 100e6);

        // Shared work: one copy of the scan buffers per announcement, however many views read it.
        const quint64 copies = ChartScanFeed::copies();
        const quint64 generation = ChartScanFeed::generation();
        QVERIFY(waitForFreshSweeps(views));
        QVERIFY(ChartScanFeed::copies() - copies <= ChartScanFeed::generation() - generation);

        // A cable of 1.5 m (velocity factor 0.66) ending in a short: its distance to fault.
        QCOMPARE(m_emulator.control("dut cable=1.5,0.66,0.5").left(2), QString("ok"));
        ZChartView& view = *views[0];
        view.setChartType(EChartType::DTF);
        TestSupport::setSweep(1e6, 1001e6, 201);
        TDTFConfig dtf = view.config()->dtfConfig();
        DTFTransform::setDomain(dtf, EDTFDomain::DISTANCE);
        DTFTransform::setVelocityFactor(dtf, 0.66);
        view.config()->setDTFConfig(dtf, true);
        QVERIFY(waitForFreshSweeps(views));
        QVERIFY(view.addMark(5.0));
        QVERIFY(view.marksTable()->setMarkType(0, EMarkType::DTF_PEAK));
        QVERIFY(waitForFreshSweeps(views));
        QCOMPARE(view.livePoints().size(), 256);
        const double bin = DTFTransform::maxTimeDisplay(view.config()->dtfConfig()) / 256;
        const double peak = view.marksTable()->mark(0)->chartPoint().x();
        QVERIFY2(std::abs(peak - 1.5) <= bin,
                 qPrintable(QString("peak at %1 m, bin %2 m").arg(peak).arg(bin)));
        QVERIFY(view.marksTable()->readouts().value(0).startsWith("Distance:"));
    }

private:
    TestSupport::ScopedAppDir m_dir;
    TestSupport::EmulatorProcess m_emulator;
};

QTEST_MAIN(tst_ChartsEndToEnd)
#include "tst_ChartsEndToEnd.moc"
