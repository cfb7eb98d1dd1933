#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include "report/TReportContent.h"

namespace ZReport {

// The marker table as comma-separated text for spreadsheets and scripts (the sweep's table is a
// trace format, ZData::DS::TraceFiles::toCsv), and the one way such a table is written.
class CsvExport
{
public:
    // Header row, then per marker: view, marker number, frequency or position, its readout lines.
    static QByteArray markers(const QVector<TReportMarker>& markers);
    // One field, quoted when it holds a comma, a quote or a line break.
    static QByteArray field(const QString& text);

    // Written beside the target and renamed over it; on failure the reason names the file.
    static bool write(const QString& path, const QByteArray& content, QString* error = nullptr);
};

} // namespace ZReport
