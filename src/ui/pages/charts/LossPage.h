#pragma once

#include "ui/pages/charts/AbstractPage.h"

class QComboBox;
class QDoubleSpinBox;

namespace Ui {
namespace PgCharts_Page {

// Cable loss in dB or in dB per metre of the given cable length.
class LossPage : public AbstractPage
{
    Q_OBJECT

public:
    LossPage(QWidget* parent, const QString& pageName, ZChart::EChartType type);

    QComboBox* typeBox() const { return m_type_box; }
    QDoubleSpinBox* lengthBox() const { return m_length; }

public slots:
    void updateChartConfig() override;
    void readChartConfig() override;
    void retranslate() override;

protected:
    void construct() override;
    void makeConnections() override;

private:
    QLabel* m_typeLabel = nullptr;
    QComboBox* m_type_box = nullptr;
    QLabel* m_lengthLabel = nullptr;
    QDoubleSpinBox* m_length = nullptr;
};

} // namespace PgCharts_Page
} // namespace Ui
