// Calibration files (.cbin): a file is read whole or not at all, and a calibration that was read
// corrects a sweep and writes the same file again.
#include <QDataStream>

#include "FuzzSupport.h"
#include "calibration/CalibrationData.h"
#include "measurement/TScanPoint.h"

using namespace ZData;
using CAL::CalibrationData;
using FuzzSupport::check;

namespace {

const QString DEVICE_ID = QStringLiteral("2083-1719-77");

QByteArray serialized(const CalibrationData& calibration)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    calibration.serialize(stream, DEVICE_ID);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::setUp();
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    QDataStream stream(bytes);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    CalibrationData calibration;
    static const QByteArray before = serialized(CalibrationData());
    if (calibration.deserialize(stream, DEVICE_ID) != CalibrationData::EReadResult::OK) {
        check(serialized(calibration) == before, "a refused file changed the calibration");
        return 0;
    }
    check(calibration.points() <= CalibrationData::MAX_POINTS, "more points than a calibration holds");
    const QByteArray written = serialized(calibration);
    CalibrationData again;
    QDataStream back(written);
    back.setByteOrder(QDataStream::LittleEndian);
    back.setFloatingPointPrecision(QDataStream::SinglePrecision);
    check(again.deserialize(back, DEVICE_ID) == CalibrationData::EReadResult::OK, "own file refused");
    check(serialized(again) == written, "calibration file round trip");

    // correction over a sweep inside and around the calibrated range
    CalibrationData::TSweepGrid grid;
    grid.start = double(calibration.start()) / 2;
    grid.stop = double(calibration.stop()) * 1.5 + 1;
    grid.points = 201;
    grid.step = (grid.stop - grid.start) / (grid.points - 1);
    TScanPoints sweep(int(grid.points));
    for (int i = 0; i < sweep.size(); ++i) {
        sweep[i].frequency = quint64(grid.start + grid.step * i);
        sweep[i].re = 0.3f;
        sweep[i].im = -0.1f;
    }
    calibration.correct(sweep.data(), 0, sweep.size(), grid);
    return 0;
}
