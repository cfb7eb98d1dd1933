#include "ui/MainWindow.h"
#include "core/AppVersion.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>

#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "core/utility/UI.h"
#include "core/utility/VersionNumber.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "remote/MainWindowRemoteTarget.h"
#include "remote/RemoteControlServer.h"
#include "ui/ChartArrangement.h"
#include "ui/ChartLayoutModel.h"
#include "ui/DeviceConnector.h"
#include "ui/MainWindowUi.h"
#include "ui/components/NoticeBar.h"
#include "ui/pages/PgAbout.h"
#include "ui/pages/PgCalib.h"
#include "ui/pages/PgCharts.h"
#include "ui/pages/PgFreq.h"
#include "ui/pages/PgMarkers.h"
#include "ui/pages/PgSettings.h"
#include "ui/pages/PgTraces.h"
#include "ui/pages/PgUpdate.h"

using ZCommon::ENavBarMenuPages;
using ZCore::UtilityModules::UI;

namespace {
const ZCore::TaggedLog& log()
{
    static const ZCore::TaggedLog instance(MainWindow::tag());
    return instance;
}
} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), m_ui(std::make_unique<Ui::MainWindowUi>())
{
    m_ui->setupUi(this);
    m_notices = new Ui::Components::NoticeBar(m_ui->centralWidget);
    m_ui->verticalLayout_12->insertWidget(1, m_notices);
    retranslate();
    connect(m_ui->b_toggle_menu, &QPushButton::released, this, &MainWindow::toggleNavBar);

    m_connector = new DeviceConnector(this);
    m_connector->setWindowModality(Qt::WindowModal);
    m_menuGroup = new QButtonGroup(this);

    // Nothing to pause before a device scans.
    m_ui->b_toggle_scan_pause->setEnabled(false);
    UI::setPaletteColor(m_ui->b_toggle_scan_pause, QPalette::Button, Qt::gray);

    ZCore::SettingsManager::registerRestorable(restorable());
    setWindowState(windowState() | Qt::WindowActive);

    insertPageHeaders();
    for (int i = 0; i < Ui::MainWindowUi::MENU_BUTTONS; ++i)
        m_menuGroup->addButton(m_ui->menuButtons[i], i + 1);
    connect(m_menuGroup, QOverload<int>::of(&QButtonGroup::idReleased), this, &MainWindow::handleMenuButton);

    // Before the pages, which bind to it; the window binds first, so that the views have taken a
    // change by the time the pages look at them.
    m_layout = new Ui::ChartLayoutModel(this);
    bindChartLayout();
    // Before the pages: the settings page applies the profile's remote-control choice on restore.
    m_remote = new ZRemote::RemoteControlServer(new ZRemote::MainWindowRemoteTarget(this), this);

    createPages();
    setupChartViews();
    makeConnections();

    // Last: restoring reaches the pages and the views, which must all be connected by now.
    restoreSettings();
    m_remote->applyConfiguration();
}

MainWindow::~MainWindow()
{
    ZCore::SettingsManager::unregisterRestorable(restorable());
}

int MainWindow::refreshIntervalFor(int shownViews)
{
    return REFRESH_BUDGET_MS * qBound(1, shownViews, CHART_VIEWS);
}

QString MainWindow::versionedTitle()
{
    return qtTrId("lp_window_title_ver").arg(qtTrId("lp_window_title"), ZCore::AppVersion::text());
}

void MainWindow::insertPageHeaders()
{
    for (int i = 1; i < Ui::MainWindowUi::PAGES; ++i) {
        auto* header = new QHBoxLayout();
        header->setObjectName(ZCommon::pageObjectName(i) + QStringLiteral("_header"));
        auto* label = new QLabel(ZCommon::pageTitle(i), m_ui->pages[i]);
        label->setObjectName(ZCommon::pageObjectName(i) + QStringLiteral("_title"));
        label->setAlignment(Qt::AlignCenter);
        label->setStyleSheet(QStringLiteral("font-size: 16pt"));
        auto* back = new QPushButton(m_ui->pages[i]);
        back->setObjectName(ZCommon::pageObjectName(i) + QStringLiteral("_back"));
        back->setIcon(QIcon(QStringLiteral(":/ui/arrow_left")));
        back->setIconSize(QSize(32, 32));
        back->setFixedSize(QSize(40, 40));
        header->addWidget(label, 1);
        header->addWidget(back);
        connect(back, &QPushButton::released, this, &MainWindow::handlePageBack);

        QGridLayout* grid = m_ui->pageLayouts[i];
        QLayoutItem* contents = grid->takeAt(0);
        grid->addLayout(header, 0, 0);
        if (contents)
            grid->addItem(contents, 1, 0);
        m_headers.append(header);
        m_headerLabels.append(label);
        m_backButtons.append(back);
    }
}

void MainWindow::createPages()
{
    m_pages.fill(nullptr, Ui::MainWindowUi::PAGES);
    auto create = [this](ENavBarMenuPages index, MW_Pages::MWAbstractPage* page, const QString& pageTag) {
        m_pages[int(index)] = page;
        page->init(this, pageTag);
    };
    using namespace MW_Pages;
    create(ENavBarMenuPages::FREQ, new PgFreq(this), PgFreq::staticTag());
    create(ENavBarMenuPages::MARKERS, new PgMarkers(this), PgMarkers::staticTag());
    create(ENavBarMenuPages::CALIBRATION, new PgCalib(this), PgCalib::staticTag());
    create(ENavBarMenuPages::CHARTS, new PgCharts(this), PgCharts::staticTag());
    create(ENavBarMenuPages::SETTINGS, new PgSettings(this), PgSettings::staticTag());
    create(ENavBarMenuPages::TRACES, new PgTraces(this), PgTraces::staticTag());
    create(ENavBarMenuPages::UPDATE, new PgUpdate(this), PgUpdate::staticTag());
    create(ENavBarMenuPages::ABOUT, new PgAbout(this), PgAbout::staticTag());
}

void MainWindow::setupChartViews()
{
    m_views = {m_ui->chart_view_UL, m_ui->chart_view_UR, m_ui->chart_view_BL, m_ui->chart_view_BR};
    for (int i = 0; i < m_views.size(); ++i) {
        m_views[i]->setCorner(ZChart::EChartArrangeCorners(i));
        connect(m_views[i], &ZChart::ZChartView::signalWasSelected, this,
                &MainWindow::handleSelectedChartView);
        // A view reading its profile group, or changed by its owner, reports its type to the layout.
        connect(m_views[i], &ZChart::ZChartView::signalChangedChartType, this,
                [this, i] { m_layout->setChartType(i, m_views.at(i)->chartType()); });
    }
}

void MainWindow::bindChartLayout()
{
    connect(m_layout, &Ui::ChartLayoutModel::signalArrangementChanged, this,
            &MainWindow::slotChartArrangementChanged);
    connect(m_layout, &Ui::ChartLayoutModel::signalSelectedViewChanged, this, &MainWindow::announceSelection);
    connect(m_layout, &Ui::ChartLayoutModel::signalChartTypeChanged, this,
            [this](int index, ZChart::EChartType type) {
                ZChart::ZChartView* view = chartView(index);
                if (view && view->chartType() != type)
                    view->setChartType(type);
            });
}

void MainWindow::makeConnections()
{
    using ZData::ConnectionManager;
    using ZData::DataScanManager;
    using ZData::DeviceManager;
    using ZData::DM::SerialPort;
    QPushButton* connectButton = m_ui->b_connect_device;

    connect(connectButton, &QPushButton::released, m_connector, &QDialog::open);
    connect(&SerialPort::instance(), &SerialPort::signalOpening, this,
            [this] { setConnectState(QStringLiteral(":/ui/refresh"), Qt::yellow); });
    connect(&SerialPort::instance(), &SerialPort::signalOpened, this,
            [this] { setConnectState(QStringLiteral(":/ui/connected"), QColor()); });
    // Any close, not only a lost device, leaves the link disconnected; a reconnect series that
    // follows a lost device shows itself right after.
    connect(&SerialPort::instance(), &SerialPort::signalClosed, this, [this] {
        setConnectState(QStringLiteral(":/ui/disconnected"), QApplication::palette().color(QPalette::Button));
    });
    connect(&DeviceManager::instance(), &DeviceManager::signalStartupFinished, this,
            [connectButton] { UI::setPaletteColor(connectButton, QPalette::Button, Qt::green); });
    connect(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting, this,
            [this] { setConnectState(QStringLiteral(":/ui/refresh"), Qt::yellow); });
    connect(&ConnectionManager::instance(), &ConnectionManager::signalFailedToReconnect, this, [this] {
        setConnectState(QStringLiteral(":/ui/disconnected"), Qt::red);
        m_ui->b_toggle_scan_pause->setEnabled(false);
        UI::setPaletteColor(m_ui->b_toggle_scan_pause, QPalette::Button, Qt::gray);
    });
    connect(&ZCore::SettingsManager::instance(), &ZCore::SettingsManager::signalGotSettings, this,
            &MainWindow::slotGotSettings);
    // Queued: the warning is shown outside the reply handler that reported the old firmware.
    connect(&DeviceManager::instance(), &DeviceManager::signalGotOldDevice, this,
            &MainWindow::slotGotOldDevice, Qt::QueuedConnection);
    connect(m_ui->b_toggle_scan_pause, &QPushButton::released, this, &MainWindow::handleUserPauseScanToggle);
    connect(&DataScanManager::instance(), &DataScanManager::signalScanPause, this,
            &MainWindow::slotScanPause);
    connect(&DataScanManager::instance(), &DataScanManager::signalUserScanPause, this,
            &MainWindow::slotUserScanPause);
}

void MainWindow::setConnectState(const QString& icon, const QColor& color)
{
    m_ui->b_connect_device->setIcon(QIcon(icon));
    if (color.isValid())
        UI::setPaletteColor(m_ui->b_connect_device, QPalette::Button, color);
}

int MainWindow::selectedChartViewIndex() const
{
    return m_layout->selectedView();
}

ZChart::ZChartView* MainWindow::selectedChartView() const
{
    return chartView(m_layout->selectedView());
}

ZChart::ZMarksTable* MainWindow::selectedMarksTable() const
{
    ZChart::ZChartView* view = selectedChartView();
    return view ? view->marksTable() : nullptr;
}

ZChart::ZChartView* MainWindow::chartView(int index) const
{
    return index >= 0 && index < m_views.size() ? m_views.at(index) : nullptr;
}

int MainWindow::currentPage() const
{
    return m_ui->nav_bar_menu->currentIndex();
}

QLabel* MainWindow::pageHeaderLabel(int page) const
{
    return page >= 1 && page <= m_headerLabels.size() ? m_headerLabels.at(page - 1) : nullptr;
}

QPushButton* MainWindow::pageBackButton(int page) const
{
    return page >= 1 && page <= m_backButtons.size() ? m_backButtons.at(page - 1) : nullptr;
}

MW_Pages::MWAbstractPage* MainWindow::page(ENavBarMenuPages index) const
{
    const int i = int(index);
    return i >= 0 && i < m_pages.size() ? m_pages.at(i) : nullptr;
}

MW_Pages::PgFreq* MainWindow::pgFreq() const
{
    return static_cast<MW_Pages::PgFreq*>(page(ENavBarMenuPages::FREQ));
}

MW_Pages::PgCharts* MainWindow::pgCharts() const
{
    return static_cast<MW_Pages::PgCharts*>(page(ENavBarMenuPages::CHARTS));
}

void MainWindow::setWarningPresenter(WarningPresenter presenter)
{
    m_presenter = std::move(presenter);
}

QMessageBox* MainWindow::oldDeviceBox() const
{
    return m_oldDeviceBox;
}

void MainWindow::slotGotOldDevice()
{
    if (QAbstractButton* device = m_menuGroup->button(int(ENavBarMenuPages::UPDATE)))
        device->click();
    const QString title = qtTrId("lp_err_got_old_device_title");
    const QString text = qtTrId("lp_err_got_old_device_text");
    if (m_presenter) {
        m_presenter(title, text);
        emit signalUpdateIsRequired();
        return;
    }
    // One warning at a time; a second report while it is shown changes nothing.
    if (m_oldDeviceBox)
        return;
    // Opened, not executed: the scan, the link and the remote clients go on while it is shown, and
    // the update check starts once it is dismissed.
    m_oldDeviceBox = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    m_oldDeviceBox->setObjectName(QStringLiteral("box_old_device"));
    m_oldDeviceBox->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_oldDeviceBox, &QMessageBox::finished, this, &MainWindow::signalUpdateIsRequired);
    m_oldDeviceBox->open();
}

void MainWindow::slotChartArrangementChanged(int config_index)
{
    const QVector<Ui::ChartArrangement>& table = Ui::ChartArrangement::table();
    if (config_index < 0 || config_index >= table.size())
        return;
    const Ui::ChartArrangement& arrangement = table.at(config_index);
    int shown = 0;
    for (int i = 0; i < m_views.size(); ++i) {
        ZChart::ZChartView* view = m_views.at(i);
        const Ui::TChartPlacement& cell = arrangement.placement.at(size_t(i));
        m_ui->chart_cluster->removeWidget(view);
        if (cell.isShown()) {
            m_ui->chart_cluster->addWidget(view, cell.row, cell.column, cell.row_span, cell.column_span);
            view->setActive(true);
            view->show();
            ++shown;
        } else {
            view->setActive(false);
            view->hide();
        }
    }
    ZChart::ZChartView::setRefreshInterval(refreshIntervalFor(shown));
}

void MainWindow::slotGotSettings()
{
    restoreSettings();
}

void MainWindow::handleSelectedChartView()
{
    auto* view = qobject_cast<ZChart::ZChartView*>(sender());
    if (view)
        m_layout->selectView(m_views.indexOf(view));
}

void MainWindow::selectChartView(int index, bool announceAlways)
{
    const bool same = index == m_layout->selectedView();
    if (m_layout->selectView(index) && same && announceAlways)
        announceSelection();
}

void MainWindow::announceSelection()
{
    ZChart::ZChartView* selected = selectedChartView();
    if (!selected)
        return;
    emit signalSelectedNewChartView();
    for (ZChart::ZChartView* each : qAsConst(m_views))
        each->setStyleSheet(QStringLiteral("border: none"));
    selected->setStyleSheet(QStringLiteral("border: 2px solid red;"));
}

void MainWindow::handlePageBack()
{
    m_ui->nav_bar_menu->setCurrentIndex(int(ENavBarMenuPages::MAIN));
}

void MainWindow::handleMenuButton(int index)
{
    if (index >= 1 && index < Ui::MainWindowUi::PAGES)
        m_ui->nav_bar_menu->setCurrentIndex(index);
}

void MainWindow::toggleNavBar()
{
    m_menuVisible = !m_menuVisible;
    m_ui->nav_bar_menu->setVisible(m_menuVisible);
}

void MainWindow::handleUserPauseScanToggle()
{
    ZData::DataScanManager::setUserScanPause(!ZData::DataScanManager::isPaused());
}

void MainWindow::slotScanPause(bool is_paused)
{
    m_ui->b_toggle_scan_pause->setEnabled(!is_paused);
    UI::setPaletteColor(m_ui->b_toggle_scan_pause, QPalette::Button, is_paused ? Qt::gray : Qt::green);
    slotUserScanPause(is_paused);
}

void MainWindow::slotUserScanPause(bool is_user_paused)
{
    m_ui->b_toggle_scan_pause->setIcon(
        QIcon(is_user_paused ? QStringLiteral("://ui/resume_scan") : QStringLiteral("://ui/pause_scan")));
}

void MainWindow::retranslate()
{
    m_ui->retranslateUi(this);
    setWindowTitle(versionedTitle());
    for (int i = 0; i < m_headerLabels.size(); ++i)
        m_headerLabels[i]->setText(ZCommon::pageTitle(i + 1));
    for (MW_Pages::MWAbstractPage* each : qAsConst(m_pages))
        if (each)
            each->retranslateUi();
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QMainWindow::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    log().info(QStringLiteral(">> closing application.."));
    ZCore::SettingsManager::saveAll();
    QApplication::closeAllWindows();
    event->accept();
}

void MainWindow::saveSettings()
{
    log().info(QStringLiteral(">> MainWindow::saveSettings.."));
    if (QSettings* settings = ZCore::SettingsManager::settings()) {
        settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::WINDOW_MAIN));
        settings->setValue(QStringLiteral("geometry"), saveGeometry());
        settings->setValue(QStringLiteral("menu_page"), m_ui->nav_bar_menu->currentIndex());
        settings->setValue(QStringLiteral("menu_visible"), m_menuVisible);
        settings->endGroup();
    } else {
        log().critical("lp_err_cant_write_settings");
    }
    emit signalSettingsSaved();
}

void MainWindow::restoreSettings()
{
    log().info(QStringLiteral(">> MainWindow::restoreSettings.."));
    bool restoredGeometry = false;
    if (QSettings* settings = ZCore::SettingsManager::settings()) {
        settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::WINDOW_MAIN));
        const QByteArray geometry = settings->value(QStringLiteral("geometry")).toByteArray();
        restoredGeometry = !geometry.isEmpty() && restoreGeometry(geometry);
        const int page = settings->value(QStringLiteral("menu_page"), 0).toInt();
        m_ui->nav_bar_menu->setCurrentIndex(page >= 0 && page < Ui::MainWindowUi::PAGES ? page : 0);
        m_menuVisible = settings->value(QStringLiteral("menu_visible"), true).toBool();
        m_ui->nav_bar_menu->setVisible(m_menuVisible);
        settings->endGroup();
    } else {
        log().warn(QStringLiteral(">> no settings loaded"));
    }
    emit signalSettingsRestored();
    fitToScreen(restoredGeometry);
}

void MainWindow::fitToScreen(bool keepRestored)
{
    QScreen* target = keepRestored ? QGuiApplication::screenAt(geometry().center()) : nullptr;
    if (!target)
        target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!target)
        return;
    const QRect available = target->availableGeometry();
    // A screen smaller than the usual minimum still shows the whole window.
    setMinimumSize(minimumSize().boundedTo(available.size()));
    if (isMaximized() || isFullScreen())
        return;
    setGeometry(keepRestored ? UI::fittedGeometry(geometry(), available)
                             : UI::initialGeometry(available, minimumSize()));
}
