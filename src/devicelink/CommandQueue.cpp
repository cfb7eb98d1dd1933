#include "devicelink/CommandQueue.h"

#include "core/TaggedLog.h"
#include "devicelink/DeviceEnumPrinter.h"

namespace ZData {
namespace DM {

namespace {
const ZCore::TaggedLog kLog(CommandQueue::tag());
} // namespace

CommandQueue::CommandQueue() = default;

bool CommandQueue::init()
{
    kLog.debug(QStringLiteral(">> ZData::DM::CommandQueue::init.."));
    qRegisterMetaType<ZData::TCommandHeader>("ZData::TCommandHeader");
    return true;
}

bool CommandQueue::isUnlogged(quint16 command)
{
    return command == quint16(EDeviceCommands::B_SEND_MAINAPP_CHUNK) ||
           command == quint16(EDeviceCommands::F_READ_CALIB_DATA) ||
           command == quint16(EDeviceCommands::DA_GET_SCAN_DATA);
}

TCommandHeader CommandQueue::head()
{
    if (s_items.isEmpty()) {
        TCommandHeader none;
        none.command = quint16(EDeviceCommands::UNDEFINED);
        return none;
    }
    return s_items.first()->header;
}

QList<quint16> CommandQueue::commands()
{
    QList<quint16> out;
    for (const auto& item : s_items)
        out.append(item->header.command);
    return out;
}

void CommandQueue::add(EDeviceCommands command, Action action, quint16 options, bool toFront)
{
    TCommandHeader header;
    header.command = quint16(command);
    header.options = options;
    add(header, std::move(action), toFront);
}

void CommandQueue::add(const TCommandHeader& header, Action action, bool toFront)
{
    if (!isUnlogged(header.command))
        kLog.debug(QStringLiteral("<< ") + DeviceEnumPrinter::commandName(header.command));
    auto item = std::make_shared<TItem>();
    item->header = header;
    item->action = std::move(action);
    if (toFront && !s_items.isEmpty())
        s_items.insert(1, item);
    else
        s_items.append(item);
    if (s_items.size() == 1)
        process(false);
}

void CommandQueue::process(bool finished)
{
    if (finished && !s_items.isEmpty()) {
        const auto done = s_items.takeFirst();
        if (!isUnlogged(done->header.command))
            kLog.debug(QStringLiteral(">> finished: ") +
                       DeviceEnumPrinter::commandName(done->header.command));
    }
    if (s_items.isEmpty()) {
        s_startPending = false;
        kLog.debug(QStringLiteral(">> empty"));
        emit instance().signalBecameEmpty();
        return;
    }
    if (s_held) {
        s_startPending = true;
        return;
    }
    startHead();
}

void CommandQueue::startHead()
{
    s_startPending = false;
    // Keep the item alive while its action runs: the action may clear the queue.
    const auto item = s_items.first();
    if (!isUnlogged(item->header.command))
        kLog.debug(QStringLiteral(">> process: ") + DeviceEnumPrinter::commandName(item->header.command));
    if (item->action)
        item->action(item->header);
    else
        emit instance().signalGotCommand(item->header);
}

void CommandQueue::holdStart(bool hold)
{
    s_held = hold;
    if (!hold && s_startPending && !s_items.isEmpty())
        startHead();
}

void CommandQueue::clear()
{
    s_items.clear();
    s_startPending = false;
    emit instance().signalBecameEmpty();
}

} // namespace DM
} // namespace ZData
