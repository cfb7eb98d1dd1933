#include "charts/ZMark.h"

#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QLineSeries>
#include <QPainter>

#include "charts/DataMarkProcessor.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "charts/ZMarksTable.h"
#include "measurement/DataScanManager.h"

#include <cmath>

namespace ZChart {

ZMark::ZMark(QtCharts::QChart* chart, ZChartView* view, ZMarksTable* table)
    : QGraphicsItem(table), m_chart(chart), m_view(view), m_table(table)
{
    setZValue(Z_VALUE);
    setFlag(QGraphicsItem::ItemIsFocusable);
    m_font.setPixelSize(10);
}

QRectF ZMark::boundingRect() const
{
    return QRectF(QPointF(std::min(m_labelRect.left(), -7.0), m_labelRect.top()),
                  QPointF(std::max(m_labelRect.right(), 7.0), 2.0));
}

QPainterPath ZMark::shape() const
{
    QPainterPath path;
    path.addRect(boundingRect());
    return path;
}

void ZMark::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    static const QPointF triangle[3] = {QPointF(0, 0), QPointF(-5, -15), QPointF(5, -15)};
    painter->setPen(m_color);
    painter->setBrush(m_color);
    painter->drawConvexPolygon(triangle, 3);
    painter->setPen(m_textColor);
    painter->setFont(m_font);
    painter->drawStaticText(m_labelRect.topLeft(), m_staticLabel);
}

void ZMark::setNumber(quint16 number)
{
    m_data.number = number;
    m_label = QString::number(number);
    prepareGeometryChange();
    m_labelRect = QFontMetricsF(m_font).boundingRect(QRectF(-10, -30, 20, 10), Qt::AlignCenter, m_label);
    m_staticLabel.setText(m_label);
    m_staticLabel.setTextFormat(Qt::PlainText);
    m_staticLabel.prepare(QTransform(), m_font);
    update();
}

void ZMark::setSelected(bool selected)
{
    m_data.selected = selected;
    m_color = selected ? m_selectedColor : QColor(255, 255, 255);
    if (selected)
        setFocus();
    update();
}

bool ZMark::isDTFType() const
{
    return m_data.type == EMarkType::DTF_POINT || m_data.type == EMarkType::DTF_PEAK ||
           (m_data.type == EMarkType::TRACE && m_view->chartType() == EChartType::DTF);
}

void ZMark::setFrequencyPosition(double mhz)
{
    if (!std::isfinite(mhz))
        return;
    m_data.frequency = mhz * 1e6;
    setIndex(m_table->indexFromFrequency(mhz), false);
}

void ZMark::setDTFPosition(double position)
{
    if (!std::isfinite(position))
        return;
    m_data.dtf_position = position;
    setDTFIndex(m_table->indexFromDTF(position), false);
}

void ZMark::setIndex(int index, bool adopt)
{
    const int last = std::max(0, m_table->pointCount() - 1);
    m_data.index = qBound(0, index, last);
    const ZData::TScanPoints& points = m_view->scanPoints();
    if (adopt && m_data.index < points.size())
        m_data.frequency = double(points[m_data.index].frequency);
    updatePosition();
}

void ZMark::setDTFIndex(int index, bool adopt)
{
    const int last = std::max(0, m_table->dtfCount() - 1);
    m_data.dtf_index = qBound(0, index, last);
    if (adopt && m_view->chartType() == EChartType::DTF && m_data.dtf_index < m_view->livePoints().size())
        m_data.dtf_position = m_view->livePoints()[m_data.dtf_index].x();
    updatePosition();
}

void ZMark::follow(int searchedIndex, int searchedDTFIndex)
{
    switch (m_data.type) {
    case EMarkType::MIN_VALUE:
    case EMarkType::MAX_VALUE:
        setIndex(searchedIndex, true);
        return;
    case EMarkType::DTF_PEAK:
        setDTFIndex(searchedDTFIndex >= 0 ? searchedDTFIndex : m_data.dtf_index, true);
        return;
    default:
        break;
    }
    if (isDTFType())
        setDTFIndex(m_table->indexFromDTF(m_data.dtf_position), false);
    else
        setIndex(m_table->indexFromFrequency(m_data.frequency / 1e6), false);
}

bool ZMark::isOutOfRange() const
{
    if (isDTFType() || m_data.type == EMarkType::MIN_VALUE || m_data.type == EMarkType::MAX_VALUE)
        return false;
    const ZData::TScanPoints& points = m_view->scanPoints();
    if (points.isEmpty())
        return false;
    // Half a hertz: the frequency held came from a point's whole-hertz frequency or from the user.
    return m_data.frequency < double(points.first().frequency) - 0.5 ||
           m_data.frequency > double(points.last().frequency) + 0.5;
}

void ZMark::step(int delta)
{
    if (m_data.type == EMarkType::DTF_PEAK)
        return;
    if (isDTFType())
        setDTFIndex(m_data.dtf_index + delta);
    else
        setIndex(m_data.index + delta);
    emit m_view->signalRetrievedMarksData();
}

QPointF ZMark::chartPoint() const
{
    if (isDTFType())
        return m_view->chartType() == EChartType::DTF ? m_view->pointNearIndex(m_data.dtf_index)
                                                      : QPointF(DataMarkProcessor::NO_POINT_X, 0.0);
    return m_view->pointNearIndex(m_data.index);
}

ZData::TScanPoint ZMark::scanPoint() const
{
    ZData::TScanPoint point;
    if (isDTFType())
        return point;
    const ZData::TScanPoints& points = m_view->scanPoints();
    if (points.isEmpty()) {
        point.frequency = DataMarkProcessor::NO_FREQUENCY;
        return point;
    }
    return points[qBound(0, m_data.index, points.size() - 1)];
}

void ZMark::updatePosition()
{
    if (m_data.modifier == EMarkModType::DELTA && m_data.reference && m_data.reference != this) {
        const TMarkData& ref = m_data.reference->data();
        if (isDTFType())
            m_data.dtf_offset = m_data.dtf_position - ref.dtf_position;
        else
            m_data.frequency_offset = (m_data.frequency - ref.frequency) / 1e6;
    }
    if (!m_view->hasData())
        return;
    setPos(m_chart->mapToPosition(chartPoint(), m_view->mainSeries()));
}

QString ZMark::header() const
{
    const DataMarkProcessor* processor = m_view->markProcessor();
    QStringList lines;
    if (isDTFType()) {
        // A DTF readout begins with its position; a delta one shows the offset instead, so the
        // position itself goes first.
        if (m_data.modifier == EMarkModType::DELTA)
            lines << processor->text(m_data.type, {}, scanPoint(), chartPoint(), false)
                         .section(QLatin1Char('\n'), 0, 0);
    } else {
        const ZData::TScanPoint point = scanPoint();
        const bool outside = isOutOfRange();
        const bool hasPoint = point.frequency != DataMarkProcessor::NO_FREQUENCY;
        const double hz = outside || !hasPoint ? m_data.frequency : double(point.frequency);
        QString line = DataMarkProcessor::line(qtTrId("lp_mark_freq"),
                                               frequencyText(hz) + QLatin1Char(' ') + qtTrId("lp_units_mhz"));
        if (outside)
            line += QLatin1Char(' ') + qtTrId("lp_mark_out_of_range");
        lines << line;
    }
    if (m_data.modifier == EMarkModType::DELTA && m_data.reference && m_data.reference != this) {
        if (isDTFType())
            lines << DataMarkProcessor::line(qtTrId("lp_mark_delta_offset"),
                                             DataMarkProcessor::number(m_data.dtf_offset, true));
        else
            lines << DataMarkProcessor::line(qtTrId("lp_mark_delta_offset"),
                                             frequencyText(m_data.frequency_offset * 1e6, true) +
                                                 QLatin1Char(' ') + qtTrId("lp_units_mhz"));
    }
    return lines.join(QLatin1Char('\n'));
}

QString ZMark::frequencyText(double hz, bool sign) const
{
    // Enough decimals that neighbouring points never read the same.
    const ZData::TScanPoints& points = m_view->scanPoints();
    double stepMHz = 0.0;
    if (points.size() >= 2)
        stepMHz =
            double(points.last().frequency - points.first().frequency) / double(points.size() - 1) / 1e6;
    int decimals = 2;
    if (stepMHz > 0.0 && std::isfinite(stepMHz))
        decimals = qBound(2, int(std::ceil(-std::log10(stepMHz) - 1e-9)), 6);
    return sign ? QString::asprintf("%+.*f", decimals, hz / 1e6) : QString::number(hz / 1e6, 'f', decimals);
}

QString ZMark::readout() const
{
    const DataMarkProcessor* processor = m_view->markProcessor();
    const ZMark* ref = m_data.reference;
    QString values;
    if (m_data.modifier != EMarkModType::DELTA)
        values = processor->text(m_data.type, processor->values(m_data.type, scanPoint()), scanPoint(),
                                 chartPoint(), false);
    else if (!ref || ref == this)
        values =
            processor->text(m_data.type, {}, scanPoint(), QPointF(DataMarkProcessor::NO_POINT_X, 0.0), true);
    else
        values =
            processor->text(m_data.type, processor->deltaValues(m_data.type, scanPoint(), ref->scanPoint()),
                            scanPoint(), chartPoint() - ref->chartPoint(), true);
    QStringList lines;
    const QString head = header();
    if (!head.isEmpty())
        lines << head;
    lines << values;
    // Values of a sweep from an analyser that is gone must not pass for live ones.
    if (m_view->hasData() && !ZData::DataScanManager::isLive())
        lines << qtTrId("lp_mark_not_live");
    return lines.join(QLatin1Char('\n'));
}

void ZMark::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        step(-1);
        break;
    case Qt::Key_Right:
        step(+1);
        break;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        m_table->removeMark(this);
        return; // this marker is gone
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void ZMark::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    m_table->selectMark(this);
    event->accept();
}

void ZMark::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_data.type == EMarkType::DTF_PEAK || !m_view->hasData())
        return;
    const QPointF value = m_chart->mapToValue(m_chart->mapFromScene(event->scenePos()), m_view->mainSeries());
    const int index = m_view->nearestIndex(value);
    if (isDTFType())
        setDTFIndex(index);
    else
        setIndex(index);
    emit m_view->signalRetrievedMarksData();
}

void ZMark::focusInEvent(QFocusEvent* event)
{
    grabKeyboard();
    QGraphicsItem::focusInEvent(event);
}

void ZMark::focusOutEvent(QFocusEvent* event)
{
    ungrabKeyboard();
    QGraphicsItem::focusOutEvent(event);
}

} // namespace ZChart
