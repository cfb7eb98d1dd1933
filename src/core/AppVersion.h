#pragma once

#include <QString>

#include "core/utility/VersionNumber.h"

namespace ZCore {

// The program's own version. The build sets it from the project version, so the log banner, the
// window title and the about page can never disagree with the package that was built.
class AppVersion
{
public:
    static UtilityModules::VersionNumber number();
    // "major.minor.build"
    static QString text() { return number().toString(); }
};

} // namespace ZCore
