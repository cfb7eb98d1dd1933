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

    explicit ErrorBox(Kind kind = Kind::Typical) : m_kind(kind) {}

    Kind kind() const { return m_kind; }
    TTerms terms(double frequencyHz) const;
    // What the detector reports for a port load of true reflection gamma.
    std::complex<double> raw(double frequencyHz, std::complex<double> gamma) const;

private:
    Kind m_kind;
};
