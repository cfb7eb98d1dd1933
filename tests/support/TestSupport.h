#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <complex>
#include <functional>

#include "devicelink/DeviceTypes.h"

namespace TestSupport {

// Points every manager's files (logs, profiles, calibs, traces) at a fresh temporary directory.
class ScopedAppDir
{
public:
    ScopedAppDir();
    ~ScopedAppDir();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// Starts every manager the program starts, in its order, except the logger, whose critical lines
// would raise message boxes. Returns the names of those that failed.
QStringList initManagersButLogger();

// The analyser's answer to a scan request: the slice starting at index, countField as the count it
// announces, then `pairs` points, point j holding value(j).
ZData::TDeviceReply scanReply(quint16 index, float countField, int pairs,
                              const std::function<std::complex<float>(int)>& value);

// A soak's length and seed: TOLVEK_SOAK_SECONDS (60 unless set) and TOLVEK_SOAK_SEED (the soak's
// own seed unless set).
int soakSeconds();
quint32 soakSeed(quint32 ownSeed);
// For a soak's static initMain(): Qt Test's own per-function limit (5 minutes unless set) would
// abort a longer soak before its summary; a minute on top covers the last run and the clean-up.
void allowSoakLength();
// Sets the sweep the views and markers read, in Hz, announced as a change from the user would be.
void setSweep(double start, double stop, quint32 points);
// A whole file's bytes ("" when it cannot be read), and a file written whole, making its directory.
QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

// Takes one complete frame off the front of buffer, skipping noise and headers that fail their
// check; false while none is complete. Judging the frame's CRC is left to the caller.
bool takeFrame(QByteArray& buffer, ZData::TDeviceReply& frame);

// A child process run to its end: exit code (-1 when it crashed, did not start or did not end in
// time), standard output and standard error.
struct TProcessRun
{
    int code = -1;
    QString out;
    QString err;
};
// Serves this process's event loop meanwhile, so a scripted peer of the child keeps answering.
TProcessRun runProcess(const QString& program, const QStringList& args,
                       const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                       const QString& workDir = QString(), int timeoutMs = 60000);

} // namespace TestSupport
