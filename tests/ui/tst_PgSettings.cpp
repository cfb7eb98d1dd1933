#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QMessageBox>
#include <QtTest>

#include <memory>

#include "PageTestSupport.h"
#include "TestSupport.h"
#include "core/SettingsManager.h"
#include "ui/MainWindow.h"
#include "ui/pages/PgAbout.h"
#include "ui/pages/PgSettings.h"

using MW_Pages::PgSettings;
using ZCore::SettingsManager;

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class tst_PgSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void badPresetIsReportedAndChangesNothing_data();
    void badPresetIsReportedAndChangesNothing();
    void protectedPresetsAreRefused_data();
    void protectedPresetsAreRefused();
    void aboutPageShowsVersionAndToolkitBox();

private:
    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::CapturedMessages> m_messages;
    std::unique_ptr<MainWindow> m_window;
    PgSettings* m_page = nullptr;
};

void tst_PgSettings::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    m_messages = std::make_unique<TestSupport::CapturedMessages>();
    QVERIFY(TestSupport::initAllManagers());
    m_window = std::make_unique<MainWindow>();
    m_page = qobject_cast<PgSettings*>(m_window->page(ZCommon::ENavBarMenuPages::SETTINGS));
    QVERIFY(m_page && m_page->isInitialized());
}

void tst_PgSettings::init()
{
    m_messages->clear();
}

void tst_PgSettings::cleanupTestCase()
{
    m_window.reset();
}

void tst_PgSettings::badPresetIsReportedAndChangesNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("create");
    QTest::addColumn<QString>("reasonId");
    QTest::newRow("missing") << QByteArray() << false << "lp_pgsettings_preset_missing";
    QTest::newRow("binary") << QByteArray("\x00\x01\x02\x03ini", 7) << true << "lp_pgsettings_preset_not_ini";
}

void tst_PgSettings::badPresetIsReportedAndChangesNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, create);
    QFETCH(QString, reasonId);
    m_window->saveSettings();
    SettingsManager::settings()->sync();
    const QByteArray current = readAll(SettingsManager::currentFile());
    const QString path = SettingsManager::userDir() + QStringLiteral("/broken.ini");
    QFile::remove(path);
    if (create) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QSignalSpy got(&SettingsManager::instance(), &SettingsManager::signalGotSettings);
    {
        TestSupport::DialogAnswer answer(path);
        m_page->slotPresetLoadFile();
    }
    QCOMPARE(got.count(), 0);
    QVERIFY2(m_messages->contains({path, qtTrId(reasonId.toLatin1().constData())}),
             qPrintable(m_messages->texts().join('|')));
    QCOMPARE(readAll(SettingsManager::currentFile()), current);
}

void tst_PgSettings::protectedPresetsAreRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("current in capitals") << SettingsManager::profilesDir() + QStringLiteral("/CURRENT.INI");
    QTest::newRow("default") << SettingsManager::defaultFile();
}

void tst_PgSettings::protectedPresetsAreRefused()
{
    QFETCH(QString, path);
    const QByteArray defaults = readAll(SettingsManager::defaultFile());
    {
        TestSupport::DialogAnswer answer(path);
        m_page->slotPresetSaveFile();
    }
    QVERIFY(m_messages->contains({qtTrId("lp_pgsettings_cant_save_preset").arg(path)}));
    QCOMPARE(readAll(SettingsManager::defaultFile()), defaults);
}

void tst_PgSettings::aboutPageShowsVersionAndToolkitBox()
{
    auto* version = m_window->findChild<QLabel*>(QStringLiteral("l_about_appversion_value"));
    QCOMPARE(version->text(), QStringLiteral("1.14.423"));
    QVERIFY(!m_window->findChild<QLabel*>(QStringLiteral("label_29"))->text().isEmpty());
    QWidget* parent = nullptr;
    QString title;
    MW_Pages::PgAbout::setAboutPresenter([&](QWidget* p, const QString& t) {
        parent = p;
        title = t;
    });
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("b_about_qt")), Qt::LeftButton);
    MW_Pages::PgAbout::setAboutPresenter({});
    QCOMPARE(parent, m_window.get());
    QCOMPARE(title, qtTrId("lp_pmain_about"));
    // The page's own box is opened without an event loop of its own, once however often clicked.
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("b_about_qt")), Qt::LeftButton);
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("b_about_qt")), Qt::LeftButton);
    const QList<QMessageBox*> boxes = m_window->findChildren<QMessageBox*>(QStringLiteral("box_about_qt"));
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first()->isVisible());
    QVERIFY(boxes.first()->text().contains(QString::fromLatin1(qVersion())));
    boxes.first()->button(QMessageBox::Ok)->click();
}

QTEST_MAIN(tst_PgSettings)
#include "tst_PgSettings.moc"
