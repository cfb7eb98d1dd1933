#pragma once

#include <QString>

#include <complex>
#include <memory>

// The load connected to the analyser's port: its true reflection coefficient against 50 ohms at any
// frequency. Built from a short text so that the command line and the control channel share one syntax.
class DutModel
{
public:
    enum class Kind
    {
        Open,
        Short,
        Load,
        Resistor,
        SeriesRlc,
        Cable,
    };

    static constexpr double Z0 = 50.0;
    static constexpr double SPEED_OF_LIGHT = 299792458.0;

    // open | short | load | r=OHMS | rlc=R,L,C | cable=LENGTH_M,VF,LOSS_DB_PER_M[,END]
    // Numbers accept the suffixes f p n u m k M G. Returns nullptr and sets error on bad input.
    static std::unique_ptr<DutModel> parse(const QString& text, QString* error = nullptr);
    static QString defaultSpec();

    std::complex<double> gamma(double frequencyHz) const;
    QString describe() const;
    Kind kind() const { return m_kind; }

private:
    DutModel() = default;
    static bool parseNumber(const QString& text, double& value);

    Kind m_kind = Kind::Load;
    double m_r = Z0;
    double m_l = 0.0;
    double m_c = 0.0;
    double m_length = 0.0;
    double m_vf = 1.0;
    double m_lossDbPerM = 0.0;
    std::unique_ptr<DutModel> m_end;
};
