#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "core/LocalizationManager.h"
#include "core/NoticeBoard.h"
#include "core/Resources.h"
#include "core/SettingsManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "ui/ChartArrangement.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowUi.h"
#include "ui/components/ChartTraceListEntry.h"
#include "ui/components/NoticeBar.h"
#include "ui/components/ZFreqLineEdit.h"
#include "ui/pages/PgCharts.h"
#include "ui/pages/PgFreq.h"
#include "ui/pages/charts/DTFPage.h"
#include "ui/pages/charts/GridBasePage.h"
#include "ui/pages/charts/LossPage.h"
#include "ui/pages/charts/SWRBasePage.h"

using namespace ZData;
using ZChart::EChartType;

namespace {
QImage iconImage(const QIcon& icon)
{
    return icon.pixmap(32, 32).toImage();
}
bool showsIcon(QPushButton* button, const char* path)
{
    return iconImage(button->icon()) == iconImage(QIcon(QString::fromLatin1(path)));
}
QColor buttonColor(QWidget* w)
{
    return w->palette().color(QPalette::Button);
}
} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
    QStringList m_warnings;
    QByteArray m_windowFor;

    Ui::MainWindowUi* ui() const { return m_window->getUi(); }
    MW_Pages::PgCharts* charts() const { return m_window->pgCharts(); }
    void newWindow()
    {
        m_window.reset();
        m_window = std::make_unique<MainWindow>();
        m_window->setWarningPresenter(
            [this](const QString&, const QString& text) { m_warnings.append(text); });
    }
    template <class T>
    T* configPage(EChartType type) const
    {
        return qobject_cast<T*>(charts()->configPage(type));
    }

private slots:
    void initTestCase();
    // A fresh window for each test; the rows of a table share one.
    void init()
    {
        if (m_windowFor != QTest::currentTestFunction())
            newWindow();
        m_windowFor = QTest::currentTestFunction();
    }
    void cleanupTestCase() { m_window.reset(); }

    void arrangementsPlaceAndSelect_data();
    void arrangementsPlaceAndSelect();
    void navigationAndHeaders();
    void pauseButton();
    void connectButtonStates();
    void oldDeviceWarnsAfterTheReplyHandler();
    void noticeArea();
    void pagesRoundTrip();
    void restoredValuesBounded_data();
    void restoredValuesBounded();
    void clearedBandListSendsNoIndex();
    void configPagesFollowSelection();
    void dtfSpanIsCut();
    void frequencyEntryRules_data();
    void frequencyEntryRules();
    void traceEntriesFollowTheStore();
};

void tst_MainWindow::initTestCase()
{
    ZCore::initResources();
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    QVERIFY(ZCore::SettingsManager::init());
    QVERIFY(CalibrationManager::init());
    QVERIFY(DataScanManager::init());
    QVERIFY(ZCore::LocalizationManager::init());
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
}

// The expected cells are written out here, not read from the arrangement table: a wrong entry
// there or a window that ignores it both fail.
void tst_MainWindow::arrangementsPlaceAndSelect_data()
{
    QTest::addColumn<int>("arrangement");
    QTest::addColumn<QString>("cells"); // row, column, row span, column span of UL UR BL BR; - hidden
    QTest::addColumn<int>("selected");  // before the change, from the cross of four
    QTest::addColumn<int>("selectedAfter");
    QTest::newRow("one") << 0 << "0011 - - -" << 3 << 0;
    QTest::newRow("two stacked") << 1 << "0012 1012 - -" << 1 << 1;
    QTest::newRow("three side by side") << 4 << "0031 0131 0231 -" << 2 << 2;
    QTest::newRow("half, UR hidden") << 5 << "0012 - 1011 1111" << 1 << 0;
    QTest::newRow("half, BL stays") << 5 << "0012 - 1011 1111" << 2 << 2;
    QTest::newRow("half turned 270") << 8 << "0021 0111 - 1111" << 2 << 0;
    QTest::newRow("four in a row") << 10 << "0041 0141 0241 0341" << 3 << 3;
    QTest::newRow("cross") << 11 << "0011 0111 1011 1111" << 3 << 3;
}

void tst_MainWindow::arrangementsPlaceAndSelect()
{
    QFETCH(int, arrangement);
    QFETCH(QString, cells);
    QFETCH(int, selected);
    QFETCH(int, selectedAfter);
    charts()->arrangementBox()->setCurrentIndex(11);
    emit m_window->chartView(selected)->signalWasSelected();
    QSignalSpy moved(m_window.get(), &MainWindow::signalSelectedNewChartView);
    emit m_window->chartView(selected)->signalWasSelected(); // already selected: nothing
    QCOMPARE(moved.count(), 0);
    charts()->arrangementBox()->setCurrentIndex(arrangement);
    QCOMPARE(charts()->arrangementIndex(), arrangement);
    QVERIFY(!Ui::ChartArrangement::table().at(arrangement).icon().isNull());

    const QStringList cell = cells.split(' ');
    for (int v = 0; v < MainWindow::CHART_VIEWS; ++v) {
        ZChart::ZChartView* view = m_window->chartView(v);
        const bool shown = cell.at(v) != QLatin1String("-");
        const int at = ui()->chart_cluster->indexOf(view);
        QCOMPARE(view->isActive(), shown);
        QCOMPARE(view->isHidden(), !shown);
        QCOMPARE(at >= 0, shown);
        if (!shown)
            continue;
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        ui()->chart_cluster->getItemPosition(at, &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(QStringLiteral("%1%2%3%4").arg(row).arg(column).arg(rowSpan).arg(columnSpan), cell.at(v));
    }
    // The shown views share one drawing budget.
    QCOMPARE(ZChart::ZChartView::refreshInterval(),
             MainWindow::REFRESH_BUDGET_MS * (4 - cells.count(QLatin1Char('-'))));

    // A hidden selected view hands the selection, its frame and its marker table to UL.
    QCOMPARE(m_window->selectedChartViewIndex(), selectedAfter);
    QCOMPARE(moved.count(), selected == selectedAfter ? 0 : 1);
    QCOMPARE(m_window->selectedMarksTable(), m_window->chartView(selectedAfter)->marksTable());
    const QString plain = m_window->chartView((selectedAfter + 1) % 4)->styleSheet();
    for (int v = 0; v < MainWindow::CHART_VIEWS; ++v)
        QCOMPARE(m_window->chartView(v)->styleSheet() == plain, v != selectedAfter);
}

void tst_MainWindow::navigationAndHeaders()
{
    QCOMPARE(ui()->nav_bar_menu->count(), Ui::MainWindowUi::PAGES);
    QCOMPARE(ui()->nav_bar_menu->width(), Ui::MainWindowUi::SIDE_PANEL_WIDTH);
    for (int page = 1; page < Ui::MainWindowUi::PAGES; ++page) {
        QTest::mouseClick(ui()->menuButtons[page - 1], Qt::LeftButton);
        QCOMPARE(ui()->nav_bar_menu->currentIndex(), page);
        QCOMPARE(ui()->nav_bar_menu->currentWidget()->objectName(), ZCommon::pageObjectName(page));
        QCOMPARE(m_window->pageHeaderLabel(page)->text(), ZCommon::pageTitle(page));
        QCOMPARE(ui()->menuButtons[page - 1]->text(), ZCommon::pageTitle(page));
        QVERIFY(m_window->page(ZCommon::ENavBarMenuPages(page))->isInitialized());
        QTest::mouseClick(m_window->pageBackButton(page), Qt::LeftButton);
        QCOMPARE(ui()->nav_bar_menu->currentIndex(), 0);
    }
    QCOMPARE(ZCommon::pageTitle(12), QStringLiteral("12"));

    m_window->show();
    QVERIFY(ui()->nav_bar_menu->isVisible());
    QTest::mouseClick(ui()->b_toggle_menu, Qt::LeftButton);
    QVERIFY(!ui()->nav_bar_menu->isVisible());
    QTest::mouseClick(ui()->b_toggle_menu, Qt::LeftButton);
    QVERIFY(ui()->nav_bar_menu->isVisible());
    QVERIFY(m_window->isMenuVisible());
}

void tst_MainWindow::pauseButton()
{
    QPushButton* pause = ui()->b_toggle_scan_pause;
    QVERIFY(!pause->isEnabled());
    m_window->slotScanPause(false);
    QVERIFY(pause->isEnabled());
    QCOMPARE(buttonColor(pause), QColor(Qt::green));
    QVERIFY(showsIcon(pause, ":/ui/pause_scan"));
    m_window->slotUserScanPause(true);
    QVERIFY(pause->isEnabled());
    QVERIFY(showsIcon(pause, ":/ui/resume_scan"));
    m_window->slotScanPause(true);
    QVERIFY(!pause->isEnabled());
    QCOMPARE(buttonColor(pause), QColor(Qt::gray));
    QVERIFY(showsIcon(pause, ":/ui/resume_scan"));
}

void tst_MainWindow::connectButtonStates()
{
    QPushButton* button = ui()->b_connect_device;
    const QColor plain = buttonColor(button);
    QVERIFY(showsIcon(button, ":/ui/disconnected"));
    emit DM::SerialPort::instance().signalOpening();
    QVERIFY(showsIcon(button, ":/ui/refresh"));
    QCOMPARE(buttonColor(button), QColor(Qt::yellow));
    emit DM::SerialPort::instance().signalOpened();
    QVERIFY(showsIcon(button, ":/ui/connected"));
    emit DeviceManager::instance().signalStartupFinished();
    QCOMPARE(buttonColor(button), QColor(Qt::green));
    // A port closed on purpose (not lost) no longer looks connected.
    emit DM::SerialPort::instance().signalClosed();
    QVERIFY(showsIcon(button, ":/ui/disconnected"));
    QCOMPARE(buttonColor(button), plain);
}

void tst_MainWindow::oldDeviceWarnsAfterTheReplyHandler()
{
    QSignalSpy update(m_window.get(), &MainWindow::signalUpdateIsRequired);
    int pageAtWarning = -1;
    int updatesAtWarning = -1;
    m_window->setWarningPresenter([&](const QString& title, const QString&) {
        pageAtWarning = ui()->nav_bar_menu->currentIndex();
        updatesAtWarning = update.count();
        QCOMPARE(title, qtTrId("lp_err_got_old_device_title"));
    });
    QTest::mouseClick(ui()->menuButtons[0], Qt::LeftButton);
    emit DeviceManager::instance().signalGotOldDevice();
    // Not inside the emitting call chain: the box runs a nested loop.
    QCOMPARE(pageAtWarning, -1);
    QTRY_COMPARE(pageAtWarning, int(ZCommon::ENavBarMenuPages::UPDATE));
    QCOMPARE(updatesAtWarning, 0);
    QCOMPARE(update.count(), 1);

    // The window's own warning is opened, not run: the call returns with the box shown, a second
    // report adds no second box, and the update check waits for the dismissal.
    m_window->setWarningPresenter({});
    m_window->slotGotOldDevice();
    m_window->slotGotOldDevice();
    QPointer<QMessageBox> box = m_window->oldDeviceBox();
    QVERIFY(box && box->isVisible());
    QCOMPARE(m_window->findChildren<QMessageBox*>().size(), 1);
    QCOMPARE(update.count(), 1);
    box->button(QMessageBox::Ok)->click();
    QCOMPARE(update.count(), 2);
    QTRY_VERIFY(box.isNull());
}

// Critical messages show under the title bar one at a time, repeats counted, until dismissed.
void tst_MainWindow::noticeArea()
{
    Ui::Components::NoticeBar* bar = m_window->noticeBar();
    m_window->show();
    ZCore::NoticeBoard::clear();
    QTRY_VERIFY(bar->isHidden());
    for (int i = 0; i < 3; ++i)
        ZCore::NoticeBoard::post(QtCriticalMsg, QString(),
                                 QStringLiteral("DataScanManager >> cannot write /x/a.tbin"));
    ZCore::NoticeBoard::post(QtCriticalMsg, QString(), QStringLiteral("port lost"));
    QTRY_VERIFY(bar->isVisible());
    QCOMPARE(bar->textLabel()->text(), QStringLiteral("cannot write /x/a.tbin (3 times)"));
    QCOMPARE(bar->waitingLabel()->text(), QStringLiteral("1 more"));
    QVERIFY(bar->geometry().bottom() < ui()->chart_view_UL->mapTo(m_window.get(), QPoint(0, 0)).y());
    QTest::mouseClick(bar->dismissButton(), Qt::LeftButton);
    QTRY_COMPARE(bar->textLabel()->text(), QStringLiteral("port lost"));
    QVERIFY(bar->waitingLabel()->isHidden());
    QTest::mouseClick(bar->dismissButton(), Qt::LeftButton);
    QTRY_VERIFY(bar->isHidden());
}

void tst_MainWindow::pagesRoundTrip()
{
    charts()->arrangementBox()->setCurrentIndex(7);
    emit m_window->chartView(2)->signalWasSelected();
    charts()->typeBox()->setCurrentIndex(int(EChartType::LOSS));
    auto* loss = configPage<Ui::PgCharts_Page::LossPage>(EChartType::LOSS);
    loss->typeBox()->setCurrentIndex(1);
    loss->lengthBox()->setValue(12.5);
    emit m_window->chartView(0)->signalWasSelected();
    charts()->typeBox()->setCurrentIndex(int(EChartType::LIN_MAG));
    configPage<Ui::PgCharts_Page::GridBasePage>(EChartType::LIN_MAG)->stepBox()->setCurrentText("100");
    emit m_window->chartView(1)->signalWasSelected();
    charts()->typeBox()->setCurrentIndex(int(EChartType::SWR));
    auto* swr = configPage<Ui::PgCharts_Page::SWRBasePage>(EChartType::SWR);
    swr->valueBox()->setValue(3.0);
    swr->enabledBox()->setChecked(true);
    QCOMPARE(m_window->chartView(1)->config()->swrConfig().limit_line_val, 3.0);

    MW_Pages::PgFreq* freq = m_window->pgFreq();
    freq->startEdit()->setText(QStringLiteral("100"));
    QTest::keyClick(freq->startEdit(), Qt::Key_Return);
    freq->stopEdit()->setText(QStringLiteral("700,5"));
    QTest::keyClick(freq->stopEdit(), Qt::Key_Return);
    QSignalSpy updated(&DataScanManager::sweep(), &DS::RangeSliced::signalUpdated);
    freq->pointsBox()->setCurrentText(QStringLiteral("300"));
    QCOMPARE(updated.count(), 1);
    QCOMPARE(DataScanManager::sweep().stop(), 700.5e6);
    QTest::mouseClick(ui()->menuButtons[4], Qt::LeftButton); // calibration page
    m_window->show();
    QTest::mouseClick(ui()->b_toggle_menu, Qt::LeftButton);
    QVERIFY(!m_window->isMenuVisible());

    m_window->close(); // saves the profile
    DataScanManager::sweep().setStart(2e9, false);
    DataScanManager::sweep().setPoints(1000, false);
    updated.clear();
    newWindow();
    QCOMPARE(updated.count(), 0); // restoring the profile announces no sweep change
    QCOMPARE(DataScanManager::sweep().start(), 100e6);
    QCOMPARE(DataScanManager::sweep().stop(), 700.5e6);
    QCOMPARE(DataScanManager::sweep().points(), 300u);
    QCOMPARE(m_window->pgFreq()->stopEdit()->text(), QStringLiteral("700.50"));
    QCOMPARE(m_window->pgFreq()->pointsBox()->currentText(), QStringLiteral("300"));
    QCOMPARE(ui()->nav_bar_menu->currentIndex(), 5);
    QCOMPARE(charts()->arrangementIndex(), 7);
    QCOMPARE(m_window->selectedChartViewIndex(), 1);
    QCOMPARE(charts()->typeBox()->currentIndex(), int(EChartType::SWR));
    QCOMPARE(m_window->chartView(0)->chartType(), EChartType::LIN_MAG);
    QCOMPARE(m_window->chartView(0)->config()->linConfig().grid_step, 100u);
    QCOMPARE(m_window->chartView(2)->config()->lossConfig().domain, ZChart::ELossType::DB_PER_M);
    QCOMPARE(m_window->chartView(2)->config()->lossConfig().cable_length, 12.5);
    QVERIFY(m_window->chartView(1)->config()->swrConfig().is_enabled);
    QCOMPARE(configPage<Ui::PgCharts_Page::SWRBasePage>(EChartType::SWR)->valueBox()->value(), 3.0);
    QVERIFY(m_window->chartView(3)->isHidden());
    QVERIFY(!m_window->isMenuVisible());
    m_window->show();
    QTest::mouseClick(ui()->b_toggle_menu, Qt::LeftButton);
    m_window->close(); // the next tests start with the menu shown
}

void tst_MainWindow::restoredValuesBounded_data()
{
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<quint32>("points");
    // A count the list does not offer comes back as it was and is shown.
    QTest::newRow("too many") << qint64(5000) << 2048u;
    QTest::newRow("not offered") << qint64(37) << 37u;
    QTest::newRow("between") << qint64(260) << 260u;
    QTest::newRow("negative") << qint64(-5) << 2u;
}

void tst_MainWindow::restoredValuesBounded()
{
    QFETCH(qint64, stored);
    QFETCH(quint32, points);
    QCOMPARE(MW_Pages::PgFreq::restoredPoints(stored), points);
    QSettings* settings = ZCore::SettingsManager::settings();
    settings->setValue(QStringLiteral("Frequency/points_amount"), stored);
    settings->setValue(QStringLiteral("Frequency/bandwidth_idx"), -1);
    newWindow();
    QCOMPARE(DataScanManager::sweep().points(), points);
    QCOMPARE(m_window->pgFreq()->pointsBox()->currentText(), QString::number(points));
    QCOMPARE(CalibrationManager::bandwidthIndex(), quint8(0));
    QCOMPARE(MW_Pages::PgFreq::boundedBandwidthIndex(9, 2), quint8(1));
    QCOMPARE(MW_Pages::PgFreq::boundedBandwidthIndex(9, 0), quint8(CalibrationManager::MAX_BANDWIDTH_INDEX));
}

void tst_MainWindow::clearedBandListSendsNoIndex()
{
    TDeviceInfo info = DeviceManager::deviceInfo();
    info.bandwidths = {10, 33, 50, 100};
    DeviceManager::setDeviceInfo(info);
    CalibrationManager::setBandwidthIndex(2);
    QSignalSpy changed(&CalibrationManager::instance(), &CalibrationManager::signalChangedBandwidth);
    emit DeviceManager::instance().signalGotDeviceParams(EDeviceOptions::BANDWIDTH);
    QComboBox* band = m_window->pgFreq()->bandBox();
    QCOMPARE(band->count(), 4);
    QCOMPARE(band->currentIndex(), 2);
    QCOMPARE(changed.count(), 0);
    band->clear(); // reports index -1
    QCOMPARE(changed.count(), 0);
    QCOMPARE(CalibrationManager::bandwidthIndex(), quint8(2));
    DeviceManager::resetDeviceInfo();
}

void tst_MainWindow::configPagesFollowSelection()
{
    charts()->arrangementBox()->setCurrentIndex(11);
    m_window->chartView(1)->setChartType(EChartType::PHASE);
    emit m_window->chartView(1)->signalWasSelected();
    auto* phase = charts()->shownConfigPage();
    QVERIFY(phase && phase->noSettingsLabel());

    m_window->chartView(2)->setChartType(EChartType::LOG_MAG);
    m_window->chartView(3)->setChartType(EChartType::LIN_MAG);
    emit m_window->chartView(2)->signalWasSelected();
    auto* log = configPage<Ui::PgCharts_Page::GridBasePage>(EChartType::LOG_MAG);
    QCOMPARE(charts()->shownConfigPage(), log);
    QCOMPARE(log->stepBox()->count(), 3);
    emit m_window->chartView(3)->signalWasSelected();
    auto* lin = configPage<Ui::PgCharts_Page::GridBasePage>(EChartType::LIN_MAG);
    QCOMPARE(charts()->shownConfigPage(), lin);
    QCOMPARE(lin->stepBox()->count(), 4);

    auto* swr = configPage<Ui::PgCharts_Page::SWRBasePage>(EChartType::SMITH);
    swr->valueBox()->setValue(0.2);
    QCOMPARE(swr->valueBox()->value(), 1.0);
    swr->valueBox()->setValue(12.0);
    QCOMPARE(swr->valueBox()->value(), 9.0);
}

void tst_MainWindow::dtfSpanIsCut()
{
    m_window->show();
    QTest::mouseClick(ui()->menuButtons[1], Qt::LeftButton);
    emit m_window->chartView(0)->signalWasSelected();
    charts()->typeBox()->setCurrentIndex(int(EChartType::DTF));
    auto* dtf = configPage<Ui::PgCharts_Page::DTFPage>(EChartType::DTF);
    QTRY_VERIFY(dtf->isVisible());
    ZChart::ZChartConfig* config = m_window->chartView(0)->config();
    config->refreshDTFLimits(true);
    const double maxNs = config->dtfConfig().max_time * 1e9;
    QVERIFY(maxNs > 0);
    dtf->spanEdit()->setText(QStringLiteral("999999"));
    QTest::keyClick(dtf->spanEdit(), Qt::Key_Return);
    QVERIFY(!dtf->spanEdit()->notice().isEmpty()); // cut, and said so
    const ZChart::TDTFConfig& record = config->dtfConfig();
    QVERIFY2(record.span <= maxNs + 0.01, qPrintable(QString::number(record.span)));
    QVERIFY(record.stop <= maxNs + 0.01);
    QCOMPARE(dtf->stopEdit()->text(), QString::number(record.stop, 'f', 2));
    QCOMPARE(dtf->startEdit()->text(), QString::number(record.start, 'f', 2));
    dtf->vfEdit()->setText(QStringLiteral("0.05"));
    QTest::keyClick(dtf->vfEdit(), Qt::Key_Return);
    QCOMPARE(config->dtfConfig().velocity_factor, 0.1);
}

void tst_MainWindow::frequencyEntryRules_data()
{
    QTest::addColumn<int>("field"); // start, stop, center, span
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("stop");
    QTest::addColumn<bool>("notice");
    // From a sweep of 100 .. 700 MHz in a range of 1 .. 6200 MHz.
    QTest::newRow("1.5G is 1500 MHz") << 1 << "1.5G" << 100e6 << 1500e6 << false;
    QTest::newRow("any case, with Hz") << 1 << "1.5gHz" << 100e6 << 1500e6 << false;
    QTest::newRow("m is MHz") << 1 << "800m" << 100e6 << 800e6 << false;
    QTest::newRow("750 KHz") << 0 << "750 KHz" << 1e6 << 700e6 << true;
    QTest::newRow("750k") << 0 << "750k" << 1e6 << 700e6 << true; // below the range: 1 MHz
    QTest::newRow("huge stop") << 1 << "99999" << 100e6 << 6200e6 << true;
    QTest::newRow("start above stop moves stop") << 0 << "900" << 900e6 << 1500e6 << true;
    QTest::newRow("stop at the bottom: zero span refused") << 1 << "1" << 100e6 << 700e6 << true;
    QTest::newRow("start at the top: zero span refused") << 0 << "6200" << 100e6 << 700e6 << true;
    QTest::newRow("zero span refused") << 3 << "0" << 100e6 << 700e6 << true;
    QTest::newRow("negative refused") << 0 << "-50" << 100e6 << 700e6 << true;
    QTest::newRow("center") << 2 << "500M" << 200e6 << 800e6 << false;
    QTest::newRow("center near the top cuts the span") << 2 << "6100" << 6000e6 << 6200e6 << true;
    QTest::newRow("span pushes the center") << 3 << "1000" << 1e6 << 1001e6 << true;
}

void tst_MainWindow::frequencyEntryRules()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(double, start);
    QFETCH(double, stop);
    QFETCH(bool, notice);
    DS::RangeSliced& sweep = DataScanManager::sweep();
    sweep.setDeviceRange(1e6, 6200e6);
    sweep.setStart(100e6, false);
    sweep.setStop(700e6, true);
    MW_Pages::PgFreq* freq = m_window->pgFreq();
    Ui::Components::ZFreqLineEdit* edits[4] = {freq->startEdit(), freq->stopEdit(), freq->centerEdit(),
                                               freq->spanEdit()};
    Ui::Components::ZFreqLineEdit* edit = edits[field];
    QSignalSpy noticed(edit, &Ui::Components::ClampedLineEdit::signalNotice);
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(sweep.start(), start);
    QCOMPARE(sweep.stop(), stop);
    QCOMPARE(noticed.count() > 0, notice);
    QCOMPARE(edit->notice().isEmpty(), !notice);
    // Every field shows the sweep that runs, at once or right after a refusal.
    QTRY_COMPARE(freq->startEdit()->text(), QString::number(start / 1e6, 'f', 2));
    QCOMPARE(freq->stopEdit()->text(), QString::number(stop / 1e6, 'f', 2));
}

void tst_MainWindow::traceEntriesFollowTheStore()
{
    emit m_window->chartView(0)->signalWasSelected();
    DataScanManager::clearTraces();
    const QStringList names{"alpha", "beta", "gamma"};
    for (int i = 0; i < names.size(); ++i) {
        const QString path = m_dir->path() + QLatin1Char('/') + names.at(i) + QStringLiteral(".tbin");
        QVERIFY(DataScanManager::saveBinaryTrace(path));
        QVERIFY(DataScanManager::loadBinaryTrace(path, i));
    }
    const auto& entries = charts()->traceEntries();
    auto shown = [&entries] {
        QStringList texts;
        for (auto* entry : entries)
            if (!entry->isHidden())
                texts << entry->text();
        return texts;
    };
    QCOMPARE(shown(), names);
    QVERIFY(entries.at(1)->checkBox()->isChecked());

    // The check box drives the selected view's series; hide all reaches every series.
    entries.at(2)->checkBox()->setChecked(false);
    QVERIFY(!m_window->chartView(0)->isTraceSeriesVisible(2));
    QVERIFY(m_window->chartView(1)->isTraceSeriesVisible(2));
    QTest::mouseClick(ui()->scrollWidgets[2]->findChild<QPushButton*>(QStringLiteral("b_hide_traces")),
                      Qt::LeftButton);
    QVERIFY(!entries.at(0)->checkBox()->isChecked());
    QVERIFY(!m_window->chartView(0)->isTraceSeriesVisible(0));

    DataScanManager::removeTrace(1);
    QCOMPARE(shown(), (QStringList{"alpha", "gamma"}));
    QVERIFY(entries.at(2)->isHidden());
    DataScanManager::clearTraces();
    QCOMPARE(shown(), QStringList());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_MainWindow.moc"
