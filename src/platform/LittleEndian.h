#pragma once

#include <QByteArray>
#include <QtEndian>

#include <bit>
#include <cstdint>

// Appending fixed-width little-endian values to a byte buffer: the byte order of the binary Office formats.
namespace korvel::le {

inline void putU8(QByteArray& out, std::uint8_t v)
{
    out.append(static_cast<char>(v));
}

inline void putU16(QByteArray& out, std::uint16_t v)
{
    const std::uint16_t le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

inline void putU32(QByteArray& out, std::uint32_t v)
{
    const std::uint32_t le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

inline void putDouble(QByteArray& out, double v)
{
    putU32(out, static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(v)));
    putU32(out, static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(v) >> 32));
}

inline void setU32(QByteArray& out, qsizetype at, std::uint32_t v)
{
    qToLittleEndian(v, out.data() + at);
}

} // namespace korvel::le
