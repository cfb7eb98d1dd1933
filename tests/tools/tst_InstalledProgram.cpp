#include <QTcpServer>
#include <QtTest>

#include "EmulatorProcess.h"
#include "RemoteTestClient.h"
#include "TestSupport.h"

using TestSupport::runProcess;

// The program installed into a temporary prefix as a package would install it, then run from
// there as a user would: it must keep its files in the user's folder, never beside itself.
namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QStringList filesBelow(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(dir).relativeFilePath(it.next()));
    files.sort();
    return files;
}

// The program's answer to *IDN?, or nothing while its remote port is not up yet.
QString identify(quint16 port)
{
    TestSupport::RemoteTestClient client;
    return client.connectTo(port, 500) ? client.query("*IDN?") : QString();
}

QString logText(const QString& dataDir)
{
    const QStringList logs = QDir(dataDir + "/logs").entryList({"*.log"}, QDir::Files);
    if (logs.size() != 1)
        return QString();
    QFile file(dataDir + "/logs/" + logs.first());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class tst_InstalledProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;
    QTemporaryDir m_caches;
    QString m_program;

    // A clean environment: HOME at the temporary home, no display, no data-folder choice.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_DATA_HOME",
                                 "TOLVEKVNA_DATA_DIR", "TOLVEKVNA_REMOTE_PORT"})
            env.remove(QString::fromLatin1(name));
        env.insert("HOME", m_home.path());
        // The toolkit's font and configuration caches are not the program's files.
        env.insert("XDG_CACHE_HOME", m_caches.filePath("cache"));
        env.insert("XDG_CONFIG_HOME", m_caches.filePath("config"));
        return env;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid() && m_home.isValid());
        const auto install = runProcess(QStringLiteral(TOLVEK_CMAKE_COMMAND),
                                        {"--install", TOLVEK_BUILD_DIR, "--prefix", m_prefix.path()});
        QVERIFY2(install.code == 0, qPrintable(install.out + install.err));
        m_program = m_prefix.filePath("bin/tolvekvna");
    }

    // Every file a package needs, and its metadata passing the validators where they are installed.
    void installedLayout()
    {
        const QStringList files = filesBelow(m_prefix.path());
        for (const char* file :
             {"bin/tolvekvna", "bin/tolvekvna-measure", "bin/vna-emulator", "bin/vna-update-server",
              "lib/udev/rules.d/60-tolvekvna.rules", "share/applications/tolvekvna.desktop",
              "share/doc/tolvekvna/copyright", "share/icons/hicolor/48x48/apps/tolvekvna.png",
              "share/icons/hicolor/scalable/apps/tolvekvna.svg", "share/man/man1/tolvekvna.1.gz",
              "share/metainfo/org.tolvek.TolvekVNA.metainfo.xml"})
            QVERIFY2(files.contains(QLatin1String(file)), file);
        for (QStringList check :
             {QStringList{"desktop-file-validate", m_prefix.filePath("share/applications/tolvekvna.desktop")},
              QStringList{"appstreamcli", "validate", "--no-net",
                          m_prefix.filePath("share/metainfo/org.tolvek.TolvekVNA.metainfo.xml")}}) {
            const QString tool = QStandardPaths::findExecutable(check.first());
            if (tool.isEmpty()) {
                qInfo().noquote() << check.first() << "is not installed: not validated";
                continue;
            }
            const auto run = runProcess(tool, check.mid(1));
            QVERIFY2(run.code == 0, qPrintable(run.out + run.err));
        }
    }

    // Parsed before any window: all but the last two work without a display; those say in one plain
    // line what to do, from the program and from the developer's run script.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("output"); // expected in standard output (code 0) or error

        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: tolvekvna [options]";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "TolvekVNA " TOLVEK_PROJECT_VERSION "\n";
        QTest::newRow("help wins over a valid option")
            << QStringList{"--port", "/dev/x", "--help"} << 0 << "Usage:";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "unknown option --bogus";
        QTest::newRow("stray argument") << QStringList{"foo"} << 2 << "unexpected argument \"foo\"";
        QTest::newRow("missing value") << QStringList{"--port"} << 2 << "--port needs a value";
        QTest::newRow("empty value") << QStringList{"--data-dir="} << 2 << "--data-dir needs a folder";
        QTest::newRow("value on a flag") << QStringList{"--help=yes"} << 2 << "--help takes no value";
        QTest::newRow("port too large") << QStringList{"--remote-port=65536"} << 2 << "from 1 to 65535";
        QTest::newRow("port not a number") << QStringList{"--remote-port", "50x"} << 2 << "not \"50x\"";
        QTest::newRow("error wins over version")
            << QStringList{"--version", "--bogus"} << 2 << "unknown option";
        QTest::newRow("no display") << QStringList() << 1 << "no display";
        QTest::newRow("no display, run script")
            << QStringList{TOLVEK_SOURCE_DIR "/scripts/run.sh"} << 1 << "no display";
    }

    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, output);
        const auto run = args.value(0).endsWith(".sh") ? runProcess("bash", args, environment())
                                                       : runProcess(m_program, args, environment());
        QCOMPARE(run.code, code);
        QVERIFY2((code == 0 ? run.out : run.err).contains(output), qPrintable(run.out + run.err));
        if (code == 2)
            QVERIFY2(run.err.contains("Usage: tolvekvna"), qPrintable(run.err));
        if (code == 1)
            QVERIFY2(run.err.count('\n') == 1 && run.err.endsWith('\n') && run.err.contains("xvfb-run") &&
                         run.err.contains("tolvekvna-measure"),
                     qPrintable(run.err));
    }

    void dataFolder_data()
    {
        QTest::addColumn<QString>("envDir");    // TOLVEKVNA_DATA_DIR, relative to the home
        QTest::addColumn<QString>("optionDir"); // --data-dir, relative to the home
        QTest::addColumn<QString>("expected");  // where the files go, relative to the home; none
        const QString none;
        QTest::newRow("installed: the user's folder") << none << none << ".local/share/TolvekVNA";
        QTest::newRow("environment") << "env data" << none << "env data";
        QTest::newRow("option wins") << "env data" << QString("opt") << "opt";
        QTest::newRow("cannot be made") << "/proc/tolvekvna-data" << none << none;
    }

    // The installed program starts offscreen, connects to the analyser given by --port, answers on
    // --remote-port, and its log and profiles land in the chosen folder only. A folder that cannot
    // be made is named in one message and the program runs on.
    void dataFolder()
    {
        QFETCH(QString, envDir);
        QFETCH(QString, optionDir);
        QFETCH(QString, expected);
        QTemporaryDir home;
        QProcessEnvironment env = environment();
        env.insert("HOME", home.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (!envDir.isEmpty())
            env.insert("TOLVEKVNA_DATA_DIR", QDir(home.path()).absoluteFilePath(envDir));
        TestSupport::EmulatorProcess emulator;
        QVERIFY(emulator.start());
        const quint16 port = freePort();
        QStringList args = {"--remote-port", QString::number(port), "--port", emulator.portPath()};
        if (!optionDir.isEmpty())
            args << "--data-dir" << home.filePath(optionDir);

        QProcess program;
        program.setProcessEnvironment(env);
        program.start(m_program, args);
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(identify(port).startsWith("Tolvek,TolvekVNA,"), 30000);
        const QString dataDir = home.filePath(expected);
        if (!expected.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(logText(dataDir).contains("SerialPort >> opened"), 20000);
        program.terminate();
        QVERIFY(program.waitForFinished(10000));

        const QStringList files = filesBelow(home.path());
        if (expected.isEmpty()) {
            const QString err = QString::fromUtf8(program.readAllStandardError());
            QVERIFY2(err.count("data folder cannot be used: " + envDir) == 1, qPrintable(err));
            QVERIFY(!QFileInfo::exists(envDir));
            QCOMPARE(files, QStringList());
            return;
        }
        QVERIFY2(logText(dataDir).contains("data folder: " + dataDir), qPrintable(logText(dataDir)));
        QVERIFY2(files.contains(expected + "/profiles/current.ini"), qPrintable(files.join('\n')));
        for (const QString& file : files)
            QVERIFY2(file.startsWith(expected + "/"), qPrintable(file));
        QCOMPARE(filesBelow(m_prefix.filePath("bin")),
                 QStringList({"tolvekvna", "tolvekvna-measure", "vna-emulator", "vna-update-server"}));
    }
};

QTEST_GUILESS_MAIN(tst_InstalledProgram)
#include "tst_InstalledProgram.moc"
