#include "calibration/CalibrationKit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>
#include <functional>

#include "core/AppPaths.h"

namespace ZData {
namespace CAL {

namespace {

using TGamma = CalibrationKit::TGamma;
constexpr double PI = 3.14159265358979323846;
// Larger than any kit's coefficients by orders of magnitude, small enough that nothing overflows.
constexpr double MAX_COEFFICIENT = 1e9;
constexpr double MAX_DELAY_PS = 1e6;
constexpr double MAX_LOSS_GOHM_S = 1e4;
constexpr double MAX_OHM = 1e6;
constexpr qint64 MAX_FILE_BYTES = 64 * 1024;

double sqrtPerGHz(double f)
{
    return std::sqrt(f / 1e9);
}

// The offset line in front of a termination: the termination's reflection against the line's own
// impedance, turned by the line's two-way loss and delay, then seen against 50 ohms. The line's
// impedance has a skin-effect term that grows without bound toward DC; there it is left out, as the
// loss it stands for vanishes at DC too.
TGamma throughLine(const std::function<TGamma(TGamma)>& gammaAgainst, double f,
                   const CalibrationKit::TOffsetLine& line)
{
    const double w = 2.0 * PI * f;
    const double delay = line.delayPs * 1e-12;
    const double loss = line.lossGOhmPerS * 1e9;
    const double alphaL = loss * delay / (2.0 * line.z0Ohm) * sqrtPerGHz(f);
    const double betaL = w * delay + alphaL;
    TGamma zc(line.z0Ohm, 0.0);
    if (loss != 0.0 && w > 0.0)
        zc += TGamma(1.0, -1.0) * (loss / (2.0 * w)) * sqrtPerGHz(f);
    const TGamma g = gammaAgainst(zc) * std::exp(-2.0 * TGamma(alphaL, betaL));
    if (zc == TGamma(CalibrationKit::REFERENCE_OHM, 0.0))
        return g;
    // Z = zc (1 + g) / (1 - g), written without dividing by 1 - g, which is 0 for a lossless open.
    const TGamma num = zc * (1.0 + g) - CalibrationKit::REFERENCE_OHM * (1.0 - g);
    const TGamma den = zc * (1.0 + g) + CalibrationKit::REFERENCE_OHM * (1.0 - g);
    return num / den;
}

// c0 + c1 f + c2 f^2 + c3 f^3 in the data-sheet units, which relate to the first coefficient's unit
// as 1e-12, 1e-21 and 1e-30 per Hz, Hz^2 and Hz^3 for the open's C and the short's L alike.
double polynomial(const double c[4], double firstUnit, double f)
{
    return firstUnit * (c[0] + c[1] * 1e-12 * f + c[2] * 1e-21 * f * f + c[3] * 1e-30 * f * f * f);
}

struct TKey
{
    const char* group;
    const char* key;
    std::function<double&(CalibrationKit&)> field;
};

const std::vector<TKey>& keys()
{
    static const std::vector<TKey> table = {
        {"open", "c0_ff", [](CalibrationKit& k) -> double& { return k.open.c[0]; }},
        {"open", "c1", [](CalibrationKit& k) -> double& { return k.open.c[1]; }},
        {"open", "c2", [](CalibrationKit& k) -> double& { return k.open.c[2]; }},
        {"open", "c3", [](CalibrationKit& k) -> double& { return k.open.c[3]; }},
        {"open", "delay_ps", [](CalibrationKit& k) -> double& { return k.open.line.delayPs; }},
        {"open", "loss_gohm_s", [](CalibrationKit& k) -> double& { return k.open.line.lossGOhmPerS; }},
        {"open", "z0_ohm", [](CalibrationKit& k) -> double& { return k.open.line.z0Ohm; }},
        {"short", "l0_ph", [](CalibrationKit& k) -> double& { return k.shortStd.l[0]; }},
        {"short", "l1", [](CalibrationKit& k) -> double& { return k.shortStd.l[1]; }},
        {"short", "l2", [](CalibrationKit& k) -> double& { return k.shortStd.l[2]; }},
        {"short", "l3", [](CalibrationKit& k) -> double& { return k.shortStd.l[3]; }},
        {"short", "delay_ps", [](CalibrationKit& k) -> double& { return k.shortStd.line.delayPs; }},
        {"short", "loss_gohm_s", [](CalibrationKit& k) -> double& { return k.shortStd.line.lossGOhmPerS; }},
        {"short", "z0_ohm", [](CalibrationKit& k) -> double& { return k.shortStd.line.z0Ohm; }},
        {"load", "r_ohm", [](CalibrationKit& k) -> double& { return k.load.rOhm; }},
        {"load", "l_ph", [](CalibrationKit& k) -> double& { return k.load.lPh; }},
        {"load", "c_ff", [](CalibrationKit& k) -> double& { return k.load.cFf; }},
        {"load", "delay_ps", [](CalibrationKit& k) -> double& { return k.load.line.delayPs; }},
        {"load", "loss_gohm_s", [](CalibrationKit& k) -> double& { return k.load.line.lossGOhmPerS; }},
        {"load", "z0_ohm", [](CalibrationKit& k) -> double& { return k.load.line.z0Ohm; }},
    };
    return table;
}

// Why a value cannot be taken for this key; empty when it can.
QString checkValue(const QString& key, double v)
{
    if (!std::isfinite(v))
        return QStringLiteral("not a finite number");
    if (key == QLatin1String("delay_ps")) {
        if (v < 0)
            return QStringLiteral("a delay cannot be negative");
        if (v > MAX_DELAY_PS)
            return QStringLiteral("delay above %1 ps").arg(MAX_DELAY_PS);
        return QString();
    }
    if (key == QLatin1String("loss_gohm_s")) {
        if (v < 0)
            return QStringLiteral("a loss cannot be negative");
        if (v > MAX_LOSS_GOHM_S)
            return QStringLiteral("loss above %1 GOhm/s").arg(MAX_LOSS_GOHM_S);
        return QString();
    }
    if (key == QLatin1String("z0_ohm") || key == QLatin1String("r_ohm")) {
        if (v <= 0)
            return QStringLiteral("must be above 0 Ohm");
        if (v > MAX_OHM)
            return QStringLiteral("above %1 Ohm").arg(MAX_OHM);
        return QString();
    }
    if (key == QLatin1String("l_ph") || key == QLatin1String("c_ff")) {
        if (v < 0)
            return QStringLiteral("cannot be negative");
    }
    if (std::abs(v) > MAX_COEFFICIENT)
        return QStringLiteral("beyond +-%1").arg(MAX_COEFFICIENT);
    return QString();
}

} // namespace

bool CalibrationKit::isIdeal() const
{
    CalibrationKit copy = *this;
    copy.name = ideal().name;
    return copy == ideal();
}

bool CalibrationKit::operator==(const CalibrationKit& other) const
{
    if (name != other.name)
        return false;
    auto& self = const_cast<CalibrationKit&>(*this);
    auto& that = const_cast<CalibrationKit&>(other);
    for (const TKey& k : keys()) {
        if (k.field(self) != k.field(that))
            return false;
    }
    return true;
}

TGamma CalibrationKit::openGamma(double f) const
{
    const double w = 2.0 * PI * f;
    const double c = polynomial(open.c, 1e-15, f);
    // 1 / (j w C) against Zc, multiplied through by j w C so that C = 0 and DC need no division.
    return throughLine(
        [w, c](TGamma zc) {
            const TGamma jwcz = TGamma(0.0, w * c) * zc;
            return (1.0 - jwcz) / (1.0 + jwcz);
        },
        f, open.line);
}

TGamma CalibrationKit::shortGamma(double f) const
{
    const double w = 2.0 * PI * f;
    const double l = polynomial(shortStd.l, 1e-12, f);
    return throughLine(
        [w, l](TGamma zc) {
            const TGamma z(0.0, w * l);
            return (z - zc) / (z + zc);
        },
        f, shortStd.line);
}

TGamma CalibrationKit::loadGamma(double f) const
{
    const double w = 2.0 * PI * f;
    const TGamma zrl(load.rOhm, w * load.lPh * 1e-12);
    const double c = load.cFf * 1e-15;
    // Z = zrl / (1 + j w C zrl); multiplied through so that an unbounded Z at resonance gives +1.
    return throughLine(
        [zrl, w, c](TGamma zc) {
            const TGamma den = 1.0 + TGamma(0.0, w * c) * zrl;
            return (zrl - zc * den) / (zrl + zc * den);
        },
        f, load.line);
}

TGamma CalibrationKit::gamma(quint8 calibType, double f) const
{
    switch (calibType) {
    case CalibrationData::OPEN:
        return openGamma(f);
    case CalibrationData::SHORT:
        return shortGamma(f);
    case CalibrationData::LOAD:
        return loadGamma(f);
    default:
        return TGamma();
    }
}

bool CalibrationKit::value(const QString& group, const QString& key, double& out) const
{
    for (const TKey& k : keys()) {
        if (group == QLatin1String(k.group) && key == QLatin1String(k.key)) {
            out = k.field(const_cast<CalibrationKit&>(*this));
            return true;
        }
    }
    return false;
}

bool CalibrationKit::setValue(const QString& group, const QString& key, double v)
{
    for (const TKey& k : keys()) {
        if (group == QLatin1String(k.group) && key == QLatin1String(k.key)) {
            k.field(*this) = v;
            return true;
        }
    }
    return false;
}

QString CalibrationKit::validate() const
{
    auto& self = const_cast<CalibrationKit&>(*this);
    for (const TKey& k : keys()) {
        const QString why = checkValue(QLatin1String(k.key), k.field(self));
        if (!why.isEmpty())
            return QStringLiteral("[%1] %2: %3").arg(QLatin1String(k.group), QLatin1String(k.key), why);
    }
    return QString();
}

bool CalibrationKit::readFile(const QString& path, CalibrationKit& out, QString* error)
{
    const QString file = QFileInfo(path).fileName();
    auto fail = [&](int line, const QString& why) {
        if (error)
            *error = line > 0 ? QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(why)
                              : QStringLiteral("%1: %2").arg(file, why);
        return false;
    };
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return fail(0, QStringLiteral("cannot be read"));
    if (f.size() > MAX_FILE_BYTES)
        return fail(0, QStringLiteral("larger than %1 bytes").arg(MAX_FILE_BYTES));
    const QByteArray bytes = f.readAll();
    CalibrationKit kit;
    kit.name = QFileInfo(path).completeBaseName();
    QString group;
    QStringList seen;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        const QString line = QString::fromUtf8(lines[i]).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                return fail(lineNo, QStringLiteral("unclosed group"));
            group = line.mid(1, line.size() - 2).trimmed().toLower();
            if (group != QLatin1String("open") && group != QLatin1String("short") &&
                group != QLatin1String("load") && group != QLatin1String("kit"))
                return fail(lineNo, QStringLiteral("unknown group [%1]").arg(group));
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return fail(lineNo, QStringLiteral("not a 'key = value' line"));
        if (group.isEmpty())
            return fail(lineNo, QStringLiteral("a value outside [open], [short] or [load]"));
        const QString key = line.left(eq).trimmed().toLower();
        const QString text = line.mid(eq + 1).trimmed();
        if (group == QLatin1String("kit")) {
            // A kit record beside a calibration file names the kit it was taken with.
            if (key != QLatin1String("name"))
                return fail(lineNo, QStringLiteral("unknown key '%1' in [kit]").arg(key));
            if (!isValidName(text) && text != QLatin1String(IDEAL_NAME))
                return fail(lineNo, QStringLiteral("'%1' is not a kit name").arg(text));
            kit.name = text;
            continue;
        }
        const TKey* entry = nullptr;
        for (const TKey& k : keys()) {
            if (group == QLatin1String(k.group) && key == QLatin1String(k.key))
                entry = &k;
        }
        // A misspelt key would otherwise leave its standard silently ideal.
        if (!entry)
            return fail(lineNo, QStringLiteral("unknown key '%1' in [%2]").arg(key, group));
        const QString qualified = group + QLatin1Char('/') + key;
        if (seen.contains(qualified))
            return fail(lineNo, QStringLiteral("'%1' given twice in [%2]").arg(key, group));
        seen << qualified;
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (!ok)
            return fail(lineNo, QStringLiteral("'%1' is not a number").arg(text));
        const QString why = checkValue(key, v);
        if (!why.isEmpty())
            return fail(lineNo, QStringLiteral("%1 = %2: %3").arg(key, text, why));
        entry->field(kit) = v;
    }
    out = kit;
    return true;
}

bool CalibrationKit::writeFile(const QString& path, QString* error, bool withName) const
{
    const QString why = validate();
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QByteArray text;
    if (withName)
        text += "[kit]\nname = " + name.toUtf8() + "\n";
    QString group;
    auto& self = const_cast<CalibrationKit&>(*this);
    for (const TKey& k : keys()) {
        if (group != QLatin1String(k.group)) {
            group = QLatin1String(k.group);
            text += (text.isEmpty() ? "[" : "\n[") + group.toLatin1() + "]\n";
        }
        text += QByteArray(k.key) + " = " + QByteArray::number(k.field(self), 'g', 15) + '\n';
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), file.errorString());
        return false;
    }
    return true;
}

bool CalibrationKit::isValidName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9_.-]{0,63}$"));
    return pattern.match(name).hasMatch() &&
           name.compare(QLatin1String(IDEAL_NAME), Qt::CaseInsensitive) != 0;
}

QString CalibrationKit::dir()
{
    return ZCore::AppPaths::baseDir() + QLatin1Char('/') + QLatin1String(DIR_NAME);
}

QString CalibrationKit::pathFor(const QString& name)
{
    return dir() + QLatin1Char('/') + name + QLatin1Char('.') + QLatin1String(FILE_SUFFIX);
}

QStringList CalibrationKit::available()
{
    QStringList names;
    const QFileInfoList files = QDir(dir()).entryInfoList({QStringLiteral("*.") + QLatin1String(FILE_SUFFIX)},
                                                          QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& info : files) {
        if (isValidName(info.completeBaseName()))
            names << info.completeBaseName();
    }
    names.prepend(QLatin1String(IDEAL_NAME));
    return names;
}

int CalibrationKit::idealize(CalibrationData& data, const QVector<double>& frequenciesHz) const
{
    using TC = std::complex<double>;
    const int n = qMin(int(data.points()), frequenciesHz.size());
    int singular = 0;
    for (int k = 0; k < n; ++k) {
        const double f = frequenciesHz[k];
        const TC ga = openGamma(f), gb = shortGamma(f), gc = loadGamma(f);
        const TC ma(data.openAt(k)), mb(data.shortAt(k)), mc(data.loadAt(k));
        // m = e00 + G m e11 - G (e00 e11 - t): linear in (e00, e11, d = e00 e11 - t); Cramer's rule.
        const TC a[3][3] = {{1.0, ga * ma, -ga}, {1.0, gb * mb, -gb}, {1.0, gc * mc, -gc}};
        const TC m[3] = {ma, mb, mc};
        auto det = [](const TC x[3][3]) {
            return x[0][0] * (x[1][1] * x[2][2] - x[1][2] * x[2][1]) -
                   x[0][1] * (x[1][0] * x[2][2] - x[1][2] * x[2][0]) +
                   x[0][2] * (x[1][0] * x[2][1] - x[1][1] * x[2][0]);
        };
        const TC d = det(a);
        if (!(std::abs(d) > 1e-12)) {
            ++singular;
            continue;
        }
        TC x[3];
        for (int col = 0; col < 3; ++col) {
            TC b[3][3];
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    b[r][c] = c == col ? m[r] : a[r][c];
            x[col] = det(b) / d;
        }
        const TC e00 = x[0], e11 = x[1], t = x[0] * x[1] - x[2];
        const TC open = e00 + t / (1.0 - e11);
        const TC shrt = e00 - t / (1.0 + e11);
        if (!std::isfinite(open.real()) || !std::isfinite(open.imag()) || !std::isfinite(shrt.real()) ||
            !std::isfinite(shrt.imag())) {
            ++singular;
            continue;
        }
        data.setValue(CalibrationData::OPEN, k, TComplex(float(open.real()), float(open.imag())));
        data.setValue(CalibrationData::SHORT, k, TComplex(float(shrt.real()), float(shrt.imag())));
        data.setValue(CalibrationData::LOAD, k, TComplex(float(e00.real()), float(e00.imag())));
    }
    return singular;
}

} // namespace CAL
} // namespace ZData
