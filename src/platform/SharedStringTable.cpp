#include "platform/SharedStringTable.h"

#include "platform/BiffRecords.h"
#include "platform/LittleEndian.h"

#include <algorithm>

namespace korvel {

std::uint32_t SharedStringTable::add(const QString& text)
{
    auto found = m_index.constFind(text);
    if (found == m_index.constEnd()) {
        found = m_index.insert(text, size());
        m_strings.push_back(text);
    }
    return found.value();
}

// A string's 3-byte header (length, flags) never splits across records; its characters may, and the part in
// the next record starts with the flags byte again. A UTF-16 unit never splits either. EXTSST gives the stream
// position of every n-th string, as Excel writes it, so that readers can seek into a large table.
void SharedStringTable::write(QByteArray& out, std::uint32_t references) const
{
    using namespace biff;
    const std::uint32_t unique = size();
    const std::uint32_t perBucket = std::max<std::uint32_t>(8, unique / 128 + 1);
    struct Bucket {
        std::uint32_t streamPosition;
        std::uint16_t recordOffset;
    };
    std::vector<Bucket> buckets;

    QByteArray body;
    body.reserve(MaxRecordData);
    std::uint16_t id = rec::Sst;
    auto flush = [&] {
        putRecord(out, id, body);
        body.clear();
        id = rec::Continue;
    };
    le::putU32(body, references);
    le::putU32(body, unique);
    for (std::uint32_t i = 0; i < unique; ++i) {
        const QString& text = m_strings[i];
        const bool wide = needsWideChars(text);
        const int unit = wide ? 2 : 1;
        if (MaxRecordData - body.size() < 3 + (text.isEmpty() ? 0 : unit)) {
            flush();
        }
        if (i % perBucket == 0) {
            // The record goes out after what is already written, behind its 4-byte header.
            buckets.push_back({static_cast<std::uint32_t>(out.size() + 4 + body.size()),
                               static_cast<std::uint16_t>(4 + body.size())});
        }
        le::putU16(body, static_cast<std::uint16_t>(text.size()));
        le::putU8(body, wide ? 1 : 0);
        qsizetype done = 0;
        while (done < text.size()) {
            const qsizetype room = (MaxRecordData - body.size()) / unit;
            if (room == 0) {
                flush();
                le::putU8(body, wide ? 1 : 0);
                continue;
            }
            const qsizetype n = std::min(room, text.size() - done);
            putChars(body, QStringView(text).mid(done, n), wide);
            done += n;
        }
    }
    flush();

    beginRecord(out, rec::ExtSst, 2 + 8 * int(buckets.size()));
    le::putU16(out, static_cast<std::uint16_t>(perBucket));
    for (const Bucket& b : buckets) {
        le::putU32(out, b.streamPosition);
        le::putU16(out, b.recordOffset);
        le::putU16(out, 0);
    }
}

} // namespace korvel
