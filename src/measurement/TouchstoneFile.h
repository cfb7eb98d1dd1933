#pragma once

#include <QByteArray>
#include <QString>

#include "measurement/TScanPoint.h"

namespace ZData {

enum class ETouchstoneFormat
{
    RI,
    MA,
    DB
};

enum class ETouchstoneUnit
{
    HZ,
    KHZ,
    MHZ,
    GHZ
};

// How a Touchstone file is written: data format and frequency unit.
struct TTouchstoneOptions
{
    ETouchstoneFormat format = ETouchstoneFormat::RI;
    ETouchstoneUnit unit = ETouchstoneUnit::HZ;
};

// One-port Touchstone 1.1 (".s1p") files: read and written in any frequency unit (Hz, kHz, MHz,
// GHz) and in the RI, MA and DB formats; read with any reference resistance, written against 50 ohm.
// Pure functions: the caller owns the points and reports the error text.
class TouchstoneFile
{
public:
    static constexpr double REFERENCE_OHM = 50.0;

    using EFormat = ETouchstoneFormat;
    using EUnit = ETouchstoneUnit;
    using TWriteOptions = TTouchstoneOptions;

    // The names as the option line and the command line spell them ("RI", "MHZ"), case ignored.
    static QString formatName(EFormat format);
    static QString unitName(EUnit unit);
    static bool formatFromName(const QString& name, EFormat& format);
    static bool unitFromName(const QString& name, EUnit& unit);

    // Parses the text of a file. On failure returns false, leaves points unchanged and sets error
    // (when given) to a one-line reason that names the offending line.
    static bool parse(const QByteArray& text, TScanPoints& points, QString* error = nullptr);
    static bool read(const QString& path, TScanPoints& points, QString* error = nullptr);

    // Option line ("# Hz S RI R 50" by default), then one line per point: the frequency in the
    // chosen unit, exact to the hertz, and the two values of the chosen format.
    static QByteArray format(const TScanPoints& points, const TWriteOptions& options = TWriteOptions());
    // Written beside the target and renamed over it.
    static bool write(const QString& path, const TScanPoints& points, QString* error = nullptr,
                      const TWriteOptions& options = TWriteOptions());
};

} // namespace ZData
