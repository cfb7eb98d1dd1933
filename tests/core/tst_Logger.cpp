#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

#include "TestSupport.h"
#include "core/Logger.h"

using ZCore::Logger;

namespace {
QStringList g_forwarded;
void captureHandler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_forwarded.append(message);
}

QString readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
} // namespace

class tst_Logger : public QObject
{
    Q_OBJECT

    struct Shown
    {
        QtMsgType type;
        QString title;
        QString text;
    };
    QVector<Shown> m_shown;

private slots:
    void init()
    {
        m_shown.clear();
        g_forwarded.clear();
        qInstallMessageHandler(captureHandler);
        Logger::setPresenter([this](QtMsgType type, const QString& title, const QString& text) {
            m_shown.append({type, title, text});
        });
    }

    void cleanup()
    {
        Logger::shutdown();
        Logger::resetPresenter();
        qInstallMessageHandler(nullptr);
    }

    void fileLine_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");

        QTest::newRow("warning at 2.031 s") << 2.031 << int(QtWarningMsg) << "X >> w"
                                            << "[     2.031 ][  WARNING  ]: X >> w\n";
        QTest::newRow("info at start") << 0.0 << int(QtInfoMsg) << "a"
                                       << "[     0.000 ][   INFO    ]: a\n";
        QTest::newRow("critical") << 12.5 << int(QtCriticalMsg) << "c"
                                  << "[    12.500 ][  CRITICAL ]: c\n";
        QTest::newRow("fatal") << 1.0 << int(QtFatalMsg) << "f"
                               << "[     1.000 ][   FATAL   ]: f\n";
        QTest::newRow("widest fixed column") << 99999.999 << int(QtInfoMsg) << "m"
                                             << "[ 99999.999 ][   INFO    ]: m\n";
        QTest::newRow("column grows beyond") << 100000.5 << int(QtInfoMsg) << "m"
                                             << "[ 100000.500 ][   INFO    ]: m\n";
        QTest::newRow("rounded to milliseconds") << 3.14159 << int(QtWarningMsg) << ""
                                                 << "[     3.142 ][  WARNING  ]: \n";
        QTest::newRow("no quoting of text") << 0.001 << int(QtInfoMsg) << "\"q\" >> %1"
                                            << "[     0.001 ][   INFO    ]: \"q\" >> %1\n";
    }

    void fileLine()
    {
        QFETCH(double, seconds);
        QFETCH(int, type);
        QFETCH(QString, message);
        QFETCH(QString, expected);
        QCOMPARE(Logger::fileLine(seconds, QtMsgType(type), message), expected);
    }

    void levelNames_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("debug") << int(QtDebugMsg) << "  DEBUG  ";
        QTest::newRow("warning") << int(QtWarningMsg) << " WARNING ";
        QTest::newRow("critical") << int(QtCriticalMsg) << " CRITICAL";
        QTest::newRow("fatal") << int(QtFatalMsg) << "  FATAL  ";
        QTest::newRow("info") << int(QtInfoMsg) << "  INFO   ";
    }

    void levelNames()
    {
        QFETCH(int, type);
        QFETCH(QString, name);
        QCOMPARE(Logger::levelName(QtMsgType(type)), name);
        QCOMPARE(Logger::levelName(QtMsgType(type)).size(), 9);
    }

    void writesFileAndDropsDebug()
    {
        TestSupport::ScopedAppDir dir;
        QVERIFY(Logger::init());
        QVERIFY(Logger::isFileOpen());

        const QFileInfo info(Logger::filePath());
        QCOMPARE(info.absolutePath(), QDir(dir.path()).absoluteFilePath("logs"));
        QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d_\\d\\d\\.\\d\\d\\.\\d\\d\\.log$")
                    .match(info.fileName())
                    .hasMatch());

        qDebug() << "debug-marker";
        qInfo().noquote() << "info-marker";
        qWarning().noquote() << "warning-marker";
        qCritical().noquote() << "critical-marker";

        const QString text = readAll(Logger::filePath());
        QVERIFY(!text.contains("debug-marker"));
        for (const QString& f : g_forwarded)
            QVERIFY2(!f.contains("debug-marker"), qPrintable(f));

        // Written before the handler is installed, so only the earlier handler sees it.
        QVERIFY(g_forwarded.contains("Logger >> created [ LOG_FILE ] at: " + Logger::filePath()));
        QVERIFY(text.contains("][   INFO    ]: Logger >> initializing Application ver. 1.14.423..\n"));
        QVERIFY(text.contains("][   INFO    ]: info-marker\n"));
        QVERIFY(text.contains("][  WARNING  ]: warning-marker\n"));
        QVERIFY(text.contains("][  CRITICAL ]: critical-marker\n"));
        QVERIFY(!text.startsWith(QChar(0xFEFF)));

        // Every file line: a right-aligned time column of at least nine characters, then the level.
        const QRegularExpression shape("^\\[ [ \\d]{4}\\d\\.\\d{3} \\]\\[ (.{9}) \\]: ");
        const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 4);
        for (const QString& line : lines)
            QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));

        // The previous handler receives the level part, not the bare message.
        QVERIFY(g_forwarded.contains("[  CRITICAL ]: critical-marker"));
        QVERIFY(g_forwarded.contains("[   INFO    ]: info-marker"));

        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].type, QtCriticalMsg);
        QCOMPARE(m_shown[0].title, QString("Critical error"));
        QCOMPARE(m_shown[0].text, QString("critical-marker"));
    }

    void banner()
    {
        TestSupport::ScopedAppDir dir;
        QVERIFY(Logger::init());
        Logger::printBanner();
        const QString row(52, '=');
        const QString text = readAll(Logger::filePath());
        QVERIFY(text.contains("]:  " + row + "\n"));
        QVERIFY(text.contains("]:  " + QString(15, ' ') + "Started new session\n"));
        QCOMPARE(text.count(row), 2);
    }

    void reinitDoesNotChainHandlerToItself()
    {
        TestSupport::ScopedAppDir dir;
        QVERIFY(Logger::init());
        qInfo().noquote() << "first-run";
        QVERIFY(Logger::init());
        g_forwarded.clear();
        qInfo().noquote() << "second-run";
        // Chained to itself the handler would forward the line twice (or recurse).
        QCOMPARE(g_forwarded.count("[   INFO    ]: second-run"), 1);
        QCOMPARE(readAll(Logger::filePath()).count("second-run"), 1);
    }

    void unwritableDirectory()
    {
        TestSupport::ScopedAppDir dir;
        QFile blocker(dir.path() + "/logs");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        QVERIFY(!Logger::init());
        QVERIFY(!Logger::isFileOpen());
        // No handler was installed: messages still reach the earlier one unchanged.
        g_forwarded.clear();
        qWarning().noquote() << "after-failure";
        QCOMPARE(g_forwarded, QStringList{"after-failure"});
        QVERIFY(m_shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Logger)
#include "tst_Logger.moc"
