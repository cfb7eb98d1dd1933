#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "core/TSingleton.h"

namespace ZCore {

// One message the person at the window should read, and how often it came.
struct TNotice
{
    QtMsgType type = QtCriticalMsg;
    QString title;
    QString text;
    int count = 1;
};

// Critical messages waiting to be read, shown one at a time by the window's notice area. Posting
// never waits for anyone: it may happen inside a reply handler, a remote command or a log line. A
// message that is already shown or waiting is counted instead of queued again, and the queue is
// bounded so that a failure repeated in a loop cannot grow memory.
class NoticeBoard : public QObject, public TSingleton<NoticeBoard>
{
    Q_OBJECT
    friend class TSingleton<NoticeBoard>;

public:
    static constexpr int MAX_WAITING = 32;

    // From any thread; other threads' notices are handed over through the event loop.
    static void post(QtMsgType type, const QString& title, const QString& text);
    static bool hasNotice() { return !instance().m_notices.isEmpty(); }
    // The notice shown now; an empty one when there is none.
    static TNotice current();
    // Notices waiting behind the current one.
    static int waiting();
    // Notices refused because the queue was full, since the last clear().
    static int dropped() { return instance().m_dropped; }
    // The current notice has been read: the next one takes its place.
    static void dismiss();
    static void clear();
    // The notice's text without the log line's source tag, with its repeat count, as the window
    // shows it.
    static QString displayText(const TNotice& notice);

signals:
    void signalChanged();

private:
    NoticeBoard() = default;
    void add(QtMsgType type, const QString& title, const QString& text);

    QList<TNotice> m_notices;
    int m_dropped = 0;
};

} // namespace ZCore
