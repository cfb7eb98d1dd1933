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
    void pointsNeverBelowTwo();
};

void tst_RangeSliced::slicing_data()
{
    QTest::addColumn<quint32>("points");
    QTest::addColumn<QVector<int>>("sliceSizes");
    QTest::newRow("2") << 2u << QVector<int>{2};
    QTest::newRow("126") << 126u << QVector<int>{126};
    QTest::newRow("127") << 127u << QVector<int>{126, 1};
    QTest::newRow("1000") << 1000u << QVector<int>{126, 126, 126, 126, 126, 126, 126, 118};
}

void tst_RangeSliced::slicing()
{
    QFETCH(quint32, points);
    QFETCH(QVector<int>, sliceSizes);
    const double start = 1e9, stop = 3e9;
    RangeSliced sweep(start, stop, points);
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
    QCOMPARE(all.size(), int(points));
    const double step = (stop - start) / double(points - 1);
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

void tst_RangeSliced::pointsNeverBelowTwo()
{
    for (quint32 requested : {0u, 1u, 2u, 2048u}) {
        RangeSliced sweep(1e6, 1e6 + 1000, 5);
        sweep.setPoints(requested, false);
        QCOMPARE(sweep.points(), qMax(requested, 2u));
        QCOMPARE(RangeSliced(1e6, 2e6, requested).points(), qMax(requested, 2u));
    }
    // A zero span sweeps one frequency with the minimum step.
    RangeSliced zero(5e8, 5e8, 10);
    QCOMPARE(zero.step(), 0.001);
    for (quint64 f : zero.nextSlice())
        QCOMPARE(f, quint64(500000000));
}

QTEST_GUILESS_MAIN(tst_RangeSliced)
#include "tst_RangeSliced.moc"
