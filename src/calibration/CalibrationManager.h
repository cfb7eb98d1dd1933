#pragma once

#include <QDateTime>
#include <QObject>
#include <QSettings>
#include <QString>

#include <memory>

#include "calibration/CalibrationData.h"
#include "calibration/CalibrationKit.h"
#include "core/ISInitializable.h"
#include "core/TSingleton.h"
#include "devicelink/DeviceTypes.h"

namespace ZData {

// Owns the active calibration and everything that fills it: the user's open/short/load measurement,
// calibration files with the table of the last file per device, and the chunked transfers to and
// from the analyser's calibration slots.
class CalibrationManager : public QObject,
                           public ZCore::TSingleton<CalibrationManager>,
                           public ZCore::ISInitializable
{
    Q_OBJECT
    friend class ZCore::TSingleton<CalibrationManager>;

public:
    static constexpr const char* DIR_NAME = "calibs";
    static constexpr const char* TABLE_NAME = "calib_table.ini";
    static constexpr const char* FILE_EXTENSION = "cbin";
    static constexpr const char* DEVICE_DIR_PREFIX = "CALIB_";
    static constexpr quint16 READ_DATA_CHUNK = 41;
    static constexpr quint16 READ_VCO_CHUNK = 509;
    static constexpr quint16 WRITE_DATA_CHUNK = EProtocolSetup::SLICE_POINTS;
    static constexpr quint16 WRITE_VCO_CHUNK = 1019;
    static constexpr quint16 ACTIVE_SLOT = 0xFFFF;
    static constexpr quint8 MAX_BANDWIDTH_INDEX = 3;
    // Completed user calibrations are kept as "auto_<device id>_<date>_<time>.cbin" in the device's
    // directory; the oldest beyond this many are removed, files the user saved never.
    static constexpr const char* AUTOSAVE_PREFIX = "auto_";
    static constexpr int MAX_AUTOSAVES = 20;

    // Where the calibration used for correction came from.
    enum class ESource
    {
        NONE,     // nothing corrects the data
        FACTORY,  // the analyser's factory slot
        SLOT,     // one of the analyser's user slots
        FILE,     // a calibration file (also an autosaved one)
        MEASURED, // measured here and not (yet) in a file
    };

    static bool init();
    static QString tag() { return QStringLiteral("CalibrationManager"); }

    // Starts measuring a standard; false when it cannot be measured (the sweep has more points than
    // a calibration holds), which is reported to the user at once.
    static bool startCalibType(quint8 type);
    static void clearCalibType(quint8 type);
    static void resetToFactory();
    static bool loadCalibFile(const QString& path);
    static bool saveCalibFile(const QString& path);
    static void readDeviceCalib(quint16 slot);
    static bool writeDeviceCalib(quint16 slot);
    static void setBandwidthIndex(quint8 index);
    // Writes the completed user calibration into the device's directory under a name a person can
    // tell apart, records it as the device's last used calibration and prunes the oldest autosaves.
    // Returns the file written, empty when nothing was written.
    static QString autosaveCalibration();

    static const CAL::CalibrationData& calibration() { return *s_calibration; }
    static quint8 bandwidthIndex() { return s_bandwidthIndex; }
    static quint16 currentSlot() { return s_slot; }
    static QString calibDir() { return s_calibDir; }
    static QString tablePath() { return s_tablePath; }
    static QString deviceDir() { return s_deviceDir; }
    static QString fileExtension() { return QString::fromLatin1(FILE_EXTENSION); }
    static bool isTransferring() { return s_transfer != ETransfer::NONE; }
    static ESource source() { return s_source; }
    // The file of a FILE source; the slot of a SLOT source is currentSlot().
    static QString sourceFile() { return s_sourceFile; }
    // When the user calibration in use was measured (a file: when it was written); invalid otherwise.
    static QDateTime sourceTime() { return s_sourceTime; }
    // When a standard (1, 2, 4) of the active calibration was measured; invalid when it is not, or when
    // it came measured from a file or a slot.
    static QDateTime measuredAt(quint8 type);
    // "FACTORY", "SLOT <n>", "FILE <name>", "MEASURED" or "NONE", for remote control.
    static QString sourceCode();
    // One line for the window: "factory", or the user's with its date and grid.
    static QString sourceDescription();
    // The same in short lines for the views' range box, which shows the sweep: the grid of a user
    // calibration is added only when the sweep is another one.
    static QString sourceLines();

    // Calibration table: the file last used for a device. Ids an INI key cannot hold are escaped.
    static QString tableEntry(const QString& deviceId);
    static void setTableEntry(const QString& deviceId, const QString& path);
    static QString tableKey(const QString& deviceId);

    // Corrects points [index, index + count) of the measured buffer of the scan with the active
    // calibration on the current sweep.
    static void correct(TScanPoint* buffer, int index, int count);

    // The kit the next completed calibration is solved with; the ideal kit by default.
    static const CAL::CalibrationKit& kit() { return s_kit; }
    // Chooses a kit by name (the ideal kit or a file in the kits folder). A kit that cannot be read
    // is refused with the reason in error ("FILE:LINE: reason") and the current kit stays.
    static bool setKit(const QString& name, QString* error = nullptr);
    // Writes a kit into the kits folder under its name and makes it the current kit.
    static bool saveKit(const CAL::CalibrationKit& kit, QString* error = nullptr);
    // The kits to choose from. When the current kit's file has gone, the ideal kit takes its place
    // and signalKitChanged carries the reason.
    static QStringList kitNames();

    enum class EKitRecord
    {
        NONE,       // no calibration
        FACTORY,    // the analyser's own, exact as it stands
        UNRECORDED, // a device slot or a file without a kit record
        KIT,        // taken with calibrationKit()
    };
    // What is known of the kit the active calibration was taken with.
    static EKitRecord kitRecord() { return s_kitRecord; }
    static const CAL::CalibrationKit& calibrationKit() { return s_calibrationKit; }
    // The kit record kept beside a calibration file.
    static QString kitSidecarPath(const QString& calibPath);
    // Writes (or, with no kit known, removes) the kit record beside a calibration file; every path
    // that saves a calibration file calls it.
    static bool writeKitSidecar(const QString& calibPath);

    static constexpr int MAX_AVERAGE_SWEEPS = 64;
    // Sweeps per standard (1 to 64), combined into one by a robust mean; false for any other count.
    static bool setAverageSweeps(int sweeps);
    static int averageSweeps() { return s_averageSweeps; }

    // Back to the state after construction (tests).
    static void reset();

signals:
    void signalStartedCalibration();
    void signalSentCalibration();
    void signalFinishedCalibration();
    void signalFinishedCalibType();
    void signalChangedBandwidth();
    void signalSourceChanged();
    // The current kit changed; reason is empty for a user's choice and says why otherwise.
    void signalKitChanged(const QString& reason);
    // A sweep of the standard being measured is in (done of total).
    void signalCapturedSweep(int done, int total);
    void signalAverageSweepsChanged(int sweeps);

public slots:
    void slotPostDeviceStartup();
    // The scan completed a sweep of data accepted during it: a standard being measured is taken.
    void slotSweepCompleted();
    void slotProcessCalibRange(ZData::TDeviceReply& device_reply);
    void slotProcessCalibVCO(ZData::TDeviceReply& device_reply);
    void slotProcessCalibData(ZData::TDeviceReply& device_reply);

private:
    // The calibration's grid in the words of "lp_cal_source_grid", its ends in MHz as given.
    static QString gridText(char format, int precision);
    enum class ETransfer
    {
        NONE,
        DOWNLOAD,
        SEND_ACTIVE,
        UPLOAD
    };

    CalibrationManager();

    static bool initDirs();
    static bool initFiles();
    static void captureMeasurement();
    static void resetState();
    static void startSendingVCO();
    static void applyRangeToSweep();
    static void queueReadVCO();
    static void queueReadData();
    static void finishDownload();
    static void sendVCO(bool upload);
    static void sendDataChunk();
    static void onSentRange();
    static void onSentVCO(const TDeviceReply& reply);
    static void onSentData();
    static void finishTransfer();
    static void abortTransfer(const QString& reason);
    static QString deviceId();
    static void setSource(ESource source, const QString& file = QString(), const QDateTime& time = {});
    static void pruneAutosaves(const QString& dir, const QString& idPart);
    static bool sweepFitsDevice();
    static void readKitSidecar(const QString& calibPath);

    static inline std::unique_ptr<CAL::CalibrationData> s_calibration =
        std::make_unique<CAL::CalibrationData>();
    static inline quint16 s_slot = 0;
    static inline quint8 s_typeMeasured = 0;
    static inline quint8 s_bandwidthIndex = 0;
    static inline quint8 s_vcoAcks = 0;
    static inline quint8 s_dataAcks = 0;
    static inline ETransfer s_transfer = ETransfer::NONE;
    static inline QString s_calibDir;
    static inline QString s_tablePath;
    static inline QString s_deviceDir;
    static inline std::unique_ptr<QSettings> s_table;
    static inline ESource s_source = ESource::NONE;
    static inline QString s_sourceFile;
    static inline QDateTime s_sourceTime;
    static inline QDateTime s_measuredAt[3];
    static inline CAL::CalibrationKit s_kit;
    static inline CAL::CalibrationKit s_calibrationKit;
    static inline EKitRecord s_kitRecord = EKitRecord::NONE;
    static inline int s_averageSweeps = 1;
    static inline QVector<TScanPoints> s_capturedSweeps;
};

} // namespace ZData
