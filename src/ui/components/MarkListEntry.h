#pragma once

#include <QPair>
#include <QVector>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace Ui {
namespace Components {

// One marker in the markers page: the readout type to show, reference and delta switches, the
// readout text and a remove button. The page fills the choices and reacts to the signals.
class MarkListEntry : public QWidget
{
    Q_OBJECT

public:
    explicit MarkListEntry(int index, QWidget* parent = nullptr);

    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }
    // Choices as (display text, type value); the current choice is kept when still offered.
    void setTypes(const QVector<QPair<QString, int>>& types, int current);
    int currentType() const;
    void setReference(bool on);
    void setDelta(bool on);
    bool isReference() const;
    bool isDelta() const;
    void setReadout(const QString& text);
    QString readout() const;

    QComboBox* typeBox() const { return m_type; }
    QCheckBox* referenceBox() const { return m_reference; }
    QCheckBox* deltaBox() const { return m_delta; }
    QPushButton* removeButton() const { return m_remove; }

signals:
    void signalTypeChanged(int index, int type);
    void signalReferenceToggled(int index, bool on);
    void signalDeltaToggled(int index, bool on);
    void signalRemoveRequested(int index);

private:
    int m_index;
    QComboBox* m_type;
    QCheckBox* m_reference;
    QCheckBox* m_delta;
    QLabel* m_readout;
    QPushButton* m_remove;
};

} // namespace Components
} // namespace Ui
