#include <QApplication>
#include <QRandomGenerator>
#include <QScreen>
#include <QtTest>

#include <cmath>

#include "TestSupport.h"
#include "core/Resources.h"
#include "core/utility/Image.h"
#include "core/utility/Path.h"
#include "core/utility/UI.h"
#include "core/utility/VersionNumber.h"
#include "core/utility/ZMath.h"

using namespace ZCore::UtilityModules;
using ZData::TScanPoint;
using ZData::TScanPoints;

namespace {
// Plain O(N^2) transform in double precision, the reference for the fast one.
QVector<std::complex<double>> dft(const TComplexVector& input, int size, bool inverse)
{
    QVector<std::complex<double>> out(size);
    for (int k = 0; k < size; ++k)
        for (int n = 0; n < input.size(); ++n)
            out[k] += std::complex<double>(input[n]) *
                      std::polar(1.0, (inverse ? 2.0 : -2.0) * M_PI * k * n / size);
    return out;
}

} // namespace

class tst_UtilityModules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ZCore::initResources(); }

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

    // A dialog left on a screen no longer there comes back to the middle of the primary one.
    void placement()
    {
        QWidget w;
        w.resize(201, 101);
        const QPoint c = QGuiApplication::primaryScreen()->geometry().center();
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

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parts"); // empty: refused
        QTest::newRow("program") << QString("1.14.423") << QString("1 14 423");
        QTest::newRow("leading zeros") << QString("01.002.3") << QString("1 2 3");
        for (const char* bad : {"1.2", "1.2.3.4", "a.b.c", "1..3", "+1.2.3", "4294967296.0.0"})
            QTest::newRow(bad) << QString(bad) << QString();
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, parts);
        const VersionNumber v(text);
        if (parts.isEmpty()) {
            QCOMPARE(v, VersionNumber::invalid());
        } else {
            QCOMPARE(QString("%1 %2 %3").arg(v.major()).arg(v.minor()).arg(v.build()), parts);
            QCOMPARE(VersionNumber(v.toString()), v);
        }
    }

    void ordering_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << QString("1.2.3") << QString("1.2.3") << 0;
        QTest::newRow("minor beats build") << QString("1.3.0") << QString("1.2.999") << 1;
        QTest::newRow("numeric not textual") << QString("1.10.0") << QString("1.9.0") << 1;
        QTest::newRow("invalid highest")
            << QString("a.b.c") << QString("4294967295.4294967295.4294967294") << 1;
    }

    void ordering()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const VersionNumber x(a), y(b);
        QCOMPARE(x == y, order == 0);
        QCOMPARE(x != y, order != 0);
        QCOMPARE(x < y, order < 0);
        QCOMPARE(x <= y, order <= 0);
        QCOMPARE(x > y, order > 0);
        QCOMPARE(x >= y, order >= 0);
        QCOMPARE(y<x, order> 0);
    }

    void transformMatchesDft_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("inverse");
        QTest::addColumn<bool>("normalise");
        for (int size : {1, 3, 64, 201, 1000, 2048}) { // padded to 1, 4, 64, 256, 1024, 2048
            QTest::addRow("forward %d", size) << size << false << false;
            QTest::addRow("inverse %d", size) << size << true << false;
            QTest::addRow("inverse normalised %d", size) << size << true << true;
        }
    }

    void transformMatchesDft()
    {
        QFETCH(int, size);
        const int padded = int(qNextPowerOfTwo(quint32(size - 1)));
        QFETCH(bool, inverse);
        QFETCH(bool, normalise);
        QRandomGenerator rng(quint32(size * 7 + inverse));
        TComplexVector input(size);
        for (TComplex& x : input)
            x = TComplex(float(rng.generateDouble() * 2 - 1), float(rng.generateDouble() * 2 - 1));
        const QVector<std::complex<double>> expected = dft(input, padded, inverse);
        const double scale = normalise ? 1.0 / padded : 1.0;
        const double tolerance = 1e-4 * std::sqrt(double(padded)) * std::log2(padded + 1.0) + 1e-5;
        TComplexVector first;
        for (int round = 0; round < 2; ++round) { // the second run reuses what the first one prepared
            TComplexVector data = input;
            if (inverse)
                ZMath::ifft(data, normalise);
            else
                ZMath::fft(data);
            QCOMPARE(data.size(), padded);
            for (int k = 0; k < padded; ++k) {
                // On the unnormalised scale, so 1/N cannot shrink a wrong result below the tolerance.
                const double error = std::abs(std::complex<double>(data[k]) - expected[k] * scale) / scale;
                QVERIFY2(error <= tolerance, qPrintable(QString("bin %1: error %2").arg(k).arg(error)));
            }
            // Readouts must not depend on whether the transform was prepared before.
            if (round == 1)
                QVERIFY(data == first);
            first = data;
        }
        TComplexVector empty;
        ZMath::fft(empty);
        QVERIFY(empty.isEmpty());
    }

    void interpolation_data()
    {
        QTest::addColumn<TScanPoints>("table");
        QTest::addColumn<quint64>("frequency");
        QTest::addColumn<bool>("extrapolate");
        QTest::addColumn<float>("re");
        QTest::addColumn<float>("im");
        const TScanPoints t{{100, 0, 1}, {200, 1, 3}, {400, 3, -1}};
        QTest::newRow("inside first segment") << t << quint64(150) << false << 0.5f << 2.0f;
        QTest::newRow("inside last segment") << t << quint64(300) << true << 2.0f << 1.0f;
        QTest::newRow("below, held") << t << quint64(50) << false << 0.0f << 1.0f;
        QTest::newRow("below, extrapolated") << t << quint64(50) << true << -0.5f << 0.0f;
        QTest::newRow("above, held") << t << quint64(600) << false << 3.0f << -1.0f;
        QTest::newRow("above, extrapolated") << t << quint64(600) << true << 5.0f << -5.0f;
        const quint64 g = 1000000000ull;
        QTest::newRow("gigahertz") << TScanPoints{{g, 1, 0}, {3 * g, 3, 0}} << 2 * g << false << 2.0f << 0.0f;
        // Neighbours at one frequency: no slope to follow, the value is held, never NaN.
        const TScanPoints twin{{100, 1, 1}, {100, 2, 2}, {200, 4, 0}};
        QTest::newRow("twin, below, extrapolated") << twin << quint64(50) << true << 1.0f << 1.0f;
        QTest::newRow("twin, after") << twin << quint64(150) << false << 3.0f << 1.0f;
        const TScanPoints twinEnd{{100, 0, 0}, {200, 2, 2}, {200, 5, 6}};
        QTest::newRow("twin end, above, extrapolated") << twinEnd << quint64(300) << true << 5.0f << 6.0f;
        QTest::newRow("empty table") << TScanPoints{} << quint64(5) << true << 0.0f << 0.0f;
    }

    void interpolation()
    {
        QFETCH(TScanPoints, table);
        QFETCH(quint64, frequency);
        QFETCH(bool, extrapolate);
        QFETCH(float, re);
        QFETCH(float, im);
        const TScanPoint p = ZMath::linearInterpolation(table, frequency, extrapolate);
        QCOMPARE(p.frequency, frequency);
        QVERIFY2(std::abs(p.re - re) < 1e-5f && std::abs(p.im - im) < 1e-5f,
                 qPrintable(QString("got (%1, %2)").arg(double(p.re)).arg(double(p.im))));
    }

    void gridInterpolationMatchesPointByPoint_data()
    {
        QTest::addColumn<bool>("extrapolate");
        QTest::newRow("extrapolated") << true;
        QTest::newRow("held") << false;
    }

    void gridInterpolationMatchesPointByPoint()
    {
        QFETCH(bool, extrapolate);
        TScanPoints table;
        for (int i = 0; i < 201; ++i)
            table.append(
                {quint64(1000000 + 4975000ull * i), float(std::sin(0.1 * i)), float(std::cos(0.07 * i))});
        TScanPoints grid;
        for (int i = 0; i < 1000; ++i) // a little beyond both ends of the table
            grid.append({quint64(500000 + 1001000ull * i), 0.0f, 0.0f});
        grid.append({quint64(2000000), 0.0f, 0.0f}); // a step back restarts the search
        TScanPoints batch = grid;
        ZMath::linearInterpolation(table, batch, extrapolate);
        for (int i = 0; i < grid.size(); ++i) {
            const TScanPoint single = ZMath::linearInterpolation(table, grid[i].frequency, extrapolate);
            QVERIFY2(batch[i].re == single.re && batch[i].im == single.im, qPrintable(QString::number(i)));
            QCOMPARE(batch[i].frequency, grid[i].frequency);
        }
    }
};

QTEST_MAIN(tst_UtilityModules)
#include "tst_UtilityModules.moc"
