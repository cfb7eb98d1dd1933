#include <QSignalSpy>
#include <QtTest>

#include "charts/ZChartConfig.h"
#include "ui/ChartArrangement.h"
#include "ui/ChartLayoutModel.h"

using Ui::ChartArrangement;
using Ui::ChartLayoutModel;
using ZChart::EChartType;

class tst_ChartLayoutModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<EChartType>(); }
    void signalsOncePerChange();
    void restoreBadValues_data();
    void restoreBadValues();
};

void tst_ChartLayoutModel::signalsOncePerChange()
{
    ChartLayoutModel model;
    QSignalSpy arranged(&model, &ChartLayoutModel::signalArrangementChanged);
    QSignalSpy selected(&model, &ChartLayoutModel::signalSelectedViewChanged);
    QSignalSpy typed(&model, &ChartLayoutModel::signalChartTypeChanged);

    // Before any arrangement every view is shown; nothing is selected.
    QCOMPARE(model.selectedView(), -1);
    QVERIFY(model.selectView(3));
    QVERIFY(model.selectView(3));
    QCOMPARE(selected.count(), 1);

    QVERIFY(model.setArrangement(9));
    QVERIFY(model.setArrangement(9));
    QVERIFY(!model.setArrangement(-1));
    QVERIFY(!model.setArrangement(ChartArrangement::COUNT));
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
    connect(&model, &ChartLayoutModel::signalArrangementChanged, [&order] { order << 1; });
    connect(&model, &ChartLayoutModel::signalSelectedViewChanged, [&order] { order << 2; });
    QVERIFY(model.setArrangement(0));
    QCOMPARE(order, (QVector<int>{1, 2}));
    QCOMPARE(selected.count(), 2);
    QCOMPARE(selected.last().first().toInt(), 0);
    QVERIFY(!model.isShown(3));
    QVERIFY(!model.selectView(1));
    QVERIFY(model.setArrangement(5)); // UL still shown: the selection stays
    QCOMPARE(selected.count(), 2);
}

void tst_ChartLayoutModel::restoreBadValues_data()
{
    QTest::addColumn<QVariant>("arrangement"); // invalid QVariant: the key is missing
    QTest::addColumn<QVariant>("selected");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("wantArrangement");
    QTest::addColumn<int>("wantSelect");

    const int all = ChartArrangement::COUNT - 1;
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

void tst_ChartLayoutModel::restoreBadValues()
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

    ChartLayoutModel model;
    if (before >= 0)
        QVERIFY(model.setArrangement(before));
    QTEST(model.restore(settings), "wantSelect");
    QTEST(model.arrangement(), "wantArrangement");

    // What is saved reads back the same.
    QVERIFY(model.selectView(qMax(0, model.restore(settings))));
    QSettings copy(dir.filePath("copy.ini"), QSettings::IniFormat);
    model.save(copy);
    ChartLayoutModel other;
    QCOMPARE(other.restore(copy), model.selectedView());
    QCOMPARE(other.arrangement(), model.arrangement());
}

QTEST_GUILESS_MAIN(tst_ChartLayoutModel)
#include "tst_ChartLayoutModel.moc"
