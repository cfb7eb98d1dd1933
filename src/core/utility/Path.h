#pragma once

#include <QByteArray>
#include <QString>

namespace ZCore {
namespace UtilityModules {

// File-system checks and the one way the program creates its directories and replaces its files.
class Path
{
public:
    static QString tag() { return QStringLiteral("Utility::Path"); }

    static bool dirExists(const QString& path);
    static bool fileExists(const QString& path);
    // Creates the directory with all missing parents; the label names it in the log.
    static bool createDir(const QString& path, const QString& label);

    // Replace a file as a whole or not at all: the new content goes to a temporary file beside the
    // target which is then renamed over it, so a failure leaves the previous file untouched.
    static bool writeFileAtomically(const QString& path, const QByteArray& content);
    static bool copyFileAtomically(const QString& source, const QString& target);

    // Whether a file may be created or replaced at this path without reaching anything but a
    // regular file in that folder: a symbolic link (dangling or not), a FIFO, a device or a folder
    // at the path is refused, with the reason.
    static bool isPlainWriteTarget(const QString& path, QString* reason = nullptr);

    // Absolute, cleaned form used to compare two paths that may be written differently.
    static QString normalized(const QString& path);
};

} // namespace UtilityModules
} // namespace ZCore
