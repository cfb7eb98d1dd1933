// The device page inside the real window, without a device: its states, boxes and progress dialog
// driven through its slots, and the electrical-delay field with its profile entries.
#include <QCheckBox>
#include <QIntValidator>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/FirmwareUpdater.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "server/ServerManager.h"
#include "ui/MainWindow.h"
#include "ui/components/ClampedLineEdit.h"
#include "ui/pages/PgUpdate.h"

using namespace ZData;
using MW_Pages::PgUpdate;
using EBox = MW_Pages::PgUpdate::EBox;

Q_DECLARE_METATYPE(MW_Pages::PgUpdate::EBox)

class tst_PgUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startsEmpty();
    void checkWithoutServer();
    void checkFailures_data();
    void checkFailures();
    void garbledVersionIsShownAsText();
    void progressUntilTheLastAcknowledgement();
    void transferEndsBadly_data();
    void transferEndsBadly();
    void progressDialogStaysOpen();
    void electricalDelay_data();
    void electricalDelay();
    void delayProfileRoundTrip();
    void retranslates();

private:
    PgUpdate* page() const
    {
        return static_cast<PgUpdate*>(m_window->page(ZCommon::ENavBarMenuPages::UPDATE));
    }

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
    QVector<PgUpdate::TBox> m_boxes;
};

void tst_PgUpdate::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    const QStringList failed = TestSupport::initManagersButLogger();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
}

void tst_PgUpdate::init()
{
    m_boxes.clear();
    ServerManager::setBaseUrl(QUrl());
    DeviceManager::reset();
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    page()->setBoxPresenter([this](const PgUpdate::TBox& box) {
        m_boxes << box;
        return box.buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
    });
}

void tst_PgUpdate::cleanup()
{
    m_window.reset();
    DeviceManager::reset();
    DM::CommandQueue::clear();
}

void tst_PgUpdate::startsEmpty()
{
    PgUpdate* p = page();
    for (QLabel* value : {p->deviceIdLabel(), p->deviceVersionLabel(), p->actualVersionLabel()}) {
        QCOMPARE(value->text(), QStringLiteral("N/A"));
        QCOMPARE(value->textFormat(), Qt::PlainText);
        QVERIFY(value->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    }
    QVERIFY(!p->checkButton()->isEnabled());
    QVERIFY(!p->updateButton()->isEnabled());
    QVERIFY(!p->checkButton()->isDefault() && !p->checkButton()->autoDefault());

    QProgressDialog* dialog = p->progressDialog();
    QCOMPARE(dialog->parentWidget(), m_window.get());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(dialog->windowFlags().testFlag(Qt::CustomizeWindowHint));
    QVERIFY(dialog->findChildren<QPushButton*>().isEmpty());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Tolvek VNA"));
    QVERIFY2(dialog->labelText().contains(QStringLiteral("Do not unplug")), qPrintable(dialog->labelText()));
    QTest::qWait(4500); // past the toolkit's own show delay: the dialog stays hidden
    QVERIFY(dialog->isHidden());
    QVERIFY(m_boxes.isEmpty());
}

void tst_PgUpdate::checkWithoutServer()
{
    TDeviceInfo info;
    info.identifier = QStringLiteral("1-2-3");
    info.firmwareVersion = ZCore::UtilityModules::VersionNumber(2, 0, 0);
    DeviceManager::setDeviceInfo(info);
    page()->slotDeviceStartup();
    QCOMPARE(page()->deviceIdLabel()->text(), QStringLiteral("1-2-3"));
    QCOMPARE(page()->deviceVersionLabel()->text(), QStringLiteral("2.0.0"));
    // no port open: nothing to check against
    QVERIFY(!page()->checkButton()->isEnabled());

    // The click itself, as the button delivers it.
    page()->checkButton()->setEnabled(true);
    QTest::mouseClick(page()->checkButton(), Qt::LeftButton);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().kind, EBox::NO_SERVER);
    QCOMPARE(m_boxes.first().text, qtTrId("lp_pupdate_no_server_text"));
    QVERIFY(DM::CommandQueue::commands().isEmpty()); // no question was queued
    QVERIFY(page()->checkButton()->isEnabled());

    // Without a port the update does nothing at all.
    m_boxes.clear();
    page()->slotDoUpdate();
    QVERIFY(!FirmwareUpdater::isUpdateUnderway());
    QVERIFY(!page()->updateButton()->isEnabled());
}

void tst_PgUpdate::checkFailures_data()
{
    QTest::addColumn<EServerCommands>("result");
    QTest::addColumn<EBox>("box");
    QTest::addColumn<QString>("reasonId");
    using E = EServerCommands;
    QTest::newRow("no server") << E::UNDEFINED << EBox::NO_SERVER << QString();
    QTest::newRow("connection lost") << E::E_LOST_INTERNET_CONNECTION << EBox::CHECK_FAILED
                                     << "lp_pupdate_reason_unreachable";
    QTest::newRow("signature") << E::E_SIGNATURE << EBox::CHECK_FAILED << "lp_pupdate_reason_refused";
}

void tst_PgUpdate::checkFailures()
{
    QFETCH(EServerCommands, result);
    QFETCH(EBox, box);
    QFETCH(QString, reasonId);
    page()->actualVersionLabel()->setText(QStringLiteral("9.9.9"));
    // Through the device manager's signal, as the page hears it: queued, never at once.
    emit FirmwareUpdater::instance().signalUpdateCheckFailed(result);
    QVERIFY(m_boxes.isEmpty());
    QTRY_COMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().kind, box);
    if (!reasonId.isEmpty())
        QVERIFY(m_boxes.first().text.endsWith(qtTrId(reasonId.toLatin1().constData())));
    QCOMPARE(page()->actualVersionLabel()->text(), QStringLiteral("N/A"));
    QVERIFY(!page()->updateButton()->isEnabled());
}

void tst_PgUpdate::garbledVersionIsShownAsText()
{
    TDeviceInfo info;
    info.firmwareVersion = ZCore::UtilityModules::VersionNumber(2, 0, 0);
    DeviceManager::setDeviceInfo(info);
    const QString garbled = QStringLiteral("<b>9.9.9</b><img src=x>");
    page()->slotDeviceUpdateReply(garbled);
    QLabel* label = page()->actualVersionLabel();
    QCOMPARE(label->text(), garbled);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().kind, EBox::CHECK_FAILED); // never "newer"
    QVERIFY(!page()->updateButton()->isEnabled());
}

void tst_PgUpdate::progressUntilTheLastAcknowledgement()
{
    QProgressDialog* dialog = page()->progressDialog();
    page()->updateButton()->setEnabled(true);
    emit FirmwareUpdater::instance().signalUpdateStarted();
    QTRY_VERIFY(!page()->updateButton()->isEnabled());
    QVERIFY(!page()->checkButton()->isEnabled());

    for (int value : {33, 66, 100}) {
        emit FirmwareUpdater::instance().signalUpdateProgress(value);
        QTRY_COMPARE(dialog->value(), value);
        QVERIFY(dialog->isVisible());
        QVERIFY(page()->isUpdateInProgress());
    }
    // 100 is the last chunk on its way: still open, nothing announced
    QTest::qWait(50);
    QVERIFY(dialog->isVisible());
    QVERIFY(m_boxes.isEmpty());

    // Every chunk is in, but the update ends only when the device runs the new firmware: the
    // dialog stays and says so, still nothing announced.
    emit FirmwareUpdater::instance().signalUpdateFinished();
    QTRY_COMPARE(dialog->labelText(), qtTrId("lp_pupdate_restarting"));
    QVERIFY(dialog->labelText().contains(QStringLiteral("Do not unplug")));
    QVERIFY(dialog->isVisible());
    QVERIFY(m_boxes.isEmpty());

    emit FirmwareUpdater::instance().signalUpdateCompleted(QStringLiteral("2.0.1"));
    QTRY_COMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().kind, EBox::FINISHED);
    QCOMPARE(m_boxes.first().title, QStringLiteral("Firmware updated"));
    QCOMPARE(m_boxes.first().text, QStringLiteral("Updated to 2.0.1."));
    QVERIFY(dialog->isHidden());
    QVERIFY(!page()->isUpdateInProgress());
}

void tst_PgUpdate::transferEndsBadly_data()
{
    QTest::addColumn<bool>("interrupted");
    QTest::addColumn<EServerCommands>("result");
    QTest::addColumn<EBox>("box");
    QTest::addColumn<QString>("mustSay");
    QTest::newRow("server time-out") << false << EServerCommands::E_REQUEST_TIMEOUT << EBox::DOWNLOAD_FAILED
                                     << qtTrId("lp_pupdate_reason_unreachable");
    QTest::newRow("interrupted") << true << EServerCommands::UNDEFINED << EBox::INTERRUPTED
                                 << QStringLiteral("bootloader");
}

void tst_PgUpdate::transferEndsBadly()
{
    QFETCH(bool, interrupted);
    QFETCH(EServerCommands, result);
    QFETCH(EBox, box);
    QFETCH(QString, mustSay);
    emit FirmwareUpdater::instance().signalUpdateStarted();
    emit FirmwareUpdater::instance().signalUpdateProgress(40);
    if (interrupted)
        emit FirmwareUpdater::instance().signalUpdateInterrupted();
    else
        emit FirmwareUpdater::instance().signalUpdateFailed(result);
    QTRY_COMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().kind, box);
    QCOMPARE(m_boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(m_boxes.first().title, QStringLiteral("Firmware update failed"));
    QVERIFY2(m_boxes.first().text.contains(mustSay), qPrintable(m_boxes.first().text));
    if (!interrupted)
        QVERIFY(m_boxes.first().text.contains(QStringLiteral("Nothing was sent")));
    QVERIFY(page()->progressDialog()->isHidden());
    QVERIFY(!page()->isUpdateInProgress());
    QVERIFY(!page()->isReopenPending());
}

void tst_PgUpdate::progressDialogStaysOpen()
{
    QProgressDialog* dialog = page()->progressDialog();
    page()->slotUpdateProgress(10);
    QVERIFY(dialog->isVisible());
    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(!dialog->close());
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->value(), 10);
    QVERIFY2(dialog->labelText().contains(QStringLiteral("Do not unplug")), qPrintable(dialog->labelText()));
    page()->slotUpdateCompleted(QStringLiteral("2.0.1"));
    QVERIFY(dialog->isHidden());
}

void tst_PgUpdate::electricalDelay_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("value");
    QTest::newRow("inside") << "-120"
                            << "-120" << -120;
    QTest::newRow("top") << "9999"
                         << "9999" << 9999;
    QTest::newRow("beyond the top") << "99999"
                                    << "9999" << 9999;
    QTest::newRow("beyond the bottom") << "-99999"
                                       << "-9999" << -9999;
}

void tst_PgUpdate::electricalDelay()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, value);
    Ui::Components::ClampedLineEdit* edit = page()->elDelayEdit();
    QCOMPARE(edit->maxLength(), 5);
    DataScanManager::setElDelayValue(0, false);
    edit->clear();
    edit->setFocus();
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(DataScanManager::elDelayValue(), value);

    const bool before = DataScanManager::isElDelayEnabled();
    page()->elDelayCheck()->setChecked(!before);
    QCOMPARE(DataScanManager::isElDelayEnabled(), !before);
    page()->elDelayCheck()->setChecked(before);
}

void tst_PgUpdate::delayProfileRoundTrip()
{
    DataScanManager::setElDelayValue(-321, false);
    DataScanManager::setElDelayEnabled(true, false);
    page()->saveSettings();
    QSettings* settings = ZCore::SettingsManager::settings();
    QVERIFY(settings);
    QCOMPARE(settings->value(QStringLiteral("Device/el_delay_value")).toInt(), -321);
    QCOMPARE(settings->value(QStringLiteral("Device/el_delay_enabled")).toBool(), true);

    DataScanManager::setElDelayValue(0, false);
    DataScanManager::setElDelayEnabled(false, false);
    page()->restoreSettings();
    QCOMPARE(page()->elDelayEdit()->text(), QStringLiteral("-321"));
    QVERIFY(page()->elDelayCheck()->isChecked());
    QCOMPARE(DataScanManager::elDelayValue(), -321);
    QVERIFY(DataScanManager::isElDelayEnabled());

    // A hand-edited profile never puts an out-of-range value into the field.
    settings->setValue(QStringLiteral("Device/el_delay_value"), QStringLiteral("123456"));
    settings->setValue(QStringLiteral("Device/el_delay_enabled"), false);
    page()->restoreSettings();
    QCOMPARE(page()->elDelayEdit()->text(), QStringLiteral("9999"));
    QCOMPARE(DataScanManager::elDelayValue(), 9999);
    QVERIFY(!page()->elDelayCheck()->isChecked());
    QVERIFY(!DataScanManager::isElDelayEnabled());
    DataScanManager::setElDelayValue(0, false);
}

void tst_PgUpdate::retranslates()
{
    QVERIFY(ZCore::LocalizationManager::setLanguage(QStringLiteral(":/translation/lumenpane_ru.qm")));
    QTRY_COMPARE(page()->checkButton()->text(), QStringLiteral("Проверить обновления"));
    QCOMPARE(page()->updateButton()->text(), QStringLiteral("Обновить прошивку"));
    QVERIFY(page()->progressDialog()->labelText().contains(QStringLiteral("Не отключайте")));
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    QTRY_COMPARE(page()->checkButton()->text(), QStringLiteral("Check for updates"));
    QVERIFY(page()->progressDialog()->labelText().contains(QStringLiteral("Do not unplug")));
}

QTEST_MAIN(tst_PgUpdate)
#include "tst_PgUpdate.moc"
