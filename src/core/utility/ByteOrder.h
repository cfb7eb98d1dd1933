#pragma once

#include <QtGlobal>

namespace ZCore {
namespace UtilityModules {

class ByteOrder
{
public:
    static constexpr quint16 swap16(quint16 value) { return quint16((value >> 8) | (value << 8)); }
    static constexpr quint32 swap32(quint32 value)
    {
        return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
    }
};

} // namespace UtilityModules
} // namespace ZCore
