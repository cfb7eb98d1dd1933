#include "remote/RemoteText.h"

#include <QVector>

namespace ZRemote {

namespace {

// Lower-case Cyrillic from U+0430 to U+044F in a common Latin spelling.
const char* const kCyrillic[32] = {"a",  "b",  "v",  "g",    "d", "e", "zh", "z", "i",  "y", "k",
                                   "l",  "m",  "n",  "o",    "p", "r", "s",  "t", "u",  "f", "kh",
                                   "ts", "ch", "sh", "shch", "",  "y", "",   "e", "yu", "ya"};

QByteArray spell(uint c)
{
    switch (c) {
    case 0x00B0: // degree sign
        return "deg";
    case 0x00B5: // micro sign
    case 0x03BC: // Greek mu
        return "u";
    case 0x03A9: // Greek capital omega
    case 0x2126: // ohm sign
        return "Ohm";
    case 0x00B1:
        return "+/-";
    case 0x00A0: // no-break space
    case 0x2009: // thin space
    case 0x202F: // narrow no-break space
        return " ";
    case 0x2010:
    case 0x2012:
    case 0x2013:
    case 0x2014:
    case 0x2212: // minus sign
        return "-";
    case 0x00D7:
        return "x";
    case 0x2026:
        return "...";
    case 0x0401: // Yo
        return "Yo";
    case 0x0451: // yo
        return "yo";
    default:
        break;
    }
    if (c >= 0x0430 && c <= 0x044F)
        return kCyrillic[c - 0x0430];
    if (c >= 0x0410 && c <= 0x042F) {
        QByteArray lower = kCyrillic[c - 0x0410];
        if (!lower.isEmpty())
            lower[0] = char(lower[0] - 'a' + 'A');
        return lower;
    }
    return "?";
}

} // namespace

QByteArray RemoteText::toAscii(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const uint c : text.toUcs4()) {
        if (c == '\t' || (c >= 0x20 && c < 0x7F))
            out += char(c);
        else if (c < 0x20 || c == 0x7F)
            out += ' '; // a control character would break the line protocol
        else
            out += spell(c);
    }
    return out;
}

QString RemoteText::messageOfLogLine(const QString& line)
{
    const int arrow = line.indexOf(QLatin1String(">> "));
    return (arrow < 0 ? line : line.mid(arrow + 3)).trimmed();
}

} // namespace ZRemote
