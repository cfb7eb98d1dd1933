#pragma once

#include <QList>
#include <QMetaObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QVector>

#include "ui/pages/MWAbstractPage.h"

class QCheckBox;
class QFileDialog;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace ZChart {
class ZChartView;
class ZMarksTable;
} // namespace ZChart

namespace Ui {
namespace Components {
class ClampedLineEdit;
class MarkListEntry;
} // namespace Components
} // namespace Ui

namespace MW_Pages {

// The markers page: adds markers to the selected view at a typed position and lists that view's
// markers with their type, reference/delta switches and live readouts. Entry i always shows
// marker i of the followed view; every change of the table's shape re-reads it whole.
class PgMarkers : public MWAbstractPage
{
    Q_OBJECT

public:
    static constexpr int LIST_SIZE = 6;
    static constexpr int MIN_TYPE_CHARS = 12;

    explicit PgMarkers(QObject* parent = nullptr);
    ~PgMarkers() override;

    static QString staticTag() { return QStringLiteral("MW_Pages::PgMarkers"); }
    // The readout types a view's chart type allows, as (display name, type value).
    static QVector<QPair<QString, int>> markTypeChoices(const ZChart::ZChartView* view);

    Ui::Components::MarkListEntry* entry(int index) const;
    Ui::Components::ClampedLineEdit* positionEdit() const { return m_position; }
    ZChart::ZChartView* followedView() const { return m_view; }
    QPushButton* exportButton() const { return m_export; }
    QFileDialog* exportDialog() const { return m_exportDialog; }

    void retranslateUi() override;

public slots:
    void slotLoadedLang();
    void slotAddNewMark();
    void slotRetrievedMarksData();
    void slotSelectedNewChartView();
    void slotCreatedMark(int index);
    void slotRemovedMark(int index);
    // The markers of every shown view as a CSV table, into the file the dialog names.
    void slotExportMarks();
    void slotProcessExportMarks(int result);

protected:
    void initUi() override;
    void initUiActions() override;

private:
    ZChart::ZMarksTable* marksTable() const;
    void refreshEnabling();
    void applyInputLabels();
    void applyInputRange();
    void setInputRange(double lower, double upper);
    // Choices, types, switches and visibility of every entry from the table.
    void syncEntries(bool rebuildChoices);
    void followView(ZChart::ZChartView* view);

    QLabel* m_title = nullptr;
    Ui::Components::ClampedLineEdit* m_position = nullptr;
    QLabel* m_units = nullptr;
    QPushButton* m_add = nullptr;
    QCheckBox* m_show = nullptr;
    QPushButton* m_removeAll = nullptr;
    QPushButton* m_export = nullptr;
    QFileDialog* m_exportDialog = nullptr;
    QVBoxLayout* m_list = nullptr;
    QVector<Ui::Components::MarkListEntry*> m_entries;
    QPointer<ZChart::ZChartView> m_view;
    QList<QMetaObject::Connection> m_viewConnections;
};

} // namespace MW_Pages
