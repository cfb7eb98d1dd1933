#include <QtTest>

#include "devicelink/DeviceOptionsParser.h"

using namespace ZData;

namespace {
int g_warnings = 0;
}

class tst_DeviceOptionsParser : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected"); // parameters in stored order
        QTest::addColumn<int>("warnings");
        QTest::newRow("empty parts and order") << QByteArray(";;PR=2;;SR=5,6;") << "P2 S5-6" << 0;
        QTest::newRow("trailing terminator") << QByteArray("PR=3\0\0", 6) << "P3" << 0;
        QTest::newRow("SR with one value") << QByteArray("SR=100;PR=1") << "P1" << 1;
        QTest::newRow("SR reversed") << QByteArray("SR=10,5") << "" << 1;
        QTest::newRow("BW nothing parsable") << QByteArray("BW=x,,y") << "" << 1;
        QTest::newRow("BW too large skipped") << QByteArray("BW=5000000000,7") << "B7" << 0;
        QTest::newRow("embedded NUL") << QByteArray("SR=1\0,2;PR=5", 12) << "P5" << 1;
        QTest::newRow("unknown key and no equals") << QByteArray("XX=1,2;junk;PR=6") << "P6" << 2;
        QTest::newRow("invalid utf-8") << QByteArray("\xff\xfe=\xc3;PR=1") << "P1" << 1;
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QFETCH(int, warnings);
        g_warnings = 0;
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
                g_warnings += type == QtWarningMsg;
            });
        const QVector<TDeviceParam> params = DeviceOptionsParser::parse(text, QStringLiteral("T"));
        qInstallMessageHandler(previous);
        QStringList got;
        for (const TDeviceParam& p : params) {
            if (p.kind == EDeviceOptions::SCAN_RANGE)
                got << QStringLiteral("S%1-%2").arg(p.minFrequency).arg(p.maxFrequency);
            else if (p.kind == EDeviceOptions::PRESETS_COUNT)
                got << QStringLiteral("P%1").arg(p.presetsCount);
            else {
                QStringList bw;
                for (quint32 b : p.bandwidths)
                    bw << QString::number(b);
                got << QLatin1Char('B') + bw.join(QLatin1Char(','));
            }
        }
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
        QCOMPARE(g_warnings, warnings);
    }
};

QTEST_GUILESS_MAIN(tst_DeviceOptionsParser)
#include "tst_DeviceOptionsParser.moc"
