#pragma once

#include <QFileInfo>
#include <QString>

#include "measurement/TScanPoint.h"

namespace ZData {
namespace DS {

// A frozen copy of one sweep, loaded from or saved to a trace file.
struct TTraceData
{
    TScanPoints points;
    double start = 0;
    double stop = 0;
    quint32 pointCount = 0;
    QFileInfo file;

    // Base name of the file (up to the first dot), empty when there is no file.
    QString name() const { return file.exists() ? file.baseName() : QString(); }
};

} // namespace DS
} // namespace ZData
