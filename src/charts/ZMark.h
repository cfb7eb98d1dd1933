#pragma once

#include <QColor>
#include <QFont>
#include <QGraphicsItem>
#include <QPointF>
#include <QRectF>
#include <QStaticText>
#include <QString>

#include "charts/TMarkData.h"
#include "measurement/TScanPoint.h"

namespace QtCharts {
class QChart;
}

namespace ZChart {

class ZChartView;
class ZMarksTable;

// One marker: a numbered triangle pinned to a point of the live series. The selected marker takes
// the keyboard: arrows step it along the series, Backspace or Delete remove it.
class ZMark : public QGraphicsItem
{
public:
    static constexpr qreal Z_VALUE = 42.0;

    ZMark(QtCharts::QChart* chart, ZChartView* view, ZMarksTable* table);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    const TMarkData& data() const { return m_data; }
    TMarkData& data() { return m_data; }

    void setNumber(quint16 number);
    void setSelected(bool selected);
    void setMarkType(EMarkType type) { m_data.type = type; }
    EMarkType markType() const { return m_data.type; }
    bool isDelta() const { return m_data.modifier == EMarkModType::DELTA; }
    bool isReference() const { return m_data.modifier == EMarkModType::REFERENCE; }
    // Markers that live on the distance-to-fault series.
    bool isDTFType() const;

    // The marker holds a frequency in MHz / a DTF position in display units; its point is found
    // from it, again after every change of sweep or data.
    void setFrequencyPosition(double mhz);
    void setDTFPosition(double position);
    // Puts the marker on a point; with adopt the point's frequency (DTF position) becomes the one
    // held, as when the user steps or drags it.
    void setIndex(int index, bool adopt = true);
    void setDTFIndex(int index, bool adopt = true);
    // Finds the point again from what the marker holds (searching types: from the search result).
    void follow(int searchedIndex, int searchedDTFIndex);
    // The frequency held lies outside the data shown: the marker sits at the nearer end.
    bool isOutOfRange() const;
    // Steps by one point (-1 or +1) as the arrow keys do.
    void step(int delta);
    // Places the item over its series point and recomputes delta offsets.
    void updatePosition();

    // The chart point under the marker (x in display units), and the scan point (DTF types: none).
    QPointF chartPoint() const;
    ZData::TScanPoint scanPoint() const;
    // Readout for the markers page: the frequency (DTF position) of the marker, a delta marker's
    // offset, then the values; marked when the data is not live.
    QString readout() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString header() const;
    QString frequencyText(double hz, bool sign = false) const;

    QtCharts::QChart* m_chart = nullptr;
    ZChartView* m_view = nullptr;
    ZMarksTable* m_table = nullptr;
    QFont m_font;
    QString m_label;
    // Laid out once per number: a marker is repainted with every refresh of the series below it.
    QStaticText m_staticLabel;
    QRectF m_labelRect;
    QColor m_textColor = QColor(255, 255, 255);
    QColor m_selectedColor = QColor(255, 0, 0);
    QColor m_color = QColor(255, 255, 255);
    QPointF m_point;
    TMarkData m_data;
};

} // namespace ZChart
