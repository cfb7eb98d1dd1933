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

    void filesSortedByName()
    {
        const QStringList files = LocalizationManager::files();
        QVERIFY(files.size() >= 2);
        QCOMPARE(files.indexOf(en), 0);
        QVERIFY(files.indexOf(ru) > files.indexOf(en));
        QStringList sorted = files;
        sorted.sort();
        QCOMPARE(files, sorted);
    }

    void languageNames()
    {
        QCOMPARE(LocalizationManager::languageName(en), QString("English"));
        QCOMPARE(LocalizationManager::languageName(ru), QString::fromUtf8("Русский"));
        QCOMPARE(LocalizationManager::languageName(":/translation/none.qm"), QString());
    }

    void switchLanguage()
    {
        QSignalSpy spy(&LocalizationManager::instance(), &LocalizationManager::signalLoadedLang);
        QVERIFY(LocalizationManager::setLanguage(ru));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(LocalizationManager::currentFile(), ru);
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

    // Every message of the application core exists in both languages; the English one keeps its
    // exact text, including trailing blanks, because paths and values are appended to it.
    void catalogue_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("english");
        const QList<QPair<const char*, const char*>> ids = {
            {"lp_tr_language", "English"},
            {"lp_err_failed_manager_init", "failed to init: "},
            {"lp_err_logger_cant_create_dirs", "failed to create dir used to store logs at: "},
            {"lp_err_logger_cant_create_file", "failed to create log file at: "},
            {"lp_err_settings_cant_create_dirs", "failed to create dirs used to save profiles at: "},
            {"lp_err_settings_cant_create_files", "failed to create files used to work with user profiles"},
            {"lp_err_settings_cant_create_default", "default settings file cannot be generated at: "},
            {"lp_err_settings_custom_files_not_allowed",
             "you cannot set profile to use some custom file for writing: "},
            {"lp_err_settings_cant_rewrite_current",
             "you were trying to rewrite 'current' preset, which is forbidden. Please, try again and choose "
             "different name of the file"},
            {"lp_err_settings_cant_rewrite_default",
             "you were trying to rewrite 'default' preset, which is forbidden. Please, try again and choose "
             "different name of the file"},
            {"lp_err_tr_files_lost", "translation files cannot be found"},
            {"lp_util_failed_to_create", "failed to create dir [ %1 ] at: %2"},
        };
        for (const auto& entry : ids)
            QTest::newRow(entry.first) << QString(entry.first) << QString(entry.second);
    }

    void catalogue()
    {
        QFETCH(QString, id);
        QFETCH(QString, english);
        QTranslator enTr, ruTr;
        QVERIFY(enTr.load(en));
        QVERIFY(ruTr.load(ru));
        const QByteArray key = id.toUtf8();
        QCOMPARE(enTr.translate("", key.constData()), english);
        const QString russian = ruTr.translate("", key.constData());
        QVERIFY2(!russian.isEmpty() && russian != english, qPrintable(id));
        QCOMPARE(russian.count("%"), english.count("%"));
        QCOMPARE(russian.endsWith(' '), english.endsWith(' '));
    }
};

QTEST_GUILESS_MAIN(tst_LocalizationManager)
#include "tst_LocalizationManager.moc"
