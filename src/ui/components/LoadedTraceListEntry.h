#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace Ui {
namespace Components {

// One stored trace in the traces page: its name and a button that asks for its removal.
class LoadedTraceListEntry : public QWidget
{
    Q_OBJECT

public:
    explicit LoadedTraceListEntry(int index, QWidget* parent = nullptr);

    int index() const { return m_index; }
    void setText(const QString& text);
    QString text() const;
    QPushButton* removeButton() const { return m_remove; }

signals:
    void signalRemoveRequested(int index);

private:
    int m_index;
    QLabel* m_name;
    QPushButton* m_remove;
};

} // namespace Components
} // namespace Ui
