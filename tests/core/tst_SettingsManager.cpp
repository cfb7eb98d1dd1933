#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

#include "TestSupport.h"
#include "core/SettingsManager.h"

using TestSupport::readFile;
using TestSupport::writeFile;
using ZCore::SettingsManager;

namespace {
QStringList g_critical;
void captureHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg)
        g_critical.append(message);
}

// Runs `action` with writes past `limit` bytes failing, so that any copy breaks off in the middle.
template <typename F>
void withSmallFileLimit(rlim_t limit, F action)
{
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit limited = old;
    limited.rlim_cur = limit;
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    action();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
}

QString comPort()
{
    return SettingsManager::settings()->value("Default/com_port").toString();
}

QByteArray setComPort(const QString& value) // returns the synced working profile
{
    SettingsManager::settings()->setValue("Default/com_port", value);
    SettingsManager::settings()->sync();
    return readFile(SettingsManager::currentFile());
}
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
        SettingsManager::settings()->sync(); // nothing left pending for a directory about to go
        m_dir.reset();
    }

    void defaultProfile()
    {
        QCOMPARE(readFile(SettingsManager::currentFile()), readFile(SettingsManager::defaultFile()));
        // Read back by a reader of its own, as the next run would: the sweep the first start measures.
        QSettings file(SettingsManager::defaultFile(), QSettings::IniFormat);
        QCOMPARE(file.value("Frequency/start").toDouble(), 1e9);
        QCOMPARE(file.value("Frequency/end").toDouble(), 3e9);
        QCOMPARE(file.value("Frequency/points_amount").toInt(), 1000);
        QVERIFY(g_critical.isEmpty());

        // A second start keeps both existing profiles as they are.
        const QByteArray defaults = readFile(SettingsManager::defaultFile());
        setComPort("ttyX");
        QVERIFY(SettingsManager::init());
        QCOMPARE(comPort(), QString("ttyX"));
        QCOMPARE(readFile(SettingsManager::defaultFile()), defaults);
    }

    void saveAsRefusals_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"current.ini", "Current.Ini", "DEFAULT.INI", "dEfAuLt.iNi"})
            QTest::newRow(name) << QString(name);
    }

    void saveAsRefusals()
    {
        QFETCH(QString, name);
        const QString id = "lp_err_settings_cant_rewrite_" + name.section('.', 0, 0).toLower();
        const QByteArray before = readFile(SettingsManager::defaultFile());
        QVERIFY(!SettingsManager::saveAs(SettingsManager::profilesDir() + "/" + name));
        QVERIFY(!SettingsManager::saveAs(SettingsManager::userDir() + "/../" + name));
        QCOMPARE(g_critical.size(), 2);
        QCOMPARE(g_critical[0], "SettingsManager >> " + qtTrId(qPrintable(id)));
        QCOMPARE(readFile(SettingsManager::defaultFile()), before);
    }

    // A preset is copied in and a missing one brings the default back; loading the working profile
    // itself, or a copy that breaks off half-way, leaves it intact.
    void load()
    {
        const QString preset = SettingsManager::userDir() + "/p.ini";
        QVERIFY(writeFile(preset, "[Default]\ncom_port=ttyUSB7\n"));
        QSignalSpy spy(&SettingsManager::instance(), &SettingsManager::signalGotSettings);
        SettingsManager::load(preset);
        QCOMPARE(comPort(), QString("ttyUSB7"));
        QCOMPARE(SettingsManager::settings()->fileName(), SettingsManager::currentFile());
        SettingsManager::load(SettingsManager::userDir() + "/nope.ini");
        QCOMPARE(readFile(SettingsManager::currentFile()), readFile(SettingsManager::defaultFile()));

        const QByteArray before = setComPort("mine");
        SettingsManager::load(SettingsManager::currentFile());
        SettingsManager::load(SettingsManager::profilesDir() + "/./current.ini");
        QCOMPARE(readFile(SettingsManager::currentFile()), before);
        QCOMPARE(comPort(), QString("mine"));
        const QString big = SettingsManager::userDir() + "/big.ini";
        QByteArray content = "[Default]\ncom_port=lost\n[Filler]\n";
        for (int i = 0; content.size() < 64 * 1024; ++i)
            content += "key_" + QByteArray::number(i) + "=" + QByteArray(40, 'x') + "\n";
        QVERIFY(writeFile(big, content) && before.size() < 2048);
        withSmallFileLimit(4096, [&] { SettingsManager::load(big); });
        QCOMPARE(spy.count(), 5);
        QCOMPARE(readFile(SettingsManager::currentFile()), before);
        QCOMPARE(comPort(), QString("mine"));
        QVERIFY(g_critical.isEmpty());

        // A file of the caller's own never becomes the profile.
        const QString other = SettingsManager::userDir() + "/x.ini";
        SettingsManager::openSettings(other, QSettings::IniFormat);
        QCOMPARE(g_critical, QStringList{"SettingsManager >> " +
                                         qtTrId("lp_err_settings_custom_files_not_allowed") + other});
        QCOMPARE(SettingsManager::settings()->fileName(), SettingsManager::currentFile());
    }

    // A write cut short (full disk, file-size limit) must leave the old files as they were, say so,
    // and keep the change for a later save.
    void failedWriteKeepsOldFiles_data()
    {
        QTest::addColumn<bool>("asPreset");
        QTest::addColumn<int>("limit");
        QTest::newRow("window close, cut at 4 KiB") << false << 4096;
        QTest::newRow("window close, nothing written") << false << 0;
        QTest::newRow("preset, cut at 4 KiB") << true << 4096;
        QTest::newRow("preset, nothing written") << true << 0;
    }

    void failedWriteKeepsOldFiles()
    {
        QFETCH(bool, asPreset);
        QFETCH(int, limit);
        const QString target = SettingsManager::userDir() + "/old.ini";
        QVERIFY(writeFile(target, "[Default]\ncom_port=old\n"));
        const QByteArray before = setComPort("old");
        QVERIFY(before.contains("com_port=old"));
        const QString big(8192, 'y');
        SettingsManager::settings()->setValue("Default/com_port", big);

        bool saved = true;
        withSmallFileLimit(rlim_t(limit), [&] {
            saved = asPreset ? SettingsManager::saveAs(target) : SettingsManager::saveAll();
        });
        QVERIFY(!saved);
        QCOMPARE(readFile(SettingsManager::currentFile()), before);
        QCOMPARE(readFile(target), QByteArray("[Default]\ncom_port=old\n"));
        QVERIFY(!QFile::exists(SettingsManager::currentFile() + ".previous"));
        QCOMPARE(g_critical, QStringList{"SettingsManager >> " + qtTrId("lp_err_settings_cant_write") +
                                         SettingsManager::currentFile()});
        g_critical.clear();

        // Once there is room again the change is written after all.
        QCOMPARE(comPort(), big);
        QVERIFY(SettingsManager::saveAll());
        QVERIFY(readFile(SettingsManager::currentFile()).contains(big.toLatin1()));
        QCOMPARE(g_critical, QStringList());
    }

    // Files the INI reader would choke on never become the working profile.
    void loadRefusesDamagedPresets_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray list = "(\\0\\0\\0)\n"; // a list claiming 671 million entries
        QTest::newRow("fuzzer's 22 bytes") << QByteArray("=@Variant(\\0\\0\\0\\t(\0\0)", 22);
        QTest::newRow("variant") << "[Default]\ncom_port=@Variant(\\0\\0\\0\\t" + list;
        QTest::newRow("variant in a list") << "[Default]\ncom_port=a, @Variant(\\0\\0\\0\\t" + list;
        QTest::newRow("quoted variant") << "[Default]\ncom_port=\"@Variant(\\0\\0\\0\\t" + list;
        QTest::newRow("variant split by quotes") << "[Default]\ncom_port=\"@Var\"iant(\\0\\0\\0\\t" + list;
        QTest::newRow("hex-escaped marker") << "[Default]\ncom_port=\\x40Variant(\\0\\0\\0\\t" + list;
        QTest::newRow("octal-escaped marker") << "[Default]\ncom_port=\\100Variant(\\0\\0\\0\\t" + list;
        QTest::newRow("escaped letter") << "[Default]\ncom_port=@\\x56\\x61riant(\\0\\0\\0\\t" + list;
        QTest::newRow("continued line") << "[Default]\ncom_port=@Var\\\niant(\\0\\0\\0\\t" + list;
        QTest::newRow("continued line, CR LF") << "[Default]\r\ncom_port=@Var\\\r\niant(\\0\\0\\0\\t" + list;
        QTest::newRow("not text") << QByteArray("[Default]\ncom_port=a\0b\n", 23);
        QTest::newRow("oversized") << "[Default]\ncom_port=" +
                                          QByteArray(int(SettingsManager::MAX_PROFILE_SIZE), 'x');
    }

    void loadRefusesDamagedPresets()
    {
        QFETCH(QByteArray, content);
        const QByteArray before = setComPort("mine");
        const QString preset = SettingsManager::userDir() + "/crafted.ini";
        QVERIFY(writeFile(preset, content));
        QSignalSpy spy(&SettingsManager::instance(), &SettingsManager::signalGotSettings);
        SettingsManager::load(preset);
        QCOMPARE(g_critical,
                 QStringList{"SettingsManager >> " + qtTrId("lp_err_settings_damaged_profile") + preset});
        QCOMPARE(spy.count(), 1);
        QCOMPARE(readFile(SettingsManager::currentFile()), before);
        QCOMPARE(comPort(), QString("mine"));
        QCOMPARE(readFile(preset), content); // the user's file is left as it was
    }

    // What the program itself stores reads back: window geometry bytes, shapes, odd strings.
    void loadKeepsOwnValueKinds()
    {
        QByteArray geometry;
        for (int i = 0; i < 256; ++i)
            geometry += char(i);
        geometry += QByteArray("\0"
                               "1\0"
                               "a\x7f"
                               "F",
                               7);
        const QString preset = SettingsManager::userDir() + "/own.ini";
        const QVariantMap values{{"Window.Main/geometry", geometry},
                                 {"Window.Main/size", QSize(800, 600)},
                                 {"Window.Main/pos", QPoint(-5, 7)},
                                 {"Window.Main/rect", QRect(1, 2, 3, 4)},
                                 {"Default/com_port", QString("@ttyUSB0, user@host = \"x\"; \\ \\x40")},
                                 {"Traces/trace_1", QString::fromUtf8("/home/пользователь/trace.tbin")},
                                 {"Default/list", QStringList{"@a", "b,c", ""}},
                                 {"Traces/loaded/1/path", QString("/tmp/a=b.tbin")},
                                 {"Traces/loaded/size", 1}};
        {
            QSettings file(preset, QSettings::IniFormat);
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                file.setValue(it.key(), it.value());
        }
        QVERIFY(!readFile(preset).contains("@Variant("));
        SettingsManager::load(preset);
        QVERIFY2(g_critical.isEmpty(), qPrintable(g_critical.join('\n')));
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            QCOMPARE(SettingsManager::settings()->value(it.key()), it.value());
    }

    // A damaged working or default profile is moved aside, never deleted, and the program starts.
    void damagedProfilesAtStart_data()
    {
        QTest::addColumn<bool>("currentDamaged");
        QTest::addColumn<bool>("defaultDamaged");
        QTest::newRow("current") << true << false;
        QTest::newRow("default") << false << true;
        QTest::newRow("both") << true << true;
    }

    void damagedProfilesAtStart()
    {
        QFETCH(bool, currentDamaged);
        QFETCH(bool, defaultDamaged);
        const QByteArray crafted("=@Variant(\\0\\0\\0\\t(\0\0)", 22);
        const QByteArray defaults = readFile(SettingsManager::defaultFile());
        const QByteArray own = setComPort("mine");
        SettingsManager::settings()->sync();
        for (int round = 0; round < 2; ++round) {
            if (currentDamaged)
                QVERIFY(writeFile(SettingsManager::currentFile(), crafted));
            if (defaultDamaged)
                QVERIFY(writeFile(SettingsManager::defaultFile(), crafted));
            QVERIFY(SettingsManager::init());
            QVERIFY(g_critical.isEmpty());
            const QString suffix = round == 0 ? ".damaged" : ".damaged.1";
            if (currentDamaged)
                QCOMPARE(readFile(SettingsManager::currentFile() + suffix), crafted);
            if (defaultDamaged)
                QCOMPARE(readFile(SettingsManager::defaultFile() + suffix), crafted);
            QCOMPARE(readFile(SettingsManager::defaultFile()), defaults);
            QCOMPARE(readFile(SettingsManager::currentFile()), currentDamaged ? defaults : own);
            QCOMPARE(comPort(), currentDamaged ? QString("COM-9") : QString("mine"));
        }
    }

    void unwritableProfilesDir()
    {
        TestSupport::ScopedAppDir other;
        QVERIFY(writeFile(other.path() + "/profiles", "a file, not a directory"));
        QVERIFY(!SettingsManager::init());
        QVERIFY(!g_critical.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_SettingsManager)
#include "tst_SettingsManager.moc"
