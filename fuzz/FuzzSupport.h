#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Shared by the fuzz targets and by the seed replay that runs in the ordinary test suite.
namespace FuzzSupport {

// Once per process: an application object, log output dropped (a fuzzer writes millions of lines
// otherwise) and every manager's files below a private temporary directory.
void setUp();
QString workDir();

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), int(size));
}

// A broken invariant is a finding: abort so that libFuzzer keeps the input and the replay fails.
[[noreturn]] void fail(const char* what);
inline void check(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

// Reads the input front to back; past the end every read gives zeros.
class Reader
{
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_pos >= m_size; }
    size_t remaining() const { return m_size - m_pos; }
    uint8_t u8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t u16()
    {
        const uint16_t lo = u8();
        return uint16_t(lo | (u8() << 8));
    }
    QByteArray take(size_t n)
    {
        n = n < remaining() ? n : remaining();
        const QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), int(n));
        m_pos += n;
        return out;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace FuzzSupport
