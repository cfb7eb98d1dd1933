#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "UpdateServerProcess.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/FirmwareUpdater.h"
#include "devicelink/SerialPort.h"
#include "server/ServerManager.h"

using namespace ZData;
using TestSupport::EmulatorProcess;
using TestSupport::UpdateServerProcess;

// The updater's transfer through the real serial stack (the emulator on a pseudo-terminal) with the
// update file fetched over real HTTP on loopback from the local update server. The window's side of
// an update, its failures and interruptions are in tst_PgUpdateEndToEnd.
class tst_FirmwareUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void transferThroughLinkFaults_data();
    void transferThroughLinkFaults();
    void portClosedWhileServerAnswers();

private:
    bool startAll(const QByteArray& image, const QStringList& serverArgs = {});
    bool connectDevice(int timeoutMs = 20000);
    void waitForEmulatorLine(const QString& prefix);

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<UpdateServerProcess> m_server;
    std::unique_ptr<EmulatorProcess> m_emulator;
};

void tst_FirmwareUpdate::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    // The managers that start measuring after a connection run too, as in the program.
    const QStringList failed = TestSupport::initManagersButLogger();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));
}

void tst_FirmwareUpdate::cleanup()
{
    DM::SerialPort::close(true);
    m_emulator.reset();
    m_server.reset();
    DeviceManager::reset();
    ConnectionManager::setAutoReconnect(true);
}

bool tst_FirmwareUpdate::startAll(const QByteArray& image, const QStringList& serverArgs)
{
    m_server = std::make_unique<UpdateServerProcess>();
    if (!m_server->addImage(QStringLiteral("2.0.1"), image) || !m_server->start(serverArgs))
        return false;
    ServerManager::setBaseUrl(ServerManager::normalisedBaseUrl(m_server->baseUrl()));
    m_emulator = std::make_unique<EmulatorProcess>();
    return m_emulator->start({"--firmware", "2.0.0", "--next-firmware", "2.0.1"});
}

bool tst_FirmwareUpdate::connectDevice(int timeoutMs)
{
    QSignalSpy started(&DeviceManager::instance(), &DeviceManager::signalStartupFinished);
    TSerialPortConfig cfg;
    cfg.portName = m_emulator->portPath();
    DM::SerialPort::setConfig(cfg);
    return DM::SerialPort::open(true) && QTest::qWaitFor([&] { return !started.isEmpty(); }, timeoutMs);
}

// An emulator line, read while the program's event loop keeps running.
void tst_FirmwareUpdate::waitForEmulatorLine(const QString& prefix)
{
    QString line;
    QTRY_VERIFY2_WITH_TIMEOUT(!line.isEmpty() || !(line = m_emulator->waitForLine({prefix}, 1)).isEmpty(),
                              qPrintable(prefix), 10000);
}

void tst_FirmwareUpdate::transferThroughLinkFaults_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("fault");
    // A chunk index that does not fit in a byte.
    QTest::newRow("more than 255 chunks, no fault") << 300 * 1024 << QString();
    QTest::newRow("a chunk lost twice in a row") << 100 * 1024 + 7 << "lose 2";
    QTest::newRow("an acknowledgement corrupted twice") << 100 * 1024 + 7 << "corrupt 2";
    QTest::newRow("a chunk arriving damaged") << 100 * 1024 + 7 << "damaged";
    // The chunk goes out again; the late acknowledgement and the second one must not be taken for
    // the acknowledgements of the chunks after it.
    QTest::newRow("an acknowledgement arriving after its time-out") << 100 * 1024 + 7 << "late 2500";
}

// From "update firmware" to the reboot into the new firmware and a reconnect, through fewer link
// failures than the link gives up after: the device ends up with exactly the served image.
void tst_FirmwareUpdate::transferThroughLinkFaults()
{
    QFETCH(int, size);
    QFETCH(QString, fault);
    const QByteArray image = UpdateServerProcess::makeImage(size, quint32(size));
    QVERIFY(startAll(image));
    QVERIFY(connectDevice());

    auto& updater = FirmwareUpdater::instance();
    QSignalSpy started(&updater, &FirmwareUpdater::signalUpdateStarted);
    QSignalSpy progress(&updater, &FirmwareUpdater::signalUpdateProgress);
    QSignalSpy finished(&updater, &FirmwareUpdater::signalUpdateFinished);
    QSignalSpy interrupted(&updater, &FirmwareUpdater::signalUpdateInterrupted);
    QSignalSpy states(&updater, &FirmwareUpdater::signalStateChanged);
    QSignalSpy completed(&updater, &FirmwareUpdater::signalUpdateCompleted);
    // Looked at as every chunk goes out; the fault goes in from the report of the 20th chunk, before
    // it is on the wire: polled from here, a fast machine may finish the transfer first.
    int finishedAtProgress = 0;
    bool alwaysInProgress = true;
    QString injected;
    QObject context;
    connect(&updater, &FirmwareUpdater::signalUpdateProgress, &context, [&](int) {
        finishedAtProgress += finished.count();
        alwaysInProgress = alwaysInProgress && FirmwareUpdater::isUpdateInProgress();
        if (!fault.isEmpty() && progress.count() == 20 && injected.isEmpty())
            injected = m_emulator->control(fault);
    });

    QVERIFY(FirmwareUpdater::startFirmwareUpdate());
    QVERIFY2(!FirmwareUpdater::startFirmwareUpdate(), "a second click must not start a second download");
    waitForEmulatorLine("event unplugged");
    waitForEmulatorLine("event plugged bootloader");
    // the program reconnects by itself, downloads and sends every chunk
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 60000);
    QCOMPARE(injected, fault.isEmpty() ? QString() : "ok " + fault);
    QCOMPARE(started.count(), 1);
    QCOMPARE(interrupted.count(), 0);
    QCOMPARE(finishedAtProgress, 0); // finished only after the last acknowledgement
    QCOMPARE(progress.count(), (size + 1023) / 1024);
    QCOMPARE(progress.last().first().toInt(), 100);
    QVERIFY(alwaysInProgress);
    QVERIFY(!FirmwareUpdater::isUpdateInProgress());
    QVERIFY(ConnectionManager::autoReconnect());
    QVERIFY(FirmwareUpdater::firmwareImage().isEmpty());
    QVERIFY(ServerManager::replyBytes().isEmpty());

    // the device restarts with the new firmware once the program has let go of the line, and the
    // program opens the port again by itself
    QTRY_VERIFY_WITH_TIMEOUT(!completed.isEmpty(), 20000);
    QCOMPARE(completed.first().first().toString(), QStringLiteral("2.0.1"));
    QCOMPARE(DeviceManager::deviceInfo().firmwareVersion.toString(), QStringLiteral("2.0.1"));
    QVERIFY(!FirmwareUpdater::isReopenPending());
    using S = FirmwareUpdater::EState;
    QList<S> path;
    for (const QList<QVariant>& args : qAsConst(states))
        path << args.first().value<S>();
    QCOMPARE(path, (QList<S>{S::REBOOTING, S::DOWNLOADING, S::SENDING, S::RESTARTING, S::IDLE}));
    const QString status = m_emulator->control("status");
    QVERIFY2(status.contains(UpdateServerProcess::imageStatus(image)), qPrintable(status));
    QCOMPARE(m_server->requests().filter("program_type=1").size(), 1);
}

// A server answer that arrives after the port has closed must not finish a command of the next
// connection.
void tst_FirmwareUpdate::portClosedWhileServerAnswers()
{
    QVERIFY(startAll(UpdateServerProcess::makeImage(100), {"--fail", "slow", "--slow-ms", "1500"}));
    QVERIFY(connectDevice()); // the version report at start-up is answered late
    QSignalSpy reply(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateReply);
    QSignalSpy checkFailed(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateCheckFailed);
    FirmwareUpdater::checkForUpdates();
    QTRY_VERIFY_WITH_TIMEOUT(!m_server->requests().filter("device_number=2083-1719-77 ->").isEmpty(), 10000);
    QElapsedTimer sinceAsked;
    sinceAsked.start();
    DM::SerialPort::close(true);
    QVERIFY(!ServerManager::isBusy());
    QSignalSpy startup(&DeviceManager::instance(), &DeviceManager::signalStartupFinished);
    QVERIFY(DM::SerialPort::open(false));
    // the start-up of the new connection goes its own way
    QVERIFY(startup.wait(10000));
    QCOMPARE(DeviceManager::deviceInfo().firmwareVersion.toString(), QStringLiteral("2.0.0"));
    // Proves that nothing happens: past the moment the server answers the dropped question.
    QTest::qWait(qMax(0, 2000 - int(sinceAsked.elapsed())));
    QCOMPARE(reply.count(), 0);
    QCOMPARE(checkFailed.count(), 0);
}

QTEST_MAIN(tst_FirmwareUpdate)
#include "tst_FirmwareUpdate.moc"
