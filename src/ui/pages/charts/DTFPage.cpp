#include "ui/pages/charts/DTFPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include "charts/ChartEnumPrinter.h"
#include "charts/DTFTransform.h"
#include "charts/ZChartConfig.h"
#include "ui/components/ClampedLineEdit.h"
#include "ui/components/ZDoubleValidator.h"

using Ui::Components::ClampedLineEdit;
using Ui::Components::ZDoubleValidator;
using ZChart::DTFTransform;
using ZChart::EDTFDomain;

namespace Ui {
namespace PgCharts_Page {

DTFPage::DTFPage(QWidget* parent, const QString& pageName, ZChart::EChartType type)
    : AbstractPage(parent, pageName, type)
{}

void DTFPage::construct()
{
    m_title = new QLabel(this);
    m_title->setAlignment(Qt::AlignCenter);
    grid()->addWidget(m_title, 0, 0, 1, 3);
    const char* const names[4] = {"le_dtf_start", "le_dtf_stop", "le_dtf_center", "le_dtf_span"};
    for (int i = 0; i < 4; ++i) {
        m_labels[i] = new QLabel(this);
        m_edits[i] = new ClampedLineEdit(this);
        m_edits[i]->setObjectName(QString::fromLatin1(names[i]));
        m_validators[i] = new ZDoubleValidator(0.0, 0.0, 2, m_edits[i]);
        m_edits[i]->setValidator(m_validators[i]);
        m_edits[i]->setMaxLength(WINDOW_FIELD_LENGTH);
        m_edits[i]->enableClamping();
        m_units[i] = new QLabel(this);
        grid()->addWidget(m_labels[i], i + 1, 0);
        grid()->addWidget(m_edits[i], i + 1, 1);
        grid()->addWidget(m_units[i], i + 1, 2);
    }
    m_domainLabel = new QLabel(this);
    m_domain = new QComboBox(this);
    m_domain->setObjectName(QStringLiteral("comb_dtf_domain"));
    m_domain->addItem(QString(), int(EDTFDomain::TIME));
    m_domain->addItem(QString(), int(EDTFDomain::DISTANCE));
    m_vfLabel = new QLabel(this);
    m_vf = new ClampedLineEdit(this);
    m_vf->setObjectName(QStringLiteral("le_dtf_vf"));
    m_vf->setValidator(new ZDoubleValidator(0.1, 1.0, 2, m_vf));
    m_vf->setMaxLength(VF_FIELD_LENGTH);
    m_vf->enableClamping();
    grid()->addWidget(m_domainLabel, 5, 0);
    grid()->addWidget(m_domain, 5, 1, 1, 2);
    grid()->addWidget(m_vfLabel, 6, 0);
    grid()->addWidget(m_vf, 6, 1);
}

void DTFPage::makeConnections()
{
    AbstractPage::makeConnections();
    connect(m_domain, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (!m_filling && index >= 0)
            slotDomainChanged(m_domain->itemData(index).toInt());
    });
    void (DTFPage::*handlers[4])(double) = {&DTFPage::slotStartChanged, &DTFPage::slotStopChanged,
                                            &DTFPage::slotCenterChanged, &DTFPage::slotSpanChanged};
    for (int i = 0; i < 4; ++i) {
        ClampedLineEdit* field = m_edits[i];
        auto slot = handlers[i];
        connect(field, &ClampedLineEdit::returnPressed, this, [this, field, slot] {
            bool ok = false;
            const double value = ZDoubleValidator::toDouble(field->text(), &ok);
            if (!ok)
                return;
            const QString typed = ZDoubleValidator::format(value, 2);
            (this->*slot)(value);
            // The window rules may take another value than the one typed; the field shows it and
            // says so.
            if (field->text() != typed)
                field->showNotice(qtTrId("lp_pdtf_took").arg(field->text(), typed));
        });
    }
    connect(m_vf, &ClampedLineEdit::returnPressed, this, [this] {
        bool ok = false;
        const double value = ZDoubleValidator::toDouble(m_vf->text(), &ok);
        if (ok)
            slotVFChanged(value);
    });
}

void DTFPage::retranslate()
{
    m_title->setText(qtTrId("lp_pgcharts_dtf_title"));
    const char* const ids[4] = {"lp_pgcharts_dtf_start", "lp_pgcharts_dtf_stop", "lp_pgcharts_dtf_center",
                                "lp_pgcharts_dtf_span"};
    for (int i = 0; i < 4; ++i)
        m_labels[i]->setText(qtTrId(ids[i]));
    m_domainLabel->setText(qtTrId("lp_pgcharts_dtf_domain"));
    m_vfLabel->setText(qtTrId("lp_pgcharts_dtf_vf"));
    m_domain->setItemText(0, ZChart::ChartEnumPrinter::displayName(EDTFDomain::TIME));
    m_domain->setItemText(1, ZChart::ChartEnumPrinter::displayName(EDTFDomain::DISTANCE));
    refreshPage();
}

void DTFPage::readChartConfig()
{
    AbstractPage::readChartConfig();
    ZChart::ZChartConfig* cfg = config();
    if (!cfg)
        return;
    const ZChart::TDTFConfig& record = cfg->dtfConfig();
    m_filling = true;
    m_domain->setCurrentIndex(m_domain->findData(int(record.domain)));
    m_vf->setText(ZDoubleValidator::format(record.velocity_factor, 2));
    const double values[4] = {record.start, record.stop, record.center, record.span};
    for (int i = 0; i < 4; ++i)
        m_edits[i]->setText(ZDoubleValidator::format(DTFTransform::toDisplay(record, values[i]), 2));
    m_filling = false;
}

void DTFPage::refreshPage()
{
    ZChart::ZChartConfig* cfg = config();
    const EDTFDomain domain = cfg ? cfg->dtfConfig().domain : EDTFDomain::TIME;
    for (QLabel* unit : m_units)
        if (unit)
            unit->setText(ZChart::ChartEnumPrinter::unitName(domain));
    if (!cfg)
        return;
    const ZChart::TDTFConfig& record = cfg->dtfConfig();
    const DTFTransform::TRange ranges[4] = {DTFTransform::startRange(record), DTFTransform::stopRange(record),
                                            DTFTransform::centerRange(record),
                                            DTFTransform::spanRange(record)};
    for (int i = 0; i < 4; ++i) {
        m_validators[i]->setRange(ranges[i].min, ranges[i].max, 2);
        // Narrow sweeps push the window to 10^6 ns: the field must hold whatever the range allows.
        m_edits[i]->fitLengthToValidator(WINDOW_FIELD_LENGTH);
    }
}

void DTFPage::edit(const std::function<void(ZChart::TDTFConfig&)>& change)
{
    ZChart::ZChartConfig* cfg = config();
    if (!cfg)
        return;
    ZChart::TDTFConfig record = cfg->dtfConfig();
    change(record);
    cfg->setDTFConfig(record, true);
    readChartConfig();
    refreshPage();
}

void DTFPage::slotDomainChanged(int domain_val)
{
    edit([domain_val](ZChart::TDTFConfig& r) { DTFTransform::setDomain(r, EDTFDomain(domain_val)); });
}

void DTFPage::slotStartChanged(double new_val)
{
    edit([new_val](ZChart::TDTFConfig& r) { DTFTransform::setStart(r, new_val); });
}

void DTFPage::slotStopChanged(double new_val)
{
    edit([new_val](ZChart::TDTFConfig& r) { DTFTransform::setStop(r, new_val); });
}

void DTFPage::slotCenterChanged(double new_val)
{
    edit([new_val](ZChart::TDTFConfig& r) { DTFTransform::setCenter(r, new_val); });
}

void DTFPage::slotSpanChanged(double new_val)
{
    edit([new_val](ZChart::TDTFConfig& r) { DTFTransform::setSpan(r, new_val); });
}

void DTFPage::slotVFChanged(double new_val)
{
    edit([new_val](ZChart::TDTFConfig& r) { DTFTransform::setVelocityFactor(r, new_val); });
}

} // namespace PgCharts_Page
} // namespace Ui
