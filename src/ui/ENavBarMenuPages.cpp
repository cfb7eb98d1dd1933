#include "ui/ENavBarMenuPages.h"

#include <QtDebug>

namespace ZCommon {

namespace {
struct TPageText
{
    const char* objectName;
    const char* titleId;
};

constexpr TPageText PAGES[NAV_BAR_PAGES_COUNT] = {
    {"p_menu_main", "lp_page_title_menu"},
    {"p_menu_freq", "lp_pmain_frequency"},
    {"p_menu_charts", "lp_pmain_charts"},
    {"p_menu_traces", "lp_pmain_traces"},
    {"p_menu_markers", "lp_pmain_marks"},
    {"p_menu_calibration", "lp_pmain_calibration"},
    {"p_menu_update", "lp_pmain_update_firmware"},
    {"p_menu_settings", "lp_pmain_settings"},
    {"p_menu_about", "lp_pmain_about"},
};
} // namespace

QString pageTitle(int page)
{
    if (page < 0 || page >= NAV_BAR_PAGES_COUNT) {
        qWarning().noquote() << QStringLiteral("MainWindow >> got unknown value of [ %1 ]: %2")
                                    .arg(QStringLiteral("ENavBarMenuPages"))
                                    .arg(page);
        return QString::number(page);
    }
    return qtTrId(PAGES[page].titleId);
}

QString pageObjectName(int page)
{
    if (page < 0 || page >= NAV_BAR_PAGES_COUNT)
        return QString();
    return QString::fromLatin1(PAGES[page].objectName);
}

} // namespace ZCommon
