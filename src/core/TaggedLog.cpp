#include "core/TaggedLog.h"

#include <QDebug>

namespace ZCore {

void TaggedLog::debug(const QString& text) const
{
    qDebug().noquote() << line(text);
}

void TaggedLog::info(const QString& text) const
{
    qInfo().noquote() << line(text);
}

void TaggedLog::warn(const QString& text) const
{
    qWarning().noquote() << line(text);
}

void TaggedLog::critical(const char* id, const QString& detail) const
{
    qCritical().noquote() << line(QStringLiteral(">> ") + qtTrId(id) + detail);
}

} // namespace ZCore
