#include "remote/RemoteSweepRecorder.h"

#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"

using ZData::DataScanManager;

namespace ZRemote {

RemoteSweepRecorder::RemoteSweepRecorder(QObject* parent) : QObject(parent)
{
    connect(&DataScanManager::instance(), &DataScanManager::signalProcessedScanData, this,
            &RemoteSweepRecorder::onScanData);
    // Taken while the completion is announced: the next slice, asked for right after, would
    // already overwrite the start of the buffer, and with the scan paused no further slice comes.
    connect(&DataScanManager::instance(), &DataScanManager::signalSweepCompleted, this,
            &RemoteSweepRecorder::onSweepCompleted);
    connect(&DataScanManager::sweep(), &ZData::DS::RangeSliced::signalUpdated, this,
            &RemoteSweepRecorder::clear);
    connect(&ZData::DM::SerialPort::instance(), &ZData::DM::SerialPort::signalOpened, this,
            &RemoteSweepRecorder::clear);
}

void RemoteSweepRecorder::clear()
{
    m_points.clear();
    m_text.clear();
    m_textValid = false;
    m_cleanRun = false;
}

void RemoteSweepRecorder::onScanData()
{
    // The slice just answered is still the current one while the announcement runs.
    const bool corrected = DataScanManager::isCalibrationApplied();
    if (DataScanManager::sliceStartIndex() == 0)
        m_cleanRun = corrected;
    else
        m_cleanRun = m_cleanRun && corrected;
}

void RemoteSweepRecorder::onSweepCompleted()
{
    // The last slice of this sweep was announced just before, so the run is already judged.
    if (!m_cleanRun)
        return;
    const bool corrected = DataScanManager::isCalibrationApplied();
    // The corrected points (with electrical delay when it is on), never the interpolation grid.
    if (corrected && DataScanManager::isElDelayEnabled())
        DataScanManager::refreshDelayed();
    const ZData::TScanPoints& source = DataScanManager::nonInterpolatedBuffer();
    const int n = qMin(int(DataScanManager::sweep().points()), source.size());
    m_points = source.mid(0, n);
    m_textValid = false;
    ++m_recorded;
    emit signalRecorded(m_recorded);
}

const QByteArray& RemoteSweepRecorder::text()
{
    if (m_textValid)
        return m_text;
    m_text.clear();
    m_text.reserve(m_points.size() * 40);
    for (int i = 0; i < m_points.size(); ++i) {
        const ZData::TScanPoint& p = m_points[i];
        if (i > 0)
            m_text += ',';
        m_text += QByteArray::number(qulonglong(p.frequency));
        m_text += ',';
        m_text += QByteArray::number(double(p.re), 'g', 9);
        m_text += ',';
        m_text += QByteArray::number(double(p.im), 'g', 9);
    }
    m_textValid = true;
    return m_text;
}

} // namespace ZRemote
