#include "platform/CompoundFile.h"

#include "platform/LittleEndian.h"

#include <QIODevice>

#include <algorithm>
#include <numeric>

namespace korvel {

namespace {

constexpr quint32 FreeSector = 0xFFFFFFFF;
constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr quint32 FatSector = 0xFFFFFFFD;
constexpr quint32 DifatSector = 0xFFFFFFFC;
constexpr quint32 NoStream = 0xFFFFFFFF;

constexpr int EntriesPerFatSector = CompoundFile::SectorSize / 4;
constexpr int FatSlotsInHeader = 109;
constexpr int FatSlotsPerDifatSector = EntriesPerFatSector - 1; // the last slot links the next DIFAT sector
constexpr int DirectoryEntrySize = 128;
constexpr int EntriesPerDirectorySector = CompoundFile::SectorSize / DirectoryEntrySize;

constexpr quint8 TypeStream = 2;
constexpr quint8 TypeRoot = 5;
constexpr quint8 Red = 0;
constexpr quint8 Black = 1;

quint32 sectorsFor(qint64 bytes)
{
    return static_cast<quint32>((bytes + CompoundFile::SectorSize - 1) / CompoundFile::SectorSize);
}

qint64 storedSize(const QByteArray& data)
{
    return std::max<qint64>(data.size(), CompoundFile::MiniStreamCutoff);
}

// The order of siblings in a storage's tree: shorter names first, then by upper-cased UTF-16 units.
bool nameLess(const QString& a, const QString& b)
{
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t ua = a[i].toUpper().unicode();
        const char16_t ub = b[i].toUpper().unicode();
        if (ua != ub) {
            return ua < ub;
        }
    }
    return false;
}

struct TreeNode {
    quint32 left = NoStream;
    quint32 right = NoStream;
    quint8 colour = Black;
};

// Builds a balanced tree over the sorted entries by taking medians. Its leaves sit on the last two levels,
// so painting the deepest level red and the rest black gives a valid red-black tree. Returns the subtree's
// root entry id.
quint32 buildTree(const std::vector<quint32>& sorted, int lo, int hi, int depth, int deepest,
                  std::vector<TreeNode>& nodes)
{
    if (lo > hi) {
        return NoStream;
    }
    const int mid = lo + (hi - lo) / 2;
    const quint32 id = sorted[static_cast<std::size_t>(mid)];
    TreeNode& node = nodes[id];
    node.colour = (depth == deepest && depth > 0) ? Red : Black;
    const quint32 left = buildTree(sorted, lo, mid - 1, depth + 1, deepest, nodes);
    const quint32 right = buildTree(sorted, mid + 1, hi, depth + 1, deepest, nodes);
    nodes[id].left = left;
    nodes[id].right = right;
    return id;
}

int treeHeight(int count)
{
    int height = 0;
    while ((2 << height) <= count) {
        ++height;
    }
    return height; // floor(log2(count)) for count >= 1
}

void putEntry(QByteArray& out, const QString& name, quint8 type, const TreeNode& links, quint32 child,
              quint32 startSector, quint32 size)
{
    const qsizetype begin = out.size();
    for (QChar c : name) {
        le::putU16(out, c.unicode());
    }
    out.append(64 - name.size() * 2, '\0');
    le::putU16(out, static_cast<quint16>((name.size() + 1) * 2));
    le::putU8(out, type);
    le::putU8(out, links.colour);
    le::putU32(out, links.left);
    le::putU32(out, links.right);
    le::putU32(out, child);
    out.append(16 + 4 + 8 + 8, '\0'); // class id, state bits, creation and modification times
    le::putU32(out, startSector);
    le::putU32(out, size);
    le::putU32(out, 0); // high half of the size, zero in version 3
    Q_ASSERT(out.size() - begin == DirectoryEntrySize);
    Q_UNUSED(begin);
}

void putUnusedEntry(QByteArray& out)
{
    out.append(64 + 2 + 1 + 1, '\0');
    le::putU32(out, NoStream);
    le::putU32(out, NoStream);
    le::putU32(out, NoStream);
    out.append(DirectoryEntrySize - 80, '\0');
}

} // namespace

// Sector map of the file: the streams one after another from sector 0, then the directory, the FAT sectors
// and the DIFAT sectors.
struct CompoundFile::Layout {
    std::vector<quint32> streamStart;
    std::vector<quint32> streamSectors;
    quint32 directoryStart = 0;
    quint32 directorySectors = 0;
    quint32 fatStart = 0;
    quint32 fatSectors = 0;
    quint32 difatStart = 0;
    quint32 difatSectors = 0;
    quint32 totalSectors = 0;
};

bool CompoundFile::addStream(const QString& name, QByteArray data)
{
    if (name.isEmpty() || name.size() > MaxNameLength) {
        return false;
    }
    if (name.contains(u'/') || name.contains(u'\\') || name.contains(u':') || name.contains(u'!')) {
        return false;
    }
    for (const Stream& s : m_streams) {
        if (!nameLess(s.name, name) && !nameLess(name, s.name)) {
            return false;
        }
    }
    m_streams.push_back({name, std::move(data)});
    return true;
}

CompoundFile::Layout CompoundFile::layout() const
{
    Layout l;
    quint32 next = 0;
    for (const Stream& s : m_streams) {
        l.streamStart.push_back(next);
        l.streamSectors.push_back(sectorsFor(storedSize(s.data)));
        next += l.streamSectors.back();
    }
    l.directoryStart = next;
    const auto entries = static_cast<quint32>(m_streams.size() + 1);
    l.directorySectors = (entries + EntriesPerDirectorySector - 1) / EntriesPerDirectorySector;
    next += l.directorySectors;

    // The FAT maps every sector including its own and the DIFAT's; grow both until they cover the file.
    quint32 fat = 0;
    quint32 difat = 0;
    for (;;) {
        const quint32 needFat = (next + fat + difat + EntriesPerFatSector - 1) / EntriesPerFatSector;
        const quint32 needDifat =
            needFat > FatSlotsInHeader
                ? (needFat - FatSlotsInHeader + FatSlotsPerDifatSector - 1) / FatSlotsPerDifatSector
                : 0;
        if (needFat == fat && needDifat == difat) {
            break;
        }
        fat = needFat;
        difat = needDifat;
    }
    l.fatStart = next;
    l.fatSectors = fat;
    l.difatStart = next + fat;
    l.difatSectors = difat;
    l.totalSectors = next + fat + difat;
    return l;
}

qint64 CompoundFile::fileSize() const
{
    return SectorSize + qint64(layout().totalSectors) * SectorSize;
}

QByteArray CompoundFile::header(const Layout& l) const
{
    QByteArray h;
    h.reserve(SectorSize);
    h.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    h.append(16, '\0');    // class id
    le::putU16(h, 0x003E); // minor version
    le::putU16(h, 0x0003); // major version 3: 512-byte sectors
    le::putU16(h, 0xFFFE); // byte order mark: little-endian
    le::putU16(h, 9);      // sector size 2^9
    le::putU16(h, 6);      // mini sector size 2^6
    h.append(6, '\0');     // reserved
    le::putU32(h, 0);      // directory sector count, always 0 in version 3
    le::putU32(h, l.fatSectors);
    le::putU32(h, l.directoryStart);
    le::putU32(h, 0); // transaction signature
    le::putU32(h, MiniStreamCutoff);
    le::putU32(h, EndOfChain); // no mini FAT
    le::putU32(h, 0);
    le::putU32(h, l.difatSectors > 0 ? l.difatStart : EndOfChain);
    le::putU32(h, l.difatSectors);
    for (quint32 i = 0; i < FatSlotsInHeader; ++i) {
        le::putU32(h, i < l.fatSectors ? l.fatStart + i : FreeSector);
    }
    Q_ASSERT(h.size() == SectorSize);
    return h;
}

QByteArray CompoundFile::directory(const Layout& l) const
{
    std::vector<TreeNode> nodes(m_streams.size() + 1);
    std::vector<quint32> sorted(m_streams.size());
    std::iota(sorted.begin(), sorted.end(), 1U);
    std::sort(sorted.begin(), sorted.end(),
              [this](quint32 a, quint32 b) { return nameLess(m_streams[a - 1].name, m_streams[b - 1].name); });
    const int count = static_cast<int>(sorted.size());
    const quint32 top = count > 0 ? buildTree(sorted, 0, count - 1, 0, treeHeight(count), nodes) : NoStream;

    QByteArray d;
    d.reserve(qsizetype(l.directorySectors) * SectorSize);
    putEntry(d, QStringLiteral("Root Entry"), TypeRoot, TreeNode{}, top, EndOfChain, 0);
    for (std::size_t i = 0; i < m_streams.size(); ++i) {
        putEntry(d, m_streams[i].name, TypeStream, nodes[i + 1], NoStream, l.streamStart[i],
                 static_cast<quint32>(storedSize(m_streams[i].data)));
    }
    while (d.size() < qsizetype(l.directorySectors) * SectorSize) {
        putUnusedEntry(d);
    }
    return d;
}

std::vector<quint32> CompoundFile::fat(const Layout& l) const
{
    std::vector<quint32> fat(std::size_t(l.fatSectors) * EntriesPerFatSector, FreeSector);
    auto chain = [&fat](quint32 start, quint32 count) {
        for (quint32 i = 0; i < count; ++i) {
            fat[start + i] = (i + 1 < count) ? start + i + 1 : EndOfChain;
        }
    };
    for (std::size_t i = 0; i < m_streams.size(); ++i) {
        chain(l.streamStart[i], l.streamSectors[i]);
    }
    chain(l.directoryStart, l.directorySectors);
    std::fill_n(fat.begin() + l.fatStart, l.fatSectors, FatSector);
    std::fill_n(fat.begin() + l.difatStart, l.difatSectors, DifatSector);
    return fat;
}

QByteArray CompoundFile::difat(const Layout& l) const
{
    QByteArray d;
    d.reserve(qsizetype(l.difatSectors) * SectorSize);
    quint32 fatIndex = FatSlotsInHeader;
    for (quint32 s = 0; s < l.difatSectors; ++s) {
        for (int slot = 0; slot < FatSlotsPerDifatSector; ++slot, ++fatIndex) {
            le::putU32(d, fatIndex < l.fatSectors ? l.fatStart + fatIndex : FreeSector);
        }
        le::putU32(d, s + 1 < l.difatSectors ? l.difatStart + s + 1 : EndOfChain);
    }
    return d;
}

bool CompoundFile::write(QIODevice& out) const
{
    auto put = [&out](const char* data, qint64 size) { return out.write(data, size) == size; };
    auto putBytes = [&put](const QByteArray& bytes) { return put(bytes.constData(), bytes.size()); };

    const Layout l = layout();
    if (!putBytes(header(l))) {
        return false;
    }
    for (std::size_t i = 0; i < m_streams.size(); ++i) {
        const QByteArray& data = m_streams[i].data;
        if (!putBytes(data)) {
            return false;
        }
        const qint64 padding = qint64(l.streamSectors[i]) * SectorSize - data.size();
        if (!putBytes(QByteArray(padding, '\0'))) {
            return false;
        }
    }
    if (!putBytes(directory(l))) {
        return false;
    }
    const std::vector<quint32> table = fat(l);
    QByteArray fatBytes;
    fatBytes.reserve(qsizetype(table.size()) * 4);
    for (quint32 entry : table) {
        le::putU32(fatBytes, entry);
    }
    return putBytes(fatBytes) && putBytes(difat(l));
}

} // namespace korvel
