#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

#include "core/ISInitializable.h"
#include "core/TSingleton.h"

namespace ZCore {

// One log file per run beside the executable; every Qt message is stamped with the time since start
// and its level, appended to the file and passed on. Critical and fatal messages also reach the user,
// through the notice board: the handler runs inside whatever logs, so it never waits for a person.
class Logger : public QObject, public TSingleton<Logger>, public ISInitializable
{
    Q_OBJECT
    friend class TSingleton<Logger>;

public:
    // Shows a critical or fatal message to the user: (type, title, text). Tests replace it.
    using TPresenter = std::function<void(QtMsgType, const QString&, const QString&)>;

    static constexpr const char* DIR_NAME = "logs";
    static constexpr const char* FILE_EXTENSION = "log";
    static constexpr const char* FILE_TIME_PATTERN = "yyyy-MM-dd_hh.mm.ss";
    static constexpr int TIME_COLUMN_WIDTH = 9;

    static bool init();
    static bool initDirs();
    static bool initFiles();
    static QString tag() { return QStringLiteral("Logger"); }

    // Three banner lines; written at start and whenever a port has been opened.
    static void printBanner();

    // Whether a debug line would reach any output now. Costly debug text (hex dumps) is built only then.
    static bool isDebugWritten();

    static QString dirPath() { return s_dirPath; }
    static QString filePath() { return s_filePath; }
    static bool isFileOpen() { return s_file.isOpen(); }

    // While one of these lives, critical lines written on its thread are kept in it instead of being
    // presented: a remote command's failures belong to the client that sent it. Scopes nest; the
    // innermost takes the lines.
    class CriticalCapture
    {
    public:
        CriticalCapture();
        ~CriticalCapture();
        CriticalCapture(const CriticalCapture&) = delete;
        CriticalCapture& operator=(const CriticalCapture&) = delete;
        // The bare messages, oldest first.
        const QStringList& messages() const { return m_messages; }

    private:
        friend class Logger;
        CriticalCapture* m_outer = nullptr;
        QStringList m_messages;
    };

    // An empty presenter restores the default, the notice board.
    static void setPresenter(TPresenter presenter);
    static void resetPresenter() { setPresenter(TPresenter()); }

    // Removes the handler and closes the file; the next init() starts afresh.
    static void shutdown();

    // Line building, kept apart from the handler so that the format can be checked directly.
    static QString levelName(QtMsgType type);
    static QString levelPart(QtMsgType type, const QString& message);
    static QString timePart(double seconds);
    static QString fileLine(double seconds, QtMsgType type, const QString& message);

private:
    Logger() = default;

    static void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
    static void defaultPresenter(QtMsgType type, const QString& title, const QString& text);

    static inline QElapsedTimer s_timer;
    static inline QString s_dirPath;
    static inline QString s_filePath;
    static inline QFile s_file;
    static inline QtMessageHandler s_previousHandler = nullptr;
    static inline bool s_installed = false;
    static inline TPresenter s_presenter;
    static inline thread_local CriticalCapture* s_capture = nullptr;
};

} // namespace ZCore
