#include "ui/pages/PgMarkers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "charts/ChartEnumPrinter.h"
#include "charts/TMarkData.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "charts/ZMarksTable.h"
#include "core/LocalizationManager.h"
#include "core/TaggedLog.h"
#include "core/utility/Path.h"
#include "measurement/DataScanManager.h"
#include "report/CsvExport.h"
#include "report/MeasurementReport.h"
#include "report/ReportCollector.h"
#include "ui/MainWindow.h"
#include "ui/PageFileDialogs.h"
#include "ui/components/ClampedLineEdit.h"
#include "ui/components/MarkListEntry.h"
#include "ui/components/ZDoubleValidator.h"

using Ui::Components::ClampedLineEdit;
using Ui::Components::MarkListEntry;
using Ui::Components::ZDoubleValidator;
using ZChart::ChartEnumPrinter;
using ZChart::EMarkModType;
using ZChart::EMarkType;
using ZChart::ZChartView;
using ZChart::ZMarksTable;

namespace MW_Pages {

namespace {
constexpr double MHZ = 1e6;
constexpr int DECIMALS = 2;
} // namespace

PgMarkers::PgMarkers(QObject* parent) : MWAbstractPage(parent) {}

PgMarkers::~PgMarkers() = default;

QVector<QPair<QString, int>> PgMarkers::markTypeChoices(const ZChartView* view)
{
    QVector<QPair<QString, int>> choices;
    if (!view || !view->config())
        return choices;
    const QVector<EMarkType> types = view->config()->allowedMarkTypes(view->chartType());
    // Some names are written on two lines for the chart; a list item takes one.
    for (EMarkType type : types)
        choices.append({ChartEnumPrinter::displayName(type).simplified(), int(type)});
    return choices;
}

MarkListEntry* PgMarkers::entry(int index) const
{
    return index >= 0 && index < m_entries.size() ? m_entries[index] : nullptr;
}

ZMarksTable* PgMarkers::marksTable() const
{
    return m_view ? m_view->marksTable() : nullptr;
}

void PgMarkers::initUi()
{
    QWidget* inner = scrollWidget(ZCommon::ENavBarMenuPages::MARKERS);
    auto* grid = new QGridLayout(inner);
    grid->setObjectName(QStringLiteral("gridLayout_marks"));
    m_title = new QLabel(QStringLiteral("Frequency:"), inner);
    m_title->setObjectName(QStringLiteral("l_add_mark_title"));
    m_position = new ClampedLineEdit(inner);
    m_position->setObjectName(QStringLiteral("le_add_mark_freq"));
    QFont font = m_position->font();
    font.setPointSize(12);
    m_position->setFont(font);
    m_position->setMaxLength(7);
    // The toolkit's own clear button fades with an animation that nothing owns until it ends, so
    // a window closed during the fade loses it; this one shows and hides at once.
    QAction* clearText = m_position->addAction(
        m_position->style()->standardIcon(QStyle::SP_LineEditClearButton), QLineEdit::TrailingPosition);
    clearText->setObjectName(QStringLiteral("a_clear_mark_freq"));
    clearText->setVisible(false);
    connect(clearText, &QAction::triggered, m_position, [this] {
        m_position->clear();
        emit m_position->textEdited(QString());
    });
    connect(m_position, &QLineEdit::textChanged, clearText,
            [clearText](const QString& text) { clearText->setVisible(!text.isEmpty()); });
    m_position->setEnabled(false);
    m_units = new QLabel(QStringLiteral("MHz"), inner);
    m_units->setObjectName(QStringLiteral("l_add_mark_units"));
    m_add = new QPushButton(inner);
    m_add->setObjectName(QStringLiteral("b_add_mark_freq"));
    m_add->setIcon(QIcon(QStringLiteral(":/ui/add")));
    m_add->setFixedSize(28, 28);
    m_add->setEnabled(false);
    m_show = new QCheckBox(inner);
    m_show->setObjectName(QStringLiteral("cb_show_marks"));
    m_show->setChecked(true);
    m_show->setEnabled(false);
    m_removeAll = new QPushButton(inner);
    m_removeAll->setObjectName(QStringLiteral("b_remove_marks"));
    m_removeAll->setIcon(QIcon(QStringLiteral(":/ui/remove_all")));
    m_removeAll->setEnabled(false);
    m_export = new QPushButton(inner);
    m_export->setObjectName(QStringLiteral("b_export_marks"));
    m_export->setIcon(QIcon(QStringLiteral(":/ui/save")));
    m_exportDialog = Ui::PageFileDialogs::createSaveDialog(m_window, QStringLiteral("csv"));
    m_exportDialog->setDirectory(ZReport::MeasurementReport::reportDir());
    m_list = new QVBoxLayout();
    m_list->setObjectName(QStringLiteral("vl_marks_list"));

    auto* input = new QHBoxLayout();
    input->addWidget(m_title);
    input->addWidget(m_position, 1);
    input->addWidget(m_units);
    input->addWidget(m_add);
    grid->addLayout(input, 0, 0, 1, 2);
    grid->addWidget(m_show, 1, 0);
    grid->addWidget(m_removeAll, 1, 1);
    grid->addWidget(m_export, 2, 0, 1, 2);
    grid->addLayout(m_list, 3, 0, 1, 2);
    grid->setRowStretch(4, 1);

    for (int i = 0; i < LIST_SIZE; ++i) {
        auto* e = new MarkListEntry(i, m_window);
        // The side panel has a fixed width; long readout names must not widen the page.
        e->typeBox()->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        e->typeBox()->setMinimumContentsLength(MIN_TYPE_CHARS);
        m_list->addWidget(e);
        e->hide();
        m_entries.append(e);
    }

    const QPair<double, double> limits = ZData::DataScanManager::sweep().deviceRange();
    setInputRange(limits.first / MHZ, limits.second / MHZ);
    m_position->clear();
    m_position->enableClamping();
    retranslateUi();
    MWAbstractPage::initUi();
}

void PgMarkers::initUiActions()
{
    MWAbstractPage::initUiActions();
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &PgMarkers::slotLoadedLang);
    connect(m_window, &MainWindow::signalSelectedNewChartView, this, &PgMarkers::slotSelectedNewChartView);
    connect(m_add, &QPushButton::released, this, &PgMarkers::slotAddNewMark);
    connect(m_export, &QPushButton::released, this, &PgMarkers::slotExportMarks);
    connect(m_exportDialog, &QFileDialog::finished, this, &PgMarkers::slotProcessExportMarks);
    connect(m_position, &QLineEdit::returnPressed, this, &PgMarkers::slotAddNewMark);
    connect(m_show, &QCheckBox::stateChanged, this, [this](int state) {
        if (ZMarksTable* table = marksTable())
            table->setShowMarkers(state == Qt::Checked);
    });
    connect(m_removeAll, &QPushButton::released, this, [this] {
        if (ZMarksTable* table = marksTable())
            table->removeAll();
        for (MarkListEntry* e : qAsConst(m_entries))
            e->hide();
        refreshEnabling();
    });
    for (MarkListEntry* e : qAsConst(m_entries)) {
        connect(e, &MarkListEntry::signalTypeChanged, this, [this](int index, int type) {
            if (ZMarksTable* table = marksTable(); table && type >= 0)
                table->setMarkType(index, EMarkType(type));
        });
        connect(e, &MarkListEntry::signalReferenceToggled, this, [this](int index, bool on) {
            if (ZMarksTable* table = marksTable())
                table->setReference(index, on);
        });
        connect(e, &MarkListEntry::signalDeltaToggled, this, [this](int index, bool on) {
            if (ZMarksTable* table = marksTable())
                table->setDelta(index, on);
        });
        connect(e, &MarkListEntry::signalRemoveRequested, this, [this](int index) {
            if (ZMarksTable* table = marksTable())
                table->removeMark(index);
        });
    }
}

void PgMarkers::retranslateUi()
{
    if (!m_show)
        return;
    m_show->setText(qtTrId("lp_pmark_show_marks"));
    m_removeAll->setText(qtTrId("lp_pmark_btn_rm_marks"));
    m_export->setText(qtTrId("lp_pmarkers_btn_export_csv"));
    m_exportDialog->setWindowTitle(qtTrId("lp_pmarkers_export_title"));
    m_exportDialog->setNameFilters({qtTrId("lp_pmarkers_export_filters")});
    applyInputLabels();
}

void PgMarkers::slotExportMarks()
{
    // The reports folder is made when first needed, so the dialog can open inside it.
    if (QFileInfo(m_exportDialog->directory().absolutePath()) ==
        QFileInfo(ZReport::MeasurementReport::reportDir()))
        ZCore::UtilityModules::Path::createDir(ZReport::MeasurementReport::reportDir(),
                                               QStringLiteral("REPORT_DIR"));
    Ui::PageFileDialogs::open(m_exportDialog);
}

void PgMarkers::slotProcessExportMarks(int result)
{
    if (result != QDialog::Accepted)
        return;
    const QString path = Ui::PageFileDialogs::firstSelected(m_exportDialog);
    if (path.isEmpty())
        return;
    const QVector<ZReport::TReportMarker> rows =
        ZReport::ReportCollector::markers(ZReport::ReportCollector::shownViews(m_window->chartViews()));
    QString error;
    if (!ZReport::CsvExport::write(path, ZReport::CsvExport::markers(rows), &error)) {
        ZCore::TaggedLog(m_tag).critical("lp_pmarkers_cant_export", path + QStringLiteral("\n") + error);
        return;
    }
    m_exportDialog->setDirectory(QFileInfo(path).absolutePath());
}

void PgMarkers::slotLoadedLang()
{
    retranslateUi();
    if (m_view)
        syncEntries(true);
}

void PgMarkers::applyInputLabels()
{
    if (!m_view)
        return;
    m_title->setText(ChartEnumPrinter::labelName(m_view->targetLabel()) + QLatin1Char(':'));
    m_units->setText(ChartEnumPrinter::unitName(m_view->targetUnit()));
}

void PgMarkers::setInputRange(double lower, double upper)
{
    const QValidator* old = m_position->validator();
    auto* validator = new ZDoubleValidator(lower, upper, DECIMALS, m_position);
    validator->setFrequencySuffixes(m_view && m_view->chartType() != ZChart::EChartType::DTF);
    m_position->setValidator(validator);
    if (old)
        const_cast<QValidator*>(old)->deleteLater();
    m_position->setText(ZDoubleValidator::format(lower, DECIMALS));
}

void PgMarkers::applyInputRange()
{
    if (!m_view)
        return;
    const QPair<double, double> range = m_view->horizontalRange();
    setInputRange(range.first, range.second);
    slotRetrievedMarksData();
}

void PgMarkers::refreshEnabling()
{
    ZMarksTable* table = marksTable();
    if (!m_view || !table)
        return;
    applyInputLabels();
    const bool hasData = m_view->mainSeries() && m_view->mainSeries()->count() > 0;
    m_show->setEnabled(hasData);
    m_position->setEnabled(hasData && !table->isFull());
    m_add->setEnabled(hasData && !table->isFull());
    {
        const QSignalBlocker blocker(m_show);
        m_show->setChecked(table->isShowingMarkers());
    }
    m_removeAll->setEnabled(!table->isEmpty());
}

void PgMarkers::syncEntries(bool rebuildChoices)
{
    ZMarksTable* table = marksTable();
    const QVector<ZChart::TMarkData> data = table ? table->marksData() : QVector<ZChart::TMarkData>();
    const QStringList readouts = table ? table->readouts() : QStringList();
    const QVector<QPair<QString, int>> choices = markTypeChoices(m_view);
    for (int i = 0; i < LIST_SIZE; ++i) {
        MarkListEntry* e = m_entries[i];
        if (i >= data.size()) {
            e->setReadout(QString());
            e->hide();
            continue;
        }
        const int type = int(data[i].type);
        // An entry shown for the first time has no choices yet.
        if (rebuildChoices || e->typeBox()->count() != choices.size()) {
            e->setTypes(choices, type);
        } else {
            QComboBox* box = e->typeBox();
            const QSignalBlocker blocker(box);
            box->setCurrentIndex(box->findData(type));
        }
        e->setReference(data[i].modifier == EMarkModType::REFERENCE);
        e->setDelta(data[i].modifier == EMarkModType::DELTA);
        e->setReadout(i < readouts.size() ? readouts[i] : QString());
        e->show();
    }
}

void PgMarkers::slotAddNewMark()
{
    refreshEnabling();
    if (!m_view)
        return;
    // The button takes the field as Return does: suffix read, value pulled into range with a word.
    m_position->clamp();
    bool ok = false;
    const auto* validator = qobject_cast<const ZDoubleValidator*>(m_position->validator());
    const double position = validator ? validator->value(m_position->text(), &ok)
                                      : ZDoubleValidator::toDouble(m_position->text(), &ok);
    if (!ok) {
        ZCore::TaggedLog(m_tag).critical("lp_err_enter_bad_freq");
        return;
    }
    // Still outside after the clamp: a refused entry, which the field has already explained.
    if (validator && (position < validator->bottom() || position > validator->top()))
        return;
    m_view->addMark(position);
}

void PgMarkers::followView(ZChartView* view)
{
    for (const QMetaObject::Connection& c : qAsConst(m_viewConnections))
        disconnect(c);
    m_viewConnections.clear();
    m_view = view;
    m_viewConnections << connect(view, &ZChartView::signalCreatedMark, this, &PgMarkers::slotCreatedMark)
                      << connect(view, &ZChartView::signalRemovedMark, this, &PgMarkers::slotRemovedMark)
                      << connect(view, &ZChartView::signalRetrievedMarksData, this,
                                 &PgMarkers::slotRetrievedMarksData)
                      << connect(view, &ZChartView::signalChangedChartType, this,
                                 [this] {
                                     applyInputLabels();
                                     applyInputRange();
                                     syncEntries(true);
                                 })
                      << connect(view, &ZChartView::signalAxesRangeChanged, this,
                                 [this](double, double) { applyInputRange(); });
}

void PgMarkers::slotSelectedNewChartView()
{
    const ZCore::TaggedLog log(m_tag);
    ZChartView* view = m_window ? m_window->selectedChartView() : nullptr;
    if (!view) {
        log.warn(QStringLiteral(">> slotSelectedNewChartView chart view is empty"));
        return;
    }
    if (!view->config()) {
        log.warn(QStringLiteral(">> slotSelectedNewChartView chart config is empty"));
        return;
    }
    if (!view->marksTable()) {
        log.warn(QStringLiteral(">> slotSelectedNewChartView marks table is empty"));
        return;
    }
    followView(view);
    syncEntries(true);
    refreshEnabling();
    applyInputRange();
}

void PgMarkers::slotCreatedMark(int index)
{
    refreshEnabling();
    if (index < 0 || index >= LIST_SIZE) {
        ZCore::TaggedLog(m_tag).warn(
            QStringLiteral(">> slotCreatedMark index exceeds marks_list.length(): ") +
            QString::number(index));
        return;
    }
    syncEntries(true);
}

void PgMarkers::slotRemovedMark(int index)
{
    if (index < 0 || index >= LIST_SIZE) {
        ZCore::TaggedLog(m_tag).warn(
            QStringLiteral(">> slotRemovedMark index exceeds marks_list.length(): ") +
            QString::number(index));
        return;
    }
    refreshEnabling();
    // The markers after the removed one moved down by one: entry i takes marker i again.
    syncEntries(true);
}

void PgMarkers::slotRetrievedMarksData()
{
    if (!marksTable()) {
        ZCore::TaggedLog(m_tag).warn(QStringLiteral(">> slotRetrievedMarksData marks_table is not found"));
        return;
    }
    refreshEnabling();
    syncEntries(false);
}

} // namespace MW_Pages
