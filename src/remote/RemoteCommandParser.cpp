#include "remote/RemoteCommandParser.h"

#include <QRegularExpression>

#include <cmath>

namespace ZRemote {

namespace {

bool isKeywordChar(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('_');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool malformed(QString* why, const QString& text)
{
    if (why)
        *why = text;
    return false;
}

// "VIEW12" -> ("VIEW", 12). Letters first, then at most a few digits; nothing else.
bool splitNode(const QString& node, TRemoteHeaderNode& out, QString* why)
{
    int i = 0;
    while (i < node.size() && isKeywordChar(node[i]))
        ++i;
    if (i == 0)
        return malformed(why, QStringLiteral("bad header keyword"));
    out.keyword = node.left(i);
    if (i == node.size())
        return true;
    const QString digits = node.mid(i);
    if (digits.size() > 4)
        return malformed(why, QStringLiteral("bad header suffix"));
    for (QChar c : digits)
        if (!isDigit(c))
            return malformed(why, QStringLiteral("bad header keyword"));
    out.suffix = digits.toInt();
    return true;
}

bool parseHeader(const QString& header, TRemoteCommand& out, QString* why)
{
    QString h = header.toUpper();
    if (h.endsWith(QLatin1Char('?'))) {
        out.query = true;
        h.chop(1);
    }
    if (h.contains(QLatin1Char('?')))
        return malformed(why, QStringLiteral("misplaced query mark"));
    if (h.startsWith(QLatin1Char('*'))) {
        out.common = true;
        TRemoteHeaderNode node;
        const QString name = h.mid(1);
        if (name.isEmpty())
            return malformed(why, QStringLiteral("empty common command"));
        for (QChar c : name)
            if (!isKeywordChar(c))
                return malformed(why, QStringLiteral("bad common command"));
        node.keyword = name;
        out.nodes.append(node);
        return true;
    }
    if (h.startsWith(QLatin1Char(':')))
        h.remove(0, 1);
    const QStringList parts = h.split(QLatin1Char(':'));
    for (const QString& part : parts) {
        if (part.isEmpty())
            return malformed(why, QStringLiteral("empty header keyword"));
        TRemoteHeaderNode node;
        if (!splitNode(part, node, why))
            return false;
        out.nodes.append(node);
    }
    return true;
}

QString unquoted(const QString& argument)
{
    if (argument.size() >= 2) {
        const QChar first = argument.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && argument.back() == first)
            return argument.mid(1, argument.size() - 2);
    }
    return argument;
}

} // namespace

RemoteCommandParser::EResult RemoteCommandParser::parse(const QByteArray& line, TRemoteCommand& out,
                                                        QString* why)
{
    out = TRemoteCommand();
    QByteArray bytes = line;
    while (bytes.endsWith('\n') || bytes.endsWith('\r'))
        bytes.chop(1);
    // Printable ASCII and tabs only: anything else is garbage, and it must not reach the log raw.
    for (char c : bytes) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t') || u > 0x7E) {
            if (why)
                *why = QStringLiteral("invalid character 0x%1").arg(u, 2, 16, QLatin1Char('0'));
            out.text = QStringLiteral("<%1 bytes, not text>").arg(bytes.size());
            return EResult::MALFORMED;
        }
    }
    const QString text = QString::fromLatin1(bytes).trimmed();
    out.text = text;
    if (text.isEmpty())
        return EResult::EMPTY;

    int split = 0;
    while (split < text.size() && !text[split].isSpace())
        ++split;
    if (!parseHeader(text.left(split), out, why))
        return EResult::MALFORMED;

    const QString rest = text.mid(split).trimmed();
    if (rest.isEmpty())
        return EResult::OK;
    // Commas inside quotes belong to the argument.
    QString current;
    QChar quote;
    QStringList raw;
    for (QChar c : rest) {
        if (!quote.isNull()) {
            current += c;
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            current += c;
        } else if (c == QLatin1Char(',')) {
            raw.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!quote.isNull()) {
        if (why)
            *why = QStringLiteral("unterminated quote");
        return EResult::MALFORMED;
    }
    raw.append(current);
    for (const QString& argument : raw) {
        const QString trimmed = argument.trimmed();
        if (trimmed.isEmpty()) {
            if (why)
                *why = QStringLiteral("empty argument");
            return EResult::MALFORMED;
        }
        out.arguments.append(unquoted(trimmed));
    }
    return EResult::OK;
}

bool RemoteCommandParser::matches(const QString& keyword, const QString& pattern)
{
    QString shortForm;
    for (QChar c : pattern) {
        if (c.isLower())
            break;
        shortForm += c;
    }
    const QString upper = keyword.toUpper();
    return upper == shortForm || upper == pattern.toUpper();
}

bool RemoteCommandParser::parseNumber(const QString& text, double& value)
{
    static const QRegularExpression kNumber(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]{1,3})?$"));
    if (!kNumber.match(text).hasMatch())
        return false;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool RemoteCommandParser::parseInteger(const QString& text, qint64& value)
{
    double v = 0;
    if (!parseNumber(text, v) || v != std::floor(v) || std::fabs(v) > 9.0e15)
        return false;
    value = qint64(v);
    return true;
}

} // namespace ZRemote
