#pragma once

#include "ui/pages/charts/AbstractPage.h"

class QCheckBox;
class QDoubleSpinBox;

namespace Ui {
namespace PgCharts_Page {

// The SWR limit drawn as a line on the SWR chart or a circle on the Smith and polar charts.
class SWRBasePage : public AbstractPage
{
    Q_OBJECT

public:
    SWRBasePage(QWidget* parent, const QString& pageName, ZChart::EChartType type);

    QDoubleSpinBox* valueBox() const { return m_value; }
    QCheckBox* enabledBox() const { return m_enabled; }

public slots:
    void updateChartConfig() override;
    void readChartConfig() override;
    void retranslate() override;

protected:
    void construct() override;
    void makeConnections() override;

private:
    QLabel* m_title = nullptr;
    QLabel* m_valueLabel = nullptr;
    QDoubleSpinBox* m_value = nullptr;
    QCheckBox* m_enabled = nullptr;
};

} // namespace PgCharts_Page
} // namespace Ui
