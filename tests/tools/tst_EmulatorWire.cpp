#include <QSerialPort>
#include <QtTest>

#include <random>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "devicelink/FrameCodec.h"

using TestSupport::EmulatorProcess;
using ZData::FrameCodec;
using TFrame = ZData::TDeviceReply;

namespace {

constexpr quint16 GET_ID = 0xD008, RESEND = 0xC350;

// A request frame as the program sends it (sequence count 7, host device word).
QByteArray request(quint16 command, quint16 options, const QByteArray& data = QByteArray())
{
    return FrameCodec::encode({command, quint16(data.size()), 0x80FF, 7, options}, data);
}

// Plain serial access to the emulator, blocking.
class Line
{
public:
    bool open(const QString& path)
    {
        m_port.setPortName(path);
        return m_port.open(QIODevice::ReadWrite);
    }
    void send(const QByteArray& bytes)
    {
        m_port.write(bytes);
        m_port.waitForBytesWritten(1000);
    }
    // Waits for the next complete frame.
    bool next(TFrame& frame, int timeoutMs = 3000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!TestSupport::takeFrame(m_buffer, frame)) {
            if (deadline.hasExpired() ||
                !m_port.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
            m_buffer += m_port.readAll();
        }
        return true;
    }
    // Reads and drops what arrives within the window, framed or not.
    void drain(int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired())
            if (m_port.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                m_port.readAll();
        m_buffer.clear();
    }

private:
    QSerialPort m_port;
    QByteArray m_buffer;
};

} // namespace

class tst_EmulatorWire : public QObject
{
    Q_OBJECT

    EmulatorProcess m_emu; // one emulator: the fault lines, then the fuzz
    Line m_line;

private slots:
    void initTestCase()
    {
        QVERIFY(m_emu.start());
        QVERIFY(m_line.open(m_emu.portPath()));
    }

    // Each fault line in turn, and what the next four identifier requests get: C correct, X CRC
    // damaged, - nothing, R a resend request.
    void faultCommands()
    {
        for (const auto& [fault, expected] :
             {std::pair{"corrupt 2", "XXCC"}, {"drop 3", "---C"}, {"damaged", "RCCC"}, {"split 4", "CCCC"}}) {
            QVERIFY(m_emu.control(fault).startsWith("ok "));
            for (QChar want : QString(expected)) {
                QElapsedTimer clock;
                clock.start();
                m_line.send(request(GET_ID, 9));
                TFrame reply;
                // A reply leaves within milliseconds, so 300 ms of silence shows a dropped one; a slow
                // machine can only let a fault slip through there, never fail a correct run.
                const bool got = m_line.next(reply, want == '-' ? 300 : 3000);
                const qint64 tookMs = clock.elapsed();
                QVERIFY2(got == (want != '-'), fault);
                if (!got)
                    continue;
                if (want == 'R') {
                    QVERIFY(reply.header.command == RESEND && reply.header.options == 0 &&
                            reply.data.isEmpty() && FrameCodec::isFrameValid(reply));
                    continue;
                }
                QCOMPARE(reply.header.command, quint16(GET_ID));
                QVERIFY2(FrameCodec::isFrameValid(reply) == (want == 'C'), fault);
                QCOMPARE(reply.data.size(), 12);
                // The four pieces leave 5 ms apart, so the whole frame cannot be there before three gaps
                // have passed. A busy machine only makes that longer (how many reads deliver the pieces
                // depends on the load and proves nothing); 12 ms leaves room for timers that fire early.
                if (QString(fault).startsWith("split"))
                    QVERIFY2(tookMs >= 12, qPrintable(QString::number(tookMs)));
            }
        }
        QVERIFY(m_emu.control("split 1").startsWith("ok "));
    }

    void survivesFuzzing()
    {
        std::mt19937 rng(20261206);
        // scan, calibration data and oscillator reads and writes, bootloader chunks
        const quint16 commands[] = {0xDA00, 0xFCA1, 0xFCA2, 0xFCB1, 0xFCB2, 0xFCB0, 0xFCA0, 0xB004, 0xB005};
        for (int round = 0; round < 300; ++round) {
            QByteArray junk(int(rng() % 300), '\0');
            for (char& c : junk)
                c = char(rng());
            // odd rounds: well-formed frames with hostile payloads and options
            m_line.send(round % 2 ? request(commands[rng() % 9], quint16(rng()), junk) : junk);
            // answers are read and dropped; now and then a pause long enough for the emulator to
            // give up on a frame left incomplete
            m_line.drain(round % 25 == 0 ? 400 : 2);
        }
        for (const QString& bad : {QString("dut cable=1,1,0,cable=1,1,0,open"), QString("dut rlc=1,2"),
                                   QString("split -3"), QString("corrupt x"), QString(5000, 'z')})
            QVERIFY(m_emu.control(bad).startsWith("error "));
        m_line.drain(500);
        m_line.send(request(GET_ID, 0));
        TFrame reply;
        QVERIFY(m_line.next(reply) && FrameCodec::isFrameValid(reply) && reply.header.command == GET_ID);
        QVERIFY(m_emu.isRunning());
    }
};

QTEST_MAIN(tst_EmulatorWire)
#include "tst_EmulatorWire.moc"
