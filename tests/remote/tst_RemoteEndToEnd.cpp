// A script driving the real window over TCP: the emulator through the real serial stack, the window
// offscreen, the remote-control server switched on by the environment, a real client on loopback.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QtTest>

#include <sys/stat.h>

#include <cmath>
#include <memory>
#include <vector>

#include "EmulatorProcess.h"
#include "RemoteTestClient.h"
#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "remote/RemoteCommands.h"
#include "remote/RemoteControlServer.h"
#include "report/MeasurementReport.h"
#include "ui/MainWindow.h"
#include "ui/pages/PgCharts.h"
#include "ui/pages/PgSettings.h"

using namespace ZData;
using TestSupport::RemoteTestClient;
using ZChart::EChartType;

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct TTrace
{
    QVector<quint64> frequencies;
    QVector<double> magnitudes;
};

bool parseTrace(const QString& answer, TTrace& trace)
{
    const QStringList fields = answer.split(QLatin1Char(','));
    if (fields.size() % 3 != 0)
        return false;
    for (int i = 0; i < fields.size(); i += 3) {
        bool ok1 = false, ok2 = false, ok3 = false;
        trace.frequencies.append(fields[i].toULongLong(&ok1));
        const double re = fields[i + 1].toDouble(&ok2);
        const double im = fields[i + 2].toDouble(&ok3);
        if (!ok1 || !ok2 || !ok3)
            return false;
        trace.magnitudes.append(std::hypot(re, im));
    }
    return true;
}

double worstMagnitudeError(const TTrace& trace, double expected)
{
    double worst = 0;
    for (double m : trace.magnitudes)
        worst = std::max(worst, std::abs(m - expected));
    return worst;
}

} // namespace

class tst_RemoteEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void connectAndIdentify();
    void sweepAndReadTrace();
    void singleSweepWhilePaused();
    void calibrateThroughStandards();
    void windowStateAndMarkers();
    void traceFiles();
    void badInputWhileScanning();
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

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::EmulatorProcess> m_emulator;
    std::unique_ptr<MainWindow> m_window;
    RemoteTestClient m_client;
};

void tst_RemoteEndToEnd::initTestCase()
{
    ZCore::initResources();
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    const QStringList failed = TestSupport::initManagersButLogger();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(',')));
    QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    ConnectionManager::setReconnectPolicy(30, 300);
    m_emulator = std::make_unique<TestSupport::EmulatorProcess>();
    QVERIFY(m_emulator->start({"--dut", "r=100"}));
    m_emulator->offerToThisProcess(); // the port dialog lists it like a user's emulator

    const quint16 port = freePort();
    qputenv(ZRemote::RemoteControlServer::ENV_PORT, QByteArray::number(port));
    m_window = std::make_unique<MainWindow>();
    qunsetenv(ZRemote::RemoteControlServer::ENV_PORT);
    m_window->setWarningPresenter([](const QString&, const QString&) {});
    m_window->resize(1200, 800);
    m_window->show();
    QVERIFY(m_window->remoteControl()->isListening());
    QCOMPARE(m_window->remoteControl()->port(), port);
    QVERIFY(m_client.connectTo(port));
}

void tst_RemoteEndToEnd::cleanupTestCase()
{
    m_window.reset();
    DM::SerialPort::close(true);
    ConnectionManager::reset();
    m_emulator.reset();
}

void tst_RemoteEndToEnd::connectAndIdentify()
{
    QCOMPARE(query("*IDN?"), QStringLiteral("Tolvek,TolvekVNA,0," TOLVEK_PROJECT_VERSION));
    QCOMPARE(query("DEV:CONN?"), QStringLiteral("0"));
    const QStringList ports = query("DEVice:LIST?").split(QLatin1Char(','));
    QVERIFY2(ports.contains(m_emulator->portPath()), qPrintable(ports.join(' ')));

    run("DEVice:CONNect " + m_emulator->portPath().toUtf8());
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
    QCOMPARE(DataScanManager::sweep().points(), 201u);

    run("INIT:IMM");
    TTrace trace;
    QVERIFY(parseTrace(query("TRAC:DATA?"), trace));
    QCOMPARE(trace.frequencies.size(), 201);
    QCOMPARE(trace.frequencies.first(), quint64(1000000));
    QCOMPARE(trace.frequencies.last(), quint64(900000000));
    // 100 ohm on 50 ohm: |G| = 1/3.
    const double worst = worstMagnitudeError(trace, 1.0 / 3.0);
    QVERIFY2(worst < 0.01, qPrintable(QString::number(worst)));

    // Re and im carry 9 significant digits, frequencies are integers.
    const QStringList fields = query("TRAC:DATA?").split(QLatin1Char(','));
    QVERIFY(!fields[0].contains(QLatin1Char('.')) && !fields[0].contains(QLatin1Char('e')));
    QString digits = fields[1];
    digits.remove(QLatin1Char('-')).remove(QLatin1String("0."));
    QVERIFY2(digits.size() >= 8, qPrintable(fields[1]));
}

void tst_RemoteEndToEnd::singleSweepWhilePaused()
{
    run("INIT:CONT OFF");
    QCOMPARE(query("INIT:CONT?"), QStringLiteral("0"));
    QVERIFY(DataScanManager::isPaused());
    const quint64 before = DataScanManager::completedSweeps();
    run("INIT:IMM");
    const quint64 after = DataScanManager::completedSweeps();
    QVERIFY(after > before);
    // Paused again once that sweep was in: no further sweeps.
    QVERIFY(DataScanManager::isPaused());
    QTest::qWait(300);
    QVERIFY(DataScanManager::completedSweeps() <= after + 1);
    run("INIT:CONT ON");
    QVERIFY(!DataScanManager::isPaused());
}

void tst_RemoteEndToEnd::calibrateThroughStandards()
{
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("NONE")); // the factory calibration counts as none
    QCOMPARE(query("CAL:SOUR?"), QStringLiteral("FACTORY"));
    // More points than a calibration holds: refused at once, and nothing waits for it.
    run("SENS:SWE:POIN 2048");
    QElapsedTimer refused;
    refused.start();
    m_client.send("CAL:MEAS OPEN");
    QCOMPARE(m_client.drainErrors(), QList<int>{-222});
    QVERIFY(refused.elapsed() < 5000);
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("NONE"));
    run("SENS:SWE:POIN 201");
    QCOMPARE(m_emulator->control(QStringLiteral("dut open")).left(2), QStringLiteral("ok"));
    // An open through the factory calibration is beyond what an impedance readout can show.
    run("DISP:VIEW3:TYPE SMITH");
    run("INIT:IMM");
    run("CALC:VIEW3:MARK:ADD 450");
    run("CALC:VIEW3:MARK1:TYPE IMPED");
    const QString open = query("CALC:VIEW3:MARK1:TEXT?");
    QVERIFY2(open.section(QStringLiteral(" | "), 1).startsWith(QStringLiteral("R:              Inf. | X:")),
             qPrintable(open));
    run("CALC:VIEW3:MARK:CLE");
    run("CAL:MEAS OPEN");
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("OPEN"));
    QCOMPARE(m_emulator->control(QStringLiteral("dut short")).left(2), QStringLiteral("ok"));
    run("CALibration:MEASure short");
    QCOMPARE(m_emulator->control(QStringLiteral("dut load")).left(2), QStringLiteral("ok"));
    run("CAL:MEAS LOAD");
    QCOMPARE(query("CAL:STAT?"), QStringLiteral("OPEN,SHORT,LOAD"));
    QVERIFY(CalibrationManager::calibration().isComplete());
    QCOMPARE(int(CalibrationManager::calibration().points()), 201);
    // Saved the moment it was complete: in use from its autosaved file.
    const QString source = query("CALibration:SOURce?");
    QVERIFY2(source.startsWith(QStringLiteral("FILE auto_")) && source.endsWith(QStringLiteral(".cbin")),
             qPrintable(source));

    QCOMPARE(m_emulator->control(QStringLiteral("dut r=100")).left(2), QStringLiteral("ok"));
    run("INIT:IMM");
    TTrace trace;
    QVERIFY(parseTrace(query("TRAC:DATA?"), trace));
    QCOMPARE(trace.frequencies.size(), 201);
    const double worst = worstMagnitudeError(trace, 1.0 / 3.0);
    QVERIFY2(worst < 0.01, qPrintable(QString::number(worst)));
}

void tst_RemoteEndToEnd::windowStateAndMarkers()
{
    run("DISP:ARR 5");
    QCOMPARE(m_window->pgCharts()->arrangementBox()->currentIndex(), 5);
    QVERIFY(!m_window->chartView(1)->isActive()); // arrangement 5 hides UR
    QCOMPARE(query("DISP:ARR?"), QStringLiteral("5"));
    run("DISP:ARR 11");
    QVERIFY(m_window->chartView(1)->isActive());

    run("DISP:VIEW3:TYPE SMITH");
    QCOMPARE(m_window->chartView(2)->chartType(), EChartType::SMITH);
    QCOMPARE(query("DISP:VIEW3:TYPE?"), QStringLiteral("SMITH"));
    // The selected view goes through the charts page, whose chooser follows.
    QCOMPARE(m_window->selectedChartViewIndex(), 0);
    run("DISP:VIEW1:TYPE swr");
    QCOMPARE(m_window->chartView(0)->chartType(), EChartType::SWR);
    QCOMPARE(m_window->pgCharts()->typeBox()->currentIndex(), int(EChartType::SWR));
    run("DISP:VIEW1:TYPE LOG_MAG");

    run("INIT:IMM");
    QTRY_VERIFY(m_window->chartView(2)->hasData());
    run("CALC:VIEW3:MARK:ADD 100");
    run("CALC:VIEW3:MARK1:TYPE IMPED");
    QCOMPARE(query("CALC:VIEW3:MARK1:TYPE?"), QStringLiteral("IMPED"));
    // A readout asked for right after *OPC? is the sweep just taken, never the one before: the load
    // changes between single sweeps.
    run("INIT:CONT OFF");
    for (const int ohms : {200, 100}) {
        QCOMPARE(m_emulator->control(QStringLiteral("dut r=%1").arg(ohms)).left(2), QStringLiteral("ok"));
        run("INIT:IMM");
        // The frequency of the point it reads first, then its values.
        const QString text = query("CALC:VIEW3:MARK1:TEXT?");
        const QRegularExpressionMatch r =
            QRegularExpression(QStringLiteral("^F: +[0-9.]+ MHz \\| R: +([0-9.]+) Ohm \\| X: ")).match(text);
        QVERIFY2(r.hasMatch() && std::abs(r.captured(1).toDouble() - ohms) < 0.02 * ohms, qPrintable(text));
    }
    run("INIT:CONT ON");
    // Replies are ASCII as instrument clients expect; the window keeps its degree sign.
    run("CALC:VIEW3:MARK1:TYPE MAG");
    const QByteArray mag = query("CALC:VIEW3:MARK1:TEXT?").toLatin1();
    QVERIFY2(mag.contains(" deg") &&
                 std::all_of(mag.begin(), mag.end(), [](char c) { return uchar(c) < 0x80; }),
             mag.constData());
    QVERIFY(m_window->chartView(2)->marksTable()->mark(0)->readout().contains(QChar(0x00B0)));
    run("CALC:VIEW3:MARK1:TYPE IMPED");
    // A type the chart does not offer is refused.
    m_client.send("CALC:VIEW3:MARK1:TYPE DTF_PEAK");
    QCOMPARE(m_client.drainErrors(), QList<int>{-222});
    QCOMPARE(query("CALC:VIEW3:MARK1:TYPE?"), QStringLiteral("IMPED"));

    run("DISP:VIEW3:IMAG smith.svg");
    run("DISP:VIEW1:IMAG logmag.png");
    QFile svg(QDir(ZRemote::RemoteCommands::imageDir()).filePath(QStringLiteral("smith.svg")));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QVERIFY(svg.readAll().contains("<svg"));
    QVERIFY(QImage(QDir(ZRemote::RemoteCommands::imageDir()).filePath(QStringLiteral("logmag.png"))).width() >
            0);

    for (int i = 2; i <= 6; ++i)
        run("CALC:VIEW3:MARK:ADD " + QByteArray::number(100 + 10 * i));
    m_client.send("CALC:VIEW3:MARK:ADD 300");
    QCOMPARE(m_client.drainErrors(), QList<int>{-200}); // a seventh
    QCOMPARE(m_window->chartView(2)->marksTable()->count(), 6);
    run("CALC:VIEW3:MARK:CLEar");
    QCOMPARE(m_window->chartView(2)->marksTable()->count(), 0);
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
    const QString images = m_dir->path() + QStringLiteral("/images");
    QVERIFY(QDir().mkpath(images));
    enum EPlanted
    {
        LINK,
        DANGLING,
        FIFO
    };
    const struct
    {
        QByteArray command;
        QString dir;
        QString name;
        EPlanted planted;
    } cases[] = {
        {"MMEM:STOR:TRAC link.tbin", traces.path(), "link.tbin", LINK},
        {"MMEM:STOR:TRAC dangling.s1p", traces.path(), "dangling.s1p", DANGLING},
        {"MMEM:STOR:TRAC fifo.dat", traces.path(), "fifo.dat", FIFO},
        {"DISP:VIEW1:IMAG link.png", images, "link.png", LINK},
        {"DISP:VIEW1:IMAG dangling.svg", images, "dangling.svg", DANGLING},
        {"DISP:VIEW1:IMAG fifo.png", images, "fifo.png", FIFO},
    };
    for (const auto& c : cases) {
        const QString path = QDir(c.dir).filePath(c.name);
        const QString created = outside.filePath(c.name);
        if (c.planted == FIFO)
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        else
            QVERIFY(QFile::link(c.planted == LINK ? victim : created, path));
        m_client.send(c.command);
        QCOMPARE(m_client.drainErrors(), QList<int>{-200});
        QVERIFY2(c.planted == FIFO ? !QFileInfo(path).isFile() && QFileInfo::exists(path)
                                   : QFileInfo(path).isSymLink(),
                 c.command.constData());
        QVERIFY2(!QFileInfo::exists(created), c.command.constData());
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep"));

    run("MMEM:STOR:TRAC dut.csv");
    QFile csv(traces.filePath(QStringLiteral("dut.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = csv.readAll().trimmed().split('\n');
    QCOMPARE(rows.size(), 1 + 201);
    const QList<QByteArray> first = rows[1].split(',');
    QCOMPARE(first.size(), 8);
    QCOMPARE(first[0], QByteArray("1000000"));
    QVERIFY2(std::abs(first[5].toDouble() - 2.0) < 0.01 && std::abs(first[6].toDouble() - 100.0) < 0.5,
             rows[1].constData()); // SWR and R of 100 ohm
    m_client.send("MMEM:LOAD:TRAC dut.csv");
    QCOMPARE(m_client.drainErrors(), QList<int>{-222});

    // The report of the four views, with a marker and its readout.
    run("CALC:VIEW3:MARK:ADD 100");
    run("INIT:IMM");
    run("MMEM:STOR:REP dut.pdf");
    const QString pdf = QDir(ZReport::MeasurementReport::reportDir()).filePath(QStringLiteral("dut.pdf"));
    QVERIFY(QFileInfo(pdf).size() > 0);
    const ZChart::ZMark* mark = m_window->chartView(2)->marksTable()->mark(0);
    const QStringList readout = mark->readout().split('\n');
    // The marker sits on the sweep point nearest to 100 MHz.
    const QString position = QStringLiteral("%1 MHz").arg(mark->scanPoint().frequency / 1e6, 0, 'f', 6);
    run("CALC:VIEW3:MARK:CLEar");
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed to read the report back");
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(reader.waitForFinished(60000));
    const QString text = QString::fromUtf8(reader.readAllStandardOutput()).simplified();
    for (const QString& word : {DeviceManager::deviceInfo().identifier, query("DEV:FIRM?"),
                                QStringLiteral("1000000 Hz"), QStringLiteral("900000000 Hz"), QStringLiteral("201"),
                                QStringLiteral("View 4: "),
                                position, readout.first().simplified()})
        QVERIFY2(text.contains(word), qPrintable(word));
}

// Every bad input gives its error and changes nothing, while the scan goes on and the window stays
// responsive.
void tst_RemoteEndToEnd::badInputWhileScanning()
{
    const QString before = query("SENS:FREQ:STAR?") + query("SENS:FREQ:STOP?") + query("SENS:SWE:POIN?") +
                           query("SENS:BAND?") + query("DISP:ARR?");
    const quint64 sweeps = DataScanManager::completedSweeps();
    const QList<QPair<QByteArray, int>> cases = {
        {"SENS:FREQ:STAR 0", -222},
        {"SENS:FREQ:STOP 7e9", -222},
        {"SENS:SWE:POIN 5000", -222},
        {"SENS:BAND 9", -222},
        {"SENS:BAND -1", -222},
        {"DISP:ARR -1", -222},
        {"DISP:VIEW9:TYPE SMITH", -222},
        {"CALC:VIEW3:MARK:ADD 5000", -222},
        {"CALC:VIEW3:MARK4:TEXT?", -222},
        {"MMEM:STOR:TRAC ../escape.tbin", -222},
        {"MMEM:STOR:REP ../escape.pdf", -222},
        {"MMEM:STOR:REP report.txt", -222},
        {"MMEM:STOR:REP", -100},
        {"MMEM:LOAD:TRAC /etc/passwd", -222},
        {"DISP:VIEW1:IMAG ../../x.png", -222},
        {"TRAC:DATA? 5", -100},
        {"FREQ:STAR 1e6", -113},
        {"\x80\x81\xfe garbage", -100},
        {"CAL:MEAS BOTH", -100},
    };
    for (const auto& c : cases) {
        m_client.send(c.first);
        QCOMPARE(m_client.drainErrors(), QList<int>{c.second});
    }
    // A line over the limit and a hundred clients at once, from other connections.
    RemoteTestClient rude;
    QVERIFY(rude.connectTo(m_window->remoteControl()->port()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("longer than 4096 bytes")));
    rude.sendRaw(QByteArray(100000, '\x07'));
    QVERIFY(rude.waitForClosed());
    std::vector<std::unique_ptr<QTcpSocket>> crowd;
    for (int i = 0; i < 100; ++i) {
        crowd.push_back(std::make_unique<QTcpSocket>());
        crowd.back()->connectToHost(QHostAddress::LocalHost, m_window->remoteControl()->port());
    }
    QTest::qWait(300);
    QVERIFY(m_window->remoteControl()->clientCount() <= ZRemote::RemoteControlServer::MAX_CLIENTS);
    crowd.clear();
    // A client asking for whole sweeps and never reading them: held at the output limit.
    RemoteTestClient greedy;
    QVERIFY(greedy.connectTo(m_window->remoteControl()->port()));
    greedy.socket().setReadBufferSize(1);
    greedy.socket().setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 65536);
    QByteArray flood;
    for (int i = 0; i < 2000; ++i)
        flood += "TRAC:DATA?\n";
    greedy.sendRaw(flood);
    const quint64 during = DataScanManager::completedSweeps();
    QTRY_VERIFY_WITH_TIMEOUT(DataScanManager::completedSweeps() > during + 2, 10000);
    QVERIFY(m_window->remoteControl()->largestQueuedOutput() <=
            ZRemote::RemoteControlServer::OUTPUT_LIMIT + 64 * 1024);
    QElapsedTimer answered;
    answered.start();
    QCOMPARE(query("*OPC?"), QStringLiteral("1"));
    QVERIFY(answered.elapsed() < 1000);

    const QString after = query("SENS:FREQ:STAR?") + query("SENS:FREQ:STOP?") + query("SENS:SWE:POIN?") +
                          query("SENS:BAND?") + query("DISP:ARR?");
    QCOMPARE(after, before);
    QCOMPARE(m_window->chartView(2)->marksTable()->count(), 0);
    QVERIFY(!QFileInfo::exists(QDir(DataScanManager::traceDir()).filePath(QStringLiteral("../escape.tbin"))));
    QTRY_VERIFY_WITH_TIMEOUT(DataScanManager::completedSweeps() > sweeps + 2, 10000);
    QVERIFY(m_client.isConnected());
}

void tst_RemoteEndToEnd::disconnectingClientLosesNothingForOthers()
{
    {
        RemoteTestClient leaving;
        QVERIFY(leaving.connectTo(m_window->remoteControl()->port()));
        leaving.send("INIT:CONT OFF");
        // A slow reply keeps the sweep running long enough to leave in the middle of it.
        QCOMPARE(m_emulator->control(QStringLiteral("late 1000")).left(2), QStringLiteral("ok"));
        leaving.send("INIT:IMM");
        leaving.send("DISP:ARR?"); // answered after the sweep, to a client that is gone
        QTRY_VERIFY(m_window->remoteControl()->isBusy());
    }
    // The other client's command waits for the orphaned sweep, then runs.
    run("DISP:ARR 9");
    QCOMPARE(query("DISP:ARR?"), QStringLiteral("9"));
    QVERIFY(DataScanManager::isPaused());
    run("INIT:IMM");
    run("INIT:CONT ON");
    QTRY_VERIFY_WITH_TIMEOUT(m_window->remoteControl()->clientCount() == 1, 5000);
    run("DISP:ARR 11");
}

// The script a user writes with a standard instrument client (PyVISA, pure-Python backend) against the
// running window: sweep settings, a marker, a single sweep, *OPC?, the readout and the trace as
// numbers. The readouts must decode as ASCII and be of the sweep just taken.
void tst_RemoteEndToEnd::standardInstrumentClient()
{
    // The system's interpreter first: that is where the Debian package installs the modules.
    QString python;
    for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import pyvisa, pyvisa_py")});
        if (probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0) {
            python = candidate;
            break;
        }
    }
    if (python.isEmpty())
        QSKIP("python3 with PyVISA and its pure-Python backend (python3-pyvisa-py) is not installed");
    const QString script = QFINDTESTDATA("pyvisa_session.py");
    QVERIFY(!script.isEmpty());
    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(python, {script, QString::number(m_window->remoteControl()->port()), QStringLiteral("100")});
    // Waited for with the event loop running: the window serves the script meanwhile.
    QTRY_VERIFY_WITH_TIMEOUT(client.state() == QProcess::NotRunning, 120000);
    const QString output = QString::fromUtf8(client.readAll());
    QVERIFY2(client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0, qPrintable(output));
    qInfo().noquote() << output.trimmed();
    QVERIFY(output.contains(QLatin1String("Tolvek,TolvekVNA,")));
}

void tst_RemoteEndToEnd::queriesWithoutAnalyser()
{
    run("DEV:DISC");
    QCOMPARE(query("DEV:CONN?"), QStringLiteral("0"));
    for (const QByteArray& line : {QByteArray("DEV:ID?"), QByteArray("DEV:FIRM?"), QByteArray("TRAC:DATA?"),
                                   QByteArray("CAL:STAT?")}) {
        m_client.send(line);
        QCOMPARE(m_client.drainErrors(), QList<int>{-200});
    }
    for (const QByteArray& line :
         {QByteArray("INIT:IMM"), QByteArray("CAL:MEAS OPEN"), QByteArray("INIT:CONT ON")}) {
        m_client.send(line);
        QCOMPARE(query("*OPC?"), QStringLiteral("1"));
        QCOMPARE(m_client.drainErrors(), QList<int>{-200});
    }
    QCOMPARE(query("*IDN?"), QStringLiteral("Tolvek,TolvekVNA,0," TOLVEK_PROJECT_VERSION));
    // The report still comes, saying there is no analyser.
    run("MMEM:STOR:REP offline.pdf");
    QVERIFY(QFileInfo(QDir(ZReport::MeasurementReport::reportDir()).filePath(QStringLiteral("offline.pdf"))).size() >
            0);
}

// Last: the settings page moves the server to the port it stores, then switches it off.
void tst_RemoteEndToEnd::settingsPageSwitchesServer()
{
    auto* box = m_window->findChild<QCheckBox*>(QStringLiteral("cb_remote_enabled"));
    auto* edit = m_window->findChild<QLineEdit*>(QStringLiteral("le_remote_port"));
    QVERIFY(box && edit);
    QVERIFY(!box->isChecked()); // the profile says off; the environment switched it on
    const quint16 port = freePort();
    edit->setText(QString::number(port));
    box->setChecked(true);
    QVERIFY(m_window->remoteControl()->isListening());
    QCOMPARE(m_window->remoteControl()->port(), port);
    QVERIFY(m_client.waitForClosed()); // clients of the old port are dropped
    RemoteTestClient client;
    QVERIFY(client.connectTo(port));
    QCOMPARE(client.query("*OPC?"), QStringLiteral("1"));
    const auto stored = ZRemote::RemoteControlServer::profileConfiguration();
    QVERIFY(stored.enabled);
    QCOMPARE(stored.port, port);

    box->setChecked(false);
    QVERIFY(!m_window->remoteControl()->isListening());
    QVERIFY(client.waitForClosed());
    QVERIFY(!ZRemote::RemoteControlServer::profileConfiguration().enabled);
}

QTEST_MAIN(tst_RemoteEndToEnd)
#include "tst_RemoteEndToEnd.moc"
