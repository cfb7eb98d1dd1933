#include "ui/ChartArrangement.h"

#include "core/utility/Image.h"

namespace Ui {

namespace {
constexpr TChartPlacement H{};

ChartArrangement entry(const char* picture, int rotation, TChartPlacement ul, TChartPlacement ur,
                       TChartPlacement bl, TChartPlacement br)
{
    ChartArrangement a;
    a.picture = QString::fromLatin1(picture);
    a.rotation = rotation;
    a.placement = {ul, ur, bl, br};
    return a;
}
} // namespace

QIcon ChartArrangement::icon() const
{
    return QIcon(ZCore::UtilityModules::Image::rotatedPixmap(picture, rotation));
}

const QVector<ChartArrangement>& ChartArrangement::table()
{
    static const char* const ONE = ":/arrange/images/arrangement/charts_1.png";
    static const char* const TWO = ":/arrange/images/arrangement/charts_2.png";
    static const char* const THREE = ":/arrange/images/arrangement/charts_3.png";
    static const char* const HALF = ":/arrange/images/arrangement/charts_3_half.png";
    static const char* const FOUR = ":/arrange/images/arrangement/charts_4.png";
    static const char* const CROSS = ":/arrange/images/arrangement/charts_4_cross.png";
    static const QVector<ChartArrangement> arrangements = {
        entry(ONE, 0, {0, 0, 1, 1}, H, H, H),
        entry(TWO, 0, {0, 0, 1, 2}, {1, 0, 1, 2}, H, H),
        entry(TWO, 90, {0, 0, 2, 1}, {0, 1, 2, 1}, H, H),
        entry(THREE, 0, {0, 0, 1, 3}, {1, 0, 1, 3}, {2, 0, 1, 3}, H),
        entry(THREE, 90, {0, 0, 3, 1}, {0, 1, 3, 1}, {0, 2, 3, 1}, H),
        entry(HALF, 0, {0, 0, 1, 2}, H, {1, 0, 1, 1}, {1, 1, 1, 1}),
        entry(HALF, 90, {0, 0, 1, 1}, {0, 1, 2, 1}, {1, 0, 1, 1}, H),
        entry(HALF, 180, {0, 0, 1, 1}, {0, 1, 1, 1}, {1, 0, 1, 2}, H),
        entry(HALF, 270, {0, 0, 2, 1}, {0, 1, 1, 1}, H, {1, 1, 1, 1}),
        entry(FOUR, 0, {0, 0, 1, 4}, {1, 0, 1, 4}, {2, 0, 1, 4}, {3, 0, 1, 4}),
        entry(FOUR, 90, {0, 0, 4, 1}, {0, 1, 4, 1}, {0, 2, 4, 1}, {0, 3, 4, 1}),
        entry(CROSS, 0, {0, 0, 1, 1}, {0, 1, 1, 1}, {1, 0, 1, 1}, {1, 1, 1, 1}),
    };
    return arrangements;
}

} // namespace Ui
