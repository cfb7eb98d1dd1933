#pragma once

#include <QDataStream>
#include <QString>
#include <QTextStream>
#include <QVector>
#include <QtGlobal>

namespace ZData {

// One measured point: frequency in Hz and S11 as two single-precision floats (16 bytes).
struct TScanPoint
{
    quint64 frequency = 0;
    float re = 0.0f;
    float im = 0.0f;

    QString toDebugString() const
    {
        return QString("%1Hz : ( %2, %3 )\n")
            .arg(frequency)
            .arg(double(re), 0, 'g', 6)
            .arg(double(im), 0, 'g', 6);
    }
};

// Binary form: the caller sets single floating-point precision, so a point takes 16 bytes.
inline QDataStream& operator<<(QDataStream& stream, const TScanPoint& point)
{
    stream << qint64(point.frequency) << point.re << point.im;
    return stream;
}

inline QDataStream& operator>>(QDataStream& stream, TScanPoint& point)
{
    qint64 frequency = 0;
    stream >> frequency >> point.re >> point.im;
    point.frequency = quint64(frequency);
    return stream;
}

// Text form: frequency TAB re TAB im newline, with the stream's own number formatting.
inline QTextStream& operator<<(QTextStream& stream, const TScanPoint& point)
{
    stream << qulonglong(point.frequency) << '\t' << point.re << '\t' << point.im << '\n';
    return stream;
}

inline QTextStream& operator>>(QTextStream& stream, TScanPoint& point)
{
    qulonglong frequency = 0;
    stream >> frequency >> point.re >> point.im;
    point.frequency = frequency;
    return stream;
}

using TScanPoints = QVector<TScanPoint>;

} // namespace ZData

Q_DECLARE_METATYPE(ZData::TScanPoint)
