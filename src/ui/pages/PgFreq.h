#pragma once

#include "calibration/CalibrationData.h"
#include "core/ISConfigurable.h"
#include "devicelink/DeviceTypes.h"
#include "ui/pages/MWAbstractPage.h"

class QComboBox;
class QGridLayout;
class QLabel;

namespace Ui {
namespace Components {
class ZFreqLineEdit;
}
} // namespace Ui

namespace MW_Pages {

// Edits the program's one sweep (start, stop, center, span in MHz and the point count) and the
// measurement bandwidth.
class PgFreq : public MWAbstractPage, public ZCore::ISConfigurable
{
    Q_OBJECT

public:
    // The point counts offered: steps of 100 up to what a calibration holds, so that every choice
    // can be calibrated.
    static constexpr quint32 POINTS_STEP = 100;
    static constexpr quint32 MIN_POINTS = POINTS_STEP;
    static constexpr quint32 MAX_POINTS = quint32(ZData::CAL::CalibrationData::MAX_POINTS);

    explicit PgFreq(QObject* parent = nullptr);

    static QString staticTag() { return QStringLiteral("MW_Pages::PgFreq"); }
    // A stored point count as one of the counts the page offers.
    static quint32 offeredPoints(qint64 points);
    // A stored bandwidth index limited to the device's list (to the calibration limit while no
    // list is known).
    static quint8 boundedBandwidthIndex(qint64 index, int listSize);

    Ui::Components::ZFreqLineEdit* startEdit() const { return m_start; }
    Ui::Components::ZFreqLineEdit* stopEdit() const { return m_stop; }
    Ui::Components::ZFreqLineEdit* centerEdit() const { return m_center; }
    Ui::Components::ZFreqLineEdit* spanEdit() const { return m_span; }
    QComboBox* pointsBox() const { return m_points; }
    QComboBox* bandBox() const { return m_band; }

    void retranslateUi() override;
    void saveSettings() override;
    void restoreSettings() override;

    // Writes the sweep into the fields.
    void refresh();

public slots:
    void slotGotDeviceParams(ZData::EDeviceOptions option);
    void slotRangeUpdated();

protected:
    void initUi() override;
    void initUiActions() override;

private:
    void rebuildValidators();
    void rebuildBandList();

    QGridLayout* m_grid = nullptr;
    QLabel* m_labels[6] = {};
    Ui::Components::ZFreqLineEdit* m_start = nullptr;
    Ui::Components::ZFreqLineEdit* m_stop = nullptr;
    Ui::Components::ZFreqLineEdit* m_center = nullptr;
    Ui::Components::ZFreqLineEdit* m_span = nullptr;
    QComboBox* m_points = nullptr;
    QComboBox* m_band = nullptr;
    // Set while the page writes its own fields, so that the write is not taken for an edit.
    bool m_refreshing = false;
};

} // namespace MW_Pages
