#include "DutModel.h"

#include <QStringList>

#include <cmath>

namespace {
constexpr double PI = 3.14159265358979323846;
} // namespace

QString DutModel::defaultSpec()
{
    // A short monopole-like load: 45 ohms radiation plus loss, resonant at about 1.00 GHz with Q near 3.5.
    return QStringLiteral("rlc=45,25n,1.0132p");
}

bool DutModel::parseNumber(const QString& text, double& value)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    double scale = 1.0;
    const QChar last = t.at(t.size() - 1);
    const QString suffixes = QStringLiteral("fpnumkMG");
    const double scales[] = {1e-15, 1e-12, 1e-9, 1e-6, 1e-3, 1e3, 1e6, 1e9};
    const int idx = suffixes.indexOf(last);
    if (idx >= 0) {
        scale = scales[idx];
        t.chop(1);
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v * scale;
    return std::isfinite(value);
}

std::unique_ptr<DutModel> DutModel::parse(const QString& text, QString* error)
{
    auto fail = [error](const QString& why) -> std::unique_ptr<DutModel> {
        if (error)
            *error = why;
        return nullptr;
    };
    const QString description = text.trimmed();
    std::unique_ptr<DutModel> dut(new DutModel);
    if (description == QLatin1String("open")) {
        dut->m_kind = Kind::Open;
        return dut;
    }
    if (description == QLatin1String("short")) {
        dut->m_kind = Kind::Short;
        return dut;
    }
    if (description == QLatin1String("load")) {
        dut->m_kind = Kind::Load;
        return dut;
    }
    const int eq = description.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return fail(QStringLiteral("unknown device under test: %1").arg(description));
    const QString key = description.left(eq);
    const QString rest = description.mid(eq + 1);
    if (key == QLatin1String("r")) {
        double r = 0;
        if (!parseNumber(rest, r) || r < 0)
            return fail(QStringLiteral("bad resistance: %1").arg(rest));
        dut->m_kind = Kind::Resistor;
        dut->m_r = r;
        return dut;
    }
    if (key == QLatin1String("rlc")) {
        const QStringList parts = rest.split(QLatin1Char(','));
        double r = 0, l = 0, c = 0;
        if (parts.size() != 3 || !parseNumber(parts[0], r) || !parseNumber(parts[1], l) ||
            !parseNumber(parts[2], c) || r < 0 || l < 0 || c <= 0)
            return fail(QStringLiteral("rlc needs R,L,C with R >= 0, L >= 0, C > 0: %1").arg(rest));
        dut->m_kind = Kind::SeriesRlc;
        dut->m_r = r;
        dut->m_l = l;
        dut->m_c = c;
        return dut;
    }
    if (key == QLatin1String("cable")) {
        // the end may itself contain commas (rlc=...), so only the first three fields are split off
        QStringList parts;
        QString remaining = rest;
        for (int i = 0; i < 3; ++i) {
            const int comma = remaining.indexOf(QLatin1Char(','));
            if (comma < 0) {
                parts << remaining;
                remaining.clear();
                break;
            }
            parts << remaining.left(comma);
            remaining = remaining.mid(comma + 1);
        }
        if (parts.size() == 3 && !remaining.isNull())
            parts << remaining;
        double length = 0, vf = 0, loss = 0;
        if (parts.size() < 3 || !parseNumber(parts[0], length) || !parseNumber(parts[1], vf) ||
            !parseNumber(parts[2], loss) || length < 0 || vf <= 0 || vf > 1 || loss < 0)
            return fail(
                QStringLiteral("cable needs LENGTH_M,VF,LOSS_DB_PER_M[,END] with 0 < VF <= 1: %1").arg(rest));
        std::unique_ptr<DutModel> end;
        if (parts.size() == 4 && !parts[3].trimmed().isEmpty()) {
            // one level only: a line ending in another line would let a long input recurse without bound
            if (parts[3].trimmed().startsWith(QLatin1String("cable")))
                return fail(QStringLiteral("a cable cannot end in another cable"));
            QString why;
            end = parse(parts[3], &why);
            if (!end)
                return fail(why);
        } else {
            end = parse(QStringLiteral("open"));
        }
        dut->m_kind = Kind::Cable;
        dut->m_length = length;
        dut->m_vf = vf;
        dut->m_lossDbPerM = loss;
        dut->m_end = std::move(end);
        return dut;
    }
    return fail(QStringLiteral("unknown device under test: %1").arg(description));
}

std::complex<double> DutModel::gamma(double f) const
{
    using C = std::complex<double>;
    const double w = 2.0 * PI * f;
    switch (m_kind) {
    case Kind::Open:
        return C(1.0, 0.0);
    case Kind::Short:
        return C(-1.0, 0.0);
    case Kind::Load:
        return C(0.0, 0.0);
    case Kind::Resistor:
        return C((m_r - Z0) / (m_r + Z0), 0.0);
    case Kind::SeriesRlc: {
        if (w <= 0.0)
            return C(1.0, 0.0); // the capacitor blocks DC
        const C z(m_r, w * m_l - 1.0 / (w * m_c));
        return (z - Z0) / (z + Z0);
    }
    case Kind::Cable: {
        const C end = m_end ? m_end->gamma(f) : C(1.0, 0.0);
        const double alpha = m_lossDbPerM / (20.0 * std::log10(std::exp(1.0)));
        const double beta = w / (m_vf * SPEED_OF_LIGHT);
        return end * std::exp(C(-2.0 * alpha * m_length, -2.0 * beta * m_length));
    }
    }
    return C(0.0, 0.0);
}

QString DutModel::describe() const
{
    switch (m_kind) {
    case Kind::Open:
        return QStringLiteral("open");
    case Kind::Short:
        return QStringLiteral("short");
    case Kind::Load:
        return QStringLiteral("load");
    case Kind::Resistor:
        return QStringLiteral("r=%1").arg(m_r);
    case Kind::SeriesRlc:
        return QStringLiteral("rlc=%1,%2,%3").arg(m_r).arg(m_l).arg(m_c);
    case Kind::Cable:
        return QStringLiteral("cable=%1,%2,%3,%4")
            .arg(m_length)
            .arg(m_vf)
            .arg(m_lossDbPerM)
            .arg(m_end ? m_end->describe() : QStringLiteral("open"));
    }
    return QString();
}
