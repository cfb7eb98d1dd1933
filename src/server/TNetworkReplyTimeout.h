#pragma once

#include <QObject>
#include <QTimer>

class QNetworkReply;

namespace ZData {
namespace SM {

// Guards one network reply: a reply that makes no progress for the given time is aborted (method 0)
// or closed (method 1). A child of the reply, so it dies with it.
class TNetworkReplyTimeout : public QObject
{
    Q_OBJECT

public:
    static constexpr int METHOD_ABORT = 0;
    static constexpr int METHOD_CLOSE = 1;

    TNetworkReplyTimeout(QNetworkReply* reply, int milliseconds, int method = METHOD_ABORT);

    static QString tag() { return QStringLiteral("TNetworkReplyTimeout"); }

public slots:
    void slotTimeout();

private:
    QTimer m_timer;
    int m_method = METHOD_ABORT;
};

} // namespace SM
} // namespace ZData
