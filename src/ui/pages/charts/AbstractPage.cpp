#include "ui/pages/charts/AbstractPage.h"

#include <QGridLayout>
#include <QLabel>

#include "charts/ChartEnumPrinter.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "core/LocalizationManager.h"
#include "core/TaggedLog.h"
#include "ui/MainWindow.h"

namespace Ui {
namespace PgCharts_Page {

AbstractPage::AbstractPage(QWidget* parent, const QString& pageName, ZChart::EChartType type)
    : QWidget(parent), m_tag(QStringLiteral("PgCharts_Page::") + pageName), m_type(type),
      m_window(qobject_cast<MainWindow*>(parent))
{
    setObjectName(QStringLiteral("pgcharts_page_") + pageName);
    if (!m_window)
        ZCore::TaggedLog(m_tag).warn(QStringLiteral(">> failed to get MainWindow"));
    m_grid = new QGridLayout(this);
    m_grid->setContentsMargins(0, 0, 0, 0);
    hide();
}

void AbstractPage::setup()
{
    construct();
    makeConnections();
    retranslate();
}

void AbstractPage::construct()
{
    m_noSettings = new QLabel(this);
    m_noSettings->setObjectName(QStringLiteral("l_no_settings"));
    m_noSettings->setAlignment(Qt::AlignCenter);
    m_noSettings->setStyleSheet(QStringLiteral("font-size: 14pt"));
    m_grid->addWidget(m_noSettings, 0, 0, 1, -1);
}

void AbstractPage::makeConnections()
{
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &AbstractPage::retranslate);
    if (m_window)
        connect(m_window, &MainWindow::signalSelectedNewChartView, this, [this] {
            readChartConfig();
            refreshPage();
        });
}

void AbstractPage::updateChartConfig()
{
    ZCore::TaggedLog(m_tag).debug(QStringLiteral(">> Ui::PgCharts_Page::AbstractPage::updateChartConfig.."));
}

void AbstractPage::readChartConfig()
{
    ZCore::TaggedLog(m_tag).debug(QStringLiteral(">> Ui::PgCharts_Page::AbstractPage::readChartConfig.."));
    followConfig();
}

void AbstractPage::refreshPage()
{
    ZCore::TaggedLog(m_tag).debug(QStringLiteral(">> Ui::PgCharts_Page::AbstractPage::refreshPage.."));
}

void AbstractPage::retranslate()
{
    if (m_noSettings)
        m_noSettings->setText(qtTrId("lp_pgcharts_no_settings"));
}

void AbstractPage::showEvent(QShowEvent* event)
{
    readChartConfig();
    refreshPage();
    QWidget::showEvent(event);
}

ZChart::ZChartView* AbstractPage::selectedView() const
{
    return m_window ? m_window->selectedChartView() : nullptr;
}

ZChart::ZChartConfig* AbstractPage::config() const
{
    ZChart::ZChartView* view = selectedView();
    return view ? view->config() : nullptr;
}

bool AbstractPage::checkType(ZChart::EChartType type, const char* operation) const
{
    if (type == m_type)
        return true;
    ZCore::TaggedLog(m_tag).warn(QStringLiteral(">> bad chart type in %1: ").arg(QLatin1String(operation)) +
                                 ZChart::ChartEnumPrinter::displayName(type));
    return false;
}

void AbstractPage::followConfig()
{
    // The record can also change from elsewhere (a new scan range moves the DTF window); a shown
    // page keeps up with its record.
    ZChart::ZChartConfig* current = config();
    if (current == m_followed)
        return;
    if (m_followed)
        disconnect(m_followed, nullptr, this, nullptr);
    m_followed = current;
    if (current)
        connect(current, &ZChart::ZChartConfig::signalConfigChanged, this, [this](ZChart::EChartType type) {
            if (type == m_type && isVisible() && !m_filling) {
                readChartConfig();
                refreshPage();
            }
        });
}

} // namespace PgCharts_Page
} // namespace Ui
