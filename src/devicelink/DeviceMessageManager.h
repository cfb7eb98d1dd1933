#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

#include "core/ISInitializable.h"
#include "core/TSingleton.h"
#include "devicelink/DeviceTypes.h"

namespace ZData {

// Link layer between the serial port and the device manager: assembles and checks reply frames,
// times out missing replies and turns every failure into a resend or disconnect reply.
class DeviceMessageManager : public QObject,
                             public ZCore::TSingleton<DeviceMessageManager>,
                             public ZCore::ISInitializable
{
    Q_OBJECT
    friend class ZCore::TSingleton<DeviceMessageManager>;

public:
    // Says whether a well-framed reply answers the request in flight; a refused one answers an earlier
    // request and is passed over while the wait for the right one goes on.
    using ReplyCheck = std::function<bool(const TDeviceReply&)>;

    static constexpr qint32 REPLY_TIME_MS = 2000;
    static constexpr qint16 RESEND_BUDGET = 3;

    static bool init();
    static QString tag() { return QStringLiteral("DeviceMessageManager"); }

    static void setState(const TDmmState& record);
    static void setState(DMM::EStates state, qint32 timeMs = REPLY_TIME_MS);
    static DMM::EStates state() { return s_state.state; }
    static bool isReceiving();

    // One chunk as read from the port.
    static void receive(const QByteArray& bytes);
    static const TDeviceReply& reply() { return s_reply; }

    // Frames a request: advances the frame counter and, when a reply is expected, remembers the
    // command the reply must carry.
    static QByteArray buildFrame(TCommandHeader header, const QByteArray& data, bool expectReply);

    static quint16 frameCounter() { return s_frameCounter; }
    static void resetFrameCounter() { s_frameCounter = 0xFFFF; }
    static quint16 expectedCommand() { return s_expectedCommand; }
    static qint16 resendBudget() { return s_resendBudget; }
    static bool isReplyTimerActive() { return instance().m_timerReply.isActive(); }

    static void setReplyCheck(ReplyCheck check) { s_replyCheck = std::move(check); }
    // Every reply wait lasts this long instead of its real time (tests of the resend budget); 0 restores
    // the real times.
    static void setReplyTimeOverride(qint32 ms) { s_replyTimeOverrideMs = qMax(0, ms); }

    // Forgets any exchange in progress: stops the reply timer, empties the buffers and returns to FREE.
    // Used when the port closes, so a stale timer cannot report a timeout for a link that is gone.
    static void reset();

signals:
    void signalGotReply();

public slots:
    void slotTimerReply();

private:
    DeviceMessageManager();

    // Enters states from record on until one stays; each handler returns the state to enter next.
    static void run(const TDmmState& record);
    static DMM::EStates handle(const TDmmState& record);
    static DMM::EStates handleReceiveWait(const TDmmState& record);
    static DMM::EStates handleBody();
    static DMM::EStates handleComplete();
    static DMM::EStates handleError(const TDmmState& record);
    // Emits the reply prepared by the states, once nothing of the receive path is left on the stack.
    static void announce();
    static bool bodyReady(int pos, int available);

    QTimer m_timerReply;

    static inline TDmmState s_state;
    static inline QByteArray s_buffer;
    static inline QByteArray s_receivedData;
    static inline QByteArray s_receivedChecksum;
    static inline TDeviceReply s_reply;
    static inline quint16 s_expectedCommand = 0;
    static inline qint16 s_resendBudget = RESEND_BUDGET;
    static inline quint16 s_frameCounter = 0xFFFF;
    static inline qint32 s_replyTimeMs = REPLY_TIME_MS;
    static inline qint32 s_replyTimeOverrideMs = 0;
    static inline bool s_replyReady = false;
    static inline bool s_inReceive = false;
    // The frame just checked is passed over (set by the check of a complete frame).
    static inline bool s_skipFrame = false;
    static inline ReplyCheck s_replyCheck;
};

} // namespace ZData
