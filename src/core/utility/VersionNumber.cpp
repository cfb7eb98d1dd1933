#include "core/utility/VersionNumber.h"

#include <QStringList>

namespace ZCore {
namespace UtilityModules {

VersionNumber::VersionNumber(const QString& text)
{
    *this = invalid();
    const QStringList parts = text.split('.');
    if (parts.size() != PARTS_COUNT)
        return;
    quint32 values[PARTS_COUNT] = {};
    for (int i = 0; i < PARTS_COUNT; ++i) {
        // Digits only: a sign or blanks would otherwise be accepted by the number parser.
        const QString& part = parts.at(i);
        if (part.isEmpty())
            return;
        for (const QChar c : part)
            if (c < '0' || c > '9')
                return;
        bool ok = false;
        values[i] = part.toUInt(&ok, 10);
        if (!ok)
            return;
    }
    *this = VersionNumber(values[0], values[1], values[2]);
}

QString VersionNumber::toString() const
{
    return QString("%1.%2.%3").arg(m_major).arg(m_minor).arg(m_build);
}

int VersionNumber::compare(const VersionNumber& other) const
{
    const quint32 a[] = {m_major, m_minor, m_build};
    const quint32 b[] = {other.m_major, other.m_minor, other.m_build};
    for (int i = 0; i < PARTS_COUNT; ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

} // namespace UtilityModules
} // namespace ZCore
