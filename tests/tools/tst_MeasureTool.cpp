#include <QImageReader>
#include <QtTest>

#include <cmath>

#include "EmulatorProcess.h"
#include "PtyPeer.h"
#include "TestSupport.h"
#include "calibration/CalibrationData.h"
#include "devicelink/PortLock.h"
#include "measurement/TouchstoneFile.h"
#include "measurement/TraceFiles.h"

using ZData::TScanPoints;

namespace {

// 100 ohms seen from 50 ohms reflects 1/3 at every frequency: within float rounding on the
// calibration's own grid, within 1e-4 where the calibration is interpolated.
constexpr double ON_GRID = 1e-5;
constexpr double INTERPOLATED = 1e-4;
constexpr quint16 ID = quint16(ZData::EDeviceCommands::D_GET_DEVICE_ID);

// A run of the command and the lines of its standard error that say "error:".
struct TRun : TestSupport::TProcessRun
{
    QStringList errors;
};

TRun runMeasure(const QStringList& args, const QString& calibrationDir)
{
    TRun run{TestSupport::runProcess(QStringLiteral(TOLVEK_MEASURE_PATH), args,
                                     QProcessEnvironment::systemEnvironment(), calibrationDir),
             {}};
    run.errors = run.err.split('\n').filter(QStringLiteral("error:"));
    return run;
}

// Writes a calibration file as the program does, with ideal standards, for the given analyser.
bool writeCalibration(const QString& path, const QString& deviceId, int chop = 0)
{
    ZData::CAL::CalibrationData data;
    data.setRange(1000000, 901000000, 101, 0);
    for (int i = 0; i < 101; ++i) {
        data.setValue(ZData::CAL::CalibrationData::OPEN, i, {1.0f, 0.0f});
        data.setValue(ZData::CAL::CalibrationData::SHORT, i, {-1.0f, 0.0f});
        data.setValue(ZData::CAL::CalibrationData::LOAD, i, {0.0f, 0.0f});
    }
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    data.serialize(stream, deviceId);
    bytes.chop(chop);
    return TestSupport::writeFile(path, bytes);
}

// Leaves the port's lock file with the given text and age, as a run killed while locking does.
bool leaveLock(const QString& port, const QByteArray& text, int ageSeconds)
{
    const QString path = ZData::DM::PortLock::path(port);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return false;
    return file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                            QFileDevice::FileModificationTime);
}

// Empty when every point reads 1/3, else the first frequency that does not.
QString checkOneThird(const TScanPoints& points, double tolerance)
{
    for (const auto& p : points)
        if (std::abs(p.re - 1.0 / 3.0) > tolerance || std::abs(p.im) > tolerance)
            return QString::number(p.frequency);
    return QString();
}

// The report holds a page and, where the text can be read out, every word and no third view.
void checkReport(const QString& pdf, const QStringList& words)
{
    QVERIFY(QFileInfo(pdf).size() > 0);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return;
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(reader.waitForFinished(60000));
    const QString text = QString::fromUtf8(reader.readAllStandardOutput()).simplified();
    for (const QString& word : words)
        QVERIFY2(text.contains(word), qPrintable(word));
    QVERIFY(!text.contains("View 3"));
}

} // namespace

class tst_MeasureTool : public QObject
{
    Q_OBJECT

    QTemporaryDir m_cal; // calibration files: own.cbin, foreign.cbin, broken.cbin

private slots:
    void initTestCase()
    {
        QVERIFY(writeCalibration(m_cal.filePath("own.cbin"), "2083-1719-77"));
        QVERIFY(writeCalibration(m_cal.filePath("foreign.cbin"), "1-2-3"));
        QVERIFY(writeCalibration(m_cal.filePath("broken.cbin"), "2083-1719-77", 100));
    }

    // The first six runs also draw a picture or a report of what they measured; OUT/ is the run's folder.
    void writesEveryFormat_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<double>("tolerance"); // negative: the data must be off by more
        // an emulator control line before the run, or "lock:" and the text of a lock file left behind
        QTest::addColumn<QString>("before");
        auto row = [](const char* name, const char* file, const QStringList& args, double tolerance,
                      const QString& before = QString()) {
            QTest::newRow(name) << file << args << tolerance << before;
        };
        row("touchstone, no sweep options: factory grid", "out.s1p",
            {"--chart", "smith", "--image", "OUT/smith.png"}, ON_GRID);
        const QStringList own{"--start", "200000000", "--stop", "900000000", "--points", "201"};
        // Small Smith and polar pictures once recursed in the toolkit's axis layout.
        row("binary trace", "out.tbin",
            own +
                QStringList{"--chart", "polar", "--image", "OUT/small-polar.png", "--image-size", "480x300"},
            INTERPOLATED);
        row("touchstone in dB and MHz", "out.s1p",
            own + QStringList{"--touchstone-format", "db", "--touchstone-unit", "MHZ", "--chart", "smith",
                              "--image", "OUT/small-smith.svg", "--image-size", "320x220"},
            INTERPOLATED);
        row("text trace, two narrow sweeps", "out.dat",
            own + QStringList{"--sweeps", "2", "--bandwidth", "2", "--chart", "dtf", "--image", "OUT/dtf.png",
                              "--image-size", "640x480"},
            INTERPOLATED);
        row("2048 points", "out.s1p",
            {"--start", "150000000", "--stop", "6000000000", "--points", "2048", "--chart", "loss", "--image",
             "OUT/loss.svg", "--image-size", "500x300"},
            INTERPOLATED);
        row("csv and a report", "out.csv",
            own + QStringList{"--report", "OUT/run.pdf", "--report-title", "Feeder 7", "--chart", "swr",
                              "--chart", "dtf"},
            INTERPOLATED);
        // an ideal front end needs the ideal standards of the file; without it raw data stays raw
        const QStringList narrow{"--start", "1000000", "--stop", "900000000", "--points", "51"};
        row("own calibration file", "out.s1p", narrow + QStringList{"--calibration", "own.cbin", "ideal"},
            ON_GRID);
        row("no calibration, raw data", "out.s1p", narrow + QStringList{"--calibration", "none"},
            -INTERPOLATED);
        row("a request lost on the line", "out.s1p", own, INTERPOLATED, "lose 1");
        row("a reply later than the program waits", "out.s1p", own, INTERPOLATED, "late 2500");
        row("an empty lock left by a killed run", "out.s1p", own, INTERPOLATED, "lock:");
        row("a lock of a process that is gone", "out.s1p", own, INTERPOLATED, "lock:2147483646\nvna\n\n");
    }

    void writesEveryFormat()
    {
        QFETCH(QString, fileName);
        QFETCH(QStringList, args);
        QFETCH(double, tolerance);
        QFETCH(QString, before);
        auto option = [&](const char* name, const char* otherwise) {
            const int i = args.indexOf(name);
            return i < 0 ? QString(otherwise) : args.value(i + 1);
        };
        const quint64 first = option("--start", "1000000").toULongLong();
        const quint64 last = option("--stop", "6200000000").toULongLong();
        const int points = option("--points", "801").toInt();
        TestSupport::EmulatorProcess emulator;
        const bool ideal = args.removeAll("ideal");
        QVERIFY(emulator.start({"--dut", "r=100", "--error-box", ideal ? "ideal" : "typical"}));
        if (before.startsWith("lock:"))
            QVERIFY(leaveLock(emulator.portPath(), before.mid(5).toUtf8(), 10));
        else if (!before.isEmpty())
            QCOMPARE(emulator.control(before), "ok " + before);
        QTemporaryDir dir;
        args.replaceInStrings(QRegularExpression("^OUT/"), dir.path() + "/");
        const QString out = dir.filePath(fileName);
        const TRun run = runMeasure(
            QStringList{"--port", emulator.portPath(), "--data-dir", dir.filePath("data"), "--out", out} +
                args,
            m_cal.path());
        QVERIFY2(run.code == 0 && run.errors.isEmpty(), qPrintable(run.err));
        QFile file(out);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        TScanPoints read;
        if (fileName.endsWith(".s1p")) {
            QVERIFY(ZData::TouchstoneFile::parse(bytes, read, nullptr));
            QVERIFY(bytes.contains(args.contains("db") ? "\n# MHz S DB R 50\n" : "\n# Hz S RI R 50\n"));
        } else if (fileName.endsWith(".csv")) {
            const QList<QByteArray> rows = bytes.trimmed().split('\n');
            QVERIFY(rows.first().startsWith("Frequency (Hz),Re,Im,"));
            for (const QByteArray& line : rows.mid(1)) {
                const QList<QByteArray> cells = line.split(',');
                read.append(
                    {cells.value(0).toULongLong(), cells.value(1).toFloat(), cells.value(2).toFloat()});
            }
        } else {
            ZData::DS::TTraceData trace;
            QVERIFY(fileName.endsWith(".tbin") ? ZData::DS::TraceFiles::fromBinary(bytes, trace)
                                               : ZData::DS::TraceFiles::fromText(bytes, trace));
            QCOMPARE(quint64(trace.start), first);
            QCOMPARE(quint64(trace.stop), last);
            read = trace.points;
        }
        QCOMPARE(read.size(), points);
        QCOMPARE(read.first().frequency, first);
        QCOMPARE(read.last().frequency, last);
        const QString wrong = checkOneThird(read, std::abs(tolerance));
        QVERIFY2(wrong.isEmpty() == (tolerance > 0), qPrintable(wrong)); // negative: must be wrong
        if (args.contains("--image")) {
            QImageReader reader(option("--image", ""));
            const QStringList size = option("--image-size", "1600x1200").split('x');
            QCOMPARE(reader.size(), QSize(size.at(0).toInt(), size.at(1).toInt()));
            QVERIFY(!reader.read().isNull());
        }
        if (args.contains("--report"))
            checkReport(option("--report", ""),
                        {"Feeder 7", "View 1: SWR", "View 2: DTF", "900000000 Hz", "201"});
    }

    void failsWithItsExitCode_data()
    {
        // "P" a port never opened; "emulator", "locked" (by a running program), "silent" (a peer that
        // never answers) or "absent" stand for the port. OUT/ is the output folder, left empty.
        QTest::addColumn<QString>("port");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        // option errors, found before the port is opened
        auto usage = [](const char* name, const QStringList& args, const char* message) {
            QTest::newRow(name) << "P" << args << 1 << message;
        };
        QTest::newRow("no port") << "" << QStringList{"--points", "10"} << 1 << "--port";
        usage("too many points", {"--points", "2049"}, "--points");
        usage("unknown format", {"--out", "OUT/x.txt"}, "--out");
        usage("unknown option", {"--fast"}, "fast");
        usage("unknown touchstone format", {"--touchstone-format", "XY"}, "--touchstone-format");
        usage("touchstone options for csv", {"--out", "OUT/bad.csv", "--touchstone-unit", "MHZ"}, "FILE.s1p");
        usage("unknown chart", {"--chart", "histogram", "--image", "OUT/bad.png"}, "--chart must be");
        usage("chart without image", {"--chart", "swr"}, "--chart TYPE");
        usage("two charts for an image", {"--chart", "swr", "--chart", "dtf", "--image", "OUT/bad.png"},
              "only --report");
        usage("image not png or svg", {"--chart", "swr", "--image", "OUT/bad.jpg"}, "--image must");
        usage("image folder missing", {"--chart", "swr", "--image", "/proc/no/bad.png"}, "cannot be written");
        usage("bad image size", {"--chart", "swr", "--image", "OUT/bad.png", "--image-size", "0x10"},
              "--image-size");
        usage("report not pdf", {"--report", "OUT/bad.png"}, "--report must");
        usage("report folder missing", {"--report", "/proc/no/bad.pdf"}, "cannot be written");
        QStringList fiveCharts{"--report", "OUT/bad.pdf"};
        for (int i = 0; i < 5; ++i)
            fiveCharts << "--chart"
                       << "swr";
        usage("five charts in a report", fiveCharts, "at most");
        usage("title without report", {"--report-title", "x"}, "--report-title");
        QTest::newRow("sweep beyond the analyser")
            << "emulator" << QStringList{"--stop", "7000000000"} << 1 << "range";
        QTest::newRow("port cannot be opened") << "absent" << QStringList() << 2 << "cannot open port";
        QTest::newRow("port locked by a running program")
            << "locked" << QStringList() << 2 << "cannot open port";
        // the link gives up after its resends, long before the timeout
        QTest::newRow("no answer, link gives up")
            << "silent" << QStringList{"--timeout", "30"} << 3 << "does not answer";
        QTest::newRow("another analyser's calibration")
            << "emulator" << QStringList{"--calibration", "foreign.cbin"} << 4 << "another analyser";
        QTest::newRow("truncated calibration")
            << "emulator" << QStringList{"--calibration", "broken.cbin"} << 4 << "malformed";
        QTest::newRow("timeout passes")
            << "emulator" << QStringList{"--sweeps", "1000000", "--timeout", "3"} << 5 << "timeout";
    }

    void failsWithItsExitCode()
    {
        QFETCH(QString, port);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir data;
        QTemporaryDir out;
        TestSupport::EmulatorProcess emulator;
        TestSupport::PtyPeer silent; // records requests and never answers
        QString path = port;
        if (port == "emulator" || port == "locked") {
            QVERIFY(emulator.start());
            path = emulator.portPath();
        }
        if (port == "locked") {
            // this very test holds it, by the toolkit's own lock format
            const QByteArray lock = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                                    QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() +
                                    '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
            QVERIFY(leaveLock(path, lock, 10));
        } else if (port == "silent") {
            QVERIFY(silent.start());
            path = silent.linkPath();
        } else if (port == "absent") {
            path = data.filePath("no-such-port");
        }
        args.replaceInStrings(QRegularExpression("^OUT/"), out.path() + "/");
        if (!args.contains("--out"))
            args << "--out" << out.filePath("out.s1p");
        args << "--data-dir" << data.path();
        if (!path.isEmpty())
            args << "--port" << path;
        const TRun run = runMeasure(args, m_cal.path());
        QCOMPARE(run.code, exitCode);
        QVERIFY2(run.errors.size() == 1 && run.errors.first().contains(message), qPrintable(run.err));
        QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
        // a request that got no reply may never have reached the analyser, which then has nothing to
        // repeat: the request itself goes out again, twice, before the link gives up
        if (port == "silent")
            QCOMPARE(silent.commands(), QList<quint16>({ID, ID, ID}));
        if (port == "locked") {
            QVERIFY(QFile::exists(ZData::DM::PortLock::path(path))); // a live holder's lock stays
            QVERIFY(QFile::remove(ZData::DM::PortLock::path(path)));
        }
    }
};

QTEST_MAIN(tst_MeasureTool)
#include "tst_MeasureTool.moc"
