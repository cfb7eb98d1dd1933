#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

#include "remote/RemoteOperation.h"
#include "remote/TRemoteError.h"

namespace ZRemote {

// One header keyword as typed, with its numeric suffix split off (VIEW2 -> "VIEW", 2).
struct TRemoteHeaderNode
{
    QString keyword; // upper case
    int suffix = -1; // -1: no suffix typed
};

// One parsed command line.
struct TRemoteCommand
{
    bool common = false; // a "*XXX" command
    bool query = false;
    QVector<TRemoteHeaderNode> nodes;
    QStringList arguments; // trimmed, surrounding quotes removed
    QString text;          // the line as received, for the log
};

// What executing a command produced: nothing, an answer line, an error for the queue, or an
// operation that finishes later (the client's next command waits for it).
struct TRemoteResult
{
    enum class EKind
    {
        DONE,
        ANSWER,
        ERROR,
        PENDING,
    };

    EKind kind = EKind::DONE;
    QByteArray answer; // without the line end
    TRemoteError error;
    QPointer<RemoteOperation> operation;

    static TRemoteResult done() { return {}; }
    static TRemoteResult reply(const QByteArray& text)
    {
        TRemoteResult r;
        r.kind = EKind::ANSWER;
        r.answer = text;
        return r;
    }
    static TRemoteResult reply(const QString& text) { return reply(text.toUtf8()); }
    static TRemoteResult fail(int code, const QString& detail = QString())
    {
        TRemoteResult r;
        r.kind = EKind::ERROR;
        r.error = TRemoteError::make(code, detail);
        return r;
    }
    static TRemoteResult pending(RemoteOperation* op)
    {
        TRemoteResult r;
        r.kind = EKind::PENDING;
        r.operation = op;
        return r;
    }
};

} // namespace ZRemote
