#include <QApplication>
#include <QScreen>
#include <QtTest>

#include "TestSupport.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "core/utility/ByteOrder.h"
#include "core/utility/Image.h"
#include "core/utility/Path.h"
#include "core/utility/UI.h"

using namespace ZCore::UtilityModules;

namespace {
QStringList g_lines;
void captureHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg)
        g_lines.append(message);
}
} // namespace

class tst_UtilityModules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ZCore::initResources();
        QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    }
    void init()
    {
        g_lines.clear();
        qInstallMessageHandler(captureHandler);
    }
    void cleanup() { qInstallMessageHandler(nullptr); }

    void createDir()
    {
        TestSupport::ScopedAppDir dir;
        const QString path = dir.path() + "/a/b/c";
        QVERIFY(!Path::dirExists(path));
        QVERIFY(Path::createDir(path, "CALIB_DIR"));
        QVERIFY(Path::dirExists(path));
        QCOMPARE(g_lines, QStringList{"Utility::Path >> created dir [ CALIB_DIR ] at: " + path});

        g_lines.clear();
        QVERIFY(Path::createDir(path, "CALIB_DIR"));
        QVERIFY(g_lines.isEmpty());

        QFile file(dir.path() + "/plain");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(Path::fileExists(file.fileName()));
        QVERIFY(!Path::dirExists(file.fileName()));
        QVERIFY(!Path::fileExists(path));
        QVERIFY(!Path::createDir(file.fileName() + "/sub", "TRACE_DIR"));
        QVERIFY2(g_lines.size() == 1, qPrintable(g_lines.join('|')));
        QCOMPARE(g_lines[0],
                 "Utility::Path >> failed to create dir [ TRACE_DIR ] at: " + file.fileName() + "/sub");
    }

    void atomicWrite()
    {
        TestSupport::ScopedAppDir dir;
        const QString target = dir.path() + "/f.bin";
        QVERIFY(Path::writeFileAtomically(target, "one"));
        QVERIFY(Path::writeFileAtomically(target, "two, longer"));
        QFile f(target);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("two, longer"));
        QVERIFY(!Path::copyFileAtomically(dir.path() + "/missing", target));
        QVERIFY(!Path::writeFileAtomically(dir.path() + "/no/such/dir/x", "x"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"f.bin"});
    }

    void byteOrder_data()
    {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<quint32>("swapped32");
        QTest::addColumn<quint32>("swapped16");
        QTest::newRow("pattern") << 0x12345678u << 0x78563412u << 0x7856u;
        QTest::newRow("zero") << 0u << 0u << 0u;
        QTest::newRow("ends") << 0xFF0000AAu << 0xAA0000FFu << 0xAA00u;
    }

    void byteOrder()
    {
        QFETCH(quint32, value);
        QFETCH(quint32, swapped32);
        QFETCH(quint32, swapped16);
        QCOMPARE(ByteOrder::swap32(value), swapped32);
        QCOMPARE(ByteOrder::swap32(ByteOrder::swap32(value)), value);
        QCOMPARE(quint32(ByteOrder::swap16(quint16(value))), swapped16);
    }

    void placement()
    {
        QWidget w;
        w.resize(201, 101);
        QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        UI::setWidgetAtScreenCenter(&w, screen);
        const QPoint c = screen->geometry().center();
        QCOMPARE(w.pos(), QPoint(c.x() - qRound(201 * 0.5), c.y() - qRound(101 * 0.5)));

        w.move(-100000, -100000);
        UI::tryToFixWidgetScreenPos(&w);
        QCOMPARE(w.pos(), QPoint(c.x() - 101, c.y() - 51));

        g_lines.clear();
        UI::setWidgetAtScreenCenter(nullptr);
        QVERIFY(g_lines.contains("Utility::UI >> given widget is nullptr"));
    }

    // Every picture the interface asks for must be present and readable.
    void resources_data()
    {
        QTest::addColumn<QString>("path");
        for (const char* icon :
             {"add", "apply", "arrow_left", "connected", "disconnected", "download", "menu_drawer",
              "open_file", "pause_scan", "resume_scan", "refresh", "remove", "remove_all", "save", "upload"})
            QTest::newRow(icon) << QString(":/ui/%1").arg(icon);
        QTest::newRow("pause via double slash") << "://ui/pause_scan";
        QTest::newRow("logo") << "://logo_pic";
        QTest::newRow("smith") << ":/images/smith_chart.svg";
        QTest::newRow("polar") << ":/images/polar_chart.svg";
        for (const char* a :
             {"charts_1", "charts_2", "charts_3", "charts_3_half", "charts_4", "charts_4_cross"})
            QTest::newRow(a) << QString(":/arrange/images/arrangement/%1.png").arg(a);
    }

    void resources()
    {
        QFETCH(QString, path);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QVERIFY2(!Image::rendered(path, QSize(64, 64)).isNull(), qPrintable(path));
    }

    void styleSheet()
    {
        QVERIFY(UI::loadStyleSheet("://styles/default.qss"));
        QVERIFY(qApp->styleSheet().contains("QWidget"));
        QVERIFY(!UI::loadStyleSheet(":/no/such.qss"));
        QVERIFY(qApp->styleSheet().contains("QWidget"));
    }
};

QTEST_MAIN(tst_UtilityModules)
#include "tst_UtilityModules.moc"
