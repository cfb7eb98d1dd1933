#include "ui/pages/charts/LossPage.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLocale>
#include <QGridLayout>
#include <QLabel>

#include "charts/ChartEnumPrinter.h"
#include "charts/ZChartConfig.h"

using ZChart::EChartType;
using ZChart::ELossType;

namespace Ui {
namespace PgCharts_Page {

LossPage::LossPage(QWidget* parent, const QString& pageName, EChartType type)
    : AbstractPage(parent, pageName, type)
{}

void LossPage::construct()
{
    m_typeLabel = new QLabel(this);
    m_type_box = new QComboBox(this);
    m_type_box->setObjectName(QStringLiteral("comb_loss_type"));
    m_type_box->addItem(QString(), int(ELossType::DB));
    m_type_box->addItem(QString(), int(ELossType::DB_PER_M));
    m_lengthLabel = new QLabel(this);
    m_length = new QDoubleSpinBox(this);
    // The program writes numbers with a dot whatever the system's language.
    m_length->setLocale(QLocale::c());
    m_length->setObjectName(QStringLiteral("sb_loss_length"));
    m_length->setRange(1.0, 1000.0);
    m_length->setDecimals(2);
    m_length->setSingleStep(5.0);
    grid()->addWidget(m_typeLabel, 0, 0);
    grid()->addWidget(m_type_box, 0, 1);
    grid()->addWidget(m_lengthLabel, 1, 0);
    grid()->addWidget(m_length, 1, 1);
}

void LossPage::makeConnections()
{
    AbstractPage::makeConnections();
    connect(m_type_box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &LossPage::updateChartConfig);
    connect(m_length, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &LossPage::updateChartConfig);
}

void LossPage::retranslate()
{
    m_typeLabel->setText(qtTrId("lp_pgcharts_loss_type"));
    m_lengthLabel->setText(qtTrId("lp_pgcharts_loss_length"));
    m_type_box->setItemText(0, ZChart::ChartEnumPrinter::unitName(ELossType::DB));
    m_type_box->setItemText(1, ZChart::ChartEnumPrinter::unitName(ELossType::DB_PER_M));
}

void LossPage::readChartConfig()
{
    AbstractPage::readChartConfig();
    ZChart::ZChartConfig* cfg = config();
    if (!cfg)
        return;
    const ZChart::TLossConfig& record = cfg->lossConfig();
    m_filling = true;
    m_type_box->setCurrentIndex(m_type_box->findData(int(record.domain)));
    m_length->setValue(record.cable_length);
    m_filling = false;
}

void LossPage::updateChartConfig()
{
    ZChart::ZChartConfig* cfg = config();
    if (m_filling || !cfg || m_type_box->currentIndex() < 0)
        return;
    ZChart::TLossConfig record = cfg->lossConfig();
    record.domain = ELossType(m_type_box->currentData().toInt());
    record.cable_length = m_length->value();
    cfg->setLossConfig(record, true);
}

} // namespace PgCharts_Page
} // namespace Ui
