#include <QCoreApplication>
#include <QtTest>

#include "TestSupport.h"
#include "core/AppPaths.h"

class tst_AppPaths : public QObject
{
    Q_OBJECT
private slots:
    void overrideAndReset()
    {
        const QString def = ZCore::AppPaths::baseDir();
        QCOMPARE(def, QCoreApplication::applicationDirPath());
        {
            TestSupport::ScopedAppDir dir;
            QCOMPARE(ZCore::AppPaths::baseDir(), dir.path());
            QVERIFY(dir.path() != def);
        }
        QCOMPARE(ZCore::AppPaths::baseDir(), def);
    }
};

QTEST_GUILESS_MAIN(tst_AppPaths)
#include "tst_AppPaths.moc"
