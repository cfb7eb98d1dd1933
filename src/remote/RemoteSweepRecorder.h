#pragma once

#include <QByteArray>
#include <QObject>

#include "measurement/TScanPoint.h"

namespace ZRemote {

// Keeps a copy of the last sweep that arrived whole and corrected from its first slice to its last.
// The scan buffer itself is overwritten slice by slice while the scan runs, so a script reading it
// directly would get parts of two sweeps, or raw data while a standard is being measured.
class RemoteSweepRecorder : public QObject
{
    Q_OBJECT

public:
    explicit RemoteSweepRecorder(QObject* parent = nullptr);

    // Sweeps recorded since construction.
    quint64 recorded() const { return m_recorded; }
    bool hasSweep() const { return !m_points.isEmpty(); }
    const ZData::TScanPoints& points() const { return m_points; }
    // "f,re,im,f,re,im,..." built once per recorded sweep.
    const QByteArray& text();
    // Forgets the recorded sweep (the grid or the analyser changed).
    void clear();

signals:
    void signalRecorded(quint64 count);

private:
    void onScanData();
    void onSweepCompleted();

    ZData::TScanPoints m_points;
    QByteArray m_text;
    bool m_textValid = false;
    quint64 m_recorded = 0;
    bool m_cleanRun = false;
};

} // namespace ZRemote
