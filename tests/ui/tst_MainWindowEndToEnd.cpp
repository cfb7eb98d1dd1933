// The real window against the emulator through the real serial stack: connect through the port
// dialog, follow the sweep and a typed frequency, survive an unplug; at the bench, a user
// calibration, the sweep, markers and a trace survive a pulled cable and a restart, and the views
// say when they are not live.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ZChartScanRangeInfo.h"
#include "charts/ZChartStaleNotice.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "ui/DeviceConnector.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowUi.h"
#include "ui/components/ZFreqLineEdit.h"
#include "ui/pages/PgCharts.h"
#include "ui/pages/PgFreq.h"

#include <complex>

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
    return QTest::qWaitFor([target] { return DataScanManager::completedSweeps() >= target; }, timeoutMs);
}

// Largest distance of the corrected sweep from the reflection of 100 ohm, 1/3.
float worstErrorFrom100Ohm()
{
    float worst = 0;
    for (quint32 i = 0; i < DataScanManager::sweep().points(); ++i) {
        const TScanPoint& p = DataScanManager::measuredBuffer()[int(i)];
        worst = qMax(worst, std::abs(std::complex<float>(p.re, p.im) - std::complex<float>(1.0f / 3, 0)));
    }
    return worst;
}

void typeInto(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

bool openPort(const QString& path)
{
    TSerialPortConfig cfg;
    cfg.portName = path;
    DM::SerialPort::setConfig(cfg);
    return DM::SerialPort::open(true);
}

// A sweep was completed after the calibration in use was in place, twice.
bool waitForCorrectedSweeps()
{
    return QTest::qWaitFor([] { return DataScanManager::isCalibrationApplied(); }, 30000) && waitForSweeps(2);
}

} // namespace

class tst_MainWindowEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void connectFollowReconnect();
    void benchSurvivesUnplugAndRestart();

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

void tst_MainWindowEndToEnd::connectFollowReconnect()
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
    QTRY_VERIFY_WITH_TIMEOUT(connector->portList()->findText(m_emulator->portPath()) >= 0, 20000);
    connector->portList()->setCurrentIndex(connector->portList()->findText(m_emulator->portPath()));
    QTest::mouseClick(connector->applyButton(), Qt::LeftButton);
    QTRY_VERIFY(!connector->isVisible());
    QVERIFY(!connector->isRefreshing());

    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::green), 15000);
    QVERIFY(ConnectionManager::autoReconnect());
    QVERIFY(waitForSweeps(2));
    for (ZChartView* view : window->chartViews()) {
        QVERIFY(view->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(view->hasData(), 20000);
    }
    QVERIFY(ui->b_toggle_scan_pause->isEnabled());

    // Unplug and plug: reconnecting (yellow), then connected and scanning again on the same sweep,
    // which the factory calibration interpolates onto.
    const DS::RangeSliced sweepBefore(DataScanManager::sweep());
    QCOMPARE(m_emulator->control("unplug").left(2), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::yellow), 20000);
    QCOMPARE(m_emulator->control("plug").left(2), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::green), 15000);
    QVERIFY(waitForSweeps(2));
    QCOMPARE(DataScanManager::sweep().start(), sweepBefore.start());
    QCOMPARE(DataScanManager::sweep().stop(), sweepBefore.stop());
    QCOMPARE(DataScanManager::sweep().points(), sweepBefore.points());

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
    QTRY_COMPARE_WITH_TIMEOUT(ul->axisX()->min(), 150.0, 20000);
    QVERIFY(ul->scanRangeInfo()->text().contains(QStringLiteral("150.00")));
    // the views refresh a few times a second, not on every slice
    QTRY_COMPARE_WITH_TIMEOUT(ul->livePoints().first().x(), 150.0, 20000);

    // Unplugged for longer than the reconnect tries: red, disconnected, nothing to pause.
    ConnectionManager::setReconnectPolicy(2, 100);
    QCOMPARE(m_emulator->control("unplug").left(2), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::red), 20000);
    QCOMPARE(ui->b_connect_device->icon().pixmap(32, 32).toImage(),
             QIcon(QStringLiteral(":/ui/disconnected")).pixmap(32, 32).toImage());
    QVERIFY(!ui->b_toggle_scan_pause->isEnabled());
    ConnectionManager::setReconnectPolicy(30, 300);
    QCOMPARE(m_emulator->control("plug").left(2), QStringLiteral("ok"));

    // Opened again, then closed on purpose: the button no longer looks connected.
    QVERIFY(openPort(m_emulator->portPath()));
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::green), 20000);
    DM::SerialPort::close(true);
    QTRY_VERIFY(buttonColor(ui->b_connect_device) != QColor(Qt::green));
    QVERIFY(buttonColor(ui->b_connect_device) != QColor(Qt::yellow));
}

void tst_MainWindowEndToEnd::benchSurvivesUnplugAndRestart()
{
    // An analyser whose error box has drifted since its factory calibration, another id than the
    // one of the first test.
    TestSupport::EmulatorProcess drifted;
    QVERIFY(drifted.start({"--dut", "r=100", "--drift", "10", "--id", "11-22-33"}));
    DM::SerialPort::close(true);
    DataScanManager::clearTraces();
    auto window = std::make_unique<MainWindow>();
    window->setWarningPresenter([](const QString&, const QString&) {});
    window->show();
    ZChartView* view = window->chartView(0);
    view->marksTable()->removeAll();
    // Nothing live yet: every view says so.
    for (ZChartView* v : window->chartViews())
        QVERIFY(v->staleNotice()->isVisible() && v->staleNotice()->isStale());

    QVERIFY(openPort(drifted.portPath()));
    QVERIFY(waitForCorrectedSweeps());
    QTRY_VERIFY_WITH_TIMEOUT(!view->staleNotice()->isStale(), 20000);
    QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FACTORY);
    QVERIFY(view->scanRangeInfo()->text().contains(qtTrId("lp_cal_source_factory")));

    // A sweep with 450 MHz on its grid before and after the stop moves, typed with suffixes; a
    // point count the list does not offer shows as it is.
    typeInto(window->pgFreq()->startEdit(), QStringLiteral("100m"));
    typeInto(window->pgFreq()->stopEdit(), QStringLiteral("800M"));
    DataScanManager::sweep().setPoints(35, true);
    QCOMPARE(DataScanManager::sweep().start(), 100e6);
    QCOMPARE(DataScanManager::sweep().stop(), 800e6);
    QCOMPARE(window->pgFreq()->pointsBox()->currentText(), QStringLiteral("35"));
    QVERIFY(waitForSweeps(2));
    // The factory correction no longer fits this analyser.
    QVERIFY2(worstErrorFrom100Ohm() > 0.01f, qPrintable(QString::number(worstErrorFrom100Ohm())));

    QTRY_VERIFY_WITH_TIMEOUT(view->scanPoints().size() == 35, 20000);
    QVERIFY(view->addMark(450.0));
    ZChart::ZMark* mark = view->marksTable()->mark(0);
    QVERIFY(mark->readout().section('\n', 0, 0).contains(QStringLiteral("450.00")));
    typeInto(window->pgFreq()->stopEdit(), QStringLiteral("1.8G"));
    QCOMPARE(DataScanManager::sweep().stop(), 1800e6);
    QVERIFY(waitForSweeps(2));
    QTRY_VERIFY_WITH_TIMEOUT(view->scanPoints().last().frequency == quint64(1800e6), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(view->scanPoints().value(mark->data().index).frequency, quint64(450e6), 20000);
    QVERIFY(mark->readout().section('\n', 0, 0).contains(QStringLiteral("450.00")));
    typeInto(window->pgFreq()->stopEdit(), QStringLiteral("800"));
    QVERIFY(waitForSweeps(2));

    // Calibrate through the page, standard after standard, each said in words.
    QSignalSpy typeDone(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibType);
    const QVector<QPair<QString, QString>> steps{
        {"dut open", "open"}, {"dut short", "short"}, {"dut load", "load"}};
    for (int i = 0; i < steps.size(); ++i) {
        auto* state = window->findChild<QLabel*>("l_calib_state_" + steps[i].second);
        QCOMPARE(state->text(), qtTrId("lp_pcalib_state_not_measured"));
        QVERIFY(drifted.control(steps[i].first).startsWith("ok"));
        auto* doButton = window->findChild<QPushButton*>("b_calib_do_" + steps[i].second);
        QTRY_VERIFY_WITH_TIMEOUT(doButton->isEnabled(), 10000);
        QTest::mouseClick(doButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(typeDone.count(), i + 1, 30000);
        QVERIFY(state->text().startsWith(qtTrId("lp_pcalib_state_measured_at").arg(QString())));
    }
    QVERIFY(drifted.control("dut r=100").startsWith("ok"));
    QVERIFY(waitForCorrectedSweeps());
    // Saved the moment it was complete, and in use from that file.
    QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FILE);
    const QString autosaved = CalibrationManager::sourceFile();
    QVERIFY(QFileInfo(autosaved).fileName().startsWith(QStringLiteral("auto_11-22-33_")));
    QVERIFY(QFileInfo::exists(autosaved));
    QVERIFY(window->findChild<QLabel*>("l_calib_active")->text().remove(QChar(0x200B)).contains(autosaved));
    QVERIFY(
        view->scanRangeInfo()->text().contains(qtTrId("lp_cal_lines_user").section(QLatin1Char('%'), 0, 0)));
    QVERIFY(waitForSweeps(1));
    QVERIFY2(worstErrorFrom100Ohm() < 2e-3f, qPrintable(QString::number(worstErrorFrom100Ohm())));

    const QString tracePath = QDir(DataScanManager::traceDir()).filePath(QStringLiteral("bench.tbin"));
    QVERIFY(DataScanManager::saveBinaryTrace(tracePath));
    QVERIFY(DataScanManager::loadBinaryTrace(tracePath, 0));
    QTRY_COMPARE(view->traceSeries().size(), 1);

    auto everythingBack = [&](const char* when) {
        QVERIFY2(waitForCorrectedSweeps(), when);
        QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FILE);
        QCOMPARE(CalibrationManager::sourceFile(), autosaved);
        QCOMPARE(DataScanManager::sweep().start(), 100e6);
        QCOMPARE(DataScanManager::sweep().stop(), 800e6);
        QCOMPARE(DataScanManager::sweep().points(), 35u);
        QCOMPARE(window->pgFreq()->pointsBox()->currentText(), QStringLiteral("35"));
        QVERIFY(waitForSweeps(1));
        QVERIFY2(worstErrorFrom100Ohm() < 2e-3f, qPrintable(QString::number(worstErrorFrom100Ohm())));
        QTRY_VERIFY_WITH_TIMEOUT(!view->staleNotice()->isStale(), 20000);
        // Told which analyser is back and with which calibration.
        QVERIFY(view->staleNotice()->lastAnnouncement().contains(QStringLiteral("11-22-33")));
        QVERIFY(view->staleNotice()->lastAnnouncement().contains(QStringLiteral("100.00–800.00")));
        QTRY_COMPARE_WITH_TIMEOUT(view->marksTable()->count(), 1, 20000);
        QCOMPARE(view->marksTable()->mark(0)->data().frequency, 450e6);
        QVERIFY(!view->marksTable()->mark(0)->readout().contains(qtTrId("lp_mark_not_live")));
        QCOMPARE(DataScanManager::traces().size(), 1);
        QTRY_COMPARE(view->traceSeries().size(), 1);
    };

    // The cable pulled for longer than two reconnect tries: stale, said on every view.
    QSignalSpy reconnecting(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting);
    QVERIFY(drifted.control("unplug").startsWith("ok"));
    for (ZChartView* v : window->chartViews())
        QTRY_VERIFY_WITH_TIMEOUT(v->staleNotice()->isVisible() && v->staleNotice()->isStale(), 20000);
    QVERIFY(view->staleNotice()->text().startsWith(qtTrId("lp_view_disconnected").arg(QString())));
    QVERIFY(mark->readout().contains(qtTrId("lp_mark_not_live")));
    QTRY_VERIFY_WITH_TIMEOUT(reconnecting.count() >= 3, 20000);
    QVERIFY(drifted.control("plug").startsWith("ok"));
    everythingBack("after the reconnect");

    // Closed and started again: the same from the profile and the calibration table.
    window->close();
    window.reset();
    DM::SerialPort::close(true);
    DataScanManager::reset();
    CalibrationManager::reset();
    window = std::make_unique<MainWindow>();
    window->setWarningPresenter([](const QString&, const QString&) {});
    window->show();
    view = window->chartView(0);
    QVERIFY(openPort(drifted.portPath()));
    everythingBack("after a restart");

    // Another analyser gets its own calibration, here the factory one, and says so.
    window->close();
    DM::SerialPort::close(true);
    QVERIFY(openPort(m_emulator->portPath()));
    QVERIFY(waitForCorrectedSweeps());
    QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FACTORY);
    QVERIFY(window->chartView(0)->scanRangeInfo()->text().contains(qtTrId("lp_cal_source_factory")));
    // The factory correction interpolates, so the user's sweep stays.
    QCOMPARE(DataScanManager::sweep().stop(), 800e6);
    QCOMPARE(DataScanManager::sweep().points(), 35u);
    DM::SerialPort::close(true);
}

QTEST_MAIN(tst_MainWindowEndToEnd)
#include "tst_MainWindowEndToEnd.moc"
