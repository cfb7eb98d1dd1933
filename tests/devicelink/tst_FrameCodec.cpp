#include <QtTest>

#include "devicelink/FrameCodec.h"

using namespace ZData;

namespace {

// How an analyser checks a header: the six words summed, folded once, low 16 bits all ones.
bool singleFoldCheckAccepts(const TCommandHeader& h)
{
    quint32 sum = quint32(h.command) + h.dataLength + h.deviceWord + h.frameCount + h.options + h.checksum;
    sum = (sum >> 16) + sum;
    return (sum & 0xFFFFu) == 0xFFFFu;
}

// How an analyser makes a checksum: the five words folded once.
quint16 singleFoldChecksum(const TCommandHeader& h)
{
    quint32 sum = quint32(h.command) + h.dataLength + h.deviceWord + h.frameCount + h.options;
    sum = (sum >> 16) + sum;
    return quint16(~sum & 0xFFFFu);
}

} // namespace

class tst_FrameCodec : public QObject
{
    Q_OBJECT

private slots:
    void exactBytes()
    {
        QCOMPARE(FrameCodec::crc32(QByteArray("123456789")), quint32(0xCBF43926u));
        QCOMPARE(FrameCodec::crc32(QByteArray()), quint32(0));
        // 0xD001 + 0x80FF = 0x15100, folded 0x5101, inverted 0xAEFE
        QCOMPARE(FrameCodec::encode(TCommandHeader{0xD001, 0, 0x80FF, 0, 0}, {}).toHex(),
                 QByteArray("aa01d00000ff8000000000feae73cc23fa"));
        // start byte; command, count, device word, options, length, checksum; data; CRC-32 of all
        // but the start byte, little-endian
        QCOMPARE(FrameCodec::encode(TCommandHeader{0xD003, 5, 8, 6, 0}, QByteArray("hello")).toHex(),
                 QByteArray("aa03d00600080000000500e92f68656c6c6fc5c84fac"));
        // a length above 255: 0xDA00 + 0x03F2 + 0x0008 + 0x0002 + 0x0005 = 0xDE01, inverted 0x21FE
        QCOMPARE(
            FrameCodec::encode(TCommandHeader{0xDA00, 1010, 8, 2, 5}, QByteArray(1010, 'x')).left(13).toHex(),
            QByteArray("aa00da020008000500f203fe21"));
    }

    void headerChecksumBothDirections_data()
    {
        QTest::addColumn<quint16>("command");
        QTest::addColumn<quint16>("dataLength");
        QTest::addColumn<quint16>("deviceWord");
        QTest::newRow("device id request") << quint16(0xD008) << quint16(0) << quint16(0x80FF);
        QTest::newRow("active oscillator table ack") << quint16(0xFCB3) << quint16(0) << quint16(0x0008);
        QTest::newRow("scan reply") << quint16(0xDA00) << quint16(1016) << quint16(0x0009);
        QTest::newRow("bootloader chunk") << quint16(0xB005) << quint16(1024) << quint16(0x8008);
    }
    void headerChecksumBothDirections()
    {
        QFETCH(quint16, command);
        QFETCH(quint16, dataLength);
        QFETCH(quint16, deviceWord);
        // The checksum depends on frame count and options only through their sum; these two sweeps
        // cover every sum, so every pair of frame count and options.
        for (quint32 options : {0u, 0xFFFFu}) {
            for (quint32 count = 0; count <= 0xFFFF; ++count) {
                TCommandHeader h{command, dataLength, deviceWord, quint16(count), quint16(options)};
                h.checksum = FrameCodec::headerChecksum(h);
                if (!FrameCodec::isHeaderValid(h) || !singleFoldCheckAccepts(h))
                    QFAIL(qPrintable(QStringLiteral("sent header refused at count %1 options %2")
                                         .arg(count, 4, 16)
                                         .arg(options, 4, 16)));
                h.checksum = singleFoldChecksum(h);
                if (!FrameCodec::isHeaderValid(h))
                    QFAIL(qPrintable(QStringLiteral("received header refused at count %1 options %2")
                                         .arg(count, 4, 16)
                                         .arg(options, 4, 16)));
            }
        }
    }

    void singleBitFlipBreaksHeader_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("device type") << FrameCodec::encode(TCommandHeader{0xD001, 0, 0x80FF, 0, 0}, {});
        QTest::newRow("scan") << FrameCodec::encode(TCommandHeader{0xDA00, 3, 0x0009, 0xFFFE, 0x7D}, "abc");
    }
    void singleBitFlipBreaksHeader()
    {
        QFETCH(QByteArray, frame);
        TCommandHeader h;
        QVERIFY(FrameCodec::parseHeader(frame, 0, h) && FrameCodec::isHeaderValid(h));
        for (int bit = 0; bit < FrameCodec::HEADER_SIZE * 8; ++bit) {
            QByteArray damaged = frame;
            damaged[1 + bit / 8] = char(quint8(damaged.at(1 + bit / 8)) ^ (1u << (bit % 8)));
            QVERIFY(FrameCodec::parseHeader(damaged, 0, h));
            QVERIFY2(!FrameCodec::isHeaderValid(h), qPrintable(QString::number(bit)));
        }
    }
};

QTEST_APPLESS_MAIN(tst_FrameCodec)
#include "tst_FrameCodec.moc"
