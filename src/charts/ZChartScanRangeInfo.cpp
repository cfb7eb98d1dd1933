#include "charts/ZChartScanRangeInfo.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QChart>
#include <QPainter>

#include <cmath>

#include "calibration/CalibrationManager.h"
#include "charts/DataMarkProcessor.h"
#include "charts/ZChartView.h"
#include "measurement/DataScanManager.h"

namespace ZChart {

ZChartScanRangeInfo::ZChartScanRangeInfo(ZChartView* view) : m_view(view)
{
    m_font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_font.setStyleHint(QFont::TypeWriter);
    m_font.setPointSize(9);
    setZValue(42);
    connect(&ZData::CalibrationManager::instance(), &ZData::CalibrationManager::signalSourceChanged, this,
            &ZChartScanRangeInfo::slotUpdate);
    connect(&ZData::DataScanManager::instance(), &ZData::DataScanManager::signalLiveAverageChanged, this,
            &ZChartScanRangeInfo::slotUpdate);
    slotUpdate();
}

QString ZChartScanRangeInfo::buildText(double startMHz, double stopMHz, quint32 points)
{
    const QString mhz = qtTrId("lp_units_mhz");
    const QString start = QString::number(startMHz, 'f', 2) + QLatin1Char(' ') + mhz;
    const QString stop = QString::number(stopMHz, 'f', 2) + QLatin1Char(' ') + mhz;
    // Trailing blanks as wide as the unit, so the count ends in the column of the frequencies.
    const QString count = QString::number(points) + QString(mhz.length() + 1, QLatin1Char(' '));
    return QStringLiteral("%1\n%2\n%3")
        .arg(DataMarkProcessor::line(qtTrId("lp_pfreq_start"), start),
             DataMarkProcessor::line(qtTrId("lp_pfreq_stop"), stop),
             DataMarkProcessor::line(qtTrId("lp_chart_info_points"), count));
}

void ZChartScanRangeInfo::slotUpdate()
{
    const ZData::DS::RangeSliced range(ZData::DataScanManager::sweep());
    // The calibration in use goes with the range: a reading means little without it.
    m_text = buildText(range.start() / 1e6, range.stop() / 1e6, ZData::DataScanManager::pointCount()) +
             QLatin1Char('\n') + ZData::CalibrationManager::sourceLines();
    // An averaged trace reacts slowly; the box says so.
    if (ZData::DataScanManager::liveAverage() >= 2)
        m_text +=
            QLatin1Char('\n') + qtTrId("lp_chart_info_average").arg(ZData::DataScanManager::liveAverage());
    prepareGeometryChange();
    // Measured line by line: the box must hold what paint() draws, glyphs taken from a fallback
    // font (Cyrillic units in a fixed-pitch font without them) included.
    const QFontMetricsF metrics(m_font);
    double width = 0.0;
    const QStringList lines = m_text.split(QLatin1Char('\n'));
    m_lines.clear();
    for (const QString& line : lines) {
        width = std::max(width, metrics.horizontalAdvance(line));
        QStaticText text(line);
        text.setTextFormat(Qt::PlainText);
        text.prepare(QTransform(), m_font);
        m_lines.append(text);
    }
    m_rect = QRectF(-12.0, -11.0, std::ceil(width) + 6.0, std::ceil(metrics.lineSpacing() * lines.size()) + 2.0);
    // The box sits in the chart's bottom margin, below the axis title and the tick labels, so the
    // margin is as tall as the box.
    if (m_view && m_view->chart()) {
        QMargins margins = m_view->chart()->margins();
        const int needed = std::max(MIN_BOTTOM_MARGIN, int(std::ceil(m_rect.height())) + 2 + EDGE_GAP);
        if (margins.bottom() != needed) {
            margins.setBottom(needed);
            m_view->chart()->setMargins(margins);
        }
    }
    updatePosition();
    update();
}

void ZChartScanRangeInfo::updatePosition()
{
    if (!m_view)
        return;
    // In the chart's bottom-right corner, whatever size the chart is laid out at, a few pixels in:
    // the view's own frame takes its width from the chart's edges.
    const QSizeF size = m_view->chart() ? m_view->chart()->size() : QSizeF(m_view->size());
    setPos(size.width() - m_rect.right() - EDGE_GAP, size.height() - m_rect.bottom() - EDGE_GAP);
}

void ZChartScanRangeInfo::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->fillRect(m_rect, QColor(0, 0, 0, 100));
    painter->setPen(Qt::white);
    painter->setFont(m_font);
    const QFontMetricsF metrics(m_font, painter->device());
    // A laid-out line is placed by its top, which lies the font's own ascent above its baseline.
    const double top = QFontMetricsF(m_font).ascent();
    double y = m_rect.top() + 1.0 + metrics.ascent();
    for (const QStaticText& line : m_lines) {
        painter->drawStaticText(QPointF(m_rect.left() + 3.0, y - top), line);
        y += metrics.lineSpacing();
    }
}

} // namespace ZChart
