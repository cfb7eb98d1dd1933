#include <QApplication>
#include <QFile>
#include <QtTest>

#include "TestSupport.h"
#include "core/Logger.h"
#include "core/StartupSequence.h"

using ZCore::StartupSequence;
using ZCore::TStartupStep;

namespace {
QStringList g_lines, g_critical;
void captureHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg)
        g_lines.append(message);
    if (type == QtCriticalMsg)
        g_critical.append(message);
}

void showMainWindow()
{
    auto window = StartupSequence::loadMainWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->close();
}
} // namespace

class tst_StartupSequence : public QObject
{
    Q_OBJECT

    int m_shown = 0;

private slots:
    void initTestCase()
    {
        StartupSequence::prepare();
        StartupSequence::setupApplication(*qApp);
    }

    void init()
    {
        g_lines.clear();
        g_critical.clear();
        m_shown = 0;
        qInstallMessageHandler(captureHandler);
        ZCore::Logger::setPresenter([this](QtMsgType, const QString&, const QString&) { ++m_shown; });
    }

    void cleanup()
    {
        ZCore::Logger::shutdown();
        ZCore::Logger::resetPresenter();
        qInstallMessageHandler(nullptr);
    }

    void everyStepIsAttempted()
    {
        // Failures do not stop the sequence; a step without a function counts as failed.
        const auto no = [] { return false; };
        const QVector<TStartupStep> steps{{"A", no}, {"B", [] { return true; }}, {"C", no}, {"D", nullptr}};
        const QStringList failed = StartupSequence::initManagers(steps);
        QCOMPARE(failed, (QStringList{"A", "C", "D"}));
        QCOMPARE(g_critical.size(), 3);
        QCOMPARE(g_critical[2], QString("Utility::Generics >> failed to init: D"));
    }

    void unwritableLogLocation()
    {
        TestSupport::ScopedAppDir dir;
        QVERIFY(QFile(dir.path() + "/logs").open(QIODevice::WriteOnly)); // a file where the directory goes

        // Left out, the logger is not even tried; every other manager starts all the same.
        QVERIFY(StartupSequence::startManagers(StartupSequence::ELogger::LEAVE_OUT).isEmpty());
        QVERIFY(g_critical.isEmpty());

        const QStringList failed = StartupSequence::startManagers();
        QCOMPARE(failed, QStringList{"Logger"});
        QCOMPARE(g_critical.filter("failed to init"),
                 QStringList{"Utility::Generics >> failed to init: Logger"});
        // Without a log file nothing is stamped and no box interrupts the start.
        QVERIFY(g_lines.filter("]: ").isEmpty());
        QCOMPARE(m_shown, 0);

        showMainWindow();
        QVERIFY(g_lines.contains("EntryPoint >> loading MainWindow.."));
    }
};

QTEST_MAIN(tst_StartupSequence)
#include "tst_StartupSequence.moc"
