#pragma once

#include <QString>

namespace ZCommon {

// The pages of the side panel; the value is the page's index in the stack.
enum class ENavBarMenuPages : int
{
    MAIN = 0,
    FREQ = 1,
    CHARTS = 2,
    TRACES = 3,
    MARKERS = 4,
    CALIBRATION = 5,
    UPDATE = 6,
    SETTINGS = 7,
    ABOUT = 8,
};

constexpr int NAV_BAR_PAGES_COUNT = 9;

// The page's translated title; an unknown value gives its number and a warning.
QString pageTitle(int page);
// Object name of the page widget ("p_menu_freq", ...); empty for an unknown value.
QString pageObjectName(int page);

} // namespace ZCommon
