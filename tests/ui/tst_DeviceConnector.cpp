#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "TestSupport.h"
#include "core/SettingsManager.h"
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
        m_dir = std::make_unique<TestSupport::ScopedAppDir>();
        QVERIFY(ZCore::SettingsManager::init());
    }

    void listsOnlyAnalysers()
    {
        m_ports = {port("ttyS0", ""), port("ttyACM0", "stmicroelectronics inc."), port("ttyUSB0", "FTDI"),
                   port("ttyACM1", "Made by DOVRA"),
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
    }

    void choiceSurvivesRefresh()
    {
        m_ports = {port("ttyACM0", "STMicro"), port("ttyACM1", "STMicro", "42")};
        auto dialog = make();
        dialog->slotUpdatePortsInfo();
        dialog->portList()->setCurrentIndex(1);
        QCOMPARE(value(*dialog, "serialNumber_value"), QStringLiteral("42"));
        dialog->slotUpdatePortsInfo(); // same ports
        QCOMPARE(dialog->portList()->currentText(), QStringLiteral("ttyACM1"));
        QCOMPARE(value(*dialog, "serialNumber_value"), QStringLiteral("42"));

        m_ports.prepend(port("ttyACM7", "STMicro")); // a new port arrives before the chosen one
        dialog->slotUpdatePortsInfo();
        QCOMPARE(dialog->portList()->count(), 3);
        QCOMPARE(dialog->portList()->currentText(), QStringLiteral("ttyACM1"));
        QCOMPARE(value(*dialog, "serialNumber_value"), QStringLiteral("42"));

        m_ports = {port("ttyACM0", "STMicro")}; // the chosen one is unplugged
        dialog->slotUpdatePortsInfo();
        QCOMPARE(dialog->portList()->currentText(), QStringLiteral("ttyACM0"));

        m_ports.clear();
        dialog->slotUpdatePortsInfo();
        QCOMPARE(dialog->portList()->count(), 0);
        QVERIFY(!dialog->applyButton()->isEnabled());
        QCOMPARE(value(*dialog, "description_value"), QStringLiteral("N/A"));
    }

    void refreshesWhileShown()
    {
        m_ports = {port("ttyACM0", "STMicro")};
        auto dialog = make();
        dialog->show();
        QVERIFY(dialog->isRefreshing());
        QCOMPARE(dialog->portList()->count(), 1);
        m_ports.append(port("ttyACM1", "STMicro"));
        QTRY_COMPARE_WITH_TIMEOUT(dialog->portList()->count(), 2, 2500);
    }

    void anyDismissalStopsAndSaves_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("close") << 0;
        QTest::newRow("reject") << 1;
        QTest::newRow("escape") << 2;
    }
    void anyDismissalStopsAndSaves()
    {
        QFETCH(int, how);
        m_ports = {port("ttyACM0", "STMicro")};
        QSettings* settings = ZCore::SettingsManager::settings();
        settings->remove(QStringLiteral("Window.Connection"));
        auto dialog = make();
        dialog->show();
        dialog->move(120, 90);
        QVERIFY(dialog->isRefreshing());
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

QTEST_MAIN(tst_DeviceConnector)
#include "tst_DeviceConnector.moc"
