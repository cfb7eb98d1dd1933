#pragma once

#include <QString>
#include <QVector>

#include "calibration/CalibrationKit.h"

// Everything the command line decides about one emulated analyser.
struct EmulatorConfig
{
    QString linkPath;
    QString dutSpec;
    bool typicalErrorBox = true;
    bool hasNoise = false;
    double noiseDb = -200.0;
    quint32 seed = 1;
    int delayUs = 50;
    quint32 id[3] = {2083, 1719, 77};
    quint32 firmware[3] = {2, 0, 0};
    quint32 nextFirmware[3] = {2, 0, 1};
    int presets = 4;
    QString optionsText;
    QString statePath;
    bool quitOnEof = false;
    bool announce = true;
    // The standards "dut open", "dut short" and "dut load" present; ideal unless --kit names a file.
    ZData::CAL::CalibrationKit kit;

    // Taken from the option text so that the factory grid and the slots agree with what is reported.
    qint64 minHz = 1000000;
    qint64 maxHz = 6200000000LL;
    QVector<quint32> bandwidthsKHz{30, 10, 3, 1};
};
