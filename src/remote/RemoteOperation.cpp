#include "remote/RemoteOperation.h"

#include "devicelink/SerialPort.h"

namespace ZRemote {

RemoteOperation::RemoteOperation(const QString& name, int timeoutMs, QObject* parent)
    : QObject(parent), m_name(name)
{
    qRegisterMetaType<ZRemote::TRemoteError>();
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this,
            [this] { fail(TRemoteError::EXECUTION_ERROR, QStringLiteral("%1 timed out").arg(m_name)); });
    m_timeout.start(timeoutMs);
}

void RemoteOperation::succeed()
{
    finish(true, TRemoteError());
}

void RemoteOperation::fail(int code, const QString& detail)
{
    finish(false, TRemoteError::make(code, detail));
}

void RemoteOperation::failOnPortClosed()
{
    auto& port = ZData::DM::SerialPort::instance();
    connect(&port, &ZData::DM::SerialPort::signalClosed, this, [this] {
        fail(TRemoteError::EXECUTION_ERROR, QStringLiteral("%1: the analyser's port closed").arg(m_name));
    });
}

void RemoteOperation::finish(bool ok, const TRemoteError& error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timeout.stop();
    emit signalFinished(ok, error);
    deleteLater();
}

} // namespace ZRemote
