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
};

} // namespace Components
} // namespace Ui
