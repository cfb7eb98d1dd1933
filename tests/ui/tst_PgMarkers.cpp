#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include "PageTestSupport.h"
#include "TestSupport.h"
#include "charts/ChartEnumPrinter.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "charts/ZMarksTable.h"
#include "measurement/DataScanManager.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowUi.h"
#include "ui/components/ClampedLineEdit.h"
#include "ui/components/MarkListEntry.h"
#include "ui/pages/PgMarkers.h"

using MW_Pages::PgMarkers;
using Ui::Components::MarkListEntry;
using ZChart::EChartType;
using ZChart::EMarkType;
using ZChart::ZChartView;
using ZData::DataScanManager;

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

} // namespace

class tst_PgMarkers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void inputWaitsForData();
    void typeChoicesFollowTheChartType_data();
    void typeChoicesFollowTheChartType();
    void removalKeepsEntriesOnTheirMarkers_data();
    void removalKeepsEntriesOnTheirMarkers();
    void sixthMarkerClosesTheInput();
    void badPositionIsReported();
    void inputLabelsFollowTheView();

private:
    ZChartView* view() const { return m_window->chartView(0); }
    void addMarkThroughPage(double position);

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::CapturedMessages> m_messages;
    std::unique_ptr<MainWindow> m_window;
    PgMarkers* m_page = nullptr;
};

void tst_PgMarkers::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    m_messages = std::make_unique<TestSupport::CapturedMessages>();
    QVERIFY(TestSupport::initAllManagers());
    m_window = std::make_unique<MainWindow>();
    m_page = qobject_cast<PgMarkers*>(m_window->page(ZCommon::ENavBarMenuPages::MARKERS));
    QVERIFY(m_page && m_page->isInitialized());
    m_window->selectChartView(0, true);
    QCOMPARE(m_page->followedView(), view());
}

void tst_PgMarkers::init()
{
    m_messages->clear();
    view()->marksTable()->removeAll();
    view()->setChartType(EChartType::LOG_MAG);
}

void tst_PgMarkers::cleanupTestCase()
{
    m_window.reset();
}

void tst_PgMarkers::addMarkThroughPage(double position)
{
    m_page->positionEdit()->setText(QString::number(position, 'f', 2));
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("b_add_mark_freq")), Qt::LeftButton);
}

void tst_PgMarkers::inputWaitsForData()
{
    // No sweep has been drawn yet: nothing to put a marker on.
    QVERIFY(!view()->hasData());
    QVERIFY(!m_page->positionEdit()->isEnabled());
    QVERIFY(!m_window->findChild<QCheckBox*>(QStringLiteral("cb_show_marks"))->isEnabled());
    QVERIFY(!m_window->findChild<QPushButton*>(QStringLiteral("b_add_mark_freq"))->isEnabled());
    view()->refreshFrom(sweepPoints());
    m_page->slotRetrievedMarksData();
    QVERIFY(m_page->positionEdit()->isEnabled());
    QVERIFY(m_window->findChild<QCheckBox*>(QStringLiteral("cb_show_marks"))->isEnabled());
}

void tst_PgMarkers::typeChoicesFollowTheChartType_data()
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

void tst_PgMarkers::typeChoicesFollowTheChartType()
{
    QFETCH(EChartType, type);
    QFETCH(int, offeredType);
    QFETCH(int, refusedType);
    view()->refreshFrom(sweepPoints());
    addMarkThroughPage(1500);
    QCOMPARE(view()->marksTable()->count(), 1);

    // The existing marker's entry is offered the new chart type's readouts.
    view()->setChartType(type);
    MarkListEntry* entry = m_page->entry(0);
    QVERIFY(!entry->isHidden());
    const QVector<int> types = offered(entry);
    QVERIFY(types.contains(offeredType));
    QVERIFY(!types.contains(refusedType));
    QCOMPARE(types.size(), view()->config()->allowedMarkTypes(type).size());
    QCOMPARE(entry->typeBox()->itemText(types.indexOf(offeredType)),
             ZChart::ChartEnumPrinter::displayName(EMarkType(offeredType)).simplified());

    // Choosing one reaches the marker.
    entry->typeBox()->setCurrentIndex(types.indexOf(offeredType));
    QCOMPARE(int(view()->marksTable()->marksData().first().type), offeredType);
    // However long the names, the entry fits the side panel.
    QVERIFY(entry->minimumSizeHint().width() < Ui::MainWindowUi::SIDE_PANEL_WIDTH - 20);
}

void tst_PgMarkers::removalKeepsEntriesOnTheirMarkers_data()
{
    QTest::addColumn<int>("removed");
    QTest::newRow("start") << 0;
    QTest::newRow("middle") << 2;
    QTest::newRow("end") << 4;
}

void tst_PgMarkers::removalKeepsEntriesOnTheirMarkers()
{
    QFETCH(int, removed);
    view()->refreshFrom(sweepPoints());
    QVector<int> types = {int(EMarkType::RE_IM), int(EMarkType::MAG), int(EMarkType::LMAG),
                          int(EMarkType::SWR), int(EMarkType::IMPED)};
    for (int i = 0; i < types.size(); ++i) {
        addMarkThroughPage(1100 + 200 * i);
        QComboBox* box = m_page->entry(i)->typeBox();
        box->setCurrentIndex(box->findData(types[i]));
    }
    ZChart::ZMarksTable* table = view()->marksTable();
    QCOMPARE(table->count(), 5);
    const QStringList before = table->readouts();

    QTest::mouseClick(m_page->entry(removed)->removeButton(), Qt::LeftButton);
    types.removeAt(removed);
    QStringList expectedReadouts = before;
    expectedReadouts.removeAt(removed);
    QCOMPARE(table->count(), 4);
    for (int i = 0; i < PgMarkers::LIST_SIZE; ++i) {
        MarkListEntry* entry = m_page->entry(i);
        QCOMPARE(entry->isHidden(), i >= 4);
        if (i >= 4)
            continue;
        QCOMPARE(entry->currentType(), types[i]);
        QCOMPARE(int(table->marksData()[i].type), types[i]);
        QCOMPARE(entry->readout(), expectedReadouts[i]);
    }
}

void tst_PgMarkers::sixthMarkerClosesTheInput()
{
    view()->refreshFrom(sweepPoints());
    auto* add = m_window->findChild<QPushButton*>(QStringLiteral("b_add_mark_freq"));
    auto* removeAll = m_window->findChild<QPushButton*>(QStringLiteral("b_remove_marks"));
    QVERIFY(!removeAll->isEnabled());
    for (int i = 0; i < 6; ++i)
        addMarkThroughPage(1000 + 100 * i);
    QCOMPARE(view()->marksTable()->count(), 6);
    QVERIFY(!add->isEnabled());
    QVERIFY(!m_page->positionEdit()->isEnabled());
    QVERIFY(removeAll->isEnabled());
    QTest::mouseClick(removeAll, Qt::LeftButton);
    QCOMPARE(view()->marksTable()->count(), 0);
    QVERIFY(!removeAll->isEnabled());
    QVERIFY(add->isEnabled());
    for (int i = 0; i < PgMarkers::LIST_SIZE; ++i)
        QVERIFY(m_page->entry(i)->isHidden());
}

void tst_PgMarkers::badPositionIsReported()
{
    view()->refreshFrom(sweepPoints());
    m_page->positionEdit()->setText(QStringLiteral("1x5"));
    m_page->slotAddNewMark();
    QVERIFY(m_messages->contains({qtTrId("lp_err_enter_bad_freq")}));
    QCOMPARE(view()->marksTable()->count(), 0);
}

void tst_PgMarkers::inputLabelsFollowTheView()
{
    view()->refreshFrom(sweepPoints());
    auto* title = m_window->findChild<QLabel*>(QStringLiteral("l_add_mark_title"));
    auto* units = m_window->findChild<QLabel*>(QStringLiteral("l_add_mark_units"));
    QCOMPARE(units->text(), ZChart::ChartEnumPrinter::unitName(view()->targetUnit()));
    const QString frequencyUnit = units->text();
    view()->setChartType(EChartType::DTF);
    QCOMPARE(title->text(), ZChart::ChartEnumPrinter::labelName(view()->targetLabel()) + ':');
    QCOMPARE(units->text(), ZChart::ChartEnumPrinter::unitName(view()->targetUnit()));
    QVERIFY(units->text() != frequencyUnit);
    // The input accepts the DTF window and starts at its lower end.
    const QPair<double, double> range = view()->horizontalRange();
    QCOMPARE(m_page->positionEdit()->text(), QString::number(range.first, 'f', 2));
}

QTEST_MAIN(tst_PgMarkers)
#include "tst_PgMarkers.moc"
