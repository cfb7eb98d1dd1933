#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "TestSupport.h"
#include "measurement/DataScanManager.h"
#include "measurement/TouchstoneFile.h"

using ZData::DataScanManager;
using ZData::TouchstoneFile;

// Touchstone as the trace store's third format: loaded traces carry their sweep limits, and a bad
// file never changes the list.
class TestTouchstoneTrace : public QObject
{
    Q_OBJECT

private slots:
    void init() { DataScanManager::reset(); }

    void loadsAsTrace()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("cable.s1p");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("! foreign tool\n# MHz S MA R 50\n100 0.5 0\n150 0.5 90\n200 0.25 180\n");
        file.close();

        QSignalSpy loaded(&DataScanManager::instance(), &DataScanManager::signalLoadedTrace);
        QVERIFY(DataScanManager::loadTouchstoneTrace(path, 0));
        QCOMPARE(loaded.count(), 1);
        const auto& trace = DataScanManager::traces().at(0);
        QCOMPARE(trace.pointCount, 3u);
        QCOMPARE(trace.start, 100e6);
        QCOMPARE(trace.stop, 200e6);
        QVERIFY(qAbs(trace.points[1].re) < 1e-6f);
        QVERIFY(qAbs(trace.points[1].im - 0.5f) < 1e-6f);
        QVERIFY(qAbs(trace.points[2].re + 0.25f) < 1e-6f);
    }

    void malformedLeavesListUnchanged_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("no data") << QByteArray("# Hz S RI R 50\n");
        QTest::newRow("truncated point") << QByteArray("# Hz S RI R 50\n1000 0.1\n");
        QTest::newRow("falling frequency") << QByteArray("# Hz S RI R 50\n2000 0 0\n1000 0 0\n");
        QTest::newRow("two-port") << QByteArray("# Hz S RI R 50\n1000 0 0 1 0 1 0 0 0\n");
    }

    void malformedLeavesListUnchanged()
    {
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        const QString good = dir.filePath("good.s1p");
        QVERIFY(TouchstoneFile::write(good, {{1000000, 0.1f, 0.2f}, {2000000, 0.3f, 0.4f}}));
        QVERIFY(DataScanManager::loadTouchstoneTrace(good, 0));

        const QString bad = dir.filePath("bad.s1p");
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        QVERIFY(!DataScanManager::loadTouchstoneTrace(bad, 1));
        QCOMPARE(DataScanManager::traces().size(), 1);
        QCOMPARE(DataScanManager::traces().at(0).pointCount, 2u);
    }
};

QTEST_GUILESS_MAIN(TestTouchstoneTrace)
#include "tst_TouchstoneTrace.moc"
