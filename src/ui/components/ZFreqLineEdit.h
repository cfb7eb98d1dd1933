#pragma once

#include "ui/components/ClampedLineEdit.h"

namespace ZData {
namespace DS {
class RangeSliced;
}
} // namespace ZData

namespace Ui {
namespace Components {

class ZDoubleValidator;

// A frequency field in MHz. Its bounds follow the sweep: start, stop and center lie within the
// device's limits, the span within 0 and the largest span. The device's limits can change
// without a sweep update (a new analyser reports its range), so the field also follows the data
// scan manager's scan-range report.
class ZFreqLineEdit : public ClampedLineEdit
{
    Q_OBJECT

public:
    enum class EKind
    {
        FREQUENCY,
        SPAN,
    };

    static constexpr int MAX_LENGTH = 7;
    static constexpr int DECIMALS = 2;

    explicit ZFreqLineEdit(QWidget* parent = nullptr);

    QString tag() const override { return QStringLiteral("Ui::Components::ZFreqLineEdit"); }

    void setKind(EKind kind);
    EKind kind() const { return m_kind; }
    // Bounds in MHz taken from the sweep's limits.
    void rebuildValidator(const ZData::DS::RangeSliced& sweep);
    const ZDoubleValidator* doubleValidator() const { return m_validator; }
    // The text read as MHz and returned in Hz; ok false when it is not a number.
    double valueHz(bool* ok) const;

public slots:
    void slotProcessedScanRange();

private:
    EKind m_kind = EKind::FREQUENCY;
    ZDoubleValidator* m_validator;
};

} // namespace Components
} // namespace Ui
