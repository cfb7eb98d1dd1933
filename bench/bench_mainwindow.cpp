// Complete 1000-point sweeps per second through the emulator and the real serial stack, headless
// (the managers the measurement tool runs) beside the main window showing four live chart views,
// at two emulator speeds. The window's cost is the difference between the two rows of a speed.
#include "BenchSupport.h"
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <memory>

#include "calibration/CalibrationManager.h"
#include "charts/ZChartView.h"
#include "core/AppPaths.h"
#include "core/LocalizationManager.h"
#include "core/Logger.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "ui/MainWindow.h"
#include "ui/pages/PgCharts.h"

using namespace ZData;

namespace {

constexpr quint32 POINTS = 1000;

bool waitForSweeps(quint64 count)
{
    const quint64 target = DataScanManager::completedSweeps() + count;
    return spinUntil([target] { return DataScanManager::completedSweeps() >= target; }, 30000);
}

class Rig
{
public:
    Rig()
    {
        ZCore::AppPaths::setBaseDir(QDir(m_dir.path()).filePath(QStringLiteral("app")));
        ZCore::StartupSequence::startManagers();
        ZCore::Logger::setPresenter([](QtMsgType, const QString&, const QString&) {});
        QObject::connect(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration,
                         [this] { m_calibrated = true; });
    }
    ~Rig()
    {
        m_window.reset();
        stopEmulator();
    }

    // An emulator measuring with the given delay per point, connected and calibrated.
    QString useDelay(int delayUs)
    {
        if (delayUs == m_delay && DM::SerialPort::isOpen())
            return QString();
        stopEmulator();
        const QString link = QDir(m_dir.path()).filePath(QStringLiteral("ttyVNA%1").arg(delayUs));
        m_emulator.start(QStringLiteral(TOLVEK_EMULATOR_PATH),
                         {QStringLiteral("--link"), link, QStringLiteral("--delay-us"),
                          QString::number(delayUs), QStringLiteral("--quit-on-eof"),
                          QStringLiteral("--no-announce")});
        if (!m_emulator.waitForStarted(5000) || !spinUntil([&] { return QFile::exists(link); }, 5000))
            return QStringLiteral("emulator did not start (build the vna-emulator target)");
        m_calibrated = false;
        TSerialPortConfig config = DM::SerialPort::config();
        config.portName = link;
        DM::SerialPort::setConfig(config);
        if (!DM::SerialPort::open(true))
            return QStringLiteral("cannot open the emulator's port");
        if (!spinUntil([this] { return m_calibrated; }, 30000))
            return QStringLiteral("no calibration from the emulator");
        m_delay = delayUs;
        return QString();
    }

    void showWindow(bool shown)
    {
        if (!shown) {
            m_window.reset();
            return;
        }
        if (!m_window) {
            m_window = std::make_unique<MainWindow>();
            m_window->setWarningPresenter([](const QString&, const QString&) {});
            m_window->resize(1400, 820);
            m_window->pgCharts()->arrangementBox()->setCurrentIndex(11); // four views
            m_window->show();
        }
    }

    MainWindow* window() const { return m_window.get(); }

    bool setSweep()
    {
        auto& sweep = DataScanManager::sweep();
        sweep.setStart(1e6, false);
        sweep.setStop(3e9, false);
        sweep.setPoints(POINTS, true);
        if (DataScanManager::isPaused())
            DataScanManager::setScanPause(false, false);
        return waitForSweeps(2);
    }

private:
    void stopEmulator()
    {
        DM::SerialPort::close(false);
        if (m_emulator.state() != QProcess::NotRunning) {
            m_emulator.closeWriteChannel();
            if (!m_emulator.waitForFinished(3000))
                m_emulator.kill();
        }
        m_delay = -1;
    }

    QTemporaryDir m_dir;
    QProcess m_emulator;
    std::unique_ptr<MainWindow> m_window;
    bool m_calibrated = false;
    int m_delay = -1;
};

Rig* rig = nullptr;

// Arguments: emulator delay per point in microseconds, window shown (0 or 1), refresh interval of
// the views in ms (0: the window's own choice).
void BM_Sweeps1000(benchmark::State& state)
{
    if (!rig)
        rig = new Rig;
    const QString error = rig->useDelay(int(state.range(0)));
    if (!error.isEmpty()) {
        state.SkipWithError(error.toLocal8Bit().constData());
        return;
    }
    rig->showWindow(state.range(1) != 0);
    // A third argument overrides the window's refresh budget (ms between refreshes of one view).
    if (state.range(2) > 0)
        ZChart::ZChartView::setRefreshInterval(int(state.range(2)));
    if (!rig->setSweep()) {
        state.SkipWithError("no complete sweep after setting the range");
        return;
    }
    for (auto _ : state) {
        if (!waitForSweeps(1)) {
            state.SkipWithError("sweep did not complete");
            break;
        }
    }
    state.counters["sweeps_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(state.range(1) ? "window, four views" : "headless");
}
BENCHMARK(BM_Sweeps1000)
    ->ArgNames({"delay_us", "window", "refresh_ms"})
    ->Args({0, 0, 0})
    ->Args({0, 1, 0})
    ->Args({0, 1, 16})
    ->Args({0, 1, 100})
    ->Args({50, 0, 0})
    ->Args({50, 1, 0})
    ->Args({50, 1, 16})
    ->Args({50, 1, 100})
    ->MinTime(5.0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The same comparison in alternating two-second rounds, so that a busy machine slows both sides
// alike: the window hidden with its views inactive (what stays is the headless chain), then shown
// with four live views. Argument: emulator delay per point in microseconds.
void BM_Sweeps1000_Alternating(benchmark::State& state)
{
    if (!rig)
        rig = new Rig;
    const QString error = rig->useDelay(int(state.range(0)));
    if (!error.isEmpty()) {
        state.SkipWithError(error.toLocal8Bit().constData());
        return;
    }
    rig->showWindow(true);
    MainWindow* window = rig->window();
    if (!rig->setSweep()) {
        state.SkipWithError("no complete sweep after setting the range");
        return;
    }
    // Each side first settles (the window's first paint after showing is not the steady cost).
    auto round = [](int ms) {
        QElapsedTimer settle;
        settle.start();
        spinUntil([&settle] { return settle.elapsed() >= 300; }, 1300);
        const quint64 first = DataScanManager::completedSweeps();
        QElapsedTimer timer;
        timer.start();
        spinUntil([&timer, ms] { return timer.elapsed() >= ms; }, ms + 1000);
        return QPair<double, double>(double(DataScanManager::completedSweeps() - first),
                                     timer.elapsed() / 1000.0);
    };
    double headlessSweeps = 0, headlessSeconds = 0, windowSweeps = 0, windowSeconds = 0;
    for (auto _ : state) {
        window->hide();
        for (ZChart::ZChartView* view : window->chartViews())
            view->setActive(false);
        const auto headless = round(2000);
        headlessSweeps += headless.first;
        headlessSeconds += headless.second;
        window->show();
        window->slotChartArrangementChanged(11);
        const auto shown = round(2000);
        windowSweeps += shown.first;
        windowSeconds += shown.second;
    }
    const double headlessRate = headlessSweeps / qMax(headlessSeconds, 1e-9);
    const double windowRate = windowSweeps / qMax(windowSeconds, 1e-9);
    state.counters["headless_sweeps_per_s"] = headlessRate;
    state.counters["window_sweeps_per_s"] = windowRate;
    state.counters["lost_percent"] = headlessRate > 0 ? 100.0 * (1.0 - windowRate / headlessRate) : 0.0;
}
BENCHMARK(BM_Sweeps1000_Alternating)
    ->ArgNames({"delay_us"})
    ->Arg(0)
    ->Arg(50)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ZCore::StartupSequence::prepare();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete rig;
    return 0;
}
