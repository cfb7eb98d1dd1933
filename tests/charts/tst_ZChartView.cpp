#include <QGraphicsEllipseItem>
#include <QImageReader>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ChartAxesTransformer.h"
#include "charts/ChartEnumPrinter.h"
#include "charts/ChartImageRenderer.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartScanRangeInfo.h"
#include "charts/ZComplexPlaneGrid.h"
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

// The part of a segment inside the rectangle (Liang-Barsky); a null line when none is.
QLineF clipped(const QLineF& line, const QRectF& r)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = line.dx(), dy = line.dy();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {line.x1() - r.left(), r.right() - line.x1(), line.y1() - r.top(), r.bottom() - line.y1()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return QLineF();
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return QLineF();
    }
    return QLineF(line.pointAt(t0), line.pointAt(t1));
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
        TestSupport::setSweep(100e6, 200e6, 201);
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
    }

    void imageAtEverySize_data()
    {
        QTest::addColumn<EChartType>("type");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("name");
        const QVector<QSize> sizes = {{200, 150}, {320, 220}, {480, 300}}; // 1600x1200: reportImageHasLegendAndNoFrame
        for (int t = 0; t < CHART_TYPES_COUNT; ++t)
            for (const QSize& size : sizes)
                QTest::addRow("%s %dx%d", qPrintable(ChartEnumPrinter::toString(EChartType(t))), size.width(),
                              size.height())
                    << EChartType(t) << size << (t % 2 ? "view.svg" : "view.png");
    }

    // Every chart type lays out and draws at every size from the smallest picture up, whatever
    // size the view has on screen.
    void imageAtEverySize()
    {
        QFETCH(EChartType, type);
        QFETCH(QSize, size);
        QFETCH(QString, name);
        QTemporaryDir dir;
        ZChartView view;
        view.resize(700, 500);
        view.setChartType(type);
        view.refreshFrom(sweep(201, 100e6, 200e6));
        view.layoutChart(QSizeF(size));
        QCOMPARE(view.chart()->size(), QSizeF(size).expandedTo(QSizeF(ZChartView::MIN_CHART_WIDTH,
                                                                      ZChartView::MIN_CHART_HEIGHT)));
        const QRectF plot = view.chart()->plotArea();
        QVERIFY2(plot.width() > 0 && plot.height() > 0, qPrintable(QString("%1x%2").arg(plot.width()).arg(plot.height())));
        QVERIFY2(QRectF(QPointF(0, 0), view.chart()->size()).contains(plot),
                 qPrintable(QString("%1,%2 %3x%4").arg(plot.x()).arg(plot.y()).arg(plot.width()).arg(plot.height())));
        view.layoutChart(QSizeF(view.size()));
        const QString path = dir.filePath(name);
        QString error;
        QVERIFY2(view.saveImage(path, size, &error), qPrintable(error));
        QImageReader reader(path);
        QCOMPARE(reader.size(), size);
        QVERIFY(!reader.read().isNull());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{name});
        // The view is back at its own size.
        QCOMPARE(view.chart()->size(), QSizeF(view.viewport()->size()));
    }

    void tickLabelsShowWholeValues_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<EChartType>("type");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("stop");
        QTest::addColumn<QSize>("size");
        // A small picture, a view of the smallest window (four views), a view of a full screen.
        const QVector<QSize> sizes = {{320, 220}, {360, 240}, {1600, 1000}};
        const QVector<QPair<double, double>> sweeps = {{1e6, 1800e6}, {1e6, 6200e6}, {100e6, 100.5e6}};
        for (const char* language : {"lumenpane_en.qm", "lumenpane_ru.qm"})
            for (int t = 0; t < CHART_TYPES_COUNT; ++t)
                for (const auto& range : sweeps)
                    for (const QSize& size : sizes)
                        QTest::addRow("%s %s %.3f-%.3f MHz %dx%d", language,
                                      qPrintable(ChartEnumPrinter::toString(EChartType(t))), range.first / 1e6,
                                      range.second / 1e6, size.width(), size.height())
                            << QString(language) << EChartType(t) << range.first << range.second << size;
    }

    // No text of a view is cut short by the toolkit: an elided tick label is a wrong number.
    void tickLabelsShowWholeValues()
    {
        QFETCH(QString, language);
        QFETCH(EChartType, type);
        QFETCH(double, start);
        QFETCH(double, stop);
        QFETCH(QSize, size);
        QVERIFY(ZCore::LocalizationManager::setLanguage(":/translation/" + language));
        TestSupport::setSweep(start, stop, 401);
        ZChartView view;
        view.resize(size);
        view.setChartType(type);
        view.refreshFrom(sweep(401, start, stop));
        view.layoutChart(QSizeF(size));
        QStringList texts;
        for (QGraphicsItem* item : view.scene()->items()) {
            auto* text = dynamic_cast<QGraphicsTextItem*>(item);
            if (!text || !text->isVisible() || !text->parentItem() || !text->parentItem()->isVisible())
                continue;
            const QString plain = text->toPlainText();
            texts << plain;
            QVERIFY2(!plain.contains(QChar(0x2026)) && !plain.contains(QLatin1String("...")), qPrintable(plain));
        }
        if (isFrequencyChart(type) || type == EChartType::DTF) {
            // The first and the last tick of the frequency axis name the sweep's ends.
            const bool named = std::any_of(texts.begin(), texts.end(), [&](const QString& t) {
                bool ok = false;
                return std::abs(t.toDouble(&ok) - view.axisX()->min()) < 1e-6 && ok;
            });
            QVERIFY2(type == EChartType::DTF || named, qPrintable(texts.join(" | ")));
            QVERIFY(view.axisX()->tickCount() >= 2);
        }
        TestSupport::setSweep(100e6, 200e6, 201);
        QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    }

    void phaseWrapsAreNotDrawn_data()
    {
        QTest::addColumn<double>("delayNs");
        QTest::addColumn<double>("loss");
        QTest::newRow("short at the port") << 1.0 << 0.0;
        QTest::newRow("short at a long lossy cable") << 60.0 << 0.6;
    }

    // A short (or a cable) turns the phase through many wraps: no drawn segment inside the plot
    // may join the two sides of a wrap.
    void phaseWrapsAreNotDrawn()
    {
        QFETCH(double, delayNs);
        QFETCH(double, loss);
        TestSupport::setSweep(1e6, 1800e6, 1001);
        TScanPoints points(1001);
        for (int i = 0; i < points.size(); ++i) {
            const double f = 1e6 + (1800e6 - 1e6) * i / 1000.0;
            const double turn = M_PI - 2.0 * M_PI * f * delayNs * 1e-9;
            const double mag = 1.0 - loss * i / 1000.0;
            points[i] = {quint64(f), float(mag * std::cos(turn)), float(mag * std::sin(turn))};
        }
        ZChartView view;
        view.resize(500, 300);
        view.setChartType(EChartType::PHASE);
        view.refreshFrom(points);
        const QRectF axes(QPointF(view.axisX()->min(), view.axisY()->min()),
                          QPointF(view.axisX()->max(), view.axisY()->max()));
        const QVector<QPointF> drawn = view.mainSeries()->pointsVector();
        for (int i = 1; i < drawn.size(); ++i) {
            const QLineF visible = clipped(QLineF(drawn[i - 1], drawn[i]), axes);
            QVERIFY2(std::abs(visible.dy()) <= axes.height() / 2.0,
                     qPrintable(QString("segment %1: %2,%3 to %4,%5").arg(i).arg(drawn[i - 1].x()).arg(drawn[i - 1].y()).arg(drawn[i].x()).arg(drawn[i].y())));
        }
        // The live points themselves keep one point per frequency, wraps included.
        QCOMPARE(view.livePoints().size(), points.size());
        QVERIFY(drawn.size() > points.size());
        TestSupport::setSweep(100e6, 200e6, 201);
    }

    // The Smith grid's reactance arcs stay inside the unit circle: drawn without labels, nothing
    // of the grid lies outside the rim.
    void smithGridStaysInsideTheCircle()
    {
        ZComplexPlaneGrid grid;
        const QRectF plot(0, 0, 120, 120);
        grid.setPlotArea(plot, ZComplexPlaneGrid::EKind::SMITH);
        QVERIFY(grid.radius() > 50.0);
        QImage image(120, 120, QImage::Format_ARGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        grid.paint(&painter, nullptr, nullptr);
        painter.end();
        int inside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const double r = std::hypot(x + 0.5 - grid.center().x(), y + 0.5 - grid.center().y());
                const bool lit = qGray(image.pixel(x, y)) > 20;
                if (r > grid.radius() + 2.0)
                    QVERIFY2(!lit, qPrintable(QString("grid at %1,%2, %3 px from the centre").arg(x).arg(y).arg(r)));
                else if (lit && r < grid.radius() - 2.0)
                    ++inside;
            }
        QVERIFY(inside > 200);
        // Every arc of the table meets the rim where the labels say.
        for (double x : ZComplexPlaneGrid::smithValues()) {
            const auto arc = ZComplexPlaneGrid::reactanceCircle(x);
            const QPointF rim((x * x - 1) / (x * x + 1), 2 * x / (x * x + 1));
            QVERIFY(std::abs(QLineF(arc.first, rim).length() - arc.second) < 1e-9);
        }
    }

    // A picture for a report: the requested size, the markers' legend and caption below the
    // chart, and none of the on-screen selection frame.
    void reportImageHasLegendAndNoFrame()
    {
        QTemporaryDir dir;
        ZChartView view;
        view.resize(400, 260);
        view.setStyleSheet("border: 2px solid red;");
        view.setChartType(EChartType::SWR);
        view.refreshFrom(sweep(201, 100e6, 200e6, 0.2f));
        QVERIFY(view.addMark(120.0));
        QVERIFY(view.addMark(180.0));
        const QStringList legend = ChartImageRenderer::legendLines(&view);
        QCOMPARE(legend.size(), 2);
        QVERIFY2(legend[0].startsWith("1 ") && legend[0].contains("120.00 MHz") && legend[0].contains("Re: 200.00 mV"),
                 qPrintable(legend[0]));
        QVERIFY2(legend[1].startsWith("2 ") && legend[1].contains("180.00 MHz"), qPrintable(legend[1]));
        QVERIFY(ChartImageRenderer::caption(&view).contains("100.000 MHz"));
        const QString path = dir.filePath("report.png");
        QVERIFY(view.saveImage(path, ChartImageRenderer::defaultSize()));
        const QImage image(path);
        QCOMPARE(image.size(), QSize(1600, 1200));
        const auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; };
        for (int x = 0; x < image.width(); x += 7) {
            QVERIFY(!isRed(image.pixel(x, 0)) && !isRed(image.pixel(x, 1)));
            QVERIFY(!isRed(image.pixel(x, image.height() - 1)));
        }
        for (int y = 0; y < image.height(); y += 7)
            QVERIFY(!isRed(image.pixel(0, y)) && !isRed(image.pixel(image.width() - 1, y)));
        // The legend's three lines (two markers and the caption) are written below the chart.
        int textRows = 0;
        for (int y = image.height() - 150; y < image.height(); ++y) {
            bool lit = false;
            for (int x = 0; x < 600 && !lit; ++x)
                lit = qGray(image.pixel(x, y)) > 150;
            textRows += lit;
        }
        QVERIFY2(textRows > 30, qPrintable(QString::number(textRows)));
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
        QTest::qWait(20); // proves that nothing happens: no refresh before the frame is over
        QCOMPARE(view.refreshCount(), before + 1);
        QTRY_COMPARE_WITH_TIMEOUT(view.refreshCount(), before + 2, 10000);
        QTest::qWait(500); // proves that nothing happens: five announcements made one refresh
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
        // The unit circle of the grid, inside the plot area with room for the grid's labels.
        const double side = 2.0 * view.complexPlaneGrid()->radius();
        QVERIFY(side > 0.0 && side <= std::min(plot.width(), plot.height()));
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

        // Visibility comes from every profile loaded, at the first refresh after it has settled; more
        // entries stored than series loaded: the extra ones are not applied.
        view.setCorner(EChartArrangeCorners::BR);
        view.setActive(true);
        view.refreshFrom(sweep(201, 100e6, 200e6));
        emit DataScanManager::instance().signalProcessedScanData(126); // the start's profile: nothing stored
        QTRY_VERIFY(view.refreshCount() > 0);
        QSettings* s = ZCore::SettingsManager::settings();
        s->beginGroup("Charts.BR");
        s->beginWriteArray("traces", 5);
        for (int i = 0; i < 5; ++i) {
            s->setArrayIndex(i);
            s->setValue("visible", i % 2 == 1);
        }
        s->endArray();
        s->endGroup();
        s->sync();
        QSignalSpy visibility(&view, &ZChartView::signalTraceSeriesChangedVisibility);
        ZCore::SettingsManager::load(ZCore::SettingsManager::currentFile());
        QTRY_VERIFY_WITH_TIMEOUT(
            (emit DataScanManager::instance().signalProcessedScanData(126), visibility.count() > 0), 10000);
        QCOMPARE(visibility.count(), 3);
        QVERIFY(!view.isTraceSeriesVisible(0));
        QVERIFY(view.isTraceSeriesVisible(1));
        QVERIFY(!view.isTraceSeriesVisible(2));
        QVERIFY(!view.isTraceSeriesVisible(7));
        DataScanManager::clearTraces();
        QVERIFY(view.traceSeries().isEmpty());
    }
};

QTEST_MAIN(tst_ZChartView)
#include "tst_ZChartView.moc"
