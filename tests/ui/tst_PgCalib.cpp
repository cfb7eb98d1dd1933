#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "PageTestSupport.h"
#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
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
    QCOMPARE(buttons.size(), 11);
    for (QPushButton* b : buttons)
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
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

QTEST_MAIN(tst_PgCalib)
#include "tst_PgCalib.moc"
