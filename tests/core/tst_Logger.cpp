#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
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
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

class tst_Logger : public QObject
{
    Q_OBJECT

    QStringList m_shown;

private slots:
    void init()
    {
        m_shown.clear();
        g_forwarded.clear();
        qInstallMessageHandler(captureHandler);
        Logger::setPresenter([this](QtMsgType type, const QString& title, const QString& text) {
            m_shown << QString("%1|%2|%3").arg(int(type)).arg(title, text);
        });
    }

    void cleanup()
    {
        Logger::shutdown();
        Logger::resetPresenter();
        qInstallMessageHandler(nullptr);
    }

    void fileLine()
    {
        auto line = [](double seconds, QtMsgType type) { return Logger::fileLine(seconds, type, "m"); };
        QCOMPARE(line(2.031, QtWarningMsg), QString("[     2.031 ][  WARNING  ]: m\n"));
        QCOMPARE(line(0.0, QtInfoMsg), QString("[     0.000 ][   INFO    ]: m\n"));
        QCOMPARE(line(12.5, QtCriticalMsg), QString("[    12.500 ][  CRITICAL ]: m\n"));
        QCOMPARE(line(1.0, QtFatalMsg), QString("[     1.000 ][   FATAL   ]: m\n"));
        QCOMPARE(line(3.14159, QtDebugMsg), QString("[     3.142 ][   DEBUG   ]: m\n"));
        QCOMPARE(line(99999.999, QtInfoMsg), QString("[ 99999.999 ][   INFO    ]: m\n"));
        QCOMPARE(line(100000.5, QtInfoMsg), QString("[ 100000.500 ][   INFO    ]: m\n"));
    }

    void writesFileAndDropsDebug()
    {
        TestSupport::ScopedAppDir dir;
        QVERIFY(Logger::init());
        QCOMPARE(QFileInfo(Logger::filePath()).absolutePath(), QDir(dir.path()).absoluteFilePath("logs"));

        qDebug() << "debug-marker";
        qInfo().noquote() << "info-marker";
        qWarning().noquote() << "warning-marker";
        qCritical().noquote() << "critical-marker";

        const QString text = readAll(Logger::filePath());
        QVERIFY(!text.contains("debug-marker"));
        QVERIFY(text.contains("][   INFO    ]: info-marker\n"));
        QVERIFY(text.contains("][  WARNING  ]: warning-marker\n"));
        QVERIFY(text.contains("][  CRITICAL ]: critical-marker\n"));
        // The previous handler receives the level part, not the bare message.
        QVERIFY(g_forwarded.contains("[  CRITICAL ]: critical-marker"));
        QCOMPARE(m_shown, QStringList{QString("%1|Critical error|critical-marker").arg(int(QtCriticalMsg))});
    }

    void secondRunInTheSameSecondKeepsTheFirstLog()
    {
        TestSupport::ScopedAppDir dir;
        QVERIFY(Logger::init());
        qInfo().noquote() << "first-run";
        const QString first = Logger::filePath();
        Logger::shutdown();
        // Whatever second the next run starts in, a log of that name already exists.
        QDir logs(Logger::dirPath());
        const QDateTime now = QDateTime::currentDateTime();
        for (int s = 0; s <= 5; ++s) {
            QFile other(logs.filePath(now.addSecs(s).toString(Logger::FILE_TIME_PATTERN) + ".log"));
            if (other.fileName() != first) {
                QVERIFY(other.open(QIODevice::WriteOnly));
                other.write("earlier run\n");
            }
        }
        QVERIFY(Logger::init());
        qInfo().noquote() << "second-run";
        const QString text = readAll(Logger::filePath());
        QVERIFY2(text.startsWith("earlier run\n") || text.contains("first-run"), qPrintable(text));
        QVERIFY(text.contains("second-run"));
        QVERIFY(readAll(first).contains("first-run"));
    }

    void debugWrittenOnlyWhereItGoesSomewhere()
    {
        QVERIFY(Logger::isDebugWritten()); // the test's own handler receives debug lines
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        QVERIFY(!Logger::isDebugWritten());
        QLoggingCategory::setFilterRules(QString());
        TestSupport::ScopedAppDir dir;
        QVERIFY(Logger::init());
        QVERIFY(!Logger::isDebugWritten()); // the log handler drops them
    }

    void reinitDoesNotChainHandlerToItself()
    {
        TestSupport::ScopedAppDir dir;
        QVERIFY(Logger::init());
        QVERIFY(Logger::init());
        g_forwarded.clear();
        qInfo().noquote() << "second-run";
        QCOMPARE(g_forwarded.count("[   INFO    ]: second-run"), 1);
        QCOMPARE(readAll(Logger::filePath()).count("second-run"), 1);
    }
};

QTEST_GUILESS_MAIN(tst_Logger)
#include "tst_Logger.moc"
