#pragma once

#include <QtGlobal>

#include "charts/ChartTypes.h"

namespace ZChart {

class ZMark;

// What a marker pins and how it reads out; the part a view saves is freq, dtf, type and mod_type.
struct TMarkData
{
    qint32 index = -1;
    double frequency = 0.0;        // Hz
    double frequency_offset = 0.0; // MHz, delta marker minus reference
    qint32 dtf_index = -1;
    double dtf_position = 0.0; // display units
    double dtf_offset = 0.0;
    quint16 number = 0xFFFF;
    bool selected = false;
    EMarkType type = EMarkType::RE_IM;
    EMarkModType modifier = EMarkModType::NONE;
    ZMark* reference = nullptr;

    void setModifier(EMarkModType mod)
    {
        modifier = mod;
        if (mod == EMarkModType::REFERENCE || mod == EMarkModType::DELTA)
            clearOffsets();
    }
    void clearReference()
    {
        reference = nullptr;
        clearOffsets();
    }
    void clearOffsets()
    {
        frequency_offset = 0.0;
        dtf_offset = 0.0;
    }
};

} // namespace ZChart
