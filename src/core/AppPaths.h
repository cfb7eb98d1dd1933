#pragma once

#include <QString>

namespace ZCore {

// Where everything the program keeps (logs, profiles, calibrations, traces, images) lives.
// A build folder or an unpacked copy keeps it beside the executable as long as that folder is
// writable; an installed program (or one whose folder is read-only) uses the user's data folder.
// TOLVEKVNA_DATA_DIR chooses another folder; the command line and the tests choose one through
// setBaseDir(), which wins over everything.
class AppPaths
{
public:
    enum class ESource
    {
        OVERRIDE,    // setBaseDir(): --data-dir, a tool's option, a test
        ENVIRONMENT, // TOLVEKVNA_DATA_DIR
        EXECUTABLE,  // beside the executable
        USER,        // the user's data folder
    };

    static constexpr const char* ENV_DATA_DIR = "TOLVEKVNA_DATA_DIR";
    static constexpr const char* USER_DIR_NAME = "TolvekVNA";

    static QString baseDir();
    static ESource source();
    // The folder and why it was chosen, for the log and the about page.
    static QString describe();

    static void setBaseDir(const QString& dir);
    static void resetBaseDir();

    // Creates the data folder when it is missing. On failure returns false with a reason.
    static bool ensureBaseDir(QString* reason = nullptr);

    // The per-user folder (below the XDG data home, ~/.local/share by default).
    static QString userDataDir();
    // An executable installed under a prefix (bin/ with the desktop entry in ../share) never writes
    // beside itself, even when root could.
    static bool isInstalledLayout(const QString& executableDir);

private:
    static QString s_override;
};

} // namespace ZCore
