#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class QIODevice;

namespace korvel {

// Writes a Compound File Binary container (OLE2 structured storage, version 3, 512-byte sectors), the
// wrapper of the Excel 97-2003 workbook and of the other legacy Office documents, holding named streams in
// its root storage.
//
// Every stream lives in regular sectors; no mini stream is written. Readers look a stream shorter than the
// 4096-byte cutoff up in the mini stream, so such a stream is padded with zero bytes to the cutoff (a
// workbook reader stops at the last EOF record, so the padding does not reach it). The FAT grows with the
// file, and DIFAT sectors chain on once it needs more than the header's 109 FAT sector slots.
class CompoundFile {
public:
    static constexpr int SectorSize = 512;
    static constexpr int MiniStreamCutoff = 4096;
    static constexpr int MaxNameLength = 31;

    // Adds a stream to the root storage. Refused (false) for an empty name, a name longer than 31 UTF-16
    // units or containing '/', '\\', ':' or '!', and a name already present (names compare ignoring case).
    bool addStream(const QString& name, QByteArray data);

    // Size in bytes of the file that write() produces.
    qint64 fileSize() const;

    // Writes the whole container to an open device. False when the device refuses or truncates a write;
    // the device's errorString() then tells why.
    bool write(QIODevice& out) const;

private:
    struct Stream {
        QString name;
        QByteArray data;
    };
    struct Layout;

    Layout layout() const;
    QByteArray header(const Layout& l) const;
    QByteArray directory(const Layout& l) const;
    std::vector<quint32> fat(const Layout& l) const;
    QByteArray difat(const Layout& l) const;

    std::vector<Stream> m_streams;
};

} // namespace korvel
