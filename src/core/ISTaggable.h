#pragma once

namespace ZCore {

// Marker: the class has a static tag() returning its class word.
class ISTaggable
{};

} // namespace ZCore
