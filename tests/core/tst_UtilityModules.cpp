#include <QApplication>
#include <QScreen>
#include <QtTest>

#include "TestSupport.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
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
        QVERIFY(Path::createDir(path, "CALIB_DIR"));
        QVERIFY(Path::createDir(path, "CALIB_DIR") && Path::dirExists(path)); // already there: fine
        QVERIFY(QFile(dir.path() + "/plain").open(QIODevice::WriteOnly));
        g_lines.clear();
        QVERIFY(!Path::createDir(dir.path() + "/plain/sub", "TRACE_DIR"));
        QCOMPARE(g_lines, QStringList{"Utility::Path >> failed to create dir [ TRACE_DIR ] at: " +
                                      dir.path() + "/plain/sub"});
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

    void placement()
    {
        QWidget w;
        w.resize(201, 101);
        QScreen* screen = QGuiApplication::primaryScreen();
        UI::setWidgetAtScreenCenter(&w, screen);
        const QPoint c = screen->geometry().center();
        QCOMPARE(w.pos(), QPoint(c.x() - 101, c.y() - 51));

        w.move(-100000, -100000);
        UI::tryToFixWidgetScreenPos(&w);
        QCOMPARE(w.pos(), QPoint(c.x() - 101, c.y() - 51));
    }

    void windowGeometry_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("wanted");
        QTest::addColumn<QRect>("expected");
        const QRect laptop(0, 30, 1366, 738);
        // An empty wanted rectangle stands for the first start.
        QTest::newRow("first start: 85 %, centred") << laptop << QRect() << QRect(102, 85, 1161, 627);
        QTest::newRow("first start on a small screen keeps the minimum")
            << QRect(0, 0, 1100, 600) << QRect() << QRect(50, 25, 1000, 550);
        QTest::newRow("first start on a screen below the minimum") << QRect(0, 0, 800, 480) << QRect()
                                                                   << QRect(0, 0, 800, 480);
        QTest::newRow("remembered and on screen wins") << laptop << QRect(10, 40, 1000, 600)
                                                       << QRect(10, 40, 1000, 600);
        QTest::newRow("larger than the screen shrinks") << laptop << QRect(0, 0, 3840, 2160) << laptop;
        QTest::newRow("half off the right edge moves in") << laptop << QRect(900, 100, 1000, 600)
                                                          << QRect(366, 100, 1000, 600);
        QTest::newRow("on a monitor no longer there is centred")
            << laptop << QRect(3000, 100, 1000, 600) << QRect(183, 99, 1000, 600);
    }

    void windowGeometry()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, wanted);
        const QRect got = wanted.isNull() ? UI::initialGeometry(available, QSize(1000, 550))
                                          : UI::fittedGeometry(wanted, available);
        QTEST(got, "expected");
        QVERIFY(available.contains(got));
    }

    // One picture per resource prefix the interface asks for, and the style sheet.
    void resources()
    {
        for (const char* path :
             {":/ui/pause_scan", "://ui/resume_scan", "://logo_pic", ":/images/smith_chart.svg",
              ":/arrange/images/arrangement/charts_4_cross.png"})
            QVERIFY2(!Image::rendered(path, QSize(64, 64)).isNull(), path);
        QVERIFY(UI::loadStyleSheet("://styles/default.qss"));
        QVERIFY(!UI::loadStyleSheet(":/no/such.qss"));
        QVERIFY(qApp->styleSheet().contains("QWidget"));
    }
};

QTEST_MAIN(tst_UtilityModules)
#include "tst_UtilityModules.moc"
