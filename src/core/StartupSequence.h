#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class QApplication;

namespace ZCore {

// One entry of the managers' start-up order: the class word used in the failure line and its init().
struct TStartupStep
{
    QString tag;
    std::function<bool()> init;
};

// The program's start-up, step by step, so that the program and the tests run the same sequence.
class StartupSequence
{
public:
    static QString tag() { return QStringLiteral("EntryPoint"); }
    static QString failureTag() { return QStringLiteral("Utility::Generics"); }

    static constexpr const char* ORGANIZATION_NAME = "Dovra";
    static constexpr const char* STYLE_NAME = "Fusion";
    static constexpr const char* STYLE_SHEET = "://styles/default.qss";
    static constexpr const char* LOGO = "://logo_pic";
    static constexpr int SPLASH_WIDTH = 500;
    static constexpr int SPLASH_HEIGHT = 300;

    // A step for any manager with static tag() and init().
    template <class TManager>
    static TStartupStep step()
    {
        return TStartupStep{TManager::tag(), &TManager::init};
    }

    // Before the application object exists: attributes and resource bundles.
    static void prepare();
    // On the new application object: organisation, style, style sheet and a first translation.
    static void setupApplication(QApplication& app);
    static QPixmap splashPixmap();

    // The managers in the order they must start.
    static QVector<TStartupStep> managers();
    // Runs every step, whatever the earlier ones returned; returns the tags of those that failed.
    static QStringList initManagers(const QVector<TStartupStep>& steps);

    // Whether startManagers() starts the logger: a test watching the log itself leaves it out,
    // since the logger's critical lines would raise message boxes.
    enum class ELogger
    {
        START,
        LEAVE_OUT,
    };
    // The one way the program, its tools, the tests and the benchmarks start the managers: those
    // of managers(), in that order. Returns the tags of those whose init() failed.
    static QStringList startManagers(ELogger logger = ELogger::START);

    // Logs the hand-over and builds the main window.
    static std::unique_ptr<QMainWindow> loadMainWindow();
};

} // namespace ZCore
