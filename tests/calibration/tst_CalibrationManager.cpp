#include <QDataStream>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

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

// Feeds one scan reply for the slice in flight, with the same raw value at every point.
void answerSlice(float re, float im)
{
    const int n = DataScanManager::currentSlice().size();
    TDeviceReply r;
    r.header.command = quint16(EDeviceCommands::DA_GET_SCAN_DATA);
    r.header.options = quint16(DataScanManager::sliceStartIndex());
    r.data = payload([&](QDataStream& s) {
        s << float(n) << 0.0f;
        for (int j = 0; j < n; ++j)
            s << re << im;
    });
    DM::CommandQueue::clear();
    DataScanManager::instance().slotProcessScanData(r);
}

// A complete calibration of the given device saved through the manager: measure three standards.
void measureAll()
{
    const QVector<QPair<quint8, QPointF>> standards{{CalibrationData::OPEN, {0.9, 0.1}},
                                                    {CalibrationData::SHORT, {-0.8, -0.1}},
                                                    {CalibrationData::LOAD, {0.05, 0.02}}};
    for (const auto& standard : standards) {
        CalibrationManager::startCalibType(standard.first);
        for (int i = 0; i < 10 && DataScanManager::currentSlice().size() > 0; ++i)
            answerSlice(float(standard.second.x()), float(standard.second.y()));
    }
}

} // namespace

class tst_CalibrationManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void measurementFlow();
    void fileRoundTripAndTable();
    void fileRefused_data();
    void fileRefused();
    void tableKeysReadBack_data();
    void tableKeysReadBack();
    void downloadChunks();
    void downloadRefusesBadReplies_data();
    void downloadRefusesBadReplies();
    void uploadChunksAndAcks();
    void bandwidthIndexClamped();

private:
    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
};

void tst_CalibrationManager::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    ZCore::SettingsManager::init();
    QVERIFY(CalibrationManager::init());
    QVERIFY(DataScanManager::init());
    QVERIFY(QFileInfo::exists(CalibrationManager::tablePath()));
    QSettings table(CalibrationManager::tablePath(), QSettings::IniFormat);
    QCOMPARE(table.value("desc").toString(), QString("device_id = path of last used calib file"));
}

void tst_CalibrationManager::init()
{
    DM::CommandQueue::clear();
    CalibrationManager::reset();
    DataScanManager::setScanPause(true, false);
    setDeviceId(DEVICE_ID);
    DataScanManager::sweep().setDeviceRange(1e6, 6.2e9);
    DataScanManager::sweep().setStart(1e8, false);
    DataScanManager::sweep().setStop(3e8, false);
    DataScanManager::sweep().setPoints(200, true);
}

void tst_CalibrationManager::measurementFlow()
{
    QSignalSpy typeDone(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibType);
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    QSignalSpy processed(&DataScanManager::instance(), &DataScanManager::signalProcessedScanData);
    CalibrationManager::startCalibType(CalibrationData::OPEN);
    QVERIFY(!DataScanManager::isPaused());
    answerSlice(0.9f, 0.1f); // first slice; the last one goes out paused
    QVERIFY(DataScanManager::isPaused());
    answerSlice(0.9f, 0.1f);
    QCOMPARE(typeDone.count(), 1);
    QVERIFY(DataScanManager::currentSlice().size() == 0 || DataScanManager::isPaused());
    CalibrationManager::startCalibType(CalibrationData::SHORT);
    answerSlice(-0.8f, -0.1f);
    answerSlice(-0.8f, -0.1f);
    QCOMPARE(int(CalibrationManager::calibration().typesPresent()), 3);
    QVERIFY(DataScanManager::isPaused());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(CalibrationManager::calibration().points(), quint16(0)); // no range until complete
    // Other receivers of the scan data keep their connection through the capture.
    const int before = processed.count();
    CalibrationManager::startCalibType(CalibrationData::LOAD);
    answerSlice(0.05f, 0.02f);
    answerSlice(0.05f, 0.02f);
    QCOMPARE(processed.count(), before + 2);
    QCOMPARE(finished.count(), 1);
    const CalibrationData& cal = CalibrationManager::calibration();
    QVERIFY(cal.isComplete());
    QCOMPARE(cal.start(), quint64(100000000));
    QCOMPARE(cal.stop(), quint64(300000000));
    QCOMPARE(cal.points(), quint16(200));
    QCOMPARE(cal.openAt(199), CAL::TComplex(0.9f, 0.1f));
    QCOMPARE(cal.loadAt(0), CAL::TComplex(0.05f, 0.02f));
    QVERIFY(DataScanManager::isCalibrationApplied());
    QVERIFY(!DataScanManager::isPaused());
    // With correction on, the raw open reads +1 and the raw load 0.
    answerSlice(0.9f, 0.1f);
    QVERIFY(qAbs(DataScanManager::measuredBuffer()[0].re - 1.0f) < 1e-5f);
    answerSlice(0.05f, 0.02f);
    QVERIFY(qAbs(DataScanManager::measuredBuffer()[150].re) < 1e-5f);
    // Measuring again while complete starts from nothing.
    CalibrationManager::startCalibType(CalibrationData::SHORT);
    QCOMPARE(int(CalibrationManager::calibration().typesPresent()), 0);
    QVERIFY(!DataScanManager::isCalibrationApplied());
}

void tst_CalibrationManager::fileRoundTripAndTable()
{
    measureAll();
    QVERIFY(CalibrationManager::calibration().isComplete());
    const CalibrationData saved = CalibrationManager::calibration();
    const QString path = CalibrationManager::calibDir() + "/a.cbin";
    QVERIFY(CalibrationManager::saveCalibFile(path));
    QCOMPARE(CalibrationManager::tableEntry(DEVICE_ID), path);
    QCOMPARE(QFileInfo(path).size(), qint64(4 + 2 * DEVICE_ID.size() + 22 + 200 * 24 + 6514));

    CalibrationManager::reset();
    DataScanManager::sweep().setPoints(10, true);
    DM::CommandQueue::clear();
    QVERIFY(CalibrationManager::loadCalibFile(path));
    const CalibrationData& loaded = CalibrationManager::calibration();
    QCOMPARE(loaded.points(), saved.points());
    QCOMPARE(loaded.openAt(7), saved.openAt(7));
    QCOMPARE(DataScanManager::sweep().points(), 200u); // the sweep follows the calibration grid
    QCOMPARE(DataScanManager::sweep().start(), 1e8);
    // The oscillator tables go to the device's active calibration: 1019-byte chunks, two parts each.
    QCOMPARE(DM::CommandQueue::size(), 2);
    QCOMPARE(DM::CommandQueue::head().command, quint16(EDeviceCommands::F_SEND_ACTIVE_CALIB_VCO));
    QCOMPARE(DM::CommandQueue::head().options, quint16(0xFFFF));

    // A partial calibration cannot be saved; the file on disk is kept.
    CalibrationManager::clearCalibType(CalibrationData::LOAD);
    QVERIFY(!CalibrationManager::saveCalibFile(path));
    QCOMPARE(QFileInfo(path).size(), qint64(4 + 2 * DEVICE_ID.size() + 22 + 200 * 24 + 6514));

    // A lost file blanks its table entry.
    QFile::remove(path);
    QVERIFY(!CalibrationManager::loadCalibFile(path));
    QCOMPARE(CalibrationManager::tableEntry(DEVICE_ID), QString(""));
}

void tst_CalibrationManager::fileRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("another device") << "device";
    QTest::newRow("0 points") << "0";
    QTest::newRow("1 point") << "1";
    QTest::newRow("1001 points") << "1001";
    QTest::newRow("truncated") << "cut";
    QTest::newRow("empty file") << "empty";
}

void tst_CalibrationManager::fileRefused()
{
    QFETCH(QString, kind);
    measureAll();
    const QString good = CalibrationManager::calibDir() + "/good.cbin";
    QVERIFY(CalibrationManager::saveCalibFile(good));
    QFile file(good);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    const int pointsAt = 4 + 2 * DEVICE_ID.size() + 16;
    if (kind == "device") {
        setDeviceId("2083-1719-78");
    } else if (kind == "cut") {
        bytes.chop(100);
    } else if (kind == "empty") {
        bytes.clear();
    } else {
        const int n = kind.toInt();
        bytes[pointsAt] = char(n & 0xFF);
        bytes[pointsAt + 1] = char(n >> 8);
    }
    const QString bad = CalibrationManager::calibDir() + "/bad.cbin";
    QFile out(bad);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    const CalibrationData before = CalibrationManager::calibration();
    DM::CommandQueue::clear();
    QVERIFY(!CalibrationManager::loadCalibFile(bad));
    const CalibrationData& after = CalibrationManager::calibration();
    QCOMPARE(after.points(), before.points());
    QCOMPARE(after.typesPresent(), before.typesPresent());
    QCOMPARE(after.openAt(3), before.openAt(3));
    QCOMPARE(DM::CommandQueue::size(), 0);
    QVERIFY(CalibrationManager::tableEntry(CalibrationManager::tableKey(DEVICE_ID)) != bad);
}

void tst_CalibrationManager::tableKeysReadBack_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("plain") << "2083-1719-77";
    QTest::newRow("slash") << "a/b";
    QTest::newRow("backslash") << "a\\b";
    QTest::newRow("equals and semicolon") << "x=1;y";
    QTest::newRow("brackets and blanks") << "[General] id #1";
    QTest::newRow("percent") << "100%";
    QTest::newRow("non-latin") << QString::fromUtf8("устройство");
    QTest::newRow("desc") << "desc";
}

void tst_CalibrationManager::tableKeysReadBack()
{
    QFETCH(QString, id);
    const QString path = QStringLiteral("/some/where/") + id + ".cbin";
    CalibrationManager::setTableEntry(id, path);
    CalibrationManager::setTableEntry(id + "x", "other");
    QCOMPARE(CalibrationManager::tableEntry(id), path);
    // Read back through a fresh settings object on the same file.
    QSettings table(CalibrationManager::tablePath(), QSettings::IniFormat);
    QCOMPARE(table.value(CalibrationManager::tableKey(id)).toString(), path);
    QCOMPARE(table.value("desc").toString(), QString("device_id = path of last used calib file"));
}

void tst_CalibrationManager::downloadChunks()
{
    QSignalSpy started(&CalibrationManager::instance(), &CalibrationManager::signalStartedCalibration);
    QSignalSpy finished(&CalibrationManager::instance(), &CalibrationManager::signalFinishedCalibration);
    CalibrationManager::readDeviceCalib(2);
    QCOMPARE(started.count(), 1);
    QVERIFY(DataScanManager::isPaused());
    QCOMPARE(DM::CommandQueue::head().command, quint16(EDeviceCommands::F_READ_CALIB_RANGE));
    QCOMPARE(DM::CommandQueue::head().options, quint16(2));
    TDeviceReply r = reply(EDeviceCommands::F_READ_CALIB_RANGE, rangePayload(1000000, 100000000, 100));
    DM::CommandQueue::clear();
    CalibrationManager::instance().slotProcessCalibRange(r);
    QCOMPARE(DataScanManager::sweep().points(), 100u);
    QVector<int> vcoCounts, dataCounts;
    int vcoDone = 0, dataDone = 0;
    // Answer each queued read with what it asked for.
    for (int guard = 0; guard < 50 && DM::CommandQueue::size() > 0; ++guard) {
        const TCommandHeader head = DM::CommandQueue::head();
        if (head.command == quint16(EDeviceCommands::F_READ_CALIB_VCO)) {
            // The request's chunk was taken from the cursors when it was sent.
            const QPair<int, int> chunk(vcoDone, CalibrationManager::calibration().vcoCursor() - vcoDone);
            vcoDone += chunk.second;
            vcoCounts.append(chunk.second);
            TDeviceReply v = reply(EDeviceCommands::F_READ_CALIB_VCO, payload([&](QDataStream& s) {
                                       s << qint16(chunk.first) << qint16(chunk.second);
                                       for (int i = 0; i < chunk.second; ++i)
                                           s << qint8(i % 100) << qint8(-(i % 100));
                                   }));
            DM::CommandQueue::clear();
            CalibrationManager::instance().slotProcessCalibVCO(v);
        } else if (head.command == quint16(EDeviceCommands::F_READ_CALIB_DATA)) {
            const QPair<int, int> chunk(dataDone, CalibrationManager::calibration().dataCursor() - dataDone);
            dataDone += chunk.second;
            dataCounts.append(chunk.second);
            TDeviceReply d = reply(EDeviceCommands::F_READ_CALIB_DATA, payload([&](QDataStream& s) {
                                       s << float(chunk.first) << float(chunk.second);
                                       for (int i = 0; i < chunk.second; ++i)
                                           s << 1.0f << float(chunk.first + i) << -1.0f << 0.0f << 0.0f
                                             << 0.0f;
                                   }));
            DM::CommandQueue::clear();
            CalibrationManager::instance().slotProcessCalibData(d);
        } else {
            break;
        }
    }
    QCOMPARE(vcoCounts, (QVector<int>{509, 509, 509, 509, 509, 509, 203}));
    QCOMPARE(dataCounts, (QVector<int>{41, 41, 18}));
    QCOMPARE(CalibrationManager::calibration().openAt(99), CAL::TComplex(1.0f, 99.0f));
    QVERIFY(CalibrationManager::calibration().isComplete()); // a user slot counts as complete
    // Then the tables go to the active calibration; two acknowledgements per chunk move it on.
    int sent = 0;
    for (int guard = 0; guard < 20 && DM::CommandQueue::size() > 0; ++guard) {
        if (DM::CommandQueue::head().command == quint16(EDeviceCommands::DA_GET_SCAN_DATA))
            break; // finished: the scan resumed
        QCOMPARE(DM::CommandQueue::head().command, quint16(EDeviceCommands::F_SEND_ACTIVE_CALIB_VCO));
        QCOMPARE(DM::CommandQueue::size(), 2);
        TDeviceReply ack = reply(EDeviceCommands::F_SEND_ACTIVE_CALIB_VCO, {});
        DM::CommandQueue::clear();
        emit DeviceManager::instance().signalSentCalibVCO(ack);
        emit DeviceManager::instance().signalSentCalibVCO(ack);
        ++sent;
    }
    QCOMPARE(sent, 4);
    QCOMPARE(finished.count(), 1);
    QVERIFY(!DataScanManager::isPaused());
    QVERIFY(!CalibrationManager::isTransferring());
}

void tst_CalibrationManager::downloadRefusesBadReplies_data()
{
    QTest::addColumn<int>("step"); // 0 range, 1 vco chunk, 2 data chunk
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("range of 1001 points") << 0 << rangePayload(1000000, 2000000, 1001);
    QTest::newRow("range of 1 point") << 0 << rangePayload(1000000, 2000000, 1);
    QTest::newRow("range stop below start") << 0 << rangePayload(2000000, 1000000, 10);
    QTest::newRow("short range reply") << 0 << QByteArray(10, '\0');
    QTest::newRow("vco past 3257") << 1 << payload([](QDataStream& s) {
        s << qint16(3000) << qint16(509);
        for (int i = 0; i < 509; ++i)
            s << qint8(1) << qint8(1);
    });
    QTest::newRow("vco negative first")
        << 1 << payload([](QDataStream& s) { s << qint16(-2) << qint16(1) << qint16(0); });
    QTest::newRow("vco truncated") << 1 << payload([](QDataStream& s) {
        s << qint16(0) << qint16(509) << qint16(0);
    });
    QTest::newRow("data past the calibration") << 2 << payload([](QDataStream& s) {
        s << 90.0f << 41.0f;
        for (int i = 0; i < 41 * 6; ++i)
            s << 1.0f;
    });
    QTest::newRow("data past 1000") << 2 << payload([](QDataStream& s) { s << 990.0f << 41.0f; });
    QTest::newRow("data negative") << 2 << payload([](QDataStream& s) { s << -1.0f << 1.0f; });
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
    TDeviceReply bad = reply(
        step == 0 ? EDeviceCommands::F_READ_CALIB_RANGE
                  : (step == 1 ? EDeviceCommands::F_READ_CALIB_VCO : EDeviceCommands::F_READ_CALIB_DATA),
        data);
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

void tst_CalibrationManager::uploadChunksAndAcks()
{
    QSignalSpy sentSignal(&CalibrationManager::instance(), &CalibrationManager::signalSentCalibration);
    QVERIFY(!CalibrationManager::writeDeviceCalib(0));
    QCOMPARE(DM::CommandQueue::size(), 0);
    DataScanManager::sweep().setPoints(300, true);
    measureAll();
    QVERIFY(CalibrationManager::calibration().isComplete());
    DM::CommandQueue::clear();
    QVERIFY(CalibrationManager::writeDeviceCalib(2));
    QCOMPARE(DM::CommandQueue::head().command, quint16(EDeviceCommands::F_WRITE_CALIB_RANGE));
    QCOMPARE(DM::CommandQueue::head().options, quint16(2));
    DM::CommandQueue::clear();
    TDeviceReply ack;
    emit DeviceManager::instance().signalSentCalibRange(ack);
    int vcoRounds = 0, dataRounds = 0;
    for (int guard = 0; guard < 30 && DM::CommandQueue::size() > 0; ++guard) {
        const QList<quint16> queued = DM::CommandQueue::commands();
        if (queued.first() == quint16(EDeviceCommands::DA_GET_SCAN_DATA))
            break; // finished: the scan resumed
        DM::CommandQueue::clear();
        if (queued.first() == quint16(EDeviceCommands::F_WRITE_CALIB_VCO)) {
            QCOMPARE(queued.size(), 2);
            ack.header.command = queued.first();
            ++vcoRounds;
            emit DeviceManager::instance().signalSentCalibVCO(ack);
            emit DeviceManager::instance().signalSentCalibVCO(ack);
        } else {
            QCOMPARE(queued, (QList<quint16>{0xFCB1, 0xFCB1, 0xFCB1}));
            ++dataRounds;
            for (int i = 0; i < 3; ++i)
                emit DeviceManager::instance().signalSentCalibData(ack);
        }
    }
    QCOMPARE(vcoRounds, 4);
    QCOMPARE(dataRounds, 3); // 300 points in 126, 126, 48
    QCOMPARE(sentSignal.count(), 1);
    QVERIFY(!CalibrationManager::isTransferring());
}

void tst_CalibrationManager::bandwidthIndexClamped()
{
    QSignalSpy changed(&CalibrationManager::instance(), &CalibrationManager::signalChangedBandwidth);
    CalibrationManager::setBandwidthIndex(7);
    QCOMPARE(int(CalibrationManager::bandwidthIndex()), 3);
    QCOMPARE(changed.count(), 1);
    CalibrationManager::setBandwidthIndex(0);
}

QTEST_GUILESS_MAIN(tst_CalibrationManager)
#include "tst_CalibrationManager.moc"
