#pragma once

#include <functional>

#include "charts/TDTFConfig.h"
#include "ui/pages/charts/AbstractPage.h"

class QComboBox;

namespace Ui {
namespace Components {
class ClampedLineEdit;
class ZDoubleValidator;
} // namespace Components

namespace PgCharts_Page {

// The distance-to-fault window (start, stop, center, span in ns or m), its domain and the
// cable's velocity factor.
class DTFPage : public AbstractPage
{
    Q_OBJECT

public:
    static constexpr int WINDOW_FIELD_LENGTH = 6;
    static constexpr int VF_FIELD_LENGTH = 4;

    DTFPage(QWidget* parent, const QString& pageName, ZChart::EChartType type);

    Components::ClampedLineEdit* startEdit() const { return m_edits[0]; }
    Components::ClampedLineEdit* stopEdit() const { return m_edits[1]; }
    Components::ClampedLineEdit* centerEdit() const { return m_edits[2]; }
    Components::ClampedLineEdit* spanEdit() const { return m_edits[3]; }
    Components::ClampedLineEdit* vfEdit() const { return m_vf; }
    QComboBox* domainBox() const { return m_domain; }

public slots:
    void readChartConfig() override;
    void refreshPage() override;
    void retranslate() override;
    void slotDomainChanged(int domain_val);
    void slotStartChanged(double new_val);
    void slotStopChanged(double new_val);
    void slotCenterChanged(double new_val);
    void slotSpanChanged(double new_val);
    void slotVFChanged(double new_val);

protected:
    void construct() override;
    void makeConnections() override;

private:
    // Copies the record, applies the change to the copy and writes it back with notification.
    void edit(const std::function<void(ZChart::TDTFConfig&)>& change);

    QLabel* m_title = nullptr;
    QLabel* m_labels[4] = {};
    QLabel* m_units[4] = {};
    Components::ClampedLineEdit* m_edits[4] = {};
    Components::ZDoubleValidator* m_validators[4] = {};
    QLabel* m_domainLabel = nullptr;
    QComboBox* m_domain = nullptr;
    QLabel* m_vfLabel = nullptr;
    Components::ClampedLineEdit* m_vf = nullptr;
};

} // namespace PgCharts_Page
} // namespace Ui
