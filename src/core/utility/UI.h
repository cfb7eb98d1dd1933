#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>
#include <QString>

class QWidget;
class QScreen;
class QButtonGroup;

namespace ZCore {
namespace UtilityModules {

// Widget placement and colouring shared by the windows and pages.
class UI
{
public:
    static QString tag() { return QStringLiteral("Utility::UI"); }

    // Centres the widget on the screen (the primary screen when none is given).
    static void setWidgetAtScreenCenter(QWidget* widget, QScreen* screen = nullptr);
    // Brings back a widget that lies on no screen (for example after a monitor was removed).
    static void tryToFixWidgetScreenPos(QWidget* widget);

    // Share of the available screen area a window takes on its first start.
    static constexpr double FIRST_START_SHARE = 0.85;
    // First start: FIRST_START_SHARE of the available area (never below the minimum unless the
    // screen is smaller), centred in it.
    static QRect initialGeometry(const QRect& available, const QSize& minimum);
    // A remembered geometry made to fit: no larger than the available area and moved fully onto
    // it; one that does not meet the area at all is centred in it.
    static QRect fittedGeometry(const QRect& wanted, const QRect& available);

    static void setTextColor(QWidget* widget, const QColor& color);
    static void setPaletteColor(QWidget* widget, QPalette::ColorRole role, const QColor& color);
    static void setButtonGroupColor(QButtonGroup* group, QPalette::ColorRole role, const QColor& color);
    static void setButtonGroupEnabled(QButtonGroup* group, bool enabled);

    // Reads the style sheet (UTF-8) and applies it to the whole application; false if unreadable.
    static bool loadStyleSheet(const QString& path);
};

} // namespace UtilityModules
} // namespace ZCore
