#pragma once

#include <QValidator>

namespace Ui {
namespace Components {

// A bounded decimal validator that reads both '.' and ',' as the decimal separator, whatever the
// locale: the pages write values with '.', while the window's locale writes ','. A value with
// too many decimals or a stray character is invalid; a number outside the bounds is intermediate,
// so the user may keep typing and the clamping line edit pulls it inside on Return.
class ZDoubleValidator : public QValidator
{
    Q_OBJECT

public:
    ZDoubleValidator(double bottom, double top, int decimals, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

    void setRange(double bottom, double top, int decimals);
    // Frequency fields in MHz also take "k", "M" and "G" (any case, an optional "Hz" after them):
    // "1.5G" is 1500, "750k" is 0.75. A minus sign is then let through to the clamp, which refuses
    // it in words instead of dropping the key unseen.
    void setFrequencySuffixes(bool on) { m_suffixes = on; }
    bool hasFrequencySuffixes() const { return m_suffixes; }
    // The text read as this validator reads it (suffixes included when switched on).
    double value(const QString& text, bool* ok) const;
    // Reads a number with an optional k/M/G (Hz) suffix as MHz; hadSuffix tells whether one was there.
    static double toMHz(const QString& text, bool* ok, bool* hadSuffix = nullptr);
    double bottom() const { return m_bottom; }
    double top() const { return m_top; }
    int decimals() const { return m_decimals; }

    // The text with blanks removed and ',' read as '.'.
    static QString normalized(const QString& text);
    // Reads a normalised text as a double (C locale); ok is false when it is not a plain number.
    static double toDouble(const QString& text, bool* ok);
    // The value of the decimal grid nearest to value that lies inside [bottom, top]; rounding comes
    // first so that a bound itself (0.57, 1.15) is never lost to binary truncation.
    static double clampToGrid(double value, double bottom, double top, int decimals);
    // Fixed notation with the given decimals and '.' as separator.
    static QString format(double value, int decimals);

private:
    double m_bottom;
    double m_top;
    int m_decimals;
    bool m_suffixes = false;
};

} // namespace Components
} // namespace Ui
