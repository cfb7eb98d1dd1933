#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>
#include <complex>

class ErrorBox;

// The analyser's calibration memory: slot 0 holds the factory calibration, slots 1..N what the
// program stores, and 0xFFFF addresses the oscillator tables of the active calibration.
class CalibrationSlots
{
public:
    static constexpr int MAX_POINTS = 1000;
    static constexpr int VCO_SIZE = 3257;
    static constexpr quint16 ACTIVE_SLOT = 0xFFFF;

    struct TSlot
    {
        qint64 start = 0;
        qint64 stop = 0;
        qint16 points = 0;
        // index 0 open, 1 short, 2 load
        std::array<std::array<std::complex<float>, MAX_POINTS>, 3> values{};
        QByteArray vco1 = QByteArray(VCO_SIZE, '\0');
        QByteArray vco2 = QByteArray(VCO_SIZE, '\0');
    };

    CalibrationSlots(int userSlots, qint64 minHz, qint64 maxHz);

    // The factory slot: the error box's raw response to ideal standards on the factory grid.
    void buildFactory(const ErrorBox& box, quint32 seed);

    int userSlots() const { return m_slots.size() - 1; }
    bool isValidSlot(int slot) const { return slot >= 0 && slot < m_slots.size(); }
    bool isWritableSlot(int slot) const { return slot >= 1 && slot < m_slots.size(); }
    // Unknown slots read as an empty slot rather than failing.
    const TSlot& slot(int index) const;
    TSlot* writableSlot(int index);
    TSlot& active() { return m_active; }

    // Keeps the user slots across runs. A missing file is not an error; a damaged one is ignored.
    bool load(const QString& path, QString* error = nullptr);
    bool save(const QString& path, QString* error = nullptr) const;

private:
    QVector<TSlot> m_slots;
    TSlot m_empty;
    TSlot m_active;
    qint64 m_minHz;
    qint64 m_maxHz;
};
