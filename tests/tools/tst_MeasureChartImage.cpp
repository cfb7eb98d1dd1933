#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "EmulatorProcess.h"

namespace {

int runMeasure(const QStringList& args, QString* stdErr = nullptr)
{
    QProcess process;
    process.start(QStringLiteral(TOLVEK_MEASURE_PATH), args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    if (stdErr)
        *stdErr = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

// The measurement command drawing the last sweep as a chart picture.
class tst_MeasureChartImage : public QObject
{
    Q_OBJECT

    TestSupport::EmulatorProcess m_emulator;
    QTemporaryDir m_dir;

    QStringList base() const
    {
        return {"--port",
                m_emulator.portPath(),
                "--start",
                "1e6",
                "--stop",
                "301e6",
                "--points",
                "101",
                "--quiet",
                "--data-dir",
                m_dir.filePath("data")};
    }

private slots:
    void initTestCase() { QVERIFY(m_emulator.start({"--dut", "cable=1.5,0.66,0.5"})); }

    void pictures_data()
    {
        QTest::addColumn<QString>("chart");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("smith png default size") << "smith"
                                                << "smith.png" << QString() << QSize(1600, 1200);
        // Small Smith and polar pictures once recursed in the toolkit's axis layout.
        QTest::newRow("smith svg 320x220") << "smith"
                                           << "small-smith.svg"
                                           << "320x220" << QSize(320, 220);
        QTest::newRow("polar png 480x300") << "polar"
                                           << "small-polar.png"
                                           << "480x300" << QSize(480, 300);
        QTest::newRow("dtf png") << "dtf"
                                 << "dtf.png"
                                 << "640x480" << QSize(640, 480);
        QTest::newRow("loss svg") << "loss"
                                  << "loss.svg"
                                  << "500x300" << QSize(500, 300);
    }

    void pictures()
    {
        QFETCH(QString, chart);
        QFETCH(QString, file);
        QFETCH(QString, size);
        QStringList args = base() << "--chart" << chart << "--image" << m_dir.filePath(file);
        if (!size.isEmpty())
            args << "--image-size" << size;
        QString err;
        QCOMPARE(runMeasure(args, &err), 0);
        QImageReader reader(m_dir.filePath(file));
        QTEST(reader.size(), "expected");
        QVERIFY(!reader.read().isNull());
    }

    // The report, the CSV table and a Touchstone file in another format and unit from one run.
    void reportCsvAndTouchstone()
    {
        const QString pdf = m_dir.filePath("run.pdf");
        const QString csv = m_dir.filePath("run.csv");
        QString err;
        QCOMPARE(runMeasure(base() << "--report" << pdf << "--report-title" << "Feeder 7"
                                   << "--chart" << "swr" << "--chart" << "dtf" << "--out" << csv, &err),
                 0);
        QVERIFY(QFileInfo(pdf).size() > 0);
        QFile table(csv);
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = table.readAll().trimmed().split('\n');
        QCOMPARE(rows.size(), 1 + 101);
        QVERIFY(rows[0].startsWith("Frequency (Hz),Re,Im,"));
        QVERIFY(rows[101].startsWith("301000000,"));
        if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QProcess reader;
            reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            QVERIFY(reader.waitForFinished(60000));
            const QString text = QString::fromUtf8(reader.readAllStandardOutput()).simplified();
            for (const QString& word : {"Feeder 7", "View 1: SWR", "View 2: DTF", "301000000 Hz", "101"})
                QVERIFY2(text.contains(word), qPrintable(word));
            QVERIFY(!text.contains("View 3"));
        }

        const QString s1p = m_dir.filePath("run.s1p");
        QCOMPARE(runMeasure(base() << "--out" << s1p << "--touchstone-format" << "db" << "--touchstone-unit"
                                   << "MHZ",
                            &err),
                 0);
        QFile touchstone(s1p);
        QVERIFY(touchstone.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = touchstone.readAll().split('\n');
        QCOMPARE(lines.value(1), QByteArray("# MHz S DB R 50"));
        QVERIFY(lines.value(2).startsWith("1 "));
    }

    void invalidOptionsLeaveNoFile_data()
    {
        QTest::addColumn<QStringList>("extra");
        const QString png = m_dir.filePath("bad.png");
        QTest::newRow("bad type") << QStringList{"--chart", "histogram", "--image", png};
        QTest::newRow("unwritable dir") << QStringList{"--chart", "swr", "--image", "/proc/no/bad.png"};
        QTest::newRow("bad extension") << QStringList{"--chart", "swr", "--image", m_dir.filePath("bad.jpg")};
        QTest::newRow("chart without image") << QStringList{"--chart", "swr"};
        QTest::newRow("bad size") << QStringList{"--chart", "swr", "--image", png, "--image-size", "0x10"};
        const QString pdf = m_dir.filePath("bad.pdf");
        QTest::newRow("report not pdf") << QStringList{"--report", m_dir.filePath("bad.png")};
        QTest::newRow("report folder missing") << QStringList{"--report", "/proc/no/bad.pdf"};
        QTest::newRow("five charts") << QStringList{"--report", pdf, "--chart", "swr", "--chart", "swr", "--chart",
                                                    "swr", "--chart", "swr", "--chart", "swr"};
        QTest::newRow("title without report") << QStringList{"--report-title", "x", "--out", pdf + ".csv"};
        QTest::newRow("two charts for an image") << QStringList{"--chart", "swr", "--chart", "dtf", "--image", png};
        QTest::newRow("touchstone options for csv")
            << QStringList{"--out", m_dir.filePath("bad.csv"), "--touchstone-unit", "MHZ"};
        QTest::newRow("unknown touchstone format")
            << QStringList{"--out", m_dir.filePath("bad.s1p"), "--touchstone-format", "XY"};
        QTest::newRow("out not supported") << QStringList{"--out", m_dir.filePath("bad.xlsx")};
    }

    void invalidOptionsLeaveNoFile()
    {
        QFETCH(QStringList, extra);
        QString err;
        QCOMPARE(runMeasure(base() + extra, &err), 1);
        QVERIFY(err.contains("error:"));
        for (const QString& name : {"bad.png", "bad.jpg", "bad.pdf", "bad.pdf.csv", "bad.csv", "bad.s1p", "bad.xlsx"})
            QVERIFY2(!QFile::exists(m_dir.filePath(name)), qPrintable(name));
    }
};

QTEST_MAIN(tst_MeasureChartImage)
#include "tst_MeasureChartImage.moc"
