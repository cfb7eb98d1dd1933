#include "ui/components/MarkListEntry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "core/utility/UI.h"

namespace Ui {
namespace Components {

MarkListEntry::MarkListEntry(int index, QWidget* parent)
    : QWidget(parent), m_index(index), m_type(new QComboBox(this)), m_reference(new QCheckBox(this)),
      m_delta(new QCheckBox(this)), m_readout(new QLabel(this)), m_remove(new QPushButton(this))
{
    setObjectName(QStringLiteral("mark_entry_%1").arg(index));
    m_type->setObjectName(QStringLiteral("comb_mark_type"));
    m_reference->setObjectName(QStringLiteral("cb_mark_reference"));
    m_delta->setObjectName(QStringLiteral("cb_mark_delta"));
    m_readout->setObjectName(QStringLiteral("l_mark_readout"));
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_remove->setObjectName(QStringLiteral("b_remove_mark"));
    m_remove->setIcon(QIcon(QStringLiteral(":/ui/remove")));
    m_remove->setIconSize(QSize(24, 24));
    m_remove->setFixedSize(32, 32);
    m_reference->setText(QStringLiteral("R"));
    m_delta->setText(QStringLiteral("Δ"));

    // The readout names are long (two-part units, in Russian longer still): the box gets the
    // entry's whole width, the switches and the remove button go on the line below it.
    m_type->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_type, 0, 0, 1, 4);
    layout->addWidget(m_reference, 1, 0);
    layout->addWidget(m_delta, 1, 1);
    layout->setColumnStretch(2, 1);
    layout->addWidget(m_remove, 1, 3);
    layout->addWidget(m_readout, 2, 0, 1, 4);

    connect(m_type, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int) { emit signalTypeChanged(m_index, currentType()); });
    connect(m_reference, &QCheckBox::toggled, this,
            [this](bool on) { emit signalReferenceToggled(m_index, on); });
    connect(m_delta, &QCheckBox::toggled, this, [this](bool on) { emit signalDeltaToggled(m_index, on); });
    connect(m_remove, &QPushButton::released, this, [this] { emit signalRemoveRequested(m_index); });
}

void MarkListEntry::setTypes(const QVector<QPair<QString, int>>& types, int current)
{
    const QSignalBlocker blocker(m_type);
    m_type->clear();
    for (const auto& entry : types)
        m_type->addItem(entry.first, entry.second);
    m_type->setCurrentIndex(m_type->findData(current));
    ZCore::UtilityModules::UI::fitListToEntries(m_type);
}

int MarkListEntry::currentType() const
{
    return m_type->currentIndex() < 0 ? -1 : m_type->currentData().toInt();
}

void MarkListEntry::setReference(bool on)
{
    const QSignalBlocker blocker(m_reference);
    m_reference->setChecked(on);
}

void MarkListEntry::setDelta(bool on)
{
    const QSignalBlocker blocker(m_delta);
    m_delta->setChecked(on);
}

bool MarkListEntry::isReference() const
{
    return m_reference->isChecked();
}

bool MarkListEntry::isDelta() const
{
    return m_delta->isChecked();
}

void MarkListEntry::setReadout(const QString& text)
{
    m_readout->setText(text);
}

QString MarkListEntry::readout() const
{
    return m_readout->text();
}

} // namespace Components
} // namespace Ui
