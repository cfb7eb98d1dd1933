// Chart views following the scan. In-process: four live views (log mag, SWR, Smith, phase) refreshing
// from one scan-data announcement and repainting, beside the bare toolkit doing the same work (four
// plain line series given precomputed points and repainted). End to end: complete 1000-point sweeps
// per second through the emulator with four active views, beside the same chain without views (what
// the headless measurement command runs), at --delay-us 0 and 50.
#include "BenchSupport.h"
#include <QApplication>
#include <QChartView>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLineSeries>
#include <QProcess>
#include <QTemporaryDir>
#include <QValueAxis>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "calibration/CalibrationManager.h"
#include "charts/ZChartView.h"
#include "core/AppPaths.h"
#include "core/Logger.h"
#include "core/StartupSequence.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"

using namespace ZData;
using namespace ZChart;
using namespace QtCharts;

namespace {

const EChartType kTypes[] = {EChartType::LOG_MAG, EChartType::SWR, EChartType::SMITH, EChartType::PHASE};
constexpr int kSlice = 126;

QTemporaryDir& appDir()
{
    static QTemporaryDir dir;
    return dir;
}

void startManagers()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    ZCore::AppPaths::setBaseDir(appDir().path());
    ZCore::StartupSequence::startManagers();
    ZCore::Logger::setPresenter([](QtMsgType, const QString&, const QString&) {});
}

// A scan-data reply of `count` points for the slice at `index`, as the device manager passes it.
TDeviceReply sliceReply(int index, int count, float phase)
{
    TDeviceReply reply;
    reply.header.options = quint16(index);
    QDataStream s(&reply.data, QIODevice::WriteOnly);
    s.setByteOrder(EProtocolSetup::byteOrder());
    s.setFloatingPointPrecision(QDataStream::SinglePrecision);
    s << float(count) << 0.0f;
    for (int i = 0; i < count; ++i) {
        const float a = phase + 0.01f * float(index + i);
        s << 0.4f * std::cos(a) << 0.4f * std::sin(a);
    }
    return reply;
}

void setSweep(quint32 points)
{
    auto& sweep = DataScanManager::sweep();
    sweep.setStart(1e6, false);
    sweep.setStop(1e9, false);
    sweep.setPoints(points, true);
    // The scan asks for slices as it does with an analyser attached; the bench answers them.
    DataScanManager::setScanPause(false, false);
}

// Answers the slice the scan manager asks for next, as the analyser would: the real path, where
// a reply nobody requested is refused. False when no slice is requested.
bool answerNextSlice(float phase)
{
    const TScanRequest request = DataScanManager::scanRequest();
    if (!request.valid || request.frequencies.isEmpty())
        return false;
    DataScanManager::instance().slotProcessScanData(
        sliceReply(request.startIndex, request.frequencies.size(), phase));
    return true;
}

// Points the views drew in their latest refresh; 0 means the benchmark measured nothing.
int drawnPoints(const std::vector<std::unique_ptr<ZChartView>>& views)
{
    int drawn = 0;
    for (const auto& v : views)
        drawn += v->mainSeries()->count() > 0 ? v->livePoints().size() : 0;
    return drawn;
}

// One window holding panes in a 2 x 2 grid, as the main window does.
QWidget& window()
{
    static QWidget* w = [] {
        auto* widget = new QWidget;
        auto* grid = new QGridLayout(widget);
        grid->setSpacing(5);
        widget->resize(1280, 800);
        widget->show();
        return widget;
    }();
    return *w;
}

void place(QWidget* pane, int i)
{
    static_cast<QGridLayout*>(window().layout())->addWidget(pane, i / 2, i % 2);
    pane->show();
}

std::vector<std::unique_ptr<ZChartView>> makeViews()
{
    std::vector<std::unique_ptr<ZChartView>> views;
    for (int i = 0; i < 4; ++i) {
        views.push_back(std::make_unique<ZChartView>());
        ZChartView& v = *views.back();
        v.setCorner(EChartArrangeCorners(i));
        place(&v, i);
        v.setChartType(kTypes[i]);
        v.setActive(true);
    }
    QCoreApplication::processEvents();
    return views;
}

// TOLVEK_BENCH_ITERATIONS=N runs the in-process cases exactly N times: under callgrind, two runs with
// different N give the instructions of one refresh by difference, whatever the set-up costs.
void countedRuns(benchmark::internal::Benchmark* b)
{
    const int n = qEnvironmentVariableIntValue("TOLVEK_BENCH_ITERATIONS");
    if (n > 0)
        b->Iterations(n);
}

// One announcement of new scan data reaches four active views; each re-processes the whole sweep,
// replaces its series, moves its markers and is repainted.
void BM_FourLiveViews(benchmark::State& state)
{
    startManagers();
    ZChartView::setRefreshInterval(0); // every announcement refreshes: the cost of one refresh
    const int points = int(state.range(0));
    setSweep(quint32(points));
    auto views = makeViews();
    // Fill the whole sweep once, so every refresh converts real data.
    for (int i = 0; i < points; i += kSlice)
        if (!answerNextSlice(0.3f)) {
            state.SkipWithError("the scan asked for no slice: nothing would be drawn");
            return;
        }
    for (auto& v : views) // two markers each, as a user typically has
        for (double f : {300.0, 600.0})
            v->addMark(f);
    const quint64 before = views.front()->refreshCount();
    float phase = 0.3f;
    for (auto _ : state) {
        // Each slice answered changes the data, so every refresh draws something new.
        phase += 0.01f;
        if (!answerNextSlice(phase)) {
            state.SkipWithError("the scan stopped asking for slices");
            return;
        }
        // The event loop paints what changed, as it does between two announcements.
        QCoreApplication::processEvents();
    }
    const int drawn = drawnPoints(views);
    if (drawn != 4 * points || views.front()->refreshCount() - before < quint64(state.iterations())) {
        state.SkipWithError("the views drew fewer points or refreshes than were fed");
        return;
    }
    state.counters["points_drawn"] = double(drawn);
    state.counters["refreshes_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FourLiveViews)->Arg(126)->Arg(1000)->Arg(2048)->Unit(benchmark::kMicrosecond)->Apply(countedRuns);

// The same four panes with nothing but the toolkit: plain line series on value axes with the same
// ranges, given the very points the live views drew (precomputed, two sweeps in turn) and repainted.
void BM_FourBareToolkitViews(benchmark::State& state)
{
    startManagers();
    const int points = int(state.range(0));
    setSweep(quint32(points));
    std::vector<QVector<QPointF>> data[2];
    std::vector<QPair<QPointF, QPointF>> ranges;
    {
        ZChartView::setRefreshInterval(0);
        auto live = makeViews();
        for (int k = 0; k < 2; ++k) {
            for (int index = 0; index < points; index += kSlice)
                answerNextSlice(0.3f + 0.5f * k);
            // The series as the views draw them (phase wraps broken), so both draw the same lines.
            for (auto& v : live)
                data[k].push_back(v->mainSeries()->pointsVector());
        }
        if (drawnPoints(live) != 4 * points) {
            state.SkipWithError("the live views drew nothing to copy");
            return;
        }
        for (auto& v : live)
            ranges.push_back({QPointF(v->axisX()->min(), v->axisX()->max()),
                              QPointF(v->axisY()->min(), v->axisY()->max())});
    }
    std::vector<std::unique_ptr<QChartView>> views;
    std::vector<QLineSeries*> series;
    for (int i = 0; i < 4; ++i) {
        auto* chart = new QChart();
        chart->setTheme(QChart::ChartThemeDark);
        chart->setAnimationOptions(QChart::NoAnimation);
        chart->legend()->hide();
        auto* x = new QValueAxis();
        auto* y = new QValueAxis();
        x->setTickCount(5);
        y->setTickCount(6);
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        auto* s = new QLineSeries();
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
        x->setRange(ranges[size_t(i)].first.x(), ranges[size_t(i)].first.y());
        y->setRange(ranges[size_t(i)].second.x(), ranges[size_t(i)].second.y());
        views.push_back(std::make_unique<QChartView>(chart));
        place(views.back().get(), i);
        series.push_back(s);
    }
    QCoreApplication::processEvents();
    int k = 0;
    for (auto _ : state) {
        k ^= 1;
        for (int i = 0; i < 4; ++i) {
            series[size_t(i)]->replace(data[k][size_t(i)]);
        }
        QCoreApplication::processEvents();
    }
    state.counters["refreshes_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FourBareToolkitViews)->Arg(126)->Arg(1000)->Arg(2048)->Unit(benchmark::kMicrosecond)->Apply(countedRuns);

// ---- end to end ----

class Emulator
{
public:
    explicit Emulator(int delayUs) : m_delayUs(delayUs) {}
    ~Emulator()
    {
        m_process.closeWriteChannel(); // --quit-on-eof
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }
    QString start()
    {
        m_link = QDir(m_dir.path()).filePath(QStringLiteral("ttyVNA"));
        m_process.start(QStringLiteral(TOLVEK_EMULATOR_PATH),
                        {QStringLiteral("--link"), m_link, QStringLiteral("--delay-us"),
                         QString::number(m_delayUs), QStringLiteral("--quit-on-eof"),
                         QStringLiteral("--no-announce"), QStringLiteral("--dut"), QStringLiteral("r=100")});
        if (!m_process.waitForStarted(5000))
            return QStringLiteral("emulator did not start (build the vna-emulator target)");
        if (!spinUntil([&] { return QFile::exists(m_link); }, 5000))
            return QStringLiteral("emulator did not create its port");
        return QString();
    }
    QString link() const { return m_link; }

private:
    int m_delayUs;
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_link;
};

std::map<int, std::unique_ptr<Emulator>> emulators;

// Connects to the emulator measuring with the given delay per point (once per delay) and sets a
// 1000-point sweep; the first complete sweep after that is not counted.
QString connectTo(int delayUs)
{
    startManagers();
    auto& emulator = emulators[delayUs];
    if (!emulator) {
        emulator = std::make_unique<Emulator>(delayUs);
        const QString error = emulator->start();
        if (!error.isEmpty())
            return error;
    }
    if (DM::SerialPort::config().portName != emulator->link() || !DM::SerialPort::port().isOpen()) {
        DM::SerialPort::close(false);
        bool calibrated = false;
        QMetaObject::Connection c =
            QObject::connect(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration,
                             [&calibrated] { calibrated = true; });
        TSerialPortConfig config = DM::SerialPort::config();
        config.portName = emulator->link();
        DM::SerialPort::setConfig(config);
        const bool opened = DM::SerialPort::open(true);
        const bool ok = opened && spinUntil([&] { return calibrated; }, 20000);
        QObject::disconnect(c);
        if (!ok)
            return QStringLiteral("no calibration from the emulator");
    }
    setSweep(1000);
    if (DataScanManager::isPaused())
        DataScanManager::setScanPause(false, false);
    const quint64 target = DataScanManager::completedSweeps() + 2;
    if (!spinUntil([target] { return DataScanManager::completedSweeps() >= target; }, 30000))
        return QStringLiteral("no complete sweep after setting the range");
    return QString();
}

void sweepsPerSecond(benchmark::State& state, bool withViews)
{
    const int delayUs = int(state.range(0));
    std::vector<std::unique_ptr<ZChartView>> views;
    // TOLVEK_BENCH_FRAME_MS overrides the display frame, to see what the frame rate costs.
    const int frame = qEnvironmentVariableIsSet("TOLVEK_BENCH_FRAME_MS")
                          ? qEnvironmentVariableIntValue("TOLVEK_BENCH_FRAME_MS")
                          : ZChartView::DEFAULT_REFRESH_INTERVAL_MS;
    ZChartView::setRefreshInterval(frame);
    if (withViews)
        views = makeViews();
    const QString error = connectTo(delayUs);
    if (!error.isEmpty()) {
        state.SkipWithError(error.toLocal8Bit().constData());
        return;
    }
    for (auto _ : state) {
        const quint64 target = DataScanManager::completedSweeps() + 1;
        if (!spinUntil([target] { return DataScanManager::completedSweeps() >= target; }, 30000)) {
            state.SkipWithError("sweep did not complete");
            break;
        }
    }
    quint64 refreshes = 0;
    for (auto& v : views)
        refreshes += v->refreshCount();
    state.counters["sweeps_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["view_refreshes"] = double(refreshes);
}

void BM_Sweeps1000_Headless(benchmark::State& state)
{
    sweepsPerSecond(state, false);
}
void BM_Sweeps1000_FourViews(benchmark::State& state)
{
    sweepsPerSecond(state, true);
}
// The same comparison taken in alternating one-second rounds, so that a change of machine load hits
// both sides alike: views inactive (the headless chain) and four active views, ten rounds each.
void BM_Sweeps1000_Alternating(benchmark::State& state)
{
    const int delayUs = int(state.range(0));
    ZChartView::setRefreshInterval(ZChartView::DEFAULT_REFRESH_INTERVAL_MS);
    auto views = makeViews();
    const QString error = connectTo(delayUs);
    if (!error.isEmpty()) {
        state.SkipWithError(error.toLocal8Bit().constData());
        return;
    }
    double sweeps[2] = {0, 0};
    double seconds[2] = {0, 0};
    for (auto _ : state) {
        for (int round = 0; round < 20; ++round) {
            const int withViews = round % 2;
            for (auto& v : views)
                v->setActive(withViews != 0);
            // Start counting at a sweep boundary.
            quint64 start = DataScanManager::completedSweeps();
            spinUntil([start] { return DataScanManager::completedSweeps() > start; }, 30000);
            start = DataScanManager::completedSweeps();
            QElapsedTimer timer;
            timer.start();
            spinUntil([&timer] { return timer.elapsed() >= 1000; }, 5000);
            const quint64 end = DataScanManager::completedSweeps();
            spinUntil([end] { return DataScanManager::completedSweeps() > end; }, 30000);
            sweeps[withViews] += double(DataScanManager::completedSweeps() - start);
            seconds[withViews] += timer.elapsed() / 1000.0;
        }
    }
    const double headless = sweeps[0] / seconds[0];
    const double withViews = sweeps[1] / seconds[1];
    state.counters["headless_sweeps_per_s"] = headless;
    state.counters["views_sweeps_per_s"] = withViews;
    state.counters["views_cost_pct"] = 100.0 * (1.0 - withViews / headless);
}
BENCHMARK(BM_Sweeps1000_Alternating)->Arg(0)->Arg(50)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

BENCHMARK(BM_Sweeps1000_Headless)
    ->Arg(0)
    ->Arg(50)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);
BENCHMARK(BM_Sweeps1000_FourViews)
    ->Arg(0)
    ->Arg(50)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DM::SerialPort::close(false);
    emulators.clear();
    return 0;
}
