#pragma once

#include <QString>

namespace ZCore {

// Writes a manager's log lines: its tag, a blank, then the text. Critical lines carry a translated
// message id and an optional detail (usually a path), and reach the user through the logger.
class TaggedLog
{
public:
    explicit TaggedLog(QString tag) : m_tag(std::move(tag)) {}

    QString line(const QString& text) const { return m_tag + QLatin1Char(' ') + text; }
    void debug(const QString& text) const;
    void info(const QString& text) const;
    void warn(const QString& text) const;
    void critical(const char* id, const QString& detail = QString()) const;

private:
    QString m_tag;
};

} // namespace ZCore
