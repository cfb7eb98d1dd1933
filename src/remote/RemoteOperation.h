#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "remote/TRemoteError.h"

namespace ZRemote {

// A command's work that ends later, on a signal of the managers: connecting, a sweep, a calibration
// standard. It finishes once, with success or an error; a time-out and a closing port end it too, so a
// client never waits for an analyser that is gone. It deletes itself after announcing the end.
class RemoteOperation : public QObject
{
    Q_OBJECT

public:
    RemoteOperation(const QString& name, int timeoutMs, QObject* parent = nullptr);

    QString name() const { return m_name; }
    bool isFinished() const { return m_finished; }

    void succeed();
    void fail(int code, const QString& detail);
    // Any closing of the analyser's port ends the operation with an execution error.
    void failOnPortClosed();

signals:
    void signalFinished(bool ok, ZRemote::TRemoteError error);

private:
    void finish(bool ok, const TRemoteError& error);

    QString m_name;
    QTimer m_timeout;
    bool m_finished = false;
};

} // namespace ZRemote
