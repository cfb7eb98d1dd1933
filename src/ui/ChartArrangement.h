#pragma once

#include <QIcon>
#include <QString>
#include <QVector>
#include <array>

namespace Ui {

// One cell of the chart cluster grid; a row of HIDDEN means the view is not shown.
struct TChartPlacement
{
    static constexpr quint8 HIDDEN = 255;
    quint8 row = HIDDEN;
    quint8 column = 0;
    quint8 row_span = 0;
    quint8 column_span = 0;

    bool isShown() const { return row < HIDDEN; }
    bool operator==(const TChartPlacement& other) const
    {
        return row == other.row && column == other.column && row_span == other.row_span &&
               column_span == other.column_span;
    }
};

// A way to lay out the four chart views: a picture for the combo box and one placement per view
// in the order UL, UR, BL, BR.
struct ChartArrangement
{
    static constexpr int COUNT = 12;

    QString picture;
    int rotation = 0;
    std::array<TChartPlacement, 4> placement;

    // The icon: the picture turned clockwise by the rotation.
    QIcon icon() const;
    // The twelve arrangements; index = arrangement index.
    static const QVector<ChartArrangement>& table();
};

} // namespace Ui
