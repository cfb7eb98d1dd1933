#include "ui/KitEditorDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "calibration/CalibrationManager.h"
#include "ui/components/GroupTitleStyle.h"

using ZData::CalibrationManager;
using ZData::CAL::CalibrationKit;

namespace Ui {

namespace {
struct TFieldSpec
{
    const char* objectName;
    const char* group;
    const char* key;
    const char* labelId;
    const char* unitId;
};
// Every field with the unit of the data sheet it is copied from.
constexpr TFieldSpec kFields[] = {
    {"le_kit_open_c0", "open", "c0_ff", "lp_kit_c0", "lp_units_femtofarad"},
    {"le_kit_open_c1", "open", "c1", "lp_kit_c1", "lp_units_kit_c1"},
    {"le_kit_open_c2", "open", "c2", "lp_kit_c2", "lp_units_kit_c2"},
    {"le_kit_open_c3", "open", "c3", "lp_kit_c3", "lp_units_kit_c3"},
    {"le_kit_open_delay", "open", "delay_ps", "lp_kit_delay", "lp_units_picosec"},
    {"le_kit_open_loss", "open", "loss_gohm_s", "lp_kit_loss", "lp_units_gohm_per_sec"},
    {"le_kit_open_z0", "open", "z0_ohm", "lp_kit_z0", "lp_units_ohm"},
    {"le_kit_short_l0", "short", "l0_ph", "lp_kit_l0", "lp_units_picohenry"},
    {"le_kit_short_l1", "short", "l1", "lp_kit_l1", "lp_units_kit_l1"},
    {"le_kit_short_l2", "short", "l2", "lp_kit_l2", "lp_units_kit_l2"},
    {"le_kit_short_l3", "short", "l3", "lp_kit_l3", "lp_units_kit_l3"},
    {"le_kit_short_delay", "short", "delay_ps", "lp_kit_delay", "lp_units_picosec"},
    {"le_kit_short_loss", "short", "loss_gohm_s", "lp_kit_loss", "lp_units_gohm_per_sec"},
    {"le_kit_short_z0", "short", "z0_ohm", "lp_kit_z0", "lp_units_ohm"},
    {"le_kit_load_r", "load", "r_ohm", "lp_kit_r", "lp_units_ohm"},
    {"le_kit_load_l", "load", "l_ph", "lp_kit_l", "lp_units_picohenry"},
    {"le_kit_load_c", "load", "c_ff", "lp_kit_c", "lp_units_femtofarad"},
    {"le_kit_load_delay", "load", "delay_ps", "lp_kit_delay", "lp_units_picosec"},
};
} // namespace

KitEditorDialog::KitEditorDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlg_kit_editor"));
    setModal(false);
    auto* top = new QVBoxLayout(this);
    auto* nameRow = new QHBoxLayout;
    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("l_kit_name"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("le_kit_name"));
    m_name->setMaxLength(64);
    nameRow->addWidget(m_nameLabel);
    nameRow->addWidget(m_name, 1);
    top->addLayout(nameRow);

    auto* groups = new QHBoxLayout;
    const char* const groupNames[3][2] = {
        {"gb_kit_open", "open"}, {"gb_kit_short", "short"}, {"gb_kit_load", "load"}};
    for (const auto& g : groupNames) {
        QGroupBox* box = addGroup(g[0], g[1]);
        auto* grid = new QGridLayout(box);
        int row = 0;
        for (const TFieldSpec& def : kFields) {
            if (qstrcmp(def.group, g[1]) != 0)
                continue;
            TField f;
            f.group = QLatin1String(def.group);
            f.key = QLatin1String(def.key);
            f.labelId = def.labelId;
            f.unitId = def.unitId;
            f.label = new QLabel(box);
            f.label->setObjectName(QStringLiteral("l_kit_%1_%2").arg(f.group, f.key));
            f.edit = new QLineEdit(box);
            f.edit->setObjectName(QString::fromLatin1(def.objectName));
            f.edit->setMinimumWidth(80);
            f.unit = new QLabel(box);
            f.unit->setObjectName(QStringLiteral("l_kit_%1_%2_unit").arg(f.group, f.key));
            QLabel* unit = f.unit;
            grid->addWidget(f.label, row, 0);
            grid->addWidget(f.edit, row, 1);
            grid->addWidget(unit, row, 2);
            m_fields.append(f);
            ++row;
        }
        grid->setRowStretch(row, 1);
        groups->addWidget(box);
    }
    top->addLayout(groups);

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("l_kit_error"));
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #ff6060;"));
    top->addWidget(m_error);

    auto* buttons = new QDialogButtonBox(this);
    auto* save = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("b_kit_save"));
    auto* close = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("b_kit_close"));
    // Saving keeps the dialog open, so a wrong value can be mended in place.
    connect(save, &QPushButton::clicked, this, &KitEditorDialog::slotSave);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    top->addWidget(buttons);

    retranslateUi();
    setKit(CalibrationKit::ideal());
}

QGroupBox* KitEditorDialog::addGroup(const char* objectName, const char* group)
{
    auto* box = new QGroupBox(this);
    box->setObjectName(QString::fromLatin1(objectName));
    Ui::Components::GroupTitleStyle::keepTitleWhole(box);
    m_groups.insert(QString::fromLatin1(group), box);
    return box;
}

void KitEditorDialog::retranslateUi()
{
    setWindowTitle(qtTrId("lp_kit_editor_title"));
    m_nameLabel->setText(qtTrId("lp_kit_name"));
    m_groups.value(QStringLiteral("open"))->setTitle(qtTrId("lp_pcalib_open"));
    m_groups.value(QStringLiteral("short"))->setTitle(qtTrId("lp_pcalib_short"));
    m_groups.value(QStringLiteral("load"))->setTitle(qtTrId("lp_pcalib_load"));
    for (TField& f : m_fields) {
        f.label->setText(qtTrId(f.labelId));
        f.unit->setText(qtTrId(f.unitId));
    }
    findChild<QPushButton*>(QStringLiteral("b_kit_save"))->setText(qtTrId("lp_kit_save"));
    findChild<QPushButton*>(QStringLiteral("b_kit_close"))->setText(qtTrId("lp_kit_close"));
}

void KitEditorDialog::setKit(const CalibrationKit& kit)
{
    m_base = kit;
    m_name->setText(kit.isIdeal() ? QString() : kit.name);
    for (TField& f : m_fields) {
        double v = 0;
        kit.value(f.group, f.key, v);
        f.edit->setText(QString::number(v, 'g', 12));
    }
    m_error->clear();
}

bool KitEditorDialog::kitFromFields(CalibrationKit& kit, QString* error) const
{
    CalibrationKit result = m_base;
    result.name = m_name->text().trimmed();
    if (!CalibrationKit::isValidName(result.name)) {
        if (error)
            *error = qtTrId("lp_kit_bad_name").arg(result.name);
        return false;
    }
    for (const TField& f : m_fields) {
        bool ok = false;
        const QString text = f.edit->text().trimmed();
        // An empty field is the file's missing key: 0, or 50 for an impedance.
        const bool impedance = f.key == QLatin1String("z0_ohm") || f.key == QLatin1String("r_ohm");
        const double v = text.isEmpty() ? (impedance ? CalibrationKit::REFERENCE_OHM : 0.0)
                                        : QLocale::c().toDouble(text, &ok);
        if (!text.isEmpty() && !ok) {
            if (error)
                *error = qtTrId("lp_kit_bad_value").arg(f.label->text(), text);
            return false;
        }
        result.setValue(f.group, f.key, v);
    }
    const QString why = result.validate();
    if (!why.isEmpty()) {
        if (error)
            *error = qtTrId("lp_kit_refused") + why;
        return false;
    }
    kit = result;
    return true;
}

QLineEdit* KitEditorDialog::field(const QString& objectName) const
{
    if (objectName == m_name->objectName())
        return m_name;
    for (const TField& f : m_fields) {
        if (f.edit->objectName() == objectName)
            return f.edit;
    }
    return nullptr;
}

QString KitEditorDialog::errorText() const
{
    return m_error->text();
}

void KitEditorDialog::slotSave()
{
    CalibrationKit kit;
    QString error;
    if (!kitFromFields(kit, &error) || !CalibrationManager::saveKit(kit, &error)) {
        m_error->setText(error);
        return;
    }
    // The fields show what was stored, defaults of empty fields included.
    setKit(kit);
    emit signalSaved(kit.name);
}

} // namespace Ui
