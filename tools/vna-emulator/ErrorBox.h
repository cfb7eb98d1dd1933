#pragma once

#include <complex>

// The analyser's own imperfections between its detector and the port, as the three one-port error
// terms. The typical box varies smoothly with frequency so that raw data is visibly wrong and an
// open/short/load correction visibly fixes it.
class ErrorBox
{
public:
    enum class Kind
    {
        Ideal,
        Typical,
    };

    struct TTerms
    {
        std::complex<double> e00;    // directivity
        std::complex<double> e11;    // source match
        std::complex<double> e10e01; // reflection tracking
    };

    explicit ErrorBox(Kind kind = Kind::Typical, double driftPercent = 0.0)
        : m_kind(kind), m_drift(driftPercent / 100.0)
    {}

    Kind kind() const { return m_kind; }
    double driftPercent() const { return m_drift * 100.0; }
    TTerms terms(double frequencyHz) const;
    // What the detector reports for a port load of true reflection gamma.
    std::complex<double> raw(double frequencyHz, std::complex<double> gamma) const;

private:
    static TTerms typicalTerms(double frequencyHz);

    Kind m_kind;
    // How far the box has wandered from the one the factory calibration was taken with, as a
    // warmed-up or knocked analyser does: every term grows by this fraction and turns by as many
    // radians, and the directivity picks up a leak of its own.
    double m_drift = 0.0;
};
