#include "remote/MainWindowRemoteTarget.h"

#include <QComboBox>

#include "charts/ZChartView.h"
#include "ui/MainWindow.h"
#include "ui/pages/PgCharts.h"

namespace ZRemote {

MainWindowRemoteTarget::MainWindowRemoteTarget(MainWindow* window) : QObject(window), m_window(window) {}

int MainWindowRemoteTarget::chartArrangement() const
{
    const MW_Pages::PgCharts* page = m_window ? m_window->pgCharts() : nullptr;
    return page && page->arrangementBox() ? page->arrangementBox()->currentIndex() : -1;
}

bool MainWindowRemoteTarget::setChartArrangement(int index)
{
    MW_Pages::PgCharts* page = m_window ? m_window->pgCharts() : nullptr;
    QComboBox* box = page ? page->arrangementBox() : nullptr;
    if (!box || index < 0 || index >= box->count())
        return false;
    // The window applies the arrangement when the page's chooser changes.
    box->setCurrentIndex(index);
    return true;
}

ZChart::ZChartView* MainWindowRemoteTarget::chartView(int index) const
{
    return m_window ? m_window->chartView(index) : nullptr;
}

bool MainWindowRemoteTarget::setChartType(int index, ZChart::EChartType type)
{
    ZChart::ZChartView* view = chartView(index);
    if (!view || !ZChart::isValidChartType(type))
        return false;
    MW_Pages::PgCharts* page = m_window->pgCharts();
    // The selected view changes through the page's type chooser, which also shows the matching
    // configuration page; the others directly, as the page would on selecting them.
    if (page && page->typeBox() && m_window->selectedChartView() == view) {
        page->typeBox()->setCurrentIndex(int(type));
        if (view->chartType() != type)
            view->setChartType(type);
    } else {
        view->setChartType(type);
    }
    return view->chartType() == type;
}

} // namespace ZRemote
