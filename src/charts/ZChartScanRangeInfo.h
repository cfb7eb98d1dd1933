#pragma once

#include <QFont>
#include <QGraphicsItem>
#include <QObject>
#include <QRectF>
#include <QStaticText>
#include <QString>
#include <QVector>

namespace ZChart {

class ZChartView;

// The box in the bottom-right corner of a view with the start and stop frequency and the number of
// points of the current sweep.
class ZChartScanRangeInfo : public QObject, public QGraphicsItem
{
    Q_OBJECT
    Q_INTERFACES(QGraphicsItem)

public:
    enum
    {
        Type = QGraphicsItem::UserType + 2
    };

    // The chart's bottom margin when the box is shorter than this.
    static constexpr int MIN_BOTTOM_MARGIN = 35;
    static constexpr int EDGE_GAP = 4;

    explicit ZChartScanRangeInfo(ZChartView* view);

    int type() const override { return Type; }
    QRectF boundingRect() const override { return m_rect; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    QString text() const { return m_text; }
    // The three lines for the given range in MHz and point count, in the current language.
    static QString buildText(double startMHz, double stopMHz, quint32 points);

public slots:
    // Text from the current sweep, geometry and position.
    void slotUpdate();
    void updatePosition();

private:
    ZChartView* m_view = nullptr;
    QFont m_font;
    QString m_text;
    // The lines laid out once per text: the box is repainted whenever a series passes under it.
    QVector<QStaticText> m_lines;
    QRectF m_rect;
};

} // namespace ZChart
