#include "ui/components/ZDoubleValidator.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace Ui {
namespace Components {

ZDoubleValidator::ZDoubleValidator(double bottom, double top, int decimals, QObject* parent)
    : QValidator(parent), m_bottom(bottom), m_top(top), m_decimals(qMax(0, decimals))
{}

void ZDoubleValidator::setRange(double bottom, double top, int decimals)
{
    m_bottom = bottom;
    m_top = top;
    m_decimals = qMax(0, decimals);
    emit changed();
}

QString ZDoubleValidator::normalized(const QString& text)
{
    QString out = text.trimmed();
    out.remove(QLatin1Char(' '));
    out.replace(QLatin1Char(','), QLatin1Char('.'));
    return out;
}

double ZDoubleValidator::toDouble(const QString& text, bool* ok)
{
    static const QRegularExpression plain(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    const QString normal = normalized(text);
    if (!plain.match(normal).hasMatch()) {
        if (ok)
            *ok = false;
        return 0.0;
    }
    return QLocale::c().toDouble(normal, ok);
}

double ZDoubleValidator::toMHz(const QString& text, bool* ok, bool* hadSuffix)
{
    static const QRegularExpression withUnit(QStringLiteral("^(.*?)([kmg])(hz)?$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QString normal = normalized(text);
    const QRegularExpressionMatch match = withUnit.match(normal);
    if (hadSuffix)
        *hadSuffix = match.hasMatch();
    if (!match.hasMatch())
        return toDouble(normal, ok);
    const double number = toDouble(match.captured(1), ok);
    const QChar unit = match.captured(2).at(0).toLower();
    const double scale = unit == QLatin1Char('k') ? 1e-3 : (unit == QLatin1Char('g') ? 1e3 : 1.0);
    return number * scale;
}

double ZDoubleValidator::value(const QString& text, bool* ok) const
{
    return m_suffixes ? toMHz(text, ok) : toDouble(text, ok);
}

QValidator::State ZDoubleValidator::validate(QString& input, int& pos) const
{
    Q_UNUSED(pos)
    const QString normal = normalized(input);
    if (normal.isEmpty())
        return Intermediate;
    if (m_suffixes) {
        static const QRegularExpression partial(QStringLiteral("^[+-]?(\\d*\\.?\\d*)([kmg](h|hz)?)?$"),
                                                QRegularExpression::CaseInsensitiveOption);
        if (!partial.match(normal).hasMatch())
            return Invalid;
        bool ok = false;
        bool hadSuffix = false;
        const double v = toMHz(normal, &ok, &hadSuffix);
        if (!ok || normal.startsWith(QLatin1Char('-')) || v < m_bottom || v > m_top)
            return Intermediate;
        const int dot = normal.indexOf(QLatin1Char('.'));
        // A suffixed value is brought onto the grid by the clamp on Return.
        if (!hadSuffix && dot >= 0 && normal.size() - dot - 1 > m_decimals)
            return Invalid;
        return hadSuffix ? Intermediate : Acceptable;
    }
    if (normal == QLatin1String("-") || normal == QLatin1String("+"))
        return (m_bottom < 0 || normal == QLatin1String("+")) ? Intermediate : Invalid;
    if (normal.startsWith(QLatin1Char('-')) && m_bottom >= 0)
        return Invalid;
    bool ok = false;
    const double value = toDouble(normal, &ok);
    if (!ok)
        return Invalid;
    const int dot = normal.indexOf(QLatin1Char('.'));
    if (dot >= 0 && normal.size() - dot - 1 > m_decimals)
        return Invalid;
    if (value < m_bottom || value > m_top)
        return Intermediate;
    return Acceptable;
}

void ZDoubleValidator::fixup(QString& input) const
{
    bool ok = false;
    const double value = this->value(input, &ok);
    // A negative frequency is refused in words by the field, never turned into the lower bound.
    if (ok && !(m_suffixes && value < 0.0 && m_bottom >= 0.0))
        input = format(clampToGrid(value, m_bottom, m_top, m_decimals), m_decimals);
}

double ZDoubleValidator::clampToGrid(double value, double bottom, double top, int decimals)
{
    const double m = std::pow(10.0, qMax(0, decimals));
    double v = std::round(value * m) / m;
    if (v > top) {
        v = std::round(top * m) / m;
        if (v > top)
            v = (std::round(top * m) - 1.0) / m;
    }
    if (v < bottom) {
        v = std::round(bottom * m) / m;
        if (v < bottom)
            v = (std::round(bottom * m) + 1.0) / m;
    }
    // A range narrower than one grid step holds no grid value: the lower bound is the best answer.
    if (v > top)
        v = bottom;
    return v;
}

QString ZDoubleValidator::format(double value, int decimals)
{
    return QString::number(value, 'f', qMax(0, decimals));
}

} // namespace Components
} // namespace Ui
