#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include "measurement/TScanPoint.h"
#include "report/TReportContent.h"

namespace ZReport {

// Comma-separated exports for spreadsheets and scripts: the sweep point by point and the marker
// table. Numbers always use a dot and never a locale's grouping, whatever the program's language.
class CsvExport
{
public:
    static constexpr double Z0 = 50.0;

    // Header row, then per point: frequency (Hz), re, im, |Γ| (dB), phase (degrees), SWR, R and X
    // (ohm). Values with no finite number (an open's SWR) read "inf" or "-inf".
    static QByteArray sweep(const ZData::TScanPoints& points);
    // Header row, then per marker: view, marker number, frequency or position, its readout lines.
    static QByteArray markers(const QVector<TReportMarker>& markers);
    // One field, quoted when it holds a comma, a quote or a line break.
    static QByteArray field(const QString& text);

    // Written beside the target and renamed over it; on failure the reason names the file.
    static bool write(const QString& path, const QByteArray& content, QString* error = nullptr);
};

} // namespace ZReport
