// The remote control against the real window: the server and its command set first with no analyser
// connected (real TCP clients on loopback), then a script driving the window, the emulator behind it
// through the real serial stack.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <tuple>
#include <vector>

#include "RemoteTestClient.h"
#include "RemoteWindowRig.h"
#include "calibration/CalibrationManager.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/NoticeBoard.h"
#include "core/SettingsManager.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "remote/RemoteCommands.h"
#include "remote/RemoteControlServer.h"
#include "remote/RemoteErrorQueue.h"
#include "remote/RemoteOperation.h"
#include "remote/RemoteSweepRecorder.h"
#include "remote/RemoteText.h"
#include "report/MeasurementReport.h"
#include "ui/MainWindow.h"
#include "ui/pages/PgCharts.h"

using namespace ZData;
using namespace ZRemote;
using TestSupport::RemoteTestClient;
using ZChart::EChartType;

class tst_RemoteEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_rig = std::make_unique<TestSupport::RemoteWindowRig>();
        const QString why = m_rig->start();
        QVERIFY2(why.isEmpty(), qPrintable(why));
        m_server = m_rig->window().remoteControl();
        QDir().mkpath(ZData::CAL::CalibrationKit::dir());
        QVERIFY(TestSupport::writeFile(ZData::CAL::CalibrationKit::pathFor("sma"), "[open]\nc0_ff = 50\n"));
        QVERIFY(TestSupport::writeFile(ZData::CAL::CalibrationKit::pathFor("broken"), "[open]\nc0_ff = x\n"));
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
        QTest::newRow("view type, default suffix")
            << none << QByteArray("DISPLAY:VIEW:TYPE?") << "LIN_MAG" << QList<int>();
        QTest::newRow("kits offered")
            << none << QByteArray("CAL:KIT:LIST?") << "Ideal,broken,sma" << QList<int>();
        QTest::newRow("kit file refused, the last kit kept")
            << QByteArrayList{"cal:kit sma", "CAL:KIT broken"} << QByteArray("CALIBRATION:KIT?") << "sma"
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
        QTest::newRow("marker 7, lower case") << QByteArray("calc:view1:mark7:text?") << -222;
        QTest::newRow("missing marker") << QByteArray("CALC:VIEW1:MARK2:TYPE SWR") << -222;
        QTest::newRow("marker on empty view") << QByteArray("CALC:VIEW1:MARK:ADD 100") << -200;
        QTest::newRow("image outside") << QByteArray("DISP:VIEW1:IMAG ../x.png") << -222;
        QTest::newRow("image format") << QByteArray("DISP:VIEW1:IMAG x.bmp") << -222;
        QTest::newRow("image too small") << QByteArray("DISP:VIEW1:IMAG x.png,10x10") << -222;
        QTest::newRow("image size not WxH") << QByteArray("DISP:VIEW1:IMAG x.png,large") << -222;
        QTest::newRow("image three arguments") << QByteArray("DISP:VIEW1:IMAG x.png,640x480,2") << -100;
        QTest::newRow("trace parent") << QByteArray("MMEM:LOAD:TRAC \"..\"") << -222;
        QTest::newRow("trace format") << QByteArray("MMEM:STOR:TRAC x.txt") << -222;
        QTest::newRow("trace missing") << QByteArray("MMEM:LOAD:TRAC none.tbin") << -200;
        QTest::newRow("plain name with blanks and signs")
            << QByteArray("MMEM:LOAD:TRAC \"d 1_a-b+c.tbin\"") << -200;
        QTest::newRow("trace in a directory") << QByteArray("MMEM:LOAD:TRAC sub/x.tbin") << -222;
        QTest::newRow("backslash") << QByteArray("MMEM:LOAD:TRAC x\\y.dat") << -222;
        QTest::newRow("hidden image") << QByteArray("DISP:VIEW1:IMAG .x.png") << -222;
        QTest::newRow("colon in a name") << QByteArray("DISP:VIEW1:IMAG c:x.png") << -222;
        QTest::newRow("empty name") << QByteArray("MMEM:LOAD:TRAC \"\"") << -222;
        QTest::newRow("name too long") << "MMEM:LOAD:TRAC " + QByteArray(200, 'a') + ".tbin" << -222;
        QTest::newRow("CSV trace not loaded") << QByteArray("MMEM:LOAD:TRAC x.csv") << -222;
        QTest::newRow("report outside") << QByteArray("MMEM:STOR:REP ../escape.pdf") << -222;
        QTest::newRow("report format") << QByteArray("MMEM:STOR:REP report.txt") << -222;
        QTest::newRow("trace without analyser") << QByteArray("MMEM:STOR:TRAC x.tbin") << -200;
        QTest::newRow("firmware without analyser") << QByteArray("DEV:FIRM?") << -200;
        QTest::newRow("calibration state without analyser") << QByteArray("CAL:STAT?") << -200;
        QTest::newRow("scan without analyser") << QByteArray("INIT:CONT ON") << -200;
        QTest::newRow("calibration standard") << QByteArray("CAL:MEAS THRU") << -100;
        QTest::newRow("continuous value") << QByteArray("INIT:CONT MAYBE") << -100;
        QTest::newRow("connect to a non-analyser") << QByteArray("DEV:CONN /dev/null") << -222;
        QTest::newRow("kit of no file") << QByteArray("CAL:KIT nosuch") << -222;
        QTest::newRow("kit as a path") << QByteArray("CAL:KIT ../kits/sma") << -222;
        QTest::newRow("no kit name") << QByteArray("CAL:KIT") << -100;
        QTest::newRow("0 sweeps per standard") << QByteArray("CAL:AVER 0") << -222;
        QTest::newRow("65 sweeps per standard") << QByteArray("CAL:AVER 65") << -222;
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
        QVERIFY(TestSupport::writeFile(ZData::DataScanManager::traceDir() + "/damaged.tbin",
                                       QByteArray("\x05\x00\x00\x00garbage", 11)));
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

    // The sweep a script reads is taken with its last slice, is never overwritten by the next sweep's
    // first slice, and a sweep begun raw is skipped. Fed straight to the scan: no analyser here.
    void sweepRecordedWhenItCompletes_data()
    {
        QTest::addColumn<QString>("during"); // what happens while the first sweep runs
        QTest::newRow("scan paused after the sweep") << "pause";
        QTest::newRow("scan running on") << "";
        // Its first slice is raw, so the sweep is mixed: only the next one counts.
        QTest::newRow("calibration started in the first slice") << "raw";
    }

    void sweepRecordedWhenItCompletes()
    {
        using ZData::DataScanManager;
        QFETCH(QString, during);
        const bool raw = during == QLatin1String("raw");
        DataScanManager::setScanPause(true, false);
        ZData::DM::CommandQueue::clear();
        DataScanManager::sweep().setDeviceRange(1e6, 6.2e9);
        TestSupport::setSweep(1e9, 2e9, 300);
        auto& calibration = ZData::CalibrationManager::instance();
        // Corrected data from here on; this also resumes the scan at the sweep's first slice.
        emit calibration.signalFinishedCalibration();
        QVERIFY(DataScanManager::isCalibrationApplied() && !DataScanManager::isPaused());
        // The 300-point sweep is asked for as 126 + 126 + 48 points.
        const auto answer = [](int slice, float base) {
            ZData::DM::CommandQueue::clear();
            DataScanManager::instance().slotProcessScanData(TestSupport::scanReply(
                quint16(126 * slice), slice < 2 ? 126 : 48, slice < 2 ? 126 : 48,
                [base](int j) { return std::complex<float>(base + j, -(base + j)); }));
        };
        const auto inBuffer = [] { return DataScanManager::nonInterpolatedBuffer().mid(0, 300); };
        const auto same = [](const ZData::TScanPoints& a, const ZData::TScanPoints& b) {
            return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
                return x.frequency == y.frequency && x.re == y.re && x.im == y.im;
            });
        };
        RemoteSweepRecorder recorder;
        QSignalSpy recorded(&recorder, &RemoteSweepRecorder::signalRecorded);
        if (raw)
            emit calibration.signalStartedCalibration();
        answer(0, 0.25f);
        if (raw)
            emit calibration.signalFinishedCalibration();
        answer(1, 0.25f);
        QVERIFY(!recorder.hasSweep());
        if (during == QLatin1String("pause"))
            DataScanManager::setUserScanPause(true); // the last request is already on its way
        answer(2, 0.25f);
        // Taken with its last slice, not when a next slice happens to come.
        QCOMPARE(recorded.count(), raw ? 0 : 1);
        QCOMPARE(recorder.recorded(), quint64(raw ? 0 : 1));
        const ZData::TScanPoints first = inBuffer();
        QCOMPARE(recorder.points().size(), raw ? 0 : 300);
        QVERIFY(raw || same(recorder.points(), first));
        if (during == QLatin1String("pause")) {
            QCOMPARE(ZData::DM::CommandQueue::size(), 0);
            return;
        }
        // The next sweep's first slice overwrites the buffer's start, never the recorded sweep.
        answer(0, 7.5f);
        QVERIFY(!same(inBuffer(), first));
        QCOMPARE(recorded.count(), raw ? 0 : 1);
        QVERIFY(raw || same(recorder.points(), first));
        answer(1, 7.5f);
        answer(2, 7.5f);
        QCOMPARE(recorded.count(), raw ? 1 : 2);
        QVERIFY(same(recorder.points(), inBuffer()));
    }


    // With the analyser, in this order: each goes on from the state the one before left.
    void connectAndIdentify();
    void sweepAndReadTrace();
    void calibrateThroughStandards();
    void windowStateAndMarkers();
    void traceFiles();
    void disconnectingClientLosesNothingForOthers();
    void standardInstrumentClient();
    void queriesWithoutAnalyser();
    void settingsPageSwitchesServer();

private:
    QString query(const QByteArray& line, int timeoutMs = 30000) { return m_client.query(line, timeoutMs); }
    // Sends, then waits on *OPC? for the command to finish, and expects no error.
    void run(const QByteArray& line, int timeoutMs = 60000)
    {
        m_client.send(line);
        QCOMPARE(m_client.query("*OPC?", timeoutMs), QStringLiteral("1"));
        QCOMPARE(m_client.drainErrors(), QList<int>());
    }
    // Sends, and expects exactly that one error.
    void refused(const QByteArray& line, int code)
    {
        m_client.send(line);
        QCOMPARE(m_client.drainErrors(), QList<int>{code});
    }
    MainWindow& window() { return m_rig->window(); }
    TestSupport::EmulatorProcess& emulator() { return m_rig->emulator(); }
    // An emulator control line (a load, a fault) that the emulator must take.
    void emulatorControl(const QString& line)
    {
        QCOMPARE(emulator().control(line).left(2), QStringLiteral("ok"));
    }

    RemoteTestClient m_client;
    std::unique_ptr<TestSupport::RemoteWindowRig> m_rig;
    RemoteControlServer* m_server = nullptr;
};

void tst_RemoteEndToEnd::connectAndIdentify()
{
    // Nothing of the scan fed by hand above stays queued for the analyser.
    DataScanManager::setScanPause(true, false);
    DM::CommandQueue::clear();
    QVERIFY(m_client.connectTo(m_rig->port()));
    run("CAL:AVER 1");
    const QStringList ports = query("DEVice:LIST?").split(QLatin1Char(','));
    QVERIFY2(ports.contains(emulator().portPath()), qPrintable(ports.join(' ')));

    run("DEVice:CONNect " + emulator().portPath().toUtf8());
    QCOMPARE(query("DEV:CONN?"), QStringLiteral("1"));
    const QString id = DeviceManager::deviceInfo().identifier;
    QVERIFY(!id.isEmpty());
    QCOMPARE(query("DEV:ID?"), id);
    QCOMPARE(query("*IDN?"), QStringLiteral("Tolvek,TolvekVNA,%1," TOLVEK_PROJECT_VERSION).arg(id));
    QCOMPARE(query("DEV:FIRM?"), QStringLiteral("2.0.0"));
    // The window followed: connected and scanning.
    QVERIFY(DataScanManager::isCalibrationApplied());
    QVERIFY(!DataScanManager::isPaused());
    QCOMPARE(query("INIT:CONT?"), QStringLiteral("1"));
}

void tst_RemoteEndToEnd::sweepAndReadTrace()
{
    run("SENS:FREQ:STAR 1000000");
    run("sense:frequency:stop 900000000");
    run("SENS:SWE:POIN 201");
    QCOMPARE(query("SENS:FREQ:STAR?"), QStringLiteral("1000000"));
    QCOMPARE(query("SENS:FREQ:STOP?"), QStringLiteral("900000000"));
    QCOMPARE(query("SENS:SWE:POIN?"), QStringLiteral("201"));

    run("INIT:IMM");
    // The frequencies as integers, re and im with 9 significant digits; the values themselves are
    // checked by the instrument client's session (standardInstrumentClient).
    const QStringList fields = query("TRAC:DATA?").split(QLatin1Char(','));
    QCOMPARE(fields.size(), 3 * 201);
    QCOMPARE(fields[3 * 200], QStringLiteral("900000000"));
    QString digits = fields[1];
    digits.remove(QLatin1Char('-')).remove(QLatin1String("0."));
    QVERIFY2(digits.size() >= 8, qPrintable(fields[1]));
}

void tst_RemoteEndToEnd::calibrateThroughStandards()
{
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("NONE")); // the factory calibration counts as none
    QCOMPARE(query("CAL:SOUR?"), QStringLiteral("FACTORY"));
    // More points than a calibration holds: refused at once, and nothing waits for it.
    run("SENS:SWE:POIN 2048");
    QElapsedTimer answered;
    answered.start();
    refused("CAL:MEAS OPEN", -222);
    QVERIFY(answered.elapsed() < 5000);
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("NONE"));
    run("SENS:SWE:POIN 201");
    emulatorControl(QStringLiteral("dut open"));
    run("CAL:MEAS OPEN");
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("OPEN"));
    emulatorControl(QStringLiteral("dut short"));
    run("CALibration:MEASure short");
    emulatorControl(QStringLiteral("dut load"));
    run("CAL:MEAS LOAD");
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("OPEN,SHORT,LOAD"));
    // Saved the moment it was complete: in use from its autosaved file.
    const QString source = query("CALibration:SOURce?");
    QVERIFY2(source.startsWith(QStringLiteral("FILE auto_")) && source.endsWith(QStringLiteral(".cbin")),
             qPrintable(source));
    emulatorControl(QStringLiteral("dut r=100"));
}

void tst_RemoteEndToEnd::windowStateAndMarkers()
{
    run("DISP:ARR 5");
    QCOMPARE(window().pgCharts()->arrangementBox()->currentIndex(), 5);
    QVERIFY(!window().chartView(1)->isActive()); // arrangement 5 hides UR
    QCOMPARE(query("DISP:ARR?"), QStringLiteral("5"));
    run("DISP:ARR 11");
    QVERIFY(window().chartView(1)->isActive());

    run("DISP:VIEW3:TYPE SMITH");
    QCOMPARE(window().chartView(2)->chartType(), EChartType::SMITH);
    QCOMPARE(query("DISP:VIEW3:TYPE?"), QStringLiteral("SMITH"));
    // The selected view goes through the charts page, whose chooser follows.
    QCOMPARE(window().selectedChartViewIndex(), 0);
    run("DISP:VIEW1:TYPE swr");
    QCOMPARE(window().chartView(0)->chartType(), EChartType::SWR);
    QCOMPARE(window().pgCharts()->typeBox()->currentIndex(), int(EChartType::SWR));
    run("DISP:VIEW1:TYPE LOG_MAG");

    run("INIT:IMM");
    QTRY_VERIFY(window().chartView(2)->hasData());
    run("CALC:VIEW3:MARK:ADD 100");
    run("CALC:VIEW3:MARK1:TYPE IMPED");
    QCOMPARE(query("CALC:VIEW3:MARK1:TYPE?"), QStringLiteral("IMPED"));
    // Single sweeps while paused: each runs once, the scan stays paused after it, and a readout asked
    // for right after *OPC? is of that sweep, never the one before (the load changes between them).
    run("INIT:CONT OFF");
    QCOMPARE(query("INIT:CONT?"), QStringLiteral("0"));
    for (const int ohms : {200, 100}) {
        emulatorControl(QStringLiteral("dut r=%1").arg(ohms));
        const quint64 before = DataScanManager::completedSweeps();
        run("INIT:IMM");
        QVERIFY(DataScanManager::completedSweeps() > before);
        QVERIFY(DataScanManager::isPaused());
        // The frequency of the point it reads first, then its values.
        const QString text = query("CALC:VIEW3:MARK1:TEXT?");
        const QRegularExpressionMatch r =
            QRegularExpression(QStringLiteral("^F: +[0-9.]+ MHz \\| R: +([0-9.]+) Ohm \\| X: ")).match(text);
        QVERIFY2(r.hasMatch() && std::abs(r.captured(1).toDouble() - ohms) < 0.02 * ohms, qPrintable(text));
    }
    const quint64 after = DataScanManager::completedSweeps();
    QTest::qWait(300); // a fixed wait, to see that no further sweep comes
    QVERIFY(DataScanManager::completedSweeps() <= after + 1);
    run("INIT:CONT ON");
    QVERIFY(!DataScanManager::isPaused());
    // Replies are ASCII as instrument clients expect; the window keeps its degree sign.
    run("CALC:VIEW3:MARK1:TYPE MAG");
    const QByteArray mag = query("CALC:VIEW3:MARK1:TEXT?").toLatin1();
    QVERIFY2(mag.contains(" deg") &&
                 std::all_of(mag.begin(), mag.end(), [](char c) { return uchar(c) < 0x80; }),
             mag.constData());
    QVERIFY(window().chartView(2)->marksTable()->mark(0)->readout().contains(QChar(0x00B0)));
    run("CALC:VIEW3:MARK1:TYPE IMPED");
    // A type the chart does not offer, a position outside the sweep and a seventh marker are refused.
    refused("CALC:VIEW3:MARK1:TYPE DTF_PEAK", -222);
    QCOMPARE(query("CALC:VIEW3:MARK1:TYPE?"), QStringLiteral("IMPED"));
    refused("CALC:VIEW3:MARK:ADD 5000", -222);
    for (int i = 2; i <= 6; ++i)
        run("CALC:VIEW3:MARK:ADD " + QByteArray::number(100 + 10 * i));
    refused("CALC:VIEW3:MARK:ADD 300", -200);
    QCOMPARE(window().chartView(2)->marksTable()->count(), 6);
    run("CALC:VIEW3:MARK:CLEar");
    QCOMPARE(window().chartView(2)->marksTable()->count(), 0);
}

void tst_RemoteEndToEnd::traceFiles()
{
    run("MMEM:STOR:TRAC dut.tbin");
    run("MMEM:STOR:TRAC dut.s1p");
    run("MMEM:STOR:TRAC dut.dat");
    const QDir traces(DataScanManager::traceDir());
    QVERIFY(QFileInfo::exists(traces.filePath(QStringLiteral("dut.s1p"))));
    const int loaded = DataScanManager::traces().size();
    run("MMEM:LOAD:TRAC dut.tbin");
    run("MMEM:LOAD:TRAC dut.dat");
    QCOMPARE(DataScanManager::traces().size(), loaded + 2);
    QCOMPARE(DataScanManager::traces().last().pointCount, 201u);

    // Something planted in the program's folders must not carry a write outside them.
    QTemporaryDir outside;
    const QString victim = outside.filePath(QStringLiteral("victim"));
    QVERIFY(TestSupport::writeFile(victim, "keep"));
    const QString images = ZRemote::RemoteCommands::imageDir();
    QVERIFY(QDir().mkpath(images));
    enum EPlanted
    {
        LINK,
        DANGLING,
        FIFO
    };
    const QList<std::tuple<QByteArray, QString, EPlanted>> cases = {
        {"MMEM:STOR:TRAC link.tbin", traces.path(), LINK},
        {"MMEM:STOR:TRAC dangling.s1p", traces.path(), DANGLING},
        {"MMEM:STOR:TRAC fifo.dat", traces.path(), FIFO},
        {"DISP:VIEW1:IMAG link.png", images, LINK},
        {"DISP:VIEW1:IMAG dangling.svg", images, DANGLING},
        {"DISP:VIEW1:IMAG fifo.png", images, FIFO}};
    for (const auto& [command, dir, planted] : cases) {
        const QString name = QString::fromLatin1(command.mid(command.indexOf(' ') + 1));
        const QString path = QDir(dir).filePath(name);
        const QString created = outside.filePath(name);
        if (planted == FIFO)
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        else
            QVERIFY(QFile::link(planted == LINK ? victim : created, path));
        refused(command, -200);
        QVERIFY2(planted == FIFO ? !QFileInfo(path).isFile() && QFileInfo::exists(path)
                                 : QFileInfo(path).isSymLink(),
                 command.constData());
        QVERIFY2(!QFileInfo::exists(created), command.constData());
    }
    QCOMPARE(TestSupport::readFile(victim), QByteArray("keep"));

    run("MMEM:STOR:TRAC dut.csv");
    QCOMPARE(TestSupport::readFile(traces.filePath(QStringLiteral("dut.csv"))).trimmed().split('\n').size(),
             1 + 201);

    // The report of the window's four views and the analyser, with a marker's readout.
    run("CALC:VIEW3:MARK:ADD 100");
    run("INIT:IMM");
    run("MMEM:STOR:REP dut.pdf");
    const QString pdf = QDir(ZReport::MeasurementReport::reportDir()).filePath(QStringLiteral("dut.pdf"));
    QVERIFY(QFileInfo(pdf).size() > 0);
    const QString readout = window().chartView(2)->marksTable()->mark(0)->readout().section('\n', 0, 0);
    run("CALC:VIEW3:MARK:CLEar");
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed to read the report back");
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(reader.waitForFinished(60000));
    const QString text = QString::fromUtf8(reader.readAllStandardOutput()).simplified();
    for (const QString& word : {DeviceManager::deviceInfo().identifier, query("DEV:FIRM?"),
                                QStringLiteral("View 4: "), readout.simplified()})
        QVERIFY2(text.contains(word), qPrintable(word));
}

void tst_RemoteEndToEnd::disconnectingClientLosesNothingForOthers()
{
    {
        RemoteTestClient leaving;
        QVERIFY(leaving.connectTo(window().remoteControl()->port()));
        leaving.send("INIT:CONT OFF");
        // A slow reply keeps the sweep running long enough to leave in the middle of it.
        emulatorControl(QStringLiteral("late 1000"));
        leaving.send("INIT:IMM");
        leaving.send("DISP:ARR?"); // answered after the sweep, to a client that is gone
        QTRY_VERIFY(window().remoteControl()->isBusy());
    }
    // The other client's command waits for the orphaned sweep, then runs.
    run("DISP:ARR 9");
    QCOMPARE(query("DISP:ARR?"), QStringLiteral("9"));
    QVERIFY(DataScanManager::isPaused());
    run("INIT:IMM");
    run("INIT:CONT ON");
    QTRY_VERIFY_WITH_TIMEOUT(window().remoteControl()->clientCount() == 1, 5000);
    run("DISP:ARR 11");
}

// The script a user writes with a standard instrument client (PyVISA, pure-Python backend) against the
// running window: sweep settings, a marker, a single sweep, *OPC?, the readout and the trace as
// numbers. The readouts must decode as ASCII and be of the sweep just taken.
void tst_RemoteEndToEnd::standardInstrumentClient()
{
    // The system's interpreter: that is where the Debian package installs the modules.
    const QString python = QStringLiteral("/usr/bin/python3");
    QProcess probe;
    probe.start(python, {QStringLiteral("-c"), QStringLiteral("import pyvisa, pyvisa_py")});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        QSKIP("python3 with PyVISA and its pure-Python backend (python3-pyvisa-py) is not installed");
    const QString script = QFINDTESTDATA("pyvisa_session.py");
    QVERIFY(!script.isEmpty());
    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(python, {script, QString::number(window().remoteControl()->port()), QStringLiteral("100")});
    // Waited for with the event loop running: the window serves the script meanwhile.
    QTRY_VERIFY_WITH_TIMEOUT(client.state() == QProcess::NotRunning, 120000);
    const QString output = QString::fromUtf8(client.readAll());
    QVERIFY2(client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0, qPrintable(output));
    qInfo().noquote() << output.trimmed();
    QVERIFY(output.contains(QLatin1String("Tolvek,TolvekVNA,")));
}

void tst_RemoteEndToEnd::queriesWithoutAnalyser()
{
    // The analyser going away under a sweep ends it at once with its error, not at its time-out.
    run("INIT:CONT OFF");
    emulatorControl(QStringLiteral("late 1000"));
    m_client.send("INIT:IMM");
    QTRY_VERIFY(window().remoteControl()->isBusy());
    QElapsedTimer cut;
    cut.start();
    emulatorControl(QStringLiteral("unplug"));
    QCOMPARE(query("*OPC?"), QStringLiteral("1"));
    QVERIFY2(cut.elapsed() < ZRemote::RemoteCommands::SWEEP_TIMEOUT_MS / 2,
             qPrintable(QString::number(cut.elapsed())));
    QCOMPARE(m_client.drainErrors(), QList<int>{-200});
    run("DEV:DISC");
    QCOMPARE(query("DEV:CONN?"), QStringLiteral("0"));
    // What the analyser held is gone with it; commands that would wait for it fail at once.
    for (const QByteArray& line : {QByteArray("DEV:ID?"), QByteArray("TRAC:DATA?"), QByteArray("INIT:IMM"),
                                   QByteArray("CAL:MEAS OPEN")}) {
        m_client.send(line);
        QCOMPARE(query("*OPC?"), QStringLiteral("1"));
        QCOMPARE(m_client.drainErrors(), QList<int>{-200});
    }
    QCOMPARE(query("*IDN?"), QStringLiteral("Tolvek,TolvekVNA,0," TOLVEK_PROJECT_VERSION));
    // The report still comes, saying there is no analyser.
    run("MMEM:STOR:REP offline.pdf");
    QVERIFY(QFileInfo(QDir(ZReport::MeasurementReport::reportDir()).filePath(QStringLiteral("offline.pdf")))
                .size() > 0);
}

// Last: the settings page moves the server to the port it stores, then switches it off.
void tst_RemoteEndToEnd::settingsPageSwitchesServer()
{
    auto* box = window().findChild<QCheckBox*>(QStringLiteral("cb_remote_enabled"));
    auto* edit = window().findChild<QLineEdit*>(QStringLiteral("le_remote_port"));
    QVERIFY(box && edit);
    QVERIFY(!box->isChecked()); // the profile says off; the environment switched it on
    const quint16 port = RemoteTestClient::freePort();
    edit->setText(QString::number(port));
    box->setChecked(true);
    QVERIFY(window().remoteControl()->isListening());
    QCOMPARE(window().remoteControl()->port(), port);
    QVERIFY(m_client.waitForClosed()); // clients of the old port are dropped
    RemoteTestClient client;
    QVERIFY(client.connectTo(port));
    QCOMPARE(client.query("*OPC?"), QStringLiteral("1"));
    const auto stored = ZRemote::RemoteControlServer::profileConfiguration();
    QVERIFY(stored.enabled);
    QCOMPARE(stored.port, port);

    box->setChecked(false);
    QVERIFY(!window().remoteControl()->isListening());
    QVERIFY(client.waitForClosed());
    QVERIFY(!ZRemote::RemoteControlServer::profileConfiguration().enabled);
}

QTEST_MAIN(tst_RemoteEndToEnd)
#include "tst_RemoteEndToEnd.moc"
