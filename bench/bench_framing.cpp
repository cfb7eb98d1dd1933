// Building and parsing frames, and assembling a 1033-byte scan reply that arrives in chunks.
#include <QDataStream>

#include "BenchSupport.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/FrameCodec.h"

using namespace ZData;

namespace {

constexpr int SLICE = 126;

QByteArray scanRequestPayload()
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    FrameCodec::setByteOrder(stream);
    stream << quint8(0) << quint8(SLICE);
    for (int i = 0; i < SLICE; ++i)
        stream << qint64(1000000 + i * 1000000);
    return payload;
}

QByteArray scanReplyPayload()
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    FrameCodec::setupStream(stream);
    stream << float(SLICE) << 0.0f;
    for (int i = 0; i < SLICE; ++i)
        stream << float(i) / SLICE << -float(i) / SLICE;
    return payload;
}

TCommandHeader scanHeader(int dataLength)
{
    TCommandHeader header;
    header.command = quint16(EDeviceCommands::DA_GET_SCAN_DATA);
    header.dataLength = quint16(dataLength);
    header.deviceWord = 0x0008;
    return header;
}

void BM_BuildScanRequest(benchmark::State& state)
{
    const QByteArray payload = scanRequestPayload();
    quint16 counter = 0;
    for (auto _ : state) {
        TCommandHeader header = scanHeader(payload.size());
        header.frameCount = counter++;
        const QByteArray frame = FrameCodec::encode(header, payload);
        benchmark::DoNotOptimize(frame.constData());
    }
    state.SetBytesProcessed(state.iterations() * (payload.size() + FrameCodec::FRAME_OVERHEAD));
}
BENCHMARK(BM_BuildScanRequest);

void BM_ParseAndCheckScanReply(benchmark::State& state)
{
    const QByteArray payload = scanReplyPayload();
    const QByteArray frame = FrameCodec::encode(scanHeader(payload.size()), payload);
    for (auto _ : state) {
        TDeviceReply reply;
        FrameCodec::parseHeader(frame, 0, reply.header);
        reply.data = frame.mid(1 + FrameCodec::HEADER_SIZE, reply.header.dataLength);
        reply.checksum = frame.right(4);
        const bool ok = FrameCodec::isHeaderValid(reply.header) && FrameCodec::isFrameValid(reply);
        if (!ok)
            state.SkipWithError("reply frame did not check");
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(state.iterations() * frame.size());
}
BENCHMARK(BM_ParseAndCheckScanReply);

// The link layer's assembly, as the serial port hands it the reply: argument = bytes per chunk.
void BM_AssembleScanReply(benchmark::State& state)
{
    DeviceMessageManager::init();
    const QByteArray payload = scanReplyPayload();
    const QByteArray reply = FrameCodec::encode(scanHeader(payload.size()), payload);
    if (reply.size() != 1033) {
        state.SkipWithError("scan reply is not 1033 bytes");
        return;
    }
    const int chunk = int(state.range(0));
    QVector<QByteArray> chunks;
    for (int pos = 0; pos < reply.size(); pos += chunk)
        chunks.append(reply.mid(pos, chunk));

    for (auto _ : state) {
        DeviceMessageManager::buildFrame(scanHeader(0), QByteArray(), true);
        DeviceMessageManager::setState(DMM::EStates::RECEIVE_REPLY);
        for (const QByteArray& part : chunks)
            DeviceMessageManager::receive(part);
        if (DeviceMessageManager::state() != DMM::EStates::FREE ||
            DeviceMessageManager::reply().data.size() != payload.size()) {
            state.SkipWithError("reply was not assembled");
            break;
        }
    }
    DeviceMessageManager::reset();
    state.SetBytesProcessed(state.iterations() * reply.size());
}
BENCHMARK(BM_AssembleScanReply)->Arg(32)->Arg(64)->Arg(256)->Arg(512)->Arg(1033);

} // namespace

TOLVEK_BENCHMARK_MAIN()
