#pragma once

namespace ZCore {

// Marker: the class has a static bool init(), called once from the start-up sequence.
class ISInitializable
{};

} // namespace ZCore
