#include <QtTest>

#include "devicelink/DeviceEnumPrinter.h"
#include "devicelink/DeviceOptionsParser.h"

using namespace ZData;

Q_DECLARE_METATYPE(QVector<quint32>)

class tst_DeviceOptionsParser : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("kinds"); // S, B, P in the order stored
        QTest::addColumn<quint64>("fmin");
        QTest::addColumn<quint64>("fmax");
        QTest::addColumn<QVector<quint32>>("bandwidths");
        QTest::addColumn<int>("presets");
        QTest::addColumn<int>("warnings");
        const QVector<quint32> none;
        QTest::newRow("documented example")
            << QByteArray("SR=1000000,6000000000;BW=10,x,100;PR=4") << "SBP" << quint64(1000000)
            << quint64(6000000000ull) << QVector<quint32>{10, 100} << 4 << 0;
        QTest::newRow("empty parts and order")
            << QByteArray(";;PR=2;;SR=5,6;") << "PS" << quint64(5) << quint64(6) << none << 2 << 0;
        QTest::newRow("trailing terminator")
            << QByteArray("PR=3\0\0", 6) << "P" << quint64(0) << quint64(0) << none << 3 << 0;
        QTest::newRow("SR with one value")
            << QByteArray("SR=100;PR=1") << "P" << quint64(0) << quint64(0) << none << 1 << 1;
        QTest::newRow("SR empty") << QByteArray("SR=") << "" << quint64(0) << quint64(0) << none << 0 << 1;
        QTest::newRow("SR not numbers")
            << QByteArray("SR=a,b") << "" << quint64(0) << quint64(0) << none << 0 << 1;
        QTest::newRow("SR negative") << QByteArray("SR=-5,10") << "" << quint64(0) << quint64(0) << none << 0
                                     << 1;
        QTest::newRow("SR reversed") << QByteArray("SR=10,5") << "" << quint64(0) << quint64(0) << none << 0
                                     << 1;
        QTest::newRow("BW nothing parsable")
            << QByteArray("BW=x,,y") << "" << quint64(0) << quint64(0) << none << 0 << 1;
        QTest::newRow("BW too large skipped") << QByteArray("BW=5000000000,7") << "B" << quint64(0)
                                              << quint64(0) << QVector<quint32>{7} << 0 << 0;
        QTest::newRow("PR not a number")
            << QByteArray("PR=four") << "" << quint64(0) << quint64(0) << none << 0 << 1;
        QTest::newRow("embedded NUL")
            << QByteArray("SR=1\0,2;PR=5", 12) << "P" << quint64(0) << quint64(0) << none << 5 << 1;
        QTest::newRow("unknown key and no equals")
            << QByteArray("XX=1,2;junk;PR=6") << "P" << quint64(0) << quint64(0) << none << 6 << 2;
        QTest::newRow("empty text") << QByteArray() << "" << quint64(0) << quint64(0) << none << 0 << 0;
        QTest::newRow("invalid utf-8")
            << QByteArray("\xff\xfe=\xc3;PR=1") << "P" << quint64(0) << quint64(0) << none << 1 << 1;
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, kinds);
        QFETCH(quint64, fmin);
        QFETCH(quint64, fmax);
        QFETCH(QVector<quint32>, bandwidths);
        QFETCH(int, presets);
        QFETCH(int, warnings);
        int warned = 0;
        static int* counter = nullptr;
        counter = &warned;
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
                if (type == QtWarningMsg && counter)
                    ++*counter;
            });
        const QVector<TDeviceParam> params = DeviceOptionsParser::parse(text, QStringLiteral("T"));
        qInstallMessageHandler(previous);
        counter = nullptr;
        QString got;
        for (const TDeviceParam& p : params) {
            switch (p.kind) {
            case EDeviceOptions::SCAN_RANGE:
                got += QLatin1Char('S');
                QCOMPARE(p.minFrequency, fmin);
                QCOMPARE(p.maxFrequency, fmax);
                break;
            case EDeviceOptions::BANDWIDTH:
                got += QLatin1Char('B');
                QCOMPARE(p.bandwidths, bandwidths);
                break;
            case EDeviceOptions::PRESETS_COUNT:
                got += QLatin1Char('P');
                QCOMPARE(int(p.presetsCount), presets);
                break;
            }
        }
        QCOMPARE(got, kinds);
        QCOMPARE(warned, warnings);
    }

    void enumPrinter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("warning");
        QTest::newRow("command") << DeviceEnumPrinter::commandName(0xDA00) << "DA_GET_SCAN_DATA"
                                 << "";
        QTest::newRow("unknown command")
            << DeviceEnumPrinter::commandName(0x1234) << "4660"
            << "DeviceEnumPrinter >> got unknown value of [ EDeviceCommands ]: 4660";
        QTest::newRow("state") << DeviceEnumPrinter::stateName(6) << "DMM::EStates::E_PACKET_FAILED"
                               << "";
        QTest::newRow("unknown state") << DeviceEnumPrinter::stateName(16) << "16"
                                       << "DeviceEnumPrinter >> got unknown value of [ DMM::EStates ]: 16";
        QTest::newRow("device type") << DeviceEnumPrinter::toString(EDeviceTypes(9)) << "TOLVEK_VNA_QRT"
                                     << "";
        QTest::newRow("unknown type") << DeviceEnumPrinter::toString(EDeviceTypes(0xFF)) << "255"
                                      << "DeviceEnumPrinter >> got unknown value of [ EDeviceTypes ]: 255";
    }
    void enumPrinter()
    {
        // the rows above already printed; reprint the unknown ones to see the warning
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QFETCH(QString, warning);
        QCOMPARE(text, expected);
        if (!warning.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
            if (warning.contains(QLatin1String("EDeviceCommands")))
                DeviceEnumPrinter::commandName(expected.toUShort());
            else if (warning.contains(QLatin1String("DMM")))
                DeviceEnumPrinter::stateName(expected.toUShort());
            else
                DeviceEnumPrinter::toString(EDeviceTypes(expected.toUShort()));
        }
    }
};

QTEST_GUILESS_MAIN(tst_DeviceOptionsParser)
#include "tst_DeviceOptionsParser.moc"
