#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

#include "TestSupport.h"
#include "core/Logger.h"
#include "core/SettingsManager.h"

using ZCore::SettingsManager;

namespace {
QStringList g_critical;
void captureHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg)
        g_critical.append(message);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Records the order in which the manager asks restorables to save.
class Recorder : public ZCore::ISettingsRestorable
{
public:
    Recorder(QString name, QStringList* log) : m_name(std::move(name)), m_log(log) {}
    void saveSettings() override
    {
        m_log->append(m_name);
        SettingsManager::settings()->setValue("Test/" + m_name, m_name);
    }
    void restoreSettings() override {}

private:
    QString m_name;
    QStringList* m_log;
};
} // namespace

class tst_SettingsManager : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;

private slots:
    void init()
    {
        g_critical.clear();
        qInstallMessageHandler(captureHandler);
        m_dir = std::make_unique<TestSupport::ScopedAppDir>();
        QVERIFY(SettingsManager::init());
    }

    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        // Nothing may be left pending for a directory that is about to go.
        SettingsManager::settings()->sync();
        m_dir.reset();
    }

    void firstRunCreatesProfiles()
    {
        const QString profiles = m_dir->path() + "/profiles";
        QCOMPARE(SettingsManager::profilesDir(), profiles);
        QCOMPARE(SettingsManager::userDir(), profiles + "/user");
        QCOMPARE(SettingsManager::defaultFile(), profiles + "/default.ini");
        QCOMPARE(SettingsManager::currentFile(), profiles + "/current.ini");
        QVERIFY(QFileInfo(profiles + "/user").isDir());
        QCOMPARE(fileBytes(SettingsManager::currentFile()), fileBytes(SettingsManager::defaultFile()));
        QCOMPARE(SettingsManager::settings()->fileName(), SettingsManager::currentFile());
        QVERIFY(g_critical.isEmpty());
    }

    void defaultProfile_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("com_port") << "Default/com_port" << QVariant(QString("COM-9"));
        QTest::newRow("language") << "Default/language" << QVariant(QString(":/translation/lumenpane_en.qm"));
        QTest::newRow("interpolation") << "Default/interpolation_enabled" << QVariant(false);
        QTest::newRow("el_delay_value") << "Device/el_delay_value" << QVariant(QString("0"));
        QTest::newRow("el_delay_enabled") << "Device/el_delay_enabled" << QVariant(false);
        QTest::newRow("menu_page") << "Window.Main/menu_page" << QVariant(0);
        QTest::newRow("menu_visible") << "Window.Main/menu_visible" << QVariant(true);
        QTest::newRow("chart_arrange") << "Charts/chart_arrange" << QVariant(11);
        QTest::newRow("selected_chartview") << "Charts/selected_chartview" << QVariant(0u);
        QTest::newRow("use_opengl") << "Charts/use_opengl" << QVariant(false);
        QTest::newRow("UL type") << "Charts.UL/type" << QVariant(3);
        QTest::newRow("UR type") << "Charts.UR/type" << QVariant(4);
        QTest::newRow("BL type") << "Charts.BL/type" << QVariant(2);
        QTest::newRow("BR type") << "Charts.BR/type" << QVariant(5);
        QTest::newRow("start") << "Frequency/start" << QVariant(1.0e9);
        QTest::newRow("end") << "Frequency/end" << QVariant(3.0e9);
        QTest::newRow("points_amount") << "Frequency/points_amount" << QVariant(1000);
        QTest::newRow("bandwidth_idx") << "Frequency/bandwidth_idx" << QVariant(0);
        QTest::newRow("decs") << "Traces/decs" << QVariant(QString("trace_n = path to the trace file"));
    }

    void defaultProfile()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        // Read back by a reader of its own, as the next run would.
        QSettings file(SettingsManager::defaultFile(), QSettings::IniFormat);
        QVERIFY2(file.contains(key), qPrintable(key));
        const QVariant value = file.value(key);
        if (expected.type() == QVariant::Double)
            QCOMPARE(value.toDouble(), expected.toDouble());
        else if (expected.type() == QVariant::Bool)
            QCOMPARE(value.toBool(), expected.toBool());
        else if (expected.type() == QVariant::String)
            QCOMPARE(value.toString(), expected.toString());
        else
            QCOMPARE(value.toLongLong(), expected.toLongLong());
    }

    void defaultProfileHasNothingElse()
    {
        QSettings file(SettingsManager::defaultFile(), QSettings::IniFormat);
        QCOMPARE(file.allKeys().size(), 19);
        QCOMPARE(file.childGroups().size(), 10); // six groups and the four chart views
    }

    void existingProfilesAreKept()
    {
        QSettings(SettingsManager::currentFile(), QSettings::IniFormat).setValue("Default/com_port", "ttyX");
        const QByteArray defaults = fileBytes(SettingsManager::defaultFile());
        QVERIFY(SettingsManager::init());
        QCOMPARE(SettingsManager::settings()->value("Default/com_port").toString(), QString("ttyX"));
        QCOMPARE(fileBytes(SettingsManager::defaultFile()), defaults);
    }

    void saveAsRefusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("id");
        QTest::newRow("current") << "current.ini"
                                 << "lp_err_settings_cant_rewrite_current";
        QTest::newRow("CURRENT") << "CURRENT.INI"
                                 << "lp_err_settings_cant_rewrite_current";
        QTest::newRow("Current") << "Current.Ini"
                                 << "lp_err_settings_cant_rewrite_current";
        QTest::newRow("default") << "default.ini"
                                 << "lp_err_settings_cant_rewrite_default";
        QTest::newRow("DEFAULT") << "DEFAULT.INI"
                                 << "lp_err_settings_cant_rewrite_default";
        QTest::newRow("dEfAuLt") << "dEfAuLt.iNi"
                                 << "lp_err_settings_cant_rewrite_default";
    }

    void saveAsRefusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, id);
        const QByteArray before = fileBytes(SettingsManager::defaultFile());
        const QString target = SettingsManager::profilesDir() + "/" + name;
        QVERIFY(!SettingsManager::saveAs(target));
        // Also reached through a path written another way.
        QVERIFY(!SettingsManager::saveAs(SettingsManager::userDir() + "/../" + name));
        QCOMPARE(g_critical.size(), 2);
        QCOMPARE(g_critical[0], QString("SettingsManager >> ") + qtTrId(qPrintable(id)));
        QCOMPARE(fileBytes(SettingsManager::defaultFile()), before);
    }

    void saveAsWritesRestorablesInOrder()
    {
        QStringList order;
        Recorder a("a", &order), b("b", &order), c("c", &order);
        SettingsManager::registerRestorable(&b);
        SettingsManager::registerRestorable(&a);
        SettingsManager::registerRestorable(nullptr);
        SettingsManager::registerRestorable(&c);
        SettingsManager::registerRestorable(&a);
        const QString target = SettingsManager::userDir() + "/preset.ini";
        QVERIFY(writeBytes(target, "old"));
        const bool saved = SettingsManager::saveAs(target);
        SettingsManager::unregisterRestorable(&a);
        SettingsManager::unregisterRestorable(&b);
        SettingsManager::unregisterRestorable(&c);
        QVERIFY(saved);
        QCOMPARE(order, (QStringList{"b", "a", "c"}));
        QCOMPARE(fileBytes(target), fileBytes(SettingsManager::currentFile()));
        QCOMPARE(QSettings(target, QSettings::IniFormat).value("Test/c").toString(), QString("c"));
        QCOMPARE(SettingsManager::restorablesCount(), 0);
    }

    void loadCopiesPreset()
    {
        const QString preset = SettingsManager::userDir() + "/p.ini";
        QVERIFY(writeBytes(preset, "[Default]\ncom_port=ttyUSB7\n"));
        QSignalSpy spy(&SettingsManager::instance(), &SettingsManager::signalGotSettings);
        SettingsManager::load(preset);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(SettingsManager::settings()->value("Default/com_port").toString(), QString("ttyUSB7"));
        QCOMPARE(SettingsManager::settings()->fileName(), SettingsManager::currentFile());
    }

    void loadMissingRevertsToDefault()
    {
        SettingsManager::settings()->setValue("Default/com_port", "changed");
        QSignalSpy spy(&SettingsManager::instance(), &SettingsManager::signalGotSettings);
        SettingsManager::load(SettingsManager::userDir() + "/nope.ini");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(SettingsManager::settings()->value("Default/com_port").toString(), QString("COM-9"));
        QCOMPARE(fileBytes(SettingsManager::currentFile()), fileBytes(SettingsManager::defaultFile()));
    }

    void loadOfCurrentItselfKeepsIt()
    {
        SettingsManager::settings()->setValue("Default/com_port", "mine");
        SettingsManager::settings()->sync();
        const QByteArray before = fileBytes(SettingsManager::currentFile());
        QSignalSpy spy(&SettingsManager::instance(), &SettingsManager::signalGotSettings);
        SettingsManager::load(SettingsManager::currentFile());
        SettingsManager::load(SettingsManager::profilesDir() + "/./current.ini");
        QCOMPARE(spy.count(), 2);
        QCOMPARE(fileBytes(SettingsManager::currentFile()), before);
        QCOMPARE(SettingsManager::settings()->value("Default/com_port").toString(), QString("mine"));
    }

    void loadFailingHalfWayKeepsCurrent()
    {
        SettingsManager::settings()->setValue("Default/com_port", "kept");
        SettingsManager::settings()->sync();
        const QByteArray before = fileBytes(SettingsManager::currentFile());
        QVERIFY(before.size() < 2048);

        const QString big = SettingsManager::userDir() + "/big.ini";
        QByteArray content = "[Default]\ncom_port=lost\n[Filler]\n";
        for (int i = 0; content.size() < 64 * 1024; ++i)
            content += QByteArray("key_") + QByteArray::number(i) + "=" + QByteArray(40, 'x') + "\n";
        QVERIFY(writeBytes(big, content));

        // Writes past 4 KiB now fail, so the copy breaks off in the middle.
        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit limited = old;
        limited.rlim_cur = 4096;
        auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        QSignalSpy spy(&SettingsManager::instance(), &SettingsManager::signalGotSettings);
        SettingsManager::load(big);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldSignal);

        QCOMPARE(spy.count(), 1);
        QCOMPARE(fileBytes(SettingsManager::currentFile()), before);
        QCOMPARE(SettingsManager::settings()->value("Default/com_port").toString(), QString("kept"));
    }

    void failedPresetWriteKeepsOldPreset()
    {
        const QString target = SettingsManager::userDir() + "/old.ini";
        QVERIFY(writeBytes(target, "[Default]\ncom_port=old\n"));
        SettingsManager::settings()->setValue("Filler/blob", QString(8192, 'y'));
        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit limited = old;
        limited.rlim_cur = 4096;
        auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        SettingsManager::settings()->sync();
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const bool saved = SettingsManager::saveAs(target);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldSignal);
        QVERIFY(!saved);
        QCOMPARE(fileBytes(target), QByteArray("[Default]\ncom_port=old\n"));
    }

    void openSettingsRefusesCustomFiles()
    {
        const QString other = SettingsManager::userDir() + "/x.ini";
        SettingsManager::openSettings(other, QSettings::IniFormat);
        QCOMPARE(g_critical.size(), 1);
        QCOMPARE(g_critical[0],
                 "SettingsManager >> " + qtTrId("lp_err_settings_custom_files_not_allowed") + other);
        // The working profile is reopened on the next use.
        QCOMPARE(SettingsManager::settings()->fileName(), SettingsManager::currentFile());
    }

    void copyAllTo()
    {
        const QString other = SettingsManager::userDir() + "/copy.ini";
        QSettings target(other, QSettings::IniFormat);
        SettingsManager::copyAllTo(&target);
        target.sync();
        QCOMPARE(target.allKeys().size(), SettingsManager::settings()->allKeys().size());
        QCOMPARE(target.value("Charts.BR/type").toInt(), 5);
    }

    void unwritableProfilesDir()
    {
        TestSupport::ScopedAppDir other;
        QVERIFY(writeBytes(other.path() + "/profiles", "a file, not a directory"));
        g_critical.clear();
        QVERIFY(!SettingsManager::init());
        QVERIFY(!g_critical.isEmpty());
        QVERIFY(
            g_critical.last().startsWith("SettingsManager >>" + qtTrId("lp_err_settings_cant_create_dirs")));
    }
};

QTEST_GUILESS_MAIN(tst_SettingsManager)
#include "tst_SettingsManager.moc"
