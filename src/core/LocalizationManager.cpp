#include "core/LocalizationManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QtDebug>

#include "core/TaggedLog.h"

namespace ZCore {

namespace {
const TaggedLog kLog(LocalizationManager::tag());
} // namespace

bool LocalizationManager::init()
{
    const QDir dir(TRANSLATION_DIR);
    const QString filter = QString(FILE_PREFIX) + "*.qm";
    const QStringList names = dir.entryList(QStringList{filter}, QDir::Files, QDir::Name);
    s_files.clear();
    for (const QString& name : names)
        s_files.append(dir.filePath(name));
    if (s_files.isEmpty())
        kLog.critical("lp_err_tr_files_lost");
    return true;
}

QString LocalizationManager::languageName(const QString& path)
{
    QTranslator translator;
    if (!translator.load(path))
        return QString();
    return translator.translate("", "lp_tr_language");
}

bool LocalizationManager::setLanguage(const QString& path)
{
    if (s_translator)
        QCoreApplication::removeTranslator(s_translator.get());
    else
        s_translator = std::make_unique<QTranslator>();

    if (!s_translator->load(path)) {
        kLog.warn(QStringLiteral(">> target tr-file cannot be loaded: ") + path);
        return false;
    }
    s_currentFile = path;
    QCoreApplication::installTranslator(s_translator.get());
    emit instance().signalLoadedLang();
    return true;
}

} // namespace ZCore
