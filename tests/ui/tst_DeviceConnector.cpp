#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QtTest>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "core/SettingsManager.h"
#include "devicelink/PortOpenDiagnosis.h"
#include "devicelink/SerialPort.h"
#include "ui/DeviceConnector.h"

using ZData::TPortListing;

namespace {
TPortListing port(const QString& name, const QString& manufacturer, const QString& serial = QString())
{
    TPortListing p;
    p.portName = name;
    p.manufacturer = manufacturer;
    p.serialNumber = serial;
    p.description = QStringLiteral("desc ") + name;
    p.systemLocation = QStringLiteral("/dev/") + name;
    return p;
}

QStringList g_critical;
void captureCritical(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg)
        g_critical.append(message);
}

// "--hold-port PATH": this program started again as the other program that has the port open.
int holdPort(const QString& path)
{
    QSerialPort port(path);
    if (!port.open(QIODevice::ReadWrite))
        return 1;
    std::puts("held");
    std::fflush(stdout);
    char c;
    while (::read(STDIN_FILENO, &c, 1) > 0) {
    }
    return 0;
}
} // namespace

class tst_DeviceConnector : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    QList<TPortListing> m_ports;

    std::unique_ptr<DeviceConnector> make()
    {
        auto dialog = std::make_unique<DeviceConnector>();
        dialog->setPortSource([this] { return m_ports; });
        return dialog;
    }
    QString value(DeviceConnector& d, const char* name)
    {
        return d.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

private slots:
    void initTestCase()
    {
        ZCore::initResources();
        QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
        m_dir = std::make_unique<TestSupport::ScopedAppDir>();
        QVERIFY(ZCore::SettingsManager::init());
    }

    // Only analysers are listed; the chosen one stays chosen while ports come and go.
    void listFollowsThePorts()
    {
        m_ports = {port("ttyS0", ""), port("ttyACM0", "stmicroelectronics inc."), port("ttyUSB0", "FTDI"),
                   port("ttyACM1", "Made by DOVRA", "42"),
                   port("/tmp/ttyVNA", "STMicroelectronics (virtual analyser)")};
        auto dialog = make();
        dialog->slotUpdatePortsInfo();
        QComboBox* list = dialog->portList();
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->itemText(0), QStringLiteral("ttyACM0"));
        QCOMPARE(list->itemText(1), QStringLiteral("ttyACM1"));
        QCOMPARE(list->itemText(2), QStringLiteral("/tmp/ttyVNA"));
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(value(*dialog, "serialNumber_value"), QStringLiteral("N/A"));
        QCOMPARE(value(*dialog, "location_value"), QStringLiteral("/dev/ttyACM0"));
        QCOMPARE(value(*dialog, "manufacturer_value"), QStringLiteral("stmicroelectronics inc."));
        QVERIFY(dialog->applyButton()->isEnabled());
        QVERIFY(dialog->hintLabel()->isHidden());

        list->setCurrentIndex(1);
        QCOMPARE(value(*dialog, "serialNumber_value"), QStringLiteral("42"));
        dialog->slotUpdatePortsInfo(); // same ports
        QCOMPARE(list->currentText(), QStringLiteral("ttyACM1"));
        QCOMPARE(value(*dialog, "serialNumber_value"), QStringLiteral("42"));
        m_ports.prepend(port("ttyACM7", "STMicro")); // a new port arrives before the chosen one
        dialog->slotUpdatePortsInfo();
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->currentText(), QStringLiteral("ttyACM1"));
        QCOMPARE(value(*dialog, "serialNumber_value"), QStringLiteral("42"));
        m_ports = {port("ttyACM0", "STMicro")}; // the chosen one is unplugged
        dialog->slotUpdatePortsInfo();
        QCOMPARE(list->currentText(), QStringLiteral("ttyACM0"));

        m_ports.clear();
        dialog->slotUpdatePortsInfo();
        QCOMPARE(list->count(), 0);
        QVERIFY(!dialog->applyButton()->isEnabled());
        QCOMPARE(value(*dialog, "description_value"), QStringLiteral("N/A"));
        QVERIFY(!dialog->hintLabel()->isHidden());
        QCOMPARE(dialog->hintLabel()->text(), ZData::PortOpenDiagnosis::noAnalyserListed());
    }

    // Another program has the port: the dialog stays up and says what to do, as does the error.
    void busyPortIsExplained()
    {
        TestSupport::EmulatorProcess emulator;
        QVERIFY(emulator.start());
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {"--hold-port", emulator.portPath()});
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));

        m_ports = {port(emulator.portPath(), "STMicro")};
        auto dialog = make();
        dialog->show();
        g_critical.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureCritical);
        dialog->applyButton()->click();
        qInstallMessageHandler(previous);
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(5000));

        QVERIFY(dialog->isVisible());
        const QString text = dialog->hintLabel()->text();
        QCOMPARE(text, ZData::PortOpenDiagnosis::explain(emulator.portPath(),
                                                         ZData::PortOpenDiagnosis::EPortFailure::BUSY));
        QVERIFY2(text.contains(emulator.portPath()) && text.contains("busy") && text.contains("udev"),
                 qPrintable(text));
        QCOMPARE(g_critical.size(), 1);
        QVERIFY(g_critical.first().endsWith(text));

        // Free again: the port opens (here as a reconnection would open it) and the dialog goes.
        QVERIFY(ZData::DM::SerialPort::open(true));
        QVERIFY(!dialog->isVisible());
        QVERIFY(dialog->hintLabel()->isHidden());
        ZData::DM::SerialPort::close(true);
    }

    // A port the user may not open names the group command. Root opens anything, so the check runs
    // in a child that has given up root.
    void permissionDeniedIsExplained()
    {
        TestSupport::EmulatorProcess emulator;
        QVERIFY(emulator.start());
        const struct passwd* nobody = ::getpwnam("nobody");
        if (::geteuid() == 0 && !nobody)
            QSKIP("running as root and there is no user 'nobody' to drop to");
        // The device node itself: the emulator's link lies in a folder only root may enter.
        const QString node = QFile::symLinkTarget(emulator.portPath());
        QFile pty(node);
        const QFile::Permissions mode = pty.permissions();
        QVERIFY(pty.setPermissions({})); // unreadable and unwritable for everyone but root

        int fds[2];
        QVERIFY(::pipe(fds) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            if (::geteuid() == 0 && (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0))
                ::_exit(3);
            QString text;
            const bool opened = DeviceConnector::openPort(node, &text);
            const QByteArray bytes = text.toUtf8();
            if (!opened && ::write(fds[1], bytes.constData(), size_t(bytes.size())) != bytes.size())
                ::_exit(4);
            ::_exit(opened ? 2 : 0);
        }
        ::close(fds[1]);
        QByteArray answer;
        char buffer[512];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            answer.append(buffer, int(n));
        ::close(fds[0]);
        int status = -1;
        ::waitpid(child, &status, 0);
        pty.setPermissions(mode);

        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        const QString text = QString::fromUtf8(answer);
        QCOMPARE(text,
                 ZData::PortOpenDiagnosis::explain(node, ZData::PortOpenDiagnosis::EPortFailure::PERMISSION));
        QVERIFY2(text.contains("sudo usermod -aG dialout $USER"), qPrintable(text));
    }

    void refreshAndDismissal_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("close") << 0;
        QTest::newRow("reject") << 1;
        QTest::newRow("escape") << 2;
    }
    // Shown, the dialog refreshes the list; any way of dismissing it stops that and keeps its place.
    void refreshAndDismissal()
    {
        QFETCH(int, how);
        m_ports = {port("ttyACM0", "STMicro")};
        QSettings* settings = ZCore::SettingsManager::settings();
        settings->remove(QStringLiteral("Window.Connection"));
        auto dialog = make();
        dialog->show();
        dialog->move(120, 90);
        // Shown, it keeps the list up to date.
        QVERIFY(dialog->isRefreshing());
        QCOMPARE(dialog->portList()->count(), 1);
        m_ports.append(port("ttyACM1", "STMicro"));
        QTRY_COMPARE_WITH_TIMEOUT(dialog->portList()->count(), 2, 20000);
        if (how == 0)
            dialog->close();
        else if (how == 1)
            dialog->reject();
        else
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QVERIFY(!dialog->isRefreshing());
        QVERIFY(!settings->value(QStringLiteral("Window.Connection/geometry")).toByteArray().isEmpty());

        auto again = make();
        // (the offscreen platform adds a small frame offset on the way back)
        QVERIFY2((again->pos() - dialog->pos()).manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2").arg(again->pos().x()).arg(again->pos().y())));
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-port") == 0) {
        QCoreApplication app(argc, argv);
        return holdPort(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_DeviceConnector test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_DeviceConnector.moc"
