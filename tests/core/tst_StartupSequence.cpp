#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStyle>
#include <QtTest>

#include "TestSupport.h"
#include "core/LocalizationManager.h"
#include "core/Logger.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"

using ZCore::StartupSequence;
using ZCore::TStartupStep;

namespace {
struct SaveCounter : ZCore::ISettingsRestorable
{
    int saved = 0;
    void saveSettings() override { ++saved; }
    void restoreSettings() override {}
};

QStringList g_lines;
void captureHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg)
        g_lines.append(message);
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

    void order()
    {
        QStringList tags;
        for (const TStartupStep& step : StartupSequence::managers())
            tags << step.tag;
        QCOMPARE(tags.first(), QString("Logger"));
        QCOMPARE(tags.at(1), QString("SettingsManager"));
        QCOMPARE(tags.last(), QString("LocalizationManager"));
    }

    void everyStepIsAttempted()
    {
        QStringList ran;
        const QVector<TStartupStep> steps{
            {"A",
             [&] {
                 ran << "A";
                 return false;
             }},
            {"B",
             [&] {
                 ran << "B";
                 return true;
             }},
            {"C",
             [&] {
                 ran << "C";
                 return false;
             }},
            {"D", nullptr},
        };
        const QStringList failed = StartupSequence::initManagers(steps);
        QCOMPARE(ran, (QStringList{"A", "B", "C"}));
        QCOMPARE(failed, (QStringList{"A", "C", "D"}));
        QCOMPARE(g_lines, (QStringList{"Utility::Generics >> failed to init: A",
                                       "Utility::Generics >> failed to init: C",
                                       "Utility::Generics >> failed to init: D"}));
    }

    void normalStart()
    {
        TestSupport::ScopedAppDir dir;
        const QStringList failed = StartupSequence::initManagers(StartupSequence::managers());
        QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));
        QVERIFY(QFile::exists(dir.path() + "/profiles/default.ini"));
        QVERIFY(QFile::exists(dir.path() + "/profiles/current.ini"));
        QCOMPARE(QDir(dir.path() + "/logs").entryList(QDir::Files).size(), 1);

        SaveCounter counter;
        ZCore::SettingsManager::registerRestorable(&counter);
        auto window = StartupSequence::loadMainWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->close();
        ZCore::SettingsManager::unregisterRestorable(&counter);
        QCOMPARE(counter.saved, 1); // closing the window saves the working profile

        QFile log(ZCore::Logger::filePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY(text.contains("]: EntryPoint >> loading MainWindow..\n"));
        QVERIFY(!text.contains("CRITICAL"));
        QCOMPARE(m_shown, 0);
    }

    void unwritableLogLocation()
    {
        TestSupport::ScopedAppDir dir;
        QFile blocker(dir.path() + "/logs");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        const QStringList failed = StartupSequence::initManagers(StartupSequence::managers());
        QCOMPARE(failed, QStringList{"Logger"});
        const QStringList failures = g_lines.filter("failed to init: ");
        QCOMPARE(failures, QStringList{"Utility::Generics >> failed to init: Logger"});
        // Without a log file nothing is stamped and no box interrupts the start.
        QVERIFY(g_lines.filter("]: ").isEmpty());
        QCOMPARE(m_shown, 0);
        QVERIFY(QFile::exists(dir.path() + "/profiles/current.ini"));

        auto window = StartupSequence::loadMainWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(g_lines.contains("EntryPoint >> loading MainWindow.."));
        window->close();
    }

    void splash()
    {
        const QImage image = StartupSequence::splashPixmap().toImage();
        QCOMPARE(image.size(), QSize(500, 300));
        QCOMPARE(QColor(image.pixel(1, 150)), QColor(Qt::black));
        QCOMPARE(QColor(image.pixel(498, 150)), QColor(Qt::black));
        QCOMPARE(QColor(image.pixel(10, 10)), QColor(Qt::white));
        // The logo sits in the middle.
        bool coloured = false;
        for (int x = 50; x < 450 && !coloured; ++x)
            coloured = QColor(image.pixel(x, 150)) != QColor(Qt::white);
        QVERIFY(coloured);
    }

    void applicationSetup()
    {
        QCOMPARE(QCoreApplication::organizationName(), QString("Dovra"));
        QVERIFY(!qApp->styleSheet().isEmpty());
        QCOMPARE(ZCore::LocalizationManager::currentFile(), QString(":/translation/lumenpane_en.qm"));
    }
};

QTEST_MAIN(tst_StartupSequence)
#include "tst_StartupSequence.moc"
