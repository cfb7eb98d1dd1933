#include <QDir>
#include <QImage>
#include <QNetworkInterface>
#include <QtTest>

#include <memory>
#include <vector>

#include <sys/socket.h>

#include "RemoteTestClient.h"
#include "RemoteWindowRig.h"
#include "calibration/CalibrationManager.h"
#include "core/NoticeBoard.h"
#include "core/SettingsManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "remote/RemoteCommands.h"
#include "remote/RemoteControlServer.h"
#include "remote/RemoteErrorQueue.h"
#include "remote/RemoteOperation.h"
#include "remote/RemoteText.h"
#include "ui/MainWindow.h"

using namespace ZRemote;
using TestSupport::RemoteTestClient;

// The server and the command set with no analyser connected: a real TCP client on loopback, the real
// window behind the server.
class tst_RemoteControlServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_rig = std::make_unique<TestSupport::RemoteWindowRig>();
        // With the real logger and its default presentation: a failure a command logs must never wait
        // for a person.
        const QString why = m_rig->start(true);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        m_server = m_rig->window().remoteControl();
        QDir().mkpath(ZData::CAL::CalibrationKit::dir());
        for (const auto& kit : {qMakePair(QString("sma"), QByteArray("[open]\nc0_ff = 50\n")),
                                qMakePair(QString("broken"), QByteArray("[open]\nc0_ff = x\n"))}) {
            QFile file(ZData::CAL::CalibrationKit::pathFor(kit.first));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kit.second);
        }
    }

    void cleanupTestCase() { m_rig.reset(); }

    // Each on a fresh connection: the lines sent first, the query's answer, the errors they left.
    void queries_data()
    {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QList<int>>("errors");
        const QByteArrayList none;
        QTest::newRow("identity, line end CR LF")
            << none << QByteArray("*IDN?\r") << "Tolvek,TolvekVNA,0," TOLVEK_PROJECT_VERSION << QList<int>();
        QTest::newRow("long form, lower case") << none << QByteArray("*opc?") << "1" << QList<int>();
        QTest::newRow("no analyser") << none << QByteArray("DEVICE:CONNECT?") << "0" << QList<int>();
        QTest::newRow("no error") << none << QByteArray("syst:err?") << "0,\"No error\"" << QList<int>();
        QTest::newRow("blank lines answer nothing")
            << QByteArrayList{" \r", ""} << QByteArray("*OPC?") << "1" << QList<int>();
        // The oldest errors are kept; once full, one overflow entry stands for everything dropped.
        QByteArrayList flood{"NOPE"};
        QList<int> kept;
        for (int i = 0; i < 19; ++i)
            flood << "DISP:ARR 99";
        for (int i = 0; i < RemoteErrorQueue::CAPACITY - 2; ++i)
            kept << -222;
        QTest::newRow("error queue full")
            << flood << QByteArray("SYST:ERR?") << "-113,\"Undefined header;NOPE\"" << (kept << -350);
        QTest::newRow("errors cleared") << QByteArrayList{"NOPE", "DISP:ARR 99", "*CLS"}
                                        << QByteArray("SYST:ERR?") << "0,\"No error\"" << QList<int>();
        QTest::newRow("leading colon, blanks, exponent")
            << QByteArrayList{"  :SENS:FREQ:STAR \t 1.5E6  "} << QByteArray("SENS:FREQ:STAR?") << "1500000"
            << QList<int>();
        QTest::newRow("arrangement") << none << QByteArray("DISP:ARR?") << "11" << QList<int>();
        QTest::newRow("view type, default suffix")
            << none << QByteArray("DISPLAY:VIEW:TYPE?") << "LIN_MAG" << QList<int>();
        QTest::newRow("kits offered")
            << none << QByteArray("CAL:KIT:LIST?") << "Ideal,broken,sma" << QList<int>();
        QTest::newRow("kit by name") << QByteArrayList{"cal:kit sma"} << QByteArray("CALIBRATION:KIT?")
                                     << "sma" << QList<int>();
        QTest::newRow("kit file refused, the last kit kept")
            << QByteArrayList{"CAL:KIT sma", "CAL:KIT broken"} << QByteArray("CAL:KIT?") << "sma"
            << QList<int>{-200};
        QTest::newRow("ideal kit in any case")
            << QByteArrayList{"CAL:KIT ideal"} << QByteArray("CAL:KIT?") << "Ideal" << QList<int>();
        QTest::newRow("sweeps per standard")
            << QByteArrayList{"CAL:AVER 16"} << QByteArray("CAL:AVER?") << "16" << QList<int>();
        QTest::newRow("live average")
            << QByteArrayList{"SeNSe:AveRage 8"} << QByteArray("SENS:AVER?") << "8" << QList<int>();
        QTest::newRow("live average of 1 is off")
            << QByteArrayList{"SENS:AVER 1"} << QByteArray("SENSE:AVERAGE?") << "0" << QList<int>();
    }

    void queries()
    {
        QFETCH(QByteArrayList, lines);
        QFETCH(QByteArray, query);
        QFETCH(QString, answer);
        QFETCH(QList<int>, errors);
        RemoteTestClient client;
        QVERIFY(client.connectTo(m_server->port()));
        for (const QByteArray& line : lines)
            client.send(line);
        QCOMPARE(client.query(query), answer);
        QCOMPARE(client.drainErrors(), errors);
    }

    // Every bad command queues its error, changes nothing and leaves the connection open.
    void badCommands_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("code");
        QTest::newRow("unknown header") << QByteArray("SENS:FREQ:MIDDLE 5") << -113;
        QTest::newRow("keyword between its forms") << QByteArray("SENS:FREQU:STAR 1e6") << -113;
        QTest::newRow("keyword shorter than its short form") << QByteArray("SENS:FRE:STAR 1e6") << -113;
        QTest::newRow("keyword longer than its long form") << QByteArray("SENS:FREQUENCYX:STAR 1e6") << -113;
        QTest::newRow("set-only as query") << QByteArray("INIT:IMM?") << -113;
        QTest::newRow("query-only as set") << QByteArray("DEV:LIST") << -113;
        QTest::newRow("suffix where none belongs") << QByteArray("DISP2:ARR 1") << -113;
        QTest::newRow("binary garbage") << QByteArray("\x01\x02\xfe\xff garbage", 12) << -100;
        QTest::newRow("NUL in a line") << QByteArray("*IDN?\x00\xff", 7) << -100;
        QTest::newRow("empty keyword") << QByteArray("SENS::FREQ:STAR 1e6") << -100;
        QTest::newRow("query mark inside") << QByteArray("SENS?:FREQ:STAR") << -100;
        QTest::newRow("bare star") << QByteArray("*?") << -100;
        QTest::newRow("digit first") << QByteArray("1SENS:FREQ:STAR?") << -100;
        QTest::newRow("letters after suffix") << QByteArray("DISP:VIEW1A:TYPE SWR") << -100;
        QTest::newRow("suffix of five digits") << QByteArray("DISP:VIEW12345:TYPE?") << -100;
        QTest::newRow("suffix of four digits") << QByteArray("DISP:VIEW1234:TYPE?") << -222;
        QTest::newRow("empty argument") << QByteArray("DISP:VIEW1:IMAG x.png,,640x480") << -100;
        QTest::newRow("trailing comma") << QByteArray("DISP:VIEW1:IMAG x.png,") << -100;
        QTest::newRow("open quote") << QByteArray("MMEM:LOAD:TRAC \"abc") << -100;
        QTest::newRow("high bytes") << QByteArray("DISP:VIEW1:TYPE \xc3\xa9") << -100;
        QTest::newRow("quoted comma kept") << QByteArray("MMEM:LOAD:TRAC \"a,b.tbin\"") << -222;
        QTest::newRow("missing parameter") << QByteArray("DISP:ARR") << -100;
        QTest::newRow("parameter on a query") << QByteArray("DISP:ARR? 3") << -100;
        QTest::newRow("parameter on a command without one") << QByteArray("INIT:IMM 2") << -100;
        QTest::newRow("two parameters") << QByteArray("SENS:SWE:POIN 201,401") << -100;
        QTest::newRow("empty number") << QByteArray("SENS:FREQ:STAR \"\"") << -100;
        QTest::newRow("fractional points") << QByteArray("SENS:SWE:POIN 20.5") << -100;
        QTest::newRow("number with a unit") << QByteArray("SENS:FREQ:STAR 1MHz") << -100;
        QTest::newRow("nan") << QByteArray("SENS:FREQ:STAR nan") << -100;
        QTest::newRow("inf") << QByteArray("SENS:FREQ:STOP inf") << -100;
        QTest::newRow("hexadecimal") << QByteArray("SENS:FREQ:STAR 0x10") << -100;
        QTest::newRow("overflowing number") << QByteArray("SENS:FREQ:STOP 1e999") << -100;
        QTest::newRow("signed fraction read, out of range") << QByteArray("SENS:FREQ:STAR -.5") << -222;
        QTest::newRow("too few points") << QByteArray("SENS:SWE:POIN 1") << -222;
        QTest::newRow("too many points") << QByteArray("SENS:SWE:POIN 2049") << -222;
        QTest::newRow("start below range") << QByteArray("SENS:FREQ:STAR 10") << -222;
        QTest::newRow("stop above range") << QByteArray("SENS:FREQ:STOP 9e12") << -222;
        QTest::newRow("bandwidth index") << QByteArray("SENS:BAND 4") << -222;
        QTest::newRow("arrangement 12") << QByteArray("DISP:ARR 12") << -222;
        QTest::newRow("view 0") << QByteArray("DISP:VIEW0:TYPE SWR") << -222;
        QTest::newRow("view 5") << QByteArray("DISP:VIEW5:TYPE?") << -222;
        QTest::newRow("chart type") << QByteArray("DISP:VIEW1:TYPE RADAR") << -222;
        QTest::newRow("marker 7") << QByteArray("CALC:VIEW1:MARK7:TEXT?") << -222;
        QTest::newRow("marker 13, lower case") << QByteArray("calc:view2:mark13:text?") << -222;
        QTest::newRow("missing marker") << QByteArray("CALC:VIEW1:MARK2:TYPE SWR") << -222;
        QTest::newRow("marker on empty view") << QByteArray("CALC:VIEW1:MARK:ADD 100") << -200;
        QTest::newRow("image outside") << QByteArray("DISP:VIEW1:IMAG ../x.png") << -222;
        QTest::newRow("image format") << QByteArray("DISP:VIEW1:IMAG x.bmp") << -222;
        QTest::newRow("image too small") << QByteArray("DISP:VIEW1:IMAG x.png,10x10") << -222;
        QTest::newRow("image size not WxH") << QByteArray("DISP:VIEW1:IMAG x.png,large") << -222;
        QTest::newRow("image three arguments") << QByteArray("DISP:VIEW1:IMAG x.png,640x480,2") << -100;
        QTest::newRow("trace absolute") << QByteArray("MMEM:STOR:TRAC /tmp/x.tbin") << -222;
        QTest::newRow("trace parent") << QByteArray("MMEM:LOAD:TRAC \"..\"") << -222;
        QTest::newRow("trace format") << QByteArray("MMEM:STOR:TRAC x.txt") << -222;
        QTest::newRow("trace missing") << QByteArray("MMEM:LOAD:TRAC none.tbin") << -200;
        QTest::newRow("plain name with blanks and signs")
            << QByteArray("MMEM:LOAD:TRAC \"d 1_a-b+c.tbin\"") << -200;
        QTest::newRow("trace in a directory") << QByteArray("MMEM:LOAD:TRAC sub/x.tbin") << -222;
        QTest::newRow("backslash") << QByteArray("MMEM:LOAD:TRAC ..\\x.dat") << -222;
        QTest::newRow("two dots") << QByteArray("MMEM:LOAD:TRAC ..x.dat") << -222;
        QTest::newRow("hidden image") << QByteArray("DISP:VIEW1:IMAG .x.png") << -222;
        QTest::newRow("colon in a name") << QByteArray("DISP:VIEW1:IMAG c:x.png") << -222;
        QTest::newRow("empty name") << QByteArray("MMEM:LOAD:TRAC \"\"") << -222;
        QTest::newRow("name too long") << "MMEM:LOAD:TRAC " + QByteArray(200, 'a') + ".tbin" << -222;
        QTest::newRow("CSV trace not loaded") << QByteArray("MMEM:LOAD:TRAC x.csv") << -222;
        QTest::newRow("report outside") << QByteArray("MMEM:STOR:REP ../escape.pdf") << -222;
        QTest::newRow("report format") << QByteArray("MMEM:STOR:REP report.txt") << -222;
        QTest::newRow("no report name") << QByteArray("MMEM:STOR:REP") << -100;
        QTest::newRow("trace without analyser") << QByteArray("MMEM:STOR:TRAC x.tbin") << -200;
        QTest::newRow("id without analyser") << QByteArray("DEV:ID?") << -200;
        QTest::newRow("firmware without analyser") << QByteArray("DEV:FIRM?") << -200;
        QTest::newRow("calibration state without analyser") << QByteArray("CAL:STAT?") << -200;
        QTest::newRow("scan without analyser") << QByteArray("INIT:CONT ON") << -200;
        QTest::newRow("data without analyser") << QByteArray("TRAC:DATA?") << -200;
        QTest::newRow("sweep without analyser") << QByteArray("INIT:IMM") << -200;
        QTest::newRow("calibrate without analyser") << QByteArray("CAL:MEAS OPEN") << -200;
        QTest::newRow("calibration standard") << QByteArray("CAL:MEAS THRU") << -100;
        QTest::newRow("continuous value") << QByteArray("INIT:CONT MAYBE") << -100;
        QTest::newRow("connect to a non-analyser") << QByteArray("DEV:CONN /dev/null") << -222;
        QTest::newRow("kit of no file") << QByteArray("CAL:KIT nosuch") << -222;
        QTest::newRow("kit as a path") << QByteArray("CAL:KIT ../kits/sma") << -222;
        QTest::newRow("no kit name") << QByteArray("CAL:KIT") << -100;
        QTest::newRow("0 sweeps per standard") << QByteArray("CAL:AVER 0") << -222;
        QTest::newRow("65 sweeps per standard") << QByteArray("CAL:AVER 65") << -222;
        QTest::newRow("fractional sweeps") << QByteArray("CAL:AVER 2.5") << -100;
        QTest::newRow("live average 65") << QByteArray("SENS:AVER 65") << -222;
        QTest::newRow("live average -1") << QByteArray("SENS:AVER -1") << -222;
    }

    void badCommands()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, code);
        RemoteTestClient client;
        QVERIFY(client.connectTo(m_server->port()));
        const QString before = client.query("SENS:SWE:POIN?") + client.query("DISP:ARR?") +
                               client.query("SENS:FREQ:STAR?") + client.query("DISP:VIEW1:TYPE?");
        client.send(line);
        QCOMPARE(client.drainErrors(), QList<int>{code});
        const QString after = client.query("SENS:SWE:POIN?") + client.query("DISP:ARR?") +
                              client.query("SENS:FREQ:STAR?") + client.query("DISP:VIEW1:TYPE?");
        QCOMPARE(after, before);
        QVERIFY(client.isConnected());
        QVERIFY(!QDir(RemoteCommands::imageDir()).exists(QStringLiteral("x.png")));
    }

    void imageWrittenBesideTheOthers()
    {
        RemoteTestClient client;
        QVERIFY(client.connectTo(m_server->port()));
        client.send("DISP:VIEW3:IMAG view3.svg");
        client.send("DISP:VIEW3:IMAG view3.png,640x480");
        QCOMPARE(client.drainErrors(), QList<int>());
        QFile file(QDir(RemoteCommands::imageDir()).filePath(QStringLiteral("view3.svg")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        // Drawn at the picture's own size, not the view's.
        QVERIFY(file.readAll().contains("width=\"1600\" height=\"1200\""));
        QCOMPARE(QImage(QDir(RemoteCommands::imageDir()).filePath(QStringLiteral("view3.png"))).size(),
                 QSize(640, 480));
    }

    // A line over the limit closes that connection only.
    void overlongLineClosesOnlyThatClient()
    {
        RemoteTestClient other;
        QVERIFY(other.connectTo(m_server->port()));
        for (const int length : {4097, 20000}) {
            RemoteTestClient client;
            QVERIFY(client.connectTo(m_server->port()));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("longer than 4096 bytes")));
            client.sendRaw(QByteArray(length, 'A') + '\n');
            QVERIFY(client.waitForClosed());
        }
        RemoteTestClient exact;
        QVERIFY(exact.connectTo(m_server->port()));
        exact.send(QByteArray(4096 - 5, ' ') + "*OPC?");
        QCOMPARE(exact.readLine(), QStringLiteral("1"));
        QCOMPARE(other.query("*OPC?"), QStringLiteral("1"));
    }

    // At most four clients at once, each of them served; a fifth is turned away unserved, and four
    // idle ones are closed after the idle time-out so that a fifth gets in.
    void fourClientsAtOnceAndIdleOnesClosed()
    {
        QTRY_COMPARE(m_server->clientCount(), 0);
        m_server->setIdleTimeout(1500);
        std::vector<std::unique_ptr<RemoteTestClient>> idle;
        for (int i = 0; i < 4; ++i) {
            idle.push_back(std::make_unique<RemoteTestClient>());
            QVERIFY(idle.back()->connectTo(m_server->port()));
        }
        // One of the four keeps talking; the three silent ones are closed, it is not.
        QCOMPARE(idle[0]->query("*OPC?"), QStringLiteral("1"));
        QTRY_COMPARE(m_server->clientCount(), 4);
        RemoteTestClient refused;
        refused.connectTo(m_server->port());
        QVERIFY(refused.query("*OPC?", 3000).isNull());
        QVERIFY(refused.waitForClosed());
        // It came first, so it would go first were its talk not counted.
        const auto silentOnesClosed = [&] {
            return std::none_of(idle.begin() + 1, idle.end(), [](const auto& c) { return c->isConnected(); });
        };
        QElapsedTimer talking;
        talking.start();
        while (!silentOnesClosed() && talking.elapsed() < 60000)
            QCOMPARE(idle[0]->query("*OPC?"), QStringLiteral("1"));
        QVERIFY(silentOnesClosed());
        QVERIFY(idle[0]->isConnected());
        RemoteTestClient late;
        QVERIFY(late.connectTo(m_server->port()));
        QCOMPARE(late.query("*OPC?"), QStringLiteral("1"));
        m_server->setIdleTimeout(RemoteControlServer::DEFAULT_IDLE_TIMEOUT_S * 1000);
    }

    // A client that shuts down its sending side after its commands gets every answer, the last
    // line counted even without its line end, and then the connection closes.
    void halfClosedClientGetsItsAnswers()
    {
        RemoteTestClient client;
        QVERIFY(client.connectTo(m_server->port()));
        client.sendRaw("*IDN?\nNOPE\nSYST:ERR?\nDISP:VIEW1:TYPE 'RA\"DAR'\nSYST:ERR?\n*OPC?");
        QVERIFY(client.socket().waitForBytesWritten(5000) || client.socket().bytesToWrite() == 0);
        QCOMPARE(::shutdown(int(client.socket().socketDescriptor()), SHUT_WR), 0);
        QVERIFY(client.readLine().startsWith(QLatin1String("Tolvek,TolvekVNA,")));
        QVERIFY(client.readLine().startsWith(QLatin1String("-113,")));
        QCOMPARE(client.readLine(),
                 QStringLiteral("-222,\"Data out of range;unknown chart type: RA\"\"DAR\""));
        QCOMPARE(client.readLine(), QStringLiteral("1"));
        QVERIFY(client.waitForClosed());
    }

    // A command whose work logs a failure answers with that failure as the client's error, never
    // with a notice or a box; clients that leave while their commands run cost the others nothing.
    void loggedFailureIsTheClientsError()
    {
        const QString dir = ZData::DataScanManager::traceDir();
        QVERIFY(QDir().mkpath(dir));
        QFile damaged(QDir(dir).filePath(QStringLiteral("damaged.tbin")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray("\x05\x00\x00\x00garbage", 11));
        damaged.close();
        ZCore::NoticeBoard::clear();
        RemoteTestClient client;
        QVERIFY(client.connectTo(m_server->port()));
        client.send("MMEM:LOAD:TRAC damaged.tbin");
        const QString error = client.query("SYST:ERR?");
        QVERIFY2(error.startsWith(QLatin1String("-200,\"Execution error;cannot read damaged.tbin: ")) &&
                     error.contains(QLatin1String("damaged.tbin\"")),
                 qPrintable(error));
        for (int i = 0; i < 8; ++i) {
            RemoteTestClient leaving;
            QVERIFY(leaving.connectTo(m_server->port()));
            leaving.sendRaw("MMEM:LOAD:TRAC damaged.tbin\n*OPC?\nMMEM:LOAD:TRAC damaged.tbin\n");
            leaving.socket().waitForBytesWritten(1000);
            leaving.socket().abort();
        }
        QCOMPARE(client.query("*OPC?"), QStringLiteral("1"));
        QCOMPARE(client.drainErrors(), QList<int>());
        QTRY_COMPARE(m_server->clientCount(), 1);
        QVERIFY(!ZCore::NoticeBoard::hasNotice());
        QCOMPARE(ZData::DataScanManager::traces().size(), 0);
    }

    // Port listings are not made afresh for every query: a client pipelining thousands of them
    // leaves another client answered at once, and is answered itself in well under the half minute
    // that listing afresh each time takes.
    void pipelinedPortListingsLeaveOthersServed()
    {
        RemoteTestClient flood, other;
        QVERIFY(flood.connectTo(m_server->port()) && other.connectTo(m_server->port()));
        QByteArray many;
        for (int i = 0; i < 3000; ++i)
            many += "DEV:LIST?\n";
        QElapsedTimer all;
        all.start();
        flood.sendRaw(many);
        QVERIFY(other.query("*IDN?", 5000).startsWith(QLatin1String("Tolvek,")));
        QVERIFY2(all.elapsed() < 1000, qPrintable(QString::number(all.elapsed())));
        int answers = 0;
        while (answers < 3000 && !flood.readLine(10000).isNull())
            ++answers;
        QCOMPARE(answers, 3000);
        QVERIFY2(all.elapsed() < 15000, qPrintable(QString::number(all.elapsed())));
    }

    // A client that sends and never reads: the server stops taking its commands once its answers pile
    // up, and the others are still served at once.
    void clientThatNeverReads()
    {
        RemoteTestClient greedy;
        QVERIFY(greedy.connectTo(m_server->port()));
        greedy.socket().setReadBufferSize(1);
        greedy.socket().setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 65536);
        QByteArray flood;
        for (int i = 0; i < 60000; ++i)
            flood += "*IDN?\n";
        greedy.sendRaw(flood);
        // The server answers until that client's output reaches its limit, however slow the machine.
        QTRY_VERIFY_WITH_TIMEOUT(m_server->largestQueuedOutput() > RemoteControlServer::OUTPUT_LIMIT / 2,
                                 30000);
        RemoteTestClient polite;
        QVERIFY(polite.connectTo(m_server->port()));
        QElapsedTimer answered;
        answered.start();
        QCOMPARE(polite.query("*OPC?", 2000), QStringLiteral("1"));
        QVERIFY(answered.elapsed() < 5000); // not held behind the greedy client's backlog
        // Its answers are held at the limit, not piled up without end.
        const qint64 queued = m_server->largestQueuedOutput();
        QVERIFY2(queued > RemoteControlServer::OUTPUT_LIMIT / 2 &&
                     queued <= RemoteControlServer::OUTPUT_LIMIT + 1024,
                 qPrintable(QString::number(queued)));
        // Once it reads, it gets every answer, in order, none lost.
        greedy.socket().setReadBufferSize(0);
        int answers = 0;
        // Bounded by progress, not by a total: a sanitized build on a loaded machine reads slowly.
        while (answers < 60000) {
            const QString line = greedy.readLine(5000);
            if (line.isNull())
                break;
            QVERIFY(line.startsWith(QLatin1String("Tolvek,")));
            ++answers;
        }
        QCOMPARE(answers, 60000);
    }

    void configuration_data()
    {
        QTest::addColumn<QByteArray>("env");
        QTest::addColumn<bool>("profileEnabled");
        QTest::addColumn<int>("profilePort");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("port");
        QTest::newRow("off by default") << QByteArray() << false << 0 << false << 5025;
        QTest::newRow("profile") << QByteArray() << true << 6000 << true << 6000;
        QTest::newRow("environment wins") << QByteArray("7001") << false << 6000 << true << 7001;
        QTest::newRow("bad environment ignored") << QByteArray("70000") << true << 6000 << true << 6000;
    }

    void configuration()
    {
        QFETCH(QByteArray, env);
        QFETCH(bool, profileEnabled);
        QFETCH(int, profilePort);
        QFETCH(bool, enabled);
        QFETCH(int, port);
        if (profilePort > 0)
            RemoteControlServer::saveProfileConfiguration(profileEnabled, quint16(profilePort));
        else
            ZCore::SettingsManager::settings()->remove(QStringLiteral("Default/remote_enabled"));
        if (env.isEmpty())
            qunsetenv(RemoteControlServer::ENV_PORT);
        else
            qputenv(RemoteControlServer::ENV_PORT, env);
        if (env == "70000")
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not a port number")));
        const RemoteControlServer::TConfig config = RemoteControlServer::configuration();
        qunsetenv(RemoteControlServer::ENV_PORT);
        QCOMPARE(config.enabled, enabled);
        if (enabled)
            QCOMPARE(int(config.port), port);
    }

    // An operation ends once: by its managers' signal or its time-out, whatever comes first; later
    // signals, a closing port among them, change nothing. (A port closing under a sweep: the
    // end-to-end test unplugs the emulator.)
    void operationEndsOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("code");
        QTest::newRow("success") << "succeed" << 0;
        QTest::newRow("time-out") << "timeout" << -200;
    }

    void operationEndsOnce()
    {
        QFETCH(QString, how);
        QFETCH(int, code);
        QPointer<RemoteOperation> op = new RemoteOperation(QStringLiteral("TEST"), 50);
        op->failOnPortClosed();
        QSignalSpy finished(op.data(), &RemoteOperation::signalFinished);
        if (how == QLatin1String("succeed"))
            op->succeed();
        QTRY_COMPARE(finished.count(), 1);
        if (op)
            op->succeed();
        emit ZData::DM::SerialPort::instance().signalClosed();
        QTest::qWait(80); // past the time-out: a fixed wait, to see that no second end comes
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().at(0).toBool(), code == 0);
        QCOMPARE(finished.first().at(1).value<TRemoteError>().code, code);
        QTRY_VERIFY(op.isNull()); // gone after announcing its end
    }

    void listensOnLoopbackOnly()
    {
        RemoteControlServer server;
        QVERIFY(server.start(0));
        QTcpSocket probe;
        // Reachable through 127.0.0.1 only: every other address of the machine is refused.
        for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
            if (address.isLoopback() || address.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            probe.connectToHost(address, server.port());
            QVERIFY(!probe.waitForConnected(1000));
            probe.abort();
        }
        // A port in use is reported, not taken over.
        RemoteControlServer second;
        QTest::ignoreMessage(QtCriticalMsg,
                             QRegularExpression(QStringLiteral("lp_err_remote_cant_listen|cannot listen")));
        QVERIFY(!second.start(server.port()));
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

private:
    std::unique_ptr<TestSupport::RemoteWindowRig> m_rig;
    RemoteControlServer* m_server = nullptr;
};

QTEST_MAIN(tst_RemoteControlServer)
#include "tst_RemoteControlServer.moc"
