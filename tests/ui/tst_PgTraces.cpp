#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include "PageTestSupport.h"
#include "TestSupport.h"
#include "charts/ZChartView.h"
#include "core/SettingsManager.h"
#include "measurement/DataScanManager.h"
#include "measurement/TraceFiles.h"
#include "ui/MainWindow.h"
#include "ui/PageFileDialogs.h"
#include "ui/components/LoadedTraceListEntry.h"
#include "ui/pages/PgTraces.h"

using MW_Pages::PgTraces;
using ZData::DataScanManager;

namespace {

// A small trace file whose first point tells the traces apart.
QString writeTrace(const QString& dir, const QString& name, int marker)
{
    ZData::DS::TTraceData trace;
    trace.start = 1e6;
    trace.stop = 2e6;
    trace.pointCount = 3;
    for (int i = 0; i < 3; ++i)
        trace.points.append({quint64(1000000 + i * 500000), float(marker) / 10.0f, 0.0f});
    const QString path = dir + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(ZData::DS::TraceFiles::toBinary(trace));
    return path;
}

QStringList entryTexts(PgTraces* page)
{
    QStringList texts;
    for (int i = 0; i < PgTraces::LIST_SIZE; ++i)
        if (!page->entry(i)->parentWidget()->isHidden())
            texts << page->entry(i)->text();
    return texts;
}

QStringList storeNames()
{
    QStringList names;
    for (const auto& trace : DataScanManager::traces())
        names << trace.name();
    return names;
}

} // namespace

class tst_PgTraces : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void removalKeepsEntriesOnTheirTraces_data();
    void removalKeepsEntriesOnTheirTraces();
    void loadButtonFollowsTheStore();
    void unreadableFileIsReportedAndKeepsTheList_data();
    void unreadableFileIsReportedAndKeepsTheList();
    void unsupportedSuffixIsReported_data();
    void unsupportedSuffixIsReported();
    void saveFilterGivesTheSuffix_data();
    void saveFilterGivesTheSuffix();
    void savesTheChosenTouchstoneFormatAndCsv();
    void dialogsRememberTheLastFolder();

private:
    void loadAll(int count);

    std::unique_ptr<TestSupport::ScopedAppDir> m_dir;
    std::unique_ptr<TestSupport::CapturedMessages> m_messages;
    std::unique_ptr<MainWindow> m_window;
    PgTraces* m_page = nullptr;
};

void tst_PgTraces::initTestCase()
{
    m_dir = std::make_unique<TestSupport::ScopedAppDir>();
    m_messages = std::make_unique<TestSupport::CapturedMessages>();
    QVERIFY(TestSupport::initAllManagers());
    m_window = std::make_unique<MainWindow>();
    m_page = qobject_cast<PgTraces*>(m_window->page(ZCommon::ENavBarMenuPages::TRACES));
    QVERIFY(m_page);
    QVERIFY(m_page->isInitialized());
}

void tst_PgTraces::init()
{
    DataScanManager::clearTraces();
    m_messages->clear();
}

void tst_PgTraces::cleanupTestCase()
{
    m_window.reset();
}

void tst_PgTraces::loadAll(int count)
{
    for (int i = 0; i < count; ++i) {
        const QString path = writeTrace(m_dir->path(), QStringLiteral("t%1.tbin").arg(i), i);
        TestSupport::DialogAnswer answer(path);
        m_window->findChild<QPushButton*>(QStringLiteral("b_trace_load_file"))->setEnabled(true);
        m_page->slotTraceLoadFile();
        QCOMPARE(answer.answered(), 1);
    }
    QCOMPARE(DataScanManager::traces().size(), count);
}

void tst_PgTraces::removalKeepsEntriesOnTheirTraces_data()
{
    QTest::addColumn<int>("removed");
    QTest::newRow("start") << 0;
    QTest::newRow("middle") << 2;
    QTest::newRow("end") << 4;
}

void tst_PgTraces::removalKeepsEntriesOnTheirTraces()
{
    QFETCH(int, removed);
    loadAll(5);
    QStringList expected = {"t0", "t1", "t2", "t3", "t4"};
    QCOMPARE(entryTexts(m_page), expected);

    QTest::mouseClick(m_page->entry(removed)->removeButton(), Qt::LeftButton);
    expected.removeAt(removed);
    QCOMPARE(storeNames(), expected);
    QCOMPARE(entryTexts(m_page), expected);
    // Each remaining entry's colour is the colour its series now has in every view.
    ZChart::ZChartView* view = m_window->chartView(0);
    QCOMPARE(view->traceSeries().size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QColor colour = ZChart::ZChartView::paletteColor(i + 1);
        QVERIFY(m_page->colorSwatch(i)->styleSheet().contains(colour.name()));
        QCOMPARE(view->traceSeries()[i]->color().rgb(), colour.rgb());
        // The series still holds the data of the trace the entry names.
        const float first = DataScanManager::traces()[i].points.first().re;
        QCOMPARE(qRound(first * 10), expected[i].mid(1).toInt());
    }
    // Removing again, by the entry now at that position, takes the trace the entry named.
    const int again = qMin(removed, expected.size() - 1);
    QTest::mouseClick(m_page->entry(again)->removeButton(), Qt::LeftButton);
    expected.removeAt(again);
    QCOMPARE(entryTexts(m_page), expected);
}

void tst_PgTraces::loadButtonFollowsTheStore()
{
    auto* load = m_window->findChild<QPushButton*>(QStringLiteral("b_trace_load_file"));
    auto* removeAll = m_window->findChild<QPushButton*>(QStringLiteral("b_remove_traces"));
    loadAll(6);
    QVERIFY(!load->isEnabled());
    QVERIFY(removeAll->isEnabled());
    QTest::mouseClick(m_page->entry(3)->removeButton(), Qt::LeftButton);
    QVERIFY(load->isEnabled());
    QTest::mouseClick(removeAll, Qt::LeftButton);
    QVERIFY(DataScanManager::traces().isEmpty());
    QVERIFY(!removeAll->isEnabled());
    QVERIFY(entryTexts(m_page).isEmpty());
}

void tst_PgTraces::unreadableFileIsReportedAndKeepsTheList_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::newRow("truncated binary") << QByteArray("\x01\x02\x03", 3) << "broken.tbin";
    QTest::newRow("text without header") << QByteArray("hello\n") << "broken.dat";
    QTest::newRow("touchstone without data") << QByteArray("# Hz S RI R 50\n") << "broken.s1p";
}

void tst_PgTraces::unreadableFileIsReportedAndKeepsTheList()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    loadAll(2);
    const QString path = m_dir->path() + QLatin1Char('/') + name;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    {
        TestSupport::DialogAnswer answer(path);
        m_page->slotTraceLoadFile();
    }
    QVERIFY2(m_messages->contains({path}), qPrintable(m_messages->texts().join('|')));
    QCOMPARE(storeNames(), QStringList({"t0", "t1"}));
    QCOMPARE(entryTexts(m_page), QStringList({"t0", "t1"}));
}

void tst_PgTraces::unsupportedSuffixIsReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("csv") << "sweep.csv"
                         << "csv";
}

void tst_PgTraces::unsupportedSuffixIsReported()
{
    QFETCH(QString, name);
    QFETCH(QString, suffix);
    const QString path = m_dir->path() + QLatin1Char('/') + name;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    {
        TestSupport::DialogAnswer answer(path);
        m_page->slotTraceLoadFile();
    }
    const QString text = qtTrId("lp_pgtrace_load_unsupported_file_format") + suffix;
    QVERIFY2(m_messages->contains({text}), qPrintable(m_messages->texts().join('|')));
    QVERIFY(DataScanManager::traces().isEmpty());
}

void tst_PgTraces::saveFilterGivesTheSuffix_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("all files") << 0 << "tbin";
    QTest::newRow("text") << 2 << "dat";
    QTest::newRow("touchstone") << 3 << "s1p";
    QTest::newRow("csv") << 4 << "csv";
}

void tst_PgTraces::saveFilterGivesTheSuffix()
{
    QFETCH(int, filter);
    QFETCH(QString, suffix);
    QFileDialog* dialog = m_page->saveDialog();
    const QString name = dialog->nameFilters().value(filter);
    QVERIFY(!name.isEmpty());
    emit dialog->filterSelected(name);
    dialog->selectFile(m_dir->path() + QStringLiteral("/bare"));
    QCOMPARE(Ui::PageFileDialogs::firstSelected(dialog), m_dir->path() + QStringLiteral("/bare.") + suffix);
}

void tst_PgTraces::savesTheChosenTouchstoneFormatAndCsv()
{
    m_page->touchstoneFormatBox()->setCurrentText(QStringLiteral("MA"));
    m_page->touchstoneUnitBox()->setCurrentText(QStringLiteral("GHz"));
    const QString s1p = m_dir->path() + QStringLiteral("/sweep.s1p");
    const QString csv = m_dir->path() + QStringLiteral("/sweep.csv");
    for (const QString& path : {s1p, csv}) {
        TestSupport::DialogAnswer answer(path);
        m_page->slotTraceSaveFile();
    }
    QFile touchstone(s1p);
    QVERIFY(touchstone.open(QIODevice::ReadOnly));
    QCOMPARE(touchstone.readAll().split('\n').value(1), QByteArray("# GHz S MA R 50"));
    QFile table(csv);
    QVERIFY(table.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = table.readAll().trimmed().split('\n');
    QCOMPARE(rows.size(), 1 + int(DataScanManager::sweep().points()));
    QVERIFY(rows[0].startsWith("Frequency (Hz),"));
    QVERIFY2(m_messages->texts().isEmpty(), qPrintable(m_messages->texts().join('|')));
}

void tst_PgTraces::dialogsRememberTheLastFolder()
{
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("elsewhere")));
    const QString folder = m_dir->path() + QStringLiteral("/elsewhere");
    const QString path = writeTrace(folder, QStringLiteral("far.tbin"), 7);
    {
        TestSupport::DialogAnswer answer(path);
        m_page->slotTraceLoadFile();
    }
    QCOMPARE(m_page->lastDir(), folder);
    m_window->saveSettings();
    ZCore::SettingsManager::settings()->sync();

    // A window built on the same profile offers that folder first.
    m_window.reset();
    m_window = std::make_unique<MainWindow>();
    m_page = qobject_cast<PgTraces*>(m_window->page(ZCommon::ENavBarMenuPages::TRACES));
    TestSupport::DialogAnswer cancel{QString()};
    m_page->slotTraceLoadFile();
    QCOMPARE(cancel.directory(), folder);
    // And the Touchstone choice made before.
    QCOMPARE(m_page->touchstoneFormatBox()->currentText(), QStringLiteral("MA"));
    QCOMPARE(m_page->touchstoneUnitBox()->currentText(), QStringLiteral("GHz"));
}

QTEST_MAIN(tst_PgTraces)
#include "tst_PgTraces.moc"
