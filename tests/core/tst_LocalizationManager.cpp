#include <QSignalSpy>
#include <QtTest>

#include "core/LocalizationManager.h"
#include "core/Resources.h"

using ZCore::LocalizationManager;

class tst_LocalizationManager : public QObject
{
    Q_OBJECT

    const QString en = ":/translation/lumenpane_en.qm";
    const QString ru = ":/translation/lumenpane_ru.qm";

private slots:
    void initTestCase()
    {
        ZCore::initResources();
        QVERIFY(LocalizationManager::init());
    }

    void switchLanguage()
    {
        QCOMPARE(LocalizationManager::languageName(ru), QString::fromUtf8("Русский"));
        QSignalSpy spy(&LocalizationManager::instance(), &LocalizationManager::signalLoadedLang);
        QVERIFY(LocalizationManager::setLanguage(ru));
        QCOMPARE(qtTrId("lp_tr_language"), QString::fromUtf8("Русский"));
        QVERIFY(LocalizationManager::setLanguage(en));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(qtTrId("lp_err_failed_manager_init"), QString("failed to init: "));

        // A file that cannot be loaded leaves the program untranslated and announces nothing.
        QTest::ignoreMessage(QtWarningMsg,
                             "LocalizationManager >> target tr-file cannot be loaded: :/nothing.qm");
        QVERIFY(!LocalizationManager::setLanguage(":/nothing.qm"));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(LocalizationManager::currentFile(), en);
        QCOMPARE(qtTrId("lp_err_failed_manager_init"), QString("lp_err_failed_manager_init"));
    }

    // Every core message exists in both languages with the same placeholders and trailing blank.
    void catalogue()
    {
        QTranslator enTr, ruTr;
        QVERIFY(enTr.load(en) && ruTr.load(ru));
        for (const char* id :
             {"lp_err_logger_cant_create_dirs", "lp_err_logger_cant_create_file",
              "lp_err_settings_cant_create_dirs", "lp_err_settings_cant_create_files",
              "lp_err_settings_cant_create_default", "lp_err_settings_custom_files_not_allowed",
              "lp_err_settings_cant_rewrite_current", "lp_err_settings_cant_rewrite_default",
              "lp_err_tr_files_lost", "lp_util_failed_to_create"}) {
            const QString english = enTr.translate("", id), russian = ruTr.translate("", id);
            QVERIFY2(!english.isEmpty() && !russian.isEmpty() && russian != english, id);
            QCOMPARE(russian.count("%"), english.count("%"));
            QCOMPARE(russian.endsWith(' '), english.endsWith(' '));
        }
    }
};

QTEST_GUILESS_MAIN(tst_LocalizationManager)
#include "tst_LocalizationManager.moc"
