#include <QImageReader>
#include <QProcess>
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

    void invalidOptionsLeaveNoFile_data()
    {
        QTest::addColumn<QStringList>("extra");
        const QString png = m_dir.filePath("bad.png");
        QTest::newRow("bad type") << QStringList{"--chart", "histogram", "--image", png};
        QTest::newRow("unwritable dir") << QStringList{"--chart", "swr", "--image", "/proc/no/bad.png"};
        QTest::newRow("bad extension") << QStringList{"--chart", "swr", "--image", m_dir.filePath("bad.jpg")};
        QTest::newRow("chart without image") << QStringList{"--chart", "swr"};
        QTest::newRow("bad size") << QStringList{"--chart", "swr", "--image", png, "--image-size", "0x10"};
    }

    void invalidOptionsLeaveNoFile()
    {
        QFETCH(QStringList, extra);
        QString err;
        QCOMPARE(runMeasure(base() + extra, &err), 1);
        QVERIFY(err.contains("error:"));
        QVERIFY(!QFile::exists(m_dir.filePath("bad.png")));
        QVERIFY(!QFile::exists(m_dir.filePath("bad.jpg")));
    }
};

QTEST_MAIN(tst_MeasureChartImage)
#include "tst_MeasureChartImage.moc"
