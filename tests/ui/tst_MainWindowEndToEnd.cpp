// The real window against the emulator through the real serial stack: connect through the port
// dialog, calibrate and handle calibrations, traces, markers, profiles, pictures and reports through
// the pages, every text fitting; survive unplugs; at the bench, a user calibration, the sweep,
// markers and a trace survive a pulled cable and a restart, and the views say when they are not live.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyleOptionComboBox>
#include <QtTest>

#include <complex>
#include <memory>

#include "EmulatorProcess.h"
#include "PageTestSupport.h"
#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ZChartScanRangeInfo.h"
#include "charts/ZChartStaleNotice.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/LocalizationManager.h"
#include "core/NoticeBoard.h"
#include "core/SettingsManager.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "ui/DeviceConnector.h"
#include "ui/KitEditorDialog.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowUi.h"
#include "ui/ReportDialog.h"
#include "ui/components/MarkListEntry.h"
#include "ui/components/NoticeBar.h"
#include "ui/components/ZFreqLineEdit.h"
#include "ui/pages/ChartImageSaver.h"
#include "ui/pages/PgCalib.h"
#include "ui/pages/PgCharts.h"
#include "ui/pages/PgFreq.h"
#include "ui/pages/PgMarkers.h"
#include "ui/pages/ReportSaver.h"

using MW_Pages::PgMarkers;
using TestSupport::buttonColor;
using TestSupport::showsIcon;
using TestSupport::waitFor;
using ZChart::EChartType;
using ZChart::EMarkType;
using ZChart::ZChartView;
using ZData::CalibrationManager;
using ZData::DataScanManager;
namespace DM = ZData::DM;

namespace {
// 100 ohm behind a calibrated port: resistance 100.00 ohm and SWR 2.00 against 50 ohm.
QString impedance100()
{
    return QStringLiteral("R:\\s*100\\.00\\s*") + QRegularExpression::escape(qtTrId("lp_units_ohm"));
}
const QString kSwr2 = QStringLiteral("\\b2\\.00\\b");

bool freshSweeps(int count = 2)
{
    const quint64 target = DataScanManager::completedSweeps() + quint64(count);
    return waitFor([target] { return DataScanManager::completedSweeps() >= target; });
}

// A sweep was completed after the calibration in use was in place, twice.
bool correctedSweeps()
{
    return waitFor([] { return DataScanManager::isCalibrationApplied(); }, 30000) && freshSweeps();
}

// Largest distance of the corrected sweep from the reflection of 100 ohm, 1/3.
float worstErrorFrom100Ohm()
{
    float worst = 0;
    for (quint32 i = 0; i < DataScanManager::sweep().points(); ++i) {
        const ZData::TScanPoint& p = DataScanManager::measuredBuffer()[int(i)];
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
    ZData::TSerialPortConfig cfg;
    cfg.portName = path;
    DM::SerialPort::setConfig(cfg);
    return DM::SerialPort::open(true);
}
} // namespace

class tst_MainWindowEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void calibrateThroughThePage();
    void slotUploadRemoveAllDownload();
    void calibrationFilesThroughThePage();
    void presetAndLanguageRoundTrip();
    void saveImageOfTheSelectedView_data();
    void saveImageOfTheSelectedView();
    void everyTextFitsAtTheSmallestWindow_data();
    void everyTextFitsAtTheSmallestWindow();
    void reportAndMarkerTableFromThePages();
    void unplugReconnectAndGiveUp();
    void benchSurvivesUnplugAndRestart();

private:
    QPushButton* button(const char* name) const
    {
        return m_window->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    ZChartView* view() const { return m_window->selectedChartView(); }
    PgMarkers* markers() const
    {
        return qobject_cast<PgMarkers*>(m_window->page(ZCommon::ENavBarMenuPages::MARKERS));
    }
    void newWindow();
    bool measureStandard(TestSupport::EmulatorProcess& analyser, const QString& standard, QSignalSpy& spy);
    void addMarker(double mhz, EMarkType type);
    // Pattern i must match the readout of entry i.
    bool readoutsShow(const QStringList& patterns);

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::CapturedMessages> m_messages;
    std::unique_ptr<TestSupport::EmulatorProcess> m_emulator;
    std::unique_ptr<MainWindow> m_window;
    QColor m_plainColour; // of the connect button before any connection
};

void tst_MainWindowEndToEnd::newWindow()
{
    m_window.reset();
    m_window = std::make_unique<MainWindow>();
    m_window->setWarningPresenter([](const QString&, const QString&) {});
    m_window->resize(1200, 800);
    m_window->show();
}

void tst_MainWindowEndToEnd::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    m_messages = std::make_unique<TestSupport::CapturedMessages>();
    QVERIFY(TestSupport::initAllManagers());
    ZData::ConnectionManager::setReconnectPolicy(60, 300);
    m_emulator = std::make_unique<TestSupport::EmulatorProcess>();
    QVERIFY(m_emulator->start({"--dut", "open"}));
    m_emulator->offerToThisProcess(); // the port dialog lists it like a user's emulator
    newWindow();
    Ui::MainWindowUi* ui = m_window->getUi();
    QCOMPARE(m_window->pgCharts()->arrangementBox()->currentIndex(), 11); // the generated profile's choice
    QCOMPARE(m_window->selectedChartViewIndex(), 0);

    // Three clicks: connect button, the emulator's entry, Apply. The button tells the states apart.
    QPushButton* connectButton = ui->b_connect_device;
    m_plainColour = buttonColor(connectButton);
    QVERIFY(showsIcon(connectButton, ":/ui/disconnected"));
    bool openingShown = false; // looked at while the port opens, after the window's own slot
    QObject watcher;
    connect(&DM::SerialPort::instance(), &DM::SerialPort::signalOpening, &watcher, [&] {
        openingShown = showsIcon(connectButton, ":/ui/refresh") && buttonColor(connectButton) == Qt::yellow;
    });
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    QTest::mouseClick(ui->b_connect_device, Qt::LeftButton);
    DeviceConnector* connector = m_window->deviceConnector();
    QTRY_VERIFY(connector->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(connector->portList()->findText(m_emulator->portPath()) >= 0, 20000);
    connector->portList()->setCurrentIndex(connector->portList()->findText(m_emulator->portPath()));
    QTest::mouseClick(connector->applyButton(), Qt::LeftButton);
    QTRY_VERIFY(!connector->isVisible());
    QVERIFY(!connector->isRefreshing());
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(connectButton), QColor(Qt::green), 15000);
    QVERIFY(openingShown);
    QVERIFY(showsIcon(connectButton, ":/ui/connected"));
    QVERIFY(ZData::ConnectionManager::autoReconnect());
    // The start-up ends with the factory calibration downloaded; the page then offers the standards.
    QVERIFY(waitFor([&] { return finished.count() >= 1; }));
    QVERIFY(waitFor([this] { return button("b_calib_do_open")->isEnabled(); }));
    QVERIFY(freshSweeps());
    for (ZChartView* v : m_window->chartViews()) {
        QVERIFY(v->isActive());
        QVERIFY(waitFor([v] { return v->hasData(); }));
    }
    QVERIFY(ui->b_toggle_scan_pause->isEnabled());
    view()->setChartType(EChartType::SMITH);
}

void tst_MainWindowEndToEnd::cleanupTestCase()
{
    DM::SerialPort::close(true);
    ZData::ConnectionManager::reset();
    m_window.reset();
    m_emulator.reset();
}

// The standard put on the analyser, measured through the page: said in words before and after.
bool tst_MainWindowEndToEnd::measureStandard(TestSupport::EmulatorProcess& analyser, const QString& standard,
                                             QSignalSpy& spy)
{
    auto* state = m_window->findChild<QLabel*>(QStringLiteral("l_calib_state_") + standard);
    QPushButton* b = m_window->findChild<QPushButton*>(QStringLiteral("b_calib_do_") + standard);
    if (state->text() != qtTrId("lp_pcalib_state_not_measured") ||
        !analyser.control(QStringLiteral("dut ") + standard).startsWith(QLatin1String("ok")) ||
        !waitFor([b] { return b->isEnabled(); }, 10000))
        return false;
    const int before = spy.count();
    QTest::mouseClick(b, Qt::LeftButton);
    // While a standard is measured no other transfer can be started.
    for (const char* name :
         {"b_calib_do_open", "b_calib_do_short", "b_calib_do_load", "b_calib_download", "b_calib_open_file"})
        if (button(name)->isEnabled())
            return false;
    return waitFor([&] { return spy.count() > before; }, 30000) &&
           state->text().startsWith(qtTrId("lp_pcalib_state_measured_at").arg(QString()));
}

void tst_MainWindowEndToEnd::addMarker(double mhz, EMarkType type)
{
    const int index = view()->marksTable()->count();
    markers()->positionEdit()->setText(QString::number(mhz, 'f', 2));
    QTest::mouseClick(button("b_add_mark_freq"), Qt::LeftButton);
    QCOMPARE(view()->marksTable()->count(), index + 1);
    QComboBox* box = markers()->entry(index)->typeBox();
    box->setCurrentIndex(box->findData(int(type)));
    QCOMPARE(int(view()->marksTable()->marksData()[index].type), int(type));
}

bool tst_MainWindowEndToEnd::readoutsShow(const QStringList& patterns)
{
    // The live data keep refreshing the readouts; wait until they read as expected.
    return waitFor(
        [&] {
            for (int i = 0; i < patterns.size(); ++i)
                if (!markers()->entry(i)->readout().contains(QRegularExpression(patterns[i])))
                    return false;
            return true;
        },
        10000);
}

void tst_MainWindowEndToEnd::calibrateThroughThePage()
{
    QSignalSpy typeDone(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibType);
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    // A sweep longer than a calibration holds: refused at once with a notice, nothing started.
    const quint32 points = DataScanManager::sweep().points();
    DataScanManager::sweep().setPoints(2048, true);
    QCOMPARE(DataScanManager::sweep().points(), 2048u);
    QSignalSpy started(&CalibrationManager::instance(), &CalibrationManager::signalStartedCalibration);
    QTest::mouseClick(button("b_calib_do_open"), Qt::LeftButton);
    QCOMPARE(started.count(), 0);
    QVERIFY(m_messages->contains({qtTrId("lp_err_calib_too_many_points"), QStringLiteral("2048")}));
    DataScanManager::sweep().setPoints(points, true);

    QVERIFY(measureStandard(*m_emulator, "open", typeDone));
    // Open measured: it can be removed, it cannot be measured again, nothing to save yet; the next
    // standard is offered again in the plain colour.
    auto* page = qobject_cast<MW_Pages::PgCalib*>(m_window->page(ZCommon::ENavBarMenuPages::CALIBRATION));
    QVERIFY(button("b_calib_do_short")->isEnabled());
    QCOMPARE(button("b_calib_do_short")->palette().color(QPalette::Button), page->normalColor());
    QVERIFY(button("b_calib_remove_open")->isEnabled());
    QVERIFY(button("b_calib_remove_all")->isEnabled());
    QVERIFY(!button("b_calib_do_open")->isEnabled());
    QVERIFY(!button("b_calib_save_file")->isEnabled());
    QVERIFY(measureStandard(*m_emulator, "short", typeDone));
    QVERIFY(measureStandard(*m_emulator, "load", typeDone));
    QVERIFY(waitFor([&] { return finished.count() >= 1; }));
    QVERIFY(CalibrationManager::calibration().isComplete());
    QVERIFY(button("b_calib_save_file")->isEnabled());
    QCOMPARE(button("b_calib_do_load")->palette().color(QPalette::Button), QColor(Qt::green));

    QVERIFY(m_emulator->control(QStringLiteral("dut r=100")).startsWith(QLatin1String("ok")));
    QVERIFY(freshSweeps());
    view()->marksTable()->removeAll();
    addMarker(1500, EMarkType::IMPED);
    addMarker(2000, EMarkType::SWR);
    QVERIFY2(readoutsShow({impedance100(), kSwr2}),
             qPrintable(markers()->entry(0)->readout() + " | " + markers()->entry(1)->readout()));
}

void tst_MainWindowEndToEnd::slotUploadRemoveAllDownload()
{
    QVERIFY(CalibrationManager::calibration().isComplete());
    auto* slot = m_window->findChild<QComboBox*>(QStringLiteral("comb_calib_slot"));
    QVERIFY(slot->count() > 2);
    slot->setCurrentIndex(0); // the factory slot takes no upload
    QVERIFY(!button("b_calib_upload")->isEnabled());
    slot->setCurrentIndex(slot->findData(2));
    QVERIFY(button("b_calib_upload")->isEnabled());
    QSignalSpy sent(&CalibrationManager::instance(), &CalibrationManager::signalSentCalibration);
    QTest::mouseClick(button("b_calib_upload"), Qt::LeftButton);
    QVERIFY(!button("b_calib_download")->isEnabled());
    QVERIFY(waitFor([&] { return sent.count() >= 1; }));
    QVERIFY(button("b_calib_download")->isEnabled());

    // Remove all falls back to the factory calibration, which counts as empty.
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    QTest::mouseClick(button("b_calib_remove_all"), Qt::LeftButton);
    QVERIFY(waitFor([&] { return finished.count() >= 1; }));
    QVERIFY(CalibrationManager::calibration().isEmpty());
    QVERIFY(!button("b_calib_upload")->isEnabled());

    QTest::mouseClick(button("b_calib_download"), Qt::LeftButton);
    QVERIFY(waitFor([&] { return finished.count() >= 2; }));
    QVERIFY(CalibrationManager::calibration().isComplete());
}

void tst_MainWindowEndToEnd::calibrationFilesThroughThePage()
{
    QVERIFY(CalibrationManager::calibration().isComplete());
    QVERIFY(button("b_calib_save_file")->isEnabled());
    const QString good = m_dir->path() + QStringLiteral("/bench");
    {
        TestSupport::DialogAnswer answer(good);
        QTest::mouseClick(button("b_calib_save_file"), Qt::LeftButton);
        // The dialog starts in the folder of this device's calibrations.
        QCOMPARE(answer.directory(), CalibrationManager::deviceDir());
    }
    QVERIFY(QFile::exists(good + QStringLiteral(".cbin")));

    // A file that is no calibration is reported by name and the active calibration stays.
    const QString broken = m_dir->path() + QStringLiteral("/broken.cbin");
    QVERIFY(TestSupport::writeFile(broken, QByteArray(100, '\x7f')));
    m_messages->clear();
    {
        TestSupport::DialogAnswer answer(broken);
        QTest::mouseClick(button("b_calib_open_file"), Qt::LeftButton);
    }
    QVERIFY2(m_messages->contains({broken}), qPrintable(m_messages->texts().join('|')));
    QVERIFY(CalibrationManager::calibration().isComplete());
    QVERIFY(button("b_calib_open_file")->isEnabled());

    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    {
        TestSupport::DialogAnswer answer(good + QStringLiteral(".cbin"));
        QTest::mouseClick(button("b_calib_open_file"), Qt::LeftButton);
    }
    QVERIFY(waitFor([&] { return finished.count() >= 1; }));
    QVERIFY(CalibrationManager::calibration().isComplete());
}

void tst_MainWindowEndToEnd::presetAndLanguageRoundTrip()
{
    auto* interpolation = m_window->findChild<QCheckBox*>(QStringLiteral("cb_interpolation_enabled"));
    auto* language = m_window->findChild<QComboBox*>(QStringLiteral("comb_settings_lang"));
    const QString russian = QStringLiteral(":/translation/lumenpane_ru.qm");
    const QString english = QStringLiteral(":/translation/lumenpane_en.qm");
    MW_Pages::PgCharts* charts = m_window->pgCharts();
    interpolation->setChecked(true);
    language->setCurrentIndex(language->findData(russian));
    // Buttons, headers, menu buttons, lists filled in code and the pages' own labels follow.
    QCOMPARE(button("b_remove_traces")->text(), QStringLiteral("Удалить трассы"));
    QCOMPARE(button("b_calib_remove_all")->text(), QStringLiteral("Удалить все"));
    QTRY_COMPARE(m_window->pageHeaderLabel(2)->text(), QStringLiteral("Графики"));
    QCOMPARE(m_window->getUi()->menuButtons[6]->text(), QStringLiteral("Настройки"));
    QTRY_COMPARE(charts->typeBox()->itemText(int(EChartType::PHASE)), QStringLiteral("Фаза"));
    QTRY_COMPARE(m_window->getUi()->scrollWidgets[1]->findChild<QLabel*>(QStringLiteral("label_12"))->text(),
                 QStringLiteral("Полоса:"));
    QVERIFY(m_window->windowTitle().contains(qtTrId("lp_window_title")));
    QVERIFY(m_window->windowTitle().endsWith(QStringLiteral(TOLVEK_PROJECT_VERSION)));
    m_window->handleMenuButton(int(ZCommon::ENavBarMenuPages::MARKERS));
    const QString preset = ZCore::SettingsManager::userDir() + QStringLiteral("/bench.ini");
    const int marks = view()->marksTable()->count();
    QVERIFY(marks > 0);
    {
        TestSupport::DialogAnswer answer(preset);
        QTest::mouseClick(button("b_profile_save_file"), Qt::LeftButton);
        QCOMPARE(answer.directory(), ZCore::SettingsManager::userDir());
    }
    QVERIFY(QFile::exists(preset));

    interpolation->setChecked(false);
    view()->marksTable()->removeAll();
    language->setCurrentIndex(language->findData(english));
    QCOMPARE(button("b_remove_traces")->text(), QStringLiteral("Remove traces"));
    QTRY_COMPARE(m_window->pageHeaderLabel(2)->text(), QStringLiteral("Plots"));
    charts->typeBox()->setCurrentIndex(int(EChartType::LOG_MAG));
    m_window->handleMenuButton(int(ZCommon::ENavBarMenuPages::ABOUT));
    {
        TestSupport::DialogAnswer answer(preset);
        QTest::mouseClick(button("b_profile_load_file"), Qt::LeftButton);
    }
    QVERIFY(interpolation->isChecked());
    QVERIFY(DataScanManager::isInterpolationEnabled());
    QCOMPARE(m_window->currentPage(), int(ZCommon::ENavBarMenuPages::MARKERS));
    QCOMPARE(ZCore::LocalizationManager::currentFile(), russian);
    QCOMPARE(button("b_remove_traces")->text(), QStringLiteral("Удалить трассы"));
    // The charts page shows the loaded type of the selected view and its settings.
    QCOMPARE(m_window->selectedChartViewIndex(), 0);
    QCOMPARE(charts->typeBox()->currentIndex(), int(EChartType::SMITH));
    QCOMPARE(charts->shownConfigPage(), charts->configPage(EChartType::SMITH));
    // The scan goes on with the loaded profile, and the markers come back from it.
    QVERIFY(freshSweeps());
    QVERIFY(waitFor([this, marks] { return view() && view()->marksTable()->count() == marks; }));
    language->setCurrentIndex(language->findData(english));
    interpolation->setChecked(false);
}

void tst_MainWindowEndToEnd::saveImageOfTheSelectedView_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("written");
    QTest::newRow("png") << "view.png" << true;
    QTest::newRow("svg, upper case") << "view.SVG" << true;
    QTest::newRow("unsupported") << "view.bmp" << false;
    QTest::newRow("missing folder") << "nowhere/view.png" << false;
}

void tst_MainWindowEndToEnd::saveImageOfTheSelectedView()
{
    QFETCH(QString, name);
    QFETCH(bool, written);
    m_messages->clear();
    const QString path = m_dir->path() + QLatin1Char('/') + name;
    auto* charts = qobject_cast<MW_Pages::PgCharts*>(m_window->page(ZCommon::ENavBarMenuPages::CHARTS));
    {
        TestSupport::DialogAnswer answer(path);
        QTest::mouseClick(charts->imageSaver()->button(), Qt::LeftButton);
        QCOMPARE(answer.answered(), 1);
    }
    QCOMPARE(QFile::exists(path), written);
    // Nothing is left half-written beside the target.
    const QStringList leftovers =
        QDir(QFileInfo(path).absolutePath())
            .entryList({QFileInfo(path).fileName() + QStringLiteral("*")}, QDir::Files);
    QCOMPARE(leftovers.size(), written ? 1 : 0);
    // The next dialog opens in the folder of the last picture saved.
    QCOMPARE(QFileInfo(charts->imageSaver()->dialog()->directory().absolutePath()).canonicalFilePath(),
             QFileInfo(m_dir->path()).canonicalFilePath());
    if (!written) {
        QVERIFY2(m_messages->contains({qtTrId("lp_pgcharts_cant_save_image"), path}),
                 qPrintable(m_messages->texts().join('|')));
        return;
    }
    const QByteArray bytes = TestSupport::readFile(path);
    if (name.endsWith(QLatin1String("png"))) {
        QImage image;
        QVERIFY(image.loadFromData(bytes, "PNG"));
        QCOMPARE(image.size(), charts->imageSaver()->imageSize());
    } else {
        QVERIFY(bytes.contains("<svg"));
    }
}

void tst_MainWindowEndToEnd::everyTextFitsAtTheSmallestWindow_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << ":/translation/lumenpane_en.qm";
    QTest::newRow("Russian") << ":/translation/lumenpane_ru.qm";
}

namespace {
// Texts of `root` and its children that do not fit: a label, button or combo box narrower than its
// text (a combo box than its widest entry, its drop-down list than its widest entry), or a widget
// pushed out of sight by its neighbours.
void collectCutTexts(QWidget* root, const QString& where, QStringList* cut)
{
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(root->window()) || w->width() <= 0 || qobject_cast<ZChartView*>(w))
            continue;
        const QFontMetrics fm(w->font());
        int need = 0, room = w->width();
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->textFormat() == Qt::RichText || !label->pixmap(Qt::ReturnByValue).isNull())
                continue;
            text = label->text();
            // A wrapping label breaks between words only: its longest word must fit.
            const QStringList pieces = label->wordWrap()
                                           ? text.split(QRegularExpression(QStringLiteral("[\\s\\x{200B}]+")))
                                           : text.split('\n');
            for (const QString& piece : pieces)
                need = std::max(need, fm.horizontalAdvance(piece));
            room = label->contentsRect().width() - 2 * label->margin();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            if (text.isEmpty())
                continue;
            need = qobject_cast<QPushButton*>(w) ? button->sizeHint().width() - 2 * 4
                                                 : button->sizeHint().width();
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (combo->count() == 0)
                continue;
            // Every entry must read whole once chosen, in the box's own text field.
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            option.frame = combo->hasFrame();
            room = combo->style()
                       ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                       .width() -
                   2;
            for (int i = 0; i < combo->count(); ++i) {
                const int width = fm.horizontalAdvance(combo->itemText(i)) +
                                  (combo->itemIcon(i).isNull() ? 0 : combo->iconSize().width() + 4);
                if (width > need) {
                    need = width;
                    text = combo->itemText(i);
                }
            }
            // The open list, measured as shown: the style may widen it or not.
            combo->showPopup();
            QAbstractItemView* list = combo->view();
            const int listNeed = list->sizeHintForColumn(0), listRoom = list->viewport()->width();
            combo->hidePopup();
            if (listNeed > listRoom)
                *cut << QStringLiteral("%1 %2 list: %3 > %4")
                            .arg(where, combo->objectName())
                            .arg(listNeed)
                            .arg(listRoom);
        } else if (w->inherits("QGroupBox")) {
            text = w->property("title").toString();
            if (text.isEmpty())
                continue;
            // The style clips the title to the room it gives it, which need not follow the box's width.
            QStyleOptionGroupBox option;
            option.initFrom(w);
            option.text = text;
            option.textAlignment = Qt::Alignment(w->property("alignment").toInt());
            option.lineWidth = 1;
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            if (w->property("flat").toBool())
                option.features |= QStyleOptionFrame::Flat;
            need = fm.horizontalAdvance(text);
            room = w->style()
                       ->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, w)
                       .intersected(w->rect())
                       .width();
        } else {
            continue;
        }
        // Wide enough but pushed out of sight by its neighbours counts as cut too; one below
        // the fold of a page (reached by scrolling) is not.
        const QRect seen = w->visibleRegion().boundingRect();
        if (!text.isEmpty() && !seen.isEmpty() && seen.width() < w->width() - 1)
            room = std::min(room, seen.width());
        if (!text.isEmpty() && need > room)
            *cut << QStringLiteral("%1 %2 \"%3\": %4 > %5")
                        .arg(where,
                             w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                       : w->objectName(),
                             text)
                        .arg(need)
                        .arg(room);
    }
}
} // namespace

// At the smallest size the window allows, no label, button, combo box or list entry of any menu
// page or dialog is narrower than its text, in either language.
void tst_MainWindowEndToEnd::everyTextFitsAtTheSmallestWindow()
{
    QFETCH(QString, language);
    QVERIFY(ZCore::LocalizationManager::setLanguage(language));
    QCoreApplication::sendPostedEvents();
    const QSize before = m_window->size();
    // The window's smallest size; a test screen smaller than that lowers the window's minimum.
    m_window->resize(m_window->minimumSize().expandedTo(QSize(1000, 550)));
    // The longest readout names are those of the Smith chart's markers; a notice takes room too.
    view()->setChartType(EChartType::SMITH);
    view()->marksTable()->removeAll();
    addMarker(1500, EMarkType::IMPED);
    addMarker(2000, EMarkType::ADMIT);
    ZCore::NoticeBoard::post(QtCriticalMsg, QStringLiteral("Port"),
                             QStringLiteral("The analyser stopped answering."));
    QVERIFY(waitFor([this] { return m_window->noticeBar()->isVisible(); }));
    QStringList cut;
    for (int page = 1; page <= 8; ++page) {
        m_window->handleMenuButton(page);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        collectCutTexts(m_window.get(), QStringLiteral("page %1").arg(page), &cut);
    }

    // The dialogs, at the size they open with; the port dialog with a listing as long as a real one.
    ZData::TPortListing port;
    port.portName = QStringLiteral("ttyACM0");
    port.manufacturer = QStringLiteral("STMicroelectronics (virtual analyser)");
    port.description = QStringLiteral("STM32 Virtual ComPort in FS Mode");
    port.serialNumber = QStringLiteral("2083-1719-77");
    port.systemLocation = QStringLiteral("/dev/ttyACM0");
    DeviceConnector* connector = m_window->deviceConnector();
    connector->setPortSource([port] { return QList<ZData::TPortListing>{port}; });
    m_window->findChild<QPushButton*>(QStringLiteral("b_about_qt"))->click();
    auto* calib = qobject_cast<MW_Pages::PgCalib*>(m_window->page(ZCommon::ENavBarMenuPages::CALIBRATION));
    const QList<QDialog*> dialogs = {connector, calib->kitEditor(),
                                     m_window->findChild<QDialog*>(QStringLiteral("box_about_qt"))};
    for (QDialog* dialog : dialogs) {
        QVERIFY(dialog);
        dialog->show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        // Texts filled in as it shows raise its minimum; the window system applies the new size.
        QTRY_COMPARE(dialog->size().expandedTo(dialog->layout()->totalMinimumSize()), dialog->size());
        collectCutTexts(dialog, dialog->objectName(), &cut);
        dialog->close();
    }
    connector->setPortSource(nullptr);
    ZCore::NoticeBoard::clear();
    view()->marksTable()->removeAll();
    m_window->handleMenuButton(0);
    m_window->resize(before);
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
}

void tst_MainWindowEndToEnd::reportAndMarkerTableFromThePages()
{
    m_messages->clear();
    view()->marksTable()->removeAll();
    addMarker(1500, EMarkType::IMPED);
    auto* charts = qobject_cast<MW_Pages::PgCharts*>(m_window->page(ZCommon::ENavBarMenuPages::CHARTS));
    MW_Pages::ReportSaver* saver = charts->reportSaver();
    const QString pdf = m_dir->path() + QStringLiteral("/elsewhere/site.pdf");
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("elsewhere")));
    for (const QString& path : {m_dir->path() + QStringLiteral("/nowhere/site.pdf"), pdf}) {
        QTest::mouseClick(saver->button(), Qt::LeftButton);
        QVERIFY(waitFor([&] { return saver->detailsDialog()->isVisible(); }));
        saver->detailsDialog()->titleEdit()->setText(QStringLiteral("Site 12 antenna"));
        saver->detailsDialog()->noteEdit()->setPlainText(QStringLiteral("Measured after the rain"));
        TestSupport::DialogAnswer answer(path);
        saver->detailsDialog()->accept();
        QCOMPARE(answer.answered(), 1);
    }
    QVERIFY2(
        m_messages->contains({qtTrId("lp_report_cant_write"), m_dir->path() + QStringLiteral("/nowhere")}),
        qPrintable(m_messages->texts().join('|')));
    QVERIFY(!QDir(m_dir->path()).exists(QStringLiteral("nowhere")));
    QCOMPARE(saver->lastReport(), pdf);
    QCOMPARE(saver->lastDir(), QFileInfo(pdf).absolutePath());
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QProcess reader;
        reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(reader.waitForFinished(60000));
        const QString text = QString::fromUtf8(reader.readAllStandardOutput()).simplified();
        for (const QString& word :
             {QStringLiteral("Site 12 antenna"), QStringLiteral("Measured after the rain"),
              ZData::DeviceManager::deviceInfo().identifier, QStringLiteral("View 1: Smith")})
            QVERIFY2(text.contains(word), qPrintable(word));
    }

    const QString csv = m_dir->path() + QStringLiteral("/marks.csv");
    {
        TestSupport::DialogAnswer answer(csv);
        QTest::mouseClick(markers()->exportButton(), Qt::LeftButton);
        QCOMPARE(answer.answered(), 1);
    }
    const QList<QByteArray> rows = TestSupport::readFile(csv).trimmed().split('\n');
    QCOMPARE(rows.size(), 2);
    QVERIFY2(rows[1].startsWith("View 1: Smith,1,") && rows[1].contains("R:") && rows[1].contains("| X:"),
             rows[1].constData());
    view()->marksTable()->removeAll();
}

// Unplugged and plugged: reconnecting (yellow), then connected on the same sweep; the calibration
// buttons that need the analyser close meanwhile. Unplugged for longer than the tries: red.
void tst_MainWindowEndToEnd::unplugReconnectAndGiveUp()
{
    Ui::MainWindowUi* ui = m_window->getUi();
    const QStringList deviceButtons = {"b_calib_remove_open", "b_calib_remove_all", "b_calib_download",
                                       "b_calib_open_file", "b_calib_upload"};
    auto* slot = m_window->findChild<QComboBox*>(QStringLiteral("comb_calib_slot"));
    slot->setCurrentIndex(slot->findData(2));
    QVERIFY(CalibrationManager::calibration().isComplete());
    for (const QString& name : deviceButtons)
        QVERIFY2(m_window->findChild<QPushButton*>(name)->isEnabled(), qPrintable(name));

    const ZData::DS::RangeSliced sweepBefore(DataScanManager::sweep());
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    QVERIFY(m_emulator->control(QStringLiteral("unplug")).startsWith(QLatin1String("ok")));
    QVERIFY(waitFor([] { return !DM::SerialPort::isOpen(); }, 10000));
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::yellow), 20000);
    for (const QString& name : deviceButtons)
        QVERIFY2(!m_window->findChild<QPushButton*>(name)->isEnabled(), qPrintable(name));
    // Saving the calibration to a file needs no analyser.
    QVERIFY(button("b_calib_save_file")->isEnabled());

    // After the reconnection's start-up the buttons work again, on the same sweep.
    QVERIFY(m_emulator->control(QStringLiteral("plug")).startsWith(QLatin1String("ok")));
    QVERIFY(waitFor([&] { return finished.count() >= 1; }, 30000));
    QVERIFY(waitFor([this] { return button("b_calib_download")->isEnabled(); }, 20000));
    QVERIFY(button("b_calib_open_file")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::green), 15000);
    QVERIFY(freshSweeps());
    QCOMPARE(DataScanManager::sweep().start(), sweepBefore.start());
    QCOMPARE(DataScanManager::sweep().stop(), sweepBefore.stop());
    QCOMPARE(DataScanManager::sweep().points(), sweepBefore.points());

    // Unplugged for longer than the reconnect tries: red, disconnected, nothing to pause.
    ZData::ConnectionManager::setReconnectPolicy(2, 100);
    QVERIFY(m_emulator->control(QStringLiteral("unplug")).startsWith(QLatin1String("ok")));
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::red), 20000);
    QVERIFY(showsIcon(ui->b_connect_device, ":/ui/disconnected"));
    QVERIFY(!ui->b_toggle_scan_pause->isEnabled());
    ZData::ConnectionManager::setReconnectPolicy(60, 300);
    QVERIFY(m_emulator->control(QStringLiteral("plug")).startsWith(QLatin1String("ok")));

    // Opened again, then closed on purpose: the button no longer looks connected.
    QVERIFY(openPort(m_emulator->portPath()));
    QTRY_COMPARE_WITH_TIMEOUT(buttonColor(ui->b_connect_device), QColor(Qt::green), 20000);
    DM::SerialPort::close(true);
    QTRY_COMPARE(buttonColor(ui->b_connect_device), m_plainColour);
    QVERIFY(showsIcon(ui->b_connect_device, ":/ui/disconnected"));
}

void tst_MainWindowEndToEnd::benchSurvivesUnplugAndRestart()
{
    // An analyser whose error box has drifted since its factory calibration, another id than the
    // one of the first tests.
    TestSupport::EmulatorProcess drifted;
    QVERIFY(drifted.start({"--dut", "r=100", "--drift", "10", "--id", "11-22-33"}));
    // A profile without the earlier tests' markers and interpolation.
    m_window->chartView(0)->marksTable()->removeAll();
    m_window->findChild<QCheckBox*>(QStringLiteral("cb_interpolation_enabled"))->setChecked(false);
    m_window->saveSettings();
    DM::SerialPort::close(true);
    DataScanManager::reset();
    CalibrationManager::reset();
    newWindow();
    ZChartView* view = m_window->chartView(0);
    view->setChartType(EChartType::LOG_MAG);
    // Nothing live yet: every view says so.
    for (ZChartView* v : m_window->chartViews())
        QVERIFY(v->staleNotice()->isVisible() && v->staleNotice()->isStale());

    QVERIFY(openPort(drifted.portPath()));
    QVERIFY(correctedSweeps());
    QTRY_VERIFY_WITH_TIMEOUT(!view->staleNotice()->isStale(), 20000);
    QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FACTORY);
    QVERIFY(view->scanRangeInfo()->text().contains(qtTrId("lp_cal_source_factory")));

    // A sweep with 450 MHz on its grid before and after the stop moves, typed with suffixes; a
    // point count the list does not offer shows as it is. The axes and the info box follow.
    MW_Pages::PgFreq* freq = m_window->pgFreq();
    typeInto(freq->startEdit(), QStringLiteral("100m"));
    typeInto(freq->stopEdit(), QStringLiteral("800M"));
    DataScanManager::sweep().setPoints(35, true);
    QCOMPARE(DataScanManager::sweep().start(), 100e6);
    QCOMPARE(DataScanManager::sweep().stop(), 800e6);
    QCOMPARE(freq->startEdit()->text(), QStringLiteral("100.00"));
    QCOMPARE(freq->pointsBox()->currentText(), QStringLiteral("35"));
    QVERIFY(freshSweeps());
    QTRY_COMPARE_WITH_TIMEOUT(view->axisX()->min(), 100.0, 20000);
    QVERIFY(view->scanRangeInfo()->text().contains(QStringLiteral("100.00")));
    // the views refresh a few times a second, not on every slice
    QTRY_COMPARE_WITH_TIMEOUT(view->livePoints().first().x(), 100.0, 20000);
    // The factory correction no longer fits this analyser.
    QVERIFY2(worstErrorFrom100Ohm() > 0.01f, qPrintable(QString::number(worstErrorFrom100Ohm())));

    QTRY_COMPARE_WITH_TIMEOUT(view->scanPoints().size(), 35, 20000);
    QVERIFY(view->addMark(450.0));
    ZChart::ZMark* mark = view->marksTable()->mark(0);
    QVERIFY(mark->readout().section('\n', 0, 0).contains(QStringLiteral("450.00")));
    typeInto(freq->stopEdit(), QStringLiteral("1.8G"));
    QCOMPARE(DataScanManager::sweep().stop(), 1800e6);
    QVERIFY(freshSweeps());
    QTRY_VERIFY_WITH_TIMEOUT(view->scanPoints().last().frequency == quint64(1800e6), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(view->scanPoints().value(mark->data().index).frequency, quint64(450e6), 20000);
    QVERIFY(mark->readout().section('\n', 0, 0).contains(QStringLiteral("450.00")));
    typeInto(freq->stopEdit(), QStringLiteral("800"));
    QVERIFY(freshSweeps());

    // Calibrate through the page, standard after standard.
    QSignalSpy typeDone(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibType);
    for (const char* standard : {"open", "short", "load"})
        QVERIFY2(measureStandard(drifted, standard, typeDone), standard);
    QVERIFY(drifted.control("dut r=100").startsWith("ok"));
    QVERIFY(correctedSweeps());
    // Saved the moment it was complete, and in use from that file.
    QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FILE);
    const QString autosaved = CalibrationManager::sourceFile();
    QVERIFY(QFileInfo(autosaved).fileName().startsWith(QStringLiteral("auto_11-22-33_")));
    QVERIFY(QFileInfo::exists(autosaved));
    QVERIFY(m_window->findChild<QLabel*>("l_calib_active")->text().remove(QChar(0x200B)).contains(autosaved));
    QVERIFY(
        view->scanRangeInfo()->text().contains(qtTrId("lp_cal_lines_user").section(QLatin1Char('%'), 0, 0)));
    QVERIFY(freshSweeps(1));
    QVERIFY2(worstErrorFrom100Ohm() < 2e-3f, qPrintable(QString::number(worstErrorFrom100Ohm())));

    const QString tracePath = QDir(DataScanManager::traceDir()).filePath(QStringLiteral("bench.tbin"));
    QVERIFY(DataScanManager::saveBinaryTrace(tracePath));
    QVERIFY(DataScanManager::loadBinaryTrace(tracePath, 0));
    QTRY_COMPARE(view->traceSeries().size(), 1);

    auto everythingBack = [&](const char* when) {
        QVERIFY2(correctedSweeps(), when);
        QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FILE);
        QCOMPARE(CalibrationManager::sourceFile(), autosaved);
        QCOMPARE(DataScanManager::sweep().start(), 100e6);
        QCOMPARE(DataScanManager::sweep().stop(), 800e6);
        QCOMPARE(DataScanManager::sweep().points(), 35u);
        QCOMPARE(m_window->pgFreq()->pointsBox()->currentText(), QStringLiteral("35"));
        QVERIFY(freshSweeps(1));
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
    QSignalSpy reconnecting(&ZData::ConnectionManager::instance(),
                            &ZData::ConnectionManager::signalReconnecting);
    QVERIFY(drifted.control("unplug").startsWith("ok"));
    for (ZChartView* v : m_window->chartViews())
        QTRY_VERIFY_WITH_TIMEOUT(v->staleNotice()->isVisible() && v->staleNotice()->isStale(), 20000);
    QVERIFY(view->staleNotice()->text().startsWith(qtTrId("lp_view_disconnected").arg(QString())));
    QVERIFY(mark->readout().contains(qtTrId("lp_mark_not_live")));
    QTRY_VERIFY_WITH_TIMEOUT(reconnecting.count() >= 3, 20000);
    QVERIFY(drifted.control("plug").startsWith("ok"));
    everythingBack("after the reconnect");

    // Closed and started again: the same from the profile and the calibration table.
    m_window->close();
    DM::SerialPort::close(true);
    DataScanManager::reset();
    CalibrationManager::reset();
    newWindow();
    view = m_window->chartView(0);
    QVERIFY(openPort(drifted.portPath()));
    everythingBack("after a restart");

    // Another analyser gets its own calibration, here the factory one, and says so.
    m_window->close();
    DM::SerialPort::close(true);
    TestSupport::EmulatorProcess other;
    QVERIFY(other.start({"--dut", "r=100", "--id", "44-55-66"}));
    QVERIFY(openPort(other.portPath()));
    QVERIFY(correctedSweeps());
    QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FACTORY);
    QVERIFY(m_window->chartView(0)->scanRangeInfo()->text().contains(qtTrId("lp_cal_source_factory")));
    // The factory correction interpolates, so the user's sweep stays.
    QCOMPARE(DataScanManager::sweep().stop(), 800e6);
    QCOMPARE(DataScanManager::sweep().points(), 35u);
    DM::SerialPort::close(true);
}

QTEST_MAIN(tst_MainWindowEndToEnd)
#include "tst_MainWindowEndToEnd.moc"
