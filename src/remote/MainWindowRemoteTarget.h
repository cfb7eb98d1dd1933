#pragma once

#include <QObject>
#include <QPointer>

#include "remote/IRemoteTarget.h"

class MainWindow;
namespace Ui {
class ChartLayoutModel;
}

namespace ZRemote {

// The window as the remote commands see it: arrangement and chart types go through the window's
// chart layout, which the page, the window and the views follow as they do a click.
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
    Ui::ChartLayoutModel* layout() const;

    QPointer<MainWindow> m_window;
};

} // namespace ZRemote
