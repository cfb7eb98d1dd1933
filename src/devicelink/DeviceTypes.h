#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QMetaType>
#include <QObject>
#include <QSerialPortInfo>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include "core/utility/VersionNumber.h"

namespace ZData {
// The enumerations' names, as logs print them, come from their meta-objects.
Q_NAMESPACE

// The C library defines BYTE_ORDER as a macro; the constant keeps its name inside this struct, and
// code outside reads it through byteOrder() so that the macro never gets in the way.
#pragma push_macro("BYTE_ORDER")
#undef BYTE_ORDER
struct EProtocolSetup
{
    static constexpr QDataStream::ByteOrder BYTE_ORDER = QDataStream::LittleEndian;
    static constexpr QDataStream::ByteOrder byteOrder() { return BYTE_ORDER; }
    // The most points one frame carries: frequencies of a scan request, values of its reply, values
    // of an uploaded calibration chunk.
    static constexpr int SLICE_POINTS = 126;
    // Firmware travels in chunks of this size, numbered by a 16-bit index.
    static constexpr int FIRMWARE_CHUNK_BYTES = 1024;
    // The analyser's application flash: a larger image cannot be firmware for it.
    static constexpr int FIRMWARE_MAX_BYTES = 1024 * 1024;
};
#pragma pop_macro("BYTE_ORDER")

enum class EDeviceTypes : quint8
{
    TOLVEK_VNA = 8,
    TOLVEK_VNA_QRT = 9,
};
Q_ENUM_NS(EDeviceTypes)

enum class EDeviceStates : quint8
{
    MAINAPP = 0,
    BOOTLOADER = 1,
    UNDEFINED = 255,
};
Q_ENUM_NS(EDeviceStates)

enum class EDeviceOptions : quint16
{
    SCAN_RANGE = 0,
    BANDWIDTH = 1,
    PRESETS_COUNT = 2,
};
Q_ENUM_NS(EDeviceOptions)

enum class EDeviceCommands : quint16
{
    UNDEFINED = 0x0000,
    FRAME_START = 0x00AA,
    STARTUP_FINISHED = 0x57A7,
    A_REBOOT_TO_UPDATE_MODE = 0xA001,
    B_INIT_UPDATE = 0xB004,
    B_SEND_MAINAPP_CHUNK = 0xB005,
    B_SEND_MAINAPP_CRC = 0xB006,
    O_RESEND_PACKET_FROM_DEVICE = 0xC350,
    D_GET_DEVICE_FULL_TYPE = 0xD001,
    D_GET_FIRMWARE_VERSION = 0xD002,
    D_GET_OPTIONS = 0xD003,
    D_GET_DEVICE_ID = 0xD008,
    DA_GET_SCAN_DATA = 0xDA00,
    DISCONNECT = 0xDEAD,
    E_HEAD_CRC_TIMEOUT = 0xEA60,
    E_CRC32 = 0xEA61,
    E_TIMEOUT = 0xEA62,
    E_UNDEFINED_COMMAND = 0xEA63,
    E_RESEND_PACKET_TO_DEVICE = 0xEAFF,
    TEST = 0xFAC0,
    F_READ_CALIB_RANGE = 0xFCA0,
    F_READ_CALIB_DATA = 0xFCA1,
    F_READ_CALIB_VCO = 0xFCA2,
    F_WRITE_CALIB_RANGE = 0xFCB0,
    F_WRITE_CALIB_DATA = 0xFCB1,
    F_WRITE_CALIB_VCO = 0xFCB2,
    F_SEND_ACTIVE_CALIB_VCO = 0xFCB3,
    S_GET_ACTUAL_VERSION = 0xFFF1,
    S_GET_UPDATE = 0xFFF2,
    S_CLEAR_UPDATE_CACHE = 0xFFF3,
    S_UPDATE_ACTUAL_VERSION = 0xFFF4,
};
Q_ENUM_NS(EDeviceCommands)

// In-memory header record. The field order here is not the order on the wire.
struct TCommandHeader
{
    quint16 command = 0;
    quint16 dataLength = 0;
    quint16 deviceWord = 0x80FF;
    quint16 frameCount = 0;
    quint16 options = 0;
    quint16 checksum = 0;

    // Bytes that must follow a received header: the data and the frame checksum.
    int bytesToFollow() const { return int(dataLength) + 4; }
};

struct TDeviceReply
{
    TCommandHeader header;
    QByteArray data;
    QByteArray checksum;
};

// What the device manager needs to build one DA_GET_SCAN_DATA request. The data scan manager
// provides it, so the device link does not depend on the measurement code.
struct TScanRequest
{
    bool valid = false;
    quint8 bandwidthIndex = 0;
    quint16 startIndex = 0; // sent as the request's options, echoed by the analyser
    QVector<quint64> frequencies;
};

namespace DMM {
Q_NAMESPACE

// Link states of the device message manager. The numbers travel as the options of a resend request.
enum class EStates : quint16
{
    FREE = 0,
    E_COMMAND_MISMATCH = 1,
    E_REPLY_TIMEOUT = 2,
    E_HEAD_CRC_TIMEOUT = 3,
    E_RECEIVE_TIMEOUT = 4,
    E_HEADER_FAILED = 5,
    E_PACKET_FAILED = 6,
    E_REPLY_FAILED = 7,
    E_UNREACHABLE = 8,
    E_UNKNOWN_STATE = 9,
    RECEIVE_REPLY = 10,
    RECEIVE_BUSY = 11,
    RECEIVE_HEADER = 12,
    RECEIVE_BODY = 13,
    RECEIVE_COMPLETE = 14,
    SEND_BUSY = 15,
};
Q_ENUM_NS(EStates)

} // namespace DMM

// A requested link state; values[0] is the reply time in milliseconds.
struct TDmmState
{
    DMM::EStates state = DMM::EStates::FREE;
    QVector<qint32> values{2000};

    qint32 timeMs() const { return values.isEmpty() ? 2000 : values.first(); }
};

// The program's record of the connected analyser.
struct TDeviceInfo
{
    QString identifier;
    ZCore::UtilityModules::VersionNumber firmwareVersion;
    quint16 deviceWord = 0x80FF;
    quint8 deviceType = 0xFF;
    quint8 deviceState = quint8(EDeviceStates::UNDEFINED);
    quint64 minFrequency = 0;
    quint64 maxFrequency = 0;
    QVector<quint32> bandwidths;
    quint32 presetsCount = 0;
    QSerialPortInfo portInfo;
    bool updatePending = false;
};

} // namespace ZData

Q_DECLARE_METATYPE(ZData::TCommandHeader)
Q_DECLARE_METATYPE(ZData::TDeviceReply)
