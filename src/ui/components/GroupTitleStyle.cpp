#include "ui/components/GroupTitleStyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QPointer>
#include <QStyleOptionGroupBox>

#include <algorithm>

namespace Ui {
namespace Components {

void GroupTitleStyle::keepTitleWhole(QGroupBox* box)
{
    // One for every box, kept until the application goes: a style must outlive each widget that
    // was ever given it, the box's own children included.
    static QPointer<GroupTitleStyle> shared;
    if (!shared) {
        shared = new GroupTitleStyle;
        shared->setParent(qApp);
    }
    box->setStyle(shared);
}

QRect GroupTitleStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sc,
                                      const QWidget* widget) const
{
    QRect rect = QProxyStyle::subControlRect(control, option, sc, widget);
    const auto* group = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || sc != SC_GroupBoxLabel || !group || group->text.isEmpty())
        return rect;
    const QFontMetrics& fm = group->fontMetrics;
    const int drawn = std::max(fm.size(Qt::TextShowMnemonic, group->text).width(),
                               fm.boundingRect(group->text).right() + 1) +
                      1;
    if (drawn <= rect.width())
        return rect;
    if (group->direction == Qt::RightToLeft)
        rect.setLeft(rect.right() - drawn + 1);
    else
        rect.setWidth(drawn);
    return rect;
}

} // namespace Components
} // namespace Ui
