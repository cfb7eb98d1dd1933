#include "server/TNetworkReplyTimeout.h"

#include <QDebug>
#include <QNetworkReply>

namespace ZData {
namespace SM {

TNetworkReplyTimeout::TNetworkReplyTimeout(QNetworkReply* reply, int milliseconds, int method)
    : QObject(reply), m_method(method)
{
    Q_ASSERT(reply);
    m_timer.setSingleShot(true);
    // A coarse timer may fire 5 % early; the server is promised its full time.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TNetworkReplyTimeout::slotTimeout);
    connect(reply, &QNetworkReply::finished, &m_timer, &QTimer::stop);
    // The time-out is for a server that stopped answering: a download that still moves, however
    // slowly, is given the full time again with every piece.
    auto progressed = [this](qint64 done, qint64) {
        if (done > 0 && m_timer.isActive())
            m_timer.start();
    };
    connect(reply, &QNetworkReply::downloadProgress, this, progressed);
    connect(reply, &QNetworkReply::uploadProgress, this, progressed);
    if (reply->isRunning())
        m_timer.start(milliseconds);
}

void TNetworkReplyTimeout::slotTimeout()
{
    auto* reply = qobject_cast<QNetworkReply*>(parent());
    if (!reply || !reply->isRunning())
        return;
    if (m_method == METHOD_ABORT)
        reply->abort();
    else if (m_method == METHOD_CLOSE)
        reply->close();
    else
        qWarning().noquote() << tag() + QStringLiteral(" >> got some weird timeout method: %1").arg(m_method);
    qWarning().noquote() << tag() + QStringLiteral(" >> QNetworkReply timed out");
}

} // namespace SM
} // namespace ZData
