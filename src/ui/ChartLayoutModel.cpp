#include "ui/ChartLayoutModel.h"

#include <QSettings>

#include "core/TaggedLog.h"
#include "ui/ChartArrangement.h"

namespace Ui {

namespace {
const QString ARRANGEMENT_KEY = QStringLiteral("chart_arrange");
const QString SELECTED_KEY = QStringLiteral("selected_chartview");
} // namespace

ChartLayoutModel::ChartLayoutModel(QObject* parent) : QObject(parent)
{
    m_types.fill(ZChart::EChartType::UNSET);
}

ZChart::EChartType ChartLayoutModel::chartType(int view) const
{
    return isView(view) ? m_types[size_t(view)] : ZChart::EChartType::UNSET;
}

bool ChartLayoutModel::isShown(int view) const
{
    if (!isView(view))
        return false;
    if (m_arrangement < 0)
        return true;
    return ChartArrangement::table().at(m_arrangement).placement.at(size_t(view)).isShown();
}

bool ChartLayoutModel::setArrangement(int index)
{
    if (index < 0 || index >= ChartArrangement::table().size())
        return false;
    if (index == m_arrangement)
        return true;
    m_arrangement = index;
    emit signalArrangementChanged(index);
    if (m_selected >= 0 && !isShown(m_selected)) {
        m_selected = 0;
        emit signalSelectedViewChanged(m_selected);
    }
    return true;
}

bool ChartLayoutModel::selectView(int view)
{
    if (!isShown(view))
        return false;
    if (view != m_selected) {
        m_selected = view;
        emit signalSelectedViewChanged(view);
    }
    return true;
}

bool ChartLayoutModel::setChartType(int view, ZChart::EChartType type)
{
    if (!isView(view) || !ZChart::isValidChartType(type))
        return false;
    if (m_types[size_t(view)] != type) {
        m_types[size_t(view)] = type;
        emit signalChartTypeChanged(view, type);
    }
    return true;
}

void ChartLayoutModel::save(QSettings& settings) const
{
    settings.setValue(ARRANGEMENT_KEY, m_arrangement);
    settings.setValue(SELECTED_KEY, uint(qMax(0, m_selected)));
}

int ChartLayoutModel::restore(QSettings& settings)
{
    bool ok = false;
    const int stored = settings.value(ARRANGEMENT_KEY).toInt(&ok);
    if (!(ok && setArrangement(stored))) {
        if (settings.contains(ARRANGEMENT_KEY))
            ZCore::TaggedLog(tag()).warn(QStringLiteral(">> ignored bad stored arrangement: ") +
                                         settings.value(ARRANGEMENT_KEY).toString());
        // Without any arrangement no view would ever be activated.
        if (m_arrangement < 0)
            setArrangement(ChartArrangement::COUNT - 1);
    }
    const uint view = settings.value(SELECTED_KEY, 0).toUInt(&ok);
    if (!ok || !isView(int(view)))
        return -1;
    return isShown(int(view)) ? int(view) : 0;
}

} // namespace Ui
