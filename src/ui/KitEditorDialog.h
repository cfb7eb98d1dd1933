#pragma once

#include <QDialog>
#include <QMap>

#include "calibration/CalibrationKit.h"

class QLabel;
class QLineEdit;
class QGroupBox;

namespace Ui {

// A small window for typing a calibration kit's data sheet values, each field with its unit, and
// saving the kit under a name. It never blocks: it is shown beside the window, and a value that
// cannot be taken is named in the dialog itself.
class KitEditorDialog : public QDialog
{
    Q_OBJECT

public:
    explicit KitEditorDialog(QWidget* parent = nullptr);

    // Fills the fields; the ideal kit leaves the name empty so that it is not saved over.
    void setKit(const ZData::CAL::CalibrationKit& kit);
    // The kit the fields describe, or false with the first field that cannot be read in error.
    bool kitFromFields(ZData::CAL::CalibrationKit& kit, QString* error) const;
    QLineEdit* field(const QString& objectName) const;
    QString errorText() const;
    void retranslateUi();

signals:
    void signalSaved(const QString& name);

public slots:
    void slotSave();

private:
    struct TField
    {
        QString group;
        QString key;
        const char* labelId = nullptr;
        const char* unitId = nullptr;
        QLineEdit* edit = nullptr;
        QLabel* label = nullptr;
        QLabel* unit = nullptr;
    };
    QGroupBox* addGroup(const char* objectName, const char* group);

    ZData::CAL::CalibrationKit m_base;
    QVector<TField> m_fields;
    QMap<QString, QGroupBox*> m_groups;
    QLineEdit* m_name = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLabel* m_error = nullptr;
};

} // namespace Ui
