#pragma once

namespace ZCore {

// An object that writes its persistent state into the current profile and reads it back.
class ISettingsRestorable
{
public:
    virtual void saveSettings() = 0;
    virtual void restoreSettings() = 0;
    virtual ~ISettingsRestorable() = default;
};

} // namespace ZCore
