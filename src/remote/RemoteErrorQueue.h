#pragma once

#include <QQueue>

#include "remote/TRemoteError.h"

namespace ZRemote {

// A client's errors, oldest first. Bounded: a client that never asks must not make it grow, so the
// last place is taken by a queue-overflow entry and later errors are dropped until it is read.
class RemoteErrorQueue
{
public:
    static constexpr int CAPACITY = 16;

    void push(const TRemoteError& error);
    // The oldest error, or 0,"No error".
    TRemoteError pop();
    void clear() { m_errors.clear(); }
    int size() const { return m_errors.size(); }
    bool isEmpty() const { return m_errors.isEmpty(); }

private:
    QQueue<TRemoteError> m_errors;
};

} // namespace ZRemote
