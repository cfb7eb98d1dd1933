#include "ui/pages/PgTraces.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "charts/ZChartView.h"
#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "core/utility/Path.h"
#include "measurement/DataScanManager.h"
#include "measurement/TraceFiles.h"
#include "ui/MainWindow.h"
#include "ui/PageFileDialogs.h"
#include "ui/components/LoadedTraceListEntry.h"

using Ui::PageFileDialogs;
using Ui::Components::LoadedTraceListEntry;
using ZData::DataScanManager;

namespace MW_Pages {

PgTraces::PgTraces(QObject* parent) : MWAbstractPage(parent) {}

PgTraces::~PgTraces() = default;

LoadedTraceListEntry* PgTraces::entry(int index) const
{
    return index >= 0 && index < m_entries.size() ? m_entries[index] : nullptr;
}

QLabel* PgTraces::colorSwatch(int index) const
{
    return index >= 0 && index < m_swatches.size() ? m_swatches[index] : nullptr;
}

void PgTraces::initUi()
{
    QWidget* inner = scrollWidget(ZCommon::ENavBarMenuPages::TRACES);
    auto* grid = new QGridLayout(inner);
    grid->setObjectName(QStringLiteral("gridLayout_traces"));
    auto button = [inner](const char* name, const char* icon) {
        auto* b = new QPushButton(inner);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(QIcon(QString::fromLatin1(icon)));
        b->setIconSize(QSize(28, 28));
        b->setEnabled(false);
        return b;
    };
    m_save = button("b_trace_save_file", ":/ui/save");
    m_load = button("b_trace_load_file", ":/ui/open_file");
    m_removeAll = button("b_remove_traces", ":/ui/remove_all");
    m_touchstoneLabel = new QLabel(inner);
    m_touchstoneLabel->setObjectName(QStringLiteral("l_touchstone_options"));
    m_touchstoneFormat = new QComboBox(inner);
    m_touchstoneFormat->setObjectName(QStringLiteral("comb_touchstone_format"));
    using ZData::TouchstoneFile;
    for (auto format : {TouchstoneFile::EFormat::RI, TouchstoneFile::EFormat::MA, TouchstoneFile::EFormat::DB})
        m_touchstoneFormat->addItem(TouchstoneFile::formatName(format), int(format));
    m_touchstoneUnit = new QComboBox(inner);
    m_touchstoneUnit->setObjectName(QStringLiteral("comb_touchstone_unit"));
    const char* const unitWords[] = {"Hz", "kHz", "MHz", "GHz"};
    for (auto unit : {TouchstoneFile::EUnit::HZ, TouchstoneFile::EUnit::KHZ, TouchstoneFile::EUnit::MHZ,
                      TouchstoneFile::EUnit::GHZ})
        m_touchstoneUnit->addItem(QString::fromLatin1(unitWords[int(unit)]), int(unit));
    auto* touchstone = new QHBoxLayout();
    touchstone->addWidget(m_touchstoneLabel);
    touchstone->addWidget(m_touchstoneFormat, 1);
    touchstone->addWidget(m_touchstoneUnit, 1);
    m_list = new QVBoxLayout();
    m_list->setObjectName(QStringLiteral("vl_loaded_traces_list"));
    grid->addWidget(m_save, 0, 0);
    grid->addWidget(m_load, 0, 1);
    grid->addLayout(touchstone, 1, 0, 1, 2);
    grid->addWidget(m_removeAll, 2, 0, 1, 2);
    grid->addLayout(m_list, 3, 0, 1, 2);
    grid->setRowStretch(4, 1);

    for (int i = 0; i < LIST_SIZE; ++i) {
        auto* row = new QWidget(m_window);
        row->setObjectName(QStringLiteral("w_loaded_trace_%1").arg(i));
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto* swatch = new QLabel(row);
        swatch->setObjectName(QStringLiteral("l_trace_color_%1").arg(i));
        swatch->setFixedSize(16, 16);
        // The swatch shows the colour the views give trace series i.
        swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #323232;")
                                  .arg(ZChart::ZChartView::paletteColor(i + 1).name()));
        auto* entry = new LoadedTraceListEntry(i, row);
        rowLayout->addWidget(swatch);
        rowLayout->addWidget(entry, 1);
        m_list->addWidget(row);
        row->hide();
        m_rows.append(row);
        m_swatches.append(swatch);
        m_entries.append(entry);
    }

    m_saveDialog = PageFileDialogs::createSaveDialog(m_window, QString::fromLatin1(DEFAULT_SUFFIX));
    m_loadDialog = PageFileDialogs::createLoadDialog(m_window, QString::fromLatin1(DEFAULT_SUFFIX));
    PageFileDialogs::followFilterSuffix(m_saveDialog, QString::fromLatin1(DEFAULT_SUFFIX));
    m_lastDir = DataScanManager::traceDir();
    m_saveDialog->setDirectory(m_lastDir);
    m_loadDialog->setDirectory(m_lastDir);
    retranslateUi();
    MWAbstractPage::initUi();
}

void PgTraces::initUiActions()
{
    MWAbstractPage::initUiActions();
    DataScanManager& scan = DataScanManager::instance();
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &PgTraces::slotLoadedLang);
    m_firstData = connect(&scan, &DataScanManager::signalProcessedScanData, this, [this] {
        disconnect(m_firstData);
        refreshButtons();
    });
    connect(&scan, &DataScanManager::signalLoadedTrace, this, &PgTraces::slotLoadedTrace);
    connect(&scan, &DataScanManager::signalRemovedTrace, this, &PgTraces::slotRemovedTrace);
    connect(&scan, &DataScanManager::signalClearedTraces, this, &PgTraces::slotClearedTraces);
    connect(m_save, &QPushButton::released, this, &PgTraces::slotTraceSaveFile);
    connect(m_saveDialog, &QFileDialog::finished, this, &PgTraces::slotProcessTraceSaveFile);
    connect(m_load, &QPushButton::released, this, &PgTraces::slotTraceLoadFile);
    connect(m_loadDialog, &QFileDialog::finished, this, &PgTraces::slotProcessTraceLoadFile);
    connect(m_removeAll, &QPushButton::released, this, [] { DataScanManager::clearTraces(); });
    for (LoadedTraceListEntry* e : qAsConst(m_entries))
        connect(e, &LoadedTraceListEntry::signalRemoveRequested, this,
                [](int index) { DataScanManager::removeTrace(index); });
    connect(m_window, &MainWindow::signalSettingsSaved, this, &PgTraces::saveSettings);
    connect(m_window, &MainWindow::signalSettingsRestored, this, &PgTraces::restoreSettings);
}

void PgTraces::retranslateUi()
{
    if (!m_save)
        return;
    m_save->setText(qtTrId("lp_ptraces_btn_save_file"));
    m_load->setText(qtTrId("lp_ptraces_btn_load_file"));
    m_removeAll->setText(qtTrId("lp_ptraces_btn_rm_traces"));
    m_saveDialog->setWindowTitle(qtTrId("lp_pgtrace_save_dialog_title"));
    m_loadDialog->setWindowTitle(qtTrId("lp_pgtrace_load_dialog_title"));
    m_touchstoneLabel->setText(qtTrId("lp_pgtrace_touchstone_options"));
    m_touchstoneLabel->setToolTip(qtTrId("lp_pgtrace_touchstone_tooltip"));
    m_saveDialog->setNameFilters(qtTrId("lp_pgtrace_save_file_filters").split(QStringLiteral(";;")));
    m_loadDialog->setNameFilters(qtTrId("lp_pgtrace_trace_file_filters").split(QStringLiteral(";;")));
}

void PgTraces::slotLoadedLang()
{
    retranslateUi();
}

void PgTraces::refreshButtons()
{
    const int stored = DataScanManager::traces().size();
    m_save->setEnabled(true);
    m_load->setEnabled(stored < LIST_SIZE);
    m_removeAll->setEnabled(stored > 0);
}

void PgTraces::showEntry(int index)
{
    m_entries[index]->setText(DataScanManager::traces().at(index).name());
    m_rows[index]->show();
}

void PgTraces::rebuildList()
{
    for (int i = 0; i < LIST_SIZE; ++i) {
        m_entries[i]->setText(QString());
        m_rows[i]->hide();
    }
    const int stored = qMin(DataScanManager::traces().size(), LIST_SIZE);
    for (int i = 0; i < stored; ++i)
        showEntry(i);
}

void PgTraces::slotLoadedTrace(int index)
{
    refreshButtons();
    if (index < 0 || index >= LIST_SIZE || index >= DataScanManager::traces().size()) {
        ZCore::TaggedLog(m_tag).warn(
            QStringLiteral(">> slotLoadedTrace index exceeds loaded_trace_list.length(): ") +
            QString::number(index));
        return;
    }
    showEntry(index);
}

void PgTraces::slotRemovedTrace(int index)
{
    refreshButtons();
    if (index < 0 || index >= LIST_SIZE) {
        ZCore::TaggedLog(m_tag).warn(
            QStringLiteral(">> slotRemovedTrace index exceeds loaded_trace_list.length(): ") +
            QString::number(index));
        return;
    }
    // Every later trace moved down by one; entry i must name stored trace i again.
    rebuildList();
}

void PgTraces::slotClearedTraces()
{
    refreshButtons();
    rebuildList();
}

void PgTraces::slotTraceSaveFile()
{
    if (!m_saveDialog) {
        ZCore::TaggedLog(m_tag).critical("lp_pgtrace_save_dialog_failed");
        return;
    }
    PageFileDialogs::open(m_saveDialog);
}

void PgTraces::slotTraceLoadFile()
{
    if (!m_loadDialog) {
        ZCore::TaggedLog(m_tag).critical("lp_pgtrace_load_dialog_failed");
        return;
    }
    PageFileDialogs::open(m_loadDialog);
}

void PgTraces::slotProcessTraceSaveFile(int result)
{
    const ZCore::TaggedLog log(m_tag);
    if (result != QDialog::Accepted) {
        log.debug(QStringLiteral(">> save dialog wasn't accepted"));
        return;
    }
    const QString path = PageFileDialogs::firstSelected(m_saveDialog);
    if (ZData::DS::TraceFiles::formatOf(path) == ZData::DS::TraceFiles::EFormat::NONE) {
        log.critical("lp_pgtrace_save_unsupported_file_format", QFileInfo(path).suffix());
        return;
    }
    const bool saved = DataScanManager::saveTrace(path, touchstoneOptions());
    if (saved)
        rememberDir(path);
}

void PgTraces::slotProcessTraceLoadFile(int result)
{
    const ZCore::TaggedLog log(m_tag);
    if (result != QDialog::Accepted) {
        log.debug(QStringLiteral(">> load dialog wasn't accepted"));
        return;
    }
    const QString path = PageFileDialogs::firstSelected(m_loadDialog);
    if (!ZData::DS::TraceFiles::isLoadable(ZData::DS::TraceFiles::formatOf(path))) {
        log.critical("lp_pgtrace_load_unsupported_file_format", QFileInfo(path).suffix());
        return;
    }
    const bool loaded = DataScanManager::loadTrace(path, DataScanManager::traces().size());
    if (loaded)
        rememberDir(path);
}

ZData::TouchstoneFile::TWriteOptions PgTraces::touchstoneOptions() const
{
    ZData::TouchstoneFile::TWriteOptions options;
    if (m_touchstoneFormat && m_touchstoneFormat->currentIndex() >= 0)
        options.format = ZData::TouchstoneFile::EFormat(m_touchstoneFormat->currentData().toInt());
    if (m_touchstoneUnit && m_touchstoneUnit->currentIndex() >= 0)
        options.unit = ZData::TouchstoneFile::EUnit(m_touchstoneUnit->currentData().toInt());
    return options;
}

void PgTraces::rememberDir(const QString& path)
{
    m_lastDir = QFileInfo(path).absolutePath();
    m_saveDialog->setDirectory(m_lastDir);
    m_loadDialog->setDirectory(m_lastDir);
}

void PgTraces::saveSettings()
{
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        ZCore::TaggedLog(m_tag).critical("lp_err_cant_write_settings");
        return;
    }
    settings->beginGroup(ZCore::SettingsManager::subGroupName(ZCore::ESettingsGroups::TRACES,
                                                              QString::fromLatin1(SETTINGS_SUBGROUP)));
    settings->setValue(QString::fromLatin1(KEY_LAST_DIR), m_lastDir);
    const ZData::TouchstoneFile::TWriteOptions options = touchstoneOptions();
    settings->setValue(QString::fromLatin1(KEY_TOUCHSTONE_FORMAT), ZData::TouchstoneFile::formatName(options.format));
    settings->setValue(QString::fromLatin1(KEY_TOUCHSTONE_UNIT), ZData::TouchstoneFile::unitName(options.unit));
    settings->endGroup();
}

void PgTraces::restoreSettings()
{
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        ZCore::TaggedLog(m_tag).warn(QStringLiteral(">> no settings loaded"));
        return;
    }
    settings->beginGroup(ZCore::SettingsManager::subGroupName(ZCore::ESettingsGroups::TRACES,
                                                              QString::fromLatin1(SETTINGS_SUBGROUP)));
    const QString dir = settings->value(QString::fromLatin1(KEY_LAST_DIR)).toString();
    // By name, so a profile stays readable; an unknown name keeps the plain RI in Hz.
    ZData::TouchstoneFile::EFormat format = ZData::TouchstoneFile::EFormat::RI;
    ZData::TouchstoneFile::EUnit unit = ZData::TouchstoneFile::EUnit::HZ;
    ZData::TouchstoneFile::formatFromName(settings->value(QString::fromLatin1(KEY_TOUCHSTONE_FORMAT)).toString(),
                                          format);
    ZData::TouchstoneFile::unitFromName(settings->value(QString::fromLatin1(KEY_TOUCHSTONE_UNIT)).toString(),
                                        unit);
    m_touchstoneFormat->setCurrentIndex(m_touchstoneFormat->findData(int(format)));
    m_touchstoneUnit->setCurrentIndex(m_touchstoneUnit->findData(int(unit)));
    settings->endGroup();
    // A folder removed since keeps the dialogs in the trace directory.
    m_lastDir =
        !dir.isEmpty() && ZCore::UtilityModules::Path::dirExists(dir) ? dir : DataScanManager::traceDir();
    m_saveDialog->setDirectory(m_lastDir);
    m_loadDialog->setDirectory(m_lastDir);
}

} // namespace MW_Pages
