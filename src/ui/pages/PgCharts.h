#pragma once

#include <QHash>
#include <QPointer>
#include <QVector>

#include "charts/ChartTypes.h"
#include "core/ISConfigurable.h"
#include "ui/ChartArrangement.h"
#include "ui/pages/MWAbstractPage.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace ZChart {
class ZChartView;
}
namespace Ui {
namespace Components {
class ChartTraceListEntry;
}
namespace PgCharts_Page {
class AbstractPage;
}
} // namespace Ui

namespace MW_Pages {

class ChartImageSaver;
class ReportSaver;

// Chart type and options of the selected view, the chart arrangement, and the visibility of the
// stored traces in the selected view. Keeps the per-view settings (Charts.UL ... Charts.BR).
class PgCharts : public MWAbstractPage, public ZCore::ISConfigurable
{
    Q_OBJECT

public:
    static constexpr int TRACE_ENTRIES = 6;

    explicit PgCharts(QObject* parent = nullptr);

    static QString staticTag() { return QStringLiteral("MW_Pages::PgCharts"); }

    const QVector<Ui::ChartArrangement>& arrangements() const { return m_arrangements; }
    int arrangementIndex() const;
    QComboBox* arrangementBox() const { return m_arrangementBox; }
    QComboBox* typeBox() const { return m_typeBox; }
    Ui::PgCharts_Page::AbstractPage* configPage(ZChart::EChartType type) const;
    // The configuration page now shown, or null.
    Ui::PgCharts_Page::AbstractPage* shownConfigPage() const;
    const QVector<Ui::Components::ChartTraceListEntry*>& traceEntries() const { return m_traceEntries; }
    ChartImageSaver* imageSaver() const { return m_imageSaver; }
    ReportSaver* reportSaver() const { return m_reportSaver; }

    void retranslateUi() override;
    void saveSettings() override;
    void restoreSettings() override;

public slots:
    void slotLoadedLang();
    void slotArrangementChanged(int index);
    void slotTypeChanged(int index);
    void slotSelectedNewChartView();
    void slotCreatedTraceSeries(int index);
    void slotRemovedTraceSeries(int index);
    void slotClearedTracesSeries();
    void slotLayoutArrangementChanged(int index);
    void slotLayoutChartTypeChanged(int view, ZChart::EChartType type);

protected:
    void initUi() override;
    void initUiActions() override;

private:
    void fillTypeBox();
    void showConfigPage(ZChart::EChartType type);
    void setAllTracesVisible(bool visible);
    void hideTraceEntries();
    static QString cornerGroup(int viewIndex);

    QVector<Ui::ChartArrangement> m_arrangements;
    QVector<Ui::Components::ChartTraceListEntry*> m_traceEntries;
    QPointer<ZChart::ZChartView> m_followed;
    QHash<ZChart::EChartType, Ui::PgCharts_Page::AbstractPage*> m_configPages;

    QLabel* m_typeLabel = nullptr;
    QComboBox* m_typeBox = nullptr;
    QLabel* m_arrangementLabel = nullptr;
    QComboBox* m_arrangementBox = nullptr;
    QGridLayout* m_options = nullptr;
    QLabel* m_tracesTitle = nullptr;
    QPushButton* m_showTraces = nullptr;
    QPushButton* m_hideTraces = nullptr;
    QVBoxLayout* m_tracesLayout = nullptr;
    ChartImageSaver* m_imageSaver = nullptr;
    ReportSaver* m_reportSaver = nullptr;
};

} // namespace MW_Pages
