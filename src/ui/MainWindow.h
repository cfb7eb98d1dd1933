#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QVector>

#include <functional>
#include <memory>

#include "charts/ZChartView.h"
#include "charts/ZMarksTable.h"
#include "core/ISConfigurable.h"
#include "core/ISTaggable.h"
#include "ui/ENavBarMenuPages.h"

class QButtonGroup;
class QHBoxLayout;
class QLabel;
class QMessageBox;
class QPushButton;
class DeviceConnector;

namespace Ui {
class ChartLayoutModel;
class MainWindowUi;
namespace Components {
class NoticeBar;
}
} // namespace Ui
namespace ZRemote {
class RemoteControlServer;
}
namespace MW_Pages {
class MWAbstractPage;
class PgFreq;
class PgCharts;
} // namespace MW_Pages

// The program's one window: title bar with the scan-pause, connect and menu buttons, the cluster
// of four chart views and the side panel of menu pages. It routes navigation, keeps the selected
// view, applies arrangements and shows the link and scan state; the pages and views do the rest.
class MainWindow : public QMainWindow, public ZCore::ISTaggable, public ZCore::ISConfigurable
{
    Q_OBJECT

public:
    // Shows a warning (title, text); the update check starts when it returns. Tests replace it; the
    // window's own is a box opened without an event loop of its own.
    using WarningPresenter = std::function<void(const QString&, const QString&)>;

    static constexpr int CHART_VIEWS = 4;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    static QString tag() { return QStringLiteral("MainWindow"); }
    // Shortest time between two live refreshes of one view when that many views are shown: the
    // views share one drawing budget, so the scan keeps the event loop for itself most of the time.
    static int refreshIntervalFor(int shownViews);
    static constexpr int REFRESH_BUDGET_MS = 50;
    // "%1 ver. %2" with the bare title and the program version.
    static QString versionedTitle();

    Ui::MainWindowUi* getUi() const { return m_ui.get(); }
    // Arrangement, selected view and chart types; the views, the pages and the remote commands
    // follow it.
    Ui::ChartLayoutModel* chartLayout() const { return m_layout; }
    ZChart::ZChartView* selectedChartView() const;
    ZChart::ZMarksTable* selectedMarksTable() const;
    // Index 0..3 (UL, UR, BL, BR) of the selected view; -1 with none.
    int selectedChartViewIndex() const;
    const QList<ZChart::ZChartView*>& chartViews() const { return m_views; }
    ZChart::ZChartView* chartView(int index) const;
    DeviceConnector* deviceConnector() const { return m_connector; }
    bool isMenuVisible() const { return m_menuVisible; }
    int currentPage() const;
    // The header row of a page 1..8: its title label and back button (null for other pages).
    QLabel* pageHeaderLabel(int page) const;
    QPushButton* pageBackButton(int page) const;
    QButtonGroup* menuButtonGroup() const { return m_menuGroup; }

    // The menu pages, created with the window.
    MW_Pages::MWAbstractPage* page(ZCommon::ENavBarMenuPages page) const;
    MW_Pages::PgFreq* pgFreq() const;
    MW_Pages::PgCharts* pgCharts() const;
    // The remote-control server, listening only when the profile or the environment asks for it.
    ZRemote::RemoteControlServer* remoteControl() const { return m_remote; }

    void setWarningPresenter(WarningPresenter presenter);
    // Critical messages of the whole program, one at a time, under the title bar.
    Ui::Components::NoticeBar* noticeBar() const { return m_notices; }
    // The old-firmware warning while it is shown.
    QMessageBox* oldDeviceBox() const;
    // Selects the view with that index as a click on it does. With announceAlways the pages hear
    // of the selection even when it does not change (a loaded profile has changed the view).
    void selectChartView(int index, bool announceAlways);

    void saveSettings() override;
    void restoreSettings() override;

signals:
    void signalUpdateIsRequired();
    void signalSelectedNewChartView();
    void signalSettingsSaved();
    void signalSettingsRestored();

public slots:
    void slotGotOldDevice();
    void slotChartArrangementChanged(int config_index);
    void slotGotSettings();
    void handleSelectedChartView();
    void handlePageBack();
    void handleMenuButton(int index);
    void toggleNavBar();
    void handleUserPauseScanToggle();
    void slotScanPause(bool is_paused);
    void slotUserScanPause(bool is_user_paused);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The remembered geometry made to fit its screen, or the first start's share of the screen.
    void fitToScreen(bool keepRestored);
    void insertPageHeaders();
    void createPages();
    void setupChartViews();
    void bindChartLayout();
    void makeConnections();
    void retranslate();
    void setConnectState(const QString& icon, const QColor& color);
    void announceSelection();

    std::unique_ptr<Ui::MainWindowUi> m_ui;
    DeviceConnector* m_connector = nullptr;
    QVector<QHBoxLayout*> m_headers;
    QVector<QLabel*> m_headerLabels;
    QVector<QPushButton*> m_backButtons;
    QButtonGroup* m_menuGroup = nullptr;
    QList<ZChart::ZChartView*> m_views;
    Ui::ChartLayoutModel* m_layout = nullptr;
    bool m_menuVisible = true;
    QVector<MW_Pages::MWAbstractPage*> m_pages;
    WarningPresenter m_presenter;
    Ui::Components::NoticeBar* m_notices = nullptr;
    QPointer<QMessageBox> m_oldDeviceBox;
    ZRemote::RemoteControlServer* m_remote = nullptr;
};
