#include "charts/ZChartScanRangeInfo.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>

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
    m_text = buildText(range.start() / 1e6, range.stop() / 1e6, ZData::DataScanManager::pointCount());
    // An averaged trace reacts slowly; the box says so.
    if (ZData::DataScanManager::liveAverage() >= 2)
        m_text +=
            QLatin1Char('\n') + qtTrId("lp_chart_info_average").arg(ZData::DataScanManager::liveAverage());
    prepareGeometryChange();
    const QFontMetricsF metrics(m_font);
    m_rect = metrics.boundingRect(QRectF(-10, -11, 300, 300), Qt::AlignLeft, m_text).adjusted(-2, 0, 2, 0);
    updatePosition();
    update();
}

void ZChartScanRangeInfo::updatePosition()
{
    if (!m_view)
        return;
    setPos(m_view->width() - m_rect.width(), m_view->height() - m_rect.height());
}

void ZChartScanRangeInfo::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->fillRect(m_rect, QColor(0, 0, 0, 100));
    painter->setPen(Qt::white);
    painter->setFont(m_font);
    painter->drawText(m_rect, Qt::AlignLeft, m_text);
}

} // namespace ZChart
