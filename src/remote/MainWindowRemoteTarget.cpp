#include "remote/MainWindowRemoteTarget.h"

#include "charts/ZChartView.h"
#include "ui/ChartLayoutModel.h"
#include "ui/MainWindow.h"

namespace ZRemote {

MainWindowRemoteTarget::MainWindowRemoteTarget(MainWindow* window) : QObject(window), m_window(window) {}

Ui::ChartLayoutModel* MainWindowRemoteTarget::layout() const
{
    return m_window ? m_window->chartLayout() : nullptr;
}

int MainWindowRemoteTarget::chartArrangement() const
{
    return layout() ? layout()->arrangement() : -1;
}

bool MainWindowRemoteTarget::setChartArrangement(int index)
{
    return layout() && layout()->setArrangement(index);
}

ZChart::ZChartView* MainWindowRemoteTarget::chartView(int index) const
{
    return m_window ? m_window->chartView(index) : nullptr;
}

bool MainWindowRemoteTarget::setChartType(int index, ZChart::EChartType type)
{
    ZChart::ZChartView* view = chartView(index);
    return view && layout()->setChartType(index, type) && view->chartType() == type;
}

} // namespace ZRemote
