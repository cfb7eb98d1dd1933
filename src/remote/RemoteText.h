#pragma once

#include <QByteArray>
#include <QString>

namespace ZRemote {

// Remote answers are 7-bit ASCII, as instrument clients decode them by default: the window's texts
// (units such as the degree sign, Cyrillic labels) are spelled in plain letters on the wire.
class RemoteText
{
public:
    static QByteArray toAscii(const QString& text);
    // The text of a critical log line without its tag: what a client reads in its error queue.
    static QString messageOfLogLine(const QString& line);
};

} // namespace ZRemote
