#include "ui/pages/PgCharts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "charts/ChartEnumPrinter.h"
#include "charts/ZChartView.h"
#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "core/utility/UI.h"
#include "measurement/DataScanManager.h"
#include "ui/ChartLayoutModel.h"
#include "ui/MainWindow.h"
#include "ui/components/ChartTraceListEntry.h"
#include "ui/pages/ChartImageSaver.h"
#include "ui/pages/ReportSaver.h"
#include "ui/pages/charts/AbstractPage.h"
#include "ui/pages/charts/DTFPage.h"
#include "ui/pages/charts/GridBasePage.h"
#include "ui/pages/charts/LossPage.h"
#include "ui/pages/charts/SWRBasePage.h"

using Ui::Components::ChartTraceListEntry;
using ZChart::EChartType;

namespace MW_Pages {

PgCharts::PgCharts(QObject* parent) : MWAbstractPage(parent) {}

QString PgCharts::cornerGroup(int viewIndex)
{
    return ZCore::SettingsManager::subGroupName(
        ZCore::ESettingsGroups::CHARTS,
        ZChart::ChartEnumPrinter::toString(ZChart::EChartArrangeCorners(viewIndex)));
}

void PgCharts::initUi()
{
    QWidget* inner = scrollWidget(ZCommon::ENavBarMenuPages::CHARTS);
    auto* grid = new QGridLayout(inner);
    grid->setObjectName(QStringLiteral("gridLayout_10"));
    auto label = [inner](const char* name) {
        auto* l = new QLabel(inner);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    m_typeLabel = label("label_23");
    m_typeBox = new QComboBox(inner);
    m_typeBox->setObjectName(QStringLiteral("comb_plots_type"));
    // The names change length with the language, the box with them.
    m_typeBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_arrangementLabel = label("label_22");
    m_arrangementBox = new QComboBox(inner);
    m_arrangementBox->setObjectName(QStringLiteral("comb_plots_arrangement"));
    m_arrangementBox->setIconSize(QSize(48, 32));
    m_options = new QGridLayout();
    m_options->setObjectName(QStringLiteral("vl_plots_options"));
    m_tracesTitle = label("label_30");
    m_tracesTitle->setAlignment(Qt::AlignCenter);
    m_showTraces = new QPushButton(inner);
    m_showTraces->setObjectName(QStringLiteral("b_show_traces"));
    m_hideTraces = new QPushButton(inner);
    m_hideTraces->setObjectName(QStringLiteral("b_hide_traces"));
    m_tracesLayout = new QVBoxLayout();
    m_tracesLayout->setObjectName(QStringLiteral("vl_plots_traces"));
    auto* traceButtons = new QHBoxLayout();
    traceButtons->addWidget(m_showTraces);
    traceButtons->addWidget(m_hideTraces);

    grid->addWidget(m_typeLabel, 0, 0);
    grid->addWidget(m_typeBox, 0, 1);
    grid->addWidget(m_arrangementLabel, 1, 0);
    grid->addWidget(m_arrangementBox, 1, 1);
    grid->addLayout(m_options, 2, 0, 1, 2);
    grid->addWidget(m_tracesTitle, 3, 0, 1, 2);
    grid->addLayout(traceButtons, 4, 0, 1, 2);
    grid->addLayout(m_tracesLayout, 5, 0, 1, 2);
    m_imageSaver = new ChartImageSaver(m_window, inner);
    // A line of its own: the long button would otherwise widen the label column and squeeze the
    // chart type box.
    auto* imageRow = new QHBoxLayout();
    imageRow->addWidget(m_imageSaver->button(), 1);
    imageRow->addWidget(m_imageSaver->sizeBox());
    grid->addLayout(imageRow, 6, 0, 1, 2);
    m_reportSaver = new ReportSaver(m_window, inner);
    grid->addWidget(m_reportSaver->button(), 7, 0, 1, 2);
    grid->setRowStretch(8, 1);
    grid->setColumnStretch(1, 1);

    for (int i = 0; i < TRACE_ENTRIES; ++i) {
        auto* entry = new ChartTraceListEntry(i, m_window);
        m_tracesLayout->addWidget(entry);
        entry->hide();
        m_traceEntries.append(entry);
    }
    m_arrangements = Ui::ChartArrangement::table();
    {
        const QSignalBlocker blocker(m_arrangementBox);
        for (int i = 0; i < m_arrangements.size(); ++i)
            m_arrangementBox->addItem(m_arrangements.at(i).icon(), QString(), i);
        m_arrangementBox->setCurrentIndex(-1);
    }
    ZCore::UtilityModules::UI::fitListToEntries(m_arrangementBox);
    fillTypeBox();

    using namespace Ui::PgCharts_Page;
    auto add = [this](EChartType type, AbstractPage* page) {
        page->setup();
        m_configPages.insert(type, page);
        if (m_options)
            m_options->addWidget(page, 0, 0);
    };
    add(EChartType::LOG_MAG, new GridBasePage(m_window, QStringLiteral("LOG_MAG"), EChartType::LOG_MAG));
    add(EChartType::LIN_MAG, new GridBasePage(m_window, QStringLiteral("LIN_MAG"), EChartType::LIN_MAG));
    add(EChartType::PHASE, new AbstractPage(m_window, QStringLiteral("LIN_PHASE"), EChartType::PHASE));
    add(EChartType::SWR, new SWRBasePage(m_window, QStringLiteral("SWR"), EChartType::SWR));
    add(EChartType::SMITH, new SWRBasePage(m_window, QStringLiteral("SMITH"), EChartType::SMITH));
    add(EChartType::POLAR, new SWRBasePage(m_window, QStringLiteral("POLAR"), EChartType::POLAR));
    add(EChartType::LOSS, new LossPage(m_window, QStringLiteral("LOSS"), EChartType::LOSS));
    add(EChartType::DTF, new DTFPage(m_window, QStringLiteral("DTF"), EChartType::DTF));
    for (AbstractPage* page : qAsConst(m_configPages))
        page->hide();
    retranslateUi();
    MWAbstractPage::initUi();
}

void PgCharts::fillTypeBox()
{
    const QSignalBlocker blocker(m_typeBox);
    const int current = m_typeBox->currentIndex();
    if (m_typeBox->count() == 0) {
        for (int i = 0; i < ZChart::CHART_TYPES_COUNT; ++i)
            m_typeBox->addItem(ZChart::ChartEnumPrinter::displayName(EChartType(i)), i);
        m_typeBox->setCurrentIndex(-1);
    } else {
        for (int i = 0; i < ZChart::CHART_TYPES_COUNT && i < m_typeBox->count(); ++i)
            m_typeBox->setItemText(i, ZChart::ChartEnumPrinter::displayName(EChartType(i)));
        m_typeBox->setCurrentIndex(current);
    }
    m_typeBox->adjustSize();
    ZCore::UtilityModules::UI::fitListToEntries(m_typeBox);
}

void PgCharts::initUiActions()
{
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &PgCharts::slotLoadedLang);
    connect(m_window, &MainWindow::signalSelectedNewChartView, this, &PgCharts::slotSelectedNewChartView);
    connect(m_arrangementBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &PgCharts::slotArrangementChanged);
    connect(m_typeBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &PgCharts::slotTypeChanged);
    Ui::ChartLayoutModel* layout = m_window->chartLayout();
    connect(layout, &Ui::ChartLayoutModel::signalArrangementChanged, this,
            &PgCharts::slotLayoutArrangementChanged);
    connect(layout, &Ui::ChartLayoutModel::signalChartTypeChanged, this,
            &PgCharts::slotLayoutChartTypeChanged);
    connect(m_showTraces, &QPushButton::released, this, [this] { setAllTracesVisible(true); });
    connect(m_hideTraces, &QPushButton::released, this, [this] { setAllTracesVisible(false); });
    connect(m_window, &MainWindow::signalSettingsRestored, this, &PgCharts::restoreSettings);
    connect(m_window, &MainWindow::signalSettingsSaved, this, &PgCharts::saveSettings);
    MWAbstractPage::initUiActions();
}

void PgCharts::retranslateUi()
{
    if (!m_typeLabel)
        return;
    m_typeLabel->setText(qtTrId("lp_pplots_type"));
    m_arrangementLabel->setText(qtTrId("lp_pplots_config"));
    m_tracesTitle->setText(qtTrId("lp_pplots_traces_title"));
    m_showTraces->setText(qtTrId("lp_pplots_show_traces"));
    m_hideTraces->setText(qtTrId("lp_pplots_hide_traces"));
    fillTypeBox();
}

void PgCharts::slotLoadedLang()
{
    fillTypeBox();
}

Ui::PgCharts_Page::AbstractPage* PgCharts::configPage(EChartType type) const
{
    return m_configPages.value(type, nullptr);
}

Ui::PgCharts_Page::AbstractPage* PgCharts::shownConfigPage() const
{
    for (auto* page : m_configPages)
        if (!page->isHidden())
            return page;
    return nullptr;
}

void PgCharts::showConfigPage(EChartType type)
{
    for (auto* page : qAsConst(m_configPages))
        page->hide();
    if (auto* page = configPage(type)) {
        page->show();
        return;
    }
    ZCore::TaggedLog(m_tag).warn(QStringLiteral(">> couldn't find a target page for this chart type: ") +
                                 ZChart::ChartEnumPrinter::displayName(type));
}

int PgCharts::arrangementIndex() const
{
    return m_window->chartLayout()->arrangement();
}

void PgCharts::slotArrangementChanged(int index)
{
    m_window->chartLayout()->setArrangement(index);
}

void PgCharts::slotLayoutArrangementChanged(int index)
{
    const QSignalBlocker blocker(m_arrangementBox);
    m_arrangementBox->setCurrentIndex(index);
}

void PgCharts::slotTypeChanged(int index)
{
    Ui::ChartLayoutModel* layout = m_window->chartLayout();
    if (layout->selectedView() < 0)
        return;
    if (index < 0 || index >= ZChart::CHART_TYPES_COUNT) {
        ZCore::TaggedLog(m_tag).warn(QStringLiteral(">> got bad chart type: ") + QString::number(index));
        return;
    }
    layout->setChartType(layout->selectedView(), EChartType(index));
    showConfigPage(EChartType(index));
}

void PgCharts::slotLayoutChartTypeChanged(int view, EChartType type)
{
    if (view != m_window->chartLayout()->selectedView())
        return;
    {
        const QSignalBlocker blocker(m_typeBox);
        m_typeBox->setCurrentIndex(int(type));
    }
    showConfigPage(type);
}

void PgCharts::slotSelectedNewChartView()
{
    if (m_followed)
        disconnect(m_followed, nullptr, this, nullptr);
    m_followed = m_window->selectedChartView();
    if (!m_followed)
        return;
    const EChartType type = m_window->chartLayout()->chartType(m_window->selectedChartViewIndex());
    {
        const QSignalBlocker blocker(m_typeBox);
        m_typeBox->setCurrentIndex(ZChart::isValidChartType(type) ? int(type) : -1);
    }
    showConfigPage(type);
    const int stored = ZData::DataScanManager::traces().size();
    for (ChartTraceListEntry* entry : qAsConst(m_traceEntries)) {
        entry->bind(m_followed);
        if (entry->index() < stored)
            entry->refreshCheckBox();
    }
    connect(m_followed, &ZChart::ZChartView::signalCreatedTraceSeries, this,
            &PgCharts::slotCreatedTraceSeries);
    connect(m_followed, &ZChart::ZChartView::signalRemovedTraceSeries, this,
            &PgCharts::slotRemovedTraceSeries);
    connect(m_followed, &ZChart::ZChartView::signalClearedTracesSeries, this,
            &PgCharts::slotClearedTracesSeries);
}

void PgCharts::slotCreatedTraceSeries(int index)
{
    if (index < 0 || index >= m_traceEntries.size()) {
        ZCore::TaggedLog(m_tag).warn(
            QStringLiteral(">> slotLoadedTrace index exceeds _chart_trace_list.length(): ") +
            QString::number(index));
        return;
    }
    ChartTraceListEntry* entry = m_traceEntries.at(index);
    const auto& traces = ZData::DataScanManager::traces();
    entry->setText(index < traces.size() ? traces.at(index).name() : QString());
    entry->refreshCheckBox();
    entry->show();
}

void PgCharts::hideTraceEntries()
{
    for (ChartTraceListEntry* entry : qAsConst(m_traceEntries)) {
        entry->hide();
        entry->setText(QString());
    }
}

void PgCharts::slotRemovedTraceSeries(int index)
{
    if (index < 0 || index >= m_traceEntries.size()) {
        ZCore::TaggedLog(m_tag).warn(
            QStringLiteral(">> slotLoadedTrace index exceeds _chart_trace_list.length(): ") +
            QString::number(index));
        return;
    }
    hideTraceEntries();
    const auto& traces = ZData::DataScanManager::traces();
    for (int i = 0; i < traces.size() && i < m_traceEntries.size(); ++i) {
        m_traceEntries[i]->setText(traces.at(i).name());
        m_traceEntries[i]->refreshCheckBox();
        m_traceEntries[i]->show();
    }
}

void PgCharts::slotClearedTracesSeries()
{
    hideTraceEntries();
}

void PgCharts::setAllTracesVisible(bool visible)
{
    ZChart::ZChartView* view = m_window->selectedChartView();
    if (!view)
        return;
    view->setAllTraceSeriesVisible(visible);
    for (ChartTraceListEntry* entry : qAsConst(m_traceEntries))
        entry->refreshCheckBox();
}

void PgCharts::saveSettings()
{
    const ZCore::TaggedLog log(m_tag);
    log.info(QStringLiteral(">> MW_Pages::PgCharts::saveSettings.."));
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        log.critical("lp_err_cant_write_settings");
        return;
    }
    const QString group = ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::CHARTS);
    settings->beginGroup(group);
    m_window->chartLayout()->save(*settings);
    settings->endGroup();
    for (int i = 0; i < m_window->chartViews().size(); ++i) {
        settings->beginGroup(cornerGroup(i));
        m_window->chartViews().at(i)->saveSettings(settings);
        settings->endGroup();
    }
}

void PgCharts::restoreSettings()
{
    const ZCore::TaggedLog log(m_tag);
    log.info(QStringLiteral(">> MW_Pages::PgCharts::restoreSettings.."));
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        log.warn(QStringLiteral(">> no settings loaded"));
        return;
    }
    const QString group = ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::CHARTS);
    Ui::ChartLayoutModel* layout = m_window->chartLayout();
    settings->beginGroup(group);
    const int selected = layout->restore(*settings);
    settings->endGroup();
    for (int i = 0; i < m_window->chartViews().size(); ++i) {
        settings->beginGroup(cornerGroup(i));
        m_window->chartViews().at(i)->restoreSettings(settings);
        settings->endGroup();
    }
    // The profile may have changed the selected view's type and options while the selection
    // stays: the pages must read the view again either way.
    if (selected >= 0)
        m_window->selectChartView(selected, true);
}

} // namespace MW_Pages
