#include "charts/ZChartStaleNotice.h"

#include <QChart>
#include <QFontMetricsF>
#include <QPainter>

#include "calibration/CalibrationManager.h"
#include "charts/ZChartView.h"
#include "core/LocalizationManager.h"
#include "devicelink/DeviceManager.h"
#include "measurement/DataScanManager.h"

namespace ZChart {

ZChartStaleNotice::ZChartStaleNotice(ZChartView* view) : m_view(view)
{
    m_font.setPointSize(11);
    m_font.setBold(true);
    // Above the markers and the range box: nothing may hide that the data is old.
    setZValue(50);
    using ZData::DataScanManager;
    connect(&DataScanManager::instance(), &DataScanManager::signalLiveChanged, this,
            &ZChartStaleNotice::slotUpdate);
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &ZChartStaleNotice::slotUpdate);
    // The first calibration after a start-up is the one this analyser came back with.
    connect(&ZData::DeviceManager::instance(), &ZData::DeviceManager::signalStartupFinished, this,
            [this] { m_announcePending = true; });
    connect(&ZData::CalibrationManager::instance(), &ZData::CalibrationManager::signalFinishedCalibration,
            this, [this] {
                if (!m_announcePending)
                    return;
                m_announcePending = false;
                announce();
                m_announceTimer.start();
            });
    // A calibration loaded while the announcement shows replaces the one it named.
    connect(&ZData::CalibrationManager::instance(), &ZData::CalibrationManager::signalSourceChanged, this,
            [this] {
                if (m_announceTimer.isActive())
                    announce();
            });
    m_announceTimer.setSingleShot(true);
    m_announceTimer.setInterval(ANNOUNCE_MS);
    connect(&m_announceTimer, &QTimer::timeout, this, [this] {
        m_announcement.clear();
        slotUpdate();
    });
    slotUpdate();
}

void ZChartStaleNotice::announce()
{
    m_announcement = qtTrId("lp_view_calibration_for")
                         .arg(ZData::DeviceManager::deviceInfo().identifier,
                              ZData::CalibrationManager::sourceDescription());
    m_lastAnnouncement = m_announcement;
    slotUpdate();
}

void ZChartStaleNotice::slotUpdate()
{
    using ZData::DataScanManager;
    m_stale = !DataScanManager::isLive();
    const QDateTime last = DataScanManager::lastDataTime();
    if (!m_stale)
        m_text = m_announcement;
    else if (last.isValid())
        m_text = qtTrId("lp_view_disconnected").arg(last.toString(QStringLiteral("HH:mm:ss")));
    else
        m_text = qtTrId("lp_view_not_connected");
    setVisible(m_stale || !m_announcement.isEmpty());
    updatePosition();
}

void ZChartStaleNotice::updatePosition()
{
    if (!m_view || !m_view->chart())
        return;
    // Wrapped to the view's width: a small view must still show all of it.
    const double width = qMax(80.0, double(m_view->width()) - 16.0);
    prepareGeometryChange();
    m_rect = QFontMetricsF(m_font)
                 .boundingRect(QRectF(0, 0, width - 16.0, 1000), Qt::AlignCenter | Qt::TextWordWrap, m_text)
                 .adjusted(-8, -4, 8, 4);
    m_rect.moveTopLeft(QPointF(0, 0));
    const QRectF plot = m_view->chart()->plotArea();
    const double x = plot.isValid() ? plot.center().x() - m_rect.width() / 2 : 0.0;
    const double y = plot.isValid() ? plot.top() + 4 : 0.0;
    setPos(qBound(0.0, x, qMax(0.0, m_view->width() - m_rect.width())), qMax(0.0, y));
    update();
}

void ZChartStaleNotice::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->fillRect(m_rect, m_stale ? QColor(150, 20, 20, 220) : QColor(20, 60, 130, 200));
    painter->setPen(Qt::white);
    painter->setFont(m_font);
    painter->drawText(m_rect, Qt::AlignCenter | Qt::TextWordWrap, m_text);
}

} // namespace ZChart
