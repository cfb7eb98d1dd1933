// A script driving the real window over TCP: the emulator through the real serial stack, the window
// offscreen, the remote-control server switched on by the environment, a real client on loopback.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <sys/stat.h>

#include <cmath>
#include <memory>
#include <tuple>

#include "RemoteTestClient.h"
#include "RemoteWindowRig.h"
#include "calibration/CalibrationManager.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "devicelink/DeviceManager.h"
#include "measurement/DataScanManager.h"
#include "remote/RemoteCommands.h"
#include "remote/RemoteControlServer.h"
#include "report/MeasurementReport.h"
#include "ui/MainWindow.h"
#include "ui/pages/PgCharts.h"

using namespace ZData;
using TestSupport::RemoteTestClient;
using ZChart::EChartType;

class tst_RemoteEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void connectAndIdentify();
    void sweepAndReadTrace();
    void calibrateThroughStandards();
    void windowStateAndMarkers();
    void traceFiles();
    void disconnectingClientLosesNothingForOthers();
    void standardInstrumentClient();
    void queriesWithoutAnalyser();
    void settingsPageSwitchesServer();

private:
    QString query(const QByteArray& line, int timeoutMs = 30000) { return m_client.query(line, timeoutMs); }
    // Sends, then waits on *OPC? for the command to finish, and expects no error.
    void run(const QByteArray& line, int timeoutMs = 60000)
    {
        m_client.send(line);
        QCOMPARE(m_client.query("*OPC?", timeoutMs), QStringLiteral("1"));
        QCOMPARE(m_client.drainErrors(), QList<int>());
    }
    // Sends, and expects exactly that one error.
    void refused(const QByteArray& line, int code)
    {
        m_client.send(line);
        QCOMPARE(m_client.drainErrors(), QList<int>{code});
    }
    MainWindow& window() { return m_rig->window(); }
    TestSupport::EmulatorProcess& emulator() { return m_rig->emulator(); }
    // An emulator control line (a load, a fault) that the emulator must take.
    void emulatorControl(const QString& line)
    {
        QCOMPARE(emulator().control(line).left(2), QStringLiteral("ok"));
    }

    std::unique_ptr<TestSupport::RemoteWindowRig> m_rig;
    RemoteTestClient m_client;
};

void tst_RemoteEndToEnd::initTestCase()
{
    m_rig = std::make_unique<TestSupport::RemoteWindowRig>();
    const QString why = m_rig->start();
    QVERIFY2(why.isEmpty(), qPrintable(why));
    QVERIFY(m_client.connectTo(m_rig->port()));
}

void tst_RemoteEndToEnd::cleanupTestCase()
{
    m_rig.reset();
}

void tst_RemoteEndToEnd::connectAndIdentify()
{
    const QStringList ports = query("DEVice:LIST?").split(QLatin1Char(','));
    QVERIFY2(ports.contains(emulator().portPath()), qPrintable(ports.join(' ')));

    run("DEVice:CONNect " + emulator().portPath().toUtf8());
    QCOMPARE(query("DEV:CONN?"), QStringLiteral("1"));
    const QString id = DeviceManager::deviceInfo().identifier;
    QVERIFY(!id.isEmpty());
    QCOMPARE(query("DEV:ID?"), id);
    QCOMPARE(query("*IDN?"), QStringLiteral("Tolvek,TolvekVNA,%1," TOLVEK_PROJECT_VERSION).arg(id));
    QCOMPARE(query("DEV:FIRM?"), QStringLiteral("2.0.0"));
    // The window followed: connected and scanning.
    QVERIFY(DataScanManager::isCalibrationApplied());
    QVERIFY(!DataScanManager::isPaused());
    QCOMPARE(query("INIT:CONT?"), QStringLiteral("1"));
}

void tst_RemoteEndToEnd::sweepAndReadTrace()
{
    run("SENS:FREQ:STAR 1000000");
    run("sense:frequency:stop 900000000");
    run("SENS:SWE:POIN 201");
    QCOMPARE(query("SENS:FREQ:STAR?"), QStringLiteral("1000000"));
    QCOMPARE(query("SENS:FREQ:STOP?"), QStringLiteral("900000000"));
    QCOMPARE(query("SENS:SWE:POIN?"), QStringLiteral("201"));

    run("INIT:IMM");
    // Frequency, re, im of every point; the frequencies integers, re and im with 9 significant digits.
    const QStringList fields = query("TRAC:DATA?").split(QLatin1Char(','));
    QCOMPARE(fields.size(), 3 * 201);
    QCOMPARE(fields.first(), QStringLiteral("1000000"));
    QCOMPARE(fields[3 * 200], QStringLiteral("900000000"));
    double worst = 0; // 100 ohm on 50 ohm: |G| = 1/3
    for (int i = 0; i < fields.size(); i += 3) {
        bool ok[3] = {};
        fields[i].toULongLong(&ok[0]);
        const double magnitude = std::hypot(fields[i + 1].toDouble(&ok[1]), fields[i + 2].toDouble(&ok[2]));
        QVERIFY2(ok[0] && ok[1] && ok[2], qPrintable(fields.mid(i, 3).join(',')));
        worst = std::max(worst, std::abs(magnitude - 1.0 / 3.0));
    }
    QVERIFY2(worst < 0.01, qPrintable(QString::number(worst)));
    QString digits = fields[1];
    digits.remove(QLatin1Char('-')).remove(QLatin1String("0."));
    QVERIFY2(digits.size() >= 8, qPrintable(fields[1]));
}

void tst_RemoteEndToEnd::calibrateThroughStandards()
{
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("NONE")); // the factory calibration counts as none
    QCOMPARE(query("CAL:SOUR?"), QStringLiteral("FACTORY"));
    // More points than a calibration holds: refused at once, and nothing waits for it.
    run("SENS:SWE:POIN 2048");
    QElapsedTimer answered;
    answered.start();
    refused("CAL:MEAS OPEN", -222);
    QVERIFY(answered.elapsed() < 5000);
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("NONE"));
    run("SENS:SWE:POIN 201");
    emulatorControl(QStringLiteral("dut open"));
    run("CAL:MEAS OPEN");
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("OPEN"));
    emulatorControl(QStringLiteral("dut short"));
    run("CALibration:MEASure short");
    emulatorControl(QStringLiteral("dut load"));
    run("CAL:MEAS LOAD");
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("OPEN,SHORT,LOAD"));
    QVERIFY(CalibrationManager::calibration().isComplete());
    QCOMPARE(int(CalibrationManager::calibration().points()), 201);
    // Saved the moment it was complete: in use from its autosaved file.
    const QString source = query("CALibration:SOURce?");
    QVERIFY2(source.startsWith(QStringLiteral("FILE auto_")) && source.endsWith(QStringLiteral(".cbin")),
             qPrintable(source));
    emulatorControl(QStringLiteral("dut r=100"));
}

void tst_RemoteEndToEnd::windowStateAndMarkers()
{
    run("DISP:ARR 5");
    QCOMPARE(window().pgCharts()->arrangementBox()->currentIndex(), 5);
    QVERIFY(!window().chartView(1)->isActive()); // arrangement 5 hides UR
    QCOMPARE(query("DISP:ARR?"), QStringLiteral("5"));
    run("DISP:ARR 11");
    QVERIFY(window().chartView(1)->isActive());

    run("DISP:VIEW3:TYPE SMITH");
    QCOMPARE(window().chartView(2)->chartType(), EChartType::SMITH);
    QCOMPARE(query("DISP:VIEW3:TYPE?"), QStringLiteral("SMITH"));
    // The selected view goes through the charts page, whose chooser follows.
    QCOMPARE(window().selectedChartViewIndex(), 0);
    run("DISP:VIEW1:TYPE swr");
    QCOMPARE(window().chartView(0)->chartType(), EChartType::SWR);
    QCOMPARE(window().pgCharts()->typeBox()->currentIndex(), int(EChartType::SWR));
    run("DISP:VIEW1:TYPE LOG_MAG");

    run("INIT:IMM");
    QTRY_VERIFY(window().chartView(2)->hasData());
    run("CALC:VIEW3:MARK:ADD 100");
    run("CALC:VIEW3:MARK1:TYPE IMPED");
    QCOMPARE(query("CALC:VIEW3:MARK1:TYPE?"), QStringLiteral("IMPED"));
    // Single sweeps while paused: each runs once, the scan stays paused after it, and a readout asked
    // for right after *OPC? is of that sweep, never the one before (the load changes between them).
    run("INIT:CONT OFF");
    QCOMPARE(query("INIT:CONT?"), QStringLiteral("0"));
    for (const int ohms : {200, 100}) {
        emulatorControl(QStringLiteral("dut r=%1").arg(ohms));
        const quint64 before = DataScanManager::completedSweeps();
        run("INIT:IMM");
        QVERIFY(DataScanManager::completedSweeps() > before);
        QVERIFY(DataScanManager::isPaused());
        // The frequency of the point it reads first, then its values.
        const QString text = query("CALC:VIEW3:MARK1:TEXT?");
        const QRegularExpressionMatch r =
            QRegularExpression(QStringLiteral("^F: +[0-9.]+ MHz \\| R: +([0-9.]+) Ohm \\| X: ")).match(text);
        QVERIFY2(r.hasMatch() && std::abs(r.captured(1).toDouble() - ohms) < 0.02 * ohms, qPrintable(text));
    }
    const quint64 after = DataScanManager::completedSweeps();
    QTest::qWait(300); // a fixed wait, to see that no further sweep comes
    QVERIFY(DataScanManager::completedSweeps() <= after + 1);
    run("INIT:CONT ON");
    QVERIFY(!DataScanManager::isPaused());
    // Replies are ASCII as instrument clients expect; the window keeps its degree sign.
    run("CALC:VIEW3:MARK1:TYPE MAG");
    const QByteArray mag = query("CALC:VIEW3:MARK1:TEXT?").toLatin1();
    QVERIFY2(mag.contains(" deg") &&
                 std::all_of(mag.begin(), mag.end(), [](char c) { return uchar(c) < 0x80; }),
             mag.constData());
    QVERIFY(window().chartView(2)->marksTable()->mark(0)->readout().contains(QChar(0x00B0)));
    run("CALC:VIEW3:MARK1:TYPE IMPED");
    // A type the chart does not offer, a position outside the sweep and a seventh marker are refused.
    refused("CALC:VIEW3:MARK1:TYPE DTF_PEAK", -222);
    QCOMPARE(query("CALC:VIEW3:MARK1:TYPE?"), QStringLiteral("IMPED"));
    refused("CALC:VIEW3:MARK:ADD 5000", -222);
    for (int i = 2; i <= 6; ++i)
        run("CALC:VIEW3:MARK:ADD " + QByteArray::number(100 + 10 * i));
    refused("CALC:VIEW3:MARK:ADD 300", -200);
    QCOMPARE(window().chartView(2)->marksTable()->count(), 6);
    run("CALC:VIEW3:MARK:CLEar");
    QCOMPARE(window().chartView(2)->marksTable()->count(), 0);
}

void tst_RemoteEndToEnd::traceFiles()
{
    run("MMEM:STOR:TRAC dut.tbin");
    run("MMEM:STOR:TRAC dut.s1p");
    run("MMEM:STOR:TRAC dut.dat");
    const QDir traces(DataScanManager::traceDir());
    QCOMPARE(QFileInfo(traces.filePath(QStringLiteral("dut.tbin"))).size(), qint64(20 + 201 * 16));
    QVERIFY(QFileInfo::exists(traces.filePath(QStringLiteral("dut.s1p"))));
    const int loaded = DataScanManager::traces().size();
    run("MMEM:LOAD:TRAC dut.tbin");
    run("MMEM:LOAD:TRAC dut.dat");
    QCOMPARE(DataScanManager::traces().size(), loaded + 2);
    QCOMPARE(DataScanManager::traces().last().pointCount, 201u);

    // Something planted in the program's folders must not carry a write outside them.
    QTemporaryDir outside;
    const QString victim = outside.filePath(QStringLiteral("victim"));
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4);
    file.close();
    const QString images = ZRemote::RemoteCommands::imageDir();
    QVERIFY(QDir().mkpath(images));
    enum EPlanted
    {
        LINK,
        DANGLING,
        FIFO
    };
    const QList<std::tuple<QByteArray, QString, EPlanted>> cases = {
        {"MMEM:STOR:TRAC link.tbin", traces.path(), LINK},
        {"MMEM:STOR:TRAC dangling.s1p", traces.path(), DANGLING},
        {"MMEM:STOR:TRAC fifo.dat", traces.path(), FIFO},
        {"DISP:VIEW1:IMAG link.png", images, LINK},
        {"DISP:VIEW1:IMAG dangling.svg", images, DANGLING},
        {"DISP:VIEW1:IMAG fifo.png", images, FIFO}};
    for (const auto& [command, dir, planted] : cases) {
        const QString name = QString::fromLatin1(command.mid(command.indexOf(' ') + 1));
        const QString path = QDir(dir).filePath(name);
        const QString created = outside.filePath(name);
        if (planted == FIFO)
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        else
            QVERIFY(QFile::link(planted == LINK ? victim : created, path));
        refused(command, -200);
        QVERIFY2(planted == FIFO ? !QFileInfo(path).isFile() && QFileInfo::exists(path)
                                 : QFileInfo(path).isSymLink(),
                 command.constData());
        QVERIFY2(!QFileInfo::exists(created), command.constData());
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep"));

    run("MMEM:STOR:TRAC dut.csv");
    QFile csv(traces.filePath(QStringLiteral("dut.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll().trimmed().split('\n').size(), 1 + 201);

    // The report of the window's four views and the analyser, with a marker's readout.
    run("CALC:VIEW3:MARK:ADD 100");
    run("INIT:IMM");
    run("MMEM:STOR:REP dut.pdf");
    const QString pdf = QDir(ZReport::MeasurementReport::reportDir()).filePath(QStringLiteral("dut.pdf"));
    QVERIFY(QFileInfo(pdf).size() > 0);
    const QString readout = window().chartView(2)->marksTable()->mark(0)->readout().section('\n', 0, 0);
    run("CALC:VIEW3:MARK:CLEar");
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed to read the report back");
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(reader.waitForFinished(60000));
    const QString text = QString::fromUtf8(reader.readAllStandardOutput()).simplified();
    for (const QString& word : {DeviceManager::deviceInfo().identifier, query("DEV:FIRM?"),
                                QStringLiteral("View 4: "), readout.simplified()})
        QVERIFY2(text.contains(word), qPrintable(word));
}

void tst_RemoteEndToEnd::disconnectingClientLosesNothingForOthers()
{
    {
        RemoteTestClient leaving;
        QVERIFY(leaving.connectTo(window().remoteControl()->port()));
        leaving.send("INIT:CONT OFF");
        // A slow reply keeps the sweep running long enough to leave in the middle of it.
        emulatorControl(QStringLiteral("late 1000"));
        leaving.send("INIT:IMM");
        leaving.send("DISP:ARR?"); // answered after the sweep, to a client that is gone
        QTRY_VERIFY(window().remoteControl()->isBusy());
    }
    // The other client's command waits for the orphaned sweep, then runs.
    run("DISP:ARR 9");
    QCOMPARE(query("DISP:ARR?"), QStringLiteral("9"));
    QVERIFY(DataScanManager::isPaused());
    run("INIT:IMM");
    run("INIT:CONT ON");
    QTRY_VERIFY_WITH_TIMEOUT(window().remoteControl()->clientCount() == 1, 5000);
    run("DISP:ARR 11");
}

// The script a user writes with a standard instrument client (PyVISA, pure-Python backend) against the
// running window: sweep settings, a marker, a single sweep, *OPC?, the readout and the trace as
// numbers. The readouts must decode as ASCII and be of the sweep just taken.
void tst_RemoteEndToEnd::standardInstrumentClient()
{
    // The system's interpreter: that is where the Debian package installs the modules.
    const QString python = QStringLiteral("/usr/bin/python3");
    QProcess probe;
    probe.start(python, {QStringLiteral("-c"), QStringLiteral("import pyvisa, pyvisa_py")});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        QSKIP("python3 with PyVISA and its pure-Python backend (python3-pyvisa-py) is not installed");
    const QString script = QFINDTESTDATA("pyvisa_session.py");
    QVERIFY(!script.isEmpty());
    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(python, {script, QString::number(window().remoteControl()->port()), QStringLiteral("100")});
    // Waited for with the event loop running: the window serves the script meanwhile.
    QTRY_VERIFY_WITH_TIMEOUT(client.state() == QProcess::NotRunning, 120000);
    const QString output = QString::fromUtf8(client.readAll());
    QVERIFY2(client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0, qPrintable(output));
    qInfo().noquote() << output.trimmed();
    QVERIFY(output.contains(QLatin1String("Tolvek,TolvekVNA,")));
}

void tst_RemoteEndToEnd::queriesWithoutAnalyser()
{
    // The analyser going away under a sweep ends it at once with its error, not at its time-out.
    run("INIT:CONT OFF");
    emulatorControl(QStringLiteral("late 1000"));
    m_client.send("INIT:IMM");
    QTRY_VERIFY(window().remoteControl()->isBusy());
    QElapsedTimer cut;
    cut.start();
    emulatorControl(QStringLiteral("unplug"));
    QCOMPARE(query("*OPC?"), QStringLiteral("1"));
    QVERIFY2(cut.elapsed() < ZRemote::RemoteCommands::SWEEP_TIMEOUT_MS / 2,
             qPrintable(QString::number(cut.elapsed())));
    QCOMPARE(m_client.drainErrors(), QList<int>{-200});
    run("DEV:DISC");
    QCOMPARE(query("DEV:CONN?"), QStringLiteral("0"));
    // What the analyser held is gone with it; commands that would wait for it fail at once.
    for (const QByteArray& line : {QByteArray("DEV:ID?"), QByteArray("TRAC:DATA?"), QByteArray("INIT:IMM"),
                                   QByteArray("CAL:MEAS OPEN")}) {
        m_client.send(line);
        QCOMPARE(query("*OPC?"), QStringLiteral("1"));
        QCOMPARE(m_client.drainErrors(), QList<int>{-200});
    }
    QCOMPARE(query("*IDN?"), QStringLiteral("Tolvek,TolvekVNA,0," TOLVEK_PROJECT_VERSION));
    // The report still comes, saying there is no analyser.
    run("MMEM:STOR:REP offline.pdf");
    QVERIFY(QFileInfo(QDir(ZReport::MeasurementReport::reportDir()).filePath(QStringLiteral("offline.pdf")))
                .size() > 0);
}

// Last: the settings page moves the server to the port it stores, then switches it off.
void tst_RemoteEndToEnd::settingsPageSwitchesServer()
{
    auto* box = window().findChild<QCheckBox*>(QStringLiteral("cb_remote_enabled"));
    auto* edit = window().findChild<QLineEdit*>(QStringLiteral("le_remote_port"));
    QVERIFY(box && edit);
    QVERIFY(!box->isChecked()); // the profile says off; the environment switched it on
    const quint16 port = RemoteTestClient::freePort();
    edit->setText(QString::number(port));
    box->setChecked(true);
    QVERIFY(window().remoteControl()->isListening());
    QCOMPARE(window().remoteControl()->port(), port);
    QVERIFY(m_client.waitForClosed()); // clients of the old port are dropped
    RemoteTestClient client;
    QVERIFY(client.connectTo(port));
    QCOMPARE(client.query("*OPC?"), QStringLiteral("1"));
    const auto stored = ZRemote::RemoteControlServer::profileConfiguration();
    QVERIFY(stored.enabled);
    QCOMPARE(stored.port, port);

    box->setChecked(false);
    QVERIFY(!window().remoteControl()->isListening());
    QVERIFY(client.waitForClosed());
    QVERIFY(!ZRemote::RemoteControlServer::profileConfiguration().enabled);
}

QTEST_MAIN(tst_RemoteEndToEnd)
#include "tst_RemoteEndToEnd.moc"
