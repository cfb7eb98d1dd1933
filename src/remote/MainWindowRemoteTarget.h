#pragma once

#include <QObject>
#include <QPointer>

#include "remote/IRemoteTarget.h"

class MainWindow;

namespace ZRemote {

// The window as the remote commands see it: arrangement and chart types go through the charts
// page's own choosers, so the page, the window and the views stay as a click would leave them.
class MainWindowRemoteTarget : public QObject, public IRemoteTarget
{
    Q_OBJECT

public:
    explicit MainWindowRemoteTarget(MainWindow* window);

    int chartArrangement() const override;
    bool setChartArrangement(int index) override;
    ZChart::ZChartView* chartView(int index) const override;
    bool setChartType(int index, ZChart::EChartType type) override;

private:
    QPointer<MainWindow> m_window;
};

} // namespace ZRemote
