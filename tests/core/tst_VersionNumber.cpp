#include <QtTest>

#include "core/utility/VersionNumber.h"

using ZCore::UtilityModules::VersionNumber;

class tst_VersionNumber : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<quint32>("major");
        QTest::addColumn<quint32>("minor");
        QTest::addColumn<quint32>("build");

        const quint32 bad = 0xFFFFFFFFu;
        QTest::newRow("program") << "1.14.423" << true << 1u << 14u << 423u;
        QTest::newRow("zero") << "0.0.0" << true << 0u << 0u << 0u;
        QTest::newRow("leading zeros") << "01.002.3" << true << 1u << 2u << 3u;
        QTest::newRow("largest part") << "4294967295.0.1" << true << bad << 0u << 1u;
        QTest::newRow("two parts") << "1.2" << false << bad << bad << bad;
        QTest::newRow("four parts") << "1.2.3.4" << false << bad << bad << bad;
        QTest::newRow("letters") << "a.b.c" << false << bad << bad << bad;
        QTest::newRow("one letter") << "1.2.x" << false << bad << bad << bad;
        QTest::newRow("empty part") << "1..3" << false << bad << bad << bad;
        QTest::newRow("empty") << "" << false << bad << bad << bad;
        QTest::newRow("negative") << "1.-2.3" << false << bad << bad << bad;
        QTest::newRow("signed") << "+1.2.3" << false << bad << bad << bad;
        QTest::newRow("blank") << "1. 2.3" << false << bad << bad << bad;
        QTest::newRow("overflow") << "4294967296.0.0" << false << bad << bad << bad;
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(quint32, major);
        QFETCH(quint32, minor);
        QFETCH(quint32, build);
        const VersionNumber v(text);
        QCOMPARE(v.major(), major);
        QCOMPARE(v.minor(), minor);
        QCOMPARE(v.build(), build);
        if (valid)
            QCOMPARE(VersionNumber(v.toString()), v);
        else
            QCOMPARE(v, VersionNumber::invalid());
    }

    void text()
    {
        QCOMPARE(VersionNumber(2, 0, 17).toString(), QString("2.0.17"));
        QCOMPARE(VersionNumber::zero().toString(), QString("0.0.0"));
        QCOMPARE(VersionNumber::invalid().toString(), QString("4294967295.4294967295.4294967295"));
        QCOMPARE(VersionNumber::PARTS_COUNT, 3);
    }

    void ordering_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << "1.2.3"
                               << "1.2.3" << 0;
        QTest::newRow("build decides") << "1.2.3"
                                       << "1.2.4" << -1;
        QTest::newRow("minor beats build") << "1.3.0"
                                           << "1.2.999" << 1;
        QTest::newRow("major beats minor") << "2.0.0"
                                           << "1.99.99" << 1;
        QTest::newRow("numeric not textual") << "1.10.0"
                                             << "1.9.0" << 1;
        QTest::newRow("zero lowest") << "0.0.0"
                                     << "0.0.1" << -1;
        QTest::newRow("invalid highest") << "a.b.c"
                                         << "4294967295.4294967295.4294967294" << 1;
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
        // The comparisons must be consistent from the other side as well.
        QCOMPARE(y<x, order> 0);
        QCOMPARE(y >= x, order <= 0);
    }
};

QTEST_GUILESS_MAIN(tst_VersionNumber)
#include "tst_VersionNumber.moc"
