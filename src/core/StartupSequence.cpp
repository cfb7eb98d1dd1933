#include "core/StartupSequence.h"

#include <QApplication>
#include <QLocale>
#include <QStyleFactory>
#include <QtDebug>

#include "calibration/CalibrationManager.h"
#include "core/LocalizationManager.h"
#include "core/Logger.h"
#include "core/Resources.h"
#include "core/SettingsManager.h"
#include "core/utility/Image.h"
#include "core/utility/UI.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "ui/MainWindow.h"

namespace ZCore {

void StartupSequence::prepare()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    // A 150 % panel gets 1.5, not 2: text keeps the physical size the desktop asks for.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QCoreApplication::setAttribute(Qt::AA_DisableWindowContextHelpButton, true);
    initResources();
}

void StartupSequence::setupApplication(QApplication& app)
{
    QCoreApplication::setOrganizationName(ORGANIZATION_NAME);
    // One decimal separator everywhere: the program's own dot, not the desktop's language.
    QLocale::setDefault(QLocale::c());
    app.setStyle(QStyleFactory::create(STYLE_NAME));
    UtilityModules::UI::loadStyleSheet(STYLE_SHEET);
    // Failure lines of the start-up are read before any profile chooses a language.
    LocalizationManager::setLanguage(LocalizationManager::DEFAULT_FILE);
}

QPixmap StartupSequence::splashPixmap()
{
    QPixmap pixmap =
        UtilityModules::Image::composed(QSize(SPLASH_WIDTH, SPLASH_HEIGHT), Qt::white, QPixmap(LOGO));
    UtilityModules::Image::drawRect(pixmap, QRect(1, 1, pixmap.width() - 2, pixmap.height() - 2), Qt::black,
                                    2);
    return pixmap;
}

QVector<TStartupStep> StartupSequence::managers()
{
    return {
        step<Logger>(),
        step<SettingsManager>(),
        step<ZData::DeviceMessageManager>(),
        step<ZData::DM::SerialPort>(),
        step<ZData::ConnectionManager>(),
        step<ZData::DeviceManager>(),
        step<ZData::CalibrationManager>(),
        step<ZData::DataScanManager>(),
        step<LocalizationManager>(),
    };
}

QStringList StartupSequence::initManagers(const QVector<TStartupStep>& steps)
{
    QStringList failed;
    for (const TStartupStep& entry : steps) {
        const bool ok = entry.init ? entry.init() : false;
        if (!ok) {
            qCritical().noquote().nospace()
                << failureTag() << " >> " << qtTrId("lp_err_failed_manager_init") << entry.tag;
            failed.append(entry.tag);
        }
    }
    return failed;
}

QStringList StartupSequence::startManagers(ELogger logger)
{
    QVector<TStartupStep> steps;
    for (const TStartupStep& step : managers())
        if (logger == ELogger::START || step.tag != Logger::tag())
            steps.append(step);
    return initManagers(steps);
}

std::unique_ptr<QMainWindow> StartupSequence::loadMainWindow()
{
    qInfo().noquote().nospace() << tag() << " >> loading MainWindow..";
    return std::make_unique<MainWindow>();
}

} // namespace ZCore
