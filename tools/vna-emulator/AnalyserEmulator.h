#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <complex>
#include <deque>
#include <memory>
#include <random>

#include "CalibrationSlots.h"
#include "DutModel.h"
#include "EmulatorConfig.h"
#include "ErrorBox.h"
#include "devicelink/DeviceTypes.h"

// One virtual analyser behind a pseudo-terminal. It answers every request frame the way the
// instrument does, can be unplugged and plugged again, reboots into its bootloader for a firmware
// update, and injects the link faults it is told to.
class AnalyserEmulator : public QObject
{
    Q_OBJECT

public:
    explicit AnalyserEmulator(const EmulatorConfig& config, QObject* parent = nullptr);
    ~AnalyserEmulator() override;

    bool plug(QString* error = nullptr);
    void unplug();
    bool isPlugged() const { return m_master >= 0; }

    // One line of the control channel; returns the answer line ("ok ...", "error ...", "status ...").
    QString control(const QString& line);

signals:
    // Things a watching script wants to know about: reboots, plugging.
    void event(const QString& text);
    void quitRequested();

private:
    void onReadable();
    void onIdlePoll();
    void processBuffer();
    void onStall();
    void handleRequest(const ZData::TCommandHeader& header, const QByteArray& data);
    void handleDamaged();

    // A scan request as the instrument reads it: bandwidth index (within the configured list) and
    // the frequencies that are really there.
    struct TScanRequest
    {
        int bandwidthIndex = 0;
        QVector<qint64> frequencies;
    };
    TScanRequest parseScanRequest(const QByteArray& data) const;
    // What the port sees: the device under test, with the kit's standards in place of ideal ones.
    std::complex<double> portGamma(double frequencyHz) const;
    QByteArray scanReply(const TScanRequest& request);
    QByteArray calibReply(quint16 command, quint16 options, const QByteArray& data, bool& ok);
    QByteArray updateReply(quint16 command, quint16 options, const QByteArray& data, bool& ok);

    QByteArray makeFrame(quint16 command, quint16 options, const QByteArray& data);
    // Sends a reply after the given measurement time, applying the corrupt/split/drop faults.
    void sendReply(const QByteArray& frame, qint64 delayUs = 0);
    void flushOutput();
    void writeNow(const QByteArray& bytes);

    void rebootTo(bool bootloader);
    void finishUpdate();
    quint16 deviceWord() const;
    void saveState();
    QString statusLine() const;

    EmulatorConfig m_config;
    std::unique_ptr<DutModel> m_dut;
    ErrorBox m_box;
    CalibrationSlots m_slots;
    std::mt19937 m_rng;

    int m_master = -1;
    QString m_slavePath;
    QString m_announceFile;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    QByteArray m_rx;
    QTimer m_stallTimer;
    // While nobody holds the terminal the master side only reports hang-ups, so it is polled instead.
    QTimer m_idleTimer;

    struct TOutgoing
    {
        qint64 dueUs;
        QByteArray bytes;
    };
    std::deque<TOutgoing> m_out;
    QTimer m_outTimer;
    QElapsedTimer m_clock;
    qint64 m_busyUntilUs = 0;

    quint16 m_txCounter = 0;
    QByteArray m_lastReply;

    // link faults requested on the control channel
    int m_corrupt = 0;
    int m_drop = 0;
    int m_lose = 0;
    int m_lateMs = 0; // the next reply is held back this long
    int m_split = 1;
    bool m_damaged = false;

    // firmware state
    bool m_bootloader = false;
    quint32 m_version[3];
    quint32 m_updateSize = 0;
    quint16 m_updateChunks = 0;
    QByteArray m_image;
    QVector<bool> m_chunkSeen;
    int m_chunksReceived = 0;
    bool m_awaitingClose = false;
    quint32 m_imageCrc = 0;
    int m_imageSize = -1;

    quint64 m_requests = 0;
};
