// Runs the desktop program's start-up and main window, connects through the port dialog and
// then, without a user: writes a picture of the window (the README's screenshot) or of every menu
// page, reports when the window was first shown, how many sweeps per second it keeps up with, and
// its memory.
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

#include "calibration/CalibrationManager.h"
#include "charts/ZChartView.h"
#include "core/AppPaths.h"
#include "core/LocalizationManager.h"
#include "core/Logger.h"
#include "core/StartupSequence.h"
#include "measurement/DataScanManager.h"
#include "ui/DeviceConnector.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowUi.h"

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

bool spinUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

void spinFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

// Resident set size in kB, from /proc/self/status.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Every menu page in both languages at the smallest, the usual and a large window size, as
// DIR/page<N>_<language>_<W>x<H>.png; the window's language and size come back afterwards.
bool photographPages(MainWindow* window, const QString& dir)
{
    if (!QDir().mkpath(dir))
        return false;
    const QString language = ZCore::LocalizationManager::currentFile();
    const QSize size = window->size();
    for (const char* lang : {"en", "ru"}) {
        ZCore::LocalizationManager::setLanguage(QStringLiteral(":/translation/lumenpane_%1.qm").arg(lang));
        for (const QSize& shown : {QSize(1000, 550), QSize(1400, 820), QSize(1920, 1080)}) {
            window->resize(shown);
            for (int page = 0; page < Ui::MainWindowUi::PAGES; ++page) {
                window->handleMenuButton(page);
                spinFor(200); // layouts and the views' merged repaints settle
                const QString file = QStringLiteral("%1/page%2_%3_%4x%5.png")
                                         .arg(dir)
                                         .arg(page)
                                         .arg(QLatin1String(lang))
                                         .arg(shown.width())
                                         .arg(shown.height());
                if (!window->grab().save(file, "PNG"))
                    return false;
                out() << "page_screenshot " << file << Qt::endl;
            }
        }
    }
    window->handleMenuButton(0);
    window->resize(size);
    return ZCore::LocalizationManager::setLanguage(language);
}

int fail(const QString& text)
{
    std::fprintf(stderr, "tolvekvna-window: error: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    using ZCore::StartupSequence;
    StartupSequence::prepare();
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Drives the TolvekVNA main window without a user."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("port"), QStringLiteral("Analyser port to pick in the port dialog."),
                      QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("Directory for logs and profiles."),
                      QStringLiteral("DIR")});
    parser.addOption(
        {QStringLiteral("screenshot"), QStringLiteral("Write a PNG of the window."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("page-screenshots"),
                      QStringLiteral("Write PNGs of every menu page, both languages, three sizes."),
                      QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("size"), QStringLiteral("Window size, default 1400x820."),
                      QStringLiteral("WxH"), QStringLiteral("1400x820")});
    parser.addOption({QStringLiteral("sweeps"), QStringLiteral("Complete sweeps to wait for (default 3)."),
                      QStringLiteral("N"), QStringLiteral("3")});
    parser.addOption({QStringLiteral("seconds"),
                      QStringLiteral("Keep scanning this long and report sweeps per second and memory."),
                      QStringLiteral("S"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("points"),
                      QStringLiteral("Sweep points after connecting (default: kept)."), QStringLiteral("N"),
                      QStringLiteral("0")});
    parser.process(app);

    if (parser.isSet(QStringLiteral("data-dir")))
        ZCore::AppPaths::setBaseDir(parser.value(QStringLiteral("data-dir")));
    StartupSequence::setupApplication(app);
    StartupSequence::startManagers();
    ZCore::Logger::setPresenter([](QtMsgType, const QString&, const QString& text) {
        std::fprintf(stderr, "tolvekvna-window: message: %s\n", qPrintable(text));
    });

    std::unique_ptr<QMainWindow> base = StartupSequence::loadMainWindow();
    auto* window = qobject_cast<MainWindow*>(base.get());
    if (!window)
        return fail(QStringLiteral("the start-up did not build the main window"));
    window->setWarningPresenter([](const QString&, const QString& text) {
        std::fprintf(stderr, "tolvekvna-window: warning box: %s\n", qPrintable(text));
    });
    const QStringList size = parser.value(QStringLiteral("size")).split(QLatin1Char('x'));
    if (size.size() == 2)
        window->resize(size.at(0).toInt(), size.at(1).toInt());
    window->show();
    spinUntil([window] { return window->isVisible(); }, 5000);
    out() << "first_window_ms " << sinceStart.elapsed() << " epoch_ms " << QDateTime::currentMSecsSinceEpoch()
          << Qt::endl;

    const QString pagesDir = parser.value(QStringLiteral("page-screenshots"));
    const QString port = parser.value(QStringLiteral("port"));
    if (port.isEmpty()) {
        if (!pagesDir.isEmpty() && !photographPages(window, pagesDir))
            return fail(QStringLiteral("cannot write the page pictures into ") + pagesDir);
        return 0;
    }
    DeviceConnector* connector = window->deviceConnector();
    window->findChild<QPushButton*>(QStringLiteral("b_connect_device"))->click();
    if (!spinUntil([&] { return connector->portList()->findText(port) >= 0; }, 5000))
        return fail(QStringLiteral("the port dialog does not offer ") + port);
    connector->portList()->setCurrentIndex(connector->portList()->findText(port));
    connector->applyButton()->click();

    bool calibrated = false;
    QObject::connect(&ZData::CalibrationManager::instance(),
                     &ZData::CalibrationManager::signalFinishedCalibration,
                     [&calibrated] { calibrated = true; });
    if (!spinUntil([&] { return calibrated; }, 30000))
        return fail(QStringLiteral("no calibration from the analyser"));
    const auto points = quint32(parser.value(QStringLiteral("points")).toUInt());
    if (points > 0)
        ZData::DataScanManager::sweep().setPoints(points, true);

    auto waitSweeps = [](quint64 count) {
        const quint64 target = ZData::DataScanManager::completedSweeps() + count;
        return spinUntil([target] { return ZData::DataScanManager::completedSweeps() >= target; }, 60000);
    };
    if (!waitSweeps(quint64(qMax(1, parser.value(QStringLiteral("sweeps")).toInt()))))
        return fail(QStringLiteral("sweeps did not complete"));
    spinFor(300); // the views merge announcements into at most one repaint per frame

    const int seconds = parser.value(QStringLiteral("seconds")).toInt();
    if (seconds > 0) {
        const quint64 first = ZData::DataScanManager::completedSweeps();
        QElapsedTimer timer;
        timer.start();
        long rssAfterMinute = -1;
        while (timer.elapsed() < qint64(seconds) * 1000) {
            spinFor(1000);
            if (rssAfterMinute < 0 && timer.elapsed() >= 60000)
                rssAfterMinute = residentKb();
        }
        const double rate =
            double(ZData::DataScanManager::completedSweeps() - first) * 1000.0 / timer.elapsed();
        out() << "sweeps_per_s " << rate << " points " << ZData::DataScanManager::sweep().points()
              << Qt::endl;
        out() << "rss_kb_after_1_min " << rssAfterMinute << " rss_kb_end " << residentKb() << Qt::endl;
    }

    if (!pagesDir.isEmpty() && !photographPages(window, pagesDir))
        return fail(QStringLiteral("cannot write the page pictures into ") + pagesDir);
    const QString shot = parser.value(QStringLiteral("screenshot"));
    if (!shot.isEmpty()) {
        const QPixmap picture = window->grab();
        if (!picture.save(shot, "PNG"))
            return fail(QStringLiteral("cannot write ") + shot);
        out() << "screenshot " << shot << Qt::endl;
    }
    base->close();
    base.reset();
    ZCore::Logger::shutdown();
    return 0;
}
