#pragma once

#include <QString>
#include <QStringList>

namespace ZData {
namespace DM {

// The lock file the toolkit's serial port takes for a port ("LCK.." and the port's name in one of the
// system's lock directories). A program killed between creating it and writing its process number
// into it leaves an empty lock that the toolkit would honour for half a minute; such a lock, and one
// naming a process that is gone, is removed before the port is opened.
class PortLock
{
public:
    // A lock younger than this may belong to a program that is just writing it.
    static constexpr int FRESH_MS = 200;

    static QString tag() { return QStringLiteral("PortLock"); }

    // Every place the lock of the port may be found, in the toolkit's order of preference.
    static QStringList candidatePaths(const QString& portName);
    // The place the toolkit takes: the first readable lock directory that holds the lock already or
    // can take it.
    static QString path(const QString& portName);
    // Whether the lock file at path holds nobody: empty or unreadable and not fresh, or naming a
    // process of this machine that no longer runs.
    static bool isStale(const QString& path);
    // Removes the port's stale locks; false when one could not be removed.
    static bool clearStale(const QString& portName);
};

} // namespace DM
} // namespace ZData
