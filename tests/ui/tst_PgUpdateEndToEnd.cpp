// The device page in the real window against the emulator through the real serial stack, with the
// local update server on loopback reached through TOLVEKVNA_UPDATE_URL: version answers, whole
// firmware updates through link faults, the failures the user has to be told about, and the page's
// electrical-delay field with its profile entries.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <utility>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "UpdateServerProcess.h"
#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/FirmwareUpdater.h"
#include "devicelink/FrameCodec.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "server/ServerManager.h"
#include "ui/MainWindow.h"
#include "ui/components/ClampedLineEdit.h"
#include "ui/pages/PgUpdate.h"

using namespace ZData;
using MW_Pages::PgUpdate;
using TestSupport::EmulatorProcess;
using TestSupport::UpdateServerProcess;
namespace {

// What the user saw when a box came up.
struct TSeenBox
{
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
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

QList<FirmwareUpdater::EState> statePath(const QSignalSpy& states)
{
    QList<FirmwareUpdater::EState> path;
    for (const QList<QVariant>& args : states)
        path << args.first().value<FirmwareUpdater::EState>();
    return path;
}

} // namespace

class tst_PgUpdateEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void checkAnswers_data();
    void checkAnswers();
    void declinedOrNoServer();
    void electricalDelay_data();
    void electricalDelay();
    void retranslates();
    void updates_data();
    void updates();
    void portClosedWhileServerAnswers();

private:
    void tearDown();
    bool startAll(const QByteArray& image, const QStringList& serverArgs = {},
                  const QString& firmware = QStringLiteral("2.0.0"));
    bool connectWindow();
    // A device with firmware too old for this program: the window warns, then the page checks by
    // itself and the user declines the update for now. The tests up to updates() run on it.
    void connectOldDevice();
    // The program asks a fresh server, started with these arguments, from now on.
    bool serve(const QStringList& serverArgs, const QByteArray& image = "image",
               const QString& version = QStringLiteral("2.0.1"));
    PgUpdate* page() const
    {
        return static_cast<PgUpdate*>(m_window->page(ZCommon::ENavBarMenuPages::UPDATE));
    }
    // Every message box is recorded and answered as a person would: once it has been up a while
    // (Yes, else OK, unless the test chose otherwise), from the test's own event loop.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The titles of the boxes answered so far.
    QStringList answered() const;
    void clearBoxes()
    {
        m_boxes.clear();
        m_answered = 0;
    }
    // These steps of the bar and no other, the dialog up and the buttons off throughout.
    void expectProgress(const QList<int>& values);
    // After the last box: the page reopens the port and shows the device's new firmware.
    void expectNewFirmware(const QByteArray& image);

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<UpdateServerProcess> m_server;
    std::unique_ptr<EmulatorProcess> m_emulator;
    std::unique_ptr<MainWindow> m_window;
    QVector<TSeenBox> m_boxes;
    QVector<TSeenProgress> m_progress;
    int m_answered = 0;
    QMap<QString, QMessageBox::StandardButton> m_answers; // by title
    QStringList m_boxFaults;
};

void tst_PgUpdateEndToEnd::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    const QStringList failed = TestSupport::initManagersButLogger();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    ConnectionManager::setReconnectPolicy(30, 300);
    qApp->installEventFilter(this);
    connectOldDevice();
}

// A box that is not window modal or runs an event loop of its own, wherever it comes up.
void tst_PgUpdateEndToEnd::cleanup()
{
    const QStringList faults = std::exchange(m_boxFaults, {});
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
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
    clearBoxes();
    m_progress.clear();
    m_answers.clear();
}

bool tst_PgUpdateEndToEnd::startAll(const QByteArray& image, const QStringList& serverArgs,
                                    const QString& firmware)
{
    tearDown();
    if (!serve(serverArgs, image))
        return false;
    m_emulator = std::make_unique<EmulatorProcess>();
    if (!m_emulator->start({"--firmware", firmware, "--next-firmware", "2.0.1"}))
        return false;

    m_window = std::make_unique<MainWindow>();
    m_window->setWarningPresenter([](const QString&, const QString&) {});
    m_window->show();
    m_window->handleMenuButton(int(ZCommon::ENavBarMenuPages::UPDATE)); // where the user would be
    QProgressDialog* dialog = page()->progressDialog();
    QProgressBar* bar = dialog->findChild<QProgressBar*>();
    if (!bar)
        return false;
    connect(bar, &QProgressBar::valueChanged, m_window.get(), [this, dialog](int value) {
        if (value < 0) // the dialog's own reset
            return;
        m_progress.append({value, dialog->isVisible(), page()->checkButton()->isEnabled(),
                           page()->updateButton()->isEnabled()});
    });
    return true;
}

bool tst_PgUpdateEndToEnd::connectWindow()
{
    TSerialPortConfig cfg;
    cfg.portName = m_emulator->portPath();
    DM::SerialPort::setConfig(cfg);
    return DM::SerialPort::open(true) &&
           QTest::qWaitFor([this] { return page()->checkButton()->isEnabled(); }, 20000);
}

void tst_PgUpdateEndToEnd::connectOldDevice()
{
    QVERIFY(startAll(UpdateServerProcess::makeImage(2049), {}, QStringLiteral("1.9.0")));
    m_window->handleMenuButton(int(ZCommon::ENavBarMenuPages::FREQ));
    // before the device: nothing to show or offer, and nothing for the user to close the dialog with
    PgUpdate* p = page();
    for (QLabel* value : {p->deviceIdLabel(), p->deviceVersionLabel(), p->actualVersionLabel()}) {
        QCOMPARE(value->text(), QStringLiteral("N/A"));
        QCOMPARE(value->textFormat(), Qt::PlainText);
        QVERIFY(value->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    }
    QVERIFY(!p->checkButton()->isEnabled());
    QVERIFY(!p->updateButton()->isEnabled());
    QVERIFY(!p->checkButton()->isDefault() && !p->checkButton()->autoDefault());
    // No button to end it; closing it is refused (updates() tries during a transfer).
    QProgressDialog* dialog = p->progressDialog();
    QVERIFY(dialog->findChildren<QPushButton*>().isEmpty());
    // The dialog shows itself a few seconds after it is made unless its show timer, its only timer,
    // is stopped: then it would come up over an idle window.
    QVERIFY(dialog->isHidden());
    for (QTimer* timer : dialog->findChildren<QTimer*>())
        QVERIFY(!timer->isActive());

    m_answers[qtTrId("lp_pupdate_new_update_title")] = QMessageBox::No;
    QVERIFY(connectWindow());
    QTRY_COMPARE_WITH_TIMEOUT(answered(), QStringList{qtTrId("lp_pupdate_new_update_title")}, 15000);
    QCOMPARE(m_window->currentPage(), int(ZCommon::ENavBarMenuPages::UPDATE));
    QCOMPARE(page()->deviceVersionLabel()->text(), QStringLiteral("1.9.0"));
    QCOMPARE(page()->actualVersionLabel()->text(), QStringLiteral("2.0.1"));
    QVERIFY(page()->updateButton()->isEnabled());
    QVERIFY(page()->checkButton()->isEnabled());
}

bool tst_PgUpdateEndToEnd::serve(const QStringList& serverArgs, const QByteArray& image,
                                 const QString& version)
{
    m_server = std::make_unique<UpdateServerProcess>();
    if (!m_server->addImage(version, image) || !m_server->start(serverArgs))
        return false;
    // The way a user points the program at a server of their choice.
    qputenv(ServerManager::URL_ENVIRONMENT, m_server->baseUrl().toUtf8());
    ServerManager::init();
    return ServerManager::baseUrl().toString() == m_server->baseUrl();
}

bool tst_PgUpdateEndToEnd::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (!box || event->type() != QEvent::Show || !m_window)
        return false;
    if (box->windowModality() != Qt::WindowModal)
        m_boxFaults << "not window modal: " + box->windowTitle();
    m_boxes.append({box->windowTitle(), box->text(), box->standardButtons(),
                    page()->progressDialog()->isVisible(), page()->actualVersionLabel()->text(),
                    FirmwareUpdater::state(), DeviceManager::deviceInfo().firmwareVersion.toString()});
    QTimer::singleShot(50, box, [this, box] {
        if (QThread::currentThread()->loopLevel() != 0)
            m_boxFaults << "an event loop of its own: " + box->windowTitle();
        const QMessageBox::StandardButton standard =
            box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
        box->button(m_answers.value(box->windowTitle(), standard))->click();
        ++m_answered;
    });
    return false;
}

QStringList tst_PgUpdateEndToEnd::answered() const
{
    QStringList out;
    for (int i = 0; i < m_answered && i < m_boxes.size(); ++i)
        out << m_boxes.at(i).title;
    return out;
}

void tst_PgUpdateEndToEnd::expectProgress(const QList<int>& values)
{
    QList<int> seenValues;
    for (const TSeenProgress& seen : qAsConst(m_progress)) {
        seenValues << seen.value;
        QVERIFY(seen.dialogVisible);
        QVERIFY(!seen.checkEnabled);
        QVERIFY(!seen.updateEnabled);
    }
    QCOMPARE(seenValues, values);
}

void tst_PgUpdateEndToEnd::expectNewFirmware(const QByteArray& image)
{
    QTRY_COMPARE_WITH_TIMEOUT(page()->deviceVersionLabel()->text(), QStringLiteral("2.0.1"), 20000);
    QVERIFY(!page()->isReopenPending());
    QVERIFY(!page()->isUpdateInProgress());
    QVERIFY(page()->checkButton()->isEnabled());
    QVERIFY(!page()->updateButton()->isEnabled());
    QCOMPARE(page()->actualVersionLabel()->text(), QStringLiteral("N/A"));
    const QString status = m_emulator->control("status");
    const QString held = QStringLiteral("image_size=%1 image_crc=%2")
                             .arg(image.size())
                             .arg(FrameCodec::crc32(image), 8, 16, QLatin1Char('0'));
    QVERIFY2(status.contains(held), qPrintable(status));
    QVERIFY(status.contains("state=app"));
}

void tst_PgUpdateEndToEnd::checkAnswers_data()
{
    QTest::addColumn<QString>("served"); // the version of the server's newest image
    QTest::addColumn<QStringList>("serverArgs");
    QTest::addColumn<bool>("serverGone");
    QTest::addColumn<QString>("box");      // the id of its title
    QTest::addColumn<QString>("reasonId"); // of a failed check
    const QStringList none;
    QTest::newRow("newer by number, not by text")
        << "10.0.0" << none << false << "lp_pupdate_new_update_title"
        << "";
    QTest::newRow("the same") << "1.9.0" << none << false << "lp_pupdate_no_update_title"
                              << "";
    QTest::newRow("older") << "1.8.9" << none << false << "lp_pupdate_no_update_title"
                           << "";
    QTest::newRow("server too slow") << "2.0.1" << QStringList{"--fail", "slow", "--slow-ms", "5000"} << false
                                     << "lp_pupdate_check_failed_title"
                                     << "lp_pupdate_reason_unreachable";
    QTest::newRow("server gone") << "2.0.1" << none << true << "lp_pupdate_check_failed_title"
                                 << "lp_pupdate_reason_unreachable";
    QTest::newRow("not the protocol")
        << "2.0.1" << QStringList{"--fail", "garbage"} << false << "lp_pupdate_check_failed_title"
        << "lp_pupdate_reason_refused";
    QTest::newRow("nothing for this device")
        << "2.0.1" << QStringList{"--fail", "not-available"} << false << "lp_pupdate_check_failed_title"
        << "lp_pupdate_reason_no_file";
}

void tst_PgUpdateEndToEnd::checkAnswers()
{
    QFETCH(QString, served);
    QFETCH(QStringList, serverArgs);
    QFETCH(bool, serverGone);
    QFETCH(QString, box);
    QFETCH(QString, reasonId);
    QVERIFY(serve(serverArgs, "image", served));
    if (serverGone)
        m_server->stop();
    clearBoxes();
    page()->actualVersionLabel()->setText(QStringLiteral("9.9.9")); // an answer of an earlier check
    QTest::mouseClick(page()->checkButton(), Qt::LeftButton);
    QVERIFY(!page()->checkButton()->isEnabled()); // one question at a time
    QTRY_COMPARE_WITH_TIMEOUT(answered(), QStringList{qtTrId(qPrintable(box))}, 10000);
    const bool failed = box == "lp_pupdate_check_failed_title";
    QVERIFY(!failed || m_boxes.first().text.endsWith(qtTrId(reasonId.toLatin1().constData())));
    QCOMPARE(page()->actualVersionLabel()->text(), failed ? QStringLiteral("N/A") : served);
    QCOMPARE(page()->updateButton()->isEnabled(), box == "lp_pupdate_new_update_title");
    QVERIFY(page()->checkButton()->isEnabled());
    QVERIFY(!FirmwareUpdater::isUpdateUnderway());
}

// Nothing reaches the device before the user agrees to the reboot, and nothing is sent, nor the
// device rebooted, without a server.
void tst_PgUpdateEndToEnd::declinedOrNoServer()
{
    clearBoxes();
    m_answers.clear();
    m_answers[qtTrId("lp_pupdate_reboot_update_title")] = QMessageBox::Cancel;
    QVERIFY(serve({}));
    QTest::mouseClick(page()->checkButton(), Qt::LeftButton); // answered Yes: the update is asked for
    QTRY_COMPARE(answered(), (QStringList{qtTrId("lp_pupdate_new_update_title"),
                                          qtTrId("lp_pupdate_reboot_update_title")}));
    QCOMPARE(FirmwareUpdater::state(), FirmwareUpdater::EState::IDLE);
    QVERIFY(!DeviceManager::deviceInfo().updatePending);
    QVERIFY(page()->updateButton()->isEnabled());
    QVERIFY(page()->checkButton()->isEnabled());
    const int requests = m_server->requests().size();

    ServerManager::setBaseUrl(QUrl());
    const QStringList noServer{qtTrId("lp_pupdate_no_server_title")};
    clearBoxes();
    QTest::mouseClick(page()->checkButton(), Qt::LeftButton);
    QTRY_COMPARE(answered(), noServer);
    QCOMPARE(page()->actualVersionLabel()->text(), QStringLiteral("2.0.1"));

    // An update would leave the device in its bootloader waiting for a file that cannot come.
    clearBoxes();
    QTest::mouseClick(page()->updateButton(), Qt::LeftButton);
    QTRY_COMPARE(answered(), noServer);
    QVERIFY(!FirmwareUpdater::isUpdateUnderway());

    // A check that reaches the updater without a server (the start-up's own) ends the same way.
    clearBoxes();
    FirmwareUpdater::checkForUpdates();
    QTRY_COMPARE(answered(), noServer);
    QCOMPARE(page()->actualVersionLabel()->text(), QStringLiteral("N/A"));
    QTest::qWait(600); // proves that nothing happens: past the moment a reboot would drop the line
    QVERIFY(DM::SerialPort::isOpen());
    QVERIFY(m_emulator->control("status").contains("state=app"));
    QCOMPARE(m_server->requests().size(), requests);
    QVERIFY(page()->checkButton()->isEnabled());
}

void tst_PgUpdateEndToEnd::electricalDelay_data()
{
    QTest::addColumn<QString>("typed"); // "profile N": N written by hand into the profile instead
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("value");
    QTest::newRow("inside") << "-120" << true << "-120" << -120;
    QTest::newRow("beyond the top") << "99999" << false << "9999" << 9999;
    QTest::newRow("beyond the bottom") << "-99999" << true << "-9999" << -9999;
    QTest::newRow("a profile beyond the top") << "profile 123456" << false << "9999" << 9999;
}

// What the field takes in, typed or from the profile, is what the scans use and what the profile
// keeps.
void tst_PgUpdateEndToEnd::electricalDelay()
{
    QFETCH(QString, typed);
    QFETCH(bool, enabled);
    QFETCH(QString, shown);
    QFETCH(int, value);
    Ui::Components::ClampedLineEdit* edit = page()->elDelayEdit();
    QSettings* settings = ZCore::SettingsManager::settings();
    QVERIFY(settings);
    page()->elDelayCheck()->setChecked(enabled);
    QCOMPARE(DataScanManager::isElDelayEnabled(), enabled);
    if (typed.startsWith(QStringLiteral("profile "))) {
        page()->saveSettings();
        settings->setValue(QStringLiteral("Device/el_delay_value"), typed.mid(8));
        page()->restoreSettings();
    } else {
        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QCOMPARE(edit->text(), shown);
    QCOMPARE(DataScanManager::elDelayValue(), value);

    page()->saveSettings();
    QCOMPARE(settings->value(QStringLiteral("Device/el_delay_value")).toInt(), value);
    QCOMPARE(settings->value(QStringLiteral("Device/el_delay_enabled")).toBool(), enabled);
    edit->clear();
    page()->elDelayCheck()->setChecked(!enabled);
    DataScanManager::setElDelayValue(0, false);
    page()->restoreSettings();
    QCOMPARE(edit->text(), shown);
    QCOMPARE(page()->elDelayCheck()->isChecked(), enabled);
    QCOMPARE(DataScanManager::elDelayValue(), value);
    QCOMPARE(DataScanManager::isElDelayEnabled(), enabled);
}

void tst_PgUpdateEndToEnd::retranslates()
{
    QVERIFY(ZCore::LocalizationManager::setLanguage(QStringLiteral(":/translation/lumenpane_ru.qm")));
    QTRY_COMPARE(page()->checkButton()->text(), QStringLiteral("Проверить обновления"));
    QCOMPARE(page()->updateButton()->text(), QStringLiteral("Обновить прошивку"));
    QVERIFY(page()->progressDialog()->labelText().contains(QStringLiteral("Не отключайте")));
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    QTRY_COMPARE(page()->checkButton()->text(), QStringLiteral("Check for updates"));
    QVERIFY(page()->progressDialog()->labelText().contains(QStringLiteral("Do not unplug")));
}

void tst_PgUpdateEndToEnd::updates_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("serverArgs");
    QTest::addColumn<QString>("fault"); // put on the link from the 20th chunk on
    // Empty: updated; "interrupted": the user is told, and updates from the bootloader; else the
    // reason given for a refused download.
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QList<int>>("steps");
    const QStringList none;
    QList<int> percent;
    for (int i = 0; i <= 100; ++i)
        percent << i;
    const int odd = 100 * 1024 + 7;
    // answered in the OK form without its blank
    QTest::newRow("three chunks") << 2049 << QStringList{"--compact"} << ""
                                  << "" << QList<int>{33, 66, 100};
    QTest::newRow("a chunk lost twice in a row") << odd << none << "lose 2"
                                                 << "" << percent;
    QTest::newRow("a chunk arriving damaged") << odd << none << "damaged"
                                              << "" << percent;
    // The chunk goes out again; the late acknowledgement and the second one must not be taken for
    // the acknowledgements of the chunks after it.
    QTest::newRow("an acknowledgement arriving after its time-out") << odd << none << "late 2500"
                                                                    << "" << percent;
    QTest::newRow("unplugged in the middle of the chunks") << 200 * 1024 << none << "unplug"
                                                           << "interrupted" << percent;
    // Sent again whole from the bootloader, with chunk indexes that do not fit in a byte.
    QTest::newRow("a chunk corrupted three times in a row") << 300 * 1024 << none << "corrupt 3"
                                                            << "interrupted" << percent;
    // an error answer, and a file the program refuses: nothing reaches the device
    QTest::newRow("bin not found") << 2049 << QStringList{"--fail", "bin-not-found"} << ""
                                   << "lp_pupdate_reason_no_file" << QList<int>();
    QTest::newRow("invalid Base64") << 2049 << QStringList{"--fail", "bad-base64"} << ""
                                    << "lp_pupdate_reason_refused" << QList<int>();
}

// A whole update, its boxes answered Yes (else OK) while the update goes on behind them: through
// link faults on the chunks the device ends up with exactly the served image, straight away or, after
// an interruption the user is told about, from its bootloader; a refused download reaches nothing.
void tst_PgUpdateEndToEnd::updates()
{
    QFETCH(int, size);
    QFETCH(QStringList, serverArgs);
    QFETCH(QString, fault);
    QFETCH(QString, failure);
    QFETCH(QList<int>, steps);
    const QByteArray image = UpdateServerProcess::makeImage(size, quint32(size));
    QVERIFY(startAll(image, serverArgs));
    QVERIFY(connectWindow());
    QCOMPARE(page()->deviceIdLabel()->text(), QStringLiteral("2083-1719-77"));
    QVERIFY(!page()->updateButton()->isEnabled());
    QTRY_VERIFY(
        !m_server->requests().filter("device_number=2083-1719-77&device_soft_version=2.0.0").isEmpty());

    auto& updater = FirmwareUpdater::instance();
    QSignalSpy started(&updater, &FirmwareUpdater::signalUpdateStarted);
    QSignalSpy finished(&updater, &FirmwareUpdater::signalUpdateFinished);
    QSignalSpy states(&updater, &FirmwareUpdater::signalStateChanged);
    // Looked at as every chunk goes out. The fault goes in from the report of the 20th chunk, before
    // it is on the wire: polled from here, a fast machine may see the last chunk acknowledged first.
    // At the first step the user presses Escape and closes the dialog: it stays, the transfer goes on.
    QProgressDialog* dialog = page()->progressDialog();
    int reports = 0;
    int finishedAtProgress = 0;
    bool alwaysInProgress = true;
    bool stayed = true;
    QString injected;
    QObject watcher;
    connect(&updater, &FirmwareUpdater::signalUpdateProgress, &watcher, [&](int) {
        finishedAtProgress += finished.count();
        alwaysInProgress = alwaysInProgress && FirmwareUpdater::isUpdateInProgress();
        if (++reports == 20 && !fault.isEmpty())
            injected = m_emulator->control(fault);
        if (m_progress.size() == 1) {
            QTest::keyClick(dialog, Qt::Key_Escape);
            stayed = stayed && dialog->isVisible() && !dialog->close() && dialog->isVisible();
        }
    });
    // Every chunk is in, but the update ends only when the device runs the new firmware: until then
    // the dialog stays and says so.
    QString labelAtCompletion;
    bool dialogAtCompletion = false;
    connect(&updater, &FirmwareUpdater::signalUpdateCompleted, &watcher, [&] {
        labelAtCompletion = dialog->labelText();
        dialogAtCompletion = dialog->isVisible();
    });

    QTest::mouseClick(page()->checkButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_answered, 2, 10000);
    // a second click must not fetch a second file
    QVERIFY(!page()->checkButton()->isEnabled());
    QVERIFY(!page()->updateButton()->isEnabled());
    QVERIFY(!FirmwareUpdater::startFirmwareUpdate());
    QTRY_COMPARE_WITH_TIMEOUT(m_answered, 3, 60000);
    QCOMPARE(answered().mid(0, 2),
             (QStringList{qtTrId("lp_pupdate_new_update_title"), qtTrId("lp_pupdate_reboot_update_title")}));
    // the question names the running and the new firmware
    QCOMPARE(m_boxes.at(0).actualVersion, QStringLiteral("2.0.1"));
    QVERIFY2(m_boxes.at(0).text.contains(QStringLiteral("2.0.1")) &&
                 m_boxes.at(0).text.contains(QStringLiteral("2.0.0")),
             qPrintable(m_boxes.at(0).text));
    // the reboot is asked for before the device is touched
    QCOMPARE(m_boxes.at(1).updaterState, FirmwareUpdater::EState::IDLE);
    QVERIFY(m_boxes.at(1).buttons.testFlag(QMessageBox::Cancel));
    QVERIFY(m_boxes.at(1).text.contains(QStringLiteral("2.0.1")));
    QCOMPARE(injected, fault.isEmpty() ? QString() : "ok " + fault);
    QVERIFY(FirmwareUpdater::firmwareImage().isEmpty());
    QVERIFY(ServerManager::replyBytes().isEmpty());
    QVERIFY(page()->progressDialog()->isHidden());
    QVERIFY(!page()->isUpdateInProgress());
    QVERIFY(stayed);
    using S = FirmwareUpdater::EState;
    if (failure.isEmpty()) {
        // the announcement comes when the device runs the new firmware, and names it
        QCOMPARE(m_boxes.at(2).title, qtTrId("lp_pupdate_reboot_app_title"));
        QCOMPARE(m_boxes.at(2).text, QStringLiteral("Updated to 2.0.1."));
        QVERIFY(!m_boxes.at(2).progressVisible);
        QCOMPARE(m_boxes.at(2).updaterState, S::IDLE);
        QCOMPARE(m_boxes.at(2).deviceVersion, QStringLiteral("2.0.1"));
        QCOMPARE(labelAtCompletion, qtTrId("lp_pupdate_restarting"));
        QVERIFY(dialogAtCompletion);
        QCOMPARE(dialog->parentWidget(), m_window.get());
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        QCOMPARE(started.count(), 1);
        QVERIFY(alwaysInProgress);
        QCOMPARE(finishedAtProgress, 0); // finished only after the last acknowledgement
        QCOMPARE(reports, (size + 1023) / 1024);
        expectProgress(steps);
        QCOMPARE(statePath(states), (QList<S>{S::CHECKING, S::IDLE, S::REBOOTING, S::DOWNLOADING, S::SENDING,
                                              S::RESTARTING, S::IDLE}));
        QCOMPARE(m_server->requests().filter("program_type=1").size(), 1);
        expectNewFirmware(image);
        QTRY_VERIFY(!m_server->requests().filter("device_soft_version=2.0.1").isEmpty());
        return;
    }
    QCOMPARE(m_boxes.at(2).title, qtTrId("lp_pupdate_update_failed_title"));
    if (failure != "interrupted") {
        // the device came back for this update, not as one stranded in its bootloader
        const QString reason = qtTrId(failure.toLatin1().constData());
        QVERIFY2(m_boxes.last().text.contains(reason), qPrintable(m_boxes.last().text));
        QVERIFY(started.isEmpty());
        QVERIFY(m_progress.isEmpty());
        QVERIFY(!FirmwareUpdater::isUpdateUnderway());
        // Nothing reached the device, which waits in its bootloader; the page lets the user retry.
        QVERIFY(DM::SerialPort::isOpen());
        QTRY_VERIFY(page()->updateButton()->isEnabled());
        QVERIFY(page()->checkButton()->isEnabled());
        const QString status = m_emulator->control("status");
        QVERIFY2(status.contains("state=bootloader") && status.contains("image_size=-1 "),
                 qPrintable(status));
        return;
    }
    QCOMPARE(started.count(), 1);
    QVERIFY(alwaysInProgress);
    QCOMPARE(finished.count(), 0);
    QVERIFY(ConnectionManager::autoReconnect()); // the device must be found again when it is back
    QVERIFY(m_boxes.last().text.contains(QStringLiteral("bootloader")));
    QVERIFY(m_progress.last().value < 100);
    QTRY_COMPARE(page()->deviceIdLabel()->text(), QStringLiteral("N/A"));
    QVERIFY(!page()->updateButton()->isEnabled());
    QVERIFY(!page()->checkButton()->isEnabled());
    // without a port an update does nothing at all
    clearBoxes();
    page()->slotDoUpdate();
    QVERIFY(m_boxes.isEmpty());
    QVERIFY(!FirmwareUpdater::isUpdateUnderway());

    m_progress.clear();
    states.clear();
    if (fault == "unplug") {
        // the program finds the device again by itself once it is back
        QCOMPARE(m_emulator->control("plug"), QString("ok plug"));
    } else {
        // the link gave up and closed the port; the user connects again
        QVERIFY(!DM::SerialPort::isOpen());
        QVERIFY(DM::SerialPort::open(false));
    }
    // The device comes back in its bootloader: the page offers the update, which starts straight away
    // without a reboot.
    QTRY_COMPARE_WITH_TIMEOUT(m_answered, 2, 90000);
    QCOMPARE(answered(),
             (QStringList{qtTrId("lp_pupdate_bootloader_title"), qtTrId("lp_pupdate_reboot_app_title")}));
    QCOMPARE(statePath(states), (QList<S>{S::DOWNLOADING, S::SENDING, S::RESTARTING, S::IDLE}));
    expectProgress(steps);
    expectNewFirmware(image);
}

// A server answer that arrives after the port has closed must not finish a command of the next
// connection.
void tst_PgUpdateEndToEnd::portClosedWhileServerAnswers()
{
    QVERIFY(startAll(UpdateServerProcess::makeImage(100), {"--fail", "slow", "--slow-ms", "1500"}));
    QVERIFY(connectWindow()); // the version report at start-up is answered late
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

QTEST_MAIN(tst_PgUpdateEndToEnd)
#include "tst_PgUpdateEndToEnd.moc"
