#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "TestSupport.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/LocalizationManager.h"
#include "core/Resources.h"
#include "measurement/TraceFiles.h"
#include "report/CsvExport.h"
#include "report/MeasurementReport.h"
#include "report/ReportCollector.h"

using namespace ZChart;
using ZData::TScanPoints;
using ZData::DS::TraceFiles;
using ZReport::CsvExport;
using ZReport::MeasurementReport;

namespace {

constexpr int POINTS = 2048;
constexpr double INF = std::numeric_limits<double>::infinity();

// Point i at (i + 1) MHz, reflecting 1/3.
TScanPoints sweep()
{
    TScanPoints points(POINTS);
    for (int i = 0; i < POINTS; ++i)
        points[i] = {quint64(1000000) * quint64(i + 1), 1.0f / 3.0f, 0.0f};
    return points;
}

} // namespace

class tst_ReportExports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ZCore::initResources();
        QVERIFY(ZCore::LocalizationManager::init());
        TestSupport::setSweep(1e6, double(POINTS) * 1e6, POINTS);
    }

    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        QVERIFY(ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE));
    }

    // Columns against values worked out by hand, under a locale that writes decimal commas.
    void sweepCsvColumns_data()
    {
        QTest::addColumn<float>("re");
        QTest::addColumn<float>("im");
        QTest::addColumn<QVector<double>>("expected"); // dB, phase, SWR, R, X
        QTest::newRow("1/3") << 1.0f / 3.0f << 0.0f << QVector<double>{-9.54242509, 0.0, 2.0, 100.0, 0.0};
        // Z = 50 (1 + 0.6j) / (1 - 0.6j) = 50 (0.64 + 1.2j) / 1.36
        QTest::newRow("0.6j") << 0.0f << 0.6f << QVector<double>{-4.43697499, 90.0, 4.0, 23.5294118, 44.1176471};
        QTest::newRow("open") << 1.0f << 0.0f << QVector<double>{0.0, 0.0, INF, INF, 0.0};
        QTest::newRow("zero") << 0.0f << 0.0f << QVector<double>{-INF, 0.0, 1.0, 50.0, 0.0};
    }

    void sweepCsvColumns()
    {
        QFETCH(float, re);
        QFETCH(float, im);
        QFETCH(QVector<double>, expected);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QList<QByteArray> lines = TraceFiles::toCsv({{100000000, re, im}}).split('\n');
        QCOMPARE(lines.size(), 3); // header, the point, the empty rest after the last line end
        QCOMPARE(lines[0], QByteArray("Frequency (Hz),Re,Im,|Gamma| (dB),Phase (deg),SWR,R (Ohm),X (Ohm)"));
        const QList<QByteArray> fields = lines[1].split(',');
        QCOMPARE(fields.size(), 8);
        QCOMPARE(fields[0], QByteArray("100000000"));
        expected.prepend(double(im));
        expected.prepend(double(re));
        for (int i = 0; i < expected.size(); ++i) {
            bool ok = false;
            const double value = fields[i + 1].toDouble(&ok);
            QVERIFY2(ok, fields[i + 1].constData());
            const bool close = std::isinf(expected[i])
                                   ? value == expected[i]
                                   : std::abs(value - expected[i]) < 1e-6 * qMax(1.0, std::abs(expected[i]));
            QVERIFY2(close, qPrintable(QStringLiteral("column %1: %2").arg(i + 2).arg(QString(fields[i + 1]))));
        }
    }

    // Four views of 2048 points with six markers each, in both languages: the PDF opens, its
    // pages render, and its text names the analyser, the sweep and every marker with its readout.
    void reportText_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("en") << ZCore::LocalizationManager::DEFAULT_FILE
                            << QStringList{"Measurement report", "Markers", "Analyser", "Note", "1000000 Hz",
                                           "2048000000 Hz", "100.000000 MHz", "1600.000000 MHz"};
        QTest::newRow("ru") << ":/translation/lumenpane_ru.qm"
                            << QStringList{"Отчёт об измерении", "Маркеры", "Анализатор", "Примечание",
                                           "1000000 Гц", "2048000000 Гц", "100.000000 МГц", "1600.000000 МГц"};
    }

    void reportText()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, words);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftotext and pdftoppm (poppler-utils) are not installed");
        QVERIFY(ZCore::LocalizationManager::setLanguage(language));
        std::vector<std::unique_ptr<ZChartView>> views;
        QList<ZChartView*> list;
        for (EChartType type : {EChartType::LOG_MAG, EChartType::SWR, EChartType::SMITH, EChartType::PHASE}) {
            views.push_back(std::make_unique<ZChartView>());
            ZChartView* view = views.back().get();
            view->resize(640, 440);
            view->show();
            view->setChartType(type);
            view->refreshFrom(sweep());
            for (int m = 0; m < ZMarksTable::MAX_MARKS; ++m)
                QVERIFY(view->addMark(100.0 + 300.0 * m));
            list.append(view);
        }
        ZReport::TReportContent content =
            ZReport::ReportCollector::collect(list, QString(), QStringLiteral("Mast 3, feed line B"));
        QCOMPARE(content.markers.size(), 24);
        QVERIFY(!content.analyserConnected);
        content.analyserConnected = true; // as the analyser would report itself
        content.analyserId = QStringLiteral("2083-1719-77");
        content.firmware = QStringLiteral("2.0.0");

        QTemporaryDir dir;
        const QString path = dir.filePath("report.pdf");
        QString error;
        QVERIFY2(MeasurementReport::write(path, content, &error), qPrintable(error));
        const TestSupport::TProcessRun read =
            TestSupport::runProcess("pdftotext", {"-layout", "-enc", "UTF-8", path, "-"});
        QCOMPARE(read.code, 0);
        const QString text = read.out.simplified();
        words << "2083-1719-77"
              << "2.0.0"
              << "2048"
              << "Mast 3, feed line B";
        for (const QString& word : qAsConst(words))
            QVERIFY2(text.contains(word), qPrintable(word));
        for (const ZReport::TReportMarker& marker : qAsConst(content.markers))
            for (const QString& line : marker.readout)
                QVERIFY2(text.contains(line.simplified()), qPrintable(marker.view + ": " + line));
        const int pages = MeasurementReport::pageCount(content);
        QVERIFY(pages >= 2);
        QVERIFY(text.contains(QString(qtTrId("lp_report_page")).arg(pages).arg(pages)));

        QCOMPARE(TestSupport::runProcess("pdftoppm", {"-r", "20", "-png", path, dir.filePath("page")}).code, 0);
        QCOMPARE(QDir(dir.path()).entryList({"page*.png"}).size(), pages);

        const QList<QByteArray> rows = CsvExport::markers(content.markers).split('\n');
        QCOMPARE(rows.size(), 24 + 2);
        QVERIFY(rows[1].contains(",1," + words[6].toUtf8() + ","));
    }

    void failedWriteLeavesNoFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing folder") << "missing/report.pdf";
        QTest::newRow("a folder by that name") << "taken.pdf";
        QTest::newRow("not a pdf") << "report.txt";
    }

    void failedWriteLeavesNoFile()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("taken.pdf"));
        const QString path = dir.filePath(name);
        QString error;
        QVERIFY(!MeasurementReport::write(path, ZReport::ReportCollector::collect({}, "t", "n"), &error));
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY(!CsvExport::write(dir.filePath("missing/sweep.csv"), TraceFiles::toCsv(sweep()), &error));
        QVERIFY2(error.contains(dir.filePath("missing/sweep.csv")), qPrintable(error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"taken.pdf"});
    }
};

QTEST_MAIN(tst_ReportExports)
#include "tst_ReportExports.moc"
