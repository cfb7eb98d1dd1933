#pragma once

#include <QByteArray>
#include <QString>

#include "remote/TRemoteCommand.h"

namespace ZRemote {

// Splits one command line into header keywords (with numeric suffixes), the query mark and the
// comma-separated arguments, and matches keywords against their long/short forms.
class RemoteCommandParser
{
public:
    enum class EResult
    {
        OK,
        EMPTY,     // blank line: nothing to do, no error
        MALFORMED, // -100
    };

    // The line without its terminator. On MALFORMED, `why` says what is wrong.
    static EResult parse(const QByteArray& line, TRemoteCommand& out, QString* why = nullptr);

    // A pattern is written as instruments document it, "FREQuency": the upper-case part is the short
    // form. A keyword matches when it equals the short or the long form, whatever its case.
    static bool matches(const QString& keyword, const QString& pattern);

    // Plain decimal number (sign, digits, optional fraction and exponent); no units, no NaN/INF.
    static bool parseNumber(const QString& text, double& value);
    // A number with an integral value that fits in 64 bits.
    static bool parseInteger(const QString& text, qint64& value);
};

} // namespace ZRemote
