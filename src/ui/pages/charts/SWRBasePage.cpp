#include "ui/pages/charts/SWRBasePage.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLocale>
#include <QGridLayout>
#include <QLabel>

#include "charts/ZChartConfig.h"

using ZChart::EChartType;

namespace Ui {
namespace PgCharts_Page {

SWRBasePage::SWRBasePage(QWidget* parent, const QString& pageName, EChartType type)
    : AbstractPage(parent, pageName, type)
{}

void SWRBasePage::construct()
{
    m_title = new QLabel(this);
    m_title->setAlignment(Qt::AlignCenter);
    m_valueLabel = new QLabel(this);
    m_value = new QDoubleSpinBox(this);
    // The program writes numbers with a dot whatever the system's language.
    m_value->setLocale(QLocale::c());
    m_value->setObjectName(QStringLiteral("sb_swr_limit"));
    m_value->setRange(1.0, 9.0);
    m_value->setDecimals(2);
    m_value->setSingleStep(0.5);
    m_enabled = new QCheckBox(this);
    m_enabled->setObjectName(QStringLiteral("cb_swr_limit_enabled"));
    grid()->addWidget(m_title, 0, 0, 1, 2);
    grid()->addWidget(m_valueLabel, 1, 0);
    grid()->addWidget(m_value, 1, 1);
    grid()->addWidget(m_enabled, 2, 0, 1, 2);
}

void SWRBasePage::makeConnections()
{
    AbstractPage::makeConnections();
    connect(m_value, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &SWRBasePage::updateChartConfig);
    connect(m_enabled, &QCheckBox::stateChanged, this, &SWRBasePage::updateChartConfig);
}

void SWRBasePage::retranslate()
{
    m_title->setText(qtTrId("lp_pgcharts_swr_title"));
    m_valueLabel->setText(qtTrId("lp_pgcharts_swr_value"));
    m_enabled->setText(qtTrId("lp_pgcharts_swr_enabled"));
}

void SWRBasePage::readChartConfig()
{
    AbstractPage::readChartConfig();
    ZChart::ZChartConfig* cfg = config();
    if (!cfg)
        return;
    const ZChart::TSWRConfig record = cfg->swrConfigByChartType(m_type);
    m_filling = true;
    m_value->setValue(record.limit_line_val);
    m_enabled->setChecked(record.is_enabled);
    m_filling = false;
}

void SWRBasePage::updateChartConfig()
{
    ZChart::ZChartConfig* cfg = config();
    if (m_filling || !cfg)
        return;
    ZChart::TSWRConfig record = cfg->swrConfigByChartType(m_type);
    record.limit_line_val = m_value->value();
    record.is_enabled = m_enabled->isChecked();
    switch (m_type) {
    case EChartType::SWR:
        cfg->setSWRConfig(record, true);
        break;
    case EChartType::SMITH:
        cfg->setSmithConfig(record, true);
        break;
    case EChartType::POLAR:
        cfg->setPolarConfig(record, true);
        break;
    default:
        checkType(EChartType::UNSET, "setConfigByChartType");
        break;
    }
}

} // namespace PgCharts_Page
} // namespace Ui
