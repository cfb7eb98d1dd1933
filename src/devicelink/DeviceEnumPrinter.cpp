#include "devicelink/DeviceEnumPrinter.h"

#include <QDebug>

namespace ZData {

QString DeviceEnumPrinter::unknown(const char* typeName, qint64 value)
{
    qWarning().noquote()
        << tag() +
               QStringLiteral(" >> got unknown value of [ %1 ]: %2").arg(QLatin1String(typeName)).arg(value);
    return QString::number(value);
}

QString DeviceEnumPrinter::toString(EDeviceCommands value)
{
    switch (value) {
    case EDeviceCommands::UNDEFINED:
        return QStringLiteral("UNDEFINED");
    case EDeviceCommands::FRAME_START:
        return QStringLiteral("FRAME_START");
    case EDeviceCommands::STARTUP_FINISHED:
        return QStringLiteral("STARTUP_FINISHED");
    case EDeviceCommands::A_REBOOT_TO_UPDATE_MODE:
        return QStringLiteral("A_REBOOT_TO_UPDATE_MODE");
    case EDeviceCommands::B_INIT_UPDATE:
        return QStringLiteral("B_INIT_UPDATE");
    case EDeviceCommands::B_SEND_MAINAPP_CHUNK:
        return QStringLiteral("B_SEND_MAINAPP_CHUNK");
    case EDeviceCommands::B_SEND_MAINAPP_CRC:
        return QStringLiteral("B_SEND_MAINAPP_CRC");
    case EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE:
        return QStringLiteral("O_RESEND_PACKET_FROM_DEVICE");
    case EDeviceCommands::D_GET_DEVICE_FULL_TYPE:
        return QStringLiteral("D_GET_DEVICE_FULL_TYPE");
    case EDeviceCommands::D_GET_FIRMWARE_VERSION:
        return QStringLiteral("D_GET_FIRMWARE_VERSION");
    case EDeviceCommands::D_GET_OPTIONS:
        return QStringLiteral("D_GET_OPTIONS");
    case EDeviceCommands::D_GET_DEVICE_ID:
        return QStringLiteral("D_GET_DEVICE_ID");
    case EDeviceCommands::DA_GET_SCAN_DATA:
        return QStringLiteral("DA_GET_SCAN_DATA");
    case EDeviceCommands::DISCONNECT:
        return QStringLiteral("DISCONNECT");
    case EDeviceCommands::E_HEAD_CRC_TIMEOUT:
        return QStringLiteral("E_HEAD_CRC_TIMEOUT");
    case EDeviceCommands::E_CRC32:
        return QStringLiteral("E_CRC32");
    case EDeviceCommands::E_TIMEOUT:
        return QStringLiteral("E_TIMEOUT");
    case EDeviceCommands::E_UNDEFINED_COMMAND:
        return QStringLiteral("E_UNDEFINED_COMMAND");
    case EDeviceCommands::E_RESEND_PACKET_TO_DEVICE:
        return QStringLiteral("E_RESEND_PACKET_TO_DEVICE");
    case EDeviceCommands::TEST:
        return QStringLiteral("TEST");
    case EDeviceCommands::F_READ_CALIB_RANGE:
        return QStringLiteral("F_READ_CALIB_RANGE");
    case EDeviceCommands::F_READ_CALIB_DATA:
        return QStringLiteral("F_READ_CALIB_DATA");
    case EDeviceCommands::F_READ_CALIB_VCO:
        return QStringLiteral("F_READ_CALIB_VCO");
    case EDeviceCommands::F_WRITE_CALIB_RANGE:
        return QStringLiteral("F_WRITE_CALIB_RANGE");
    case EDeviceCommands::F_WRITE_CALIB_DATA:
        return QStringLiteral("F_WRITE_CALIB_DATA");
    case EDeviceCommands::F_WRITE_CALIB_VCO:
        return QStringLiteral("F_WRITE_CALIB_VCO");
    case EDeviceCommands::F_SEND_ACTIVE_CALIB_VCO:
        return QStringLiteral("F_SEND_ACTIVE_CALIB_VCO");
    case EDeviceCommands::S_GET_ACTUAL_VERSION:
        return QStringLiteral("S_GET_ACTUAL_VERSION");
    case EDeviceCommands::S_GET_UPDATE:
        return QStringLiteral("S_GET_UPDATE");
    case EDeviceCommands::S_CLEAR_UPDATE_CACHE:
        return QStringLiteral("S_CLEAR_UPDATE_CACHE");
    case EDeviceCommands::S_UPDATE_ACTUAL_VERSION:
        return QStringLiteral("S_UPDATE_ACTUAL_VERSION");
    }
    return unknown("EDeviceCommands", qint64(value));
}

QString DeviceEnumPrinter::toString(EDeviceTypes value)
{
    switch (value) {
    case EDeviceTypes::TOLVEK_VNA:
        return QStringLiteral("TOLVEK_VNA");
    case EDeviceTypes::TOLVEK_VNA_QRT:
        return QStringLiteral("TOLVEK_VNA_QRT");
    }
    return unknown("EDeviceTypes", qint64(value));
}

QString DeviceEnumPrinter::toString(EDeviceStates value)
{
    switch (value) {
    case EDeviceStates::MAINAPP:
        return QStringLiteral("MAINAPP");
    case EDeviceStates::BOOTLOADER:
        return QStringLiteral("BOOTLOADER");
    case EDeviceStates::UNDEFINED:
        return QStringLiteral("UNDEFINED");
    }
    return unknown("EDeviceStates", qint64(value));
}

QString DeviceEnumPrinter::toString(EDeviceOptions value)
{
    switch (value) {
    case EDeviceOptions::SCAN_RANGE:
        return QStringLiteral("SCAN_RANGE");
    case EDeviceOptions::BANDWIDTH:
        return QStringLiteral("BANDWIDTH");
    case EDeviceOptions::PRESETS_COUNT:
        return QStringLiteral("PRESETS_COUNT");
    }
    return unknown("EDeviceOptions", qint64(value));
}

QString DeviceEnumPrinter::toString(DMM::EStates value)
{
    const char* name = nullptr;
    switch (value) {
    case DMM::EStates::FREE:
        name = "FREE";
        break;
    case DMM::EStates::E_COMMAND_MISMATCH:
        name = "E_COMMAND_MISMATCH";
        break;
    case DMM::EStates::E_REPLY_TIMEOUT:
        name = "E_REPLY_TIMEOUT";
        break;
    case DMM::EStates::E_HEAD_CRC_TIMEOUT:
        name = "E_HEAD_CRC_TIMEOUT";
        break;
    case DMM::EStates::E_RECEIVE_TIMEOUT:
        name = "E_RECEIVE_TIMEOUT";
        break;
    case DMM::EStates::E_HEADER_FAILED:
        name = "E_HEADER_FAILED";
        break;
    case DMM::EStates::E_PACKET_FAILED:
        name = "E_PACKET_FAILED";
        break;
    case DMM::EStates::E_REPLY_FAILED:
        name = "E_REPLY_FAILED";
        break;
    case DMM::EStates::E_UNREACHABLE:
        name = "E_UNREACHABLE";
        break;
    case DMM::EStates::E_UNKNOWN_STATE:
        name = "E_UNKNOWN_STATE";
        break;
    case DMM::EStates::RECEIVE_REPLY:
        name = "RECEIVE_REPLY";
        break;
    case DMM::EStates::RECEIVE_BUSY:
        name = "RECEIVE_BUSY";
        break;
    case DMM::EStates::RECEIVE_HEADER:
        name = "RECEIVE_HEADER";
        break;
    case DMM::EStates::RECEIVE_BODY:
        name = "RECEIVE_BODY";
        break;
    case DMM::EStates::RECEIVE_COMPLETE:
        name = "RECEIVE_COMPLETE";
        break;
    case DMM::EStates::SEND_BUSY:
        name = "SEND_BUSY";
        break;
    }
    if (!name)
        return unknown("DMM::EStates", qint64(value));
    return QStringLiteral("DMM::EStates::") + QLatin1String(name);
}

} // namespace ZData
