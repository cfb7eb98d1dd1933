#pragma once

#include <array>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QMainWindow;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;
class QWidget;

namespace ZChart {
class ZChartView;
}

namespace Ui {

// The main window's widget tree: title bar, chart cluster and the side panel with one page per
// menu entry. Each page is a grid holding one scroll area; the page classes fill the scroll
// area's widget. The object names are what the style sheet and the tests address.
class MainWindowUi
{
public:
    static constexpr int PAGES = 9;
    static constexpr int MENU_BUTTONS = 8;
    static constexpr int SIDE_PANEL_WIDTH = 410;

    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);

    QWidget* centralWidget = nullptr;
    QVBoxLayout* verticalLayout_12 = nullptr;
    QWidget* title_bar = nullptr;
    QHBoxLayout* menu_bar = nullptr;
    QLabel* label_3 = nullptr;
    QPushButton* b_toggle_scan_pause = nullptr;
    QPushButton* b_connect_device = nullptr;
    QPushButton* b_toggle_menu = nullptr;

    QWidget* widget = nullptr;
    QGridLayout* gridLayout_14 = nullptr;
    QGridLayout* chart_cluster = nullptr;
    ZChart::ZChartView* chart_view_UL = nullptr;
    ZChart::ZChartView* chart_view_UR = nullptr;
    ZChart::ZChartView* chart_view_BL = nullptr;
    ZChart::ZChartView* chart_view_BR = nullptr;

    QStackedWidget* nav_bar_menu = nullptr;
    // Per page (ENavBarMenuPages order): the page, its grid, its scroll area and the scroll
    // area's widget ("p_menu_charts_scroll_widget", ...).
    std::array<QWidget*, PAGES> pages{};
    std::array<QGridLayout*, PAGES> pageLayouts{};
    std::array<QScrollArea*, PAGES> scrollAreas{};
    std::array<QWidget*, PAGES> scrollWidgets{};

    QVBoxLayout* mainMenuLayout = nullptr;
    // b_menu_main_freq .. b_menu_main_about, page order 1..8.
    std::array<QPushButton*, MENU_BUTTONS> menuButtons{};
};

} // namespace Ui
