#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTranslator>

#include <memory>

#include "core/ISInitializable.h"
#include "core/TSingleton.h"

namespace ZCore {

// Finds the compiled translations among the resources, names their languages and switches the
// application's translator; widgets re-read their texts on signalLoadedLang.
class LocalizationManager : public QObject, public TSingleton<LocalizationManager>, public ISInitializable
{
    Q_OBJECT
    friend class TSingleton<LocalizationManager>;

public:
    static constexpr const char* TRANSLATION_DIR = ":/translation";
    static constexpr const char* FILE_PREFIX = "lumenpane_";
    static constexpr const char* DEFAULT_FILE = ":/translation/lumenpane_en.qm";

    static bool init();
    static QString tag() { return QStringLiteral("LocalizationManager"); }

    static QStringList files() { return s_files; }
    static QString languageName(const QString& path);
    static QString currentFile() { return s_currentFile; }
    static bool setLanguage(const QString& path);

signals:
    void signalLoadedLang();

private:
    LocalizationManager() = default;

    static inline QStringList s_files;
    static inline QString s_currentFile;
    static inline std::unique_ptr<QTranslator> s_translator;
};

} // namespace ZCore
