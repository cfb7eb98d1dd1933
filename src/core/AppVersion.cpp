#include "core/AppVersion.h"

namespace ZCore {

UtilityModules::VersionNumber AppVersion::number()
{
    static const UtilityModules::VersionNumber version(QStringLiteral(TOLVEK_APP_VERSION));
    return version;
}

} // namespace ZCore
