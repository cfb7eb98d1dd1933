// The device page in the real window against the emulator through the real serial stack, with the
// local update server on loopback reached through TOLVEKVNA_UPDATE_URL: version answers, a whole
// firmware update, and the failures the user has to be told about.
#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "UpdateServerProcess.h"
#include "calibration/CalibrationManager.h"
#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/FirmwareUpdater.h"
#include "devicelink/FrameCodec.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "server/ServerManager.h"
#include "ui/MainWindow.h"
#include "ui/pages/PgUpdate.h"

using namespace ZData;
using MW_Pages::PgUpdate;
using TestSupport::EmulatorProcess;
using TestSupport::UpdateServerProcess;
using EBox = MW_Pages::PgUpdate::EBox;

Q_DECLARE_METATYPE(MW_Pages::PgUpdate::EBox)

namespace {

// What the user saw when a box came up.
struct TSeenBox
{
    PgUpdate::TBox box;
    bool progressVisible = false;
    QString actualVersion;
    FirmwareUpdater::EState updaterState = FirmwareUpdater::EState::IDLE;
    QString deviceVersion;
};

// One step of the progress bar and the page around it.
struct TSeenProgress
{
    int value = 0;
    bool dialogVisible = false;
    bool checkEnabled = true;
    bool updateEnabled = true;
};

QString imageStatus(const QByteArray& image)
{
    return QStringLiteral("image_size=%1 image_crc=%2")
        .arg(image.size())
        .arg(FrameCodec::crc32(image), 8, 16, QLatin1Char('0'));
}

} // namespace

class tst_PgUpdateEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void versionAnswers_data();
    void versionAnswers();
    void noServerConfigured();
    void rebootDeclined();
    void realBoxesInOrder();
    void updateEndToEnd_data();
    void updateEndToEnd();
    void checkFails_data();
    void checkFails();
    void downloadFails_data();
    void downloadFails();
    void interrupted_data();
    void interrupted();
    void oldDeviceIsOfferedAnUpdate();

private:
    void tearDown();
    bool startAll(const QByteArray& image, const QStringList& serverArgs = {},
                  const QString& firmware = QStringLiteral("2.0.0"));
    bool connectWindow(int timeoutMs = 20000);
    PgUpdate* page() const
    {
        return static_cast<PgUpdate*>(m_window->page(ZCommon::ENavBarMenuPages::UPDATE));
    }
    QList<EBox> kinds() const;
    bool waitForBox(EBox kind, int timeoutMs);
    void clickCheckAndAcceptUpdate();
    // After the last box: the page reopens the port and shows the device's new firmware.
    void expectNewFirmware(const QByteArray& image);

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<UpdateServerProcess> m_server;
    std::unique_ptr<EmulatorProcess> m_emulator;
    std::unique_ptr<MainWindow> m_window;
    QVector<TSeenBox> m_boxes;
    QVector<TSeenProgress> m_progress;
    QMap<EBox, QMessageBox::StandardButton> m_answers;
    QString m_screenshot;
};

void tst_PgUpdateEndToEnd::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    const QStringList failed = TestSupport::initManagersButLogger();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    ConnectionManager::setReconnectPolicy(30, 300);
    // Set only to photograph the progress dialog (on a real display).
    m_screenshot = qEnvironmentVariable("TOLVEK_UPDATE_SCREENSHOT");
}

void tst_PgUpdateEndToEnd::cleanupTestCase()
{
    tearDown();
    ConnectionManager::reset();
}

void tst_PgUpdateEndToEnd::tearDown()
{
    DM::SerialPort::close(true);
    m_window.reset();
    m_emulator.reset();
    m_server.reset();
    DeviceManager::reset();
    ConnectionManager::setAutoReconnect(true);
    qunsetenv(ServerManager::URL_ENVIRONMENT);
    ServerManager::setBaseUrl(QUrl());
    m_boxes.clear();
    m_progress.clear();
    m_answers.clear();
}

bool tst_PgUpdateEndToEnd::startAll(const QByteArray& image, const QStringList& serverArgs,
                                    const QString& firmware)
{
    tearDown();
    m_server = std::make_unique<UpdateServerProcess>();
    if (!m_server->addImage(QStringLiteral("2.0.1"), image) || !m_server->start(serverArgs))
        return false;
    // The way a user points the program at a server of their choice.
    qputenv(ServerManager::URL_ENVIRONMENT, m_server->baseUrl().toUtf8());
    ServerManager::setBaseUrl(ServerManager::configuredBaseUrl());
    if (ServerManager::baseUrl().toString() != m_server->baseUrl())
        return false;
    m_emulator = std::make_unique<EmulatorProcess>();
    if (!m_emulator->start({"--firmware", firmware, "--next-firmware", "2.0.1"}))
        return false;

    m_window = std::make_unique<MainWindow>();
    m_window->setWarningPresenter([](const QString&, const QString&) {});
    m_window->show();
    m_window->handleMenuButton(int(ZCommon::ENavBarMenuPages::UPDATE)); // where the user would be
    page()->setBoxPresenter([this](const PgUpdate::TBox& box) {
        m_boxes.append({box, page()->progressDialog()->isVisible(), page()->actualVersionLabel()->text(),
                        FirmwareUpdater::state(), DeviceManager::deviceInfo().firmwareVersion.toString()});
        const QMessageBox::StandardButton standard =
            box.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
        return m_answers.value(box.kind, standard);
    });
    QProgressDialog* dialog = page()->progressDialog();
    QProgressBar* bar = dialog->findChild<QProgressBar*>();
    if (!bar)
        return false;
    connect(bar, &QProgressBar::valueChanged, m_window.get(), [this, dialog](int value) {
        if (value < 0) // the dialog's own reset
            return;
        m_progress.append({value, dialog->isVisible(), page()->checkButton()->isEnabled(),
                           page()->updateButton()->isEnabled()});
        if (!m_screenshot.isEmpty() && value >= 50 && dialog->isVisible()) {
            m_window->repaint();
            dialog->repaint();
            const QRect frame = m_window->frameGeometry();
            if (QScreen* screen = m_window->screen())
                screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).save(m_screenshot);
            m_screenshot.clear();
        }
    });
    return true;
}

bool tst_PgUpdateEndToEnd::connectWindow(int timeoutMs)
{
    TSerialPortConfig cfg;
    cfg.portName = m_emulator->portPath();
    DM::SerialPort::setConfig(cfg);
    if (!DM::SerialPort::open(true))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (!page()->checkButton()->isEnabled() && clock.elapsed() < timeoutMs)
        QTest::qWait(10);
    return page()->checkButton()->isEnabled();
}

QList<EBox> tst_PgUpdateEndToEnd::kinds() const
{
    QList<EBox> out;
    for (const TSeenBox& seen : m_boxes)
        out << seen.box.kind;
    return out;
}

bool tst_PgUpdateEndToEnd::waitForBox(EBox kind, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!kinds().contains(kind) && clock.elapsed() < timeoutMs)
        QTest::qWait(10);
    return kinds().contains(kind);
}

void tst_PgUpdateEndToEnd::clickCheckAndAcceptUpdate()
{
    QTest::mouseClick(page()->checkButton(), Qt::LeftButton);
    QVERIFY(waitForBox(EBox::NEW_UPDATE, 10000));
    QCOMPARE(m_boxes.first().actualVersion, QStringLiteral("2.0.1"));
    // the question names the running and the new firmware
    QVERIFY2(m_boxes.first().box.text.contains(QStringLiteral("2.0.1")) &&
                 m_boxes.first().box.text.contains(QStringLiteral("2.0.0")),
             qPrintable(m_boxes.first().box.text));
    // the answer Yes pressed "Update firmware", which asks before the device is asked to reboot
    QCOMPARE(kinds(), (QList<EBox>{EBox::NEW_UPDATE, EBox::REBOOT_UPDATE}));
    QCOMPARE(m_boxes.at(1).updaterState, FirmwareUpdater::EState::IDLE);
    QVERIFY(m_boxes.at(1).box.buttons.testFlag(QMessageBox::Cancel));
    QVERIFY(m_boxes.at(1).box.text.contains(QStringLiteral("2.0.1")));
    QVERIFY(!page()->checkButton()->isEnabled());
    QVERIFY(!page()->updateButton()->isEnabled());
}

void tst_PgUpdateEndToEnd::expectNewFirmware(const QByteArray& image)
{
    QTRY_COMPARE_WITH_TIMEOUT(page()->deviceVersionLabel()->text(), QStringLiteral("2.0.1"), 20000);
    QVERIFY(!page()->isReopenPending());
    QVERIFY(page()->checkButton()->isEnabled());
    QVERIFY(!page()->updateButton()->isEnabled());
    QCOMPARE(page()->actualVersionLabel()->text(), QStringLiteral("N/A"));
    const QString status = m_emulator->control("status");
    QVERIFY2(status.contains(imageStatus(image)), qPrintable(status + " / " + imageStatus(image)));
    QVERIFY(status.contains("state=app"));
}

void tst_PgUpdateEndToEnd::versionAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<EBox>("box");
    QTest::addColumn<bool>("offered");
    QTest::newRow("newer") << "2.0.1" << EBox::NEW_UPDATE << true;
    QTest::newRow("newer by number, not by text") << "10.0.0" << EBox::NEW_UPDATE << true;
    QTest::newRow("the same") << "2.0.0" << EBox::NO_UPDATE << false;
    QTest::newRow("older") << "1.9.9" << EBox::NO_UPDATE << false;
    QTest::newRow("not a version") << "2.0.1 beta" << EBox::CHECK_FAILED << false;
    QTest::newRow("markup") << "<font color=red>3.0.0</font>" << EBox::CHECK_FAILED << false;
}

void tst_PgUpdateEndToEnd::versionAnswers()
{
    QFETCH(QString, answer);
    QFETCH(EBox, box);
    QFETCH(bool, offered);
    if (!m_window) { // one connection serves every row
        QVERIFY(startAll(UpdateServerProcess::makeImage(2049)));
        QVERIFY(connectWindow());
    }
    m_boxes.clear();
    m_answers[EBox::NEW_UPDATE] = QMessageBox::No;
    page()->slotDeviceUpdateReply(answer);
    QCOMPARE(kinds(), QList<EBox>{box});
    QCOMPARE(page()->actualVersionLabel()->text(), answer);
    QCOMPARE(page()->actualVersionLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(page()->updateButton()->isEnabled(), offered);
    QVERIFY(page()->checkButton()->isEnabled());
    QVERIFY(!FirmwareUpdater::isUpdateUnderway());
}

void tst_PgUpdateEndToEnd::noServerConfigured()
{
    if (!m_window) {
        QVERIFY(startAll(UpdateServerProcess::makeImage(2049)));
        QVERIFY(connectWindow());
    }
    m_boxes.clear();
    m_answers[EBox::NEW_UPDATE] = QMessageBox::No;
    page()->slotDeviceUpdateReply(QStringLiteral("2.0.1"));
    QVERIFY(page()->updateButton()->isEnabled());
    const int requests = m_server->requests().size();

    ServerManager::setBaseUrl(QUrl());
    m_boxes.clear();
    QTest::mouseClick(page()->checkButton(), Qt::LeftButton);
    QCOMPARE(kinds(), QList<EBox>{EBox::NO_SERVER});
    QCOMPARE(m_boxes.first().box.title, QStringLiteral("No update server"));

    // An update would leave the device in its bootloader waiting for a file that cannot come.
    m_boxes.clear();
    QTest::mouseClick(page()->updateButton(), Qt::LeftButton);
    QCOMPARE(kinds(), QList<EBox>{EBox::NO_SERVER});
    QVERIFY(!FirmwareUpdater::isUpdateUnderway());
    QTest::qWait(500);
    QVERIFY(DM::SerialPort::isOpen());
    QVERIFY(m_emulator->control("status").contains("state=app"));
    QCOMPARE(m_server->requests().size(), requests);
    QVERIFY(page()->checkButton()->isEnabled());
}

// Cancel on the reboot question leaves the device as it is: nothing was sent before the answer.
void tst_PgUpdateEndToEnd::rebootDeclined()
{
    QVERIFY(startAll(UpdateServerProcess::makeImage(2049)));
    QVERIFY(connectWindow());
    m_answers[EBox::REBOOT_UPDATE] = QMessageBox::Cancel;
    QTest::mouseClick(page()->checkButton(), Qt::LeftButton);
    QVERIFY(waitForBox(EBox::REBOOT_UPDATE, 10000));
    QCOMPARE(kinds(), (QList<EBox>{EBox::NEW_UPDATE, EBox::REBOOT_UPDATE}));
    QCOMPARE(FirmwareUpdater::state(), FirmwareUpdater::EState::IDLE);
    QVERIFY(!DeviceManager::deviceInfo().updatePending);
    QVERIFY(page()->updateButton()->isEnabled());
    QVERIFY(page()->checkButton()->isEnabled());
    QTest::qWait(600); // past the moment a reboot would have dropped the line
    QVERIFY(DM::SerialPort::isOpen());
    QVERIFY(m_emulator->control("status").contains("state=app"));
}

// The page's own boxes: window modal, shown without an event loop of their own, answered here as a
// person would (Yes, else OK) while the update goes on behind them only where it should.
void tst_PgUpdateEndToEnd::realBoxesInOrder()
{
    QVERIFY(startAll(UpdateServerProcess::makeImage(2049)));
    QVERIFY(connectWindow());
    page()->setBoxPresenter({});
    QStringList seen;
    QList<FirmwareUpdater::EState> statesSeen;
    // Set only to photograph every box (on a real display).
    const QString shots = qEnvironmentVariable("TOLVEK_UPDATE_BOX_SHOTS");
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, this, [&] {
        for (QMessageBox* box : m_window->findChildren<QMessageBox*>()) {
            // A person reads the box first: it is answered on the timer's third look, once painted.
            const int looks = box->property("looks").toInt() + 1;
            box->setProperty("looks", looks);
            if (!box->isVisible() || looks != 3)
                continue;
            QCOMPARE(box->windowModality(), Qt::WindowModal);
            seen << box->windowTitle();
            statesSeen << FirmwareUpdater::state();
            if (!shots.isEmpty()) {
                const QRect frame = m_window->frameGeometry();
                m_window->screen()
                    ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                    .save(QStringLiteral("%1/box-%2.png").arg(shots).arg(seen.size()));
            }
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        }
    });
    answerer.start(50);
    QTest::mouseClick(page()->checkButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(seen.contains(QStringLiteral("Firmware updated")), 60000);
    QCOMPARE(seen,
             (QStringList{qtTrId("lp_pupdate_new_update_title"), qtTrId("lp_pupdate_reboot_update_title"),
                          QStringLiteral("Firmware updated")}));
    // the reboot was asked for only after the answer, and the end announced once the device was back
    QCOMPARE(statesSeen.at(1), FirmwareUpdater::EState::IDLE);
    QCOMPARE(statesSeen.at(2), FirmwareUpdater::EState::IDLE);
    QCOMPARE(DeviceManager::deviceInfo().firmwareVersion.toString(), QStringLiteral("2.0.1"));
}

void tst_PgUpdateEndToEnd::updateEndToEnd_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("2049 bytes") << 2049;
    QTest::newRow("300 KiB") << 300 * 1024;
}

void tst_PgUpdateEndToEnd::updateEndToEnd()
{
    QFETCH(int, size);
    const QByteArray image = UpdateServerProcess::makeImage(size, quint32(size));
    QVERIFY(startAll(image));
    QVERIFY(connectWindow());
    QCOMPARE(page()->deviceIdLabel()->text(), QStringLiteral("2083-1719-77"));
    QCOMPARE(page()->deviceVersionLabel()->text(), QStringLiteral("2.0.0"));
    QVERIFY(!page()->updateButton()->isEnabled());
    QVERIFY(!m_server->waitForRequest("device_number=2083-1719-77&device_soft_version=2.0.0").isEmpty());

    clickCheckAndAcceptUpdate();
    QVERIFY(waitForBox(EBox::FINISHED, 90000));
    QCOMPARE(kinds(), (QList<EBox>{EBox::NEW_UPDATE, EBox::REBOOT_UPDATE, EBox::FINISHED}));
    QVERIFY(!m_boxes.last().progressVisible); // the dialog closed before the announcement
    // the announcement comes when the device runs the new firmware, and names it
    QCOMPARE(m_boxes.last().deviceVersion, QStringLiteral("2.0.1"));
    QCOMPARE(m_boxes.last().box.text, QStringLiteral("Updated to 2.0.1."));

    // One step per change of the bar: every chunk for small images, every percent for large ones.
    QCOMPARE(m_progress.size(), qMin((size + 1023) / 1024, 101));
    QCOMPARE(m_progress.last().value, 100);
    for (int i = 0; i < m_progress.size(); ++i) {
        const TSeenProgress& seen = m_progress.at(i);
        QVERIFY(i == 0 || seen.value > m_progress.at(i - 1).value);
        QVERIFY(seen.dialogVisible);
        QVERIFY(!seen.checkEnabled);
        QVERIFY(!seen.updateEnabled);
    }
    if (size == 2049) {
        QList<int> values;
        for (const TSeenProgress& seen : qAsConst(m_progress))
            values << seen.value;
        QCOMPARE(values, (QList<int>{33, 66, 100}));
    }
    QCOMPARE(page()->progressDialog()->parentWidget(), m_window.get());
    QCOMPARE(page()->progressDialog()->windowModality(), Qt::WindowModal);
    QCOMPARE(m_server->requests().filter("program_type=1").size(), 1);

    expectNewFirmware(image);
    QVERIFY(!m_server->waitForRequest("device_soft_version=2.0.1").isEmpty());
}

void tst_PgUpdateEndToEnd::checkFails_data()
{
    QTest::addColumn<QStringList>("serverArgs");
    QTest::addColumn<QString>("reasonId");
    QTest::newRow("server too slow") << QStringList{"--fail", "slow", "--slow-ms", "5000"}
                                     << "lp_pupdate_reason_unreachable";
    QTest::newRow("not the protocol") << QStringList{"--fail", "garbage"} << "lp_pupdate_reason_refused";
    QTest::newRow("nothing for this device")
        << QStringList{"--fail", "not-available"} << "lp_pupdate_reason_no_file";
}

void tst_PgUpdateEndToEnd::checkFails()
{
    QFETCH(QStringList, serverArgs);
    QFETCH(QString, reasonId);
    QVERIFY(startAll(UpdateServerProcess::makeImage(2049), serverArgs));
    QVERIFY(connectWindow(30000));
    QTest::mouseClick(page()->checkButton(), Qt::LeftButton);
    QVERIFY(!page()->checkButton()->isEnabled()); // one question at a time
    QVERIFY(waitForBox(EBox::CHECK_FAILED, 10000));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes.first().box.text.endsWith(qtTrId(reasonId.toLatin1().constData())));
    QCOMPARE(page()->actualVersionLabel()->text(), QStringLiteral("N/A"));
    QVERIFY(!page()->updateButton()->isEnabled());
    QVERIFY(page()->checkButton()->isEnabled());
}

void tst_PgUpdateEndToEnd::downloadFails_data()
{
    QTest::addColumn<QStringList>("serverArgs");
    QTest::addColumn<QString>("reasonId");
    QTest::newRow("bin not found") << QStringList{"--fail", "bin-not-found"} << "lp_pupdate_reason_no_file";
    QTest::newRow("invalid Base64") << QStringList{"--fail", "bad-base64"} << "lp_pupdate_reason_refused";
}

void tst_PgUpdateEndToEnd::downloadFails()
{
    QFETCH(QStringList, serverArgs);
    QFETCH(QString, reasonId);
    QVERIFY(startAll(UpdateServerProcess::makeImage(2049), serverArgs));
    QVERIFY(connectWindow());
    clickCheckAndAcceptUpdate();
    QVERIFY(waitForBox(EBox::DOWNLOAD_FAILED, 20000));
    const QString reason = qtTrId(reasonId.toLatin1().constData());
    QVERIFY2(m_boxes.last().box.text.contains(reason), qPrintable(m_boxes.last().box.text));
    QVERIFY(m_progress.isEmpty());
    QVERIFY(page()->progressDialog()->isHidden());
    // Nothing reached the device, which waits in its bootloader; the page lets the user retry.
    QVERIFY(DM::SerialPort::isOpen());
    QTRY_VERIFY(page()->updateButton()->isEnabled());
    QVERIFY(page()->checkButton()->isEnabled());
    const QString status = m_emulator->control("status");
    QVERIFY2(status.contains("state=bootloader") && status.contains("image_size=-1 "), qPrintable(status));

    // Straight from the bootloader: no reboot box this time, and the same honest answer.
    m_boxes.clear();
    QTest::mouseClick(page()->updateButton(), Qt::LeftButton);
    QVERIFY(!page()->updateButton()->isEnabled());
    QVERIFY(waitForBox(EBox::DOWNLOAD_FAILED, 20000));
    QCOMPARE(kinds(), QList<EBox>{EBox::DOWNLOAD_FAILED});
    QTRY_VERIFY(page()->updateButton()->isEnabled());
}

void tst_PgUpdateEndToEnd::interrupted_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("unplugged in the middle of the chunks") << "unplug";
    QTest::newRow("a chunk corrupted three times in a row") << "corrupt 3";
}

void tst_PgUpdateEndToEnd::interrupted()
{
    QFETCH(QString, fault);
    const QByteArray image = UpdateServerProcess::makeImage(200 * 1024, 7);
    QVERIFY(startAll(image));
    QVERIFY(connectWindow());
    // The fault goes in from the report of a chunk that is not on the wire yet, so that it always
    // meets the transfer in the middle: polled from here, a fast machine may see the last chunk
    // acknowledged before the fault is in place.
    QString injected;
    QObject injector;
    connect(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateProgress, &injector,
            [this, &fault, &injected](int progress) {
                if (injected.isEmpty() && progress >= 20)
                    injected = m_emulator->control(fault);
            });
    clickCheckAndAcceptUpdate();
    QVERIFY(waitForBox(EBox::INTERRUPTED, 45000));
    QCOMPARE(injected, "ok " + fault);
    QVERIFY(!kinds().contains(EBox::FINISHED));
    QVERIFY(m_boxes.last().box.text.contains(QStringLiteral("bootloader")));
    QVERIFY(m_progress.last().value < 100);
    QVERIFY(page()->progressDialog()->isHidden());
    QVERIFY(!page()->isUpdateInProgress());
    QTRY_COMPARE(page()->deviceIdLabel()->text(), QStringLiteral("N/A"));
    QVERIFY(!page()->updateButton()->isEnabled());

    m_boxes.clear();
    m_progress.clear();
    if (fault == "unplug") {
        // the program finds the device again by itself once it is back
        QCOMPARE(m_emulator->control("plug"), QString("ok plug"));
    } else {
        // the link gave up and closed the port; the user connects again
        QVERIFY(!DM::SerialPort::isOpen());
        QVERIFY(DM::SerialPort::open(false));
    }
    // The device comes back in its bootloader: the page offers the update (answered Yes), which
    // starts straight away without a reboot.
    QVERIFY(waitForBox(EBox::FINISHED, 90000));
    QCOMPARE(kinds(), (QList<EBox>{EBox::BOOTLOADER, EBox::FINISHED}));
    QCOMPARE(m_progress.size(), 101); // 0 .. 100 %
    QCOMPARE(m_progress.last().value, 100);
    expectNewFirmware(image);
}

// Firmware too old for this program: the window warns, then the page checks by itself.
void tst_PgUpdateEndToEnd::oldDeviceIsOfferedAnUpdate()
{
    QVERIFY(startAll(UpdateServerProcess::makeImage(2049), {}, QStringLiteral("1.9.0")));
    m_window->handleMenuButton(int(ZCommon::ENavBarMenuPages::FREQ));
    m_answers[EBox::NEW_UPDATE] = QMessageBox::No;
    TSerialPortConfig cfg;
    cfg.portName = m_emulator->portPath();
    DM::SerialPort::setConfig(cfg);
    QVERIFY(DM::SerialPort::open(true));
    QVERIFY(waitForBox(EBox::NEW_UPDATE, 15000));
    QCOMPARE(kinds(), QList<EBox>{EBox::NEW_UPDATE});
    QCOMPARE(m_window->currentPage(), int(ZCommon::ENavBarMenuPages::UPDATE));
    QCOMPARE(page()->deviceVersionLabel()->text(), QStringLiteral("1.9.0"));
    QCOMPARE(page()->actualVersionLabel()->text(), QStringLiteral("2.0.1"));
    QVERIFY(page()->updateButton()->isEnabled());
    QVERIFY(page()->checkButton()->isEnabled());
}

QTEST_MAIN(tst_PgUpdateEndToEnd)
#include "tst_PgUpdateEndToEnd.moc"
