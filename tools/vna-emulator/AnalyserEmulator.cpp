#include "AnalyserEmulator.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "devicelink/FrameCodec.h"
#include "devicelink/PortEnumerator.h"

using ZData::EDeviceCommands;
using ZData::FrameCodec;
using ZData::TCommandHeader;

namespace {

constexpr quint16 cmd(EDeviceCommands c)
{
    return quint16(c);
}

constexpr int STALL_MS = 300;
constexpr int SPLIT_GAP_US = 5000;
constexpr int MAX_IMAGE = ZData::EProtocolSetup::FIRMWARE_MAX_BYTES;
constexpr int CHUNK = ZData::EProtocolSetup::FIRMWARE_CHUNK_BYTES;

QDataStream& protocolStream(QDataStream& s)
{
    return FrameCodec::setupStream(s);
}

} // namespace

AnalyserEmulator::AnalyserEmulator(const EmulatorConfig& config, QObject* parent)
    : QObject(parent), m_config(config),
      m_box(config.typicalErrorBox ? ErrorBox::Kind::Typical : ErrorBox::Kind::Ideal, config.driftPercent),
      m_slots(config.presets, config.minHz, config.maxHz), m_rng(config.seed)
{
    m_dut = DutModel::parse(config.dutSpec.isEmpty() ? DutModel::defaultSpec() : config.dutSpec);
    if (!m_dut)
        m_dut = DutModel::parse(DutModel::defaultSpec());
    for (int i = 0; i < 3; ++i)
        m_version[i] = config.firmware[i];
    // The factory measured the box as it was then, before any drift.
    m_slots.buildFactory(ErrorBox(m_box.kind()), config.id[0] ^ config.id[1] ^ config.id[2]);
    if (!config.statePath.isEmpty()) {
        QString why;
        if (!m_slots.load(config.statePath, &why))
            qWarning("vna-emulator: ignoring state file %s: %s", qPrintable(config.statePath),
                     qPrintable(why));
    }
    m_clock.start();
    m_stallTimer.setSingleShot(true);
    connect(&m_stallTimer, &QTimer::timeout, this, &AnalyserEmulator::onStall);
    m_outTimer.setSingleShot(true);
    m_outTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_outTimer, &QTimer::timeout, this, &AnalyserEmulator::flushOutput);
    m_idleTimer.setInterval(20);
    connect(&m_idleTimer, &QTimer::timeout, this, &AnalyserEmulator::onIdlePoll);
}

AnalyserEmulator::~AnalyserEmulator()
{
    unplug();
}

// ---------------------------------------------------------------------------------------------------
// the line

bool AnalyserEmulator::plug(QString* error)
{
    if (isPlugged())
        return true;
    struct termios raw;
    ::memset(&raw, 0, sizeof(raw));
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B115200);
    ::cfsetospeed(&raw, B115200);
    char name[256] = {0};
    int slave = -1;
    if (::openpty(&m_master, &slave, name, &raw, nullptr) != 0) {
        m_master = -1;
        if (error)
            *error = QString::fromLocal8Bit(::strerror(errno));
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    // Only the program holds the terminal. Like a USB serial device, what was sent while nobody
    // listened is gone when the port is opened again, and a close of the port is seen here.
    ::close(slave);
    m_slavePath = QString::fromLocal8Bit(name);
    const QFileInfo link(m_config.linkPath);
    if (link.isSymLink() || link.exists())
        QFile::remove(m_config.linkPath);
    if (!QFile::link(m_slavePath, m_config.linkPath)) {
        if (error)
            *error = QStringLiteral("cannot create the link %1").arg(m_config.linkPath);
        ::close(m_master);
        m_master = -1;
        return false;
    }
    m_rx.clear();
    m_out.clear();
    m_awaitingClose = false;
    m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &AnalyserEmulator::onReadable);
    m_readNotifier->setEnabled(false);
    m_idleTimer.start();
    if (m_config.announce) {
        ZData::TPortListing port;
        port.portName = QFileInfo(m_config.linkPath).absoluteFilePath();
        port.systemLocation = port.portName;
        port.manufacturer = QStringLiteral("STMicroelectronics (virtual analyser)");
        port.description = QStringLiteral("TolvekVNA emulator");
        port.serialNumber =
            QStringLiteral("%1-%2-%3").arg(m_config.id[0]).arg(m_config.id[1]).arg(m_config.id[2]);
        m_announceFile = ZData::PortEnumerator::announce(port);
        // still usable by its path; only the port list will not offer it
        if (m_announceFile.isEmpty())
            qWarning("vna-emulator: not announced: no private runtime directory (set XDG_RUNTIME_DIR)");
    }
    return true;
}

void AnalyserEmulator::unplug()
{
    if (m_readNotifier) {
        // may be called from inside the notifier's own signal
        m_readNotifier->setEnabled(false);
        m_readNotifier.release()->deleteLater();
    }
    // the link goes first so that a reopen attempt cannot reach the dying terminal
    if (!m_config.linkPath.isEmpty() && QFileInfo(m_config.linkPath).isSymLink())
        QFile::remove(m_config.linkPath);
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    m_idleTimer.stop();
    m_rx.clear();
    m_out.clear();
    m_outTimer.stop();
    m_stallTimer.stop();
    m_busyUntilUs = 0;
    ZData::PortEnumerator::withdraw(m_announceFile);
    m_announceFile.clear();
}

void AnalyserEmulator::onReadable()
{
    if (m_master < 0)
        return;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, chunk, sizeof(chunk));
        if (n > 0) {
            // nothing the program sends legitimately exceeds one frame; keep a bounded window
            m_rx.append(chunk, int(n));
            if (m_rx.size() > 4 * 65536)
                m_rx.remove(0, m_rx.size() - 2 * 65536);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        // EIO: the program has closed the port; replies still queued have nobody to go to
        m_rx.clear();
        m_out.clear();
        m_outTimer.stop();
        m_busyUntilUs = 0;
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
        m_idleTimer.start();
        if (m_awaitingClose) {
            finishUpdate();
            return;
        }
        break;
    }
    processBuffer();
}

void AnalyserEmulator::onIdlePoll()
{
    if (m_master < 0) {
        m_idleTimer.stop();
        return;
    }
    char chunk[4096];
    const ssize_t n = ::read(m_master, chunk, sizeof(chunk));
    if (n < 0 && errno == EIO)
        return; // still nobody there
    m_idleTimer.stop();
    if (n > 0)
        m_rx.append(chunk, int(n));
    if (m_readNotifier)
        m_readNotifier->setEnabled(true);
    processBuffer();
}

void AnalyserEmulator::processBuffer()
{
    for (;;) {
        const int pos = m_rx.indexOf(char(FrameCodec::FRAME_START));
        if (pos < 0) {
            m_rx.clear();
            m_stallTimer.stop();
            return;
        }
        if (pos > 0)
            m_rx.remove(0, pos);
        TCommandHeader header;
        if (!FrameCodec::parseHeader(m_rx, 0, header)) {
            m_stallTimer.start(STALL_MS);
            return;
        }
        if (!FrameCodec::isHeaderValid(header)) {
            handleDamaged();
            return;
        }
        const int total = FrameCodec::FRAME_OVERHEAD + header.dataLength;
        if (m_rx.size() < total) {
            m_stallTimer.start(STALL_MS);
            return;
        }
        m_stallTimer.stop();
        ZData::TDeviceReply frame;
        frame.header = header;
        frame.data = m_rx.mid(1 + FrameCodec::HEADER_SIZE, header.dataLength);
        frame.checksum = m_rx.mid(1 + FrameCodec::HEADER_SIZE + header.dataLength, 4);
        m_rx.remove(0, total);
        if (!FrameCodec::isFrameValid(frame)) {
            handleDamaged();
            return;
        }
        handleRequest(header, frame.data);
        if (!isPlugged())
            return;
    }
}

void AnalyserEmulator::onStall()
{
    // part of a frame arrived and the rest never did: the instrument reports it damaged
    if (!m_rx.isEmpty())
        handleDamaged();
}

void AnalyserEmulator::handleDamaged()
{
    // The rest of a damaged frame may still be in flight; everything already here belongs to it.
    if (m_master >= 0) {
        char sink[4096];
        while (::read(m_master, sink, sizeof(sink)) > 0) {
        }
    }
    m_rx.clear();
    m_stallTimer.stop();
    ++m_requests;
    sendReply(makeFrame(cmd(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE), 0, QByteArray()));
}

// ---------------------------------------------------------------------------------------------------
// requests

quint16 AnalyserEmulator::deviceWord() const
{
    return quint16(quint16(ZData::EDeviceTypes::TOLVEK_VNA) | (m_bootloader ? 0x8000 : 0));
}

QByteArray AnalyserEmulator::makeFrame(quint16 command, quint16 options, const QByteArray& data)
{
    TCommandHeader header;
    header.command = command;
    header.dataLength = quint16(qMin(data.size(), 65535));
    header.deviceWord = deviceWord();
    header.frameCount = m_txCounter++;
    header.options = options;
    header.checksum = 0;
    return FrameCodec::encode(header, data.left(header.dataLength));
}

void AnalyserEmulator::handleRequest(const TCommandHeader& header, const QByteArray& data)
{
    if (m_lose > 0) {
        // lost on the way in: the instrument never saw it, answers nothing and keeps its last reply
        --m_lose;
        return;
    }
    ++m_requests;
    if (m_damaged) {
        m_damaged = false;
        sendReply(makeFrame(cmd(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE), 0, QByteArray()));
        return;
    }
    const quint16 c = header.command;
    const quint16 opt = header.options;
    auto words = [](quint32 a, quint32 b, quint32 d) {
        QByteArray out;
        QDataStream s(&out, QIODevice::WriteOnly);
        protocolStream(s) << a << b << d;
        return out;
    };
    auto undefined = [&]() { return makeFrame(cmd(EDeviceCommands::E_UNDEFINED_COMMAND), c, QByteArray()); };

    switch (EDeviceCommands(c)) {
    case EDeviceCommands::D_GET_DEVICE_ID:
        sendReply(makeFrame(c, opt, words(m_config.id[0], m_config.id[1], m_config.id[2])));
        return;
    case EDeviceCommands::D_GET_DEVICE_FULL_TYPE:
        sendReply(makeFrame(c, opt, QByteArray()));
        return;
    case EDeviceCommands::D_GET_FIRMWARE_VERSION:
        sendReply(makeFrame(c, opt, words(m_version[0], m_version[1], m_version[2])));
        return;
    case EDeviceCommands::D_GET_OPTIONS:
        if (m_bootloader)
            sendReply(undefined());
        else
            sendReply(makeFrame(c, opt, m_config.optionsText.toUtf8()));
        return;
    case EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE:
        // the reply went astray on its way to the program: say it again, unchanged
        if (m_lastReply.isEmpty())
            sendReply(undefined());
        else
            sendReply(m_lastReply);
        return;
    case EDeviceCommands::TEST:
        sendReply(makeFrame(c, opt, data));
        return;
    case EDeviceCommands::DA_GET_SCAN_DATA: {
        if (m_bootloader) {
            sendReply(undefined());
            return;
        }
        const TScanRequest request = parseScanRequest(data);
        const double factor = m_config.bandwidthsKHz.value(request.bandwidthIndex) > 0
                                  ? double(m_config.bandwidthsKHz.first()) /
                                        double(m_config.bandwidthsKHz.value(request.bandwidthIndex))
                                  : 1.0;
        sendReply(makeFrame(c, opt, scanReply(request)),
                  qint64(double(m_config.delayUs) * factor * request.frequencies.size()));
        return;
    }
    case EDeviceCommands::F_READ_CALIB_RANGE:
    case EDeviceCommands::F_READ_CALIB_DATA:
    case EDeviceCommands::F_READ_CALIB_VCO:
    case EDeviceCommands::F_WRITE_CALIB_RANGE:
    case EDeviceCommands::F_WRITE_CALIB_DATA:
    case EDeviceCommands::F_WRITE_CALIB_VCO:
    case EDeviceCommands::F_SEND_ACTIVE_CALIB_VCO: {
        bool ok = !m_bootloader;
        const QByteArray payload = ok ? calibReply(c, opt, data, ok) : QByteArray();
        sendReply(ok ? makeFrame(c, opt, payload) : undefined());
        return;
    }
    case EDeviceCommands::A_REBOOT_TO_UPDATE_MODE:
    case EDeviceCommands::B_INIT_UPDATE:
    case EDeviceCommands::B_SEND_MAINAPP_CHUNK:
    case EDeviceCommands::B_SEND_MAINAPP_CRC: {
        bool ok = true;
        const QByteArray payload = updateReply(c, opt, data, ok);
        sendReply(ok ? makeFrame(c, opt, payload) : undefined());
        if (ok && c == cmd(EDeviceCommands::A_REBOOT_TO_UPDATE_MODE) && !m_bootloader) {
            // give the acknowledgement time to reach the program before the line drops
            QTimer::singleShot(150, this, [this] { rebootTo(true); });
        }
        if (ok && m_chunksReceived > 0 && m_chunksReceived == m_updateChunks && !m_awaitingClose) {
            // The whole image is in; the instrument restarts once the program lets go of the line.
            m_awaitingClose = true;
        }
        return;
    }
    default:
        sendReply(undefined());
        return;
    }
}

AnalyserEmulator::TScanRequest AnalyserEmulator::parseScanRequest(const QByteArray& data) const
{
    QDataStream in(data);
    protocolStream(in);
    quint8 bw = 0, n = 0;
    in >> bw >> n;
    TScanRequest request;
    request.bandwidthIndex = qBound(0, int(bw), qMax(0, m_config.bandwidthsKHz.size() - 1));
    for (int i = 0; i < n && in.status() == QDataStream::Ok; ++i) {
        qint64 f = 0;
        in >> f;
        if (in.status() == QDataStream::Ok)
            request.frequencies.append(f);
    }
    return request;
}

std::complex<double> AnalyserEmulator::portGamma(double f) const
{
    switch (m_dut->kind()) {
    case DutModel::Kind::Open:
        return m_config.kit.openGamma(f);
    case DutModel::Kind::Short:
        return m_config.kit.shortGamma(f);
    case DutModel::Kind::Load:
        return m_config.kit.loadGamma(f);
    default:
        return m_dut->gamma(f);
    }
}

QByteArray AnalyserEmulator::scanReply(const TScanRequest& request)
{
    const QVector<qint64>& freqs = request.frequencies;
    const int bwIndex = request.bandwidthIndex;
    double sigma = 0.0;
    if (m_config.hasNoise) {
        // narrower filters let less noise through
        const double ratio =
            m_config.bandwidthsKHz.isEmpty() || m_config.bandwidthsKHz.first() == 0
                ? 1.0
                : double(m_config.bandwidthsKHz.value(bwIndex)) / m_config.bandwidthsKHz.first();
        sigma = std::pow(10.0, m_config.noiseDb / 20.0) * std::sqrt(qMax(ratio, 0.0)) / std::sqrt(2.0);
    }
    std::normal_distribution<double> gauss(0.0, 1.0);
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    protocolStream(s);
    s << float(freqs.size()) << float(0);
    for (const qint64 fi : freqs) {
        const double f = std::fabs(double(fi));
        std::complex<double> v = m_box.raw(f, portGamma(f));
        if (sigma > 0.0)
            v += std::complex<double>(sigma * gauss(m_rng), sigma * gauss(m_rng));
        s << float(v.real()) << float(v.imag());
    }
    return out;
}

QByteArray AnalyserEmulator::calibReply(quint16 command, quint16 options, const QByteArray& data, bool& ok)
{
    ok = true;
    QDataStream in(data);
    protocolStream(in);
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    protocolStream(s);
    const int slotIndex = options;

    switch (EDeviceCommands(command)) {
    case EDeviceCommands::F_READ_CALIB_RANGE: {
        const auto& slot = m_slots.slot(slotIndex);
        s << qint64(slot.start) << qint64(slot.stop) << qint64(slot.points);
        return out;
    }
    case EDeviceCommands::F_READ_CALIB_VCO: {
        const auto& slot =
            slotIndex == CalibrationSlots::ACTIVE_SLOT ? m_slots.active() : m_slots.slot(slotIndex);
        qint16 first = 0, count = 0;
        in >> first >> count;
        if (in.status() != QDataStream::Ok)
            first = count = 0;
        first = qint16(qBound(0, int(first), CalibrationSlots::VCO_SIZE));
        count = qint16(qBound(0, int(count), CalibrationSlots::VCO_SIZE - first));
        s << first << count;
        for (int i = first; i < first + count; ++i)
            s << qint8(slot.vco2.at(i)) << qint8(slot.vco1.at(i));
        return out;
    }
    case EDeviceCommands::F_READ_CALIB_DATA: {
        const auto& slot = m_slots.slot(slotIndex);
        qint16 first = 0, count = 0;
        in >> first >> count;
        if (in.status() != QDataStream::Ok)
            first = count = 0;
        const int points = qBound(0, int(slot.points), CalibrationSlots::MAX_POINTS);
        first = qint16(qBound(0, int(first), points));
        count = qint16(qBound(0, int(count), points - first));
        s << float(first) << float(count);
        for (int k = first; k < first + count; ++k)
            for (int t = 0; t < 3; ++t)
                s << slot.values[t][k].real() << slot.values[t][k].imag();
        return out;
    }
    case EDeviceCommands::F_WRITE_CALIB_RANGE: {
        qint64 start = 0, stop = 0;
        qint16 points = 0;
        in >> start >> stop >> points;
        auto* slot = m_slots.writableSlot(slotIndex);
        if (slot && slotIndex != CalibrationSlots::ACTIVE_SLOT && in.status() == QDataStream::Ok) {
            slot->start = start;
            slot->stop = stop;
            slot->points = qint16(qBound(0, int(points), CalibrationSlots::MAX_POINTS));
            slot->values = {};
            saveState();
        }
        return out;
    }
    case EDeviceCommands::F_WRITE_CALIB_VCO:
    case EDeviceCommands::F_SEND_ACTIVE_CALIB_VCO: {
        qint16 first = 0, count = 0;
        qint8 part = -1;
        in >> first >> count >> part;
        const int slotNo = command == cmd(EDeviceCommands::F_SEND_ACTIVE_CALIB_VCO)
                               ? int(CalibrationSlots::ACTIVE_SLOT)
                               : slotIndex;
        auto* slot = m_slots.writableSlot(slotNo);
        if (!slot || in.status() != QDataStream::Ok || (part != 0 && part != 1))
            return out;
        QByteArray& table = part == 0 ? slot->vco2 : slot->vco1;
        const int from = qBound(0, int(first), CalibrationSlots::VCO_SIZE);
        const int n = qBound(0, int(count), CalibrationSlots::VCO_SIZE - from);
        const int have = qMax(0, data.size() - 5);
        for (int i = 0; i < n && i < have; ++i)
            table[from + i] = data.at(5 + i);
        if (slotNo != CalibrationSlots::ACTIVE_SLOT)
            saveState();
        return out;
    }
    case EDeviceCommands::F_WRITE_CALIB_DATA: {
        qint16 first = 0, count = 0;
        qint8 type = -1;
        in >> first >> count >> type;
        auto* slot = slotIndex == CalibrationSlots::ACTIVE_SLOT ? nullptr : m_slots.writableSlot(slotIndex);
        if (!slot || in.status() != QDataStream::Ok || type < 0 || type > 2)
            return out;
        const int from = qBound(0, int(first), CalibrationSlots::MAX_POINTS);
        const int n = qBound(0, int(count), CalibrationSlots::MAX_POINTS - from);
        for (int k = 0; k < n; ++k) {
            float re = 0, im = 0;
            in >> re >> im;
            if (in.status() != QDataStream::Ok)
                break;
            slot->values[type][from + k] = {re, im};
        }
        saveState();
        return out;
    }
    default:
        ok = false;
        return out;
    }
}

QByteArray AnalyserEmulator::updateReply(quint16 command, quint16 options, const QByteArray& data, bool& ok)
{
    ok = true;
    switch (EDeviceCommands(command)) {
    case EDeviceCommands::A_REBOOT_TO_UPDATE_MODE:
        return QByteArray();
    case EDeviceCommands::B_INIT_UPDATE: {
        if (!m_bootloader) {
            ok = false;
            return QByteArray();
        }
        QDataStream in(data);
        protocolStream(in);
        quint32 size = 0;
        in >> size;
        if (in.status() != QDataStream::Ok || size > quint32(MAX_IMAGE))
            size = 0;
        m_updateSize = size;
        m_updateChunks = quint16(qMin<quint32>((size + CHUNK - 1) / CHUNK, 65535));
        if (options != m_updateChunks)
            qWarning("vna-emulator: update announced %u chunks for %u bytes", unsigned(options), size);
        m_image = QByteArray(int(size), '\0');
        m_chunkSeen = QVector<bool>(m_updateChunks, false);
        m_chunksReceived = 0;
        m_imageSize = -1;
        return QByteArray();
    }
    case EDeviceCommands::B_SEND_MAINAPP_CHUNK: {
        if (!m_bootloader) {
            ok = false;
            return QByteArray();
        }
        const int index = options;
        if (index < m_updateChunks) {
            const int from = index * CHUNK;
            const int n = qMin(data.size(), qMin(CHUNK, m_image.size() - from));
            if (n > 0)
                ::memcpy(m_image.data() + from, data.constData(), size_t(n));
            if (!m_chunkSeen[index]) {
                m_chunkSeen[index] = true;
                ++m_chunksReceived;
            }
        }
        return QByteArray();
    }
    case EDeviceCommands::B_SEND_MAINAPP_CRC:
        ok = m_bootloader;
        return QByteArray();
    default:
        ok = false;
        return QByteArray();
    }
}

// ---------------------------------------------------------------------------------------------------
// output

void AnalyserEmulator::sendReply(const QByteArray& frame, qint64 delayUs)
{
    m_lastReply = frame;
    if (m_drop > 0) {
        // the reply is lost on the wire; the instrument still remembers it for a resend request
        --m_drop;
        return;
    }
    if (m_lateMs > 0) {
        // a slow instrument: the reply comes, but after the program may have given up on it
        delayUs += qint64(m_lateMs) * 1000;
        m_lateMs = 0;
    }
    QByteArray wire = frame;
    if (m_corrupt > 0) {
        --m_corrupt;
        wire[wire.size() - 1] = char(wire.at(wire.size() - 1) ^ 0x5A);
    }
    const qint64 now = m_clock.nsecsElapsed() / 1000;
    qint64 due = qMax(now, m_busyUntilUs) + qMax<qint64>(0, delayUs);
    const int parts = qBound(1, m_split, qMax(1, wire.size()));
    const int size = (wire.size() + parts - 1) / parts;
    for (int i = 0; i < wire.size(); i += size) {
        m_out.push_back({due, wire.mid(i, size)});
        due += SPLIT_GAP_US;
    }
    m_busyUntilUs = due - SPLIT_GAP_US;
    flushOutput();
}

void AnalyserEmulator::flushOutput()
{
    const qint64 now = m_clock.nsecsElapsed() / 1000;
    while (!m_out.empty() && m_out.front().dueUs <= now) {
        QByteArray bytes = m_out.front().bytes;
        m_out.pop_front();
        writeNow(bytes);
        if (m_split > 1 && !m_out.empty())
            break; // let the chunk travel on its own
    }
    if (!m_out.empty()) {
        const qint64 waitUs = m_out.front().dueUs - m_clock.nsecsElapsed() / 1000;
        m_outTimer.start(int(qBound<qint64>(0, (waitUs + 999) / 1000, 60000)));
    }
}

void AnalyserEmulator::writeNow(const QByteArray& bytes)
{
    if (m_master < 0)
        return;
    int done = 0;
    int spins = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && ++spins < 200) {
            ::usleep(500); // the program is reading; a reply is at most a few kilobytes
            continue;
        }
        return; // nobody is listening: the bytes are lost like on a real line
    }
}

// ---------------------------------------------------------------------------------------------------
// firmware and state

void AnalyserEmulator::rebootTo(bool bootloader)
{
    unplug();
    emit event(QStringLiteral("event unplugged"));
    QTimer::singleShot(400, this, [this, bootloader] {
        m_bootloader = bootloader;
        m_lastReply.clear();
        QString why;
        if (plug(&why))
            emit event(QStringLiteral("event plugged %1 %2")
                           .arg(bootloader ? QStringLiteral("bootloader") : QStringLiteral("app"),
                                m_config.linkPath));
        else
            emit event(QStringLiteral("event error %1").arg(why));
    });
}

void AnalyserEmulator::finishUpdate()
{
    m_awaitingClose = false;
    m_imageCrc = FrameCodec::crc32(m_image);
    m_imageSize = m_image.size();
    for (int i = 0; i < 3; ++i)
        m_version[i] = m_config.nextFirmware[i];
    rebootTo(false);
}

void AnalyserEmulator::saveState()
{
    if (m_config.statePath.isEmpty())
        return;
    QString why;
    if (!m_slots.save(m_config.statePath, &why))
        qWarning("vna-emulator: cannot save state to %s: %s", qPrintable(m_config.statePath),
                 qPrintable(why));
}

QString AnalyserEmulator::statusLine() const
{
    return QStringLiteral("status plugged=%1 state=%2 firmware=%3.%4.%5 dut=%6 requests=%7 image_size=%8 "
                          "image_crc=%9")
        .arg(isPlugged() ? 1 : 0)
        .arg(m_bootloader ? QStringLiteral("bootloader") : QStringLiteral("app"))
        .arg(m_version[0])
        .arg(m_version[1])
        .arg(m_version[2])
        .arg(m_dut->describe())
        .arg(m_requests)
        .arg(m_imageSize)
        .arg(m_imageCrc, 8, 16, QLatin1Char('0'));
}

QString AnalyserEmulator::control(const QString& rawLine)
{
    const QString line = rawLine.trimmed();
    const int space = line.indexOf(QLatin1Char(' '));
    const QString word = space < 0 ? line : line.left(space);
    const QString arg = space < 0 ? QString() : line.mid(space + 1).trimmed();
    auto count = [&](int& target) -> QString {
        bool ok = false;
        const int n = arg.isEmpty() ? 1 : arg.toInt(&ok);
        if (!arg.isEmpty() && (!ok || n < 0 || n > 1000000))
            return QStringLiteral("error %1: expected a count").arg(line);
        target = n;
        return QStringLiteral("ok %1").arg(line);
    };
    if (word.isEmpty())
        return QString();
    if (word == QLatin1String("dut")) {
        QString why;
        auto dut = DutModel::parse(arg, &why);
        if (!dut)
            return QStringLiteral("error %1: %2").arg(line, why);
        m_dut = std::move(dut);
        return QStringLiteral("ok %1").arg(line);
    }
    if (word == QLatin1String("unplug")) {
        unplug();
        return QStringLiteral("ok unplug");
    }
    if (word == QLatin1String("plug")) {
        QString why;
        if (!plug(&why))
            return QStringLiteral("error plug: %1").arg(why);
        return QStringLiteral("ok plug");
    }
    if (word == QLatin1String("corrupt"))
        return count(m_corrupt);
    if (word == QLatin1String("drop"))
        return count(m_drop);
    if (word == QLatin1String("lose"))
        return count(m_lose);
    if (word == QLatin1String("late")) {
        int ms = 0;
        const QString r = count(ms);
        if (r.startsWith(QLatin1String("ok")))
            m_lateMs = arg.isEmpty() ? 3000 : ms;
        return r;
    }
    if (word == QLatin1String("split")) {
        const QString r = count(m_split);
        m_split = qMax(1, m_split);
        return r;
    }
    if (word == QLatin1String("damaged")) {
        m_damaged = true;
        return QStringLiteral("ok damaged");
    }
    if (word == QLatin1String("status"))
        return statusLine();
    if (word == QLatin1String("quit")) {
        emit quitRequested();
        return QStringLiteral("ok quit");
    }
    return QStringLiteral("error %1: unknown command").arg(line.left(200));
}
