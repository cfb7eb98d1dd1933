#pragma once

namespace ZCore {

// The resources are compiled into the static library; programs linking it must register them.
void initResources();

} // namespace ZCore
