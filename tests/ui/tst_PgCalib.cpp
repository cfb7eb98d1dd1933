#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include <memory>

#include "PageTestSupport.h"
#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "core/SettingsManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "ui/KitEditorDialog.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowUi.h"
#include "ui/pages/PgCalib.h"

using MW_Pages::PgCalib;
using ZData::CalibrationManager;
using ZData::DeviceManager;

namespace {
const QStringList kDeviceButtons = {"b_calib_do_open", "b_calib_do_short", "b_calib_do_load",
                                    "b_calib_download", "b_calib_open_file"};
} // namespace

class tst_PgCalib : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void allButtonsStartDisabled();
    void deviceButtonsFollowTheLink();
    void startedCalibrationDisablesEverything();
    void presetsRebuildTheSlotList_data();
    void presetsRebuildTheSlotList();
    void uploadNeedsASlotAndACompleteCalibration();
    void kitBoxAndEditor();

private:
    QPushButton* button(const QString& name) const { return m_window->findChild<QPushButton*>(name); }

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::CapturedMessages> m_messages;
    std::unique_ptr<MainWindow> m_window;
    PgCalib* m_page = nullptr;
};

void tst_PgCalib::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    m_messages = std::make_unique<TestSupport::CapturedMessages>();
    QVERIFY(TestSupport::initAllManagers());
    m_window = std::make_unique<MainWindow>();
    m_page = qobject_cast<PgCalib*>(m_window->page(ZCommon::ENavBarMenuPages::CALIBRATION));
    QVERIFY(m_page && m_page->isInitialized());
}

void tst_PgCalib::cleanupTestCase()
{
    m_window.reset();
}

void tst_PgCalib::allButtonsStartDisabled()
{
    const QList<QPushButton*> buttons = m_window->getUi()
                                            ->scrollWidgets[int(ZCommon::ENavBarMenuPages::CALIBRATION)]
                                            ->findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 12);
    // Only editing a kit works without an analyser.
    for (QPushButton* b : buttons)
        QVERIFY2(b->isEnabled() == (b->objectName() == "b_calib_kit_edit"), qPrintable(b->objectName()));
    auto* slot = m_window->findChild<QComboBox*>(QStringLiteral("comb_calib_slot"));
    QCOMPARE(slot->count(), 1);
    QCOMPARE(slot->itemData(0).toInt(), 0);
    QCOMPARE(slot->itemText(0), qtTrId("lp_pcalib_slot_factory"));
}

void tst_PgCalib::deviceButtonsFollowTheLink()
{
    emit DeviceManager::instance().signalStartupFinished();
    for (const QString& name : kDeviceButtons)
        QVERIFY2(button(name)->isEnabled(), qPrintable(name));
    // Nothing measured: nothing to remove, save or upload.
    for (const char* name :
         {"b_calib_remove_open", "b_calib_remove_all", "b_calib_save_file", "b_calib_upload"})
        QVERIFY2(!button(QString::fromLatin1(name))->isEnabled(), name);

    emit ZData::DM::SerialPort::instance().signalClosed();
    for (const QString& name : kDeviceButtons)
        QVERIFY2(!button(name)->isEnabled(), qPrintable(name));
    // A late report from the calibration manager must not open them on a closed port.
    emit CalibrationManager::instance().signalFinishedCalibration();
    emit CalibrationManager::instance().signalSentCalibration();
    for (const QString& name : kDeviceButtons)
        QVERIFY2(!button(name)->isEnabled(), qPrintable(name));

    emit DeviceManager::instance().signalStartupFinished();
    for (const QString& name : kDeviceButtons)
        QVERIFY2(button(name)->isEnabled(), qPrintable(name));
}

void tst_PgCalib::startedCalibrationDisablesEverything()
{
    emit DeviceManager::instance().signalStartupFinished();
    emit CalibrationManager::instance().signalStartedCalibration();
    for (const QString& name : kDeviceButtons)
        QVERIFY2(!button(name)->isEnabled(), qPrintable(name));
    emit CalibrationManager::instance().signalFinishedCalibType();
    QVERIFY(button(QStringLiteral("b_calib_do_open"))->isEnabled());
    QCOMPARE(button(QStringLiteral("b_calib_do_open"))->palette().color(QPalette::Button),
             m_page->normalColor());

    // A sweep longer than a calibration holds: refused at once with a notice, nothing started.
    using ZData::DataScanManager;
    const quint32 points = DataScanManager::sweep().points();
    DataScanManager::sweep().setPoints(2048, true);
    QCOMPARE(DataScanManager::sweep().points(), 2048u);
    QSignalSpy started(&CalibrationManager::instance(), &CalibrationManager::signalStartedCalibration);
    QTest::mouseClick(button(QStringLiteral("b_calib_do_short")), Qt::LeftButton);
    QCOMPARE(started.count(), 0);
    QVERIFY(m_messages->contains({qtTrId("lp_err_calib_too_many_points"), QStringLiteral("2048")}));
    QVERIFY(button(QStringLiteral("b_calib_do_short"))->isEnabled());
    DataScanManager::sweep().setPoints(points, true);
}

void tst_PgCalib::presetsRebuildTheSlotList_data()
{
    QTest::addColumn<QList<quint32>>("reports");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("none") << QList<quint32>{0} << QStringList{"0"};
    QTest::newRow("three") << QList<quint32>{3} << QStringList{"0", "1", "2", "3"};
    QTest::newRow("five, then two") << QList<quint32>{5, 2} << QStringList{"0", "1", "2"};
}

void tst_PgCalib::presetsRebuildTheSlotList()
{
    QFETCH(QList<quint32>, reports);
    QFETCH(QStringList, items);
    auto* slot = m_window->findChild<QComboBox*>(QStringLiteral("comb_calib_slot"));
    QSignalSpy changed(slot, QOverload<int>::of(&QComboBox::currentIndexChanged));
    for (quint32 presets : reports) {
        ZData::TDeviceInfo info = DeviceManager::deviceInfo();
        info.presetsCount = presets;
        DeviceManager::setDeviceInfo(info);
        emit DeviceManager::instance().signalGotDeviceParams(ZData::EDeviceOptions::PRESETS_COUNT);
    }
    QStringList got;
    for (int i = 0; i < slot->count(); ++i)
        got << slot->itemData(i).toString();
    QCOMPARE(got, items);
    QCOMPARE(changed.count(), 0);
    for (int i = 1; i < slot->count(); ++i)
        QCOMPARE(slot->itemText(i), QString::number(i));
}

void tst_PgCalib::uploadNeedsASlotAndACompleteCalibration()
{
    emit DeviceManager::instance().signalStartupFinished();
    auto* slot = m_window->findChild<QComboBox*>(QStringLiteral("comb_calib_slot"));
    ZData::TDeviceInfo info = DeviceManager::deviceInfo();
    info.presetsCount = 3;
    DeviceManager::setDeviceInfo(info);
    emit DeviceManager::instance().signalGotDeviceParams(ZData::EDeviceOptions::PRESETS_COUNT);
    slot->setCurrentIndex(0);
    QVERIFY(!button(QStringLiteral("b_calib_upload"))->isEnabled());
    // A slot alone is not enough: the calibration here is not complete.
    slot->setCurrentIndex(2);
    QVERIFY(!CalibrationManager::calibration().isComplete());
    QVERIFY(!button(QStringLiteral("b_calib_upload"))->isEnabled());
}

void tst_PgCalib::kitBoxAndEditor()
{
    QDir().mkpath(ZData::CAL::CalibrationKit::dir());
    QFile bad(ZData::CAL::CalibrationKit::pathFor("broken"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("[open]\nc0_ff = fifty\n");
    bad.close();
    QComboBox* combo = m_page->kitCombo();
    // Opening the list picks up files put into the folder meanwhile.
    QTest::mouseClick(combo, Qt::LeftButton);
    combo->hidePopup();
    QCOMPARE(combo->itemData(0).toString(), QString("Ideal"));
    QCOMPARE(combo->itemText(0), qtTrId("lp_pcalib_kit_ideal"));
    const int broken = combo->findData("broken");
    QVERIFY(broken > 0);
    emit combo->activated(broken);
    QVERIFY2(m_page->kitStatusText().contains("broken.ini:2:"), qPrintable(m_page->kitStatusText()));
    QCOMPARE(CalibrationManager::kit().name, QString("Ideal"));
    QCOMPARE(combo->currentData().toString(), QString("Ideal"));

    // The editor: a field that is not a number, then a value no kit has, are named and not saved.
    QTest::mouseClick(button("b_calib_kit_edit"), Qt::LeftButton);
    Ui::KitEditorDialog* editor = m_page->kitEditor();
    QTRY_VERIFY(editor->isVisible());
    QVERIFY(!editor->isModal());
    editor->field("le_kit_name")->setText("lab-sma");
    editor->field("le_kit_open_c0")->setText("4O");
    editor->slotSave();
    QVERIFY2(editor->errorText().contains("4O"), qPrintable(editor->errorText()));
    editor->field("le_kit_open_c0")->setText("45");
    editor->field("le_kit_short_delay")->setText("-3");
    editor->slotSave();
    QVERIFY2(editor->errorText().contains("delay_ps"), qPrintable(editor->errorText()));
    QVERIFY(!QFileInfo::exists(ZData::CAL::CalibrationKit::pathFor("lab-sma")));
    editor->field("le_kit_short_delay")->setText("31.5");
    editor->field("le_kit_load_r")->clear(); // an empty impedance is 50 ohm, as a missing key
    editor->slotSave();
    QVERIFY2(editor->errorText().isEmpty(), qPrintable(editor->errorText()));
    ZData::CAL::CalibrationKit saved;
    QVERIFY(
        ZData::CAL::CalibrationKit::readFile(ZData::CAL::CalibrationKit::pathFor("lab-sma"), saved, nullptr));
    QCOMPARE(saved.open.c[0], 45.0);
    QCOMPARE(saved.shortStd.line.delayPs, 31.5);
    QCOMPARE(saved.load.rOhm, 50.0);
    QCOMPARE(CalibrationManager::kit().name, QString("lab-sma"));
    QCOMPARE(combo->currentData().toString(), QString("lab-sma"));
    // TOLVEK_PAGE_SHOTS=DIR keeps pictures of the editor and of a view's scan-range box to look at.
    const QString shots = qEnvironmentVariable("TOLVEK_PAGE_SHOTS");
    if (!shots.isEmpty())
        QVERIFY(editor->grab().save(shots + "/kit_editor.png"));
    editor->hide();

    // Averaging counts and the kit go into the profile and come back from it.
    m_page->calibAverage()->setValue(8);
    QCOMPARE(CalibrationManager::averageSweeps(), 8);
    m_page->liveAverage()->setValue(1);
    QCOMPARE(ZData::DataScanManager::liveAverage(), 0);
    QCOMPARE(m_page->liveAverage()->text(), qtTrId("lp_pcalib_live_average_off"));
    m_page->liveAverage()->setValue(16);
    QCOMPARE(ZData::DataScanManager::liveAverage(), 16);
    if (!shots.isEmpty()) {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QVERIFY(m_window->grab().save(shots + "/live_average.png"));
    }
    m_page->saveSettings();
    QSettings* settings = ZCore::SettingsManager::settings();
    QCOMPARE(settings->value("Calibration/kit").toString(), QString("lab-sma"));
    QCOMPARE(settings->value("Calibration/calib_average").toInt(), 8);
    QCOMPARE(settings->value("Calibration/live_average").toInt(), 16);
    // A profile naming a kit that has gone: the ideal kit, and the page says why.
    QVERIFY(QFile::remove(ZData::CAL::CalibrationKit::pathFor("lab-sma")));
    settings->setValue("Calibration/calib_average", 99);
    settings->setValue("Calibration/live_average", 0);
    m_page->restoreSettings();
    QCOMPARE(CalibrationManager::kit().name, QString("Ideal"));
    QVERIFY2(m_page->kitStatusText().contains("lab-sma.ini"), qPrintable(m_page->kitStatusText()));
    QCOMPARE(CalibrationManager::averageSweeps(), 8);
    QCOMPARE(ZData::DataScanManager::liveAverage(), 0);
}

QTEST_MAIN(tst_PgCalib)
#include "tst_PgCalib.moc"
