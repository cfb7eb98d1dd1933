#include "core/utility/ByteOrder.h"

static_assert(ZCore::UtilityModules::ByteOrder::swap16(0x1234) == 0x3412, "16-bit swap");
static_assert(ZCore::UtilityModules::ByteOrder::swap32(0x12345678u) == 0x78563412u, "32-bit reversal");
