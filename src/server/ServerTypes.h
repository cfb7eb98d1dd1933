#pragma once

#include <QMetaType>
#include <QtGlobal>

namespace ZData {

// Requests to the update server and the outcomes of the last one. Values 0 .. 6 are the codes the
// server sends after its error marker; 7 and 8 are set here when the network fails or the reply
// timed out.
enum class EServerCommands : qint32
{
    UNDEFINED = -1,
    E_UNKNOWN = 0,
    E_SIGNATURE = 1,
    E_EMPTY_DATA = 2,
    E_UNKOWN_PROGRAM_TYPE = 3,
    E_UPDATE_NOT_AVAILABLE = 5,
    E_BIN_NOT_FOUND = 6,
    E_LOST_INTERNET_CONNECTION = 7,
    E_REQUEST_TIMEOUT = 8,
    GET_UPDATE = 10,
    GET_ACTUAL_VERSION = 11,
    SEND_ACTUAL_VERSION = 12,
};

} // namespace ZData

Q_DECLARE_METATYPE(ZData::EServerCommands)
