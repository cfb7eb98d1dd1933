#include <QGraphicsEllipseItem>
#include <QImageReader>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <complex>
#include <memory>

#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ChartEnumPrinter.h"
#include "charts/ChartImageRenderer.h"
#include "charts/DTFTransform.h"
#include "charts/DataMarkProcessor.h"
#include "charts/DataScanProcessor.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartScanRangeInfo.h"
#include "charts/ZChartView.h"
#include "charts/ZComplexPlaneGrid.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "core/SettingsManager.h"
#include "core/utility/ZMath.h"
#include "measurement/DataScanManager.h"
#include "measurement/TouchstoneFile.h"

using namespace ZChart;
using ZData::DataScanManager;
using ZData::TScanPoint;
using ZData::TScanPoints;

Q_DECLARE_METATYPE(ZChart::EMarkType)

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

TScanPoint point(float re, float im, quint64 f = 100000000)
{
    return {f, re, im};
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

constexpr int MARK_POINTS = 201;

// 1 to 101 MHz in 0.5 MHz steps, magnitude growing with the index.
TScanPoints markSweep()
{
    TScanPoints points(MARK_POINTS);
    for (int i = 0; i < MARK_POINTS; ++i)
        points[i] = {quint64(1000000 + 500000 * i), 0.001f * i, 0.0005f};
    return points;
}

void press(ZMark* mark, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(mark->scene(), &event);
}

constexpr double C0 = 299792458.0;

void checkWindow(const TDTFConfig& c, double start, double stop)
{
    QVERIFY2(std::abs(c.start - start) < 1e-6, qPrintable(QString("start %1").arg(c.start)));
    QVERIFY2(std::abs(c.stop - stop) < 1e-6, qPrintable(QString("stop %1").arg(c.stop)));
    QVERIFY(std::abs(c.center - (start + stop) / 2) < 1e-6);
    QVERIFY(std::abs(c.span - (stop - start)) < 1e-6);
}

} // namespace

class tst_ZChartView : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;

    // A shown log-mag view of markSweep(), the sweep set to match.
    std::unique_ptr<ZChartView> markedView()
    {
        TestSupport::setSweep(1e6, 101e6, MARK_POINTS);
        auto view = std::make_unique<ZChartView>();
        view->resize(640, 480);
        view->show();
        view->setChartType(EChartType::LOG_MAG);
        view->refreshFrom(markSweep());
        return view;
    }

    QSettings* settings(const QString& name)
    {
        auto* s = new QSettings(m_dir->path() + "/" + name + ".ini", QSettings::IniFormat, this);
        s->clear();
        return s;
    }

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

    // Every test starts from the sweep of initTestCase() and in English.
    void cleanup()
    {
        TestSupport::setSweep(100e6, 200e6, 201);
        QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    }

    void axes_data()
    {
        QTest::addColumn<EChartType>("type");
        QTest::addColumn<int>("gridStep");
        QTest::addColumn<float>("re"); // of the points drawn; none drawn when 0
        QTest::addColumn<float>("peakRe");
        QTest::addColumn<double>("yMin");
        QTest::addColumn<double>("yMax");
        QTest::addColumn<QString>("yTitle");
        const QString db = "Level (dB)";
        QTest::newRow("log mag") << EChartType::LOG_MAG << 0 << 0.f << 0.f << -95.0 << 5.0 << db;
        QTest::newRow("log mag step 10") << EChartType::LOG_MAG << 10 << 0.f << 0.f << -45.0 << 5.0 << db;
        QTest::newRow("lin mag") << EChartType::LIN_MAG << 0 << 0.f << 0.f << 0.0 << 1.0 << "Voltage (mV)";
        QTest::newRow("lin mag step 100")
            << EChartType::LIN_MAG << 100 << 0.f << 0.f << 0.5 << 1.0 << "Voltage (mV)";
        QTest::newRow("phase") << EChartType::PHASE << 0 << 0.f << 0.f << -180.0 << 180.0
                               << QString::fromUtf8("Angle (°)");
        QTest::newRow("swr") << EChartType::SWR << 0 << 0.f << 0.f << 1.0 << 5.0 << "SWR";
        QTest::newRow("dtf") << EChartType::DTF << 0 << 0.f << 0.f << -95.0 << 5.0 << db;
        QTest::newRow("loss") << EChartType::LOSS << 0 << 0.f << 0.f << -1.0 << 0.0 << db;
        // Loss follows the data: 10 log10 r, so r = 10^(-0.05) is -0.5 dB.
        const float half = std::pow(10.0f, -0.05f);
        QTest::newRow("loss, flat -0.5 dB") << EChartType::LOSS << 0 << half << half << -1.0 << 0.0 << db;
        QTest::newRow("loss, -2.5 .. -0.1 dB") << EChartType::LOSS << 0 << std::pow(10.0f, -0.25f)
                                               << std::pow(10.0f, -0.01f) << -2.5 << 0.0 << db;
    }

    void axes()
    {
        QFETCH(EChartType, type);
        QFETCH(int, gridStep);
        QFETCH(float, re);
        QFETCH(float, peakRe);
        QFETCH(double, yMin);
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
        if (re != 0.0f) {
            TScanPoints points = sweep(201, 100e6, 200e6, re);
            points[100].re = peakRe;
            view.refreshFrom(points);
        }
        QVERIFY2(std::abs(view.axisY()->min() - yMin) < 1e-4,
                 qPrintable(QString::number(view.axisY()->min())));
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

    void everySize_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<EChartType>("type");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("stop");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("picture"); // none when empty
        // The smallest picture (drawn and saved; its tick labels do not fit and are not read), a small
        // one, a view of the smallest window (four views), a view of a full screen (pictures of report
        // size: reportImageHasLegendAndNoFrame).
        const QVector<QSize> sizes = {{200, 150}, {320, 220}, {360, 240}, {1600, 1000}};
        const QVector<QPair<double, double>> sweeps = {{1e6, 1800e6}, {1e6, 6200e6}, {100e6, 100.5e6}};
        for (const char* language : {"lumenpane_en.qm", "lumenpane_ru.qm"})
            for (int t = 0; t < CHART_TYPES_COUNT; ++t)
                for (const auto& range : sweeps)
                    for (const QSize& size : sizes) {
                        const bool picture = range == sweeps[0] && size.width() < 1000 && language[10] == 'e';
                        if (size.width() < 320 && !picture)
                            continue;
                        const QString name = picture ? QString(t % 2 ? "view.svg" : "view.png") : QString();
                        QTest::addRow("%s %s %.3f-%.3f MHz %dx%d", language,
                                      qPrintable(ChartEnumPrinter::toString(EChartType(t))),
                                      range.first / 1e6, range.second / 1e6, size.width(), size.height())
                            << QString(language) << EChartType(t) << range.first << range.second << size
                            << name;
                    }
    }

    // Every chart type lays out and draws at every size from the smallest picture up, whatever size
    // the view has on screen, and no text of it is cut short by the toolkit: an elided tick label is
    // a wrong number.
    void everySize()
    {
        QFETCH(QString, language);
        QFETCH(EChartType, type);
        QFETCH(double, start);
        QFETCH(double, stop);
        QFETCH(QSize, size);
        QFETCH(QString, picture);
        QVERIFY(ZCore::LocalizationManager::setLanguage(":/translation/" + language));
        TestSupport::setSweep(start, stop, 401);
        ZChartView view;
        view.resize(size);
        view.setChartType(type);
        view.refreshFrom(sweep(401, start, stop));
        view.layoutChart(QSizeF(size));
        QCOMPARE(view.chart()->size(),
                 QSizeF(size).expandedTo(QSizeF(ZChartView::MIN_CHART_WIDTH, ZChartView::MIN_CHART_HEIGHT)));
        const QRectF plot = view.chart()->plotArea();
        QVERIFY2(
            plot.width() > 0 && plot.height() > 0 &&
                QRectF(QPointF(0, 0), view.chart()->size()).contains(plot),
            qPrintable(
                QString("%1,%2 %3x%4").arg(plot.x()).arg(plot.y()).arg(plot.width()).arg(plot.height())));
        QStringList texts;
        for (QGraphicsItem* item : size.width() < 320 ? QList<QGraphicsItem*>() : view.scene()->items()) {
            auto* text = dynamic_cast<QGraphicsTextItem*>(item);
            if (!text || !text->isVisible() || !text->parentItem() || !text->parentItem()->isVisible())
                continue;
            const QString plain = text->toPlainText();
            texts << plain;
            QVERIFY2(!plain.contains(QChar(0x2026)) && !plain.contains(QLatin1String("...")), qPrintable(plain));
        }
        if (!texts.isEmpty() && (isFrequencyChart(type) || type == EChartType::DTF)) {
            // The first and the last tick of the frequency axis name the sweep's ends.
            const bool named = std::any_of(texts.begin(), texts.end(), [&](const QString& t) {
                bool ok = false;
                return std::abs(t.toDouble(&ok) - view.axisX()->min()) < 1e-6 && ok;
            });
            QVERIFY2(type == EChartType::DTF || named, qPrintable(texts.join(" | ")));
            QVERIFY(view.axisX()->tickCount() >= 2);
        }
        if (!picture.isEmpty()) {
            QTemporaryDir dir;
            view.resize(700, 500);
            view.layoutChart(QSizeF(view.size()));
            const QString path = dir.filePath(picture);
            QString error;
            QVERIFY2(view.saveImage(path, size, &error), qPrintable(error));
            QImageReader reader(path);
            QCOMPARE(reader.size(), size);
            QVERIFY(!reader.read().isNull());
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{picture});
            // The view is back at its own size.
            QCOMPARE(view.chart()->size(), QSizeF(view.viewport()->size()));
        }
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
    }

    // The Smith grid's reactance arcs stay inside the unit circle: drawn without labels, nothing
    // of the grid lies outside the rim.
    void smithGridStaysInsideTheCircle_data()
    {
        QTest::addColumn<bool>("onScreen");
        QTest::newRow("picture") << false;
        // On screen the grid is copied from what it drew before; the view was larger then.
        QTest::newRow("on screen, after a resize") << true;
    }

    void smithGridStaysInsideTheCircle()
    {
        QFETCH(bool, onScreen);
        ZComplexPlaneGrid grid;
        QWidget screen;
        QImage image(120, 120, QImage::Format_ARGB32);
        if (onScreen) {
            grid.setPlotArea(QRectF(-40, -40, 200, 200), ZComplexPlaneGrid::EKind::SMITH);
            QPainter before(&image);
            grid.paint(&before, nullptr, &screen);
        }
        const QRectF plot(0, 0, 120, 120);
        grid.setPlotArea(plot, ZComplexPlaneGrid::EKind::SMITH);
        QVERIFY(grid.radius() > 50.0);
        image.fill(Qt::black);
        QPainter painter(&image);
        grid.paint(&painter, nullptr, onScreen ? &screen : nullptr);
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

    // Without a chart type the view says so once and draws nothing; calibrating again and again
    // leaves one connection to the live data, which an inactive view drops; announcements within a
    // frame make one refresh, never inside the announcement.
    void liveData()
    {
        ZChartView view;
        // The range box: the sweep, and the calibration in use (none here).
        const QStringList lines = view.scanRangeInfo()->text().split('\n');
        QCOMPARE(lines, (QStringList{"Start:    100.00 MHz", "Stop:     200.00 MHz", "Points:      201    ",
                                     "Cal: none"}));
        view.setActive(true);
        s_criticals = 0;
        s_previous = qInstallMessageHandler(countCriticals);
        for (int i = 0; i < 4; ++i)
            emit DataScanManager::instance().signalProcessedScanData(126);
        qInstallMessageHandler(s_previous);
        QCOMPARE(s_criticals, 1);
        QCOMPARE(view.refreshCount(), quint64(0));

        view.setChartType(EChartType::SWR);
        view.refreshFrom(sweep(201, 100e6, 200e6));
        auto& cal = ZData::CalibrationManager::instance();
        for (int i = 0; i < 3; ++i)
            emit cal.signalFinishedCalibration();
        quint64 before = view.refreshCount();
        emit DataScanManager::instance().signalProcessedScanData(126);
        QCOMPARE(view.refreshCount(), before + 1);
        emit cal.signalStartedCalibration();
        emit DataScanManager::instance().signalProcessedScanData(126);
        QCOMPARE(view.refreshCount(), before + 1);
        view.setActive(false);
        emit cal.signalFinishedCalibration();
        emit DataScanManager::instance().signalProcessedScanData(126);
        QCOMPARE(view.refreshCount(), before + 1);

        ZChartView::setRefreshInterval(400); // a long frame, so the checks below have ample margin
        view.setActive(true);
        before = view.refreshCount();
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

    void restoreBadStoredValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<EChartType>("type");
        QTest::newRow("type log mag") << "type" << QVariant(4) << EChartType::LOG_MAG;
        QTest::newRow("type loss") << "type" << QVariant(7) << EChartType::LOSS;
        QTest::newRow("type 8 is no type") << "type" << QVariant(8) << EChartType::SWR;
        QTest::newRow("type unset") << "type" << QVariant(0xFFFF) << EChartType::SWR;
        QTest::newRow("type text") << "type" << QVariant("smith") << EChartType::SWR;
        QTest::newRow("cable 0") << "LOSS/cable_length" << QVariant(0.0) << EChartType::SWR;
        QTest::newRow("cable negative") << "LOSS/cable_length" << QVariant(-3.0) << EChartType::SWR;
        QTest::newRow("loss type 7") << "LOSS/domain" << QVariant(7) << EChartType::SWR;
        QTest::newRow("vf 0") << "DTF/velocity_factor" << QVariant(0.0) << EChartType::SWR;
        QTest::newRow("vf above 1") << "DTF/velocity_factor" << QVariant(1.5) << EChartType::SWR;
        QTest::newRow("vf text") << "DTF/velocity_factor" << QVariant("fast") << EChartType::SWR;
        QTest::newRow("grid 0") << "LOG/grid_step" << QVariant(0) << EChartType::SWR;
        QTest::newRow("dtf domain 2") << "DTF/domain" << QVariant(2) << EChartType::SWR;
    }

    void restoreBadStoredValues()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        ZChartView view;
        view.setChartType(EChartType::SWR);
        ZChartConfig& c = *view.config();
        TDTFConfig dtf = c.dtfConfig();
        DTFTransform::setDomain(dtf, EDTFDomain::DISTANCE);
        DTFTransform::setVelocityFactor(dtf, 0.7);
        c.setDTFConfig(dtf, false);
        QSettings* s = settings("bad");
        s->setValue(key, value);
        view.restoreSettings(s);
        QTEST(view.chartType(), "type");
        QCOMPARE(c.lossConfig().cable_length, 1.0);
        QCOMPARE(c.lossConfig().domain, ELossType::DB);
        QCOMPARE(c.dtfConfig().velocity_factor, 0.7);
        QCOMPARE(c.logConfig().grid_step, 20u);
        if (key == "DTF/domain")
            QCOMPARE(c.dtfConfig().domain, EDTFDomain::DISTANCE);
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
        // Log mag, swr, phase and smith of a plain reflection: tst_ChartsEndToEnd's live views.
        QTest::newRow("0.5 lin mag") << 0.5f << 0.0f << EChartType::LIN_MAG << 0.0 << 1.0 << f << 0.5;
        QTest::newRow("0.5 loss") << 0.5f << 0.0f << EChartType::LOSS << -1.0 << 0.0 << f << -3.0103;
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

    // An empty profile gives the defaults, a window left by another range pulled inside this one;
    // each setter announces its own type; what was saved comes back (the DTF window in metres here;
    // the grid, loss and limit groups go through the pages in tst_Pages::pagesRoundTrip).
    void restoreAndRoundTrip()
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
        spy.clear();
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

        dtf = c.dtfConfig();
        DTFTransform::setDomain(dtf, EDTFDomain::DISTANCE);
        DTFTransform::setVelocityFactor(dtf, 0.66);
        DTFTransform::setSpan(dtf, 150.0); // metres
        c.setDTFConfig(dtf, false);
        QSettings* s = settings("round");
        c.saveSettings(s);
        ZChartConfig b;
        b.restoreSettings(s);
        QCOMPARE(b.dtfConfig().domain, EDTFDomain::DISTANCE);
        QCOMPARE(b.dtfConfig().view_domain, EDTFDomain::DISTANCE);
        QCOMPARE(b.dtfConfig().velocity_factor, 0.66);
        QVERIFY(qAbs(b.dtfConfig().span - c.dtfConfig().span) < 1e-9);
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

    // The transform covers the points it is given: the 1000-point interpolated grid, not the sweep's
    // 201 points; a silent sweep is drawn at the bottom of the axis, not at 0 dB; and a velocity
    // factor of 0 (no bin width) moves neither the axis nor a peak marker off the window's start.
    void dtfLimits()
    {
        ZChartView view;
        view.setChartType(EChartType::DTF);
        view.slotRangeUpdated();
        view.refreshFrom(sweep(201, 100e6, 200e6));
        QCOMPARE(qRound64(view.config()->dtfConfig().max_time * 1e11), qRound64(201 / (2 * 100e6) * 1e11));
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

        view.refreshFrom(sweep(1000, 100e6, 200e6, 0.0f));
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
        for (int i = 0; i < 3; ++i) {
            const QString path = dir.filePath(QString("t%1.s1p").arg(i));
            QVERIFY(ZData::TouchstoneFile::write(path, sweep(11, 100e6, 200e6, 0.1f * (i + 1))));
            QVERIFY(DataScanManager::loadTouchstoneTrace(path, i));
        }
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
    }

    void addRemoveRenumberSelect()
    {
        const auto view = markedView();
        ZMarksTable* table = view->marksTable();
        QSignalSpy created(view.get(), &ZChartView::signalCreatedMark);
        QSignalSpy removed(view.get(), &ZChartView::signalRemovedMark);
        for (int i = 0; i < 6; ++i)
            QVERIFY(view->addMark(10.0 + i));
        QCOMPARE(table->count(), 6);
        QCOMPARE(created.count(), 6);
        QCOMPARE(created.last()[0].toInt(), 5);
        QCOMPARE(table->selectedMark(), table->mark(5));
        // 10 MHz is index 18 and its frequency is the point's own.
        QCOMPARE(table->mark(0)->data().index, 18);
        QCOMPARE(table->mark(0)->data().frequency, 10e6);

        ZMark* second = table->mark(1);
        table->removeMark(0);
        QCOMPARE(removed.last()[0].toInt(), 0);
        QCOMPARE(second->data().number, quint16(1));
        QCOMPARE(table->mark(4)->data().number, quint16(5));
        QCOMPARE(table->selectedMark(), second);
        const QVector<TMarkData> data = table->marksData();
        QCOMPARE(std::count_if(data.begin(), data.end(), [](const TMarkData& d) { return d.selected; }), 1);
        table->removeMark(9); // logged, nothing happens
        QCOMPARE(table->count(), 5);

        // Emptied one by one or at once: nothing is left selected, and the table hides.
        while (!table->isEmpty())
            table->removeMark(0);
        QVERIFY(!table->selectedMark() && !table->isVisible());
        table->selectMark(0); // an empty list has nothing to select

        // The arrow keys stop at both ends of the sweep; Delete removes the selected marker.
        QVERIFY(view->addMark(1.0));
        QVERIFY(view->addMark(101.0));
        ZMark* first = table->mark(0);
        ZMark* last = table->mark(1);
        QCOMPARE(first->data().index, 0);
        QCOMPARE(last->data().index, MARK_POINTS - 1);
        table->selectMark(first);
        press(first, Qt::Key_Left);
        QCOMPARE(first->data().index, 0);
        press(first, Qt::Key_Right);
        QCOMPARE(first->data().index, 1);
        QCOMPARE(first->data().frequency, 1.5e6);
        table->selectMark(last);
        press(last, Qt::Key_Right);
        QCOMPARE(last->data().index, MARK_POINTS - 1);
        press(last, Qt::Key_Delete);
        QCOMPARE(table->count(), 1);
        table->removeAll();
        QVERIFY(table->isEmpty() && !table->selectedMark());
    }

    // A reference and its deltas, and how they are stored.
    void referenceAndDelta()
    {
        const auto view = markedView();
        ZMarksTable* table = view->marksTable();
        QSignalSpy setRef(view.get(), &ZChartView::signalSetRefMarker);
        QSignalSpy removedRef(view.get(), &ZChartView::signalRemovedRefMarker);
        for (double f : {10.0, 20.0, 30.2})
            QVERIFY(view->addMark(f));
        QVERIFY(table->setMarkType(1, EMarkType::RE_IM));
        QVERIFY(table->setReference(0, true));
        QVERIFY(table->setDelta(1, true));
        QCOMPARE(table->mark(1)->data().reference, table->mark(0));
        QCOMPARE(table->mark(1)->data().frequency_offset, 10.0);
        // Its own frequency, its offset from the reference, then the differences.
        const QStringList delta = table->readouts()[1].split('\n');
        QVERIFY(delta[0].startsWith("F:") && delta[0].contains("20.00"));
        QVERIFY(delta[1].startsWith("Offset:") && delta[1].contains("+10.00"));
        QVERIFY(delta[2].startsWith("Re:") && delta[2].contains("+"));

        // A new reference demotes the old one: never two.
        QVERIFY(table->setReference(2, true));
        QVERIFY(!table->mark(0)->isReference());
        QCOMPARE(table->referenceMark(), table->mark(2));
        QCOMPARE(table->mark(1)->data().reference, table->mark(2));
        QCOMPARE(setRef.count(), 2);
        QCOMPARE(setRef.last()[0].toInt(), 2);

        // Saved and restored by another view. The frequency saved is the one the marker holds, though
        // it reads the 30.0 MHz point.
        QTemporaryDir dir;
        QSettings s(dir.filePath("marks.ini"), QSettings::IniFormat);
        table->saveSettings(&s);
        QCOMPARE(s.value("marks/3/freq").toDouble(), 30.2e6);
        ZChartView other;
        other.setChartType(EChartType::LOG_MAG);
        other.refreshFrom(markSweep());
        QSignalSpy created(&other, &ZChartView::signalCreatedMark);
        other.marksTable()->restoreSettings(&s);
        QCOMPARE(created.count(), 3);
        QCOMPARE(other.marksTable()->count(), 3);
        QCOMPARE(other.marksTable()->mark(2)->data().frequency, 30.2e6);
        QCOMPARE(other.marksTable()->mark(2)->data().index, 58);
        QCOMPARE(other.marksTable()->mark(1)->markType(), EMarkType::RE_IM);
        QVERIFY(other.marksTable()->mark(2)->isReference());
        QVERIFY(other.marksTable()->mark(1)->isDelta());
        QCOMPARE(other.marksTable()->mark(1)->data().reference, other.marksTable()->mark(2));
        // More stored than a view can hold: the first six come back, the rest is not read.
        s.beginWriteArray("marks", 9);
        for (int i = 0; i < 9; ++i) {
            s.setArrayIndex(i);
            s.setValue("freq", 5e6 * (i + 1));
            s.setValue("type", 0);
            s.setValue("mod_type", 0xFFFF);
        }
        s.endArray();
        other.marksTable()->restoreSettings(&s);
        QCOMPARE(other.marksTable()->count(), ZMarksTable::MAX_MARKS);

        // Turned off (removed: tst_Pages::removalKeepsEntriesOnTheirMarkers), the reference leaves no
        // dangling pointer; the delta reads "No data.".
        QVERIFY(table->setReference(2, false));
        QCOMPARE(removedRef.count(), 1);
        QVERIFY(!table->mark(1)->data().reference);
        QCOMPARE(table->readouts()[1].section('\n', 1, 1), QString("No data."));
        QCOMPARE(table->mark(1)->data().frequency_offset, 0.0);
        QVERIFY(!table->setReference(7, true));
    }

    void dtfPeaksAndGuard()
    {
        const auto view = markedView();
        ZMarksTable* table = view->marksTable();
        view->setChartType(EChartType::DTF);
        // A strong reflection at 100 ns and a weaker one at 300 ns: the second peak marker skips the
        // side lobes next to the first (inside its guard band) and finds the weaker reflection.
        TScanPoints points(MARK_POINTS);
        const double step = 0.5e6;
        for (int i = 0; i < MARK_POINTS; ++i) {
            const double f = i * step;
            std::complex<double> s =
                std::polar(0.8, -2 * M_PI * f * 2 * 100e-9) + std::polar(0.3, -2 * M_PI * f * 2 * 300e-9);
            points[i] = {quint64(1e6 + f), float(s.real()), float(s.imag())};
        }
        QVERIFY(view->addMark(0.0));
        QVERIFY(view->addMark(0.0));
        QVERIFY(table->setMarkType(0, EMarkType::DTF_PEAK));
        QVERIFY(table->setMarkType(1, EMarkType::DTF_PEAK));
        view->refreshFrom(points);
        const double first = table->mark(0)->chartPoint().x();
        const double second = table->mark(1)->chartPoint().x();
        const double bin = DTFTransform::maxTimeDisplay(view->config()->dtfConfig()) / 256;
        QVERIFY2(std::abs(first - 100.0) <= bin, qPrintable(QString::number(first)));
        QVERIFY2(std::abs(second - 300.0) <= bin, qPrintable(QString::number(second)));
        // The peaks read the reflections' levels, -1.9 and -10.5 dB, less the scalloping between bins.
        const double firstDb = table->mark(0)->chartPoint().y(), secondDb = table->mark(1)->chartPoint().y();
        QVERIFY2(firstDb < -1.8 && firstDb > -6.0, qPrintable(QString::number(firstDb)));
        QVERIFY2(secondDb < -10.3 && secondDb > -14.5, qPrintable(QString::number(secondDb)));
        QVERIFY(table->readouts()[0].startsWith("Time:"));
    }

    void mouse()
    {
        const auto view = markedView();
        ZMarksTable* table = view->marksTable();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        const QPointF middle = view->chart()->mapToPosition(QPointF(51.0, -40.0), view->mainSeries());
        const QPoint at = view->mapFromScene(middle);
        QTest::mouseDClick(view->viewport(), Qt::RightButton, Qt::NoModifier, at);
        QVERIFY(table->isEmpty());
        QSignalSpy created(view.get(), &ZChartView::signalCreatedMark);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(created.count(), 1);
        QVERIFY2(std::abs(table->mark(0)->data().index - 100) <= 2,
                 qPrintable(QString::number(table->mark(0)->data().index)));
        QVERIFY(view->addMark(10.0));
        QCOMPARE(table->selectedMark(), table->mark(1));
        // Pressing on a marker selects it.
        const QPoint on = view->mapFromScene(table->mark(0)->scenePos() + QPointF(0, -8));
        QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, on);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, on);
        QCOMPARE(table->selectedMark(), table->mark(0));

        ZChartView empty;
        empty.setChartType(EChartType::SWR);
        empty.resize(400, 300);
        empty.show();
        QVERIFY(QTest::qWaitForWindowExposed(&empty));
        QTest::mouseDClick(empty.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
        QVERIFY(empty.marksTable()->isEmpty());
    }

    void markersHoldTheirFrequency()
    {
        const auto view = markedView();
        ZMarksTable* table = view->marksTable();
        auto& range = ZData::DataScanManager::sweep();
        auto feed = [&](double startMHz, double stepMHz) {
            range.setStart(startMHz * 1e6, false);
            range.setStop((startMHz + stepMHz * (MARK_POINTS - 1)) * 1e6, false);
            TScanPoints points = markSweep();
            for (int i = 0; i < MARK_POINTS; ++i)
                points[i].frequency = quint64((startMHz + stepMHz * i) * 1e6);
            view->refreshFrom(points);
        };
        auto firstLine = [table] { return table->readouts()[0].section('\n', 0, 0); };
        QVERIFY(view->addMark(30.2));
        QVERIFY(view->addMark(50.0));
        QVERIFY(view->addMark(50.0));
        QVERIFY(table->setMarkType(1, EMarkType::MAX_VALUE));
        QVERIFY(table->setMarkType(2, EMarkType::MIN_VALUE));
        QCOMPARE(table->mark(1)->data().index, MARK_POINTS - 1);
        QCOMPARE(table->mark(1)->data().frequency, 101e6);
        QCOMPARE(table->mark(2)->data().index, 0);
        ZMark* mark = table->mark(0);
        QCOMPARE(mark->data().index, 58);
        // The readout names the point it reads, with digits enough for 0.5 MHz steps.
        QCOMPARE(firstLine().simplified(), QString("F: 30.00 MHz"));

        // Twice the span: the point is found again from 30.2 MHz, not kept by its number.
        feed(1.0, 1.0);
        QCOMPARE(mark->data().frequency, 30.2e6);
        QCOMPARE(mark->data().index, 29);
        QVERIFY(!mark->isOutOfRange());
        QCOMPARE(table->mark(1)->data().index, MARK_POINTS - 1); // the search goes on
        // 5 kHz steps need three decimals to tell neighbours apart.
        feed(30.0, 0.005);
        QCOMPARE(mark->data().index, 40);
        QVERIFY(firstLine().contains("30.200 MHz"));

        // Outside the sweep: at the nearer end, and said so with the frequency held.
        feed(50.0, 0.5);
        QCOMPARE(mark->data().index, 0);
        QVERIFY(mark->isOutOfRange());
        QVERIFY(firstLine().contains("30.20") && firstLine().contains("out of range"));
        feed(1.0, 0.5);
        QCOMPARE(mark->data().index, 58);
        QVERIFY(!mark->isOutOfRange());
        // Never from a live analyser in this test: every readout says so.
        QVERIFY(table->readouts()[0].endsWith(qtTrId("lp_mark_not_live")));

        // A shorter series than the sweep: markers are limited to the points actually shown.
        view->refreshFrom(markSweep().mid(0, 50));
        QCOMPARE(table->mark(1)->data().index, 49);
        // A sweep of no span has one place for every frequency.
        range.setStop(range.start(), false);
        QCOMPARE(table->indexFromFrequency(50.0), 0);
        feed(1.0, 0.5);
        QCOMPARE(table->indexFromFrequency(50.0), 98);
    }

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

QTEST_MAIN(tst_ZChartView)
#include "tst_ZChartView.moc"
