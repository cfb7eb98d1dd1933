#include "devicelink/ScanReply.h"

#include <QDataStream>

#include "devicelink/FrameCodec.h"

namespace ZData {

bool ScanReply::parse(const QByteArray& data, ScanReply& reply, QString* reason)
{
    auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (data.size() < HEAD_BYTES)
        return refuse(QStringLiteral("%1 data bytes, at least %2 expected").arg(data.size()).arg(HEAD_BYTES));
    QDataStream stream(data);
    FrameCodec::setupStream(stream);
    float countField = 0.0f;
    float unused = 0.0f;
    stream >> countField >> unused;
    // Negated comparisons so that NaN is refused too.
    if (!(countField >= 0.0f) || !(countField < float(EProtocolSetup::SLICE_POINTS + 1)))
        return refuse(QStringLiteral("point count %1 is not within 0 to %2")
                          .arg(double(countField))
                          .arg(EProtocolSetup::SLICE_POINTS));
    const int count = int(countField);
    if (data.size() < HEAD_BYTES + count * VALUE_BYTES)
        return refuse(QStringLiteral("%1 points announced in %2 data bytes").arg(count).arg(data.size()));
    reply.m_values.resize(count);
    for (TValue& value : reply.m_values)
        stream >> value.re >> value.im;
    return true;
}

} // namespace ZData
