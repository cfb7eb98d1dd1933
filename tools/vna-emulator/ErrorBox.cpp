#include "ErrorBox.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double PI = 3.14159265358979323846;
constexpr double F_MAX = 6.2e9;
} // namespace

ErrorBox::TTerms ErrorBox::terms(double f) const
{
    using C = std::complex<double>;
    if (m_kind == Kind::Ideal && m_drift == 0.0)
        return {C(0, 0), C(0, 0), C(1, 0)};
    TTerms t{C(0, 0), C(0, 0), C(1, 0)};
    if (m_kind == Kind::Typical)
        t = typicalTerms(f);
    if (m_drift != 0.0) {
        const C turn = std::polar(1.0 + m_drift, m_drift);
        t.e00 = t.e00 * turn + C(0.2 * m_drift, 0.1 * m_drift);
        t.e11 *= turn;
        t.e10e01 *= turn;
    }
    return t;
}

ErrorBox::TTerms ErrorBox::typicalTerms(double f)
{
    const double x = std::min(std::max(f / F_MAX, 0.0), 1.5);
    const double w = 2.0 * PI * f;
    TTerms t;
    // coupler directivity worsens with frequency; the leakage path is about 0.35 ns long
    t.e00 = std::polar(0.04 + 0.10 * x, -w * 0.35e-9 + 0.6);
    // port match of the bridge and connector, with a ripple from the 0.2 ns board trace
    t.e11 = std::polar(0.06 + 0.12 * x + 0.02 * std::sin(3.0 * PI * x), -w * 0.2e-9 - 0.4);
    // round trip through 6 cm of board and connector, with a gently falling detector response
    t.e10e01 = std::polar(0.92 - 0.25 * x, -w * 0.42e-9 + 0.1);
    return t;
}

std::complex<double> ErrorBox::raw(double f, std::complex<double> gamma) const
{
    const TTerms t = terms(f);
    const std::complex<double> den = 1.0 - t.e11 * gamma;
    if (std::abs(den) < 1e-12)
        return t.e00;
    return t.e00 + t.e10e01 * gamma / den;
}
