#pragma once

#include <QList>
#include <QObject>

#include <functional>
#include <memory>

#include "core/ISInitializable.h"
#include "core/TSingleton.h"
#include "devicelink/DeviceTypes.h"

namespace ZData {
namespace DM {

// Serialises all work on the device link. The head item is the command in progress; it stays there
// until its owner reports it finished.
class CommandQueue : public QObject, public ZCore::TSingleton<CommandQueue>, public ZCore::ISInitializable
{
    Q_OBJECT
    friend class ZCore::TSingleton<CommandQueue>;

public:
    using Action = std::function<void(const TCommandHeader&)>;

    struct TItem
    {
        TCommandHeader header;
        Action action;
    };

    static bool init();
    static QString tag() { return QStringLiteral("CommandQueue"); }

    static void add(EDeviceCommands command, Action action = {}, quint16 options = 0, bool toFront = false);
    static void add(const TCommandHeader& header, Action action = {}, bool toFront = false);
    static void process(bool finished);
    static void clear();

    static int size() { return s_items.size(); }
    static bool isEmpty() { return s_items.isEmpty(); }
    // The command in progress; UNDEFINED when the queue is empty.
    static TCommandHeader head();
    static QList<quint16> commands();

    // While a request outside the queue is on the wire (the presence poll) the head must not start,
    // or two requests would wait for one reply. A start asked for meanwhile runs on release.
    static void holdStart(bool hold);
    static bool isHeld() { return s_held; }

    static bool isUnlogged(quint16 command);

signals:
    void signalGotCommand(ZData::TCommandHeader header);
    void signalBecameEmpty();

private:
    CommandQueue();

    static void startHead();

    static inline QList<std::shared_ptr<TItem>> s_items;
    static inline bool s_held = false;
    static inline bool s_startPending = false;
};

} // namespace DM
} // namespace ZData
