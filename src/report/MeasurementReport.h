#pragma once

#include <QString>

#include "report/TReportContent.h"

namespace ZReport {

// The measurement report as an A4 PDF: header (title, date, program, analyser), the sweep, the
// calibration and the electrical delay, every view as vector graphics with its markers, the table
// of all markers, the note, and a footer with page numbers. The fonts used are embedded, so
// Cyrillic texts show on any reader.
class MeasurementReport
{
public:
    static constexpr int RESOLUTION_DPI = 300;
    static constexpr double MARGIN_MM = 15.0;
    static constexpr const char* REPORT_DIR_NAME = "reports";

    // Where reports go by default: the "reports" folder beside the other data folders.
    static QString reportDir();

    // Written beside the target and renamed over it; on failure no file is left and the reason
    // names the file.
    static bool write(const QString& path, const TReportContent& content, QString* error = nullptr);
    // Pages the content takes.
    static int pageCount(const TReportContent& content);
    // A family with Latin and Cyrillic letters when one is installed, else the default family.
    static QString fontFamily(bool monospace);
};

} // namespace ZReport
