#include "ui/MainWindowUi.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "charts/ZChartView.h"
#include "ui/ENavBarMenuPages.h"

namespace Ui {

namespace {
QPushButton* titleButton(const QString& name, const QString& icon, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(32, 32));
    return button;
}

ZChart::ZChartView* chartView(const QString& name, QWidget* parent)
{
    auto* view = new ZChart::ZChartView(parent);
    view->setObjectName(name);
    view->setLineWidth(1);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return view;
}

const char* const MENU_BUTTON_NAMES[MainWindowUi::MENU_BUTTONS] = {
    "b_menu_main_freq",        "b_menu_main_charts", "b_menu_main_traces",   "b_menu_main_markers",
    "b_menu_main_calibration", "b_menu_main_update", "b_menu_main_settings", "b_menu_main_about",
};
} // namespace

void MainWindowUi::setupUi(QMainWindow* window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(1000, 550);
    window->setMinimumSize(1000, 550);
    QFont font = window->font();
    font.setPointSize(14);
    window->setFont(font);
    window->setLocale(QLocale(QLocale::Russian, QLocale::Russia));

    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    verticalLayout_12 = new QVBoxLayout(centralWidget);
    verticalLayout_12->setObjectName(QStringLiteral("verticalLayout_12"));
    verticalLayout_12->setSpacing(2);
    verticalLayout_12->setContentsMargins(5, 5, 5, 5);

    title_bar = new QWidget(centralWidget);
    title_bar->setObjectName(QStringLiteral("title_bar"));
    menu_bar = new QHBoxLayout(title_bar);
    menu_bar->setObjectName(QStringLiteral("menu_bar"));
    menu_bar->setSpacing(15);
    menu_bar->setContentsMargins(0, 0, 0, 0);
    label_3 = new QLabel(title_bar);
    label_3->setObjectName(QStringLiteral("label_3"));
    QFont titleFont = label_3->font();
    titleFont.setPointSize(16);
    label_3->setFont(titleFont);
    menu_bar->addWidget(label_3);
    menu_bar->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    b_toggle_scan_pause =
        titleButton(QStringLiteral("b_toggle_scan_pause"), QStringLiteral(":/ui/pause_scan"), title_bar);
    b_connect_device =
        titleButton(QStringLiteral("b_connect_device"), QStringLiteral(":/ui/disconnected"), title_bar);
    b_toggle_menu =
        titleButton(QStringLiteral("b_toggle_menu"), QStringLiteral(":/ui/menu_drawer"), title_bar);
    menu_bar->addWidget(b_toggle_scan_pause);
    menu_bar->addWidget(b_connect_device);
    menu_bar->addWidget(b_toggle_menu);
    verticalLayout_12->addWidget(title_bar);

    widget = new QWidget(centralWidget);
    widget->setObjectName(QStringLiteral("widget"));
    gridLayout_14 = new QGridLayout(widget);
    gridLayout_14->setObjectName(QStringLiteral("gridLayout_14"));
    gridLayout_14->setSpacing(6);
    gridLayout_14->setContentsMargins(0, 0, 0, 0);
    chart_cluster = new QGridLayout();
    chart_cluster->setObjectName(QStringLiteral("chart_cluster"));
    chart_cluster->setSpacing(5);
    chart_view_UL = chartView(QStringLiteral("chart_view_UL"), widget);
    chart_view_UR = chartView(QStringLiteral("chart_view_UR"), widget);
    chart_view_BL = chartView(QStringLiteral("chart_view_BL"), widget);
    chart_view_BR = chartView(QStringLiteral("chart_view_BR"), widget);
    chart_cluster->addWidget(chart_view_UL, 0, 0);
    chart_cluster->addWidget(chart_view_UR, 0, 1);
    chart_cluster->addWidget(chart_view_BL, 1, 0);
    chart_cluster->addWidget(chart_view_BR, 1, 1);
    gridLayout_14->addLayout(chart_cluster, 0, 0);

    nav_bar_menu = new QStackedWidget(widget);
    nav_bar_menu->setObjectName(QStringLiteral("nav_bar_menu"));
    nav_bar_menu->setFixedWidth(SIDE_PANEL_WIDTH);
    nav_bar_menu->setAutoFillBackground(true);
    QPalette panel = nav_bar_menu->palette();
    panel.setColor(QPalette::Window, QColor(235, 235, 235));
    nav_bar_menu->setPalette(panel);
    nav_bar_menu->setStyleSheet(QStringLiteral("QStackedWidget > QWidget > QScrollArea {\n\tborder: 1px "
                                               "solid #323232;\n\tpadding: 1px;\n\tborder-radius: 5px;\n}"));
    for (int i = 0; i < PAGES; ++i) {
        const QString name = ZCommon::pageObjectName(i);
        QWidget* page = new QWidget();
        page->setObjectName(name);
        auto* grid = new QGridLayout(page);
        grid->setObjectName(name + QStringLiteral("_layout"));
        grid->setContentsMargins(0, 0, 0, 0);
        auto* scroll = new QScrollArea(page);
        scroll->setObjectName(name + QStringLiteral("_scroll"));
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* inner = new QWidget();
        inner->setObjectName(name + QStringLiteral("_scroll_widget"));
        scroll->setWidget(inner);
        grid->addWidget(scroll, 0, 0);
        nav_bar_menu->addWidget(page);
        pages[i] = page;
        pageLayouts[i] = grid;
        scrollAreas[i] = scroll;
        scrollWidgets[i] = inner;
    }
    gridLayout_14->addWidget(nav_bar_menu, 0, 1);
    verticalLayout_12->addWidget(widget, 1);

    mainMenuLayout = new QVBoxLayout(scrollWidgets[0]);
    mainMenuLayout->setObjectName(QStringLiteral("p_menu_main_buttons"));
    for (int i = 0; i < MENU_BUTTONS; ++i) {
        auto* button = new QPushButton(scrollWidgets[0]);
        button->setObjectName(QString::fromLatin1(MENU_BUTTON_NAMES[i]));
        button->setMinimumHeight(44);
        mainMenuLayout->addWidget(button);
        menuButtons[i] = button;
    }
    mainMenuLayout->addStretch(1);

    window->setCentralWidget(centralWidget);
    nav_bar_menu->setCurrentIndex(int(ZCommon::ENavBarMenuPages::UPDATE));
    retranslateUi(window);
}

void MainWindowUi::retranslateUi(QMainWindow* window)
{
    window->setWindowTitle(qtTrId("lp_window_title"));
    label_3->setText(qtTrId("lp_menu_title"));
    for (int i = 0; i < MENU_BUTTONS; ++i)
        menuButtons[i]->setText(ZCommon::pageTitle(i + 1));
}

} // namespace Ui
