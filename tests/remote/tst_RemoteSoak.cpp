// Four remote clients send a seeded random mix of valid and invalid commands (file commands that
// fail among them) to the real window while the emulator scans through the real serial stack. Every
// command must be answered within its operation's time, and the window's event loop must never be
// held for long. TOLVEK_SOAK_SECONDS (default 60) and TOLVEK_SOAK_SEED change the run.
#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "RemoteTestClient.h"
#include "RemoteWindowRig.h"
#include "core/NoticeBoard.h"
#include "measurement/DataScanManager.h"
#include "remote/RemoteControlServer.h"
#include "ui/MainWindow.h"

using namespace ZData;

namespace {

// The longest a command may take: a sweep's time-out and some slack.
constexpr int STEP_LIMIT_MS = 70000;
#if defined(__SANITIZE_ADDRESS__)
// The sanitizers make every allocation many times slower; the limit still catches a loop that
// never yields, and the normal build holds the real one.
constexpr int MAX_BLOCK_MS = 1500;
#else
constexpr int MAX_BLOCK_MS = 100;
#endif
const QByteArray SENTINEL = "*IDN?";
const QString SENTINEL_ANSWER = QStringLiteral("Tolvek,TolvekVNA,");

const QList<QByteArray> kCommands = {
    // valid
    "SENS:FREQ:STAR 1000000",
    "SENS:FREQ:STOP 900000000",
    "SENS:SWE:POIN 101",
    "SENS:SWE:POIN 201",
    "INIT:IMM",
    "TRAC:DATA?",
    "DEV:LIST?",
    "DEV:CONN?",
    "DEV:ID?",
    "CAL:STAT?",
    "INIT:CONT?",
    "CALC:VIEW1:MARK:ADD 300",
    "CALC:VIEW1:MARK1:TYPE LMAG",
    "CALC:VIEW1:MARK1:TEXT?",
    "CALC:VIEW3:MARK:ADD 450",
    "CALC:VIEW3:MARK1:TEXT?",
    "CALC:VIEW1:MARK:CLE",
    "DISP:VIEW2:TYPE SMITH",
    "DISP:VIEW2:TYPE PHASE",
    "DISP:ARR 11",
    "DISP:ARR?",
    "SYST:ERR?",
    "*CLS",
    "*OPC?",
    "MMEM:STOR:TRAC soak.tbin",
    "MMEM:STOR:TRAC soak.s1p",
    "MMEM:LOAD:TRAC soak.s1p",
    // invalid, and file commands that fail
    "MMEM:LOAD:TRAC damaged.tbin",
    "MMEM:STOR:TRAC folder.tbin",
    "MMEM:LOAD:TRAC missing.dat",
    "MMEM:STOR:TRAC ../out.tbin",
    "SENS:SWE:POIN 5000",
    "SENS:FREQ:STAR -5",
    "FOO:BAR 1",
    "CAL:MEAS THRU",
    "DISP:VIEW9:TYPE SMITH",
    "CALC:VIEW1:MARK9:TEXT?",
    "TRAC:DATA? 1",
    "\x81\xfe\x07 noise",
    "INIT:IMM 3",
};

// Thousands of log lines: they go to the log file only, not to the test's output.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

} // namespace

class tst_RemoteSoak : public QObject
{
    Q_OBJECT

public:
    static void initMain() { TestSupport::allowSoakLength(); }

private slots:
    void fourClientsWhileScanning();
};

void tst_RemoteSoak::fourClientsWhileScanning()
{
    const QtMessageHandler testOutput = qInstallMessageHandler(quiet);
    auto rig = std::make_unique<TestSupport::RemoteWindowRig>();
    const QString why = rig->start(); // the program's own notices: never a box
    QVERIFY2(why.isEmpty(), qPrintable(why));
    // The files the failing commands meet: a damaged trace and a folder where a trace would go.
    QVERIFY(QDir().mkpath(QDir(DataScanManager::traceDir()).filePath(QStringLiteral("folder.tbin"))));
    QVERIFY(TestSupport::writeFile(DataScanManager::traceDir() + "/damaged.tbin", QByteArray(13, '\x7f')));
    const quint32 seed = TestSupport::soakSeed(20261207u);
    std::vector<std::unique_ptr<TestSupport::RemoteTestClient>> clients;
    std::vector<QRandomGenerator> draws;
    for (quint32 i = 0; i < 4; ++i) {
        clients.push_back(std::make_unique<TestSupport::RemoteTestClient>());
        QVERIFY(clients.back()->connectTo(rig->port()));
        draws.emplace_back(seed + i);
    }
    clients[0]->send("DEV:CONN " + rig->emulator().portPath().toLocal8Bit());
    QCOMPARE(clients[0]->query("*OPC?", 60000), QStringLiteral("1"));
    QCOMPARE(clients[0]->drainErrors(), QList<int>());
    ZCore::NoticeBoard::clear();

    // How long the event loop was away between two ticks, and how much of that this thread spent
    // computing (the rest is the machine's other work, not ours).
    qint64 worstGapMs = 0;
    double worstCpuMs = 0;
    QElapsedTimer sinceTick;
    double cpuAtTick = threadCpuMs();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    connect(&ticker, &QTimer::timeout, this, [&] {
        const double cpu = threadCpuMs();
        if (sinceTick.isValid()) {
            worstGapMs = qMax(worstGapMs, sinceTick.elapsed());
            worstCpuMs = qMax(worstCpuMs, cpu - cpuAtTick);
        }
        sinceTick.start();
        cpuAtTick = cpu;
    });

    const quint64 sweepsBefore = DataScanManager::completedSweeps();
    ticker.start();
    int answered = 0;
    qint64 slowest = 0;
    QElapsedTimer soak;
    soak.start();
    // In rounds: each client sends a command and the sentinel, then every command counts as
    // answered when its sentinel's answer arrives (a failed query answers nothing, a good one a
    // line of its own). All four are sent at the round's start, so its length is its slowest answer.
    while (soak.elapsed() < TestSupport::soakSeconds() * 1000) {
        QByteArrayList commands;
        for (size_t i = 0; i < clients.size(); ++i) {
            commands << kCommands.at(int(draws[i].bounded(quint32(kCommands.size()))));
            clients[i]->send(commands.last() + '\n' + SENTINEL);
        }
        QElapsedTimer round;
        round.start();
        for (size_t i = 0; i < clients.size(); ++i) {
            for (int sentinels = commands[int(i)] == SENTINEL ? 2 : 1; sentinels > 0;) {
                const QString line =
                    clients[i]->readLine(int(qMax<qint64>(0, STEP_LIMIT_MS - round.elapsed())));
                QVERIFY2(!line.isNull(),
                         qPrintable(QStringLiteral("unanswered for 70 s: ") + commands[int(i)]));
                sentinels -= line.startsWith(SENTINEL_ANSWER) ? 1 : 0;
            }
            ++answered;
        }
        slowest = qMax(slowest, round.elapsed());
    }
    ticker.stop();
    for (const auto& client : clients)
        QVERIFY(client->isConnected());
    const quint64 sweeps = DataScanManager::completedSweeps() - sweepsBefore;
    std::printf("%s\n",
                qPrintable(QStringLiteral("seed %1, %2 s: %3 commands answered, slowest %4 ms, %5 sweeps; "
                                          "event loop away at most %6 ms, of which at most %7 ms computing")
                               .arg(seed)
                               .arg(TestSupport::soakSeconds())
                               .arg(answered)
                               .arg(slowest)
                               .arg(sweeps)
                               .arg(worstGapMs)
                               .arg(worstCpuMs, 0, 'f', 1)));
    std::fflush(stdout);
    QVERIFY(answered > 40 * TestSupport::soakSeconds() / 60);
    QVERIFY(sweeps > 0);
    QVERIFY2(worstCpuMs < MAX_BLOCK_MS, qPrintable(QString::number(worstCpuMs)));
    // The clients' failures were theirs: none reached the window's notice area.
    QVERIFY2(!ZCore::NoticeBoard::hasNotice(), qPrintable(ZCore::NoticeBoard::current().text));
    QVERIFY(!QFileInfo::exists(QDir(DataScanManager::traceDir()).filePath(QStringLiteral("../out.tbin"))));

    clients.clear();
    rig.reset(); // its closing lines are the log's too
    qInstallMessageHandler(testOutput);
}

QTEST_MAIN(tst_RemoteSoak)
#include "tst_RemoteSoak.moc"
