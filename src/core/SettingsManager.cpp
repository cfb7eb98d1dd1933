#include "core/SettingsManager.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include "core/AppPaths.h"
#include "core/TaggedLog.h"
#include "core/utility/Path.h"

namespace ZCore {

using UtilityModules::Path;

namespace {
const TaggedLog kLog(SettingsManager::tag());

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

quint64 digitValue(char c)
{
    return quint64(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
}

// The INI reader decodes a "@Variant(...)" value with a data stream that trusts the counts inside
// it: a few crafted bytes make it reserve gigabytes and end the program. Our writer never produces
// such values, nor escapes that spell printable text, so a file with either did not come from us.
// Only values are decoded (keys spell "/" as "\\"). Quotes, blanks and line continuations are
// dropped before matching, because the reader drops them too and they could split the marker.
QString valueDamage(const QByteArray& text)
{
    QByteArray decoded;
    decoded.reserve(text.size());
    bool inValue = false;
    for (int i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            inValue = false;
            decoded += '\n';
            continue;
        }
        if (!inValue) {
            inValue = c == '=';
            continue;
        }
        if (c == '"' || c == ' ' || c == '\t')
            continue;
        if (c != '\\' || i + 1 >= text.size()) {
            decoded += c;
            continue;
        }
        const char next = text[++i];
        if (next == '\n' || next == '\r') {
            if (next == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        if (next == 'x' || (next >= '0' && next <= '7')) {
            const int start = i - 1;
            const bool hex = next == 'x';
            const int base = hex ? 16 : 8;
            quint64 value = hex ? 0 : quint64(next - '0');
            int digits = 0;
            while (i + 1 < text.size() && digits < 16 &&
                   (hex ? isHexDigit(text[i + 1]) : (text[i + 1] >= '0' && text[i + 1] <= '7'))) {
                value = value * base + digitValue(text[++i]);
                ++digits;
            }
            const bool printable = value >= 0x20 && value <= 0x7e;
            // Our writer escapes a hex digit after "\0" so it is not read as part of the number.
            if ((printable && !isHexDigit(char(value))) || value > 0xffff || (!hex && value != 0))
                return QStringLiteral("an escape our profiles never contain: %1")
                    .arg(QString::fromLatin1(text.mid(start, i + 1 - start)));
            decoded += printable ? char(value) : '?';
            continue;
        }
        decoded += '?'; // the other escapes stand for control characters
    }
    if (decoded.contains("@Variant("))
        return QStringLiteral("a serialized variant value");
    return QString();
}
} // namespace

void SettingsManager::computePaths()
{
    s_profilesDir = QString("%1/%2").arg(AppPaths::baseDir(), PROFILES_DIR_NAME);
    s_userDir = QString("%1/%2").arg(s_profilesDir, USER_DIR_NAME);
    s_defaultFile = s_profilesDir + "/" + QString("default.%1").arg(FILE_EXTENSION);
    s_currentFile = s_profilesDir + "/" + QString("current.%1").arg(FILE_EXTENSION);
}

bool SettingsManager::init()
{
    kLog.debug(QStringLiteral(">> ZCore::SettingsManager::init.."));
    s_restorables.reserve(10);
    s_settings.reset();
    computePaths();
    if (!initDirs()) {
        qCritical().noquote() << kLog.line(QStringLiteral(">>") + qtTrId("lp_err_settings_cant_create_dirs") +
                                           s_profilesDir);
        return false;
    }
    if (!initFiles()) {
        kLog.critical("lp_err_settings_cant_create_files");
        return false;
    }
    return true;
}

bool SettingsManager::initDirs()
{
    return Path::createDir(s_profilesDir, "PROFILES_DIR") && Path::createDir(s_userDir, "PROFILES_USER_DIR");
}

bool SettingsManager::initFiles()
{
    const QString defaultDamage = profileDamage(s_defaultFile);
    if (!defaultDamage.isEmpty())
        setAsideDamaged(s_defaultFile, defaultDamage);
    if (!Path::fileExists(s_defaultFile) && !generateDefault())
        return false;

    if (Path::fileExists(s_currentFile)) {
        kLog.info(QStringLiteral(">> current settings file was found at: ") + s_currentFile);
        openSettings(s_currentFile);
        return true;
    }
    kLog.warn(QStringLiteral(">> current settings file wasn't found at: ") + s_currentFile);
    if (Path::fileExists(s_defaultFile)) {
        closeSettings();
        Path::copyFileAtomically(s_defaultFile, s_currentFile);
        openSettings(s_currentFile);
    }
    return true;
}

bool SettingsManager::generateDefault()
{
    openSettings(s_defaultFile, QSettings::IniFormat);
    if (!s_settings || !s_settings->isWritable()) {
        kLog.critical("lp_err_settings_cant_create_default", s_defaultFile);
        return false;
    }
    kLog.warn(QStringLiteral(">> 'default' profile doesn't exist yet => generating it now.."));

    QSettings& s = *s_settings;
    s.beginGroup(groupName(ESettingsGroups::DEFAULT));
    s.setValue("com_port", QString("COM-9"));
    s.setValue("language", QString(":/translation/lumenpane_en.qm"));
    s.setValue("interpolation_enabled", false);
    s.endGroup();

    s.beginGroup(groupName(ESettingsGroups::DEVICE));
    s.setValue("el_delay_value", QString("0"));
    s.setValue("el_delay_enabled", false);
    s.endGroup();

    s.beginGroup(groupName(ESettingsGroups::WINDOW_MAIN));
    s.setValue("menu_page", 0);
    s.setValue("menu_visible", true);
    s.endGroup();

    s.beginGroup(groupName(ESettingsGroups::CHARTS));
    s.setValue("chart_arrange", 11);
    s.setValue("selected_chartview", 0u);
    s.setValue("use_opengl", false);
    s.endGroup();

    const QPair<const char*, int> views[] = {{"UL", 3}, {"UR", 4}, {"BL", 2}, {"BR", 5}};
    for (const auto& view : views) {
        s.beginGroup(subGroupName(ESettingsGroups::CHARTS, view.first));
        s.setValue("type", view.second);
        s.endGroup();
    }

    s.beginGroup(groupName(ESettingsGroups::FREQUENCY));
    s.setValue("start", 1.0e9);
    s.setValue("end", 3.0e9);
    s.setValue("points_amount", 1000);
    s.setValue("bandwidth_idx", 0);
    s.endGroup();

    s.beginGroup(groupName(ESettingsGroups::TRACES));
    s.setValue("decs", QString("trace_n = path to the trace file"));
    s.endGroup();

    return sync();
}

QSettings* SettingsManager::settings()
{
    if (s_currentFile.isEmpty())
        computePaths();
    if (!s_settings)
        openSettings(s_currentFile, QSettings::IniFormat);
    return s_settings.get();
}

void SettingsManager::registerRestorable(ISettingsRestorable* object)
{
    if (object && !s_restorables.contains(object))
        s_restorables.append(object);
}

void SettingsManager::unregisterRestorable(ISettingsRestorable* object)
{
    s_restorables.removeAll(object);
}

bool SettingsManager::saveAll()
{
    for (ISettingsRestorable* object : qAsConst(s_restorables))
        object->saveSettings();
    return settings() && sync();
}

bool SettingsManager::sync()
{
    return writeProfile(true);
}

bool SettingsManager::writeProfile(bool keepUnsaved)
{
    QSettings* s = s_settings.get();
    if (!s)
        return false;
    // The toolkit writes through a temporary file but can rename it over the profile even when the
    // last buffered write failed, leaving a cut or empty file. A second name for the old file (a
    // hard link, so it needs no space) lets it be put back when the written file is incomplete.
    const QString file = s->fileName();
    const QByteArray native = QFile::encodeName(file);
    const QByteArray previous = QFile::encodeName(file + QStringLiteral(".previous"));
    struct stat before = {};
    const bool existed = ::stat(native.constData(), &before) == 0;
    ::unlink(previous.constData());
    const bool kept = existed && ::link(native.constData(), previous.constData()) == 0;
    s->sync();
    s_holdDeferredWrites = false;
    // A write replaces the file by a new one; nothing pending leaves the same file in place.
    struct stat after = {};
    const bool exists = ::stat(native.constData(), &after) == 0;
    const bool written = exists != existed || (exists && after.st_ino != before.st_ino);
    // Once the toolkit has seen a write fail, the object reports the error for good and keeps the
    // changes pending: only a new, complete file tells that they reached the disk after all.
    const bool toolkitFailed = s->status() != QSettings::NoError;
    const bool ok = written ? isCompleteOnDisk(*s) : !toolkitFailed;
    // A cut file was taken as written: the changes are kept as pending in a fresh object on the
    // restored file, so the next explicit save tries again.
    const bool renew = (ok && toolkitFailed) || (!ok && written && keepUnsaved && s->group().isEmpty());
    QVector<QPair<QString, QVariant>> unsaved;
    if (renew && !ok) {
        for (const QString& key : s->allKeys())
            unsaved.append({key, s->value(key)});
    }
    // (renaming a second name onto its own file would leave both names in place)
    if (kept && !ok && written)
        ::rename(previous.constData(), native.constData());
    else if (kept)
        ::unlink(previous.constData());
    else if (!ok && written && !existed)
        QFile::remove(file);
    if (renew) {
        const QSettings::Format format = s->format();
        s_settings.reset();
        s_settings = std::make_unique<QSettings>(file, format);
        s_settings->installEventFilter(&instance());
        for (const auto& entry : qAsConst(unsaved))
            s_settings->setValue(entry.first, entry.second);
    }
    if (!ok) {
        // Retrying at every turn of the event loop would only repeat the failure.
        s_holdDeferredWrites = true;
        kLog.critical("lp_err_settings_cant_write", file);
    }
    return ok;
}

bool SettingsManager::isCompleteOnDisk(const QSettings& live)
{
    QFile file(live.fileName());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size == 0)
        return live.allKeys().isEmpty();
    // The writer ends every line, so a cut file ends inside one.
    if (!file.seek(size - 1) || file.read(1) != "\n")
        return false;
    file.close();
    if (!live.group().isEmpty())
        return true; // a caller is inside a group: its keys are relative and cannot be compared
    QStringList written = QSettings(live.fileName(), QSettings::IniFormat).allKeys();
    QStringList expected = live.allKeys();
    std::sort(written.begin(), written.end());
    std::sort(expected.begin(), expected.end());
    return written == expected;
}

bool SettingsManager::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::UpdateRequest && s_settings && watched == s_settings.get()) {
        if (!s_holdDeferredWrites)
            sync();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void SettingsManager::closeSettings()
{
    // Nothing may stay pending: the profile's destructor would write it unchecked.
    if (s_settings)
        writeProfile(false);
    s_settings.reset();
}

bool SettingsManager::saveAs(const QString& path)
{
    const QString target = Path::normalized(path);
    if (target.compare(Path::normalized(s_currentFile), Qt::CaseInsensitive) == 0) {
        kLog.critical("lp_err_settings_cant_rewrite_current");
        return false;
    }
    if (target.compare(Path::normalized(s_defaultFile), Qt::CaseInsensitive) == 0) {
        kLog.critical("lp_err_settings_cant_rewrite_default");
        return false;
    }
    kLog.info(QStringLiteral(">> saving user settings to: ") + path);
    // A preset copied from a working profile that could not be written would not hold what the
    // window shows.
    if (!saveAll())
        return false;
    // The preset is replaced only once the whole copy has been written.
    return Path::copyFileAtomically(s_currentFile, path);
}

bool SettingsManager::replaceCurrentWith(const QString& source)
{
    // Loading the working profile onto itself is a reload, not a copy.
    if (Path::normalized(source) == Path::normalized(s_currentFile))
        return true;
    return Path::copyFileAtomically(source, s_currentFile);
}

void SettingsManager::load(const QString& path)
{
    // Pending changes go into the old working profile before it is replaced, never into the new one.
    closeSettings();

    const bool isCurrent = Path::normalized(path) == Path::normalized(s_currentFile);
    const QString damage = isCurrent ? QString() : profileDamage(path);
    if (!damage.isEmpty()) {
        kLog.warn(QStringLiteral(">> refusing settings file (") + damage + QStringLiteral("): ") + path);
        kLog.critical("lp_err_settings_damaged_profile", path);
    } else if (Path::fileExists(path)) {
        kLog.info(QStringLiteral(">> loading settings from: ") + path);
        if (!replaceCurrentWith(path))
            kLog.warn(QStringLiteral(">> failed to copy settings from: ") + path +
                      QStringLiteral(" => keeping the working profile"));
    } else {
        kLog.warn(QStringLiteral(">> reverting settings to default.."));
        if (Path::fileExists(s_defaultFile) && !replaceCurrentWith(s_defaultFile))
            kLog.warn(QStringLiteral(">> failed to copy settings from: ") + s_defaultFile +
                      QStringLiteral(" => keeping the working profile"));
    }
    openSettings(s_currentFile, QSettings::IniFormat);
    emit instance().signalGotSettings();
}

void SettingsManager::openSettings(const QString& path, QSettings::Format format)
{
    closeSettings();
    if (path != s_currentFile && path != s_defaultFile) {
        kLog.critical("lp_err_settings_custom_files_not_allowed", path);
        return;
    }
    // Nothing reaches the INI reader unchecked: a damaged working profile would end every start.
    const QString damage = profileDamage(path);
    if (!damage.isEmpty()) {
        if (!setAsideDamaged(path, damage))
            return;
        if (path == s_currentFile && path != s_defaultFile && Path::fileExists(s_defaultFile) &&
            profileDamage(s_defaultFile).isEmpty())
            Path::copyFileAtomically(s_defaultFile, s_currentFile);
    }
    s_settings = std::make_unique<QSettings>(path, format);
    s_settings->installEventFilter(&instance());
}

void SettingsManager::copyAllTo(QSettings* target)
{
    QSettings* source = settings();
    if (!source || !target || source == target)
        return;
    const QStringList keys = source->allKeys();
    for (const QString& key : keys)
        target->setValue(key, source->value(key));
}

QString SettingsManager::profileDamage(const QString& path)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return QString(); // missing or unreadable files are handled where they are used
    if (file.size() > MAX_PROFILE_SIZE)
        return QStringLiteral("larger than %1 bytes").arg(MAX_PROFILE_SIZE);
    const QByteArray text = file.read(MAX_PROFILE_SIZE + 1);
    if (text.size() > MAX_PROFILE_SIZE)
        return QStringLiteral("larger than %1 bytes").arg(MAX_PROFILE_SIZE);
    if (text.contains('\0'))
        return QStringLiteral("not a text file");
    return valueDamage(text);
}

bool SettingsManager::setAsideDamaged(const QString& path, const QString& damage)
{
    // The user's file is kept under a new name for inspection, never deleted.
    QString aside = path + QStringLiteral(".damaged");
    for (int n = 1; QFileInfo::exists(aside); ++n)
        aside = path + QStringLiteral(".damaged.%1").arg(n);
    const bool moved = QFile::rename(path, aside);
    kLog.warn(QStringLiteral(">> settings file is damaged (") + damage + QStringLiteral("): ") + path +
              (moved ? QStringLiteral(" => moved to ") + aside + QStringLiteral(", starting from defaults")
                     : QStringLiteral(" => cannot move it aside, not using it")));
    return moved;
}

QString SettingsManager::groupName(ESettingsGroups group)
{
    switch (group) {
    case ESettingsGroups::DEFAULT:
        return QStringLiteral("Default");
    case ESettingsGroups::DEVICE:
        return QStringLiteral("Device");
    case ESettingsGroups::FREQUENCY:
        return QStringLiteral("Frequency");
    case ESettingsGroups::CHARTS:
        return QStringLiteral("Charts");
    case ESettingsGroups::MARKS:
        return QStringLiteral("Marks");
    case ESettingsGroups::WINDOW_MAIN:
        return QStringLiteral("Window.Main");
    case ESettingsGroups::WINDOW_CONNECTION:
        return QStringLiteral("Window.Connection");
    case ESettingsGroups::CALIBRATION:
        return QStringLiteral("Calibration");
    case ESettingsGroups::TRACES:
        return QStringLiteral("Traces");
    }
    const int value = int(group);
    kLog.warn(QString(">> got unknown value of [ %1 ]: %2").arg("ESettingsGroups").arg(value));
    return QString::number(value);
}

QString SettingsManager::subGroupName(ESettingsGroups group, const QString& subName)
{
    return QString("%1.%2").arg(groupName(group), subName);
}

} // namespace ZCore
