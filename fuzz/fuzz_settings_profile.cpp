// A settings profile the user loads as a preset: any file becomes the working profile, the
// managers restore from it, and every value reads as the kinds the program asks for.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include "FuzzSupport.h"
#include "core/SettingsManager.h"
#include "measurement/DataScanManager.h"

using FuzzSupport::check;
using ZCore::SettingsManager;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::setUp();
    static const bool ready = SettingsManager::init() && ZData::DataScanManager::init();
    check(ready, "managers did not start");

    const QString preset = QDir(SettingsManager::userDir()).filePath(QStringLiteral("preset.ini"));
    {
        QFile file(preset);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the preset");
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    SettingsManager::load(preset);
    QSettings* settings = SettingsManager::settings();
    check(settings != nullptr, "no working profile after loading a preset");
    for (const QString& key : settings->allKeys()) {
        const QVariant value = settings->value(key);
        value.toString();
        value.toDouble();
        value.toInt();
        value.toUInt();
        value.toBool();
    }
    const int traces = settings->beginReadArray(QStringLiteral("Traces/loaded"));
    for (int i = 0; i < qMin(traces, 64); ++i) {
        settings->setArrayIndex(i);
        settings->value(QStringLiteral("path")).toString();
    }
    settings->endArray();
    // saving the working profile again must work whatever was loaded
    SettingsManager::saveAll();
    check(QFile::exists(SettingsManager::currentFile()), "the working profile is gone");
    QCoreApplication::sendPostedEvents();
    return 0;
}
