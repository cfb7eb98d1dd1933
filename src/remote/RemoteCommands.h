#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

#include "remote/TRemoteCommand.h"

namespace ZChart {
class ZChartView;
}

namespace ZRemote {

class IRemoteTarget;
class RemoteErrorQueue;
class RemoteSweepRecorder;

// The command set: header patterns with their handlers, run against the managers and, for the
// display and marker commands, against the window through IRemoteTarget. A handler either finishes
// at once (answer, error or nothing) or returns an operation that the managers' signals finish.
class RemoteCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr int MARKS = 6;
    static constexpr int MAX_TRACES = 6;
    static constexpr int MAX_FILE_NAME = 128;
    static constexpr int CONNECT_TIMEOUT_MS = 30000;
    static constexpr int SWEEP_TIMEOUT_MS = 60000;
    static constexpr int CALIBRATION_TIMEOUT_MS = 60000;
    static constexpr int PORT_LIST_MAX_AGE_MS = 1000;
    static constexpr const char* IMAGE_DIR_NAME = "images";

    explicit RemoteCommands(QObject* parent = nullptr);
    ~RemoteCommands() override;

    static QString tag() { return QStringLiteral("RemoteCommands"); }

    // Without a target the display and marker commands give an execution error.
    void setTarget(IRemoteTarget* target) { m_target = target; }
    IRemoteTarget* target() const { return m_target; }
    RemoteSweepRecorder* recorder() const { return m_recorder; }

    TRemoteResult execute(const TRemoteCommand& command, RemoteErrorQueue& errors);

    // Where DISPlay:VIEW<N>:IMAGe writes: the "images" directory beside the others.
    static QString imageDir();
    // A bare file name: no directory part, no "..", no hidden file, only harmless characters.
    static bool isPlainFileName(const QString& name);
    // The ports the device connector lists: those whose manufacturer names the analyser's interface.
    // At most PORT_LIST_MAX_AGE_MS old.
    static QStringList analyserPorts();
    static bool isAnalyserReady();

private:
    // What a command takes besides its header. Queries and the commands declared without a
    // parameter refuse any; the others take exactly one, converted before the handler runs so that
    // every command words the same mistake the same way.
    enum class EParam
    {
        NONE,
        TEXT,
        TEXTS, // one or more; the first in `text`, the handler checks the rest
        NUMBER,
        INTEGER,
        SWITCH, // ON/OFF or 1/0
    };
    struct TCall
    {
        const TRemoteCommand& command;
        QVector<int> suffixes;
        RemoteErrorQueue& errors;
        QString text; // the parameter as typed
        double number = 0;
        qint64 integer = 0;
        bool on = false;
    };
    using THandler = std::function<TRemoteResult(const TCall&)>;
    struct TEntry
    {
        QStringList path; // keyword patterns; a trailing '#' allows a numeric suffix
        bool query = false;
        EParam param = EParam::NONE;
        THandler handler;
    };

    void add(const QString& header, THandler handler) { add(header, EParam::NONE, std::move(handler)); }
    void add(const QString& header, EParam param, THandler handler);
    void addCommon();
    void addDevice();
    void addSense();
    void addTrigger();
    void addCalibration();
    void addDisplay();
    void addMarkers();
    void addMemory();

    bool match(const TEntry& entry, const TRemoteCommand& command, QVector<int>& suffixes) const;
    // Fills the call's parameter fields, or `error`.
    static bool takeParameter(EParam param, TCall& call, TRemoteResult& error);
    // The view of suffix k (1..4), or an error.
    ZChart::ZChartView* viewOf(const TCall& call, int k, TRemoteResult& error) const;

    TRemoteResult setFrequency(const TCall& call, bool start);
    TRemoteResult connectDevice(const TCall& call);
    TRemoteResult sweepOnce();
    TRemoteResult measureStandard(const TCall& call);
    TRemoteResult clearCalibration();
    TRemoteResult saveImage(const TCall& call);
    TRemoteResult storeTrace(const TCall& call);
    TRemoteResult loadTrace(const TCall& call);
    TRemoteResult storeReport(const TCall& call);

    QVector<TEntry> m_entries;
    IRemoteTarget* m_target = nullptr;
    RemoteSweepRecorder* m_recorder = nullptr;
};

} // namespace ZRemote
