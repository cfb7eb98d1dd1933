#include <QtTest>

#include "remote/RemoteCommandParser.h"
#include "remote/RemoteErrorQueue.h"
#include "remote/RemoteText.h"

using namespace ZRemote;
using P = RemoteCommandParser;

class tst_RemoteCommandParser : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("header"); // keywords with suffixes, '?' for a query
        QTest::addColumn<QStringList>("arguments");
        const int ok = int(P::EResult::OK);
        const int bad = int(P::EResult::MALFORMED);
        const int empty = int(P::EResult::EMPTY);
        QTest::newRow("common query") << QByteArray("*idn?\r\n") << ok << "*IDN?" << QStringList();
        QTest::newRow("suffixes") << QByteArray("calc:view2:mark13:text?") << ok
                                  << "CALC:VIEW(2):MARK(13):TEXT?" << QStringList();
        QTest::newRow("leading colon, blanks")
            << QByteArray("  :SENS:FREQ:STAR \t 1e6  ") << ok << "SENS:FREQ:STAR" << QStringList{"1e6"};
        QTest::newRow("quoted argument keeps comma")
            << QByteArray("MMEM:STOR:TRAC \"a,b.tbin\"") << ok << "MMEM:STOR:TRAC" << QStringList{"a,b.tbin"};
        QTest::newRow("two arguments") << QByteArray("X 1, 2") << ok << "X" << QStringList{"1", "2"};
        QTest::newRow("blank line") << QByteArray(" \r\n") << empty << "" << QStringList();
        QTest::newRow("empty keyword") << QByteArray("SENS::FREQ") << bad << "" << QStringList();
        QTest::newRow("query mark inside") << QByteArray("SENS?:FREQ") << bad << "" << QStringList();
        QTest::newRow("bare star") << QByteArray("*?") << bad << "" << QStringList();
        QTest::newRow("digit first") << QByteArray("1SENS") << bad << "" << QStringList();
        QTest::newRow("letters after suffix") << QByteArray("VIEW1A:TYPE") << bad << "" << QStringList();
        QTest::newRow("huge suffix") << QByteArray("VIEW123456:TYPE?") << bad << "" << QStringList();
        QTest::newRow("empty argument") << QByteArray("X 1,,2") << bad << "" << QStringList();
        QTest::newRow("trailing comma") << QByteArray("X 1,") << bad << "" << QStringList();
        QTest::newRow("open quote") << QByteArray("X \"abc") << bad << "" << QStringList();
        QTest::newRow("binary") << QByteArray("*IDN?\x00\xff", 7) << bad << "" << QStringList();
        QTest::newRow("high bytes") << QByteArray("DISP:VIEW1:TYPE \xc3\xa9") << bad << "" << QStringList();
    }

    void parse()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, result);
        QFETCH(QString, header);
        QFETCH(QStringList, arguments);
        TRemoteCommand command;
        QString why;
        QCOMPARE(int(P::parse(line, command, &why)), result);
        if (result == int(P::EResult::MALFORMED))
            QVERIFY(!why.isEmpty());
        if (result != int(P::EResult::OK))
            return;
        QStringList parts;
        for (const TRemoteHeaderNode& node : command.nodes)
            parts << (node.suffix >= 0 ? QStringLiteral("%1(%2)").arg(node.keyword).arg(node.suffix)
                                       : node.keyword);
        QString rebuilt = (command.common ? QStringLiteral("*") : QString()) + parts.join(QLatin1Char(':'));
        if (command.query)
            rebuilt += QLatin1Char('?');
        QCOMPARE(rebuilt, header);
        QCOMPARE(command.arguments, arguments);
    }

    // The queue keeps the oldest errors; once full, one overflow entry stands for everything dropped.
    void errorQueueBounded()
    {
        RemoteErrorQueue queue;
        QCOMPARE(queue.pop().answer(), QStringLiteral("0,\"No error\""));
        for (int i = 0; i < 100; ++i)
            queue.push(TRemoteError::make(TRemoteError::DATA_OUT_OF_RANGE, QStringLiteral("n%1").arg(i)));
        QCOMPARE(queue.size(), RemoteErrorQueue::CAPACITY);
        QCOMPARE(queue.pop().answer(), QStringLiteral("-222,\"Data out of range;n0\""));
        for (int i = 1; i < RemoteErrorQueue::CAPACITY - 1; ++i)
            QCOMPARE(queue.pop().code, int(TRemoteError::DATA_OUT_OF_RANGE));
        QCOMPARE(queue.pop().code, int(TRemoteError::QUEUE_OVERFLOW));
        QCOMPARE(queue.pop().code, 0);
        queue.push(TRemoteError::make(TRemoteError::COMMAND_ERROR, QStringLiteral("say \"x\"")));
        QCOMPARE(queue.pop().answer(), QStringLiteral("-100,\"Command error;say \"\"x\"\"\""));
    }

    // Answers reach instrument clients as 7-bit ASCII whatever the window's language.
    void asciiAnswers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("ascii");
        QTest::newRow("plain") << QStringLiteral("R:  50.00 Ohm") << QByteArray("R:  50.00 Ohm");
        QTest::newRow("degrees") << QStringLiteral("Ph: -12.50 \u00b0") << QByteArray("Ph: -12.50 deg");
        QTest::newRow("Russian label")
            << QStringLiteral("\u0424\u0430\u0437\u0430: 1.00") << QByteArray("Faza: 1.00");
        QTest::newRow("micro, ohm, minus")
            << QStringLiteral("\u00b5s \u03a9 \u2212") << QByteArray("us Ohm -");
        QTest::newRow("control characters") << QStringLiteral("a\rb\u0001c") << QByteArray("a b c");
        QTest::newRow("anything else") << QStringLiteral("\u4e2d") << QByteArray("?");
    }

    void asciiAnswers()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, ascii);
        QCOMPARE(ZRemote::RemoteText::toAscii(text), ascii);
    }
};

QTEST_GUILESS_MAIN(tst_RemoteCommandParser)
#include "tst_RemoteCommandParser.moc"
