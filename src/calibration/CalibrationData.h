#pragma once

#include <QDataStream>
#include <QPair>
#include <QString>

#include <array>
#include <complex>

#include "measurement/TScanPoint.h"

namespace ZData {
namespace CAL {

using TComplex = std::complex<float>;

// One open/short/load calibration: its grid, the three measured standards and the analyser's two
// opaque oscillator tables, plus the cursors of a chunked transfer to or from the analyser.
class CalibrationData
{
public:
    // What a calibration file and the analyser's calibration slots hold; sweeps may be longer
    // (RangeSliced::MAX_POINTS) but are then not corrected.
    static constexpr int MAX_POINTS = 1000;
    static constexpr int VCO_SIZE = 3257;
    // The analyser numbers the oscillator tables the other way round: part 0 is table 2.
    static constexpr int VCO_PART_OF_TABLE2 = 0;
    static constexpr int VCO_PART_OF_TABLE1 = 1;
    static constexpr quint64 BAND_SEAM_HZ = 99999999;

    enum ECalibType : quint8
    {
        OPEN = 1,
        SHORT = 2,
        LOAD = 4,
        FULL = 7
    };
    enum class EReadResult
    {
        OK,
        WRONG_DEVICE,
        MALFORMED
    };

    // The sweep a block of measured points belongs to.
    struct TSweepGrid
    {
        double start = 0;
        double stop = 0;
        quint32 points = 0;
        double step = 0;
    };

    CalibrationData() = default;

    void resetAll();
    void clearMeasurements();
    void clearVCO();
    void clearCalibType(quint8 bit);
    void setMeasurement(quint8 bit, const TScanPoints& points);
    void setRange(quint64 start, quint64 stop, quint16 points, qint32 bandwidthIndex);

    void setTypesPresent(quint8 types) { m_types = types; }
    void setPoints(quint16 points) { m_points = points; }
    void setStart(quint64 start) { m_start = start; }
    void setStop(quint64 stop) { m_stop = stop; }
    void setStep(quint64 step) { m_step = step; }
    void setBandwidthIndex(qint32 index) { m_bandwidthIndex = index; }

    bool isComplete() const { return m_types == FULL; }
    bool isEmpty() const { return m_types == 0; }
    bool hasType(quint8 bit) const { return (m_types & bit) != 0; }

    quint8 typesPresent() const { return m_types; }
    quint64 start() const { return m_start; }
    quint64 stop() const { return m_stop; }
    quint64 step() const { return m_step; }
    quint16 points() const { return m_points; }
    qint32 bandwidthIndex() const { return m_bandwidthIndex; }
    quint16 dataCursor() const { return m_dataCursor; }
    quint16 vcoCursor() const { return m_vcoCursor; }
    TComplex openAt(int i) const { return m_open[size_t(i)]; }
    TComplex shortAt(int i) const { return m_short[size_t(i)]; }
    TComplex loadAt(int i) const { return m_load[size_t(i)]; }
    const std::array<qint8, VCO_SIZE>& vco1() const { return m_vco1; }
    const std::array<qint8, VCO_SIZE>& vco2() const { return m_vco2; }
    void setValue(quint8 bit, int index, TComplex value);
    void setVcoByte(int vcoPart, int index, qint8 value);

    // Chunked transfers.
    void resetCursors() { m_dataCursor = m_vcoCursor = 0; }
    bool hasMoreData() const { return m_dataCursor < m_points; }
    bool hasMoreVCO() const { return m_vcoCursor < VCO_SIZE; }
    QPair<quint16, quint16> nextDataChunk(quint16 size);
    QPair<quint16, quint16> nextVCOChunk(quint16 size);
    // The read functions refuse (false, nothing written) a chunk reaching past the arrays or the
    // stream's end.
    bool readDataChunk(QDataStream& stream, int first, int count);
    bool readVCOChunk(QDataStream& stream, int first, int count);
    void writeDataChunk(QDataStream& stream, int first, int count, int typeIndex) const;
    void writeVCOChunk(QDataStream& stream, int first, int count, int vcoPart) const;

    void serialize(QDataStream& stream, const QString& deviceId) const;
    // Reads a whole calibration; on any failure the object is left as it was.
    EReadResult deserialize(QDataStream& stream, const QString& expectedDeviceId);

    // Corrects points [index, index + count) of a sweep buffer in place.
    void correct(TScanPoint* buffer, int index, int count, const TSweepGrid& sweep) const;

private:
    std::array<TComplex, MAX_POINTS>* arrayFor(quint8 bit);
    // The table a VCO part index stands for; nullptr for any other index.
    const std::array<qint8, VCO_SIZE>* vcoTable(int vcoPart) const;
    void valuesAt(int k, float f, const TSweepGrid& sweep, bool sameGrid, TComplex& o, TComplex& s,
                  TComplex& l) const;

    quint16 m_dataCursor = 0;
    quint16 m_vcoCursor = 0;
    quint8 m_types = 0;
    quint64 m_start = 0;
    quint64 m_stop = 0;
    quint64 m_step = 0;
    quint16 m_points = 0;
    qint32 m_bandwidthIndex = 0;
    std::array<TComplex, MAX_POINTS> m_open{};
    std::array<TComplex, MAX_POINTS> m_short{};
    std::array<TComplex, MAX_POINTS> m_load{};
    std::array<qint8, VCO_SIZE> m_vco1{};
    std::array<qint8, VCO_SIZE> m_vco2{};
};

} // namespace CAL
} // namespace ZData
