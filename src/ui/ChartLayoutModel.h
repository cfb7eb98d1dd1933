#pragma once

#include <QObject>

#include <array>

#include "charts/ChartTypes.h"

class QSettings;

namespace Ui {

// The chart layout the window shows: the arrangement of the four views, the selected view and each
// view's chart type. The window, the charts page, the remote commands and the profile all read and
// change the layout here; the widgets only follow its signals, each sent once per real change.
class ChartLayoutModel : public QObject
{
    Q_OBJECT

public:
    static constexpr int VIEWS = 4;

    explicit ChartLayoutModel(QObject* parent = nullptr);

    static QString tag() { return QStringLiteral("ChartLayoutModel"); }

    // Index into ChartArrangement::table(); -1 before one is chosen.
    int arrangement() const { return m_arrangement; }
    // View 0..3 (UL, UR, BL, BR); -1 with none.
    int selectedView() const { return m_selected; }
    ZChart::EChartType chartType(int view) const;
    // With no arrangement chosen yet every view counts as shown.
    bool isShown(int view) const;

    // False for an index outside the table. A selected view the new arrangement hides hands the
    // selection to UL, so something shown always carries the pages.
    bool setArrangement(int index);
    // False for a view outside 0..3 or one the arrangement hides.
    bool selectView(int view);
    // False for a view outside 0..3 or a type that is not a chart.
    bool setChartType(int view, ZChart::EChartType type);

    // "chart_arrange" and "selected_chartview" in the settings' current group.
    void save(QSettings& settings) const;
    // Applies the stored arrangement (a missing or bad one leaves the current one, or shows all four
    // views when there is none yet) and returns the view to select: -1 for a stored index outside
    // 0..3, UL for a view the arrangement hides. The caller selects it once the views have read
    // their own settings.
    int restore(QSettings& settings);

signals:
    void signalArrangementChanged(int index);
    void signalSelectedViewChanged(int view);
    void signalChartTypeChanged(int view, ZChart::EChartType type);

private:
    static bool isView(int view) { return view >= 0 && view < VIEWS; }

    int m_arrangement = -1;
    int m_selected = -1;
    std::array<ZChart::EChartType, VIEWS> m_types;
};

} // namespace Ui
