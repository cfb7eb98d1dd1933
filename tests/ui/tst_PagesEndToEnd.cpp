#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyleOptionComboBox>
#include <QtTest>

#include <memory>

#include "EmulatorProcess.h"
#include "PageTestSupport.h"
#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ZChartView.h"
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
#include "ui/components/ClampedLineEdit.h"
#include "ui/components/LoadedTraceListEntry.h"
#include "ui/components/MarkListEntry.h"
#include "ui/components/NoticeBar.h"
#include "ui/components/ZFreqLineEdit.h"
#include "ui/pages/ChartImageSaver.h"
#include "ui/pages/PgCalib.h"
#include "ui/pages/PgCharts.h"
#include "ui/pages/PgFreq.h"
#include "ui/pages/PgMarkers.h"
#include "ui/pages/PgSettings.h"
#include "ui/pages/PgTraces.h"
#include "ui/pages/ReportSaver.h"

using MW_Pages::PgMarkers;
using TestSupport::waitFor;
using Ui::Components::MarkListEntry;
using ZChart::EChartType;
using ZChart::EMarkType;
using ZChart::ZChartView;
using ZData::CalibrationManager;
using ZData::DataScanManager;

namespace {
// 100 ohm behind a calibrated port: resistance 100.00 ohm and SWR 2.00 against 50 ohm.
QString impedance100()
{
    return QStringLiteral("R:\\s*100\\.00\\s*") + QRegularExpression::escape(qtTrId("lp_units_ohm"));
}
const QString kSwr2 = QStringLiteral("\\b2\\.00\\b");
} // namespace

class tst_PagesEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void calibrateThroughThePage();
    void slotUploadRemoveAllDownload();
    void calibrationFilesThroughThePage();
    void touchstoneTraceOnEveryView();
    void deltaMarkerLosesItsReference();
    void languageSwitchFromTheSettingsPage();
    void presetRoundTrip();
    void saveImageOfTheSelectedView_data();
    void saveImageOfTheSelectedView();
    void everyTextFitsAtTheSmallestWindow_data();
    void everyTextFitsAtTheSmallestWindow();
    void reportAndMarkerTableFromThePages();
    void calibrationButtonsThroughADisconnect();

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
    bool freshSweeps(int count = 2);
    bool measureStandard(const char* dut, const char* buttonName, QSignalSpy& spy);
    void addMarker(double mhz, EMarkType type);
    // Pattern i must match the readout of entry i.
    bool readoutsShow(const QStringList& patterns);

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::CapturedMessages> m_messages;
    std::unique_ptr<TestSupport::EmulatorProcess> m_emulator;
    std::unique_ptr<MainWindow> m_window;
};

bool tst_PagesEndToEnd::freshSweeps(int count)
{
    const quint64 target = DataScanManager::completedSweeps() + quint64(count);
    return waitFor([target] { return DataScanManager::completedSweeps() >= target; });
}

void tst_PagesEndToEnd::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    m_messages = std::make_unique<TestSupport::CapturedMessages>();
    QVERIFY(TestSupport::initAllManagers());
    m_emulator = std::make_unique<TestSupport::EmulatorProcess>();
    QVERIFY(m_emulator->start({"--dut", "open"}));
    m_window = std::make_unique<MainWindow>();
    m_window->resize(1200, 800);
    m_window->show();

    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    ZData::TSerialPortConfig cfg;
    cfg.portName = m_emulator->portPath();
    ZData::DM::SerialPort::setConfig(cfg);
    QVERIFY(ZData::DM::SerialPort::open(true));
    // The start-up ends with the factory calibration downloaded; the page then offers the standards.
    QVERIFY(waitFor([&] { return finished.count() >= 1; }));
    QVERIFY(waitFor([this] { return button("b_calib_do_open")->isEnabled(); }));
    QVERIFY(view());
    view()->setChartType(EChartType::SMITH);
    QVERIFY(freshSweeps(1));
    QVERIFY(waitFor([this] { return view()->hasData(); }));
}

void tst_PagesEndToEnd::cleanupTestCase()
{
    ZData::DM::SerialPort::close(true);
    m_window.reset();
    m_emulator.reset();
}

bool tst_PagesEndToEnd::measureStandard(const char* dut, const char* buttonName, QSignalSpy& spy)
{
    if (!m_emulator->control(QStringLiteral("dut ") + QLatin1String(dut)).startsWith(QLatin1String("ok")))
        return false;
    QPushButton* b = button(buttonName);
    if (!b->isEnabled())
        return false;
    const int before = spy.count();
    QTest::mouseClick(b, Qt::LeftButton);
    // While a standard is measured no other transfer can be started.
    for (const char* name :
         {"b_calib_do_open", "b_calib_do_short", "b_calib_do_load", "b_calib_download", "b_calib_open_file"})
        if (button(name)->isEnabled())
            return false;
    return waitFor([&] { return spy.count() > before; });
}

void tst_PagesEndToEnd::addMarker(double mhz, EMarkType type)
{
    const int index = view()->marksTable()->count();
    markers()->positionEdit()->setText(QString::number(mhz, 'f', 2));
    QTest::mouseClick(button("b_add_mark_freq"), Qt::LeftButton);
    QCOMPARE(view()->marksTable()->count(), index + 1);
    QComboBox* box = markers()->entry(index)->typeBox();
    box->setCurrentIndex(box->findData(int(type)));
    QCOMPARE(int(view()->marksTable()->marksData()[index].type), int(type));
}

bool tst_PagesEndToEnd::readoutsShow(const QStringList& patterns)
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

void tst_PagesEndToEnd::calibrateThroughThePage()
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

    QVERIFY(measureStandard("open", "b_calib_do_open", typeDone));
    // Open measured: it can be removed, it cannot be measured again, nothing to save yet; the next
    // standard is offered again in the plain colour.
    auto* page = qobject_cast<MW_Pages::PgCalib*>(m_window->page(ZCommon::ENavBarMenuPages::CALIBRATION));
    QVERIFY(button("b_calib_do_short")->isEnabled());
    QCOMPARE(button("b_calib_do_short")->palette().color(QPalette::Button), page->normalColor());
    QVERIFY(button("b_calib_remove_open")->isEnabled());
    QVERIFY(button("b_calib_remove_all")->isEnabled());
    QVERIFY(!button("b_calib_do_open")->isEnabled());
    QVERIFY(!button("b_calib_save_file")->isEnabled());
    QVERIFY(measureStandard("short", "b_calib_do_short", typeDone));
    QVERIFY(measureStandard("load", "b_calib_do_load", typeDone));
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

void tst_PagesEndToEnd::slotUploadRemoveAllDownload()
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
    QVERIFY(freshSweeps());
    QVERIFY2(readoutsShow({impedance100(), kSwr2}),
             qPrintable(markers()->entry(0)->readout() + " | " + markers()->entry(1)->readout()));
}

void tst_PagesEndToEnd::calibrationFilesThroughThePage()
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
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, '\x7f'));
    file.close();
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
    QVERIFY(freshSweeps());
    QVERIFY(readoutsShow({impedance100(), kSwr2}));
}

void tst_PagesEndToEnd::touchstoneTraceOnEveryView()
{
    auto* traces = qobject_cast<MW_Pages::PgTraces*>(m_window->page(ZCommon::ENavBarMenuPages::TRACES));
    const QString path = m_dir->path() + QStringLiteral("/dut.s1p");
    {
        TestSupport::DialogAnswer answer(path);
        QTest::mouseClick(button("b_trace_save_file"), Qt::LeftButton);
        QCOMPARE(answer.answered(), 1);
    }
    QVERIFY(QFile::exists(path));
    {
        TestSupport::DialogAnswer answer(path);
        QTest::mouseClick(button("b_trace_load_file"), Qt::LeftButton);
    }
    QCOMPARE(DataScanManager::traces().size(), 1);
    QCOMPARE(int(DataScanManager::traces().first().points.size()), int(DataScanManager::sweep().points()));
    QCOMPARE(traces->entry(0)->text(), QStringLiteral("dut"));
    for (ZChartView* v : m_window->chartViews()) {
        QCOMPARE(v->traceSeries().size(), 1);
        QVERIFY(v->traceSeries().first()->isVisible());
        QVERIFY2(v->traceSeries().first()->count() > 0, qPrintable(v->tag()));
    }
    QTest::mouseClick(button("b_remove_traces"), Qt::LeftButton);
    for (ZChartView* v : m_window->chartViews())
        QVERIFY(v->traceSeries().isEmpty());
}

void tst_PagesEndToEnd::deltaMarkerLosesItsReference()
{
    view()->marksTable()->removeAll();
    addMarker(1200, EMarkType::SWR);
    addMarker(1800, EMarkType::SWR);
    markers()->entry(0)->referenceBox()->setChecked(true);
    markers()->entry(1)->deltaBox()->setChecked(true);
    QCOMPARE(view()->marksTable()->marksData()[1].modifier, ZChart::EMarkModType::DELTA);
    QVERIFY(waitFor([this] { return !markers()->entry(1)->readout().contains(qtTrId("lp_mark_no_data")); }));

    QTest::mouseClick(markers()->entry(0)->removeButton(), Qt::LeftButton);
    QCOMPARE(view()->marksTable()->count(), 1);
    QVERIFY(markers()->entry(1)->isHidden());
    QVERIFY(markers()->entry(0)->isDelta());
    QVERIFY(readoutsShow({QRegularExpression::escape(qtTrId("lp_mark_no_data"))}));
}

void tst_PagesEndToEnd::languageSwitchFromTheSettingsPage()
{
    auto* box = m_window->findChild<QComboBox*>(QStringLiteral("comb_settings_lang"));
    box->setCurrentIndex(box->findData(QStringLiteral(":/translation/lumenpane_ru.qm")));
    QCOMPARE(button("b_remove_traces")->text(), QStringLiteral("Удалить трассы"));
    QCOMPARE(button("b_calib_remove_all")->text(), QStringLiteral("Удалить все"));
    // Headers, menu buttons, lists filled in code and the pages' own labels follow too.
    QTRY_COMPARE(m_window->pageHeaderLabel(2)->text(), QStringLiteral("Графики"));
    QCOMPARE(m_window->getUi()->menuButtons[6]->text(), QStringLiteral("Настройки"));
    QTRY_COMPARE(m_window->pgCharts()->typeBox()->itemText(int(EChartType::PHASE)), QStringLiteral("Фаза"));
    QTRY_COMPARE(m_window->getUi()->scrollWidgets[1]->findChild<QLabel*>(QStringLiteral("label_12"))->text(),
                 QStringLiteral("Полоса:"));
    QVERIFY(m_window->windowTitle().contains(qtTrId("lp_window_title")));
    QVERIFY(m_window->windowTitle().endsWith(QStringLiteral(TOLVEK_PROJECT_VERSION)));
    box->setCurrentIndex(box->findData(QStringLiteral(":/translation/lumenpane_en.qm")));
    QCOMPARE(button("b_remove_traces")->text(), QStringLiteral("Remove traces"));
    QTRY_COMPARE(m_window->pageHeaderLabel(2)->text(), QStringLiteral("Plots"));
}

void tst_PagesEndToEnd::presetRoundTrip()
{
    auto* interpolation = m_window->findChild<QCheckBox*>(QStringLiteral("cb_interpolation_enabled"));
    auto* language = m_window->findChild<QComboBox*>(QStringLiteral("comb_settings_lang"));
    const QString russian = QStringLiteral(":/translation/lumenpane_ru.qm");
    const QString english = QStringLiteral(":/translation/lumenpane_en.qm");
    interpolation->setChecked(true);
    language->setCurrentIndex(language->findData(russian));
    m_window->handleMenuButton(int(ZCommon::ENavBarMenuPages::MARKERS));
    const QString preset = ZCore::SettingsManager::userDir() + QStringLiteral("/bench.ini");
    {
        TestSupport::DialogAnswer answer(preset);
        QTest::mouseClick(button("b_profile_save_file"), Qt::LeftButton);
        QCOMPARE(answer.directory(), ZCore::SettingsManager::userDir());
    }
    QVERIFY(QFile::exists(preset));

    interpolation->setChecked(false);
    language->setCurrentIndex(language->findData(english));
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
    // The scan goes on with the loaded profile, and the markers come back from it.
    QVERIFY(freshSweeps());
    QVERIFY(waitFor([this] { return view() && view()->marksTable()->count() == 1; }));
    language->setCurrentIndex(language->findData(english));
}

void tst_PagesEndToEnd::saveImageOfTheSelectedView_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("written");
    QTest::newRow("png") << "view.png" << true;
    QTest::newRow("svg, upper case") << "view.SVG" << true;
    QTest::newRow("unsupported") << "view.bmp" << false;
    QTest::newRow("missing folder") << "nowhere/view.png" << false;
}

void tst_PagesEndToEnd::saveImageOfTheSelectedView()
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
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    if (name.endsWith(QLatin1String("png"))) {
        QImage image;
        QVERIFY(image.loadFromData(bytes, "PNG"));
        QCOMPARE(image.size(), charts->imageSaver()->imageSize());
        QCOMPARE(image.size(), QSize(1600, 1200));
    } else {
        QVERIFY(bytes.contains("<svg"));
    }
}

void tst_PagesEndToEnd::everyTextFitsAtTheSmallestWindow_data()
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
void tst_PagesEndToEnd::everyTextFitsAtTheSmallestWindow()
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

// The report button asks for title and note, then for the file; the markers page writes the table.
void tst_PagesEndToEnd::reportAndMarkerTableFromThePages()
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
    QVERIFY2(m_messages->contains({qtTrId("lp_report_cant_write"), m_dir->path() + QStringLiteral("/nowhere")}),
             qPrintable(m_messages->texts().join('|')));
    QVERIFY(!QDir(m_dir->path()).exists(QStringLiteral("nowhere")));
    QCOMPARE(saver->lastReport(), pdf);
    QCOMPARE(saver->lastDir(), QFileInfo(pdf).absolutePath());
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QProcess reader;
        reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(reader.waitForFinished(60000));
        const QString text = QString::fromUtf8(reader.readAllStandardOutput()).simplified();
        for (const QString& word : {QStringLiteral("Site 12 antenna"), QStringLiteral("Measured after the rain"),
                                    ZData::DeviceManager::deviceInfo().identifier, QStringLiteral("View 1: Smith")})
            QVERIFY2(text.contains(word), qPrintable(word));
    }

    const QString csv = m_dir->path() + QStringLiteral("/marks.csv");
    {
        TestSupport::DialogAnswer answer(csv);
        QTest::mouseClick(markers()->exportButton(), Qt::LeftButton);
        QCOMPARE(answer.answered(), 1);
    }
    QFile table(csv);
    QVERIFY(table.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = table.readAll().trimmed().split('\n');
    QCOMPARE(rows.size(), 2);
    QVERIFY2(rows[1].startsWith("View 1: Smith,1,") && rows[1].contains("R:") && rows[1].contains("| X:"),
             rows[1].constData());
    view()->marksTable()->removeAll();
}

void tst_PagesEndToEnd::calibrationButtonsThroughADisconnect()
{
    const QStringList deviceButtons = {"b_calib_remove_open", "b_calib_remove_all", "b_calib_download",
                                       "b_calib_open_file", "b_calib_upload"};
    auto* slot = m_window->findChild<QComboBox*>(QStringLiteral("comb_calib_slot"));
    slot->setCurrentIndex(slot->findData(2));
    QVERIFY(CalibrationManager::calibration().isComplete());
    for (const QString& name : deviceButtons)
        QVERIFY2(m_window->findChild<QPushButton*>(name)->isEnabled(), qPrintable(name));

    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    ZData::ConnectionManager::setAutoReconnect(true);
    QVERIFY(m_emulator->control(QStringLiteral("unplug")).startsWith(QLatin1String("ok")));
    QVERIFY(waitFor([] { return !ZData::DM::SerialPort::isOpen(); }, 10000));
    for (const QString& name : deviceButtons)
        QVERIFY2(!m_window->findChild<QPushButton*>(name)->isEnabled(), qPrintable(name));
    // Saving the calibration to a file needs no analyser.
    QVERIFY(button("b_calib_save_file")->isEnabled());

    // After the reconnection's start-up the buttons work again.
    QVERIFY(m_emulator->control(QStringLiteral("plug")).startsWith(QLatin1String("ok")));
    QVERIFY(waitFor([&] { return finished.count() >= 1; }, 30000));
    QVERIFY(waitFor([this] { return button("b_calib_download")->isEnabled(); }, 20000));
    QVERIFY(button("b_calib_open_file")->isEnabled());
}

QTEST_MAIN(tst_PagesEndToEnd)
#include "tst_PagesEndToEnd.moc"
