// The real window against the emulator through the real serial stack: connect through the port
// dialog, follow the sweep, change arrangement and frequency, survive an unplug, switch language,
// and come back from the profile.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartScanRangeInfo.h"
#include "charts/ZChartView.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "ui/DeviceConnector.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowUi.h"
#include "ui/components/ZFreqLineEdit.h"
#include "ui/pages/PgCharts.h"
#include "ui/pages/PgFreq.h"

using namespace ZData;
using ZChart::EChartType;
using ZChart::ZChartView;

namespace {

QColor buttonColor(QWidget* w)
{
    return w->palette().color(QPalette::Button);
}

bool waitForSweeps(quint64 count, int timeoutMs = 20000)
{
    const quint64 target = DataScanManager::completedSweeps() + count;
    QElapsedTimer timer;
    timer.start();
    while (DataScanManager::completedSweeps() < target && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return DataScanManager::completedSweeps() >= target;
}

} // namespace

class tst_MainWindowEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void connectFollowRestore();

private:
    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::EmulatorProcess> m_emulator;
};

void tst_MainWindowEndToEnd::initTestCase()
{
    ZCore::initResources();
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    const QStringList failed = TestSupport::initManagersButLogger();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    ConnectionManager::setReconnectPolicy(30, 300);
    m_emulator = std::make_unique<TestSupport::EmulatorProcess>();
    QVERIFY(m_emulator->start({"--dut", "r=100"}));
    m_emulator->offerToThisProcess(); // the port dialog lists it like a user's emulator
}

void tst_MainWindowEndToEnd::cleanupTestCase()
{
    DM::SerialPort::close(true);
    ConnectionManager::reset();
    m_emulator.reset();
}

void tst_MainWindowEndToEnd::connectFollowRestore()
{
    auto window = std::make_unique<MainWindow>();
    window->setWarningPresenter([](const QString&, const QString&) {});
    window->show();
    Ui::MainWindowUi* ui = window->getUi();
    QCOMPARE(window->pgCharts()->arrangementBox()->currentIndex(), 11); // the generated profile's choice
    QCOMPARE(window->selectedChartViewIndex(), 0);

    // Three clicks: connect button, the emulator's entry, Apply.
    QTest::mouseClick(ui->b_connect_device, Qt::LeftButton);
    DeviceConnector* connector = window->deviceConnector();
    QTRY_VERIFY(connector->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(connector->portList()->findText(m_emulator->portPath()) >= 0, 3000);
    connector->portList()->setCurrentIndex(connector->portList()->findText(m_emulator->portPath()));
    QTest::mouseClick(connector->applyButton(), Qt::LeftButton);
    QTRY_VERIFY(!connector->isVisible());
    QVERIFY(!connector->isRefreshing());

    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::green), 15000);
    QVERIFY(ConnectionManager::autoReconnect());
    QVERIFY(waitForSweeps(2));
    for (ZChartView* view : window->chartViews()) {
        QVERIFY(view->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(view->hasData(), 5000);
    }
    QVERIFY(ui->b_toggle_scan_pause->isEnabled());

    // Arrangement 11 -> 5 hides UR: a selected UR hands the selection to UL.
    emit window->chartView(1)->signalWasSelected();
    QCOMPARE(window->selectedChartViewIndex(), 1);
    window->pgCharts()->arrangementBox()->setCurrentIndex(5);
    QCOMPARE(window->selectedChartViewIndex(), 0);
    QVERIFY(!window->chartView(1)->isActive());
    QVERIFY(window->chartView(1)->isHidden());
    QCOMPARE(window->chartView(0)->styleSheet(), QStringLiteral("border: 2px solid red;"));

    // Unplug and plug: reconnecting (yellow), then connected and scanning again. The start-up
    // after the reconnect puts the sweep on the calibration's grid, so the frequency edit follows.
    QCOMPARE(m_emulator->control("unplug").left(2), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::yellow), 5000);
    QCOMPARE(m_emulator->control("plug").left(2), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::green), 15000);
    QVERIFY(waitForSweeps(2));

    // A typed start frequency, Return: the sweep, the axes and the info box follow.
    QTest::mouseClick(ui->menuButtons[0], Qt::LeftButton);
    QCOMPARE(ui->nav_bar_menu->currentIndex(), 1);
    Ui::Components::ZFreqLineEdit* start = window->pgFreq()->startEdit();
    start->selectAll();
    QTest::keyClicks(start, "150");
    QTest::keyClick(start, Qt::Key_Return);
    QCOMPARE(DataScanManager::sweep().start(), 150e6);
    QCOMPARE(start->text(), QStringLiteral("150.00"));
    QVERIFY(waitForSweeps(2));
    ZChartView* ul = window->chartView(0); // a frequency chart in the generated profile
    QTRY_COMPARE_WITH_TIMEOUT(ul->axisX()->min(), 150.0, 3000);
    QVERIFY(ul->scanRangeInfo()->text().contains(QStringLiteral("150.00")));
    // the views refresh a few times a second, not on every slice
    QTRY_COMPARE_WITH_TIMEOUT(ul->livePoints().first().x(), 150.0, 3000);

    // Language at run time.
    QCOMPARE(window->pageHeaderLabel(1)->text(), QStringLiteral("Frequency"));
    QVERIFY(ZCore::LocalizationManager::setLanguage(QStringLiteral(":/translation/lumenpane_ru.qm")));
    QTRY_COMPARE(window->pageHeaderLabel(1)->text(), QStringLiteral("Частота"));
    QCOMPARE(ui->menuButtons[1]->text(), QStringLiteral("Графики"));
    QVERIFY(window->windowTitle().contains(QStringLiteral("версия")));
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));

    // Options that must come back: BL selected, its type Smith with a limit circle, 200 points.
    emit window->chartView(2)->signalWasSelected();
    QTest::mouseClick(window->pageBackButton(1), Qt::LeftButton);
    QCOMPARE(ui->nav_bar_menu->currentIndex(), 0);
    window->pgCharts()->typeBox()->setCurrentIndex(int(EChartType::SMITH));
    QCOMPARE(window->chartView(2)->chartType(), EChartType::SMITH);
    ZChart::TSWRConfig limit = window->chartView(2)->config()->smithConfig();
    limit.limit_line_val = 2.5;
    limit.is_enabled = true;
    window->chartView(2)->config()->setSmithConfig(limit, true);
    window->pgFreq()->pointsBox()->setCurrentText(QStringLiteral("200"));
    QCOMPARE(DataScanManager::sweep().points(), 200u);
    QTest::mouseClick(ui->b_toggle_menu, Qt::LeftButton);
    QVERIFY(!window->isMenuVisible());
    const double stop = DataScanManager::sweep().stop();

    window->close();
    window.reset();
    // Something else changes the sweep in between; the profile wins.
    DataScanManager::sweep().setStart(500e6, false);
    DataScanManager::sweep().setPoints(700, false);

    window = std::make_unique<MainWindow>();
    QCOMPARE(window->pgCharts()->arrangementBox()->currentIndex(), 5);
    QCOMPARE(window->selectedChartViewIndex(), 2);
    QCOMPARE(window->pgCharts()->typeBox()->currentIndex(), int(EChartType::SMITH));
    QCOMPARE(window->chartView(0)->chartType(), EChartType::LIN_MAG);
    QCOMPARE(window->chartView(2)->chartType(), EChartType::SMITH);
    QCOMPARE(window->chartView(2)->config()->smithConfig().limit_line_val, 2.5);
    QVERIFY(window->chartView(2)->config()->smithConfig().is_enabled);
    QVERIFY(window->chartView(1)->isHidden());
    QCOMPARE(DataScanManager::sweep().start(), 150e6);
    QCOMPARE(DataScanManager::sweep().stop(), stop);
    QCOMPARE(DataScanManager::sweep().points(), 200u);
    QCOMPARE(window->pgFreq()->startEdit()->text(), QStringLiteral("150.00"));
    QVERIFY(!window->isMenuVisible());
    QCOMPARE(window->getUi()->nav_bar_menu->currentIndex(), 0);
}

QTEST_MAIN(tst_MainWindowEndToEnd)
#include "tst_MainWindowEndToEnd.moc"
