#include "ui/components/ChartTraceListEntry.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

#include "charts/ZChartView.h"

namespace Ui {
namespace Components {

ChartTraceListEntry::ChartTraceListEntry(int index, QWidget* parent)
    : QWidget(parent), m_index(index), m_check(new QCheckBox(this))
{
    setObjectName(QStringLiteral("chart_trace_entry_%1").arg(index));
    m_check->setObjectName(QStringLiteral("cb_trace_visible"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_check);
    connect(m_check, &QCheckBox::toggled, this, [this](bool on) {
        if (m_view)
            m_view->setTraceSeriesVisible(m_index, on);
    });
}

void ChartTraceListEntry::bind(ZChart::ZChartView* view)
{
    m_view = view;
}

void ChartTraceListEntry::setText(const QString& text)
{
    m_check->setText(text);
}

QString ChartTraceListEntry::text() const
{
    return m_check->text();
}

void ChartTraceListEntry::refreshCheckBox()
{
    const QSignalBlocker blocker(m_check);
    m_check->setChecked(m_view && m_view->isTraceSeriesVisible(m_index));
}

} // namespace Components
} // namespace Ui
