#include "core/NoticeBoard.h"

#include <QCoreApplication>
#include <QThread>

namespace ZCore {

void NoticeBoard::post(QtMsgType type, const QString& title, const QString& text)
{
    NoticeBoard& self = instance();
    if (QThread::currentThread() != self.thread()) {
        QMetaObject::invokeMethod(
            &self, [type, title, text] { instance().add(type, title, text); }, Qt::QueuedConnection);
        return;
    }
    self.add(type, title, text);
}

void NoticeBoard::add(QtMsgType type, const QString& title, const QString& text)
{
    for (TNotice& notice : m_notices) {
        if (notice.type == type && notice.text == text) {
            ++notice.count;
            emit signalChanged();
            return;
        }
    }
    if (m_notices.size() > MAX_WAITING) {
        ++m_dropped;
        return;
    }
    m_notices.append(TNotice{type, title, text, 1});
    emit signalChanged();
}

TNotice NoticeBoard::current()
{
    const NoticeBoard& self = instance();
    return self.m_notices.isEmpty() ? TNotice{QtInfoMsg, QString(), QString(), 0} : self.m_notices.first();
}

int NoticeBoard::waiting()
{
    return qMax(0, instance().m_notices.size() - 1);
}

void NoticeBoard::dismiss()
{
    NoticeBoard& self = instance();
    if (self.m_notices.isEmpty())
        return;
    self.m_notices.removeFirst();
    emit self.signalChanged();
}

void NoticeBoard::clear()
{
    NoticeBoard& self = instance();
    self.m_dropped = 0;
    if (self.m_notices.isEmpty())
        return;
    self.m_notices.clear();
    emit self.signalChanged();
}

QString NoticeBoard::displayText(const TNotice& notice)
{
    // The log line's source tag means something in the log file, nothing to the person reading.
    const int arrow = notice.text.indexOf(QLatin1String(">> "));
    const QString text = arrow < 0 ? notice.text : notice.text.mid(arrow + 3);
    if (notice.count <= 1)
        return text;
    return qtTrId("lp_notice_repeated").arg(text).arg(notice.count);
}

} // namespace ZCore
