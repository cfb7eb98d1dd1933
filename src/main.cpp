#include <QApplication>
#include <QMessageBox>
#include <QSplashScreen>
#include <QTimer>
#include <QtDebug>

#include <cstdio>
#include <cstdlib>

#include "core/AppPaths.h"
#include "core/CommandLine.h"
#include "core/Logger.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"
#include "remote/RemoteControlServer.h"
#include "ui/DeviceConnector.h"

namespace {

// While the application object is being built, the platform plugin's complaints are held back:
// when no display can be opened the toolkit ends the process with a page of its own text, and a
// user needs one plain line saying what to do instead.
bool g_buildingApplication = false;
QtMessageHandler g_previousHandler = nullptr;
struct THeldMessage
{
    QtMsgType type;
    QString category;
    QString text;
};
QList<THeldMessage> g_held;

void noDisplay()
{
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray where = display.isEmpty() ? QByteArray("DISPLAY is not set") : "DISPLAY=" + display;
    std::fprintf(stderr,
                 "tolvekvna: no display can be opened (%s); run it in a desktop session, under a virtual "
                 "display with \"xvfb-run -a tolvekvna\", or measure without a window with "
                 "\"tolvekvna-measure --help\"\n",
                 where.constData());
    std::fflush(stderr);
    std::_Exit(1);
}

void startupHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_buildingApplication) {
        if (type == QtFatalMsg)
            noDisplay();
        g_held.append({type, QString::fromLatin1(context.category), message});
        return;
    }
    g_previousHandler(type, context, message);
}

void replayHeldMessages()
{
    for (const THeldMessage& held : qAsConst(g_held)) {
        const QByteArray category = held.category.toLatin1();
        const QMessageLogContext context(nullptr, 0, nullptr, category.constData());
        g_previousHandler(held.type, context, held.text);
    }
    g_held.clear();
}

} // namespace

int main(int argc, char* argv[])
{
    using ZCore::CommandLine;
    using ZCore::StartupSequence;

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine::TOptions options = CommandLine::parse(arguments);
    switch (options.action) {
    case CommandLine::EAction::HELP:
        std::fputs(qPrintable(CommandLine::usage(QStringLiteral("tolvekvna"))), stdout);
        return 0;
    case CommandLine::EAction::VERSION:
        std::fprintf(stdout, "%s\n", qPrintable(CommandLine::versionLine()));
        return 0;
    case CommandLine::EAction::INVALID:
        std::fprintf(stderr, "tolvekvna: %s\n\n%s", qPrintable(options.error),
                     qPrintable(CommandLine::usage(QStringLiteral("tolvekvna"))));
        return CommandLine::EXIT_USAGE;
    case CommandLine::EAction::RUN:
        break;
    }
    if (!options.dataDir.isEmpty())
        ZCore::AppPaths::setBaseDir(options.dataDir);
    if (options.remotePort > 0)
        qputenv(ZRemote::RemoteControlServer::ENV_PORT, QByteArray::number(options.remotePort));

    StartupSequence::prepare();
    g_previousHandler = qInstallMessageHandler(&startupHandler);
    g_buildingApplication = true;
    QApplication app(argc, argv);
    g_buildingApplication = false;
    qInstallMessageHandler(g_previousHandler);
    replayHeldMessages();
    StartupSequence::setupApplication(app);

    QSplashScreen splash(StartupSequence::splashPixmap());
    splash.show();
    app.processEvents();

    // One message naming the folder; the managers that need it then fail on their own and the
    // program runs on without keeping anything.
    QString dataDirProblem;
    const bool dataDirUsable = ZCore::AppPaths::ensureBaseDir(&dataDirProblem);
    StartupSequence::startManagers();
    if (dataDirUsable)
        qInfo().noquote().nospace() << StartupSequence::tag()
                                    << " >> data folder: " << ZCore::AppPaths::describe();
    else
        qWarning().noquote().nospace()
            << StartupSequence::tag() << " >> data folder cannot be used: " << ZCore::AppPaths::baseDir()
            << ": " << dataDirProblem;

    std::unique_ptr<QMainWindow> window = StartupSequence::loadMainWindow();
    window->show();
    splash.finish(window.get());
    if (!dataDirUsable) {
        auto* box = new QMessageBox(QMessageBox::Warning, window->windowTitle(),
                                    qtTrId("lp_err_data_dir_unusable").arg(ZCore::AppPaths::baseDir()),
                                    QMessageBox::Ok, window.get());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setObjectName(QStringLiteral("box_data_dir_unusable"));
        box->open();
    }
    if (!options.port.isEmpty())
        QTimer::singleShot(0, window.get(), [port = options.port] { DeviceConnector::openPort(port); });
    const int code = app.exec();
    window.reset();
    // The log file and the open profile are class-level statics; finish with them while the
    // application still exists rather than during static destruction.
    ZCore::SettingsManager::closeSettings();
    ZCore::Logger::shutdown();
    return code;
}
