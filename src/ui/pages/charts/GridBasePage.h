#pragma once

#include "ui/pages/charts/AbstractPage.h"

class QComboBox;

namespace Ui {
namespace PgCharts_Page {

// Grid step of the log and linear magnitude charts.
class GridBasePage : public AbstractPage
{
    Q_OBJECT

public:
    GridBasePage(QWidget* parent, const QString& pageName, ZChart::EChartType type);

    // The steps offered for a chart type; empty for a type without a grid.
    static QVector<quint32> steps(ZChart::EChartType type);
    QComboBox* stepBox() const { return m_step; }

public slots:
    void updateChartConfig() override;
    void readChartConfig() override;
    void retranslate() override;

protected:
    void construct() override;
    void makeConnections() override;

private:
    QLabel* m_title = nullptr;
    QLabel* m_value = nullptr;
    QComboBox* m_step = nullptr;
    QLabel* m_unit = nullptr;
};

} // namespace PgCharts_Page
} // namespace Ui
