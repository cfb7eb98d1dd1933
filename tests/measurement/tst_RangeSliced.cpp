#include <QSignalSpy>
#include <QtTest>

#include "measurement/RangeSliced.h"

using ZData::DS::RangeSliced;

class tst_RangeSliced : public QObject
{
    Q_OBJECT

private slots:
    void slicing_data();
    void slicing();
    void setters_data();
    void setters();
};

void tst_RangeSliced::slicing_data()
{
    QTest::addColumn<quint32>("points"); // asked for; never fewer than 2
    QTest::addColumn<double>("span");
    QTest::addColumn<QVector<int>>("sliceSizes");
    QTest::newRow("0") << 0u << 2e9 << QVector<int>{2};
    QTest::newRow("1") << 1u << 2e9 << QVector<int>{2};
    QTest::newRow("2") << 2u << 2e9 << QVector<int>{2};
    QTest::newRow("126") << 126u << 2e9 << QVector<int>{126};
    QTest::newRow("127") << 127u << 2e9 << QVector<int>{126, 1};
    QTest::newRow("1000") << 1000u << 2e9 << QVector<int>{126, 126, 126, 126, 126, 126, 126, 118};
    QTest::newRow("2048") << 2048u << 2e9 << QVector<int>(16, 126) + QVector<int>{32};
    QTest::newRow("zero span: one frequency") << 10u << 0.0 << QVector<int>{10};
}

void tst_RangeSliced::slicing()
{
    QFETCH(quint32, points);
    QFETCH(double, span);
    QFETCH(QVector<int>, sliceSizes);
    const double start = 1e9, stop = start + span;
    RangeSliced sweep(start, stop, points);
    RangeSliced set(start, stop, 5);
    set.setPoints(points, false);
    QCOMPARE(set.points(), qMax(points, 2u));
    QCOMPARE(sweep.points(), qMax(points, 2u));
    QSignalSpy ends(&sweep, &RangeSliced::signalReachedEnd);
    QVector<quint64> all;
    // Two rounds: the cursor must wrap to the first slice after the last one.
    for (int round = 0; round < 2; ++round) {
        for (int s = 0; s < sliceSizes.size(); ++s) {
            const QVector<quint64> slice = sweep.nextSlice();
            QCOMPARE(slice.size(), sliceSizes[s]);
            QCOMPARE(ends.count(), round + (s == sliceSizes.size() - 1 ? 1 : 0));
            if (round == 0)
                all += slice;
        }
        QCOMPARE(sweep.sliceCursor(), 0u);
    }
    QCOMPARE(all.size(), int(sweep.points()));
    QCOMPARE(sweep.step(), qMax(span / (sweep.points() - 1), 0.001));
    const double step = span / double(sweep.points() - 1);
    for (int k = 0; k < all.size(); ++k)
        QCOMPARE(all[k], quint64(start + k * step));
    QVERIFY(qAbs(double(all.last()) - stop) <= 1.0);
}

void tst_RangeSliced::setters_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("stop");
    QTest::addColumn<double>("span");
    // Base sweep: 1 GHz .. 3 GHz, limits 1 MHz .. 6.2 GHz.
    QTest::newRow("start below min") << "start" << 0.0 << 1e6 << 3e9 << 3e9 - 1e6;
    QTest::newRow("start above stop keeps span") << "start" << 4e9 << 4e9 << 6e9 << 2e9;
    QTest::newRow("start above stop capped at max") << "start" << 5e9 << 5e9 << 6.2e9 << 1.2e9;
    QTest::newRow("stop above max") << "stop" << 9e9 << 1e9 << 6.2e9 << 5.2e9;
    QTest::newRow("stop below start near min") << "stop" << 0.9e9 << 1e6 << 0.9e9 << 0.9e9 - 1e6;
    QTest::newRow("center near min shrinks span") << "center" << 0.5e9 << 1e6 << 1e9 - 1e6 << 1e9 - 2e6;
    QTest::newRow("span too wide") << "span" << 1e10 << 1e6 << 6.2e9 << 6.2e9 - 1e6;
}

void tst_RangeSliced::setters()
{
    QFETCH(QString, op);
    QFETCH(double, value);
    QFETCH(double, start);
    QFETCH(double, stop);
    QFETCH(double, span);
    RangeSliced sweep(1e9, 3e9, 201);
    QSignalSpy updated(&sweep, &RangeSliced::signalUpdated);
    if (op == "start")
        sweep.setStart(value, true);
    else if (op == "stop")
        sweep.setStop(value, true);
    else if (op == "center")
        sweep.setCenter(value, true);
    else
        sweep.setSpan(value, true);
    QCOMPARE(updated.count(), 1);
    QVERIFY(qAbs(sweep.start() - start) < 1e-3);
    QVERIFY(qAbs(sweep.stop() - stop) < 1e-3);
    QVERIFY(qAbs(sweep.span() - span) < 1e-3);
    QVERIFY(qAbs(sweep.center() - (start + stop) / 2) < 1e-3);
    QVERIFY(qAbs(sweep.step() - qMax(span / 200.0, 0.001)) < 1e-6);
}

QTEST_GUILESS_MAIN(tst_RangeSliced)
#include "tst_RangeSliced.moc"
