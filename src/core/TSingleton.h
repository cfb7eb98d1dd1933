#pragma once

#include <QObject>

namespace ZCore {

// Managers keep their state at class level; the one object exists so that they can send and
// receive signals. It is created on first use and lives until the process exits.
template <class T>
class TSingleton
{
public:
    static T& instance()
    {
        static T object;
        return object;
    }

    virtual ~TSingleton() = default;

protected:
    TSingleton() = default;
    TSingleton(const TSingleton&) = delete;
    TSingleton& operator=(const TSingleton&) = delete;
};

} // namespace ZCore
