#pragma once

#include <QProxyStyle>

class QGroupBox;

namespace Ui {
namespace Components {

// The application's style for one group box, with the title's room as wide as the title is drawn.
// Fusion sizes the title from the ink of its glyphs but draws it from its advance and clips it to
// that room, so a title whose first letter has a left bearing (many Cyrillic ones) loses its last
// pixels whatever the box's width.
class GroupTitleStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Gives the box the style that keeps its title whole (one for all boxes, owned by the application).
    static void keepTitleWhole(QGroupBox* box);

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sc,
                         const QWidget* widget = nullptr) const override;

private:
    GroupTitleStyle() = default;
};

} // namespace Components
} // namespace Ui
