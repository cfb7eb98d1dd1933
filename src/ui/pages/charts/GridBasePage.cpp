#include "ui/pages/charts/GridBasePage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QtDebug>

#include "charts/ChartEnumPrinter.h"
#include "charts/ZChartConfig.h"
#include "core/TaggedLog.h"

using ZChart::EChartType;

namespace Ui {
namespace PgCharts_Page {

GridBasePage::GridBasePage(QWidget* parent, const QString& pageName, EChartType type)
    : AbstractPage(parent, pageName, type)
{}

QVector<quint32> GridBasePage::steps(EChartType type)
{
    if (type == EChartType::LOG_MAG)
        return {5, 10, 20};
    if (type == EChartType::LIN_MAG)
        return {50, 100, 150, 200};
    return {};
}

void GridBasePage::construct()
{
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("l_grid_step_title"));
    m_title->setAlignment(Qt::AlignCenter);
    m_value = new QLabel(this);
    m_step = new QComboBox(this);
    m_step->setObjectName(QStringLiteral("comb_grid_step"));
    m_unit = new QLabel(this);
    m_unit->setObjectName(QStringLiteral("l_grid_step_unit"));
    grid()->addWidget(m_title, 0, 0, 1, 3);
    grid()->addWidget(m_value, 1, 0);
    grid()->addWidget(m_step, 1, 1);
    grid()->addWidget(m_unit, 1, 2);
    if (m_type != EChartType::LOG_MAG && m_type != EChartType::LIN_MAG) {
        qCritical().noquote() << m_tag + QStringLiteral(" >> bad chart type in afterConstruction: ") +
                                     ZChart::ChartEnumPrinter::displayName(m_type);
        return;
    }
    for (quint32 step : steps(m_type))
        m_step->addItem(QString::number(step), step);
}

void GridBasePage::makeConnections()
{
    AbstractPage::makeConnections();
    connect(m_step, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &GridBasePage::updateChartConfig);
}

void GridBasePage::retranslate()
{
    m_title->setText(qtTrId("lp_pgcharts_grid_step_title"));
    m_value->setText(qtTrId("lp_pgcharts_grid_step_value"));
    m_unit->setText(m_type == EChartType::LIN_MAG ? qtTrId("lp_units_mv") : qtTrId("lp_units_db"));
}

void GridBasePage::readChartConfig()
{
    AbstractPage::readChartConfig();
    ZChart::ZChartConfig* cfg = config();
    if (!cfg)
        return;
    if (m_type != EChartType::LIN_MAG && m_type != EChartType::LOG_MAG) {
        checkType(EChartType::UNSET, "getConfigByChartType");
        return;
    }
    const ZChart::TGridConfig& record = m_type == EChartType::LIN_MAG ? cfg->linConfig() : cfg->logConfig();
    m_filling = true;
    const int index = m_step->findText(QString::number(record.grid_step));
    if (index >= 0)
        m_step->setCurrentIndex(index);
    m_filling = false;
}

void GridBasePage::updateChartConfig()
{
    ZChart::ZChartConfig* cfg = config();
    if (m_filling || !cfg || m_step->currentIndex() < 0)
        return;
    if (m_type == EChartType::LIN_MAG) {
        ZChart::TGridConfig record = cfg->linConfig();
        record.grid_step = m_step->currentData().toUInt();
        cfg->setLinConfig(record, true);
    } else if (m_type == EChartType::LOG_MAG) {
        ZChart::TGridConfig record = cfg->logConfig();
        record.grid_step = m_step->currentData().toUInt();
        cfg->setLogConfig(record, true);
    } else {
        checkType(EChartType::UNSET, "setConfigByChartType");
    }
}

} // namespace PgCharts_Page
} // namespace Ui
