// Complete sweeps per second through the whole chain: the analyser emulator measuring without delay
// on a pseudo-terminal, the program's serial port, link layer, command queue, device manager,
// calibration correction and data scan manager, all on the one event-loop thread as in the program.
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

#include "BenchSupport.h"
#include "calibration/CalibrationManager.h"
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

using namespace ZData;

namespace {

class Rig
{
public:
    ~Rig()
    {
        DM::SerialPort::close(false);
        m_emulator.closeWriteChannel(); // --quit-on-eof
        if (!m_emulator.waitForFinished(3000))
            m_emulator.kill();
    }

    QString start()
    {
        const QString link = QDir(m_dir.path()).filePath(QStringLiteral("ttyVNA"));
        m_emulator.start(QStringLiteral(TOLVEK_EMULATOR_PATH),
                         {QStringLiteral("--link"), link, QStringLiteral("--delay-us"), QStringLiteral("0"),
                          QStringLiteral("--quit-on-eof"), QStringLiteral("--no-announce"),
                          QStringLiteral("--dut"), QStringLiteral("r=100")});
        if (!m_emulator.waitForStarted(5000))
            return QStringLiteral("emulator did not start (build the vna-emulator target)");
        if (!spinUntil(
                [&] {
                    return m_emulator.readAllStandardOutput().contains(link.toLocal8Bit()) ||
                           QFile::exists(link);
                },
                5000))
            return QStringLiteral("emulator did not create its port");

        ZCore::AppPaths::setBaseDir(QDir(m_dir.path()).filePath(QStringLiteral("app")));
        ZCore::StartupSequence::startManagers();
        ZCore::Logger::setPresenter([](QtMsgType, const QString&, const QString&) {});

        bool calibrated = false;
        QObject::connect(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration,
                         [&calibrated] { calibrated = true; });
        TSerialPortConfig config = DM::SerialPort::config();
        config.portName = link;
        DM::SerialPort::setConfig(config);
        if (!DM::SerialPort::open(true))
            return QStringLiteral("cannot open the emulator's port");
        if (!spinUntil([&] { return calibrated; }, 20000))
            return QStringLiteral("no calibration from the emulator");
        return QString();
    }

    // A new sweep; the first complete sweep after the reset is waited for and not counted.
    bool setSweep(quint32 points)
    {
        auto& sweep = DataScanManager::sweep();
        sweep.setStart(1e6, false);
        sweep.setStop(1e9, false);
        sweep.setPoints(points, true);
        if (DataScanManager::isPaused())
            DataScanManager::setScanPause(false, false);
        return waitForSweeps(2);
    }

    static bool waitForSweeps(quint64 count)
    {
        const quint64 target = DataScanManager::completedSweeps() + count;
        return spinUntil([target] { return DataScanManager::completedSweeps() >= target; }, 20000);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_emulator;
};

Rig* rig = nullptr;

void BM_SweepsPerSecond(benchmark::State& state)
{
    if (!rig) {
        rig = new Rig;
        const QString error = rig->start();
        if (!error.isEmpty()) {
            state.SkipWithError(error.toLocal8Bit().constData());
            return;
        }
    }
    const auto points = quint32(state.range(0));
    if (!rig->setSweep(points)) {
        state.SkipWithError("no complete sweep after setting the range");
        return;
    }
    for (auto _ : state) {
        if (!Rig::waitForSweeps(1)) {
            state.SkipWithError("sweep did not complete");
            break;
        }
    }
    state.counters["sweeps_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["points_per_s"] =
        benchmark::Counter(double(state.iterations()) * points, benchmark::Counter::kIsRate);
}
// Real time: most of a sweep's time is spent waiting for the emulator, not on this thread's CPU.
BENCHMARK(BM_SweepsPerSecond)->Arg(1000)->Arg(126)->Arg(2048)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete rig;
    return 0;
}
