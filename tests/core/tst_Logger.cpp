#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QtTest>

#include <thread>

#include "TestSupport.h"
#include "core/LocalizationManager.h"
#include "core/Logger.h"
#include "core/NoticeBoard.h"
#include "core/Resources.h"
#include "core/StartupSequence.h"

using ZCore::LocalizationManager;
using ZCore::Logger;
using ZCore::NoticeBoard;
using ZCore::StartupSequence;
using ZCore::TStartupStep;

namespace {
QStringList g_forwarded, g_critical;
void captureHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    g_forwarded.append(message);
    if (type == QtCriticalMsg)
        g_critical.append(message);
}

const QString EN = ":/translation/lumenpane_en.qm";
const QString RU = ":/translation/lumenpane_ru.qm";

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

// The logger, the start-up sequence that starts it and every other manager, and the languages
// their messages are read in.
class tst_Logger : public QObject
{
    Q_OBJECT

    QStringList m_shown;

private slots:
    void initTestCase()
    {
        StartupSequence::prepare();
        StartupSequence::setupApplication(*qApp);
        QVERIFY(LocalizationManager::init());
    }

    void init()
    {
        m_shown.clear();
        g_forwarded.clear();
        g_critical.clear();
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
        // Fixed width up to 99999 s, rounded to milliseconds, then wider rather than cut.
        QCOMPARE(line(3.14159, QtDebugMsg), QString("[     3.142 ][   DEBUG   ]: m\n"));
        QCOMPARE(line(99999.999, QtFatalMsg), QString("[ 99999.999 ][   FATAL   ]: m\n"));
        QCOMPARE(line(100000.5, QtInfoMsg), QString("[ 100000.500 ][   INFO    ]: m\n"));
    }

    // Debug lines are written only where they go somewhere: the test's own handler takes them, a
    // filter rule or the log file's handler drops them.
    void writesFileAndDropsDebug()
    {
        QVERIFY(Logger::isDebugWritten());
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        QVERIFY(!Logger::isDebugWritten());
        QLoggingCategory::setFilterRules(QString());
        TestSupport::ScopedAppDir dir;
        QVERIFY(Logger::init());
        QVERIFY(Logger::init()); // a second init must not chain the handler to itself
        QVERIFY(!Logger::isDebugWritten());
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
        // The banner names the version the project was built as.
        QVERIFY(text.contains(
            QString("Logger >> initializing Application ver. %1..").arg(TOLVEK_PROJECT_VERSION)));
        // The previous handler receives the level part, not the bare message.
        QCOMPARE(g_forwarded.count("[  CRITICAL ]: critical-marker"), 1);
        QCOMPARE(text.count("critical-marker"), 1);
        QCOMPARE(m_shown, QStringList{QString("%1|Critical error|critical-marker").arg(int(QtCriticalMsg))});
    }

    // Critical lines reach the notice board without waiting for anyone: a bounded queue, lines of
    // other threads handed over, and a remote command's lines kept by its capture. The log file gets
    // every line regardless.
    void criticalLinesBecomeNotices()
    {
        TestSupport::ScopedAppDir dir;
        QVERIFY(Logger::init());
        Logger::resetPresenter();
        NoticeBoard::clear();
        for (int i = 0; i < 3; ++i)
            qCritical().noquote() << "disk full";
        QCOMPARE(NoticeBoard::displayText(NoticeBoard::current()), QString("disk full (3 times)"));
        NoticeBoard::clear();

        {
            Logger::CriticalCapture outer;
            {
                Logger::CriticalCapture inner;
                qCritical().noquote() << "inner-line";
                QCOMPARE(inner.messages(), QStringList{"inner-line"});
            }
            qCritical().noquote() << "outer-line";
            QCOMPARE(outer.messages(), QStringList{"outer-line"});
        }
        QVERIFY(!NoticeBoard::hasNotice());
        std::thread([] { qCritical().noquote() << "from a worker"; }).join();
        QTRY_COMPARE(NoticeBoard::current().text, QString("from a worker"));

        for (int i = 0; i < 3 * NoticeBoard::MAX_WAITING; ++i)
            qCritical().noquote() << QString("failure %1").arg(i);
        QCOMPARE(NoticeBoard::waiting(), NoticeBoard::MAX_WAITING);
        QVERIFY(NoticeBoard::dropped() > 0);

        const QString text = readAll(Logger::filePath());
        QCOMPARE(text.count("]: disk full\n"), 3);
        QVERIFY(text.contains("]: inner-line\n") && text.contains("]: outer-line\n"));
        QVERIFY(text.contains("failure " + QString::number(3 * NoticeBoard::MAX_WAITING - 1)));
        NoticeBoard::clear();
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
        QVERIFY(g_critical.contains("Utility::Path >> failed to create dir [ LOG_DIR ] at: " + dir.path() + "/logs"));
        // Without a log file nothing is stamped and no box interrupts the start.
        QVERIFY(g_forwarded.filter("]: ").isEmpty());
        QVERIFY(m_shown.isEmpty());

        auto window = StartupSequence::loadMainWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(g_forwarded.contains("EntryPoint >> loading MainWindow.."));
    }

    void switchLanguage()
    {
        QCOMPARE(LocalizationManager::languageName(RU), QString::fromUtf8("Русский"));
        QVERIFY(LocalizationManager::setLanguage(EN));
        QCOMPARE(qtTrId("lp_err_failed_manager_init"), QString("failed to init: "));
        QSignalSpy spy(&LocalizationManager::instance(), &LocalizationManager::signalLoadedLang);

        // A file that cannot be loaded leaves the program untranslated and announces nothing.
        QVERIFY(!LocalizationManager::setLanguage(":/nothing.qm"));
        QCOMPARE(g_forwarded,
                 QStringList{"LocalizationManager >> target tr-file cannot be loaded: :/nothing.qm"});
        QCOMPARE(spy.count(), 0);
        QCOMPARE(LocalizationManager::currentFile(), EN);
        QCOMPARE(qtTrId("lp_err_failed_manager_init"), QString("lp_err_failed_manager_init"));
    }

    // Every core message exists in both languages with the same placeholders and trailing blank.
    void catalogue()
    {
        QTranslator enTr, ruTr;
        QVERIFY(enTr.load(EN) && ruTr.load(RU));
        for (const char* id :
             {"lp_err_logger_cant_create_dirs", "lp_err_logger_cant_create_file",
              "lp_err_settings_cant_create_dirs", "lp_err_settings_cant_create_files",
              "lp_err_settings_cant_create_default", "lp_err_settings_custom_files_not_allowed",
              "lp_err_settings_cant_rewrite_current", "lp_err_settings_cant_rewrite_default",
              "lp_err_tr_files_lost", "lp_util_failed_to_create"}) {
            const QString english = enTr.translate("", id), russian = ruTr.translate("", id);
            QVERIFY2(!english.isEmpty() && !russian.isEmpty() && russian != english, id);
            QCOMPARE(russian.count("%"), english.count("%"));
            QCOMPARE(russian.endsWith(' '), english.endsWith(' '));
        }
    }
};

QTEST_MAIN(tst_Logger)
#include "tst_Logger.moc"
