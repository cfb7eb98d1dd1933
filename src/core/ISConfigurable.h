#pragma once

#include "core/ISettingsRestorable.h"

namespace ZCore {

// Marks a class whose state is part of a settings profile. The settings manager reaches the
// restorable operations through ISettingsRestorable, so the inheritance stays non-public.
class ISConfigurable : protected ISettingsRestorable
{
public:
    ISettingsRestorable* restorable() { return this; }
};

} // namespace ZCore
