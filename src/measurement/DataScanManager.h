#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVector>

#include "core/ISConfigurable.h"
#include "core/ISInitializable.h"
#include "core/TSingleton.h"
#include "devicelink/DeviceTypes.h"
#include "measurement/RangeSliced.h"
#include "measurement/TScanPoint.h"
#include "measurement/TTraceData.h"
#include "measurement/TouchstoneFile.h"
#include "measurement/TraceFiles.h"

namespace ZData {

// Runs the continuous measurement: one slice request at a time, replies stored at their sweep
// position and corrected in place, derived views (electrical delay, fixed interpolation grid) built
// only when asked for. Also keeps the loaded traces and their files.
class DataScanManager : public QObject,
                        public ZCore::TSingleton<DataScanManager>,
                        public ZCore::ISInitializable,
                        public ZCore::ISConfigurable
{
    Q_OBJECT
    friend class ZCore::TSingleton<DataScanManager>;

public:
    static constexpr int BUFFER_POINTS = int(DS::RangeSliced::MAX_POINTS);
    static constexpr int INTERPOLATED_POINTS = 1000;
    static constexpr int MAX_TRACES = 6;
    static constexpr qint32 MAX_EL_DELAY_PS = 9999;
    static constexpr const char* TRACE_DIR_NAME = "traces";

    static bool init();
    static QString tag() { return QStringLiteral("DataScanManager"); }

    // Setters; the flag says whether to notify.
    static void setElDelayEnabled(bool enabled, bool notify);
    static void setInterpolationEnabled(bool enabled, bool notify);
    static void setElDelayValue(qint32 picoseconds, bool notify);
    static void setScanPause(bool paused, bool notify);
    static void setUserScanPause(bool paused);

    // Accessors.
    static quint32 pointCount();
    static const TScanPoints& activeBuffer();
    static const TScanPoints& nonInterpolatedBuffer();
    static TScanPoint pointAt(qint64 index);
    static void copyData(int first, int count, TScanPoints& out, bool useInterpolation);
    static const TScanPoints& measuredBuffer() { return s_measured; }
    static const TScanPoints& delayedBuffer() { return s_delayed; }
    static const TScanPoints& interpolatedBuffer() { return s_interpolated; }
    static const TScanPoints& currentSlice() { return s_slice; }
    static quint32 sliceStartIndex() { return s_sliceStart; }
    static bool isPaused() { return s_paused; }
    static bool isCalibrationApplied() { return s_calibrationApplied; }
    static bool isElDelayEnabled() { return s_elDelayEnabled; }
    static bool isInterpolationEnabled() { return s_interpolationEnabled; }
    static qint32 elDelayValue() { return s_elDelayValue; }
    static bool isFirstDataReceived() { return s_firstDataReceived; }
    // Live: the data shown came from the analyser connected now. It stops being live when the port
    // closes or the link is lost, and is live again with the first data accepted after that.
    static bool isLive() { return s_live; }
    // When data was last accepted; invalid before the first.
    static QDateTime lastDataTime() { return s_lastDataTime; }
    static DS::RangeSliced& sweep() { return s_sweep; }
    static QString traceDir() { return s_traceDir; }
    static const QVector<DS::TTraceData>& traces() { return s_traces; }
    // Sweeps whose every point was accepted during that sweep (slice after slice from point 0, none
    // refused, no reset in between) since start-up. Each one is announced by signalSweepCompleted,
    // when copyData(0, sweep().points(), out, false) holds exactly that sweep.
    static quint64 completedSweeps() { return s_completedSweeps; }

    // Running average of the corrected live trace over the last N sweeps (2 to 64); 0 and 1 switch
    // it off. Any other count is refused. A standard being measured is never averaged here.
    static constexpr int MAX_LIVE_AVERAGE = 64;
    static bool setLiveAverage(int sweeps);
    static int liveAverage() { return s_liveAverage; }

    // Derived data, refreshed on demand.
    static void refreshDelayed();
    static void refreshInterpolated();

    // Traces.
    static bool saveBinaryTrace(const QString& path);
    static bool saveTextTrace(const QString& path);
    static bool loadBinaryTrace(const QString& path, int settingsSlot);
    static bool loadTextTrace(const QString& path, int settingsSlot);
    // One-port Touchstone (.s1p), for exchanging sweeps with other RF tools.
    static bool saveTouchstoneTrace(const QString& path,
                                    const TouchstoneFile::TWriteOptions& options = TouchstoneFile::TWriteOptions());
    static bool loadTouchstoneTrace(const QString& path, int settingsSlot);
    // A table for spreadsheets and scripts; written only, never loaded back.
    static bool saveCsvTrace(const QString& path);
    // In the format the file name's suffix names (TraceFiles::formatOf); false for any other name.
    // A Touchstone file is written with the given format and unit.
    static bool saveTrace(const QString& path,
                          const TouchstoneFile::TWriteOptions& touchstone = TouchstoneFile::TWriteOptions());
    static bool loadTrace(const QString& path, int settingsSlot);
    static void removeTrace(int index);
    static void clearTraces();

    void saveSettings() override;
    void restoreSettings() override;

    // The request the device manager frames for DA_GET_SCAN_DATA.
    static TScanRequest scanRequest();
    // Back to the state after construction (tests).
    static void reset();

signals:
    void signalProcessedScanRange();
    // New data to draw: an accepted slice, or a redraw after a change of electrical delay or
    // interpolation. The argument is the size of the current slice.
    void signalProcessedScanData(quint32 slice_points);
    // A sweep made only of data accepted during that sweep is complete; never sent for a redraw.
    void signalSweepCompleted();
    void signalScanPause(bool is_paused);
    void signalUserScanPause(bool is_paused);
    // The entry of the stored trace list (settings) whose file is missing.
    void signalMissingTraceFile(int settings_slot);
    void signalLoadedTrace(int index);
    void signalRemovedTrace(int index);
    void signalClearedTraces();
    void signalApplyInterpolationChanged(bool apply_interpolation);
    void signalLiveChanged(bool live);
    void signalLiveAverageChanged(int sweeps);

public slots:
    void slotGotDeviceParams(ZData::EDeviceOptions option);
    void slotProcessScanRange(ZData::TDeviceReply device_reply);
    void slotProcessScanData(ZData::TDeviceReply device_reply);
    void slotPostDeviceStartup();
    void slotStart();
    void slotStop();
    void slotResetScan();

private:
    DataScanManager();

    static bool initDirs();
    static void connectManagers();
    static void readSettings();
    static void requestNextSlice();
    static void requestSameSlice();
    static void restartRequests();
    static void applyPause(bool paused);
    static bool acceptScanReply(const TDeviceReply& reply);
    static void countCompletedSweep(int index, int count);
    static void averageSlice(int index, int count);
    static void restartAverage();
    static bool prepareNextSlice();
    static void rebuildInterpolationGrid();
    static void takeDeviceRange();
    static void collectTrace(DS::TTraceData& trace);
    static bool appendTrace(const QString& path, int settingsSlot, DS::TraceFiles::EFormat format);

    static inline DS::RangeSliced s_sweep;
    static inline TScanPoints s_measured;
    static inline TScanPoints s_delayed;
    static inline TScanPoints s_interpolated;
    static inline TScanPoints s_slice;
    static inline TScanPoints s_work;
    static inline quint32 s_sliceStart = 0;
    static inline QVector<DS::TTraceData> s_traces;
    static inline QString s_traceDir;
    static inline bool s_calibrationApplied = false;
    static inline bool s_elDelayEnabled = false;
    static inline bool s_interpolationEnabled = false;
    static inline qint32 s_elDelayValue = 0;
    static inline bool s_firstDataReceived = false;
    static inline bool s_tracesRestored = false;
    static inline bool s_paused = true;
    // A scan request is queued or on the wire; a second one would double the traffic for good.
    static inline bool s_requestPending = false;
    static inline quint64 s_completedSweeps = 0;
    static inline qint64 s_nextSweepIndex = -1;
    static inline bool s_live = false;
    static inline QDateTime s_lastDataTime;
    static void setLive(bool live);
    static inline int s_liveAverage = 0;
    static inline TScanPoints s_average;
    static inline QVector<quint8> s_averageCount;
};

} // namespace ZData
