#include "CalibrationSlots.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>

#include "ErrorBox.h"
#include "devicelink/FrameCodec.h"

namespace {
const quint32 STATE_MAGIC = 0x54564553; // "TVES"
const quint32 STATE_VERSION = 1;
} // namespace

CalibrationSlots::CalibrationSlots(int userSlots, qint64 minHz, qint64 maxHz) : m_minHz(minHz), m_maxHz(maxHz)
{
    m_slots.resize(1 + qBound(0, userSlots, 255));
}

void CalibrationSlots::buildFactory(const ErrorBox& box, quint32 seed)
{
    TSlot& factory = m_slots[0];
    factory = TSlot();
    // The largest grid of at most 1000 points whose step divides the span exactly, so that the
    // program's start + k * step lands on the frequencies the factory actually measured.
    const qint64 span = m_maxHz - m_minHz;
    int points = 2;
    for (int n = MAX_POINTS; n >= 2; --n) {
        if (span > 0 && span % (n - 1) == 0) {
            points = n;
            break;
        }
    }
    if (span <= 0)
        points = 2;
    const qint64 step = span > 0 ? span / (points - 1) : 0;
    factory.start = m_minHz;
    factory.stop = m_minHz + step * (points - 1);
    factory.points = qint16(points);
    for (int k = 0; k < points; ++k) {
        const double f = double(m_minHz + step * k);
        const std::complex<double> ideal[3] = {{1, 0}, {-1, 0}, {0, 0}};
        for (int t = 0; t < 3; ++t) {
            const auto r = box.raw(f, ideal[t]);
            factory.values[t][k] = std::complex<float>(float(r.real()), float(r.imag()));
        }
    }
    // The oscillator tables are opaque to the program; fill them with reproducible bytes.
    quint32 state = seed * 2654435761u + 12345u;
    for (int i = 0; i < VCO_SIZE; ++i) {
        state = state * 1664525u + 1013904223u;
        factory.vco1[i] = char(state >> 24);
        state = state * 1664525u + 1013904223u;
        factory.vco2[i] = char(state >> 24);
    }
    m_active.vco1 = factory.vco1;
    m_active.vco2 = factory.vco2;
}

const CalibrationSlots::TSlot& CalibrationSlots::slot(int index) const
{
    if (!isValidSlot(index))
        return m_empty;
    return m_slots[index];
}

CalibrationSlots::TSlot* CalibrationSlots::writableSlot(int index)
{
    if (index == ACTIVE_SLOT)
        return &m_active;
    if (!isWritableSlot(index))
        return nullptr;
    return &m_slots[index];
}

bool CalibrationSlots::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QDataStream in(&file);
    ZData::FrameCodec::setupStream(in);
    quint32 magic = 0, version = 0, count = 0;
    in >> magic >> version >> count;
    if (in.status() != QDataStream::Ok || magic != STATE_MAGIC || version != STATE_VERSION || count > 255) {
        if (error)
            *error = QStringLiteral("not a state file of this emulator");
        return false;
    }
    QVector<TSlot> loaded;
    loaded.resize(int(count));
    for (TSlot& s : loaded) {
        in >> s.start >> s.stop >> s.points;
        if (s.points < 0 || s.points > MAX_POINTS)
            s.points = 0;
        for (auto& type : s.values)
            for (auto& v : type) {
                float re = 0, im = 0;
                in >> re >> im;
                v = {re, im};
            }
        if (in.readRawData(s.vco1.data(), VCO_SIZE) != VCO_SIZE ||
            in.readRawData(s.vco2.data(), VCO_SIZE) != VCO_SIZE)
            break;
    }
    if (in.status() != QDataStream::Ok) {
        if (error)
            *error = QStringLiteral("truncated state file");
        return false;
    }
    for (int i = 0; i < loaded.size() && i + 1 < m_slots.size(); ++i)
        m_slots[i + 1] = loaded[i];
    return true;
}

bool CalibrationSlots::save(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QDataStream out(&file);
    ZData::FrameCodec::setupStream(out);
    out << STATE_MAGIC << STATE_VERSION << quint32(m_slots.size() - 1);
    for (int i = 1; i < m_slots.size(); ++i) {
        const TSlot& s = m_slots[i];
        out << s.start << s.stop << s.points;
        for (const auto& type : s.values)
            for (const auto& v : type)
                out << v.real() << v.imag();
        out.writeRawData(s.vco1.constData(), VCO_SIZE);
        out.writeRawData(s.vco2.constData(), VCO_SIZE);
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
