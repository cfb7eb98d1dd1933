// The window and its menu pages without an analyser: the views' layout model, arrangement and
// selection, navigation, pause button, notices, the profile, frequency entry, calibration,
// markers, settings and about, traces. The calibration checks run first, before anything is drawn.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QtTest>

#include "PageTestSupport.h"
#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ChartEnumPrinter.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "core/NoticeBoard.h"
#include "core/SettingsManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "ui/ChartLayoutModel.h"
#include "ui/KitEditorDialog.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowUi.h"
#include "ui/PageFileDialogs.h"
#include "ui/components/ChartTraceListEntry.h"
#include "ui/components/LoadedTraceListEntry.h"
#include "ui/components/MarkListEntry.h"
#include "ui/components/NoticeBar.h"
#include "ui/components/ZFreqLineEdit.h"
#include "ui/pages/PgAbout.h"
#include "ui/pages/PgCalib.h"
#include "ui/pages/PgCharts.h"
#include "ui/pages/PgFreq.h"
#include "ui/pages/PgMarkers.h"
#include "ui/pages/PgSettings.h"
#include "ui/pages/PgTraces.h"
#include "ui/pages/charts/DTFPage.h"
#include "ui/pages/charts/GridBasePage.h"
#include "ui/pages/charts/LossPage.h"
#include "ui/pages/charts/SWRBasePage.h"

using MW_Pages::PgCalib;
using MW_Pages::PgMarkers;
using MW_Pages::PgSettings;
using MW_Pages::PgTraces;
using TestSupport::buttonColor;
using TestSupport::showsIcon;
using Ui::Components::MarkListEntry;
using ZChart::EChartType;
using ZChart::EMarkType;
using ZChart::ZChartView;
using ZCore::SettingsManager;
using namespace ZData;

namespace {

// A sweep of the current range with a reflection that changes along it.
ZData::TScanPoints sweepPoints()
{
    const auto& sweep = DataScanManager::sweep();
    ZData::TScanPoints points;
    const quint32 n = sweep.points();
    for (quint32 i = 0; i < n; ++i) {
        const double f = sweep.start() + (sweep.stop() - sweep.start()) * i / (n - 1);
        points.append({quint64(f), 0.2f + 0.5f * float(i) / float(n), 0.1f});
    }
    return points;
}

QVector<int> offered(MarkListEntry* entry)
{
    QVector<int> types;
    for (int i = 0; i < entry->typeBox()->count(); ++i)
        types << entry->typeBox()->itemData(i).toInt();
    return types;
}

// A small trace file whose first point tells the traces apart.
QString writeTrace(const QString& dir, const QString& name, int marker)
{
    ZData::DS::TTraceData trace;
    trace.start = 1e6;
    trace.stop = 2e6;
    trace.pointCount = 3;
    for (int i = 0; i < 3; ++i)
        trace.points.append({quint64(1000000 + i * 500000), float(marker) / 10.0f, 0.0f});
    const QString path = dir + QLatin1Char('/') + name;
    return TestSupport::writeFile(path, ZData::DS::TraceFiles::toBinary(trace)) ? path : QString();
}

QStringList entryTexts(PgTraces* page)
{
    QStringList texts;
    for (int i = 0; i < PgTraces::LIST_SIZE; ++i)
        if (!page->entry(i)->parentWidget()->isHidden())
            texts << page->entry(i)->text();
    return texts;
}

QStringList storeNames()
{
    QStringList names;
    for (const auto& trace : DataScanManager::traces())
        names << trace.name();
    return names;
}

} // namespace

class tst_Pages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase() { m_window.reset(); }
    void allButtonsStartDisabled();
    void lateCalibrationReportKeepsButtonsClosed();
    void presetsRebuildTheSlotList_data();
    void presetsRebuildTheSlotList();
    void kitBoxAndEditor();
    void positionInput();
    void typeChoicesFollowTheChartType_data();
    void typeChoicesFollowTheChartType();
    void removalKeepsEntriesOnTheirMarkers_data();
    void removalKeepsEntriesOnTheirMarkers();
    void badPresetIsRefusedAndChangesNothing_data();
    void badPresetIsRefusedAndChangesNothing();
    void aboutPageShowsVersionAndToolkitBox();
    void removalKeepsEntriesOnTheirTraces_data();
    void removalKeepsEntriesOnTheirTraces();
    void unreadableFileIsReportedAndKeepsTheList_data();
    void unreadableFileIsReportedAndKeepsTheList();
    void saveFilterGivesTheSuffix_data();
    void saveFilterGivesTheSuffix();
    void savedChoicesAndFolderComeBack();
    void layoutModelSignalsOncePerChange();
    void layoutModelRestoresBadValues_data();
    void layoutModelRestoresBadValues();
    void arrangementsPlaceAndSelect_data();
    void arrangementsPlaceAndSelect();
    void navigationAndHeaders();
    void pauseButton();
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

private:
    template <class T>
    T* page(ZCommon::ENavBarMenuPages index) const
    {
        return qobject_cast<T*>(m_window->page(index));
    }
    PgCalib* calib() const { return page<PgCalib>(ZCommon::ENavBarMenuPages::CALIBRATION); }
    PgMarkers* markers() const { return page<PgMarkers>(ZCommon::ENavBarMenuPages::MARKERS); }
    PgSettings* settingsPage() const { return page<PgSettings>(ZCommon::ENavBarMenuPages::SETTINGS); }
    PgTraces* traces() const { return page<PgTraces>(ZCommon::ENavBarMenuPages::TRACES); }
    QPushButton* button(const QString& name) const { return m_window->findChild<QPushButton*>(name); }
    ZChartView* view() const { return m_window->chartView(0); }
    Ui::MainWindowUi* ui() const { return m_window->getUi(); }
    MW_Pages::PgCharts* charts() const { return m_window->pgCharts(); }
    template <class T>
    T* configPage(EChartType type) const
    {
        return qobject_cast<T*>(charts()->configPage(type));
    }
    void newWindow();
    void addMarkThroughPage(double position);
    void loadAll(int count);

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::CapturedMessages> m_messages;
    std::unique_ptr<MainWindow> m_window;
    QByteArray m_windowFor;
    bool m_freshWindows = false;
};

void tst_Pages::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    m_messages = std::make_unique<TestSupport::CapturedMessages>();
    QVERIFY(TestSupport::initAllManagers());
    qRegisterMetaType<EChartType>();
}

void tst_Pages::newWindow()
{
    m_window.reset();
    m_window = std::make_unique<MainWindow>();
    m_window->setWarningPresenter([](const QString&, const QString&) {});
}

void tst_Pages::init()
{
    // The page tests share one window, as a user goes from page to page; from the layout tests on,
    // each test gets a fresh one (the rows of a table share one).
    const QByteArray function = QTest::currentTestFunction();
    m_freshWindows = m_freshWindows || function.startsWith("layoutModel");
    if (!m_window || (m_freshWindows && m_windowFor != function))
        newWindow();
    m_windowFor = function;
    m_messages->clear();
    DataScanManager::clearTraces();
    m_window->selectChartView(0, true);
    QCOMPARE(markers()->followedView(), view());
    view()->marksTable()->removeAll();
    view()->setChartType(EChartType::LOG_MAG);
}

void tst_Pages::allButtonsStartDisabled()
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

// A report of the calibration manager that crossed the closing port (the emulator cannot time
// that race) must not open the analyser's buttons again.
void tst_Pages::lateCalibrationReportKeepsButtonsClosed()
{
    emit DeviceManager::instance().signalStartupFinished();
    QVERIFY(button("b_calib_download")->isEnabled());
    emit ZData::DM::SerialPort::instance().signalClosed();
    emit CalibrationManager::instance().signalFinishedCalibration();
    emit CalibrationManager::instance().signalSentCalibration();
    for (const char* name :
         {"b_calib_do_open", "b_calib_do_short", "b_calib_do_load", "b_calib_download", "b_calib_open_file"})
        QVERIFY2(!button(name)->isEnabled(), name);
}

void tst_Pages::presetsRebuildTheSlotList_data()
{
    QTest::addColumn<QList<quint32>>("reports");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("none") << QList<quint32>{0} << QStringList{"0"};
    QTest::newRow("three") << QList<quint32>{3} << QStringList{"0", "1", "2", "3"};
    QTest::newRow("five, then two") << QList<quint32>{5, 2} << QStringList{"0", "1", "2"};
}

void tst_Pages::presetsRebuildTheSlotList()
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

void tst_Pages::kitBoxAndEditor()
{
    QVERIFY(TestSupport::writeFile(ZData::CAL::CalibrationKit::pathFor("broken"), "[open]\nc0_ff = fifty\n"));
    QComboBox* combo = calib()->kitCombo();
    // Opening the list picks up files put into the folder meanwhile.
    QTest::mouseClick(combo, Qt::LeftButton);
    combo->hidePopup();
    QCOMPARE(combo->itemData(0).toString(), QString("Ideal"));
    QCOMPARE(combo->itemText(0), qtTrId("lp_pcalib_kit_ideal"));
    const int broken = combo->findData("broken");
    QVERIFY(broken > 0);
    emit combo->activated(broken);
    QVERIFY2(calib()->kitStatusText().contains("broken.ini:2:"), qPrintable(calib()->kitStatusText()));
    QCOMPARE(CalibrationManager::kit().name, QString("Ideal"));
    QCOMPARE(combo->currentData().toString(), QString("Ideal"));

    // The editor: a field that is not a number, then a value no kit has, are named and not saved.
    QTest::mouseClick(button("b_calib_kit_edit"), Qt::LeftButton);
    Ui::KitEditorDialog* editor = calib()->kitEditor();
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
    editor->hide();

    // Averaging counts and the kit go into the profile and come back from it.
    calib()->calibAverage()->setValue(8);
    QCOMPARE(CalibrationManager::averageSweeps(), 8);
    calib()->liveAverage()->setValue(1);
    QCOMPARE(ZData::DataScanManager::liveAverage(), 0);
    QCOMPARE(calib()->liveAverage()->text(), qtTrId("lp_pcalib_live_average_off"));
    calib()->liveAverage()->setValue(16);
    QCOMPARE(ZData::DataScanManager::liveAverage(), 16);
    calib()->saveSettings();
    QSettings* settings = ZCore::SettingsManager::settings();
    QCOMPARE(settings->value("Calibration/kit").toString(), QString("lab-sma"));
    QCOMPARE(settings->value("Calibration/calib_average").toInt(), 8);
    QCOMPARE(settings->value("Calibration/live_average").toInt(), 16);
    // A profile naming a kit that has gone: the ideal kit, and the page says why.
    QVERIFY(QFile::remove(ZData::CAL::CalibrationKit::pathFor("lab-sma")));
    settings->setValue("Calibration/calib_average", 99);
    settings->setValue("Calibration/live_average", 0);
    calib()->restoreSettings();
    QCOMPARE(CalibrationManager::kit().name, QString("Ideal"));
    QVERIFY2(calib()->kitStatusText().contains("lab-sma.ini"), qPrintable(calib()->kitStatusText()));
    QCOMPARE(CalibrationManager::averageSweeps(), 8);
    QCOMPARE(ZData::DataScanManager::liveAverage(), 0);
}

void tst_Pages::addMarkThroughPage(double position)
{
    markers()->positionEdit()->setText(QString::number(position, 'f', 2));
    QTest::mouseClick(button("b_add_mark_freq"), Qt::LeftButton);
}

// The position input: closed until a sweep is drawn; a position that is no number is reported and
// adds nothing; title and units follow the view's chart type, and the input the DTF window.
void tst_Pages::positionInput()
{
    auto* show = m_window->findChild<QCheckBox*>(QStringLiteral("cb_show_marks"));
    QVERIFY(!view()->hasData());
    QVERIFY(!markers()->positionEdit()->isEnabled());
    QVERIFY(!show->isEnabled());
    QVERIFY(!button("b_add_mark_freq")->isEnabled());
    view()->refreshFrom(sweepPoints());
    markers()->slotRetrievedMarksData();
    QVERIFY(markers()->positionEdit()->isEnabled());
    QVERIFY(show->isEnabled());

    markers()->positionEdit()->setText(QStringLiteral("1x5"));
    markers()->slotAddNewMark();
    QVERIFY(m_messages->contains({qtTrId("lp_err_enter_bad_freq")}));
    QCOMPARE(view()->marksTable()->count(), 0);

    auto* title = m_window->findChild<QLabel*>(QStringLiteral("l_add_mark_title"));
    auto* units = m_window->findChild<QLabel*>(QStringLiteral("l_add_mark_units"));
    QCOMPARE(units->text(), ZChart::ChartEnumPrinter::unitName(view()->targetUnit()));
    const QString frequencyUnit = units->text();
    view()->setChartType(EChartType::DTF);
    QCOMPARE(title->text(), ZChart::ChartEnumPrinter::labelName(view()->targetLabel()) + ':');
    QCOMPARE(units->text(), ZChart::ChartEnumPrinter::unitName(view()->targetUnit()));
    QVERIFY(units->text() != frequencyUnit);
    const QPair<double, double> range = view()->horizontalRange();
    QCOMPARE(markers()->positionEdit()->text(), QString::number(range.first, 'f', 2));
}

void tst_Pages::typeChoicesFollowTheChartType_data()
{
    QTest::addColumn<EChartType>("type");
    QTest::addColumn<int>("offeredType");
    QTest::addColumn<int>("refusedType");
    QTest::newRow("smith: impedance, no minimum")
        << EChartType::SMITH << int(EMarkType::IMPED) << int(EMarkType::MIN_VALUE);
    QTest::newRow("log mag: maximum, no dtf peak")
        << EChartType::LOG_MAG << int(EMarkType::MAX_VALUE) << int(EMarkType::DTF_PEAK);
    QTest::newRow("dtf: peak, no impedance")
        << EChartType::DTF << int(EMarkType::DTF_PEAK) << int(EMarkType::IMPED);
    QTest::newRow("loss: loss, no swr") << EChartType::LOSS << int(EMarkType::LOSS) << int(EMarkType::SWR);
}

void tst_Pages::typeChoicesFollowTheChartType()
{
    QFETCH(EChartType, type);
    QFETCH(int, offeredType);
    QFETCH(int, refusedType);
    view()->refreshFrom(sweepPoints());
    addMarkThroughPage(1500);
    QCOMPARE(view()->marksTable()->count(), 1);

    // The existing marker's entry is offered the new chart type's readouts.
    view()->setChartType(type);
    MarkListEntry* entry = markers()->entry(0);
    QVERIFY(!entry->isHidden());
    const QVector<int> types = offered(entry);
    QVERIFY(types.contains(offeredType));
    QVERIFY(!types.contains(refusedType));

    // Choosing one reaches the marker.
    entry->typeBox()->setCurrentIndex(types.indexOf(offeredType));
    QCOMPARE(int(view()->marksTable()->marksData().first().type), offeredType);
    // However long the names, the entry fits the side panel.
    QVERIFY(entry->minimumSizeHint().width() < Ui::MainWindowUi::SIDE_PANEL_WIDTH - 20);
}

void tst_Pages::removalKeepsEntriesOnTheirMarkers_data()
{
    QTest::addColumn<int>("removed");
    QTest::newRow("start") << 0;
    QTest::newRow("middle") << 2;
    QTest::newRow("end") << 5;
}

// Six markers close the input; removing one keeps every other entry on its marker and opens the
// input again; remove all empties the list.
void tst_Pages::removalKeepsEntriesOnTheirMarkers()
{
    QFETCH(int, removed);
    view()->refreshFrom(sweepPoints());
    auto* add = button("b_add_mark_freq");
    auto* removeAll = button("b_remove_marks");
    QVERIFY(!removeAll->isEnabled());
    QVector<int> types = {int(EMarkType::RE_IM), int(EMarkType::MAG),   int(EMarkType::LMAG),
                          int(EMarkType::SWR),   int(EMarkType::IMPED), int(EMarkType::MAG)};
    for (int i = 0; i < types.size(); ++i) {
        addMarkThroughPage(1000 + 100 * i);
        QComboBox* box = markers()->entry(i)->typeBox();
        box->setCurrentIndex(box->findData(types[i]));
    }
    ZChart::ZMarksTable* table = view()->marksTable();
    QCOMPARE(table->count(), 6);
    // Marker 1 reads against marker 0; without its reference it reads no data.
    markers()->entry(0)->referenceBox()->setChecked(true);
    markers()->entry(1)->deltaBox()->setChecked(true);
    QCOMPARE(table->marksData()[1].modifier, ZChart::EMarkModType::DELTA);
    QVERIFY(!add->isEnabled());
    QVERIFY(!markers()->positionEdit()->isEnabled());
    QVERIFY(removeAll->isEnabled());
    const QStringList before = table->readouts();

    QTest::mouseClick(markers()->entry(removed)->removeButton(), Qt::LeftButton);
    types.removeAt(removed);
    QStringList expectedReadouts = before;
    expectedReadouts.removeAt(removed);
    QCOMPARE(table->count(), 5);
    QVERIFY(add->isEnabled());
    for (int i = 0; i < PgMarkers::LIST_SIZE; ++i) {
        MarkListEntry* entry = markers()->entry(i);
        QCOMPARE(entry->isHidden(), i >= 5);
        if (i >= 5)
            continue;
        QCOMPARE(entry->currentType(), types[i]);
        QCOMPARE(int(table->marksData()[i].type), types[i]);
        QCOMPARE(entry->isDelta(), i == (removed == 0 ? 0 : 1));
        if (removed == 0 && i == 0)
            QVERIFY2(entry->readout().contains(qtTrId("lp_mark_no_data")), qPrintable(entry->readout()));
        else
            QCOMPARE(entry->readout(), expectedReadouts[i]);
    }
    QTest::mouseClick(removeAll, Qt::LeftButton);
    QCOMPARE(table->count(), 0);
    QVERIFY(!removeAll->isEnabled());
    for (int i = 0; i < PgMarkers::LIST_SIZE; ++i)
        QVERIFY(markers()->entry(i)->isHidden());
}

void tst_Pages::badPresetIsRefusedAndChangesNothing_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("content"); // loaded files only; none: the file is missing
    QTest::addColumn<QString>("reasonId");
    const QString broken = SettingsManager::userDir() + QStringLiteral("/broken.ini");
    QTest::newRow("load missing") << false << broken << QByteArray() << "lp_pgsettings_preset_missing";
    QTest::newRow("load binary") << false << broken << QByteArray("\x00\x01\x02\x03ini", 7)
                                 << "lp_pgsettings_preset_not_ini";
    QTest::newRow("save as current, in capitals")
        << true << SettingsManager::profilesDir() + QStringLiteral("/CURRENT.INI") << QByteArray()
        << "lp_pgsettings_cant_save_preset";
    QTest::newRow("save as default") << true << SettingsManager::defaultFile() << QByteArray()
                                     << "lp_pgsettings_cant_save_preset";
}

void tst_Pages::badPresetIsRefusedAndChangesNothing()
{
    QFETCH(bool, save);
    QFETCH(QString, path);
    QFETCH(QByteArray, content);
    QFETCH(QString, reasonId);
    m_window->saveSettings();
    SettingsManager::settings()->sync();
    const QByteArray current = TestSupport::readFile(SettingsManager::currentFile());
    const QByteArray defaults = TestSupport::readFile(SettingsManager::defaultFile());
    if (!save) {
        QFile::remove(path);
        QVERIFY(content.isNull() || TestSupport::writeFile(path, content));
    }
    QSignalSpy got(&SettingsManager::instance(), &SettingsManager::signalGotSettings);
    {
        TestSupport::DialogAnswer answer(path);
        save ? settingsPage()->slotPresetSaveFile() : settingsPage()->slotPresetLoadFile();
    }
    QCOMPARE(got.count(), 0);
    const QString reason = qtTrId(reasonId.toLatin1().constData());
    QVERIFY2(m_messages->contains({path, save ? reason.arg(path) : reason}),
             qPrintable(m_messages->texts().join('|')));
    QCOMPARE(TestSupport::readFile(SettingsManager::currentFile()), current);
    QCOMPARE(TestSupport::readFile(SettingsManager::defaultFile()), defaults);
}

void tst_Pages::aboutPageShowsVersionAndToolkitBox()
{
    auto* version = m_window->findChild<QLabel*>(QStringLiteral("l_about_appversion_value"));
    QCOMPARE(version->text(), QStringLiteral("1.14.423"));
    QVERIFY(!m_window->findChild<QLabel*>(QStringLiteral("label_29"))->text().isEmpty());
    QWidget* parent = nullptr;
    QString title;
    MW_Pages::PgAbout::setAboutPresenter([&](QWidget* p, const QString& t) {
        parent = p;
        title = t;
    });
    QTest::mouseClick(button("b_about_qt"), Qt::LeftButton);
    MW_Pages::PgAbout::setAboutPresenter({});
    QCOMPARE(parent, m_window.get());
    QCOMPARE(title, qtTrId("lp_pmain_about"));
    // The page's own box is opened without an event loop of its own, once however often clicked.
    QTest::mouseClick(button("b_about_qt"), Qt::LeftButton);
    QTest::mouseClick(button("b_about_qt"), Qt::LeftButton);
    const QList<QMessageBox*> boxes = m_window->findChildren<QMessageBox*>(QStringLiteral("box_about_qt"));
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first()->isVisible());
    QVERIFY(boxes.first()->text().contains(QString::fromLatin1(qVersion())));
    boxes.first()->button(QMessageBox::Ok)->click();
}

void tst_Pages::loadAll(int count)
{
    for (int i = 0; i < count; ++i) {
        const QString path = writeTrace(m_dir->path(), QStringLiteral("t%1.tbin").arg(i), i);
        TestSupport::DialogAnswer answer(path);
        button("b_trace_load_file")->setEnabled(true);
        traces()->slotTraceLoadFile();
        QCOMPARE(answer.answered(), 1);
    }
    QCOMPARE(DataScanManager::traces().size(), count);
}

void tst_Pages::removalKeepsEntriesOnTheirTraces_data()
{
    QTest::addColumn<int>("removed");
    QTest::newRow("start") << 0;
    QTest::newRow("middle") << 2;
    QTest::newRow("end") << 5;
}

// Six traces close the load button; removing one keeps every other entry on its trace, colour
// included, and opens it again; remove all empties the store.
void tst_Pages::removalKeepsEntriesOnTheirTraces()
{
    QFETCH(int, removed);
    auto* load = button("b_trace_load_file");
    auto* removeAll = button("b_remove_traces");
    loadAll(6);
    QVERIFY(!load->isEnabled());
    QVERIFY(removeAll->isEnabled());
    QStringList expected = {"t0", "t1", "t2", "t3", "t4", "t5"};
    QCOMPARE(entryTexts(traces()), expected);

    QTest::mouseClick(traces()->entry(removed)->removeButton(), Qt::LeftButton);
    expected.removeAt(removed);
    QVERIFY(load->isEnabled());
    QCOMPARE(storeNames(), expected);
    QCOMPARE(entryTexts(traces()), expected);
    // Each remaining entry's colour is the colour its series now has in every view.
    QCOMPARE(view()->traceSeries().size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QColor colour = ZChart::ZChartView::paletteColor(i + 1);
        QVERIFY(traces()->colorSwatch(i)->styleSheet().contains(colour.name()));
        QCOMPARE(view()->traceSeries()[i]->color().rgb(), colour.rgb());
        // The series still holds the data of the trace the entry names.
        const float first = DataScanManager::traces()[i].points.first().re;
        QCOMPARE(qRound(first * 10), expected[i].mid(1).toInt());
    }
    // Removing again, by the entry now at that position, takes the trace the entry named.
    const int again = qMin(removed, expected.size() - 1);
    QTest::mouseClick(traces()->entry(again)->removeButton(), Qt::LeftButton);
    expected.removeAt(again);
    QCOMPARE(entryTexts(traces()), expected);
    // The charts page lists them too; its check box drives the selected view's series, hide all
    // every series.
    const auto& listed = charts()->traceEntries();
    QStringList names;
    for (auto* entry : listed)
        if (!entry->isHidden())
            names << entry->text();
    QCOMPARE(names, expected);
    QVERIFY(listed.at(1)->checkBox()->isChecked());
    listed.at(1)->checkBox()->setChecked(false);
    QVERIFY(!view()->isTraceSeriesVisible(1));
    QVERIFY(m_window->chartView(1)->isTraceSeriesVisible(1));
    QTest::mouseClick(button("b_hide_traces"), Qt::LeftButton);
    QVERIFY(!listed.at(0)->checkBox()->isChecked());
    QVERIFY(!view()->isTraceSeriesVisible(0));

    QTest::mouseClick(removeAll, Qt::LeftButton);
    QVERIFY(DataScanManager::traces().isEmpty());
    QVERIFY(!removeAll->isEnabled());
    QVERIFY(entryTexts(traces()).isEmpty());
    for (auto* entry : listed)
        QVERIFY(entry->isHidden());
    for (ZChartView* v : m_window->chartViews())
        QVERIFY(v->traceSeries().isEmpty());
}

void tst_Pages::unreadableFileIsReportedAndKeepsTheList_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason"); // besides the path
    QTest::newRow("truncated binary") << QByteArray("\x01\x02\x03", 3) << "broken.tbin" << QString();
    QTest::newRow("text without header") << QByteArray("hello\n") << "broken.dat" << QString();
    QTest::newRow("touchstone without data") << QByteArray("# Hz S RI R 50\n") << "broken.s1p" << QString();
    QTest::newRow("unsupported suffix")
        << QByteArray() << "sweep.csv" << qtTrId("lp_pgtrace_load_unsupported_file_format") + "csv";
}

void tst_Pages::unreadableFileIsReportedAndKeepsTheList()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    QFETCH(QString, reason);
    loadAll(2);
    const QString path = m_dir->path() + QLatin1Char('/') + name;
    QVERIFY(TestSupport::writeFile(path, content));
    {
        TestSupport::DialogAnswer answer(path);
        traces()->slotTraceLoadFile();
    }
    QVERIFY2(m_messages->contains({reason.isEmpty() ? path : reason}),
             qPrintable(m_messages->texts().join('|')));
    QCOMPARE(storeNames(), QStringList({"t0", "t1"}));
    QCOMPARE(entryTexts(traces()), QStringList({"t0", "t1"}));
}

void tst_Pages::saveFilterGivesTheSuffix_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("all files") << 0 << "tbin";
    QTest::newRow("text") << 2 << "dat";
    QTest::newRow("touchstone") << 3 << "s1p";
    QTest::newRow("csv") << 4 << "csv";
}

void tst_Pages::saveFilterGivesTheSuffix()
{
    QFETCH(int, filter);
    QFETCH(QString, suffix);
    QFileDialog* dialog = traces()->saveDialog();
    const QString name = dialog->nameFilters().value(filter);
    QVERIFY(!name.isEmpty());
    emit dialog->filterSelected(name);
    dialog->selectFile(m_dir->path() + QStringLiteral("/bare"));
    QCOMPARE(Ui::PageFileDialogs::firstSelected(dialog), m_dir->path() + QStringLiteral("/bare.") + suffix);
}

void tst_Pages::savedChoicesAndFolderComeBack()
{
    TestSupport::setSweep(100e6, 700e6, 101); // the grid of the sweep the files are written from
    traces()->touchstoneFormatBox()->setCurrentText(QStringLiteral("MA"));
    traces()->touchstoneUnitBox()->setCurrentText(QStringLiteral("GHz"));
    const QString s1p = m_dir->path() + QStringLiteral("/sweep.s1p");
    const QString csv = m_dir->path() + QStringLiteral("/sweep.csv");
    for (const QString& path : {s1p, csv}) {
        TestSupport::DialogAnswer answer(path);
        traces()->slotTraceSaveFile();
    }
    QCOMPARE(TestSupport::readFile(s1p).split('\n').value(1), QByteArray("# GHz S MA R 50"));
    const QList<QByteArray> rows = TestSupport::readFile(csv).trimmed().split('\n');
    QCOMPARE(rows.size(), 1 + int(DataScanManager::sweep().points()));
    QVERIFY(rows[0].startsWith("Frequency (Hz),"));
    QVERIFY2(m_messages->texts().isEmpty(), qPrintable(m_messages->texts().join('|')));
    // The Touchstone file loads back as a trace on every view.
    {
        TestSupport::DialogAnswer answer(s1p);
        traces()->slotTraceLoadFile();
    }
    QCOMPARE(entryTexts(traces()), QStringList{"sweep"});
    QCOMPARE(int(DataScanManager::traces().first().points.size()), int(DataScanManager::sweep().points()));
    for (ZChartView* v : m_window->chartViews())
        QVERIFY(v->traceSeries().size() == 1 && v->traceSeries().first()->count() > 0);

    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("elsewhere")));
    const QString folder = m_dir->path() + QStringLiteral("/elsewhere");
    const QString path = writeTrace(folder, QStringLiteral("far.tbin"), 7);
    {
        TestSupport::DialogAnswer answer(path);
        traces()->slotTraceLoadFile();
    }
    QCOMPARE(traces()->lastDir(), folder);
    m_window->saveSettings();
    ZCore::SettingsManager::settings()->sync();

    // A window built on the same profile offers that folder first, and the Touchstone choice.
    newWindow();
    TestSupport::DialogAnswer cancel{QString()};
    traces()->slotTraceLoadFile();
    QCOMPARE(cancel.directory(), folder);
    QCOMPARE(traces()->touchstoneFormatBox()->currentText(), QStringLiteral("MA"));
    QCOMPARE(traces()->touchstoneUnitBox()->currentText(), QStringLiteral("GHz"));
}

// The model the window lays its views out by.
void tst_Pages::layoutModelSignalsOncePerChange()
{
    Ui::ChartLayoutModel model;
    QSignalSpy arranged(&model, &Ui::ChartLayoutModel::signalArrangementChanged);
    QSignalSpy selected(&model, &Ui::ChartLayoutModel::signalSelectedViewChanged);
    QSignalSpy typed(&model, &Ui::ChartLayoutModel::signalChartTypeChanged);

    // Before any arrangement every view is shown; nothing is selected.
    QCOMPARE(model.selectedView(), -1);
    QVERIFY(model.selectView(3));
    QVERIFY(model.selectView(3));
    QCOMPARE(selected.count(), 1);

    QVERIFY(model.setArrangement(9));
    QVERIFY(model.setArrangement(9));
    QVERIFY(!model.setArrangement(-1));
    QVERIFY(!model.setArrangement(Ui::ChartArrangement::COUNT));
    QCOMPARE(arranged.count(), 1);
    QCOMPARE(model.arrangement(), 9);

    QVERIFY(model.setChartType(2, EChartType::SMITH));
    QVERIFY(model.setChartType(2, EChartType::SMITH));
    QVERIFY(!model.setChartType(2, EChartType::UNSET));
    QVERIFY(!model.setChartType(4, EChartType::SWR));
    QVERIFY(!model.setChartType(-1, EChartType::SWR));
    QCOMPARE(typed.count(), 1);
    QCOMPARE(typed.first().at(0).toInt(), 2);
    QCOMPARE(typed.first().at(1).value<EChartType>(), EChartType::SMITH);
    QCOMPARE(model.chartType(2), EChartType::SMITH);
    QCOMPARE(model.chartType(0), EChartType::UNSET);
    QCOMPARE(model.chartType(7), EChartType::UNSET);

    QVERIFY(!model.selectView(4));
    QVERIFY(!model.selectView(-1));
    QCOMPARE(selected.count(), 1);
    QCOMPARE(model.selectedView(), 3);

    // Hiding the selected view moves the selection to UL once, after the new arrangement is
    // announced (the window lays the views out first); a hidden view cannot be selected.
    QVector<int> order;
    connect(&model, &Ui::ChartLayoutModel::signalArrangementChanged, [&order] { order << 1; });
    connect(&model, &Ui::ChartLayoutModel::signalSelectedViewChanged, [&order] { order << 2; });
    QVERIFY(model.setArrangement(0));
    QCOMPARE(order, (QVector<int>{1, 2}));
    QCOMPARE(selected.count(), 2);
    QCOMPARE(selected.last().first().toInt(), 0);
    QVERIFY(!model.isShown(3));
    QVERIFY(!model.selectView(1));
    QVERIFY(model.setArrangement(5)); // UL still shown: the selection stays
    QCOMPARE(selected.count(), 2);
}

void tst_Pages::layoutModelRestoresBadValues_data()
{
    QTest::addColumn<QVariant>("arrangement"); // invalid QVariant: the key is missing
    QTest::addColumn<QVariant>("selected");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("wantArrangement");
    QTest::addColumn<int>("wantSelect");

    const int all = Ui::ChartArrangement::COUNT - 1;
    QTest::newRow("valid") << QVariant(5) << QVariant(2) << -1 << 5 << 2;
    QTest::newRow("stored view hidden") << QVariant(5) << QVariant(1) << -1 << 5 << 0;
    QTest::newRow("nothing stored, first start") << QVariant() << QVariant() << -1 << all << 0;
    QTest::newRow("nothing stored keeps current") << QVariant() << QVariant() << 3 << 3 << 0;
    QTest::newRow("arrangement too large") << QVariant(12) << QVariant(0) << -1 << all << 0;
    QTest::newRow("negative arrangement keeps current") << QVariant(-1) << QVariant(0) << 7 << 7 << 0;
    QTest::newRow("arrangement text") << QVariant("cross") << QVariant(3) << -1 << all << 3;
    QTest::newRow("view too large") << QVariant(11) << QVariant(4) << -1 << 11 << -1;
    QTest::newRow("negative view") << QVariant(11) << QVariant(-1) << -1 << 11 << -1;
    QTest::newRow("view text") << QVariant(11) << QVariant("UL") << -1 << 11 << -1;
}

void tst_Pages::layoutModelRestoresBadValues()
{
    QFETCH(QVariant, arrangement);
    QFETCH(QVariant, selected);
    QFETCH(int, before);
    QTemporaryDir dir;
    QSettings settings(dir.filePath("profile.ini"), QSettings::IniFormat);
    if (arrangement.isValid())
        settings.setValue("chart_arrange", arrangement);
    if (selected.isValid())
        settings.setValue("selected_chartview", selected);

    Ui::ChartLayoutModel model;
    if (before >= 0)
        QVERIFY(model.setArrangement(before));
    QTEST(model.restore(settings), "wantSelect");
    QTEST(model.arrangement(), "wantArrangement");

    // What is saved reads back the same.
    QVERIFY(model.selectView(qMax(0, model.restore(settings))));
    QSettings copy(dir.filePath("copy.ini"), QSettings::IniFormat);
    model.save(copy);
    Ui::ChartLayoutModel other;
    QCOMPARE(other.restore(copy), model.selectedView());
    QCOMPARE(other.arrangement(), model.arrangement());
}

// The expected cells are written out here, not read from the arrangement table: a wrong entry
// there or a window that ignores it both fail.
void tst_Pages::arrangementsPlaceAndSelect_data()
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

void tst_Pages::arrangementsPlaceAndSelect()
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

void tst_Pages::navigationAndHeaders()
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
}

void tst_Pages::pauseButton()
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

void tst_Pages::oldDeviceWarnsAfterTheReplyHandler()
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
void tst_Pages::noticeArea()
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

void tst_Pages::pagesRoundTrip()
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
    QVERIFY(!m_window->isMenuVisible() && !ui()->nav_bar_menu->isVisible());

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
    QVERIFY(m_window->isMenuVisible() && ui()->nav_bar_menu->isVisible());
    m_window->close(); // the next tests start with the menu shown
}

void tst_Pages::restoredValuesBounded_data()
{
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<quint32>("points");
    QTest::newRow("too many") << qint64(5000) << 2048u;
    // A count the list does not offer comes back as it was and is shown.
    QTest::newRow("not offered") << qint64(260) << 260u;
    QTest::newRow("negative") << qint64(-5) << 2u;
}

void tst_Pages::restoredValuesBounded()
{
    QFETCH(qint64, stored);
    QFETCH(quint32, points);
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

void tst_Pages::clearedBandListSendsNoIndex()
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

void tst_Pages::configPagesFollowSelection()
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

void tst_Pages::dtfSpanIsCut()
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

void tst_Pages::frequencyEntryRules_data()
{
    QTest::addColumn<int>("field"); // start, stop, center, span
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("stop");
    QTest::addColumn<bool>("notice");
    // From a sweep of 100 .. 700 MHz in a range of 1 .. 6200 MHz.
    QTest::newRow("any case, with Hz") << 1 << "1.5gHz" << 100e6 << 1500e6 << false;
    QTest::newRow("750 KHz") << 0 << "750 KHz" << 1e6 << 700e6 << true; // below the range: 1 MHz
    QTest::newRow("start above stop moves stop") << 0 << "900" << 900e6 << 1500e6 << true;
    QTest::newRow("stop at the bottom: zero span refused") << 1 << "1" << 100e6 << 700e6 << true;
    QTest::newRow("zero span refused") << 3 << "0" << 100e6 << 700e6 << true;
    QTest::newRow("negative refused") << 0 << "-50" << 100e6 << 700e6 << true;
    QTest::newRow("center") << 2 << "500M" << 200e6 << 800e6 << false;
    QTest::newRow("center near the top cuts the span") << 2 << "6100" << 6000e6 << 6200e6 << true;
    QTest::newRow("span pushes the center") << 3 << "1000" << 1e6 << 1001e6 << true;
}

void tst_Pages::frequencyEntryRules()
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

QTEST_MAIN(tst_Pages)
#include "tst_Pages.moc"
