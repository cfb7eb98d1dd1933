#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "UpdateServerProcess.h"
#include "calibration/CalibrationManager.h"
#include "core/SettingsManager.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/FirmwareUpdater.h"
#include "devicelink/FrameCodec.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "server/ServerManager.h"

using namespace ZData;
using TestSupport::EmulatorProcess;
using TestSupport::UpdateServerProcess;

namespace {

bool waitForCount(const QSignalSpy& spy, int count, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (spy.count() < count && clock.elapsed() < timeoutMs)
        QTest::qWait(5);
    return spy.count() >= count;
}

// Waits for an emulator line while the program's event loop keeps running.
QString waitForEmulator(EmulatorProcess& emulator, const QString& prefix, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const QString line = emulator.waitForLine({prefix}, 1);
        if (!line.isEmpty())
            return line;
        QTest::qWait(5);
    }
    return QString();
}

QString imageStatus(const QByteArray& image)
{
    return QStringLiteral("image_size=%1 image_crc=%2")
        .arg(image.size())
        .arg(FrameCodec::crc32(image), 8, 16, QLatin1Char('0'));
}

} // namespace

// A firmware update through the real serial stack (the emulator on a pseudo-terminal) with the
// update file fetched over real HTTP on loopback from the local update server.
class tst_FirmwareUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void updateEndToEnd_data();
    void updateEndToEnd();
    void downloadFailureSendsNothing_data();
    void downloadFailureSendsNothing();
    void interruptedTransfer_data();
    void interruptedTransfer();
    void chunkExchangeFails_data();
    void chunkExchangeFails();
    void portClosedWhileServerAnswers();

private:
    bool startAll(const QByteArray& image, const QStringList& serverArgs = {});
    bool connectDevice(int timeoutMs = 15000);
    // From the click on "Update firmware" to the reboot into the new firmware and a reconnect; the
    // emulator's fault line, if any, is given once 20 chunks are acknowledged.
    void runUpdateToTheEnd(const QByteArray& image, bool expectReboot, const QString& fault = QString());
    // Gives the emulator the fault line from the progress report of the given chunk, before that
    // chunk is on the wire: polled from the test, a fast machine may finish the transfer first.
    void injectAtChunk(QObject& context, const QString& fault, int chunk, QString& answer);

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<UpdateServerProcess> m_server;
    std::unique_ptr<EmulatorProcess> m_emulator;
    std::unique_ptr<QSignalSpy> m_progress;
    QVector<bool> m_inProgressAtProgress;
    int m_finishedAtProgress = 0;
};

void tst_FirmwareUpdate::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    qRegisterMetaType<ZData::EServerCommands>();
    QVERIFY(DeviceMessageManager::init());
    QVERIFY(DM::SerialPort::init());
    QVERIFY(DM::CommandQueue::init());
    QVERIFY(ConnectionManager::init());
    QVERIFY(DeviceManager::init());
    // The managers that start measuring after a connection run too, as in the program.
    ZCore::SettingsManager::init();
    QVERIFY(CalibrationManager::init());
    QVERIFY(DataScanManager::init());
    connect(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateProgress, this,
            [this](int) { m_inProgressAtProgress << FirmwareUpdater::isUpdateInProgress(); });
}

void tst_FirmwareUpdate::init()
{
    m_inProgressAtProgress.clear();
    m_progress =
        std::make_unique<QSignalSpy>(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateProgress);
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
    return DM::SerialPort::open(true) && waitForCount(started, 1, timeoutMs);
}

void tst_FirmwareUpdate::runUpdateToTheEnd(const QByteArray& image, bool expectReboot, const QString& fault)
{
    QSignalSpy started(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateStarted);
    QSignalSpy finished(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateFinished);
    QSignalSpy interrupted(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateInterrupted);
    QSignalSpy closed(&DM::SerialPort::instance(), &DM::SerialPort::signalClosed);
    QSignalSpy states(&FirmwareUpdater::instance(), &FirmwareUpdater::signalStateChanged);
    QSignalSpy completed(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateCompleted);
    auto progressCount = [this] { return m_progress->count(); };
    const int progressBefore = progressCount();
    connect(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateProgress, &started,
            [this, &finished](int) { m_finishedAtProgress += finished.count(); });
    m_finishedAtProgress = 0;
    const int downloadsBefore = m_server->requests().filter("program_type=1").size();

    QVERIFY(FirmwareUpdater::startFirmwareUpdate());
    QVERIFY2(!FirmwareUpdater::startFirmwareUpdate(), "a second click must not start a second download");
    if (expectReboot) {
        QVERIFY(!waitForEmulator(*m_emulator, "event unplugged", 5000).isEmpty());
        QVERIFY(!waitForEmulator(*m_emulator, "event plugged bootloader", 5000).isEmpty());
    }
    // the program reconnects by itself, downloads and sends every chunk
    QString injected;
    QObject injector;
    if (!fault.isEmpty())
        injectAtChunk(injector, fault, 20, injected);
    QVERIFY(waitForCount(finished, 1, 60000));
    QCOMPARE(injected, fault.isEmpty() ? QString() : "ok " + fault);
    QCOMPARE(started.count(), 1);
    QCOMPARE(interrupted.count(), 0);
    QCOMPARE(m_finishedAtProgress, 0); // finished only after the last acknowledgement
    const int chunks = (image.size() + 1023) / 1024;
    QCOMPARE(progressCount() - progressBefore, chunks);
    QCOMPARE(m_progress->last().first().toInt(), 100);
    QVERIFY(!m_inProgressAtProgress.contains(false));
    QVERIFY(!FirmwareUpdater::isUpdateInProgress());
    QVERIFY(ConnectionManager::autoReconnect());
    QVERIFY(FirmwareUpdater::firmwareImage().isEmpty());
    QVERIFY(ServerManager::replyBytes().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!DM::SerialPort::isOpen(), 5000);

    // the device restarts with the new firmware once the program has let go of the line, and the
    // program opens the port again by itself
    QVERIFY(waitForCount(completed, 1, 20000));
    QCOMPARE(completed.first().first().toString(), QStringLiteral("2.0.1"));
    QCOMPARE(DeviceManager::deviceInfo().firmwareVersion.toString(), QStringLiteral("2.0.1"));
    QVERIFY(!FirmwareUpdater::isReopenPending());
    using S = FirmwareUpdater::EState;
    QList<S> path;
    for (const QList<QVariant>& args : qAsConst(states))
        path << args.first().value<S>();
    QList<S> expected{S::DOWNLOADING, S::SENDING, S::RESTARTING, S::IDLE};
    if (expectReboot)
        expected.prepend(S::REBOOTING);
    QCOMPARE(path, expected);
    const QString status = m_emulator->control("status");
    QVERIFY2(status.contains(imageStatus(image)), qPrintable(status + " / " + imageStatus(image)));
    QCOMPARE(m_server->requests().filter("program_type=1").size(), downloadsBefore + 1);
}

void tst_FirmwareUpdate::injectAtChunk(QObject& context, const QString& fault, int chunk, QString& answer)
{
    auto reports = std::make_shared<int>(0);
    connect(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateProgress, &context,
            [this, fault, chunk, reports, &answer](int) {
                if (++*reports == chunk && answer.isEmpty())
                    answer = m_emulator->control(fault);
            });
}

void tst_FirmwareUpdate::updateEndToEnd_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("serverArgs");
    QTest::newRow("2049 bytes") << 2049 << QStringList();
    QTest::newRow("300 KiB") << 300 * 1024 << QStringList();
    // Read by a fixed offset, this form lost the first Base64 character and sent a wrong image.
    QTest::newRow("no blank after the OK marker") << 3 * 1024 << QStringList{"--compact"};
    // About 4.5 s for the file: longer than the server time-out, but never 3 s without progress.
    QTest::newRow("a slow but steady download")
        << 100 * 1024 << QStringList{"--fail", "throttled", "--rate", "30000"};
}

void tst_FirmwareUpdate::updateEndToEnd()
{
    QFETCH(int, size);
    QFETCH(QStringList, serverArgs);
    const QByteArray image = UpdateServerProcess::makeImage(size, quint32(size));
    QVERIFY(startAll(image, serverArgs));
    QVERIFY(connectDevice());
    QVERIFY(!m_server->waitForRequest("device_number=2083-1719-77&device_soft_version=2.0.0").isEmpty());

    QSignalSpy reply(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateReply);
    FirmwareUpdater::checkForUpdates();
    QVERIFY(waitForCount(reply, 1, 5000));
    QCOMPARE(reply.first().first().toString(), QStringLiteral("2.0.1"));

    runUpdateToTheEnd(image, true);
    if (QTest::currentTestFailed())
        return;
    if (size == 2049) {
        QList<int> values;
        for (const QList<QVariant>& args : qAsConst(*m_progress))
            values << args.first().toInt();
        QCOMPARE(values, (QList<int>{33, 66, 100}));
    }
    // the new firmware is reported to the server on the reconnect
    QVERIFY(!m_server->waitForRequest("device_soft_version=2.0.1").isEmpty());
}

void tst_FirmwareUpdate::downloadFailureSendsNothing_data()
{
    QTest::addColumn<QStringList>("serverArgs");
    QTest::addColumn<EServerCommands>("result");
    using E = EServerCommands;
    QTest::newRow("bin not found") << QStringList{"--fail", "bin-not-found"} << E::E_BIN_NOT_FOUND;
    QTest::newRow("slow server") << QStringList{"--fail", "slow", "--slow-ms", "5000"}
                                 << E::E_REQUEST_TIMEOUT;
    QTest::newRow("no file") << QStringList{"--fail", "empty"} << E::GET_UPDATE;
    QTest::newRow("invalid Base64") << QStringList{"--fail", "bad-base64"} << E::GET_UPDATE;
    QTest::newRow("not the protocol") << QStringList{"--fail", "garbage"} << E::E_UNKNOWN;
}

void tst_FirmwareUpdate::downloadFailureSendsNothing()
{
    QFETCH(QStringList, serverArgs);
    QFETCH(EServerCommands, result);
    QVERIFY(startAll(UpdateServerProcess::makeImage(2049), serverArgs));
    QVERIFY(connectDevice(20000));
    QSignalSpy failed(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateFailed);
    QSignalSpy started(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateStarted);
    QSignalSpy bootloader(&DeviceManager::instance(), &DeviceManager::signalGotBootloaderDevice);
    QVERIFY(FirmwareUpdater::startFirmwareUpdate());
    QVERIFY(waitForCount(failed, 1, 20000));
    QCOMPARE(failed.first().first().value<EServerCommands>(), result);
    QCOMPARE(started.count(), 0);
    QCOMPARE(m_progress->count(), 0);
    QCOMPARE(bootloader.count(), 0); // the device came back for this update, not stranded
    QVERIFY(DeviceManager::lastRequestHeader().command != quint16(EDeviceCommands::B_INIT_UPDATE));
    QVERIFY(FirmwareUpdater::firmwareImage().isEmpty());
    QVERIFY(!FirmwareUpdater::isUpdateUnderway());
    // still connected, to the device in its bootloader, and nothing of the image reached it
    QTest::qWait(300);
    QVERIFY(DM::SerialPort::isOpen());
    const QString status = m_emulator->control("status");
    QVERIFY2(status.contains("state=bootloader") && status.contains("image_size=-1 "), qPrintable(status));
}

void tst_FirmwareUpdate::interruptedTransfer_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("unplugged in the middle of the chunks") << "unplug";
    QTest::newRow("a chunk corrupted three times in a row") << "corrupt 3";
}

void tst_FirmwareUpdate::interruptedTransfer()
{
    QFETCH(QString, fault);
    const QByteArray image = UpdateServerProcess::makeImage(200 * 1024, 7);
    QVERIFY(startAll(image));
    QVERIFY(connectDevice());
    QSignalSpy interrupted(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateInterrupted);
    QSignalSpy finished(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateFinished);
    QSignalSpy bootloader(&DeviceManager::instance(), &DeviceManager::signalGotBootloaderDevice);
    QString injected;
    {
        QObject injector;
        injectAtChunk(injector, fault, 20, injected);
        QVERIFY(FirmwareUpdater::startFirmwareUpdate());
        QVERIFY(waitForCount(interrupted, 1, 40000));
    }
    QCOMPARE(injected, "ok " + fault);
    QCOMPARE(finished.count(), 0);
    QVERIFY(!FirmwareUpdater::isUpdateInProgress());
    QVERIFY(FirmwareUpdater::firmwareImage().isEmpty());
    QVERIFY(ConnectionManager::autoReconnect());
    QVERIFY(m_progress->last().first().toInt() < 100);

    if (fault == "unplug") {
        // the program finds the device again by itself once it is back
        QCOMPARE(m_emulator->control("plug"), QString("ok plug"));
    } else {
        // the link gave up and closed the port; the user connects again
        QTRY_VERIFY_WITH_TIMEOUT(!DM::SerialPort::isOpen(), 3000);
        QVERIFY(DM::SerialPort::open(false));
    }
    QVERIFY(waitForCount(bootloader, 1, 15000));
    QVERIFY(m_emulator->control("status").contains("state=bootloader"));

    // the update can be run again, straight from the bootloader
    m_progress->clear();
    m_inProgressAtProgress.clear();
    runUpdateToTheEnd(image, false);
}

void tst_FirmwareUpdate::chunkExchangeFails_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("a chunk lost on its way to the device") << "lose 1";
    QTest::newRow("a chunk lost twice in a row") << "lose 2";
    QTest::newRow("an acknowledgement lost") << "drop 1";
    QTest::newRow("an acknowledgement corrupted twice") << "corrupt 2";
    QTest::newRow("a chunk arriving damaged") << "damaged";
    // The chunk goes out again; the late acknowledgement and the second one must not be taken for
    // the acknowledgements of the chunks after it.
    QTest::newRow("an acknowledgement arriving after its time-out") << "late 2500";
}

// Fewer failures than the link gives up after: the transfer goes on and the device ends up with
// exactly the served image, every chunk in its place.
void tst_FirmwareUpdate::chunkExchangeFails()
{
    QFETCH(QString, fault);
    const QByteArray image = UpdateServerProcess::makeImage(100 * 1024 + 7, 11);
    QVERIFY(startAll(image));
    QVERIFY(connectDevice());
    runUpdateToTheEnd(image, true, fault);
}

// A server answer that arrives after the port has closed must not finish a command of the next
// connection.
void tst_FirmwareUpdate::portClosedWhileServerAnswers()
{
    QVERIFY(startAll(UpdateServerProcess::makeImage(100), {"--fail", "slow", "--slow-ms", "1500"}));
    QVERIFY(connectDevice(20000)); // the version report at start-up times out
    QSignalSpy reply(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateReply);
    QSignalSpy checkFailed(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateCheckFailed);
    FirmwareUpdater::checkForUpdates();
    QVERIFY(!m_server->waitForRequest("device_number=2083-1719-77 ->").isEmpty());
    DM::SerialPort::close(true);
    QVERIFY(!ServerManager::isBusy());
    QSignalSpy startup(&DeviceManager::instance(), &DeviceManager::signalStartupFinished);
    QVERIFY(DM::SerialPort::open(false));
    QTest::qWait(2000); // past the moment the server answers
    QCOMPARE(reply.count(), 0);
    QCOMPARE(checkFailed.count(), 0);
    // the start-up of the new connection went its own way (its version report times out)
    QVERIFY(waitForCount(startup, 1, 10000));
    QCOMPARE(DeviceManager::deviceInfo().firmwareVersion.toString(), QStringLiteral("2.0.0"));
}

QTEST_MAIN(tst_FirmwareUpdate)
#include "tst_FirmwareUpdate.moc"
