#pragma once

#include <QString>

namespace ZCore {

class ITaggable
{
public:
    virtual QString tag() const = 0;
    virtual ~ITaggable() = default;
};

} // namespace ZCore
