// The device page inside the real window, without a device: its state at start, and the
// electrical-delay field with its profile entries. Its update flow runs in tst_PgUpdateEndToEnd.
#include <QCheckBox>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "TestSupport.h"
#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "measurement/DataScanManager.h"
#include "ui/MainWindow.h"
#include "ui/components/ClampedLineEdit.h"
#include "ui/pages/PgUpdate.h"

using namespace ZData;
using MW_Pages::PgUpdate;
class tst_PgUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_window.reset(); }
    void startsEmpty();
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
    int m_boxes = 0;
};

void tst_PgUpdate::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    const QStringList failed = TestSupport::initManagersButLogger();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    page()->setBoxPresenter([this](const PgUpdate::TBox&) {
        ++m_boxes;
        return QMessageBox::Ok;
    });
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

    // Nothing for the user to close the dialog with: only the page ends it.
    QProgressDialog* dialog = p->progressDialog();
    QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(dialog->windowFlags().testFlag(Qt::CustomizeWindowHint));
    QVERIFY(dialog->findChildren<QPushButton*>().isEmpty());
    // The dialog shows itself a few seconds after it is made unless its show timer, its only timer,
    // is stopped: then it would come up over an idle window.
    QVERIFY(dialog->isHidden());
    for (QTimer* timer : dialog->findChildren<QTimer*>())
        QVERIFY(!timer->isActive());
    QCOMPARE(m_boxes, 0);
}

void tst_PgUpdate::electricalDelay_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("value");
    QTest::newRow("inside") << "-120"
                            << "-120" << -120;
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
    DataScanManager::setElDelayValue(0, false);
    edit->clear();
    edit->setFocus();
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(DataScanManager::elDelayValue(), value);
}

void tst_PgUpdate::delayProfileRoundTrip()
{
    const bool before = DataScanManager::isElDelayEnabled();
    page()->elDelayCheck()->setChecked(!before);
    QCOMPARE(DataScanManager::isElDelayEnabled(), !before);

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
