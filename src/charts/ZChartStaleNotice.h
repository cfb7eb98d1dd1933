#pragma once

#include <QFont>
#include <QGraphicsItem>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QTimer>

namespace ZChart {

class ZChartView;

// The banner across the top of a view while what it shows is not live: no analyser connected yet,
// or the link lost with the last sweep still on screen. It goes with the first new data. After a
// connect it names, for a few seconds, the analyser and the calibration it came back with.
class ZChartStaleNotice : public QObject, public QGraphicsItem
{
    Q_OBJECT
    Q_INTERFACES(QGraphicsItem)

public:
    enum
    {
        Type = QGraphicsItem::UserType + 3
    };

    explicit ZChartStaleNotice(ZChartView* view);

    int type() const override { return Type; }
    QRectF boundingRect() const override { return m_rect; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    QString text() const { return m_text; }
    bool isStale() const { return m_stale; }
    // What the last connect announced, kept after the banner has gone.
    QString lastAnnouncement() const { return m_lastAnnouncement; }
    static constexpr int ANNOUNCE_MS = 6000;

public slots:
    // Shown or hidden by the scan's live state; text in the current language.
    void slotUpdate();
    void updatePosition();

private:
    void announce();

    ZChartView* m_view = nullptr;
    QFont m_font;
    QString m_text;
    QRectF m_rect;
    bool m_stale = true;
    bool m_announcePending = false;
    QString m_announcement;
    QString m_lastAnnouncement;
    QTimer m_announceTimer;
};

} // namespace ZChart
