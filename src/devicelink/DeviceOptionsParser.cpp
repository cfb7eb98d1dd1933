#include "devicelink/DeviceOptionsParser.h"

#include <QDebug>
#include <QStringList>

namespace ZData {

namespace {

void warn(const QString& tag, const QString& text)
{
    qWarning().noquote() << tag + QStringLiteral(" >> ") + text;
}

QString printable(const QString& key, const QStringList& values)
{
    QString joined = values.join(QStringLiteral(", "));
    joined.remove(QChar(0));
    QString k = key;
    k.remove(QChar(0));
    return QStringLiteral("[ %1 ] = { %2 }").arg(k, joined);
}

} // namespace

QVector<TDeviceParam> DeviceOptionsParser::parse(const QByteArray& raw, const QString& tag)
{
    QVector<TDeviceParam> params;
    // A C-string terminator (or several) at the end is part of how the device sends text; a NUL
    // anywhere else means the entry is damaged.
    QByteArray bytes = raw;
    while (!bytes.isEmpty() && bytes.endsWith('\0'))
        bytes.chop(1);
    // explicit size: the QByteArray overload would stop at an embedded NUL and drop the rest
    const QString text = QString::fromUtf8(bytes.constData(), bytes.size());
    const QStringList parts = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq < 0) {
            warn(tag, QStringLiteral("skipped device option without value: ") + printable(part, {}));
            continue;
        }
        const QString key = part.left(eq).trimmed();
        const QStringList values = part.mid(eq + 1).split(QLatin1Char(','), Qt::KeepEmptyParts);
        const bool known = key.contains(QLatin1String("SR")) || key.contains(QLatin1String("BW")) ||
                           key.contains(QLatin1String("PR"));
        if (known && part.contains(QChar(0))) {
            warn(tag, QStringLiteral("skipped device option with NUL bytes: ") + printable(key, values));
            continue;
        }
        if (key.contains(QLatin1String("SR"))) {
            if (values.size() < 2) {
                warn(tag, QStringLiteral("skipped scan range with fewer than two values: ") +
                              printable(key, values));
                continue;
            }
            bool okMin = false;
            bool okMax = false;
            const quint64 fmin = values.at(0).trimmed().toULongLong(&okMin, 10);
            const quint64 fmax = values.at(1).trimmed().toULongLong(&okMax, 10);
            if (!okMin || !okMax) {
                warn(tag, QStringLiteral("skipped unparsable scan range: ") + printable(key, values));
                continue;
            }
            if (fmin > fmax) {
                warn(tag, QStringLiteral("skipped scan range with minimum above maximum: ") +
                              printable(key, values));
                continue;
            }
            TDeviceParam p;
            p.kind = EDeviceOptions::SCAN_RANGE;
            p.minFrequency = fmin;
            p.maxFrequency = fmax;
            params.append(p);
        } else if (key.contains(QLatin1String("BW"))) {
            TDeviceParam p;
            p.kind = EDeviceOptions::BANDWIDTH;
            for (const QString& v : values) {
                bool ok = false;
                const quint32 bw = v.trimmed().toUInt(&ok, 10);
                if (ok)
                    p.bandwidths.append(bw);
            }
            if (p.bandwidths.isEmpty()) {
                warn(tag, QStringLiteral("failed to parse bw values from device options"));
                continue;
            }
            params.append(p);
        } else if (key.contains(QLatin1String("PR"))) {
            bool ok = false;
            const quint32 presets = values.isEmpty() ? 0 : values.at(0).trimmed().toUInt(&ok, 10);
            if (!ok) {
                warn(tag, QStringLiteral("skipped unparsable presets count: ") + printable(key, values));
                continue;
            }
            TDeviceParam p;
            p.kind = EDeviceOptions::PRESETS_COUNT;
            p.presetsCount = presets;
            params.append(p);
        } else {
            warn(tag, QStringLiteral("got unexpected device param: ") + printable(key, values));
        }
    }
    return params;
}

} // namespace ZData
