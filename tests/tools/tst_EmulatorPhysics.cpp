#include <QtTest>

#include <cmath>
#include <complex>
#include <vector>

#include "EmulatorProcess.h"
#include "WireProbe.h"

using TestSupport::EmulatorProcess;
using Cx = std::complex<double>;
using WireProbe::le;

namespace {

// Raw S11 for the given frequencies, in requests of up to 126 points.
std::vector<Cx> measure(WireProbe::Line& line, const std::vector<double>& freqs)
{
    std::vector<Cx> out;
    for (size_t first = 0; first < freqs.size(); first += 126) {
        const size_t n = std::min<size_t>(126, freqs.size() - first);
        QByteArray req = WireProbe::pack(quint8(0), quint8(n));
        for (size_t i = 0; i < n; ++i)
            req += WireProbe::pack(qint64(std::llround(freqs[first + i])));
        QDataStream r(line.exchange(0xDA00, quint16(first), req).data);
        float count = 0, unused = 0, re = 0, im = 0;
        le(r) >> count >> unused;
        for (int i = 0; i < int(count); ++i) {
            r >> re >> im;
            out.emplace_back(re, im);
        }
    }
    return out;
}

struct TFactory
{
    qint64 start = 0, stop = 0, points = 0;
    std::vector<Cx> open, shrt, load;

    // Three-term open/short/load correction with the factory terms interpolated linearly in f.
    Cx correct(double f, Cx m) const
    {
        const double step = double(stop - start) / (points - 1);
        const double x = std::clamp((f - start) / step, 0.0, double(points - 1));
        const int j = std::min(int(x), int(points) - 2);
        const double d = x - j;
        auto at = [&](const std::vector<Cx>& v) { return v[j] * (1 - d) + v[j + 1] * d; };
        const Cx o = at(open), s = at(shrt), l = at(load);
        const Cx e11 = (o + s - 2.0 * l) / (o - s);
        const Cx t = 2.0 * (o - l) * (l - s) / (o - s);
        return (m - l) / (e11 * (m - l) + t);
    }
};

TFactory readFactory(WireProbe::Line& line)
{
    TFactory f;
    QDataStream rs(line.exchange(0xFCA0, 0).data);
    le(rs) >> f.start >> f.stop >> f.points;
    for (int first = 0; first < f.points; first += 41) {
        QDataStream s(line.exchange(0xFCA1, 0, WireProbe::pack(qint16(first), qint16(41))).data);
        float a = 0, n = 0, v[6];
        le(s) >> a >> n;
        for (int i = 0; i < int(n); ++i) {
            for (float& x : v)
                s >> x;
            f.open.emplace_back(v[0], v[1]);
            f.shrt.emplace_back(v[2], v[3]);
            f.load.emplace_back(v[4], v[5]);
        }
    }
    return f;
}

} // namespace

class tst_EmulatorPhysics : public QObject
{
    Q_OBJECT

private slots:
    void factoryCalibrationCorrects_data()
    {
        QTest::addColumn<QString>("dut");
        QTest::addColumn<bool>("onGrid");
        QTest::addColumn<double>("expected");
        QTest::addColumn<QString>("drift");
        // On the grid only rounding remains (tolerance 2e-5); between grid points interpolating the
        // rotating error terms adds up to 6e-5 (tolerance 3e-4; a grid off by one point gives 3e-2).
        const std::pair<const char*, double> loads[] = {
            {"open", 1.0}, {"short", -1.0}, {"load", 0.0}, {"r=100", 1.0 / 3}};
        for (const auto& l : loads) {
            QTest::addRow("%s on grid", l.first) << l.first << true << l.second << "0";
            QTest::addRow("%s off grid", l.first) << l.first << false << l.second << "0";
        }
        // A box that has drifted since the factory measured it: the factory correction misreads.
        QTest::addRow("r=100 drifted 10 %%") << "r=100" << true << 1.0 / 3 << "10";
        QTest::addRow("r=100 drifted -10 %%") << "r=100" << false << 1.0 / 3 << "-10";
    }

    void factoryCalibrationCorrects()
    {
        QFETCH(QString, dut);
        QFETCH(bool, onGrid);
        QFETCH(double, expected);
        QFETCH(QString, drift);
        EmulatorProcess emu;
        QVERIFY(emu.start({"--dut", dut, "--drift", drift}));
        WireProbe::Line line;
        QVERIFY(line.open(emu.portPath()));
        const TFactory factory = readFactory(line);
        QVERIFY(factory.points >= 2 && qint64(factory.open.size()) == factory.points);

        std::vector<double> freqs;
        const double step = double(factory.stop - factory.start) / (factory.points - 1);
        for (int k = 0; k < factory.points; k += 3)
            freqs.push_back(factory.start + k * step + (onGrid ? 0.0 : step * (0.37 + 0.25 * (k % 2))));
        if (!onGrid)
            freqs.back() = factory.stop - 1.0;
        const std::vector<Cx> raw = measure(line, freqs);
        QCOMPARE(raw.size(), freqs.size());
        double worst = 0, rawWorst = 0;
        for (size_t i = 0; i < raw.size(); ++i) {
            worst = std::max(worst, std::abs(factory.correct(freqs[i], raw[i]) - expected));
            rawWorst = std::max(rawWorst, std::abs(raw[i] - expected));
        }
        if (drift != "0")
            QVERIFY2(worst > 0.01, qPrintable(QString::number(worst)));
        else
            QVERIFY2(worst < (onGrid ? 2e-5 : 3e-4), qPrintable(QString::number(worst)));
        QVERIFY(rawWorst > 0.1); // uncorrected data is visibly wrong
    }

    void cableLengthAndLoss_data()
    {
        QTest::addColumn<QString>("dut"); // cable=length m,velocity factor,loss dB/m,far end
        QTest::addColumn<double>("endGamma");
        QTest::newRow("3 m foam, open") << "cable=3,0.82,0.3,open" << 1.0;
        QTest::newRow("10 m solid, short") << "cable=10,0.66,0.1,short" << -1.0;
        QTest::newRow("1.5 m lossless, 100 ohms") << "cable=1.5,0.7,0,r=100" << 1.0 / 3.0;
    }

    void cableLengthAndLoss()
    {
        QFETCH(QString, dut);
        QFETCH(double, endGamma);
        const QStringList p = dut.mid(6).split(',');
        const double length = p[0].toDouble(), vf = p[1].toDouble(), lossDbPerM = p[2].toDouble();
        constexpr double PI = 3.14159265358979323846, C0 = 299792458.0;
        EmulatorProcess emu;
        QVERIFY(emu.start({"--error-box", "ideal", "--dut", dut}));
        WireProbe::Line line;
        QVERIFY(line.open(emu.portPath()));
        std::vector<double> freqs;
        for (int i = 0; i < 500; ++i)
            freqs.push_back(1e6 + i * 2e6);
        const std::vector<Cx> g = measure(line, freqs);
        QCOMPARE(g.size(), freqs.size());

        // loss both ways along the line
        const double expectedMag = std::abs(endGamma) * std::pow(10.0, -2.0 * lossDbPerM * length / 20.0);
        for (const Cx& v : g)
            QVERIFY(std::abs(std::abs(v) - expectedMag) < 1e-5);
        // electrical length from the phase slope
        const double dphi = std::arg(g[101] / g[100]);
        const double slopeLength = -dphi * vf * C0 / (4.0 * PI * (freqs[101] - freqs[100]));
        QVERIFY2(std::abs(slopeLength - length) < 1e-3 * length, qPrintable(QString::number(slopeLength)));
    }
};

QTEST_MAIN(tst_EmulatorPhysics)
#include "tst_EmulatorPhysics.moc"
