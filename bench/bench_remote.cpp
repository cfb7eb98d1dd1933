// Remote-control queries per second over loopback while the scan runs: the analyser emulator
// measuring without delay on a pseudo-terminal, the program's managers and the remote-control server on
// this thread's event loop, and a TCP client asking in lock step (one query, its whole answer, the next).
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <functional>

#include "BenchSupport.h"
#include "calibration/CalibrationManager.h"
#include "core/AppPaths.h"
#include "core/LocalizationManager.h"
#include "core/Logger.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "remote/RemoteCommands.h"
#include "remote/RemoteControlServer.h"
#include "remote/RemoteSweepRecorder.h"

using namespace ZData;

namespace {

class Rig
{
public:
    ~Rig()
    {
        m_client.abort();
        delete m_server;
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
        if (!spinUntil([&] { return QFile::exists(link); }, 5000))
            return QStringLiteral("emulator did not create its port");

        ZCore::AppPaths::setBaseDir(QDir(m_dir.path()).filePath(QStringLiteral("app")));
        ZCore::StartupSequence::startManagers();
        ZCore::Logger::setPresenter([](QtMsgType, const QString&, const QString&) {});

        m_server = new ZRemote::RemoteControlServer();
        if (!m_server->start(0))
            return QStringLiteral("remote control cannot listen");
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

        auto& sweep = DataScanManager::sweep();
        sweep.setStart(1e6, false);
        sweep.setStop(1e9, false);
        sweep.setPoints(1000, true);
        if (!spinUntil([this] { return m_server->commands()->recorder()->hasSweep(); }, 20000))
            return QStringLiteral("no complete sweep of 1000 points");

        m_client.connectToHost(QHostAddress::LocalHost, m_server->port());
        if (!spinUntil([this] { return m_client.state() == QAbstractSocket::ConnectedState; }, 5000))
            return QStringLiteral("cannot connect to the remote control");
        return QString();
    }

    // One query and its whole answer line; the answer's size, or -1.
    qint64 ask(const QByteArray& line)
    {
        m_client.write(line);
        qint64 size = -1;
        spinUntil(
            [&] {
                m_buffer += m_client.readAll();
                const int end = m_buffer.indexOf('\n');
                if (end < 0)
                    return false;
                size = end;
                m_buffer.remove(0, end + 1);
                return true;
            },
            5000);
        return size;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_emulator;
    ZRemote::RemoteControlServer* m_server = nullptr;
    QTcpSocket m_client;
    QByteArray m_buffer;
};

Rig* rig = nullptr;

bool ensureRig(benchmark::State& state)
{
    if (rig)
        return true;
    rig = new Rig;
    const QString error = rig->start();
    if (error.isEmpty())
        return true;
    state.SkipWithError(error.toLocal8Bit().constData());
    return false;
}

void runQueries(benchmark::State& state, const QByteArray& line)
{
    if (!ensureRig(state))
        return;
    const quint64 sweepsBefore = DataScanManager::completedSweeps();
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 bytes = 0;
    for (auto _ : state) {
        const qint64 size = rig->ask(line);
        if (size < 0) {
            state.SkipWithError("no answer");
            break;
        }
        bytes += size + 1;
    }
    state.counters["sweep_points"] = double(DataScanManager::sweep().points());
    state.counters["queries_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["answer_bytes"] =
        benchmark::Counter(double(bytes) / double(qMax<qint64>(1, state.iterations())));
    // The scan goes on meanwhile: complete 1000-point sweeps per second during the queries.
    state.counters["sweeps_per_s"] = benchmark::Counter(
        double(DataScanManager::completedSweeps() - sweepsBefore), benchmark::Counter::kIsRate);
}

// The whole last sweep: 1000 points as "f,re,im" text.
void BM_TraceDataQueries(benchmark::State& state)
{
    runQueries(state, QByteArrayLiteral("TRAC:DATA?\n"));
}
BENCHMARK(BM_TraceDataQueries)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Baseline: the round trip of a one-line answer through the same server and event loop.
void BM_IdentityQueries(benchmark::State& state)
{
    runQueries(state, QByteArrayLiteral("*IDN?\n"));
}
BENCHMARK(BM_IdentityQueries)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Baseline: the scan alone, no client asking.
void BM_SweepsWithoutQueries(benchmark::State& state)
{
    if (!ensureRig(state))
        return;
    for (auto _ : state) {
        const quint64 target = DataScanManager::completedSweeps() + 1;
        if (!spinUntil([target] { return DataScanManager::completedSweeps() >= target; }, 20000)) {
            state.SkipWithError("sweep did not complete");
            break;
        }
    }
    state.counters["sweeps_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SweepsWithoutQueries)->UseRealTime()->Unit(benchmark::kMillisecond);

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
