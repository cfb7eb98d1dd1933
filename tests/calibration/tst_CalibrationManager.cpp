#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <complex>
#include <memory>

#include "TestSupport.h"
#include "calibration/CalibrationManager.h"
#include "core/SettingsManager.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/DeviceManager.h"
#include "measurement/DataScanManager.h"

using namespace ZData;
using CAL::CalibrationData;

namespace {

const QString DEVICE_ID = QStringLiteral("2083-1719-77");

void setDeviceId(const QString& id)
{
    TDeviceInfo info = DeviceManager::deviceInfo();
    info.identifier = id;
    DeviceManager::setDeviceInfo(info);
}

QByteArray payload(const std::function<void(QDataStream&)>& fill)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    fill(stream);
    return bytes;
}

TDeviceReply reply(EDeviceCommands command, const QByteArray& data)
{
    TDeviceReply r;
    r.header.command = quint16(command);
    r.data = data;
    return r;
}

QByteArray rangePayload(qint64 start, qint64 stop, qint64 points)
{
    return payload([&](QDataStream& s) { s << start << stop << points; });
}

// Answers the slices asked for, with the same raw value at every point; two are the whole sweep.
void answerSlices(float re, float im, int slices = 2)
{
    for (int i = 0; i < slices; ++i) {
        const int n = DataScanManager::currentSlice().size();
        DM::CommandQueue::clear();
        DataScanManager::instance().slotProcessScanData(
            TestSupport::scanReply(quint16(DataScanManager::sliceStartIndex()), float(n), n,
                                   [re, im](int) { return std::complex<float>(re, im); }));
    }
}

// The raw reading of each standard.
const QVector<QPair<quint8, QPointF>> STANDARDS{{CalibrationData::OPEN, {0.9, 0.1}},
                                                {CalibrationData::SHORT, {-0.8, -0.1}},
                                                {CalibrationData::LOAD, {0.05, 0.02}}};

// Measures the three standards through the manager.
void measureAll()
{
    for (const auto& standard : STANDARDS) {
        CalibrationManager::startCalibType(standard.first);
        for (int i = 0; i < 10 && DataScanManager::currentSlice().size() > 0; ++i)
            answerSlices(float(standard.second.x()), float(standard.second.y()), 1);
    }
}

} // namespace

class tst_CalibrationManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void autosaveNamesAndPrunes();
    void fileRefused_data();
    void fileRefused();
    void tableKeysReadBack();
    void downloadRefusesBadReplies_data();
    void downloadRefusesBadReplies();
    void kitAveragingAndRecord();
    void liveAverage_data();
    void liveAverage();

private:
    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
};

void tst_CalibrationManager::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    ZCore::SettingsManager::init();
    QVERIFY(CalibrationManager::init());
    QVERIFY(DataScanManager::init());
}

void tst_CalibrationManager::init()
{
    DM::CommandQueue::clear();
    CalibrationManager::reset();
    DataScanManager::reset();
    DataScanManager::setScanPause(true, false);
    setDeviceId(DEVICE_ID);
    DataScanManager::sweep().setDeviceRange(1e6, 6.2e9);
    TestSupport::setSweep(1e8, 3e8, 200);
}

void tst_CalibrationManager::autosaveNamesAndPrunes()
{
    // The start-up makes the device's directory; its factory download is not answered here.
    CalibrationManager::instance().slotPostDeviceStartup();
    DM::CommandQueue::clear();
    CalibrationManager::reset();
    const QDir dir(CalibrationManager::deviceDir());
    QVERIFY(dir.exists());
    for (const QString& name : dir.entryList(QDir::Files))
        QVERIFY(QFile::remove(dir.filePath(name)));
    // 21 older autosaves, a file the user saved under a name of their own, and one of another device.
    auto touch = [&dir](const QString& name) { return TestSupport::writeFile(dir.filePath(name), "x"); };
    for (int i = 0; i < 21; ++i)
        QVERIFY(touch(
            QStringLiteral("auto_%1_2020-01-01_00.00.%2.cbin").arg(DEVICE_ID).arg(i, 2, 10, QChar('0'))));
    QVERIFY(touch(QStringLiteral("mine.cbin")));
    QVERIFY(touch(QStringLiteral("auto_9-9-9_2020-01-01_00.00.00.cbin")));

    const QRegularExpression name(
        QStringLiteral("^auto_%1_\\d{4}-\\d\\d-\\d\\d_\\d\\d\\.\\d\\d\\.\\d\\d(_\\d\\d)?\\.cbin$")
            .arg(QRegularExpression::escape(DEVICE_ID)));
    const QStringList ours{QStringLiteral("auto_%1_*.cbin").arg(DEVICE_ID)};
    QStringList written;
    for (int round = 0; round < 2; ++round) {
        // The scan of the previous round stops first: measureAll answers slices from a paused scan.
        DataScanManager::setScanPause(true, false);
        DM::CommandQueue::clear();
        measureAll();
        QVERIFY(CalibrationManager::calibration().isComplete());
        // In use from the file written the moment the calibration was complete.
        QCOMPARE(CalibrationManager::source(), CalibrationManager::ESource::FILE);
        const QString path = CalibrationManager::sourceFile();
        QVERIFY2(name.match(QFileInfo(path).fileName()).hasMatch(), qPrintable(path));
        QCOMPARE(CalibrationManager::tableEntry(DEVICE_ID), path);
        QCOMPARE(CalibrationManager::sourceCode(), "FILE " + QFileInfo(path).fileName());
        QVERIFY(!written.contains(path)); // two within one second do not overwrite each other
        written << path;
        const QStringList autosaves = dir.entryList(ours, QDir::Files, QDir::Name);
        QCOMPARE(autosaves.size(), CalibrationManager::MAX_AUTOSAVES);
        QVERIFY(!autosaves.contains(
            QStringLiteral("auto_%1_2020-01-01_00.00.%2.cbin").arg(DEVICE_ID).arg(round, 2, 10, QChar('0'))));
        QVERIFY(autosaves.contains(QFileInfo(path).fileName()));
    }
    QVERIFY(dir.exists(QStringLiteral("mine.cbin")));
    QVERIFY(dir.exists(QStringLiteral("auto_9-9-9_2020-01-01_00.00.00.cbin")));
    // Measured times are known per standard; the file loaded back has none of its own.
    QVERIFY(CalibrationManager::measuredAt(CalibrationData::SHORT).isValid());
    QVERIFY(CalibrationManager::loadCalibFile(written.first()));
    QVERIFY(!CalibrationManager::measuredAt(CalibrationData::SHORT).isValid());
    QCOMPARE(CalibrationManager::sourceFile(), written.first());
    // Back to the factory by choice: not brought back by the next connect, yet kept on disk.
    CalibrationManager::resetToFactory();
    DM::CommandQueue::clear();
    QVERIFY(CalibrationManager::tableEntry(DEVICE_ID).isEmpty());
    QVERIFY(QFileInfo::exists(written.first()));
}

void tst_CalibrationManager::fileRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("another device") << "device";
    QTest::newRow("1001 points") << "points";
    QTest::newRow("truncated") << "cut";
    QTest::newRow("huge id length") << "id";
}

void tst_CalibrationManager::fileRefused()
{
    QFETCH(QString, kind);
    measureAll();
    const QString bad = CalibrationManager::calibDir() + "/bad.cbin";
    QVERIFY(CalibrationManager::saveCalibFile(bad));
    QByteArray bytes = TestSupport::readFile(bad);
    if (kind == "device")
        setDeviceId("2083-1719-78");
    else if (kind == "cut")
        bytes.chop(100);
    else if (kind == "id")
        bytes = QByteArray::fromHex("fffffff0") + bytes.mid(4);
    else // 1001 as the little-endian point count
        bytes.replace(4 + 2 * DEVICE_ID.size() + 16, 2, QByteArray::fromHex("e903"));
    QVERIFY(TestSupport::writeFile(bad, bytes));
    const CalibrationData before = CalibrationManager::calibration();
    DM::CommandQueue::clear();
    QVERIFY(!CalibrationManager::loadCalibFile(bad));
    const CalibrationData& after = CalibrationManager::calibration();
    QCOMPARE(after.points(), before.points());
    QCOMPARE(after.typesPresent(), before.typesPresent());
    QCOMPARE(after.openAt(3), before.openAt(3));
    QCOMPARE(DM::CommandQueue::size(), 0);
}

void tst_CalibrationManager::tableKeysReadBack()
{
    // Each of these characters would be read as INI syntax, a group path or another encoding.
    const QString id = QString::fromUtf8("a/b=1;[General] id #1 устройство");
    const QString path = QStringLiteral("/some/where/") + id + ".cbin";
    CalibrationManager::setTableEntry(id, path);
    CalibrationManager::setTableEntry(id + "x", "other");
    QCOMPARE(CalibrationManager::tableEntry(id), path);
    // Read back through a fresh settings object on the same file.
    QSettings table(CalibrationManager::tablePath(), QSettings::IniFormat);
    QCOMPARE(table.value(CalibrationManager::tableKey(id)).toString(), path);
}

void tst_CalibrationManager::downloadRefusesBadReplies_data()
{
    QTest::addColumn<int>("step"); // 0 range, 1 vco chunk, 2 data chunk
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("range of 1001 points") << 0 << rangePayload(1000000, 2000000, 1001);
    QTest::newRow("range stop below start") << 0 << rangePayload(2000000, 1000000, 10);
    QTest::newRow("vco past 3257") << 1 << payload([](QDataStream& s) {
        s << qint16(3000) << qint16(509);
        for (int i = 0; i < 509; ++i)
            s << qint8(1) << qint8(1);
    });
    QTest::newRow("data past the calibration") << 2 << payload([](QDataStream& s) {
        s << 90.0f << 41.0f;
        for (int i = 0; i < 41 * 6; ++i)
            s << 1.0f;
    });
    QTest::newRow("data past 1000") << 2 << payload([](QDataStream& s) { s << 990.0f << 41.0f; });
    QTest::newRow("data truncated") << 2 << payload([](QDataStream& s) { s << 0.0f << 41.0f << 1.0f; });
}

void tst_CalibrationManager::downloadRefusesBadReplies()
{
    QFETCH(int, step);
    QFETCH(QByteArray, data);
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    CalibrationManager::readDeviceCalib(1);
    DM::CommandQueue::clear();
    if (step > 0) {
        TDeviceReply r = reply(EDeviceCommands::F_READ_CALIB_RANGE, rangePayload(1000000, 100000000, 100));
        CalibrationManager::instance().slotProcessCalibRange(r);
        DM::CommandQueue::clear();
    }
    TDeviceReply bad = reply(EDeviceCommands::F_READ_CALIB_RANGE, data);
    if (step == 0)
        CalibrationManager::instance().slotProcessCalibRange(bad);
    else if (step == 1)
        CalibrationManager::instance().slotProcessCalibVCO(bad);
    else
        CalibrationManager::instance().slotProcessCalibData(bad);
    // Refused: no further reads, no half calibration left to correct with, the scan resumes.
    QCOMPARE(DM::CommandQueue::commands(), (QList<quint16>{quint16(EDeviceCommands::DA_GET_SCAN_DATA)}));
    QCOMPARE(CalibrationManager::calibration().points(), quint16(0));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!CalibrationManager::isTransferring());
    QVERIFY(!DataScanManager::isPaused());
}

void tst_CalibrationManager::kitAveragingAndRecord()
{
    // An open with 300 fF behind 40 ps: far from +1 at 300 MHz, so taking it as ideal shows.
    QVERIFY(TestSupport::writeFile(CAL::CalibrationKit::pathFor("sma"),
                                   "[open]\nc0_ff = 300\ndelay_ps = 40\n[load]\nr_ohm = 52\n"));
    QVERIFY(CalibrationManager::kitNames().contains("sma"));
    QVERIFY(CalibrationManager::setKit("sma"));
    for (const int count : {0, 65})
        QVERIFY(!CalibrationManager::setAverageSweeps(count));
    QVERIFY(CalibrationManager::setAverageSweeps(3));

    // Three sweeps per standard; one sweep of each is a glitch at every point, which the robust
    // mean drops.
    QSignalSpy typeDone(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibType);
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    QSignalSpy processed(&DataScanManager::instance(), &DataScanManager::signalProcessedScanData);
    for (const auto& standard : STANDARDS) {
        CalibrationManager::startCalibType(standard.first);
        for (int sweep = 0; sweep < 3; ++sweep) {
            QCOMPARE(typeDone.count(), STANDARDS.indexOf(standard));
            const float glitch = sweep == 1 ? 0.3f : 0.0f;
            answerSlices(float(standard.second.x()) + glitch, float(standard.second.y()));
        }
        // A partial calibration waits, paused, for the next standard.
        QCOMPARE(DataScanManager::isPaused(), standard.first != CalibrationData::LOAD);
    }
    QCOMPARE(typeDone.count(), 3);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(processed.count(), 18); // other receivers keep the scan data through the capture
    const CalibrationData saved = CalibrationManager::calibration();
    QVERIFY(saved.isComplete());
    QCOMPARE(saved.start(), quint64(100000000));
    QCOMPARE(saved.points(), quint16(200));
    QVERIFY(DataScanManager::isCalibrationApplied());
    QCOMPARE(CalibrationManager::kitRecord(), CalibrationManager::EKitRecord::KIT);
    QCOMPARE(CalibrationManager::calibrationKit().name, QString("sma"));
    // The raw open now reads as the kit's open, the raw load as the kit's load.
    answerSlices(0.9f, 0.1f, 1); // points 0 to 125
    const TScanPoint& read = DataScanManager::measuredBuffer()[100];
    const CAL::CalibrationKit::TGamma open = CalibrationManager::kit().openGamma(double(read.frequency));
    QVERIFY(std::abs(std::complex<double>(read.re, read.im) - open) < 1e-4);
    QVERIFY(std::abs(open - 1.0) > 0.1);
    answerSlices(0.05f, 0.02f, 1); // points 126 to 199
    QVERIFY(qAbs(DataScanManager::measuredBuffer()[150].re - 2.0f / 102) < 1e-4f);
    QVERIFY(qAbs(DataScanManager::measuredBuffer()[150].im) < 1e-4f);

    // The kit goes with the saved file and comes back with it; a file without a record says so.
    const QString path = CalibrationManager::calibDir() + "/kit.cbin";
    const QString sidecar = CalibrationManager::kitSidecarPath(path);
    QVERIFY(CalibrationManager::saveCalibFile(path));
    QCOMPARE(CalibrationManager::tableEntry(DEVICE_ID), path);
    QVERIFY(QFileInfo::exists(sidecar));
    CalibrationManager::reset();
    DataScanManager::sweep().setPoints(10, true);
    QVERIFY(CalibrationManager::loadCalibFile(path));
    QCOMPARE(DataScanManager::sweep().points(), 200u); // the sweep follows the calibration grid
    QCOMPARE(CalibrationManager::calibration().openAt(7), saved.openAt(7));
    QCOMPARE(CalibrationManager::kitRecord(), CalibrationManager::EKitRecord::KIT);
    QCOMPARE(CalibrationManager::calibrationKit().name, QString("sma"));
    QCOMPARE(CalibrationManager::calibrationKit().open.c[0], 300.0);
    QVERIFY(QFile::remove(sidecar));
    QVERIFY(CalibrationManager::loadCalibFile(path));
    QCOMPARE(CalibrationManager::kitRecord(), CalibrationManager::EKitRecord::UNRECORDED);
    // Saved again, it leaves no record that would claim a kit.
    QVERIFY(TestSupport::writeFile(sidecar, "[kit]\nname = sma\n"));
    QVERIFY(CalibrationManager::saveCalibFile(path));
    QVERIFY(!QFileInfo::exists(sidecar));
    // A partial calibration cannot be saved; the file on disk is kept.
    const QByteArray kept = TestSupport::readFile(path);
    CalibrationManager::clearCalibType(CalibrationData::LOAD);
    QVERIFY(!CalibrationManager::saveCalibFile(path));
    QCOMPARE(TestSupport::readFile(path), kept);

    // The kit in use removed: the ideal kit, and a reason for the user.
    QVERIFY(CalibrationManager::setKit("sma"));
    QSignalSpy kitChanged(&CalibrationManager::instance(), &CalibrationManager::signalKitChanged);
    QVERIFY(QFile::remove(CAL::CalibrationKit::pathFor("sma")));
    QVERIFY(!CalibrationManager::kitNames().contains("sma"));
    QCOMPARE(CalibrationManager::kit().name, QString("Ideal"));
    QCOMPARE(kitChanged.count(), 1);
    QVERIFY(kitChanged.first().first().toString().contains("sma.ini"));
}

void tst_CalibrationManager::liveAverage_data()
{
    QTest::addColumn<int>("sweeps");
    QTest::newRow("off") << 0;
    QTest::newRow("2") << 2;
    QTest::newRow("4") << 4;
}

void tst_CalibrationManager::liveAverage()
{
    QFETCH(int, sweeps);
    measureAll();
    const int point = 130; // in the second slice
    // The corrected value of each raw reading, taken without averaging.
    const QVector<float> raws{0.1f, 0.3f, 0.2f, 0.6f, 0.5f, 0.4f};
    QVector<float> corrected;
    for (const float r : raws) {
        answerSlices(r, 0.0f);
        corrected << DataScanManager::measuredBuffer()[point].re;
    }
    QVERIFY(!DataScanManager::setLiveAverage(-1));
    QVERIFY(!DataScanManager::setLiveAverage(65));
    QVERIFY(DataScanManager::setLiveAverage(sweeps));
    double expected = 0;
    for (int i = 0; i < raws.size(); ++i) {
        answerSlices(raws[i], 0.0f);
        const int n = sweeps == 0 ? 1 : qMin(i + 1, sweeps);
        expected += (corrected[i] - expected) / n;
        QVERIFY2(qAbs(DataScanManager::measuredBuffer()[point].re - float(expected)) < 1e-5f,
                 qPrintable(QString("sweep %1: %2, want %3")
                                .arg(i)
                                .arg(DataScanManager::measuredBuffer()[point].re)
                                .arg(expected)));
    }
    // A changed sweep (here its bandwidth) starts the average afresh.
    CalibrationManager::setBandwidthIndex(1);
    DM::CommandQueue::clear();
    DataScanManager::setScanPause(true, false);
    DataScanManager::setScanPause(false, false);
    answerSlices(raws[0], 0.0f);
    QVERIFY(qAbs(DataScanManager::measuredBuffer()[point].re - corrected[0]) < 1e-3f);
}

QTEST_GUILESS_MAIN(tst_CalibrationManager)
#include "tst_CalibrationManager.moc"
