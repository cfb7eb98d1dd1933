// Four remote clients send a seeded random mix of valid and invalid commands (file commands that
// fail among them) to the real window while the emulator scans through the real serial stack. Every
// command must be answered within its operation's time, and the window's event loop must never be
// held for long. TOLVEK_SOAK_SECONDS (default 60) and TOLVEK_SOAK_SEED change the run.
#include <QDir>
#include <QRandomGenerator>
#include <QTcpSocket>
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

// One client: sends a command and the sentinel, and counts the command answered when the
// sentinel's answer arrives (a failed query answers nothing, a good one a line of its own).
class SoakClient : public QObject
{
public:
    SoakClient(quint16 port, quint32 seed) : m_rng(seed)
    {
        connect(&m_socket, &QTcpSocket::readyRead, this, [this] { onReadable(); });
        connect(&m_socket, &QTcpSocket::connected, this, [this] { next(); });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

    void stop() { m_stopping = true; }
    bool isIdle() const { return !m_pending; }
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    int answered() const { return m_answered; }
    qint64 slowestMs() const { return m_slowest; }
    // A step older than its limit, with its command, or an empty string.
    QString overdue() const
    {
        return m_pending && m_step.elapsed() > STEP_LIMIT_MS ? QString::fromLatin1(m_command) : QString();
    }

private:
    void next()
    {
        if (m_stopping)
            return;
        m_command = kCommands.at(int(m_rng.bounded(quint32(kCommands.size()))));
        m_sentinels = m_command == SENTINEL ? 2 : 1;
        m_pending = true;
        m_step.start();
        m_socket.write(m_command + '\n' + SENTINEL + '\n');
    }

    void onReadable()
    {
        while (m_socket.canReadLine()) {
            const QString line = QString::fromLatin1(m_socket.readLine()).trimmed();
            if (!line.startsWith(SENTINEL_ANSWER) || --m_sentinels > 0)
                continue;
            m_pending = false;
            ++m_answered;
            m_slowest = qMax(m_slowest, m_step.elapsed());
            next();
        }
    }

    QTcpSocket m_socket;
    QRandomGenerator m_rng;
    QByteArray m_command;
    QElapsedTimer m_step;
    int m_sentinels = 0;
    bool m_pending = false;
    bool m_stopping = false;
    int m_answered = 0;
    qint64 m_slowest = 0;
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
    const QString why = rig->start(true); // the program's own notices: never a box
    QVERIFY2(why.isEmpty(), qPrintable(why));
    // The files the failing commands meet: a damaged trace and a folder where a trace would go.
    QVERIFY(QDir().mkpath(QDir(DataScanManager::traceDir()).filePath(QStringLiteral("folder.tbin"))));
    QFile damaged(QDir(DataScanManager::traceDir()).filePath(QStringLiteral("damaged.tbin")));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(13, '\x7f'));
    damaged.close();
    TestSupport::RemoteTestClient setup;
    QVERIFY(setup.connectTo(rig->port()));
    setup.send("DEV:CONN " + rig->emulator().portPath().toLocal8Bit());
    QCOMPARE(setup.query("*OPC?", 60000), QStringLiteral("1"));
    QCOMPARE(setup.drainErrors(), QList<int>());
    setup.socket().disconnectFromHost();
    QTRY_COMPARE(rig->window().remoteControl()->clientCount(), 0);
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

    const quint32 seed = TestSupport::soakSeed(20261207u);
    const quint64 sweepsBefore = DataScanManager::completedSweeps();
    std::vector<std::unique_ptr<SoakClient>> clients;
    for (quint32 i = 0; i < 4; ++i)
        clients.push_back(std::make_unique<SoakClient>(rig->port(), seed + i));
    ticker.start();
    QElapsedTimer soak;
    soak.start();
    QString overdue;
    while (soak.elapsed() < TestSupport::soakSeconds() * 1000 && overdue.isEmpty()) {
        QTest::qWait(50);
        for (const auto& client : clients)
            if (overdue.isEmpty())
                overdue = client->overdue();
    }
    for (const auto& client : clients)
        client->stop();
    QVERIFY2(overdue.isEmpty(), qPrintable(QStringLiteral("unanswered for 70 s: ") + overdue));
    // The last command of each client still gets its answer.
    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(clients.begin(), clients.end(), [](const auto& c) { return c->isIdle(); }),
        STEP_LIMIT_MS);
    ticker.stop();

    int answered = 0;
    qint64 slowest = 0;
    for (const auto& client : clients) {
        QVERIFY(client->isConnected());
        answered += client->answered();
        slowest = qMax(slowest, client->slowestMs());
    }
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
