#include "platform/BiffRecords.h"

#include "platform/LittleEndian.h"

#include <algorithm>

namespace korvel::biff {

using le::putU16;
using le::putU32;
using le::putU8;

void beginRecord(QByteArray& out, std::uint16_t id, int length)
{
    Q_ASSERT(length >= 0 && length <= MaxRecordData);
    putU16(out, id);
    putU16(out, static_cast<std::uint16_t>(length));
}

void putRecord(QByteArray& out, std::uint16_t id, const QByteArray& body)
{
    beginRecord(out, id, static_cast<int>(body.size()));
    out.append(body);
}

void putRecordU16(QByteArray& out, std::uint16_t id, std::uint16_t value)
{
    beginRecord(out, id, 2);
    putU16(out, value);
}

void putBof(QByteArray& out, std::uint16_t substreamType)
{
    beginRecord(out, rec::Bof, 16);
    putU16(out, 0x0600); // BIFF8
    putU16(out, substreamType);
    putU16(out, 0x0DBB); // build and year of the application that wrote the file
    putU16(out, 0x07CC);
    putU32(out, 0);    // file history flags
    putU32(out, 0x06); // lowest BIFF version able to read the file
}

bool needsWideChars(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; });
}

void putChars(QByteArray& out, QStringView text, bool wide)
{
    for (QChar c : text) {
        if (wide) {
            putU16(out, c.unicode());
        } else {
            putU8(out, static_cast<std::uint8_t>(c.unicode()));
        }
    }
}

void putShortString(QByteArray& out, QStringView text)
{
    const bool wide = needsWideChars(text);
    putU8(out, static_cast<std::uint8_t>(text.size()));
    putU8(out, wide ? 1 : 0);
    putChars(out, text, wide);
}

} // namespace korvel::biff
