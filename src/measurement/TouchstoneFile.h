#pragma once

#include <QByteArray>
#include <QString>

#include "measurement/TScanPoint.h"

namespace ZData {

// One-port Touchstone 1.1 (".s1p") files: read in any frequency unit (Hz, kHz, MHz, GHz), in the
// RI, MA and DB formats and with any reference resistance; written as RI in Hz against 50 ohm.
// Pure functions: the caller owns the points and reports the error text.
class TouchstoneFile
{
public:
    static constexpr double REFERENCE_OHM = 50.0;

    // Parses the text of a file. On failure returns false, leaves points unchanged and sets error
    // (when given) to a one-line reason that names the offending line.
    static bool parse(const QByteArray& text, TScanPoints& points, QString* error = nullptr);
    static bool read(const QString& path, TScanPoints& points, QString* error = nullptr);

    // Option line "# Hz S RI R 50", then one line per point: frequency, real, imaginary.
    static QByteArray format(const TScanPoints& points);
    static bool write(const QString& path, const TScanPoints& points, QString* error = nullptr);
};

} // namespace ZData
