// Well-formed reply frames with arbitrary payloads, options and device words, through the link and
// the device manager into the scan and calibration managers, as the analyser could send them.
// Input: one flags byte, then records of command index, options, device word, length and payload.
#include <QCoreApplication>

#include "FuzzSupport.h"
#include "calibration/CalibrationManager.h"
#include "core/StartupSequence.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/FrameCodec.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"

using namespace ZData;
using FuzzSupport::check;

namespace {

const EDeviceCommands REPLIES[] = {
    EDeviceCommands::DA_GET_SCAN_DATA,        EDeviceCommands::F_READ_CALIB_RANGE,
    EDeviceCommands::F_READ_CALIB_DATA,       EDeviceCommands::F_READ_CALIB_VCO,
    EDeviceCommands::F_WRITE_CALIB_RANGE,     EDeviceCommands::F_WRITE_CALIB_DATA,
    EDeviceCommands::F_WRITE_CALIB_VCO,       EDeviceCommands::F_SEND_ACTIVE_CALIB_VCO,
    EDeviceCommands::D_GET_DEVICE_ID,         EDeviceCommands::D_GET_DEVICE_FULL_TYPE,
    EDeviceCommands::D_GET_FIRMWARE_VERSION,  EDeviceCommands::D_GET_OPTIONS,
    EDeviceCommands::B_INIT_UPDATE,           EDeviceCommands::B_SEND_MAINAPP_CHUNK,
    EDeviceCommands::A_REBOOT_TO_UPDATE_MODE, EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE,
};
constexpr int REPLY_KINDS = int(sizeof(REPLIES) / sizeof(REPLIES[0]));

void startManagers()
{
    ZCore::StartupSequence::startManagers(ZCore::StartupSequence::ELogger::LEAVE_OUT);
}

void connectedDevice()
{
    TDeviceInfo info;
    info.identifier = QStringLiteral("2083-1719-77");
    info.firmwareVersion = ZCore::UtilityModules::VersionNumber(2, 0, 0);
    info.deviceWord = 0x0008;
    info.deviceType = 8;
    info.deviceState = 0;
    info.minFrequency = 1000000;
    info.maxFrequency = 6000000000ull;
    info.bandwidths = {10, 3, 1, 0};
    DeviceManager::setDeviceInfo(info);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::setUp();
    static const bool ready = (startManagers(), true);
    Q_UNUSED(ready);

    DeviceMessageManager::reset();
    DM::CommandQueue::clear();
    DeviceManager::reset();
    CalibrationManager::reset();
    DataScanManager::reset();
    connectedDevice();

    FuzzSupport::Reader in(data, size);
    const quint8 flags = in.u8();
    DS::RangeSliced& sweep = DataScanManager::sweep();
    sweep.setDeviceRange(1000000, 6000000000.0);
    sweep.setStart(1000000.0 * (1 + in.u8()), false);
    sweep.setStop(sweep.start() + 1000000.0 * (1 + in.u16()), false);
    sweep.setPoints(2 + in.u16() % 2047, false);
    CalibrationManager::setBandwidthIndex(flags & 3);
    if (flags & 4)
        CalibrationManager::readDeviceCalib((flags & 8) ? CalibrationManager::ACTIVE_SLOT
                                                        : quint16(flags >> 4));
    if (flags & 0x10)
        CalibrationManager::startCalibType(quint8(1 << ((flags >> 5) % 3)));
    DataScanManager::setElDelayEnabled(flags & 0x40, false);
    DataScanManager::setInterpolationEnabled(flags & 0x80, false);
    DataScanManager::setScanPause(false, false);
    DataScanManager::scanRequest();

    for (int records = 0; !in.atEnd() && records < 64; ++records) {
        const quint8 kind = in.u8();
        TCommandHeader header;
        header.command = quint16(REPLIES[(kind & 0x7F) % REPLY_KINDS]);
        // half the scan replies answer the slice in flight, so that they get past the index check
        header.options = (kind & 0x80) ? quint16(DataScanManager::sliceStartIndex()) : in.u16();
        header.deviceWord = (in.u8() & 1) ? in.u16() : 0x0008;
        const QByteArray payload = in.take(in.u16() % 1200);
        header.dataLength = quint16(payload.size());
        header.frameCount = DeviceMessageManager::frameCounter();
        header.checksum = 0;

        TCommandHeader request;
        request.command = header.command;
        DeviceMessageManager::buildFrame(request, QByteArray(), true);
        DeviceMessageManager::setState(DMM::EStates::RECEIVE_REPLY);
        DeviceMessageManager::receive(FrameCodec::encode(header, payload));
        QCoreApplication::sendPostedEvents();
        // whatever the reply did, the sweep stays within the buffer it is measured into
        check(DataScanManager::pointCount() <= quint32(DataScanManager::BUFFER_POINTS),
              "sweep larger than the buffer");
    }
    DeviceMessageManager::reset();
    DM::CommandQueue::clear();
    QCoreApplication::sendPostedEvents();
    return 0;
}
