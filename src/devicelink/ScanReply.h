#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace ZData {

// The payload of a DA_GET_SCAN_DATA reply: the point count and one unused field as floats, then one
// (re, im) float pair per point. The one parser and the one set of limits for the device link, which
// checks a reply against its request, and the scan, which stores it.
class ScanReply
{
public:
    struct TValue
    {
        float re = 0.0f;
        float im = 0.0f;
    };

    static constexpr int HEAD_BYTES = 8;
    static constexpr int VALUE_BYTES = 8;

    // False, with a one-line reason, when the count field is not a whole slice count (NaN, negative,
    // above the slice size) or fewer values follow than it announces. The float is judged before it
    // is converted, as a float of 65536 or more does not fit the integer.
    static bool parse(const QByteArray& data, ScanReply& reply, QString* reason = nullptr);

    int count() const { return m_values.size(); }
    const QVector<TValue>& values() const { return m_values; }

private:
    QVector<TValue> m_values;
};

} // namespace ZData
