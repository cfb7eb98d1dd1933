#pragma once

#include <QGraphicsItem>
#include <QList>
#include <QStringList>
#include <QVector>

#include "charts/TMarkData.h"

class QSettings;

namespace QtCharts {
class QChart;
}

namespace ZChart {

class ZChartView;
class ZMark;

// The markers of one view: at most MAX_MARKS, numbered 1..n in creation order, at most one selected
// and at most one reference that the delta markers measure against.
class ZMarksTable : public QGraphicsItem
{
public:
    static constexpr int MAX_MARKS = 6;
    static QString tag() { return QStringLiteral("ZMarksTable"); }

    ZMarksTable(QtCharts::QChart* chart, ZChartView* view);
    ~ZMarksTable() override;

    QRectF boundingRect() const override { return QRectF(); }
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

    int count() const { return m_marks.size(); }
    bool isEmpty() const { return m_marks.isEmpty(); }
    bool isFull() const { return m_marks.size() >= MAX_MARKS; }
    ZMark* mark(int index) const { return index >= 0 && index < m_marks.size() ? m_marks[index] : nullptr; }
    int indexOf(const ZMark* mark) const;
    ZMark* selectedMark() const { return m_selected; }
    ZMark* referenceMark() const;

    // Position in MHz on frequency charts, in display units on the DTF chart. False when full.
    bool addMark(double position);
    void removeMark(ZMark* mark);
    void removeMark(int index);
    void removeAll();
    void moveMark(int index, double position);
    void selectMark(ZMark* mark);
    void selectMark(int index);
    // On: the marker becomes the one reference (a former one is demoted); off: no reference at all.
    bool setReference(int index, bool on);
    bool setDelta(int index, bool on);
    bool setMarkType(int index, EMarkType type);

    void setShowMarkers(bool show);
    bool isShowingMarkers() const { return m_showMarkers; }

    QVector<TMarkData> marksData() const;
    QStringList readouts() const;

    // Index of the scan point at a frequency in MHz / of the DTF point at a position in display
    // units, limited to the series; 0 where there is no spacing to divide by.
    int indexFromFrequency(double mhz) const;
    int indexFromDTF(double position) const;
    // Points of the frequency series and of the DTF series.
    int pointCount() const;
    int dtfCount() const;

    // Markers follow new data, a new range or a new chart type.
    void updateAll();

    // Array "marks" inside the group the caller has opened.
    void saveSettings(QSettings* settings) const;
    void restoreSettings(QSettings* settings);

private:
    void renumber();
    void detachReference(ZMark* removed);

    QtCharts::QChart* m_chart = nullptr;
    ZChartView* m_view = nullptr;
    bool m_showMarkers = true;
    QList<ZMark*> m_marks;
    ZMark* m_selected = nullptr;
};

} // namespace ZChart
