#pragma once

#include <QPointer>
#include <QWidget>

class QCheckBox;

namespace ZChart {
class ZChartView;
}

namespace Ui {
namespace Components {

// One stored trace in the charts page: its name and a check box that shows or hides the trace's
// series in the chart view the entry is bound to.
class ChartTraceListEntry : public QWidget
{
    Q_OBJECT

public:
    explicit ChartTraceListEntry(int index, QWidget* parent = nullptr);

    int index() const { return m_index; }
    void bind(ZChart::ZChartView* view);
    ZChart::ZChartView* boundView() const { return m_view; }
    void setText(const QString& text);
    QString text() const;
    // Reads the series' visibility from the bound view.
    void refreshCheckBox();
    QCheckBox* checkBox() const { return m_check; }

private:
    int m_index;
    QCheckBox* m_check;
    QPointer<ZChart::ZChartView> m_view;
};

} // namespace Components
} // namespace Ui
