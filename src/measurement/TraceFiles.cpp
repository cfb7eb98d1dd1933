#include "measurement/TraceFiles.h"

#include <QBuffer>
#include <QDataStream>
#include <QFileInfo>
#include <QTextStream>

#include <cmath>
#include <complex>
#include <limits>

namespace ZData {
namespace DS {

namespace {

const QString LABEL_START = QStringLiteral("Start (Hz):");
const QString LABEL_STOP = QStringLiteral("Stop (Hz):");
const QString LABEL_POINTS = QStringLiteral("Points:");
const QString LABEL_BANDWIDTH = QStringLiteral("Bandwidth (Hz):");
constexpr int LABEL_WIDTH = 17;

bool headerValue(const QString& line, double& value)
{
    const QStringList parts = line.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    bool ok = false;
    value = parts.last().trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

QByteArray TraceFiles::toBinary(const TTraceData& trace)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::DoublePrecision);
    const int count = qMin(int(trace.pointCount), trace.points.size());
    stream << trace.start << trace.stop << qint32(count);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    for (int i = 0; i < count; ++i)
        stream << trace.points[i];
    return bytes;
}

bool TraceFiles::fromBinary(const QByteArray& bytes, TTraceData& trace)
{
    QDataStream stream(bytes);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::DoublePrecision);
    double start = 0;
    double stop = 0;
    qint32 count = 0;
    stream >> start >> stop >> count;
    if (stream.status() != QDataStream::Ok || count < 0 || count > MAX_POINTS)
        return false;
    if (qint64(bytes.size()) - BINARY_HEADER_SIZE < qint64(count) * BINARY_POINT_SIZE)
        return false;
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    TScanPoints points(count);
    for (auto& point : points)
        stream >> point;
    if (stream.status() != QDataStream::Ok)
        return false;
    trace.points = points;
    trace.start = start;
    trace.stop = stop;
    trace.pointCount = quint32(count);
    return true;
}

QByteArray TraceFiles::toText(const TTraceData& trace, quint64 bandwidthHz)
{
    QByteArray bytes;
    QTextStream stream(&bytes, QIODevice::WriteOnly);
    stream.setRealNumberNotation(QTextStream::FixedNotation);
    stream.setRealNumberPrecision(6);
    const int count = qMin(int(trace.pointCount), trace.points.size());
    stream << LABEL_START.leftJustified(LABEL_WIDTH) << trace.start << '\n';
    stream << LABEL_STOP.leftJustified(LABEL_WIDTH) << trace.stop << '\n';
    stream << LABEL_POINTS.leftJustified(LABEL_WIDTH) << quint32(count) << '\n';
    stream << LABEL_BANDWIDTH.leftJustified(LABEL_WIDTH) << qulonglong(bandwidthHz) << '\n';
    stream << "Data:\nFreq (Hz)\tReal (S11)\tImag (S11)\n";
    for (int i = 0; i < count; ++i)
        stream << trace.points[i];
    stream.flush();
    return bytes;
}

bool TraceFiles::fromText(const QByteArray& bytes, TTraceData& trace)
{
    QTextStream stream(bytes);
    double values[4] = {};
    for (double& value : values) {
        if (stream.atEnd() || !headerValue(stream.readLine(), value))
            return false;
    }
    const double count = values[2];
    if (count < 0 || count >= double(MAX_POINTS) + 1)
        return false;
    const int n = int(count);
    stream.readLine();
    stream.readLine();
    TScanPoints points;
    points.reserve(n);
    for (int i = 0; i < n; ++i) {
        TScanPoint point;
        stream >> point;
        if (stream.status() != QTextStream::Ok)
            return false;
        points.append(point);
    }
    trace.points = points;
    trace.start = values[0];
    trace.stop = values[1];
    trace.pointCount = quint32(n);
    return true;
}

TraceFiles::EFormat TraceFiles::formatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    const auto is = [&suffix](const char* name) {
        return suffix.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("tbin"))
        return EFormat::BINARY;
    if (is("dat"))
        return EFormat::TEXT;
    if (is("s1p"))
        return EFormat::TOUCHSTONE;
    if (is("csv"))
        return EFormat::CSV;
    return EFormat::NONE;
}

QByteArray TraceFiles::toCsv(const TScanPoints& points)
{
    QByteArray out;
    out.reserve(80 + points.size() * 110);
    out += "Frequency (Hz),Re,Im,|Gamma| (dB),Phase (deg),SWR,R (Ohm),X (Ohm)\n";
    const std::complex<double> one(1.0, 0.0);
    const double inf = std::numeric_limits<double>::infinity();
    for (const TScanPoint& point : points) {
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
            out += QByteArray::number(value, 'g', 9);
        }
        out += '\n';
    }
    return out;
}

} // namespace DS
} // namespace ZData
