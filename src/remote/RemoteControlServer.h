#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>

#include <functional>

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
    static constexpr int TURN_BUDGET_MS = 5;
    static constexpr int DEFAULT_IDLE_TIMEOUT_S = 300;
    static constexpr const char* ENV_PORT = "TOLVEKVNA_REMOTE_PORT";
    static constexpr const char* KEY_ENABLED = "remote_enabled";
    static constexpr const char* KEY_PORT = "remote_port";
    static constexpr const char* KEY_IDLE_TIMEOUT = "remote_idle_timeout_s";

    // Whether to listen and on which port: the environment variable wins over the profile.
    struct TConfig
    {
        bool enabled = false;
        quint16 port = DEFAULT_PORT;
        bool fromEnvironment = false;
        // Seconds without a command before a client is closed; 0 keeps idle clients for ever.
        int idleTimeoutS = DEFAULT_IDLE_TIMEOUT_S;
    };

    explicit RemoteControlServer(IRemoteTarget* target = nullptr, QObject* parent = nullptr);
    ~RemoteControlServer() override;

    static QString tag() { return QStringLiteral("RemoteControlServer"); }

    static TConfig configuration();
    // The profile's choice (group "Default"), as the settings page shows and edits it.
    static TConfig profileConfiguration();
    static void saveProfileConfiguration(bool enabled, quint16 port);
    // Starts or stops listening, and sets the idle time-out, as configuration() says.
    bool applyConfiguration();

    // Port 0 takes any free port (tests). Listening again on another port drops the clients.
    bool start(quint16 port);
    void stop();
    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    int clientCount() const { return m_sessions.size(); }
    // Answers written but not yet taken by the slowest client.
    qint64 largestQueuedOutput() const;

    // Milliseconds without a command after which a client is closed; 0 never closes one.
    int idleTimeout() const { return m_idleTimeoutMs; }
    void setIdleTimeout(int ms) { m_idleTimeoutMs = qMax(0, ms); }

    RemoteCommands* commands() const { return m_commands; }
    void setTarget(IRemoteTarget* target);

    // One operation at a time over all clients: while it runs, commands that change state wait.
    bool isBusy() const { return !m_operation.isNull(); }
    void beginOperation(RemoteOperation* operation);

signals:
    void signalClientsChanged(int count);

private:
    // Hands over each accepted socket as it is, so that a session can keep writing to a client that
    // has shut down its sending side.
    class Listener : public QTcpServer
    {
    public:
        std::function<void(qintptr)> onIncoming;

    protected:
        void incomingConnection(qintptr descriptor) override { onIncoming(descriptor); }
    };

    void onIncoming(qintptr descriptor);
    void onSessionClosed(RemoteSession* session);
    void onOperationFinished();

    Listener m_server;
    RemoteCommands* m_commands = nullptr;
    QList<RemoteSession*> m_sessions;
    QPointer<RemoteOperation> m_operation;
    QElapsedTimer m_lastRefusalLog;
    int m_refusedSinceLog = 0;
    int m_idleTimeoutMs = DEFAULT_IDLE_TIMEOUT_S * 1000;
};

} // namespace ZRemote
