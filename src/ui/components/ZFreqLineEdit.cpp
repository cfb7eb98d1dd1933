#include "ui/components/ZFreqLineEdit.h"

#include "measurement/DataScanManager.h"
#include "measurement/RangeSliced.h"
#include "ui/components/ZDoubleValidator.h"

namespace Ui {
namespace Components {

ZFreqLineEdit::ZFreqLineEdit(QWidget* parent)
    : ClampedLineEdit(parent), m_validator(new ZDoubleValidator(0.0, 0.0, DECIMALS, this))
{
    setMaxLength(MAX_LENGTH);
    m_validator->setFrequencySuffixes(true);
    setValidator(m_validator);
    connect(&ZData::DataScanManager::instance(), &ZData::DataScanManager::signalProcessedScanRange, this,
            &ZFreqLineEdit::slotProcessedScanRange);
}

void ZFreqLineEdit::setKind(EKind kind)
{
    m_kind = kind;
}

void ZFreqLineEdit::rebuildValidator(const ZData::DS::RangeSliced& sweep)
{
    using ZData::DS::toMHz;
    if (m_kind == EKind::SPAN)
        m_validator->setRange(0.0, toMHz(sweep.maxSpan()), DECIMALS);
    else
        m_validator->setRange(toMHz(sweep.deviceRange().first), toMHz(sweep.deviceRange().second), DECIMALS);
    fitLengthToValidator(MAX_LENGTH);
}

double ZFreqLineEdit::valueHz(bool* ok) const
{
    return m_validator->value(text(), ok) * 1e6;
}

void ZFreqLineEdit::slotProcessedScanRange()
{
    rebuildValidator(ZData::DataScanManager::sweep());
}

} // namespace Components
} // namespace Ui
