#include <QTcpSocket>
#include <QUrl>
#include <QtTest>

#include "UpdateServerProcess.h"

using TestSupport::UpdateServerProcess;

namespace {

// One raw HTTP exchange: the status code and the body of the answer.
QPair<int, QByteArray> exchange(const QString& baseUrl, const QByteArray& request)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(QUrl(baseUrl).port()));
    if (!socket.waitForConnected(3000))
        return {-1, QByteArray()};
    socket.write(request);
    QByteArray answer;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(3000))
        answer += socket.readAll();
    answer += socket.readAll();
    const int end = answer.indexOf("\r\n\r\n");
    return {answer.mid(9, 3).toInt(), end < 0 ? QByteArray() : answer.mid(end + 4)};
}

QByteArray post(const QByteArray& path, const QByteArray& form)
{
    return "POST " + path +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n" +
           "Content-Length: " + QByteArray::number(form.size()) + "\r\n\r\n" + form;
}

} // namespace

class tst_UpdateServer : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        const QByteArray update = "device_number=1-2-3&device_type=8&program_type=1&memory_area=0";
        QTest::newRow("newest version by number, not by text")
            << "" << post("/update.php", "device_number=1-2-3") << 200 << QByteArray("#OK: 2.0.10");
        QTest::newRow("newest image")
            << "" << post("/update.php", update) << 200 << "#OK: F:" + QByteArray("ten").toBase64();
        QTest::newRow("below a base path")
            << "" << post("/fw/update.php", "device_number=1-2-3") << 200 << QByteArray("#OK: 2.0.10");
        QTest::newRow("version report")
            << "" << post("/update.php", "device_number=1-2-3&device_soft_version=2.0.0") << 200
            << QByteArray("#OK: ");
        QTest::newRow("no device number")
            << "" << post("/update.php", "device_type=8") << 200 << QByteArray("#Error: 2");
        QTest::newRow("other program type")
            << "" << post("/update.php", "device_number=1-2-3&device_type=8&program_type=2&memory_area=0")
            << 200 << QByteArray("#Error: 3");
        QTest::newRow("other path") << "" << post("/index.php", "device_number=1-2-3") << 404
                                    << QByteArray("not found");
        QTest::newRow("not a POST") << "" << QByteArray("GET /update.php HTTP/1.1\r\nHost: x\r\n\r\n") << 405
                                    << QByteArray("POST only");
        QTest::newRow("body too large")
            << "" << QByteArray("POST /update.php HTTP/1.1\r\nContent-Length: 999999\r\n\r\n") << 413
            << QByteArray("body too large");
        // the answers of failure modes that the program's own tests do not ask for
        QTest::newRow("an empty file")
            << "--fail empty" << post("/update.php", update) << 200 << QByteArray("#OK: ");
        QTest::newRow("no file for this device")
            << "--fail not-available" << post("/update.php", update) << 200 << QByteArray("#Error: 5");
        QTest::newRow("the OK marker without its blank")
            << "--compact" << post("/update.php", update) << 200 << "#OK:F:" + QByteArray("ten").toBase64();
    }
    void answers()
    {
        QFETCH(QString, args);
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        UpdateServerProcess server;
        QVERIFY(server.addImage("2.0.9", "nine"));
        QVERIFY(server.addImage("2.0.10", "ten"));
        QVERIFY(server.addImage("1.99.99", "old"));
        QVERIFY(server.addImage("3.0", "not a version"));
        QVERIFY(server.start(args.split(' ', Qt::SkipEmptyParts)));
        QVERIFY(server.baseUrl().startsWith("http://127.0.0.1:"));
        const auto answer = exchange(server.baseUrl(), request);
        QCOMPARE(answer.first, status);
        QCOMPARE(answer.second, body);
        // one line per request on standard output
        QTRY_COMPARE(server.requests().filter(QString(" -> %1 ").arg(status)).size(), 1);
    }
};

QTEST_MAIN(tst_UpdateServer)
#include "tst_UpdateServer.moc"
