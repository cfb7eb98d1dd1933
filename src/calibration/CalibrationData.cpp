#include "calibration/CalibrationData.h"

#include <QDebug>

#include <algorithm>
#include <memory>

namespace ZData {
namespace CAL {

namespace {

const QString TAG = QStringLiteral("CalibrationData");
// Longest device id a calibration file may carry; ids are a few dozen characters.
constexpr quint32 MAX_ID_BYTES = 1024;

void traceLine(const char* function)
{
    qInfo().noquote() << TAG + QStringLiteral(" >> ") + QLatin1String(function) + QStringLiteral("..");
}

} // namespace

void CalibrationData::resetAll()
{
    *this = CalibrationData();
}

void CalibrationData::clearMeasurements()
{
    m_open.fill(TComplex());
    m_short.fill(TComplex());
    m_load.fill(TComplex());
    m_types = 0;
}

void CalibrationData::clearVCO()
{
    m_vco1.fill(0);
    m_vco2.fill(0);
}

std::array<TComplex, CalibrationData::MAX_POINTS>* CalibrationData::arrayFor(quint8 bit)
{
    switch (bit) {
    case OPEN:
        return &m_open;
    case SHORT:
        return &m_short;
    case LOAD:
        return &m_load;
    default:
        return nullptr;
    }
}

void CalibrationData::clearCalibType(quint8 bit)
{
    auto* values = arrayFor(bit);
    if (!values)
        return;
    values->fill(TComplex());
    m_types &= quint8(~bit);
}

void CalibrationData::setMeasurement(quint8 bit, const TScanPoints& points)
{
    auto* values = arrayFor(bit);
    if (!values)
        return;
    const int n = qMin(points.size(), MAX_POINTS);
    for (int i = 0; i < n; ++i)
        (*values)[size_t(i)] = TComplex(points[i].re, points[i].im);
    m_types |= bit;
}

void CalibrationData::setValue(quint8 bit, int index, TComplex value)
{
    auto* values = arrayFor(bit);
    if (values && index >= 0 && index < MAX_POINTS)
        (*values)[size_t(index)] = value;
}

const std::array<qint8, CalibrationData::VCO_SIZE>* CalibrationData::vcoTable(int vcoPart) const
{
    switch (vcoPart) {
    case VCO_PART_OF_TABLE2:
        return &m_vco2;
    case VCO_PART_OF_TABLE1:
        return &m_vco1;
    default:
        return nullptr;
    }
}

void CalibrationData::setVcoByte(int vcoPart, int index, qint8 value)
{
    auto* table = const_cast<std::array<qint8, VCO_SIZE>*>(vcoTable(vcoPart));
    if (table && index >= 0 && index < VCO_SIZE)
        (*table)[size_t(index)] = value;
}

void CalibrationData::setRange(quint64 start, quint64 stop, quint16 points, qint32 bandwidthIndex)
{
    m_start = start;
    m_stop = stop;
    m_points = points;
    m_bandwidthIndex = bandwidthIndex;
    m_step = points > 1 && stop >= start ? (stop - start) / (points - 1) : 0;
}

QPair<quint16, quint16> CalibrationData::nextDataChunk(quint16 size)
{
    const quint16 first = m_dataCursor;
    m_dataCursor = quint16(qMin<int>(int(first) + size, m_points));
    return {first, quint16(qMax(0, int(m_dataCursor) - int(first)))};
}

QPair<quint16, quint16> CalibrationData::nextVCOChunk(quint16 size)
{
    const quint16 first = m_vcoCursor;
    m_vcoCursor = quint16(qMin<int>(int(first) + size, VCO_SIZE));
    return {first, quint16(qMax(0, int(m_vcoCursor) - int(first)))};
}

bool CalibrationData::readDataChunk(QDataStream& stream, int first, int count)
{
    if (first < 0 || count < 0 || first + count > MAX_POINTS)
        return false;
    const qint64 needed = qint64(count) * 6 * 4;
    if (stream.device() && stream.device()->bytesAvailable() < needed)
        return false;
    std::array<float, 6> v{};
    for (int i = first; i < first + count; ++i) {
        for (float& x : v)
            stream >> x;
        if (stream.status() != QDataStream::Ok)
            return false;
        m_open[size_t(i)] = TComplex(v[0], v[1]);
        m_short[size_t(i)] = TComplex(v[2], v[3]);
        m_load[size_t(i)] = TComplex(v[4], v[5]);
    }
    return true;
}

bool CalibrationData::readVCOChunk(QDataStream& stream, int first, int count)
{
    if (first < 0 || count < 0 || first + count > VCO_SIZE)
        return false;
    if (stream.device() && stream.device()->bytesAvailable() < qint64(count) * 2)
        return false;
    for (int i = first; i < first + count; ++i) {
        qint8 b2 = 0;
        qint8 b1 = 0;
        stream >> b2 >> b1;
        if (stream.status() != QDataStream::Ok)
            return false;
        m_vco2[size_t(i)] = b2;
        m_vco1[size_t(i)] = b1;
    }
    return true;
}

void CalibrationData::writeDataChunk(QDataStream& stream, int first, int count, int typeIndex) const
{
    const std::array<TComplex, MAX_POINTS>* values = nullptr;
    switch (typeIndex) {
    case 0:
        values = &m_open;
        break;
    case 1:
        values = &m_short;
        break;
    case 2:
        values = &m_load;
        break;
    default:
        return;
    }
    const int end = qMin(first + count, MAX_POINTS);
    for (int i = qMax(0, first); i < end; ++i)
        stream << (*values)[size_t(i)].real() << (*values)[size_t(i)].imag();
}

void CalibrationData::writeVCOChunk(QDataStream& stream, int first, int count, int vcoPart) const
{
    const std::array<qint8, VCO_SIZE>* table = vcoTable(vcoPart);
    if (!table)
        return;
    const int end = qMin(first + count, VCO_SIZE);
    for (int i = qMax(0, first); i < end; ++i)
        stream << (*table)[size_t(i)];
}

void CalibrationData::serialize(QDataStream& stream, const QString& deviceId) const
{
    traceLine("ZData::CAL::CalibrationData::serialize");
    stream << deviceId << qint64(m_start) << qint64(m_stop) << qint16(m_points) << qint32(m_bandwidthIndex);
    for (int i = 0; i < m_points && i < MAX_POINTS; ++i) {
        stream << m_open[size_t(i)].real() << m_open[size_t(i)].imag() << m_short[size_t(i)].real()
               << m_short[size_t(i)].imag() << m_load[size_t(i)].real() << m_load[size_t(i)].imag();
    }
    for (int i = 0; i < VCO_SIZE; ++i)
        stream << m_vco2[size_t(i)] << m_vco1[size_t(i)];
    qInfo().noquote() << TAG + QStringLiteral(" >> finished serialization");
}

CalibrationData::EReadResult CalibrationData::deserialize(QDataStream& stream,
                                                          const QString& expectedDeviceId)
{
    traceLine("ZData::CAL::CalibrationData::deserialize");
    // The id is read by hand so that a corrupt length can never make us allocate from it.
    quint32 idBytes = 0;
    stream >> idBytes;
    if (stream.status() != QDataStream::Ok)
        return EReadResult::MALFORMED;
    QString id;
    if (idBytes != 0xFFFFFFFFu) {
        if (idBytes > MAX_ID_BYTES || idBytes % 2 != 0)
            return EReadResult::MALFORMED;
        QByteArray raw(int(idBytes), '\0');
        if (stream.readRawData(raw.data(), int(idBytes)) != int(idBytes))
            return EReadResult::MALFORMED;
        id.resize(int(idBytes / 2));
        const bool little = stream.byteOrder() == QDataStream::LittleEndian;
        for (int i = 0; i < id.size(); ++i) {
            const quint8 a = quint8(raw[2 * i]);
            const quint8 b = quint8(raw[2 * i + 1]);
            id[i] = QChar(little ? ushort(a | (b << 8)) : ushort((a << 8) | b));
        }
    }
    if (id != expectedDeviceId || id.isNull() != expectedDeviceId.isNull())
        return EReadResult::WRONG_DEVICE;

    qint64 start = 0;
    qint64 stop = 0;
    qint16 points = 0;
    qint32 bandwidth = 0;
    stream >> start >> stop >> points >> bandwidth;
    if (stream.status() != QDataStream::Ok || points < 2 || points > MAX_POINTS || start < 0 || stop < start)
        return EReadResult::MALFORMED;

    auto read = std::make_unique<CalibrationData>(*this);
    read->setRange(quint64(start), quint64(stop), quint16(points), bandwidth);
    read->clearMeasurements();
    read->clearVCO();
    if (!read->readDataChunk(stream, 0, points) || !read->readVCOChunk(stream, 0, VCO_SIZE))
        return EReadResult::MALFORMED;
    read->m_types = FULL;
    read->resetCursors();
    *this = *read;
    qInfo().noquote() << TAG + QStringLiteral(" >> finished deserialization");
    return EReadResult::OK;
}

void CalibrationData::valuesAt(int k, float f, const TSweepGrid& sweep, bool sameGrid, TComplex& o,
                               TComplex& s, TComplex& l) const
{
    Q_UNUSED(sweep);
    const int last = m_points - 1;
    if (sameGrid) {
        const int i = qBound(0, k, last);
        o = m_open[size_t(i)];
        s = m_short[size_t(i)];
        l = m_load[size_t(i)];
        return;
    }
    const float startC = float(m_start);
    const float stopC = float(m_stop);
    if (f > startC && f < stopC && m_step > 0) {
        const float stepC = float(m_step);
        const int j = qMin<int>(quint16((f - startC) / stepC), last);
        const int j1 = qMin(j + 1, last);
        const quint64 fj = m_start + quint64(j) * m_step;
        if (fj < BAND_SEAM_HZ && fj + m_step > BAND_SEAM_HZ) {
            // The analyser changes its frequency band at 100 MHz: values either side do not blend.
            const int i = f < 1e8f ? j : j1;
            o = m_open[size_t(i)];
            s = m_short[size_t(i)];
            l = m_load[size_t(i)];
            return;
        }
        const float d = f - float(fj);
        const float sw = stepC;
        auto lerp = [&](const TComplex& a, const TComplex& b) {
            return TComplex((a.real() * (sw - d) + b.real() * d) / sw,
                            (a.imag() * (sw - d) + b.imag() * d) / sw);
        };
        o = lerp(m_open[size_t(j)], m_open[size_t(j1)]);
        s = lerp(m_short[size_t(j)], m_short[size_t(j1)]);
        l = lerp(m_load[size_t(j)], m_load[size_t(j1)]);
        return;
    }
    const int i = f >= stopC ? last : 0;
    o = m_open[size_t(i)];
    s = m_short[size_t(i)];
    l = m_load[size_t(i)];
}

void CalibrationData::correct(TScanPoint* buffer, int index, int count, const TSweepGrid& sweep) const
{
    if (m_points == 0 || m_points > MAX_POINTS || !buffer || index < 0 || count <= 0)
        return;
    const bool sameGrid =
        sweep.start == double(m_start) && sweep.stop == double(m_stop) && sweep.points == quint32(m_points);
    const float two = 2.0f;
    for (int k = index; k < index + count; ++k) {
        const float f = float(double(k) * sweep.step) + float(sweep.start);
        TComplex o, s, l;
        valuesAt(k, f, sweep, sameGrid, o, s, l);
        const TComplex e11 = (o + s - two * l) / (o - s);
        const TComplex t = two * (o - l) * (l - s) / (o - s);
        const TComplex e00 = l;
        const TComplex m(buffer[k].re, buffer[k].im);
        const TComplex c = (m - e00) / (e11 * (m - e00) + t);
        buffer[k].re = c.real();
        buffer[k].im = c.imag();
    }
}

} // namespace CAL
} // namespace ZData
