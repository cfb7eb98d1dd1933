#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>

namespace ZCore {
namespace UtilityModules {

// Three-part version (major.minor.build) of the program and of the analyser's firmware.
class VersionNumber
{
public:
    static constexpr int PARTS_COUNT = 3;
    static constexpr quint32 INVALID_PART = 0xFFFFFFFFu;

    constexpr VersionNumber() = default;
    constexpr VersionNumber(quint32 major, quint32 minor, quint32 build)
        : m_major(major), m_minor(minor), m_build(build)
    {}
    // Exactly three decimal parts separated by "."; anything else gives the invalid version.
    explicit VersionNumber(const QString& text);

    static constexpr VersionNumber invalid()
    {
        return VersionNumber(INVALID_PART, INVALID_PART, INVALID_PART);
    }
    static constexpr VersionNumber zero() { return VersionNumber(0, 0, 0); }

    constexpr quint32 major() const { return m_major; }
    constexpr quint32 minor() const { return m_minor; }
    constexpr quint32 build() const { return m_build; }
    bool isValid() const { return *this != invalid(); }

    QString toString() const;

    friend bool operator==(const VersionNumber& a, const VersionNumber& b) { return a.compare(b) == 0; }
    friend bool operator!=(const VersionNumber& a, const VersionNumber& b) { return a.compare(b) != 0; }
    friend bool operator<(const VersionNumber& a, const VersionNumber& b) { return a.compare(b) < 0; }
    friend bool operator<=(const VersionNumber& a, const VersionNumber& b) { return a.compare(b) <= 0; }
    friend bool operator>(const VersionNumber& a, const VersionNumber& b) { return a.compare(b) > 0; }
    friend bool operator>=(const VersionNumber& a, const VersionNumber& b) { return a.compare(b) >= 0; }

private:
    int compare(const VersionNumber& other) const;

    quint32 m_major = 0;
    quint32 m_minor = 0;
    quint32 m_build = 0;
};

} // namespace UtilityModules
} // namespace ZCore

Q_DECLARE_METATYPE(ZCore::UtilityModules::VersionNumber)
