#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

namespace korvel {

// The shared string table of a BIFF8 workbook: every distinct cell text once, referred to by index from the
// LABELSST cells. Written as an SST record continued in CONTINUE records, then EXTSST.
class SharedStringTable {
public:
    // Index of the text, added when new.
    std::uint32_t add(const QString& text);
    std::uint32_t size() const { return static_cast<std::uint32_t>(m_strings.size()); }

    // Appends SST, its CONTINUE records and EXTSST to the workbook stream `out`, whose current size is the
    // stream position of the SST record. `references` is the number of cells that use the table.
    void write(QByteArray& out, std::uint32_t references) const;

private:
    std::vector<QString> m_strings;
    QHash<QString, std::uint32_t> m_index;
};

} // namespace korvel
