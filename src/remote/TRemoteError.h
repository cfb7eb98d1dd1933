#pragma once

#include <QMetaType>
#include <QString>

namespace ZRemote {

// One entry of a client's error queue: the numeric code of the instrument convention and its text,
// optionally followed by ";" and what went wrong in particular.
struct TRemoteError
{
    enum ECode : int
    {
        NO_ERROR = 0,
        COMMAND_ERROR = -100,
        UNDEFINED_HEADER = -113,
        EXECUTION_ERROR = -200,
        DATA_OUT_OF_RANGE = -222,
        QUEUE_OVERFLOW = -350,
    };

    int code = NO_ERROR;
    QString text;

    static QString standardText(int code)
    {
        switch (code) {
        case NO_ERROR:
            return QStringLiteral("No error");
        case COMMAND_ERROR:
            return QStringLiteral("Command error");
        case UNDEFINED_HEADER:
            return QStringLiteral("Undefined header");
        case EXECUTION_ERROR:
            return QStringLiteral("Execution error");
        case DATA_OUT_OF_RANGE:
            return QStringLiteral("Data out of range");
        case QUEUE_OVERFLOW:
            return QStringLiteral("Queue overflow");
        default:
            return QString();
        }
    }

    static TRemoteError make(int code, const QString& detail = QString())
    {
        TRemoteError e;
        e.code = code;
        e.text = detail.isEmpty() ? standardText(code) : standardText(code) + QLatin1Char(';') + detail;
        return e;
    }

    // <code>,"<text>" with any double quote of the text doubled, as the answer to SYSTem:ERRor?.
    QString answer() const
    {
        QString quoted = text;
        quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QStringLiteral("%1,\"%2\"").arg(code).arg(quoted);
    }
};

} // namespace ZRemote

Q_DECLARE_METATYPE(ZRemote::TRemoteError)
