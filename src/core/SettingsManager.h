#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVector>

#include <memory>

#include "core/ISInitializable.h"
#include "core/ISettingsRestorable.h"
#include "core/TSingleton.h"

namespace ZCore {

// The profile groups; each component writes into its own.
enum class ESettingsGroups : int
{
    DEFAULT = 0,
    DEVICE = 1,
    FREQUENCY = 2,
    CHARTS = 3,
    MARKS = 4,
    WINDOW_MAIN = 5,
    WINDOW_CONNECTION = 6,
    CALIBRATION = 7,
    TRACES = 8,
};

// Keeps the settings profiles: current.ini is the working profile every component reads and writes,
// default.ini the generated factory defaults; other files are only ever copied in or out.
class SettingsManager : public QObject, public TSingleton<SettingsManager>, public ISInitializable
{
    Q_OBJECT
    friend class TSingleton<SettingsManager>;

public:
    static constexpr const char* PROFILES_DIR_NAME = "profiles";
    static constexpr const char* USER_DIR_NAME = "user";
    static constexpr const char* FILE_EXTENSION = "ini";
    // Profiles are a few kilobytes; anything far larger is not one of ours.
    static constexpr qint64 MAX_PROFILE_SIZE = 1024 * 1024;

    static bool init();
    static bool initDirs();
    static bool initFiles();
    static QString tag() { return QStringLiteral("SettingsManager"); }

    // The open settings; opens the current file first if none is open.
    static QSettings* settings();

    // Restorables are saved in the order they registered. An object that goes away before the
    // manager must unregister itself.
    static void registerRestorable(ISettingsRestorable* object);
    static void unregisterRestorable(ISettingsRestorable* object);
    static int restorablesCount() { return s_restorables.size(); }

    // Every registered object saves, then the profile is written; false when the write failed.
    static bool saveAll();
    // Writes the open profile's pending changes. A write that fails (full disk, file-size limit)
    // leaves the previous file as it was and is reported; true when the file holds the changes.
    static bool sync();
    // Writes what is pending, then drops the open profile (at exit: nothing is left for the
    // profile object to write unchecked when it is destroyed).
    static void closeSettings();
    static bool saveAs(const QString& path);
    static void load(const QString& path);
    static void openSettings(const QString& path, QSettings::Format format = QSettings::IniFormat);
    static void copyAllTo(QSettings* target);

    static QString groupName(ESettingsGroups group);
    static QString subGroupName(ESettingsGroups group, const QString& subName);

    static QString profilesDir() { return s_profilesDir; }
    static QString userDir() { return s_userDir; }
    static QString defaultFile() { return s_defaultFile; }
    static QString currentFile() { return s_currentFile; }

signals:
    void signalGotSettings();

protected:
    // The profile's own deferred write goes through sync() as well.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SettingsManager() = default;

    // keepUnsaved: after a failed write the changes stay pending for the next explicit save.
    static bool writeProfile(bool keepUnsaved);
    static bool isCompleteOnDisk(const QSettings& live);

    static void computePaths();
    static bool generateDefault();
    static bool replaceCurrentWith(const QString& source);
    static QString profileDamage(const QString& path);
    static bool setAsideDamaged(const QString& path, const QString& damage);

    static inline QString s_profilesDir;
    static inline QString s_userDir;
    static inline QString s_defaultFile;
    static inline QString s_currentFile;
    static inline std::unique_ptr<QSettings> s_settings;
    // After a failed write only an explicit sync() writes again.
    static inline bool s_holdDeferredWrites = false;
    static inline QVector<ISettingsRestorable*> s_restorables;
};

} // namespace ZCore
