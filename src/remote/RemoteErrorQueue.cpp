#include "remote/RemoteErrorQueue.h"

namespace ZRemote {

void RemoteErrorQueue::push(const TRemoteError& error)
{
    if (m_errors.size() < CAPACITY - 1) {
        m_errors.enqueue(error);
    } else if (m_errors.size() == CAPACITY - 1) {
        m_errors.enqueue(TRemoteError::make(TRemoteError::QUEUE_OVERFLOW));
    }
}

TRemoteError RemoteErrorQueue::pop()
{
    if (m_errors.isEmpty())
        return TRemoteError::make(TRemoteError::NO_ERROR);
    return m_errors.dequeue();
}

} // namespace ZRemote
