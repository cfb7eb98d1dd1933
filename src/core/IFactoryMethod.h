#pragma once

namespace ZCore {

// Builds the parts of an object; what the parts are is up to the implementing class.
class IFactoryMethod
{
public:
    virtual void build() = 0;
    virtual ~IFactoryMethod() = default;
};

} // namespace ZCore
