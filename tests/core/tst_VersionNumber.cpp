#include <QtTest>

#include "core/AppVersion.h"
#include "core/utility/VersionNumber.h"

using ZCore::UtilityModules::VersionNumber;

class tst_VersionNumber : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parts"); // empty: refused
        QTest::newRow("program") << QString("1.14.423") << QString("1 14 423");
        QTest::newRow("leading zeros") << QString("01.002.3") << QString("1 2 3");
        for (const char* bad : {"1.2", "1.2.3.4", "a.b.c", "1..3", "+1.2.3", "4294967296.0.0"})
            QTest::newRow(bad) << QString(bad) << QString();
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, parts);
        const VersionNumber v(text);
        if (parts.isEmpty()) {
            QCOMPARE(v, VersionNumber::invalid());
        } else {
            QCOMPARE(QString("%1 %2 %3").arg(v.major()).arg(v.minor()).arg(v.build()), parts);
            QCOMPARE(VersionNumber(v.toString()), v);
        }
    }

    void ordering_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << QString("1.2.3") << QString("1.2.3") << 0;
        QTest::newRow("minor beats build") << QString("1.3.0") << QString("1.2.999") << 1;
        QTest::newRow("numeric not textual") << QString("1.10.0") << QString("1.9.0") << 1;
        QTest::newRow("invalid highest")
            << QString("a.b.c") << QString("4294967295.4294967295.4294967294") << 1;
    }

    void ordering()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const VersionNumber x(a), y(b);
        QCOMPARE(x == y, order == 0);
        QCOMPARE(x != y, order != 0);
        QCOMPARE(x < y, order < 0);
        QCOMPARE(x <= y, order <= 0);
        QCOMPARE(x > y, order > 0);
        QCOMPARE(x >= y, order >= 0);
        QCOMPARE(y<x, order> 0);
    }

    // The version the window, the about page and the report name is the one the project was built as.
    void programVersionFromTheBuild()
    {
        QCOMPARE(ZCore::AppVersion::text(), QString(TOLVEK_PROJECT_VERSION));
        QVERIFY(ZCore::AppVersion::number().isValid());
    }
};

QTEST_GUILESS_MAIN(tst_VersionNumber)
#include "tst_VersionNumber.moc"
