#pragma once

#include <QObject>
#include <QTimer>

#include "MeasureOptions.h"
#include "measurement/TScanPoint.h"

// One headless measurement: starts the managers the desktop program starts, in the same order,
// opens the port, waits for the analyser's start-up and calibration, sets the sweep, counts complete
// sweeps and writes the last one.
class MeasureSession : public QObject
{
    Q_OBJECT

public:
    enum EExit : int
    {
        OK = 0,
        INVALID_OPTION = 1,
        PORT_NOT_OPENED = 2,
        NO_ANSWER = 3,
        BAD_CALIBRATION = 4,
        TIMEOUT = 5,
        OTHER_FAILURE = 6,
    };

    explicit MeasureSession(const MeasureOptions& options, QObject* parent = nullptr);

    // Runs the event loop until the measurement ends; returns the exit status.
    int run();

private:
    void progress(const QString& text) const;
    void finish(int code, const QString& message = QString());
    void startManagers();
    void connectSignals();

    void onIdentified();
    void onCalibrationFinished();
    void onSweepCompleted();
    void onPortClosed();
    void onTimeout();
    bool applySweep(QString& error);
    bool writeOutput(QString& error);
    bool writeImage(QString& error);
    bool writeReport(QString& error);
    // Language for the texts of pictures and reports: the profile's, else the default one.
    void ensureLanguage();

    MeasureOptions m_options;
    QTimer m_timeout;
    bool m_finished = false;
    int m_exitCode = OK;
    bool m_identified = false;
    bool m_sweepApplied = false;
    // The scan manager's count of complete sweeps when our sweep was applied.
    quint64 m_sweepsBefore = 0;
    int m_completedSweeps = 0;
    ZData::TScanPoints m_lastSweep;
};
