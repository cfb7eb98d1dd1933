#pragma once

#include <QString>
#include <QStringList>

#include <complex>

#include "calibration/CalibrationData.h"

namespace ZData {
namespace CAL {

// The real open, short and load a user calibrates with, each behind an offset line, as a kit's data
// sheet gives them. Kits live as small INI files; the built-in ideal kit (all zero) stands for the
// perfect standards +1, -1 and 0.
class CalibrationKit
{
public:
    using TGamma = std::complex<double>;

    static constexpr const char* DIR_NAME = "kits";
    static constexpr const char* FILE_SUFFIX = "ini";
    static constexpr const char* IDEAL_NAME = "Ideal";
    static constexpr double REFERENCE_OHM = 50.0;

    struct TOffsetLine
    {
        double delayPs = 0;      // one-way delay
        double lossGOhmPerS = 0; // at 1 GHz
        double z0Ohm = REFERENCE_OHM;
    };
    struct TOpen
    {
        // C0 fF, C1 1e-27 F/Hz, C2 1e-36 F/Hz^2, C3 1e-45 F/Hz^3
        double c[4] = {0, 0, 0, 0};
        TOffsetLine line;
    };
    struct TShort
    {
        // L0 pH, L1 1e-24 H/Hz, L2 1e-33 H/Hz^2, L3 1e-42 H/Hz^3
        double l[4] = {0, 0, 0, 0};
        TOffsetLine line;
    };
    struct TLoad
    {
        double rOhm = REFERENCE_OHM; // in series with lPh, the pair in parallel with cFf
        double lPh = 0;
        double cFf = 0;
        TOffsetLine line;
    };

    QString name = QString::fromLatin1(IDEAL_NAME);
    TOpen open;
    TShort shortStd;
    TLoad load;

    static CalibrationKit ideal() { return CalibrationKit(); }
    bool isIdeal() const;
    bool operator==(const CalibrationKit& other) const;

    TGamma openGamma(double frequencyHz) const;
    TGamma shortGamma(double frequencyHz) const;
    TGamma loadGamma(double frequencyHz) const;
    // The standard of a calibration type bit (1 open, 2 short, 4 load); 0 for any other bit.
    TGamma gamma(quint8 calibType, double frequencyHz) const;

    // A value by its file group and key ("open", "c0_ff"); false for a key a kit file does not have.
    bool value(const QString& group, const QString& key, double& out) const;
    bool setValue(const QString& group, const QString& key, double v);

    // The first value outside what a real kit can have, as "key: reason"; empty when all are sound.
    QString validate() const;

    // Reads a kit file. On failure returns false, leaves out unchanged and sets error to
    // "FILE:LINE: reason" (or "FILE: reason" when no line is to blame). The name is the file's base
    // name unless a [kit] group names it.
    static bool readFile(const QString& path, CalibrationKit& out, QString* error);
    // withName adds a [kit] group naming the kit, for a record kept apart from the kits folder.
    bool writeFile(const QString& path, QString* error, bool withName = false) const;

    // Kit names are file names: letters, digits, '-', '_' and '.', not starting with '.', at most 64
    // characters, and never the ideal kit's name in any letter case.
    static bool isValidName(const QString& name);
    static QString dir();
    static QString pathFor(const QString& name);
    // The ideal kit first, then every kit file's name in alphabetical order.
    static QStringList available();

    // Solves each point's error terms with this kit's actual standards at that point's frequency and
    // replaces the three standards by what perfect standards would have read through those terms, so
    // that the ordinary correction then gives the kit's accuracy. Points whose standards cannot be
    // told apart (a singular solve) are left as measured; their number is returned.
    int idealize(CalibrationData& data, const QVector<double>& frequenciesHz) const;
};

} // namespace CAL
} // namespace ZData
