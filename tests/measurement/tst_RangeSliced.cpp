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
    void reachedEndBeforeLastSliceIsBuilt();
    void setters_data();
    void setters();
    void pointsNeverBelowTwo_data();
    void pointsNeverBelowTwo();
    void zeroSpanUsesMinimumStep();
    void deviceRangeDoesNotReclamp();
    void copiesCarryCursorAndStaySilent();
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
    const double start = 1e9;
    const double stop = 3e9;
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

void tst_RangeSliced::reachedEndBeforeLastSliceIsBuilt()
{
    RangeSliced sweep(1e6, 2e6, 130);
    sweep.nextSlice();
    quint32 cursorSeen = 999;
    connect(&sweep, &RangeSliced::signalReachedEnd, this, [&] { cursorSeen = sweep.sliceCursor(); });
    const auto last = sweep.nextSlice();
    QCOMPARE(cursorSeen, 0u); // already wrapped when the receiver ran
    QCOMPARE(last.size(), 4);
}

void tst_RangeSliced::setters_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("stop");
    QTest::addColumn<double>("center");
    QTest::addColumn<double>("span");
    // Base sweep: 1 GHz .. 3 GHz, limits 1 MHz .. 6.2 GHz.
    QTest::newRow("start below min") << "start" << 0.0 << 1e6 << 3e9 << (1e6 + 3e9) / 2 << 3e9 - 1e6;
    QTest::newRow("start inside") << "start" << 2e9 << 2e9 << 3e9 << 2.5e9 << 1e9;
    QTest::newRow("start above stop keeps span") << "start" << 4e9 << 4e9 << 6e9 << 5e9 << 2e9;
    QTest::newRow("start above stop capped at max") << "start" << 5e9 << 5e9 << 6.2e9 << 5.6e9 << 1.2e9;
    QTest::newRow("start above max") << "start" << 7e9 << 6.2e9 << 6.2e9 << 6.2e9 << 0.0;
    QTest::newRow("stop inside") << "stop" << 2e9 << 1e9 << 2e9 << 1.5e9 << 1e9;
    QTest::newRow("stop above max") << "stop" << 9e9 << 1e9 << 6.2e9 << 3.6e9 << 5.2e9;
    QTest::newRow("stop below start near min")
        << "stop" << 0.9e9 << 1e6 << 0.9e9 << (1e6 + 0.9e9) / 2 << 0.9e9 - 1e6;
    QTest::newRow("stop below start keeps span")
        << "start5-stop" << 4.5e9 << 3.3e9 << 4.5e9 << 3.9e9 << 1.2e9;
    QTest::newRow("center inside") << "center" << 2.5e9 << 1.5e9 << 3.5e9 << 2.5e9 << 2e9;
    QTest::newRow("center near min shrinks span")
        << "center" << 0.5e9 << 1e6 << 1e9 - 1e6 << 0.5e9 << 1e9 - 2e6;
    QTest::newRow("center near max shrinks span") << "center" << 6e9 << 5.8e9 << 6.2e9 << 6e9 << 0.4e9;
    QTest::newRow("center below min") << "center" << 0.0 << 1e6 << 1e6 << 1e6 << 0.0;
    QTest::newRow("span inside") << "span" << 1e9 << 1.5e9 << 2.5e9 << 2e9 << 1e9;
    QTest::newRow("span too wide") << "span" << 1e10 << 1e6 << 6.2e9 << 3.1005e9 << 6.2e9 - 1e6;
    QTest::newRow("span negative") << "span" << -5.0 << 2e9 << 2e9 << 2e9 << 0.0;
    QTest::newRow("span moves center up") << "span" << 4.1e9 << 1e6 << 4.101e9 << 2.051e9 << 4.1e9;
}

void tst_RangeSliced::setters()
{
    QFETCH(QString, op);
    QFETCH(double, value);
    QFETCH(double, start);
    QFETCH(double, stop);
    QFETCH(double, center);
    QFETCH(double, span);
    RangeSliced sweep(1e9, 3e9, 201);
    if (op == "start5-stop")
        sweep.setStart(5e9, false);
    QSignalSpy updated(&sweep, &RangeSliced::signalUpdated);
    if (op == "start")
        sweep.setStart(value, true);
    else if (op == "stop" || op == "start5-stop")
        sweep.setStop(value, true);
    else if (op == "center")
        sweep.setCenter(value, true);
    else
        sweep.setSpan(value, true);
    QCOMPARE(updated.count(), 1);
    auto check = [](const char* what, double got, double want) {
        if (qAbs(got - want) > 1e-3)
            QFAIL(qPrintable(
                QString("%1: got %2, want %3").arg(what).arg(got, 0, 'f', 3).arg(want, 0, 'f', 3)));
    };
    check("start", sweep.start(), start);
    check("stop", sweep.stop(), stop);
    check("center", sweep.center(), center);
    check("span", sweep.span(), span);
    const double step = span / 200.0 > 0.001 ? span / 200.0 : 0.001;
    check("step", sweep.step(), step);
    // Silent setters change the same way without a signal.
    sweep.setPoints(11, false);
    QCOMPARE(updated.count(), 1);
}

void tst_RangeSliced::pointsNeverBelowTwo_data()
{
    QTest::addColumn<quint32>("requested");
    QTest::addColumn<quint32>("stored");
    QTest::newRow("0") << 0u << 2u;
    QTest::newRow("1") << 1u << 2u;
    QTest::newRow("2") << 2u << 2u;
    QTest::newRow("2048") << 2048u << 2048u;
}

void tst_RangeSliced::pointsNeverBelowTwo()
{
    QFETCH(quint32, requested);
    QFETCH(quint32, stored);
    RangeSliced sweep(1e6, 1e6 + 1000, 5);
    sweep.setPoints(requested, false);
    QCOMPARE(sweep.points(), stored);
    RangeSliced built(1e6, 2e6, requested);
    QCOMPARE(built.points(), stored);
}

void tst_RangeSliced::zeroSpanUsesMinimumStep()
{
    RangeSliced sweep(5e8, 5e8, 10);
    QCOMPARE(sweep.step(), 0.001);
    const auto slice = sweep.nextSlice();
    QCOMPARE(slice.size(), 10);
    for (quint64 f : slice)
        QCOMPARE(f, quint64(500000000));
}

void tst_RangeSliced::deviceRangeDoesNotReclamp()
{
    RangeSliced sweep(1e9, 3e9, 101);
    QSignalSpy updated(&sweep, &RangeSliced::signalUpdated);
    sweep.setDeviceRange(2e9, 2.5e9);
    QCOMPARE(sweep.start(), 1e9);
    QCOMPARE(sweep.stop(), 3e9);
    QCOMPARE(sweep.step(), 2e7);
    QCOMPARE(sweep.maxSpan(), 0.5e9);
    QCOMPARE(updated.count(), 0);
    sweep.setStart(1e9, false); // the next setter clamps into the new limits
    QCOMPARE(sweep.start(), 2e9);
}

void tst_RangeSliced::copiesCarryCursorAndStaySilent()
{
    RangeSliced sweep(1e9, 3e9, 300);
    sweep.nextSlice();
    RangeSliced copy(sweep);
    QCOMPARE(copy.sliceCursor(), 126u);
    QCOMPARE(copy.points(), 300u);
    QSignalSpy updated(&sweep, &RangeSliced::signalUpdated);
    RangeSliced assigned;
    assigned = sweep;
    QCOMPARE(assigned.start(), 1e9);
    QCOMPARE(updated.count(), 0);
    RangeSliced empty;
    QCOMPARE(empty.points(), 0u);
    QCOMPARE(empty.deviceRange().second, 6.2e9);
}

QTEST_GUILESS_MAIN(tst_RangeSliced)
#include "tst_RangeSliced.moc"
