#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

#include "devicelink/CommandQueue.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceTypes.h"
#include "devicelink/FirmwareUpdater.h"
#include "server/ServerManager.h"

using namespace ZData;

namespace {

// A scripted HTTP server on loopback: answers every request with one status and body, or not at all.
// The length is never announced (the body ends when the connection does), so the reply cap is what
// holds; the answer goes out in pieces of 2 KiB.
class StubHttp : public QObject
{
public:
    int status = 200;
    QByteArray body;
    bool silent = false;
    int delayMs = 0;
    int pieceGapMs = 0;
    qint64 bytesWritten = 0;    // of the last answer, before the client went away
    QList<QByteArray> requests; // raw request bytes, header and body

    bool start() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl baseUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }

    StubHttp()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                auto buffer = std::make_shared<QByteArray>();
                connect(s, &QTcpSocket::readyRead, this, [this, s, buffer] { onRead(s, *buffer); });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }

private:
    void onRead(QTcpSocket* s, QByteArray& buffer)
    {
        buffer += s->readAll();
        const int end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const int at = buffer.toLower().indexOf("content-length:");
        const int length =
            at < 0 ? 0 : buffer.mid(at + 15, buffer.indexOf('\r', at) - at - 15).trimmed().toInt();
        if (buffer.size() < end + 4 + length)
            return;
        requests << buffer;
        buffer.clear();
        if (silent)
            return;
        const QByteArray reply =
            "HTTP/1.1 " + QByteArray::number(status) + " X\r\nConnection: close\r\n\r\n" + body;
        bytesWritten = 0;
        QPointer<QTcpSocket> guard(s);
        QTimer::singleShot(delayMs, this, [this, guard, reply] { sendPiece(guard, reply, 0); });
    }

    void sendPiece(QPointer<QTcpSocket> guard, const QByteArray& reply, int index)
    {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState)
            return;
        const int size = 2048;
        const QByteArray piece = reply.mid(index * size, size);
        guard->write(piece);
        guard->flush();
        bytesWritten += piece.size();
        if ((index + 1) * size >= reply.size()) {
            guard->disconnectFromHost();
            return;
        }
        QTimer::singleShot(pieceGapMs, this,
                           [this, guard, reply, index] { sendPiece(guard, reply, index + 1); });
    }

    QTcpServer m_server;
};

int g_criticals = 0;
QtMessageHandler g_previous = nullptr;

void countCriticals(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtCriticalMsg)
        ++g_criticals;
    else if (g_previous)
        g_previous(type, context, message);
}

} // namespace

class tst_ServerManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ZData::EServerCommands>();
        qunsetenv(ServerManager::URL_ENVIRONMENT);
        QVERIFY(DeviceManager::init());
        TDeviceInfo info;
        info.identifier = "9-8-7";
        info.deviceType = 8;
        DeviceManager::setDeviceInfo(info);
        g_previous = qInstallMessageHandler(countCriticals);
    }
    void cleanupTestCase() { qInstallMessageHandler(g_previous); }
    void init()
    {
        g_criticals = 0;
        m_stub = std::make_unique<StubHttp>();
        QVERIFY(m_stub->start());
        ServerManager::setBaseUrl(m_stub->baseUrl());
    }
    void cleanup()
    {
        ServerManager::cancel();
        ServerManager::clearCache();
        m_stub.reset();
    }

    void baseUrlIsNormalised_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("base");
        QTest::newRow("no trailing slash") << "http://127.0.0.1:8080"
                                           << "http://127.0.0.1:8080/";
        QTest::newRow("sub-directory") << "http://127.0.0.1:8080/fw"
                                       << "http://127.0.0.1:8080/fw/";
        QTest::newRow("empty means none") << ""
                                          << "";
        QTest::newRow("other scheme") << "ftp://127.0.0.1/"
                                      << "";
        QTest::newRow("no host") << "http:///update"
                                 << "";
        QTest::newRow("with a query") << "http://127.0.0.1/?a=1"
                                      << "";
        QTest::newRow("not a URL") << "127.0.0.1 port 80"
                                   << "";
    }
    void baseUrlIsNormalised()
    {
        QFETCH(QString, text);
        QFETCH(QString, base);
        const QUrl url = ServerManager::normalisedBaseUrl(text);
        QCOMPARE(url.toString(), base);
        if (!base.isEmpty()) {
            ServerManager::setBaseUrl(url);
            QCOMPARE(ServerManager::updateUrl().toString(), base + "update.php");
        }
    }

    // Without a configured URL nothing leaves the program.
    void noBaseUrlSendsNothing()
    {
        qunsetenv(ServerManager::URL_ENVIRONMENT);
        ServerManager::init();
        if (ServerManager::isConfigured())
            QSKIP("this build was configured with an update server");
        QSignalSpy replies(&ServerManager::instance(), &ServerManager::signalGotReply);
        QVERIFY(!ServerManager::requestActualVersion());
        QVERIFY(!ServerManager::requestUpdate());
        QVERIFY(!ServerManager::sendActualVersion({2, 0, 0}));
        QTest::qWait(200); // proves that nothing happens
        QCOMPARE(replies.count(), 0);
        QVERIFY(m_stub->requests.isEmpty());
    }

    void replyParsing_data()
    {
        QTest::addColumn<int>("which");  // 0 version, 1 update
        QTest::addColumn<int>("status"); // 0 nobody listens, -1 no answer
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<EServerCommands>("result");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("file");
        const QByteArray image("\x01\x02firmware\xff", 11);
        using E = EServerCommands;
        QTest::newRow("OK, lower case, trailing newline")
            << 0 << 200 << QByteArray("#ok: 3.1.4\r\n") << E::GET_ACTUAL_VERSION << "3.1.4" << QByteArray();
        QTest::newRow("OK without the blank, version")
            << 0 << 200 << QByteArray("#OK:12.0.1") << E::GET_ACTUAL_VERSION << "12.0.1" << QByteArray();
        QTest::newRow("OK without the blank, file")
            << 1 << 200 << "#OK:F:" + image.toBase64() << E::GET_UPDATE << QString("F:" + image.toBase64())
            << image;
        QTest::newRow("file text cut short")
            << 1 << 200 << "#OK: F:" + image.toBase64().chopped(1) << E::GET_UPDATE
            << QString("F:" + image.toBase64().chopped(1)) << QByteArray();
        QTest::newRow("file without its tag") << 1 << 200 << "#OK: " + image.toBase64() << E::GET_UPDATE
                                              << QString(image.toBase64()) << QByteArray();
        const QByteArray tooLarge = QByteArray(EProtocolSetup::FIRMWARE_MAX_BYTES + 1, 'x').toBase64();
        QTest::newRow("image larger than the analyser's flash")
            << 1 << 200 << "#OK: F:" + tooLarge << E::GET_UPDATE << QString("F:" + tooLarge) << QByteArray();
        QTest::newRow("version answer longer than a line")
            << 0 << 200 << "#OK: 2.0.1" + QByteArray(300, ' ') << E::E_UNKNOWN << "" << QByteArray();
        QTest::newRow("answer beyond the largest image")
            << 1 << 200 << "#OK: F:" + QByteArray(2 * EProtocolSetup::FIRMWARE_MAX_BYTES, 'A') << E::E_UNKNOWN
            << "" << QByteArray();
        QTest::newRow("OK without file")
            << 1 << 200 << QByteArray("#OK: F:") << E::GET_UPDATE << "F:" << QByteArray();
        QTest::newRow("error 6, critical message")
            << 1 << 200 << QByteArray("#Error: 6") << E::E_BIN_NOT_FOUND << "" << QByteArray();
        QTest::newRow("error 5") << 0 << 200 << QByteArray("#Error: 5") << E::E_UPDATE_NOT_AVAILABLE << ""
                                 << QByteArray();
        QTest::newRow("unknown code 4")
            << 1 << 200 << QByteArray("#Error: 4") << E::E_UNKNOWN << "" << QByteArray();
        QTest::newRow("code of a request")
            << 1 << 200 << QByteArray("#Error: 10") << E::E_UNKNOWN << "" << QByteArray();
        QTest::newRow("not the protocol")
            << 0 << 200 << QByteArray("<html>busy</html>") << E::E_UNKNOWN << "" << QByteArray();
        QTest::newRow("empty body, version")
            << 0 << 200 << QByteArray() << E::GET_ACTUAL_VERSION << "" << QByteArray();
        QTest::newRow("time-out") << 1 << -1 << QByteArray() << E::E_REQUEST_TIMEOUT << "" << QByteArray();
        QTest::newRow("HTTP 404") << 1 << 404 << "#OK: F:" + image.toBase64() << E::E_LOST_INTERNET_CONNECTION
                                  << "" << QByteArray();
        QTest::newRow("connection refused")
            << 0 << 0 << QByteArray() << E::E_LOST_INTERNET_CONNECTION << "" << QByteArray();
    }
    void replyParsing()
    {
        QFETCH(int, which);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(EServerCommands, result);
        QFETCH(QString, text);
        QFETCH(QByteArray, file);
        m_stub->status = status;
        m_stub->body = body;
        m_stub->silent = status < 0;
        if (status == 0)
            m_stub.reset(); // nobody listens on the port any more
        QSignalSpy replies(&ServerManager::instance(), &ServerManager::signalGotReply);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(which == 0 ? ServerManager::requestActualVersion() : ServerManager::requestUpdate());
        QVERIFY(replies.wait(ServerManager::REPLY_TIMEOUT_MS + 3000));
        if (m_stub) { // a form post of the device's own data
            const QByteArray forms[] = {"device_number=9-8-7",
                                        "device_number=9-8-7&device_type=8&program_type=1&memory_area=0"};
            QCOMPARE(m_stub->requests.size(), 1);
            const QByteArray request = m_stub->requests.first();
            QVERIFY2(request.startsWith("POST /update.php HTTP/1.1\r\n"), request.constData());
            QVERIFY(request.toLower().contains("content-type: application/x-www-form-urlencoded\r\n"));
            QVERIFY(request.endsWith("\r\n\r\n" + forms[which]));
        }
        if (status < 0)
            QVERIFY(clock.elapsed() >= ServerManager::REPLY_TIMEOUT_MS - 100);
        QCOMPARE(ServerManager::lastCommand(), result);
        QCOMPARE(ServerManager::replyText(), text);
        QCOMPARE(ServerManager::replyBytes(), file);
        // Only a lost update file is worth a critical message, shown after the reply is handled; the
        // wait proves that no other reply raises one.
        QTest::qWait(20);
        QCOMPARE(g_criticals, result == EServerCommands::E_BIN_NOT_FOUND ? 1 : 0);
        QCOMPARE(replies.count(), 1);
    }

    // The time-out is for a server that stopped answering, and the cap holds also for an answer whose
    // length is not announced: the excess is never read.
    void slowAndEndlessAnswers_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<EServerCommands>("result");
        const QByteArray image = QByteArray(60 * 1024, '\x5a');
        using E = EServerCommands;
        // 4 s in all: past the time-out, but never without progress for long
        QTest::newRow("slow but steady file") << 1 << "#OK: F:" + image.toBase64() << 100 << E::GET_UPDATE;
        QTest::newRow("endless version answer")
            << 0 << "#OK: 2.0.1\n" + QByteArray(8 << 20, ' ') << 5 << E::E_UNKNOWN;
    }
    void slowAndEndlessAnswers()
    {
        QFETCH(int, which);
        QFETCH(QByteArray, body);
        QFETCH(int, gapMs);
        QFETCH(EServerCommands, result);
        m_stub->body = body;
        m_stub->pieceGapMs = gapMs;
        QSignalSpy replies(&ServerManager::instance(), &ServerManager::signalGotReply);
        QVERIFY(which == 0 ? ServerManager::requestActualVersion() : ServerManager::requestUpdate());
        QVERIFY(replies.wait(15000));
        QCOMPARE(ServerManager::lastCommand(), result);
        if (result == EServerCommands::GET_UPDATE) {
            QCOMPARE(ServerManager::replyBytes().size(), 60 * 1024);
        } else {
            QVERIFY(ServerManager::replyText().isEmpty());
            QVERIFY2(m_stub->bytesWritten < body.size() / 2,
                     qPrintable(QString::number(m_stub->bytesWritten)));
        }
    }

    // Only a readable version is ever compared with the device's; anything else is a failed check,
    // and the command is finished.
    void unreadableVersionFailsTheCheck_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("garbled version") << QByteArray("#OK: 2.x.1");
        QTest::newRow("rich text") << QByteArray("#OK: <b>9.9.9</b>");
        QTest::newRow("no version") << QByteArray("#OK: ");
    }
    void unreadableVersionFailsTheCheck()
    {
        QFETCH(QByteArray, body);
        m_stub->body = body;
        QSignalSpy reply(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateReply);
        QSignalSpy failed(&FirmwareUpdater::instance(), &FirmwareUpdater::signalUpdateCheckFailed);
        FirmwareUpdater::checkForUpdates();
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(failed.first().first().value<EServerCommands>(), EServerCommands::E_UNKNOWN);
        QCOMPARE(reply.count(), 0);
        QVERIFY(DM::CommandQueue::isEmpty());
    }

    // A cancelled or superseded request never announces its reply.
    void lateReplyIsDropped()
    {
        m_stub->body = "#OK: 2.0.1";
        m_stub->delayMs = 300;
        QSignalSpy replies(&ServerManager::instance(), &ServerManager::signalGotReply);
        QVERIFY(ServerManager::requestActualVersion());
        QTRY_COMPARE(m_stub->requests.size(), 1);
        ServerManager::cancel();
        QTest::qWait(600); // proves that nothing happens: past the moment the answer comes
        QCOMPARE(replies.count(), 0);

        m_stub->body = "#OK: 7.7.7";
        QVERIFY(ServerManager::requestActualVersion());
        QVERIFY(ServerManager::sendActualVersion({1, 2, 3})); // supersedes the question
        QVERIFY(replies.wait(3000));
        QTest::qWait(400); // proves that the superseded question brings no second reply
        QCOMPARE(replies.count(), 1);
        QCOMPARE(ServerManager::lastCommand(), EServerCommands::SEND_ACTUAL_VERSION);
    }

private:
    std::unique_ptr<StubHttp> m_stub;
};

QTEST_MAIN(tst_ServerManager)
#include "tst_ServerManager.moc"
