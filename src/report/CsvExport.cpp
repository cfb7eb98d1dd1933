#include "report/CsvExport.h"

#include <QSaveFile>

#include <cmath>
#include <complex>
#include <limits>

namespace ZReport {

namespace {

QByteArray number(double value)
{
    return QByteArray::number(value, 'g', 9);
}

} // namespace

QByteArray CsvExport::sweep(const ZData::TScanPoints& points)
{
    QByteArray out;
    out.reserve(80 + points.size() * 110);
    out += "Frequency (Hz),Re,Im,|Gamma| (dB),Phase (deg),SWR,R (Ohm),X (Ohm)\n";
    const std::complex<double> one(1.0, 0.0);
    const double inf = std::numeric_limits<double>::infinity();
    for (const ZData::TScanPoint& point : points) {
        const std::complex<double> gamma(point.re, point.im);
        const double magnitude = std::abs(gamma);
        const double db = magnitude > 0.0 ? 20.0 * std::log10(magnitude) : -inf;
        const double phase = std::arg(gamma) * 180.0 / M_PI;
        const double swr = magnitude < 1.0 ? (1.0 + magnitude) / (1.0 - magnitude) : inf;
        const std::complex<double> denominator = one - gamma;
        std::complex<double> z(inf, 0.0);
        if (std::abs(denominator) > 0.0)
            z = Z0 * (one + gamma) / denominator;
        out += QByteArray::number(qulonglong(point.frequency));
        for (double value : {double(point.re), double(point.im), db, phase, swr, z.real(), z.imag()}) {
            out += ',';
            out += number(value);
        }
        out += '\n';
    }
    return out;
}

QByteArray CsvExport::markers(const QVector<TReportMarker>& markers)
{
    QByteArray out = "View,Marker,Position,Readout\n";
    for (const TReportMarker& marker : markers) {
        QStringList lines;
        for (const QString& line : marker.readout)
            lines.append(line.simplified());
        out += field(marker.view) + ',' + QByteArray::number(marker.number) + ',' + field(marker.position) +
               ',' + field(lines.join(QStringLiteral(" | "))) + '\n';
    }
    return out;
}

QByteArray CsvExport::field(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r'))
        return bytes;
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

bool CsvExport::write(const QString& path, const QByteArray& content, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(content) != content.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace ZReport
