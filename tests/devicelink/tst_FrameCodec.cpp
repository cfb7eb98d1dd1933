#include <QtTest>

#include "devicelink/FrameCodec.h"

using namespace ZData;

namespace {

TCommandHeader makeHeader(quint16 command, quint16 dataLength, quint16 deviceWord, quint16 frameCount,
                          quint16 options, quint16 checksum = 0)
{
    TCommandHeader h;
    h.command = command;
    h.dataLength = dataLength;
    h.deviceWord = deviceWord;
    h.frameCount = frameCount;
    h.options = options;
    h.checksum = checksum;
    return h;
}

} // namespace

class tst_FrameCodec : public QObject
{
    Q_OBJECT

private slots:
    void crc32_data();
    void crc32();
    void headerChecksum_data();
    void headerChecksum();
    void singleBitFlipBreaksHeader_data();
    void singleBitFlipBreaksHeader();
    void frameLayout_data();
    void frameLayout();
    void exactBytesOfDeviceTypeRequest();
    void nonZeroChecksumSentUnchanged();
    void parseHeader_data();
    void parseHeader();
    void frameCheck_data();
    void frameCheck();
};

void tst_FrameCodec::crc32_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("check value") << QByteArray("123456789") << quint32(0xCBF43926u);
    QTest::newRow("empty range") << QByteArray() << quint32(0);
    QTest::newRow("single a") << QByteArray("a") << quint32(0xE8B7BE43u);
    QTest::newRow("zero byte") << QByteArray(1, '\0') << quint32(0xD202EF8Du);
}

void tst_FrameCodec::crc32()
{
    QFETCH(QByteArray, input);
    QFETCH(quint32, expected);
    QCOMPARE(FrameCodec::crc32(input), expected);
    QCOMPARE(FrameCodec::crc32(input.constData(), input.size()), expected);
}

void tst_FrameCodec::headerChecksum_data()
{
    QTest::addColumn<quint16>("command");
    QTest::addColumn<quint16>("dataLength");
    QTest::addColumn<quint16>("deviceWord");
    QTest::addColumn<quint16>("frameCount");
    QTest::addColumn<quint16>("options");
    QTest::addColumn<quint16>("expected");
    // 0xD001 + 0x80FF = 0x15100, folded 0x5101, inverted 0xAEFE
    QTest::newRow("type request, carry")
        << quint16(0xD001) << quint16(0) << quint16(0x80FF) << quint16(0) << quint16(0) << quint16(0xAEFE);
    // 0xDA00 + 0x03F2 + 0x0008 + 0x0002 + 0x0005 = 0xDE01, inverted 0x21FE
    QTest::newRow("scan request, no carry")
        << quint16(0xDA00) << quint16(1010) << quint16(0x0008) << quint16(2) << quint16(5) << quint16(0x21FE);
    // 0xFFFF + 0x0002 = 0x10001, folded 0x0002, inverted 0xFFFD
    QTest::newRow("fold adds carry back")
        << quint16(0xFFFF) << quint16(2) << quint16(0) << quint16(0) << quint16(0) << quint16(0xFFFD);
    QTest::newRow("all zero") << quint16(0) << quint16(0) << quint16(0) << quint16(0) << quint16(0)
                              << quint16(0xFFFF);
}

void tst_FrameCodec::headerChecksum()
{
    QFETCH(quint16, command);
    QFETCH(quint16, dataLength);
    QFETCH(quint16, deviceWord);
    QFETCH(quint16, frameCount);
    QFETCH(quint16, options);
    QFETCH(quint16, expected);
    TCommandHeader h = makeHeader(command, dataLength, deviceWord, frameCount, options);
    QCOMPARE(FrameCodec::headerChecksum(h), expected);
    h.checksum = expected;
    QVERIFY(FrameCodec::isHeaderValid(h));
    h.checksum = quint16(expected ^ 0x0100);
    QVERIFY(!FrameCodec::isHeaderValid(h));
}

void tst_FrameCodec::singleBitFlipBreaksHeader_data()
{
    QTest::addColumn<QByteArray>("frame");
    auto add = [](const char* name, const TCommandHeader& h, const QByteArray& data) {
        QTest::newRow(name) << FrameCodec::encode(h, data);
    };
    add("device type", makeHeader(0xD001, 0, 0x80FF, 0, 0), QByteArray());
    add("firmware version", makeHeader(0xD002, 0, 0x0008, 2, 0), QByteArray());
    add("scan", makeHeader(0xDA00, 3, 0x0009, 0xFFFE, 0x007D), QByteArray("abc"));
    add("resend", makeHeader(0xC350, 0, 0x8008, 1234, 3), QByteArray());
}

void tst_FrameCodec::singleBitFlipBreaksHeader()
{
    QFETCH(QByteArray, frame);
    TCommandHeader h;
    QVERIFY(FrameCodec::parseHeader(frame, 0, h));
    QVERIFY(FrameCodec::isHeaderValid(h));
    for (int bit = 0; bit < FrameCodec::HEADER_SIZE * 8; ++bit) {
        QByteArray damaged = frame;
        damaged[1 + bit / 8] = char(quint8(damaged.at(1 + bit / 8)) ^ (1u << (bit % 8)));
        TCommandHeader d;
        QVERIFY(FrameCodec::parseHeader(damaged, 0, d));
        if (FrameCodec::isHeaderValid(d))
            QFAIL(qPrintable(QStringLiteral("header still valid after flipping bit %1").arg(bit)));
    }
}

void tst_FrameCodec::frameLayout_data()
{
    QTest::addColumn<int>("dataSize");
    QTest::addColumn<int>("frameSize");
    QTest::newRow("no data") << 0 << 17;
    QTest::newRow("firmware version reply") << 12 << 29;
    // bandwidth index, count, 126 x 8-byte frequency
    QTest::newRow("126-point scan request") << (2 + 126 * 8) << 1027;
    QTest::newRow("firmware chunk") << 1024 << 1041;
}

void tst_FrameCodec::frameLayout()
{
    QFETCH(int, dataSize);
    QFETCH(int, frameSize);
    QByteArray data(dataSize, '\0');
    for (int i = 0; i < dataSize; ++i)
        data[i] = char(i * 7 + 3);
    TCommandHeader h = makeHeader(0xDA00, quint16(dataSize), 0x0008, 4, 0);
    const QByteArray frame = FrameCodec::encode(h, data);
    QCOMPARE(frame.size(), frameSize);
    QCOMPARE(quint8(frame.at(0)), quint8(0xAA));
    // data length sits at offset 9, little-endian
    QCOMPARE(int(quint8(frame.at(9)) | (quint8(frame.at(10)) << 8)), dataSize);
    QCOMPARE(frame.mid(13, dataSize), data);
    // the CRC covers header and data but not the start byte
    const quint32 crc = FrameCodec::crc32(frame.mid(1, 12 + dataSize));
    QByteArray tail = frame.right(4);
    quint32 sent = 0;
    for (int i = 0; i < 4; ++i)
        sent |= quint32(quint8(tail.at(i))) << (8 * i);
    QCOMPARE(sent, crc);
}

void tst_FrameCodec::exactBytesOfDeviceTypeRequest()
{
    const QByteArray frame = FrameCodec::encode(makeHeader(0xD001, 0, 0x80FF, 0, 0), QByteArray());
    QCOMPARE(frame.toHex(), QByteArray("aa01d00000ff8000000000feae73cc23fa"));
}

void tst_FrameCodec::nonZeroChecksumSentUnchanged()
{
    const QByteArray frame = FrameCodec::encode(makeHeader(0xD001, 0, 0x80FF, 0, 0, 0x1234), QByteArray());
    QCOMPARE(quint8(frame.at(11)), quint8(0x34));
    QCOMPARE(quint8(frame.at(12)), quint8(0x12));
    TCommandHeader h;
    QVERIFY(FrameCodec::parseHeader(frame, 0, h));
    QVERIFY(!FrameCodec::isHeaderValid(h));
}

void tst_FrameCodec::parseHeader_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("pos");
    QTest::addColumn<bool>("ok");
    const QByteArray frame =
        FrameCodec::encode(makeHeader(0xD002, 12, 0x8009, 0x0102, 0x0304), QByteArray(12, 'x'));
    QTest::newRow("at start") << frame << 0 << true;
    QTest::newRow("after noise") << (QByteArray("\x01\x02\x03", 3) + frame) << 3 << true;
    QTest::newRow("12 bytes only") << frame.left(12) << 0 << false;
    QTest::newRow("13 bytes") << frame.left(13) << 0 << true;
    QTest::newRow("negative position") << frame << -1 << false;
    QTest::newRow("position past end") << frame << frame.size() << false;
}

void tst_FrameCodec::parseHeader()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, pos);
    QFETCH(bool, ok);
    TCommandHeader h;
    QCOMPARE(FrameCodec::parseHeader(buffer, pos, h), ok);
    if (!ok)
        return;
    QCOMPARE(h.command, quint16(0xD002));
    QCOMPARE(h.dataLength, quint16(12));
    QCOMPARE(h.deviceWord, quint16(0x8009));
    QCOMPARE(h.frameCount, quint16(0x0102));
    QCOMPARE(h.options, quint16(0x0304));
    QVERIFY(FrameCodec::isHeaderValid(h));
    QCOMPARE(h.bytesToFollow(), 16);
}

void tst_FrameCodec::frameCheck_data()
{
    QTest::addColumn<int>("damageAt"); // byte index in the frame to damage, -1 none
    QTest::addColumn<int>("checksumBytes");
    QTest::addColumn<bool>("valid");
    QTest::newRow("intact") << -1 << 4 << true;
    QTest::newRow("data byte damaged") << 15 << 4 << false;
    QTest::newRow("crc byte damaged") << 21 << 4 << false;
    QTest::newRow("three crc bytes") << -1 << 3 << false;
    QTest::newRow("five crc bytes") << -1 << 5 << false;
}

void tst_FrameCodec::frameCheck()
{
    QFETCH(int, damageAt);
    QFETCH(int, checksumBytes);
    QFETCH(bool, valid);
    const QByteArray data("hello", 5);
    QByteArray frame = FrameCodec::encode(makeHeader(0xD003, 5, 0x0008, 6, 0), data);
    QCOMPARE(frame.size(), 22);
    if (damageAt >= 0)
        frame[damageAt] = char(quint8(frame.at(damageAt)) ^ 0x40);
    TDeviceReply reply;
    QVERIFY(FrameCodec::parseHeader(frame, 0, reply.header));
    reply.data = frame.mid(13, 5);
    reply.checksum = frame.mid(18, 4);
    if (checksumBytes == 3)
        reply.checksum.chop(1);
    else if (checksumBytes == 5)
        reply.checksum.append('\0');
    QCOMPARE(FrameCodec::isFrameValid(reply), valid);
}

QTEST_APPLESS_MAIN(tst_FrameCodec)
#include "tst_FrameCodec.moc"
