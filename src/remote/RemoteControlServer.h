#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>

namespace ZRemote {

class IRemoteTarget;
class RemoteCommands;
class RemoteOperation;
class RemoteSession;

// Remote control of the running program by short text commands over TCP, for scripts and production
// lines. It listens on the loopback interface only, serves a few clients at once and runs entirely on
// the event loop: commands that wait for the analyser answer when their work is done.
class RemoteControlServer : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DEFAULT_PORT = 5025;
    static constexpr int MAX_CLIENTS = 4;
    static constexpr int MAX_LINE = 4096;
    static constexpr qint64 READ_BUFFER = 16 * 1024;
    static constexpr qint64 OUTPUT_LIMIT = 256 * 1024;
    static constexpr int LINES_PER_TURN = 32;
    static constexpr const char* ENV_PORT = "TOLVEKVNA_REMOTE_PORT";
    static constexpr const char* KEY_ENABLED = "remote_enabled";
    static constexpr const char* KEY_PORT = "remote_port";

    // Whether to listen and on which port: the environment variable wins over the profile.
    struct TConfig
    {
        bool enabled = false;
        quint16 port = DEFAULT_PORT;
        bool fromEnvironment = false;
    };

    explicit RemoteControlServer(IRemoteTarget* target = nullptr, QObject* parent = nullptr);
    ~RemoteControlServer() override;

    static QString tag() { return QStringLiteral("RemoteControlServer"); }

    static TConfig configuration();
    // The profile's choice (group "Default"), as the settings page shows and edits it.
    static TConfig profileConfiguration();
    static void saveProfileConfiguration(bool enabled, quint16 port);
    // Starts or stops listening as configuration() says.
    bool applyConfiguration();

    // Port 0 takes any free port (tests). Listening again on another port drops the clients.
    bool start(quint16 port);
    void stop();
    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    int clientCount() const { return m_sessions.size(); }
    // Answers written but not yet taken by the slowest client.
    qint64 largestQueuedOutput() const;

    RemoteCommands* commands() const { return m_commands; }
    void setTarget(IRemoteTarget* target);

    // One operation at a time over all clients: while it runs, commands that change state wait.
    bool isBusy() const { return !m_operation.isNull(); }
    void beginOperation(RemoteOperation* operation);

signals:
    void signalClientsChanged(int count);

private:
    void onNewConnection();
    void onSessionClosed(RemoteSession* session);
    void onOperationFinished();

    QTcpServer m_server;
    RemoteCommands* m_commands = nullptr;
    QList<RemoteSession*> m_sessions;
    QPointer<RemoteOperation> m_operation;
    QElapsedTimer m_lastRefusalLog;
    int m_refusedSinceLog = 0;
};

} // namespace ZRemote
