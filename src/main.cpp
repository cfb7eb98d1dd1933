#include <QApplication>
#include <QSplashScreen>

#include "core/Logger.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"

int main(int argc, char* argv[])
{
    using ZCore::StartupSequence;

    StartupSequence::prepare();
    QApplication app(argc, argv);
    StartupSequence::setupApplication(app);

    QSplashScreen splash(StartupSequence::splashPixmap());
    splash.show();
    app.processEvents();

    StartupSequence::startManagers();

    std::unique_ptr<QMainWindow> window = StartupSequence::loadMainWindow();
    window->show();
    splash.finish(window.get());
    const int code = app.exec();
    window.reset();
    // The log file and the open profile are class-level statics; finish with them while the
    // application still exists rather than during static destruction.
    if (QSettings* settings = ZCore::SettingsManager::settings())
        settings->sync();
    ZCore::Logger::shutdown();
    return code;
}
