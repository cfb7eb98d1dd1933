#pragma once

#include <QByteArray>
#include <QString>

#include "measurement/RangeSliced.h"
#include "measurement/TTraceData.h"

namespace ZData {
namespace DS {

// Encoding and decoding of the trace file formats, one pair of functions per format. The functions
// work on bytes only; opening, replacing and naming files is the caller's business.
class TraceFiles
{
public:
    // A trace never holds more points than a sweep; anything longer is not a trace of ours.
    static constexpr qint32 MAX_POINTS = qint32(RangeSliced::MAX_POINTS);
    static constexpr int BINARY_HEADER_SIZE = 20;
    static constexpr int BINARY_POINT_SIZE = 16;

    static QByteArray toBinary(const TTraceData& trace);
    // False (trace untouched) for a negative or too large count or data shorter than the count.
    static bool fromBinary(const QByteArray& bytes, TTraceData& trace);

    static QByteArray toText(const TTraceData& trace, quint64 bandwidthHz);
    // False (trace untouched) for unreadable header values, a bad count or missing or garbled records.
    static bool fromText(const QByteArray& bytes, TTraceData& trace);

    enum class EFormat
    {
        NONE,
        BINARY,     // .tbin
        TEXT,       // .dat
        TOUCHSTONE, // .s1p
        CSV,        // .csv: a table for other programs, written only
    };
    static bool isLoadable(EFormat format) { return format != EFormat::NONE && format != EFormat::CSV; }

    static constexpr double Z0 = 50.0;
    // Header row, then per point: frequency (Hz), re, im, |Γ| (dB), phase (degrees), SWR, R and X
    // (ohm). A dot decimal whatever the locale; values with no finite number (an open's SWR) read
    // "inf" or "-inf".
    static QByteArray toCsv(const TScanPoints& points);
    // The format a path names by the suffix of its file name, case ignored; a dot in a directory
    // name never counts. Every place that reads or writes a trace file by name chooses through it.
    static EFormat formatOf(const QString& path);
};

} // namespace DS
} // namespace ZData
