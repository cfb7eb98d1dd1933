#include "ui/components/LoadedTraceListEntry.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace Ui {
namespace Components {

LoadedTraceListEntry::LoadedTraceListEntry(int index, QWidget* parent)
    : QWidget(parent), m_index(index), m_name(new QLabel(this)), m_remove(new QPushButton(this))
{
    setObjectName(QStringLiteral("loaded_trace_entry_%1").arg(index));
    m_name->setObjectName(QStringLiteral("l_trace_name"));
    m_remove->setObjectName(QStringLiteral("b_remove_trace"));
    m_remove->setIcon(QIcon(QStringLiteral(":/ui/remove")));
    m_remove->setIconSize(QSize(24, 24));
    m_remove->setFixedSize(32, 32);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_name, 1);
    layout->addWidget(m_remove);
    connect(m_remove, &QPushButton::released, this, [this] { emit signalRemoveRequested(m_index); });
}

void LoadedTraceListEntry::setText(const QString& text)
{
    m_name->setText(text);
}

QString LoadedTraceListEntry::text() const
{
    return m_name->text();
}

} // namespace Components
} // namespace Ui
