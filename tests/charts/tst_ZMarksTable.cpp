#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include "TestSupport.h"
#include "charts/DTFTransform.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "measurement/DataScanManager.h"

using namespace ZChart;
using ZData::TScanPoints;

namespace {

constexpr int POINTS = 201;

// 1 to 101 MHz in 0.5 MHz steps, magnitude growing with the index.
TScanPoints sweep()
{
    TScanPoints points(POINTS);
    for (int i = 0; i < POINTS; ++i) {
        points[i].frequency = quint64(1000000 + 500000 * i);
        points[i].re = 0.001f * i;
        points[i].im = 0.0005f;
    }
    return points;
}

void press(ZMark* mark, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(mark->scene(), &event);
}

} // namespace

class tst_ZMarksTable : public QObject
{
    Q_OBJECT

    std::unique_ptr<ZChartView> m_view;
    ZMarksTable* table() { return m_view->marksTable(); }

private slots:
    void initTestCase()
    {
        ZCore::initResources();
        QVERIFY(ZCore::LocalizationManager::init());
        QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
        TestSupport::setSweep(1e6, 101e6, POINTS);
    }

    void init()
    {
        m_view = std::make_unique<ZChartView>();
        m_view->resize(640, 480);
        m_view->show();
        m_view->setChartType(EChartType::LOG_MAG);
        m_view->refreshFrom(sweep());
    }

    void cleanup() { m_view.reset(); }

    void addRemoveRenumberSelect()
    {
        QSignalSpy created(m_view.get(), &ZChartView::signalCreatedMark);
        QSignalSpy removed(m_view.get(), &ZChartView::signalRemovedMark);
        for (int i = 0; i < 6; ++i)
            QVERIFY(m_view->addMark(10.0 + i));
        QVERIFY(!m_view->addMark(50.0));
        QCOMPARE(table()->count(), 6);
        QCOMPARE(created.count(), 6);
        QCOMPARE(created.last()[0].toInt(), 5);
        QCOMPARE(table()->selectedMark(), table()->mark(5));
        // 10 MHz is index 18 and its frequency is the point's own.
        QCOMPARE(table()->mark(0)->data().index, 18);
        QCOMPARE(table()->mark(0)->data().frequency, 10e6);

        ZMark* second = table()->mark(1);
        table()->removeMark(0);
        QCOMPARE(removed.last()[0].toInt(), 0);
        QCOMPARE(second->data().number, quint16(1));
        QCOMPARE(table()->mark(4)->data().number, quint16(5));
        QCOMPARE(table()->selectedMark(), second);
        const QVector<TMarkData> data = table()->marksData();
        QCOMPARE(std::count_if(data.begin(), data.end(), [](const TMarkData& d) { return d.selected; }), 1);
        table()->removeMark(9); // logged, nothing happens
        QCOMPARE(table()->count(), 5);

        // Emptied one by one or at once: nothing is left selected, and the table hides.
        while (!table()->isEmpty())
            table()->removeMark(0);
        QVERIFY(!table()->selectedMark() && !table()->isVisible());
        table()->selectMark(0); // an empty list has nothing to select

        // The arrow keys stop at both ends of the sweep; Delete removes the selected marker.
        QVERIFY(m_view->addMark(1.0));
        QVERIFY(m_view->addMark(101.0));
        ZMark* first = table()->mark(0);
        ZMark* last = table()->mark(1);
        QCOMPARE(first->data().index, 0);
        QCOMPARE(last->data().index, POINTS - 1);
        table()->selectMark(first);
        press(first, Qt::Key_Left);
        QCOMPARE(first->data().index, 0);
        press(first, Qt::Key_Right);
        QCOMPARE(first->data().index, 1);
        QCOMPARE(first->data().frequency, 1.5e6);
        table()->selectMark(last);
        press(last, Qt::Key_Right);
        QCOMPARE(last->data().index, POINTS - 1);
        press(last, Qt::Key_Delete);
        QCOMPARE(table()->count(), 1);
        table()->removeAll();
        QVERIFY(table()->isEmpty() && !table()->selectedMark());
    }

    void referenceAndDelta()
    {
        QSignalSpy setRef(m_view.get(), &ZChartView::signalSetRefMarker);
        QSignalSpy removedRef(m_view.get(), &ZChartView::signalRemovedRefMarker);
        for (double f : {10.0, 20.0, 30.0})
            QVERIFY(m_view->addMark(f));
        QVERIFY(table()->setMarkType(1, EMarkType::RE_IM));
        QVERIFY(table()->setReference(0, true));
        QVERIFY(table()->setDelta(1, true));
        QCOMPARE(table()->mark(1)->data().reference, table()->mark(0));
        QCOMPARE(table()->mark(1)->data().frequency_offset, 10.0);
        // Its own frequency, its offset from the reference, then the differences.
        const QStringList delta = table()->readouts()[1].split('\n');
        QVERIFY(delta[0].startsWith("F:") && delta[0].contains("20.00"));
        QVERIFY(delta[1].startsWith("Offset:") && delta[1].contains("+10.00"));
        QVERIFY(delta[2].startsWith("Re:") && delta[2].contains("+"));

        // A new reference demotes the old one: never two.
        QVERIFY(table()->setReference(2, true));
        QVERIFY(!table()->mark(0)->isReference());
        QCOMPARE(table()->referenceMark(), table()->mark(2));
        QCOMPARE(table()->mark(1)->data().reference, table()->mark(2));
        QCOMPARE(setRef.count(), 2);
        QCOMPARE(setRef.last()[0].toInt(), 2);

        // Turned off or removed, the reference leaves no dangling pointer; the delta reads "No data.".
        QVERIFY(table()->setReference(2, false));
        QCOMPARE(removedRef.count(), 1);
        QCOMPARE(table()->readouts()[1].section('\n', 1, 1), QString("No data."));
        QCOMPARE(table()->mark(1)->data().frequency_offset, 0.0);
        QVERIFY(table()->setReference(2, true) && table()->setDelta(1, true));
        QCOMPARE(table()->mark(1)->data().reference, table()->mark(2));
        table()->removeMark(2);
        QCOMPARE(removedRef.count(), 2);
        QVERIFY(!table()->mark(1)->data().reference);
        QCOMPARE(table()->mark(1)->data().frequency_offset, 0.0);
        QCOMPARE(table()->readouts()[1].section('\n', 1, 1), QString("No data."));
        QVERIFY(!table()->setReference(7, true));
    }

    void dtfPeaksAndGuard()
    {
        m_view->setChartType(EChartType::DTF);
        // A strong reflection at 100 ns and a weaker one at 300 ns: the second peak marker skips the
        // side lobes next to the first (inside its guard band) and finds the weaker reflection.
        TScanPoints points(POINTS);
        const double step = 0.5e6;
        for (int i = 0; i < POINTS; ++i) {
            const double f = i * step;
            std::complex<double> s =
                std::polar(0.8, -2 * M_PI * f * 2 * 100e-9) + std::polar(0.3, -2 * M_PI * f * 2 * 300e-9);
            points[i] = {quint64(1e6 + f), float(s.real()), float(s.imag())};
        }
        QVERIFY(m_view->addMark(0.0));
        QVERIFY(m_view->addMark(0.0));
        QVERIFY(table()->setMarkType(0, EMarkType::DTF_PEAK));
        QVERIFY(table()->setMarkType(1, EMarkType::DTF_PEAK));
        m_view->refreshFrom(points);
        const double first = table()->mark(0)->chartPoint().x();
        const double second = table()->mark(1)->chartPoint().x();
        const double bin = DTFTransform::maxTimeDisplay(m_view->config()->dtfConfig()) / 256;
        QVERIFY2(std::abs(first - 100.0) <= bin, qPrintable(QString::number(first)));
        QVERIFY2(std::abs(second - 300.0) <= bin, qPrintable(QString::number(second)));
        // The peaks read the reflections' levels, -1.9 and -10.5 dB, less the scalloping between bins.
        const double firstDb = table()->mark(0)->chartPoint().y(), secondDb = table()->mark(1)->chartPoint().y();
        QVERIFY2(firstDb < -1.8 && firstDb > -6.0, qPrintable(QString::number(firstDb)));
        QVERIFY2(secondDb < -10.3 && secondDb > -14.5, qPrintable(QString::number(secondDb)));
        QVERIFY(table()->readouts()[0].startsWith("Time:"));
    }

    void persistence()
    {
        QTemporaryDir dir;
        QSettings s(dir.filePath("marks.ini"), QSettings::IniFormat);
        for (double f : {10.0, 20.2, 30.0})
            QVERIFY(m_view->addMark(f));
        QVERIFY(table()->setReference(0, true));
        QVERIFY(table()->setDelta(2, true));
        QVERIFY(table()->setMarkType(1, EMarkType::SWR));
        table()->saveSettings(&s);
        // The frequency saved is the one the marker holds, though it reads the 20.0 MHz point.
        QCOMPARE(s.value("marks/2/freq").toDouble(), 20.2e6);

        ZChartView other;
        other.setChartType(EChartType::LOG_MAG);
        other.refreshFrom(sweep());
        QSignalSpy created(&other, &ZChartView::signalCreatedMark);
        other.marksTable()->restoreSettings(&s);
        QCOMPARE(created.count(), 3);
        QCOMPARE(other.marksTable()->count(), 3);
        QCOMPARE(other.marksTable()->mark(1)->data().frequency, 20.2e6);
        QCOMPARE(other.marksTable()->mark(1)->data().index, 38);
        QCOMPARE(other.marksTable()->mark(1)->markType(), EMarkType::SWR);
        QVERIFY(other.marksTable()->mark(0)->isReference());
        QVERIFY(other.marksTable()->mark(2)->isDelta());
        QCOMPARE(other.marksTable()->mark(2)->data().reference, other.marksTable()->mark(0));

        // More stored than a view can hold: the first six come back, the rest is not read.
        s.beginWriteArray("marks", 9);
        for (int i = 0; i < 9; ++i) {
            s.setArrayIndex(i);
            s.setValue("freq", 5e6 * (i + 1));
            s.setValue("type", 0);
            s.setValue("mod_type", 0xFFFF);
        }
        s.endArray();
        other.marksTable()->restoreSettings(&s);
        QCOMPARE(other.marksTable()->count(), ZMarksTable::MAX_MARKS);
    }

    void mouse()
    {
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        const QPointF middle = m_view->chart()->mapToPosition(QPointF(51.0, -40.0), m_view->mainSeries());
        const QPoint at = m_view->mapFromScene(middle);
        QTest::mouseDClick(m_view->viewport(), Qt::RightButton, Qt::NoModifier, at);
        QVERIFY(table()->isEmpty());
        QSignalSpy created(m_view.get(), &ZChartView::signalCreatedMark);
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(created.count(), 1);
        QVERIFY2(std::abs(table()->mark(0)->data().index - 100) <= 2,
                 qPrintable(QString::number(table()->mark(0)->data().index)));
        QVERIFY(m_view->addMark(10.0));
        QCOMPARE(table()->selectedMark(), table()->mark(1));
        // Pressing on a marker selects it.
        const QPoint on = m_view->mapFromScene(table()->mark(0)->scenePos() + QPointF(0, -8));
        QTest::mousePress(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, on);
        QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, on);
        QCOMPARE(table()->selectedMark(), table()->mark(0));

        ZChartView empty;
        empty.setChartType(EChartType::SWR);
        empty.resize(400, 300);
        empty.show();
        QVERIFY(QTest::qWaitForWindowExposed(&empty));
        QTest::mouseDClick(empty.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
        QVERIFY(empty.marksTable()->isEmpty());
    }

    void markersHoldTheirFrequency()
    {
        auto& range = ZData::DataScanManager::sweep();
        auto feed = [&](double startMHz, double stepMHz) {
            range.setStart(startMHz * 1e6, false);
            range.setStop((startMHz + stepMHz * (POINTS - 1)) * 1e6, false);
            TScanPoints points = sweep();
            for (int i = 0; i < POINTS; ++i)
                points[i].frequency = quint64((startMHz + stepMHz * i) * 1e6);
            m_view->refreshFrom(points);
        };
        auto firstLine = [this] { return table()->readouts()[0].section('\n', 0, 0); };
        QVERIFY(m_view->addMark(30.2));
        QVERIFY(m_view->addMark(50.0));
        QVERIFY(m_view->addMark(50.0));
        QVERIFY(table()->setMarkType(1, EMarkType::MAX_VALUE));
        QVERIFY(table()->setMarkType(2, EMarkType::MIN_VALUE));
        QCOMPARE(table()->mark(1)->data().index, POINTS - 1);
        QCOMPARE(table()->mark(1)->data().frequency, 101e6);
        QCOMPARE(table()->mark(2)->data().index, 0);
        ZMark* mark = table()->mark(0);
        QCOMPARE(mark->data().index, 58);
        // The readout names the point it reads, with digits enough for 0.5 MHz steps.
        QCOMPARE(firstLine().simplified(), QString("F: 30.00 MHz"));

        // Twice the span: the point is found again from 30.2 MHz, not kept by its number.
        feed(1.0, 1.0);
        QCOMPARE(mark->data().frequency, 30.2e6);
        QCOMPARE(mark->data().index, 29);
        QVERIFY(!mark->isOutOfRange());
        QCOMPARE(table()->mark(1)->data().index, POINTS - 1); // the search goes on
        // 5 kHz steps need three decimals to tell neighbours apart.
        feed(30.0, 0.005);
        QCOMPARE(mark->data().index, 40);
        QVERIFY(firstLine().contains("30.200 MHz"));

        // Outside the sweep: at the nearer end, and said so with the frequency held.
        feed(50.0, 0.5);
        QCOMPARE(mark->data().index, 0);
        QVERIFY(mark->isOutOfRange());
        QVERIFY(firstLine().contains("30.20") && firstLine().contains("out of range"));
        feed(1.0, 0.5);
        QCOMPARE(mark->data().index, 58);
        QVERIFY(!mark->isOutOfRange());
        // Never from a live analyser in this test: every readout says so.
        QVERIFY(table()->readouts()[0].endsWith(qtTrId("lp_mark_not_live")));

        // A shorter series than the sweep: markers are limited to the points actually shown.
        m_view->refreshFrom(sweep().mid(0, 50));
        QCOMPARE(table()->mark(1)->data().index, 49);
        // A sweep of no span has one place for every frequency.
        range.setStop(range.start(), false);
        QCOMPARE(table()->indexFromFrequency(50.0), 0);
        feed(1.0, 0.5);
        QCOMPARE(table()->indexFromFrequency(50.0), 98);
    }
};

QTEST_MAIN(tst_ZMarksTable)
#include "tst_ZMarksTable.moc"
