#include "measurement/TouchstoneFile.h"

#include <QFile>
#include <QSaveFile>

#include <cmath>
#include <complex>

namespace ZData {

namespace {

using EFormat = TouchstoneFile::EFormat;
using EUnit = TouchstoneFile::EUnit;

quint64 unitHz(EUnit unit)
{
    switch (unit) {
    case EUnit::HZ:
        return 1;
    case EUnit::KHZ:
        return 1000;
    case EUnit::MHZ:
        return 1000000;
    case EUnit::GHZ:
        return 1000000000;
    }
    return 1;
}

// Whole hertz in a larger unit as an exact decimal, without trailing zeros: 1500 Hz is "1.5" kHz.
QByteArray exactFrequency(quint64 hz, quint64 unit)
{
    QByteArray text = QByteArray::number(qulonglong(hz / unit));
    const quint64 rest = hz % unit;
    if (rest == 0)
        return text;
    const int digits = QByteArray::number(qulonglong(unit)).size() - 1;
    QByteArray fraction = QByteArray::number(qulonglong(rest)).rightJustified(digits, '0');
    while (fraction.endsWith('0'))
        fraction.chop(1);
    return text + '.' + fraction;
}

struct TOptions
{
    double multiplier = 1e9; // GHz unless the option line says otherwise
    EFormat format = EFormat::MA;
    double reference = TouchstoneFile::REFERENCE_OHM;
};

QString lineError(int line, const QString& reason)
{
    return QStringLiteral("line %1: %2").arg(line).arg(reason);
}

bool toNumber(const QByteArray& token, double& value)
{
    bool ok = false;
    value = token.toDouble(&ok);
    return ok && std::isfinite(value);
}

bool parseOptions(const QList<QByteArray>& tokens, int line, TOptions& options, QString& error)
{
    // tokens[0] is "#"; the remaining words may come in any order.
    for (int i = 1; i < tokens.size(); ++i) {
        const QByteArray word = tokens[i].toUpper();
        if (word == "HZ")
            options.multiplier = 1.0;
        else if (word == "KHZ")
            options.multiplier = 1e3;
        else if (word == "MHZ")
            options.multiplier = 1e6;
        else if (word == "GHZ")
            options.multiplier = 1e9;
        else if (word == "RI")
            options.format = EFormat::RI;
        else if (word == "MA")
            options.format = EFormat::MA;
        else if (word == "DB")
            options.format = EFormat::DB;
        else if (word == "S")
            continue;
        else if (word == "Y" || word == "Z" || word == "H" || word == "G") {
            error =
                lineError(line, QStringLiteral("only S parameters are supported, not %1").arg(QString(word)));
            return false;
        } else if (word == "R") {
            double reference = 0.0;
            if (i + 1 >= tokens.size() || !toNumber(tokens[i + 1], reference) || reference <= 0.0) {
                error = lineError(line, QStringLiteral("the reference resistance must be a positive number"));
                return false;
            }
            options.reference = reference;
            ++i;
        } else {
            error = lineError(line, QStringLiteral("unknown option \"%1\"").arg(QString(tokens[i])));
            return false;
        }
    }
    return true;
}

std::complex<double> toComplex(double a, double b, EFormat format)
{
    constexpr double degree = M_PI / 180.0;
    switch (format) {
    case EFormat::RI:
        return {a, b};
    case EFormat::MA:
        return std::polar(a, b * degree);
    case EFormat::DB:
        return std::polar(std::pow(10.0, a / 20.0), b * degree);
    }
    return {a, b};
}

// A reflection measured against another reference resistance, seen from 50 ohm.
std::complex<double> renormalise(std::complex<double> s, double reference)
{
    if (reference == TouchstoneFile::REFERENCE_OHM)
        return s;
    const std::complex<double> one(1.0, 0.0);
    const std::complex<double> denominator = one - s;
    if (std::abs(denominator) == 0.0)
        return one; // an open stays an open whatever the reference
    const std::complex<double> z = reference * (one + s) / denominator;
    return (z - TouchstoneFile::REFERENCE_OHM) / (z + TouchstoneFile::REFERENCE_OHM);
}

} // namespace

bool TouchstoneFile::parse(const QByteArray& text, TScanPoints& points, QString* error)
{
    TOptions options;
    bool seenOptions = false;
    TScanPoints result;
    QString reason;
    // Files come with LF, CR LF or lone CR line ends.
    QByteArray normalised = text;
    normalised.replace("\r\n", "\n");
    normalised.replace('\r', '\n');
    const QList<QByteArray> lines = normalised.split('\n');
    double previousHz = -1.0;
    quint64 previousStored = 0;
    for (int index = 0; index < lines.size(); ++index) {
        const int lineNumber = index + 1;
        QByteArray line = lines[index];
        const int comment = line.indexOf('!');
        if (comment >= 0)
            line.truncate(comment);
        line = line.simplified(); // also drops tabs between columns
        if (line.isEmpty())
            continue;

        if (line.startsWith('#')) {
            // Only the first option line counts; later ones are ignored as the format prescribes.
            if (seenOptions)
                continue;
            if (!result.isEmpty()) {
                reason = lineError(lineNumber, QStringLiteral("the option line must precede the data"));
                break;
            }
            const QByteArray spaced = (QByteArray("# ") + line.mid(1)).simplified();
            if (!parseOptions(spaced.split(' '), lineNumber, options, reason))
                break;
            seenOptions = true;
            continue;
        }
        if (line.startsWith('[')) {
            reason = lineError(lineNumber,
                               QStringLiteral("keyword sections of later format versions are not supported"));
            break;
        }

        const QList<QByteArray> tokens = line.split(' ');
        if (tokens.size() != 3) {
            reason = lineError(
                lineNumber,
                QStringLiteral("expected frequency and two values, found %1 fields").arg(tokens.size()));
            break;
        }
        double values[3] = {0.0, 0.0, 0.0};
        bool numeric = true;
        for (int i = 0; i < 3; ++i)
            numeric = numeric && toNumber(tokens[i], values[i]);
        if (!numeric) {
            reason = lineError(lineNumber, QStringLiteral("not a number"));
            break;
        }
        // Order is judged first on the values as written, then on the whole hertz that are stored.
        const double exactHz = values[0] * options.multiplier;
        if (!(exactHz >= 0.0) || exactHz >= 9.2e18) {
            reason = lineError(lineNumber, QStringLiteral("frequency out of range"));
            break;
        }
        if (exactHz <= previousHz) {
            reason = lineError(lineNumber, QStringLiteral("frequencies must increase from line to line"));
            break;
        }
        previousHz = exactHz;
        if (options.format == EFormat::MA && values[1] < 0.0) {
            reason = lineError(lineNumber, QStringLiteral("negative magnitude"));
            break;
        }
        TScanPoint point;
        point.frequency = quint64(std::round(exactHz));
        // Stored points need strictly rising whole hertz; sub-hertz steps that round onto the same
        // hertz would give one frequency two values.
        if (!result.isEmpty() && point.frequency <= previousStored) {
            reason = lineError(lineNumber, QStringLiteral("frequency rounds to %1 Hz like the line before; "
                                                          "stored frequencies must rise by whole hertz")
                                               .arg(point.frequency));
            break;
        }
        previousStored = point.frequency;
        const std::complex<double> s =
            renormalise(toComplex(values[1], values[2], options.format), options.reference);
        point.re = float(s.real());
        point.im = float(s.imag());
        if (!std::isfinite(point.re) || !std::isfinite(point.im)) {
            reason = lineError(lineNumber, QStringLiteral("value out of range"));
            break;
        }
        result.append(point);
    }

    if (reason.isEmpty() && result.isEmpty())
        reason = QStringLiteral("no data points");
    if (!reason.isEmpty()) {
        if (error)
            *error = reason;
        return false;
    }
    points = result;
    return true;
}

bool TouchstoneFile::read(const QString& path, TScanPoints& points, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    // No real one-port file comes near this size; refusing it keeps a wrong pick from eating memory.
    constexpr qint64 maxSize = 64 * 1024 * 1024;
    if (file.size() > maxSize) {
        if (error)
            *error = QStringLiteral("%1 is too large for a one-port file").arg(path);
        return false;
    }
    QString reason;
    if (!parse(file.readAll(), points, &reason)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, reason);
        return false;
    }
    return true;
}

QString TouchstoneFile::formatName(EFormat format)
{
    switch (format) {
    case EFormat::RI:
        return QStringLiteral("RI");
    case EFormat::MA:
        return QStringLiteral("MA");
    case EFormat::DB:
        return QStringLiteral("DB");
    }
    return QString();
}

QString TouchstoneFile::unitName(EUnit unit)
{
    switch (unit) {
    case EUnit::HZ:
        return QStringLiteral("HZ");
    case EUnit::KHZ:
        return QStringLiteral("KHZ");
    case EUnit::MHZ:
        return QStringLiteral("MHZ");
    case EUnit::GHZ:
        return QStringLiteral("GHZ");
    }
    return QString();
}

bool TouchstoneFile::formatFromName(const QString& name, EFormat& format)
{
    for (EFormat candidate : {EFormat::RI, EFormat::MA, EFormat::DB}) {
        if (name.compare(formatName(candidate), Qt::CaseInsensitive) == 0) {
            format = candidate;
            return true;
        }
    }
    return false;
}

bool TouchstoneFile::unitFromName(const QString& name, EUnit& unit)
{
    for (EUnit candidate : {EUnit::HZ, EUnit::KHZ, EUnit::MHZ, EUnit::GHZ}) {
        if (name.compare(unitName(candidate), Qt::CaseInsensitive) == 0) {
            unit = candidate;
            return true;
        }
    }
    return false;
}

QByteArray TouchstoneFile::format(const TScanPoints& points, const TWriteOptions& options)
{
    static const char* const unitWords[] = {"Hz", "kHz", "MHz", "GHz"};
    const quint64 unit = unitHz(options.unit);
    QByteArray out;
    out.reserve(64 + points.size() * 48);
    out += "! TolvekVNA one-port reflection\n# ";
    out += unitWords[int(options.unit)];
    out += " S ";
    out += formatName(options.format).toLatin1();
    out += " R 50\n";
    constexpr double degree = 180.0 / M_PI;
    for (const TScanPoint& point : points) {
        out += exactFrequency(point.frequency, unit);
        out += ' ';
        const std::complex<double> s(point.re, point.im);
        switch (options.format) {
        case EFormat::RI:
            // Nine significant digits give every float back bit for bit.
            out += QByteArray::number(double(point.re), 'g', 9);
            out += ' ';
            out += QByteArray::number(double(point.im), 'g', 9);
            break;
        case EFormat::MA:
            out += QByteArray::number(std::abs(s), 'g', 12);
            out += ' ';
            out += QByteArray::number(std::arg(s) * degree, 'g', 12);
            break;
        case EFormat::DB: {
            // No number of decibels says zero; -999 dB reads back as a magnitude a float holds as 0.
            const double magnitude = std::abs(s);
            out += magnitude > 0.0 ? QByteArray::number(20.0 * std::log10(magnitude), 'g', 12)
                                   : QByteArray("-999");
            out += ' ';
            out += QByteArray::number(std::arg(s) * degree, 'g', 12);
            break;
        }
        }
        out += '\n';
    }
    return out;
}

bool TouchstoneFile::write(const QString& path, const TScanPoints& points, QString* error,
                           const TWriteOptions& options)
{
    // Written aside and renamed, so a failed write never leaves half a file under the name.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
        return false;
    }
    file.write(format(points, options));
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace ZData
