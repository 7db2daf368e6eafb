#include "platform/XlsWriter.h"

#include "platform/BiffRecords.h"
#include "platform/LittleEndian.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>

// The BIFF8 workbook stream of an XlsWriter: the globals (fonts, cell formats, palette, the sheet's entry,
// the shared strings), then the worksheet (its settings, column widths, rows and cells).
namespace korvel {

namespace {

using le::putDouble;
using le::putU16;
using le::putU32;
using le::putU8;
using namespace biff;

constexpr quint16 BofGlobals = 0x0005;
constexpr quint16 BofWorksheet = 0x0010;
constexpr quint16 Utf16CodePage = 1200;
constexpr int RowsPerBlock = 32;

// The default font: the one Chinese installations of Excel use, 11 points, GB2312 character set.
const QString FontName = QStringLiteral(u"宋体");
constexpr quint16 FontHeight = 220;  // twips
constexpr quint16 RowHeight = 270;   // twips, the row height that font needs
constexpr quint16 DefaultWidth = 8;  // characters
constexpr quint16 BoldFontIndex = 5; // font index 4 does not exist in BIFF: the fifth FONT record is index 5

constexpr quint16 FirstCellXf = 15; // XF 0-14 are the style XFs, XF 15 the plain cell

// The 56 colours of Excel's default palette (indices 8-63), 0xRRGGBB.
constexpr std::array<std::uint32_t, XlsWriter::MaxFillColours> DefaultPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000,
    0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF,
    0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000,
    0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696, 0x003366, 0x339966,
    0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
constexpr quint16 FirstPaletteIndex = 8;

void putFont(QByteArray& out, bool bold)
{
    QByteArray body;
    putU16(body, FontHeight);
    putU16(body, 0);      // no italic, strike-out, outline or shadow
    putU16(body, 0x7FFF); // automatic colour
    putU16(body, bold ? 700 : 400);
    putU16(body, 0);   // no super- or subscript
    putU8(body, 0);    // no underline
    putU8(body, 0);    // family: don't care
    putU8(body, 0x86); // GB2312 character set
    putU8(body, 0);
    putShortString(body, FontName);
    putRecord(out, rec::Font, body);
}

struct XfFields {
    quint16 font = 0;
    quint16 flags = 0x0001; // locked cell XF whose parent style is XF 0
    quint8 usedAttributes = 0;
    quint8 pattern = 0; // 1: solid
    quint16 foreground = 0x40;
    quint16 background = 0x41;
};

void putXf(QByteArray& out, const XfFields& f)
{
    beginRecord(out, rec::Xf, 20);
    putU16(out, f.font);
    putU16(out, 0); // number format "General"
    putU16(out, f.flags);
    putU8(out, 0x20); // aligned to the bottom, general horizontal alignment
    putU8(out, 0);    // no rotation
    putU8(out, 0);    // no indent
    putU8(out, f.usedAttributes);
    putU32(out, 0); // no borders
    putU32(out, quint32(f.pattern) << 26);
    putU16(out, static_cast<quint16>((f.foreground & 0x7F) | ((f.background & 0x7F) << 7)));
}

// The workbook's settings between its BOF and its fonts: code page, protection (none), the window.
void putBookSettings(QByteArray& out)
{
    putRecordU16(out, rec::InterfaceHdr, Utf16CodePage);
    putRecordU16(out, rec::Mms, 0);
    putRecord(out, rec::InterfaceEnd, {});

    QByteArray body;
    const QString user = QStringLiteral("Korvel");
    putU16(body, static_cast<quint16>(user.size()));
    putU8(body, 0);
    putChars(body, user, false);
    body.append(112 - body.size(), ' ');
    putRecord(out, rec::WriteAccess, body);

    putRecordU16(out, rec::CodePage, Utf16CodePage);
    putRecordU16(out, rec::Dsf, 0);
    putRecordU16(out, rec::TabId, 1);
    putRecordU16(out, rec::FnGroupCount, 0x000E);
    putRecordU16(out, rec::WindowProtect, 0);
    putRecordU16(out, rec::Protect, 0);
    putRecordU16(out, rec::Password, 0);
    putRecordU16(out, rec::Prot4Rev, 0);
    putRecordU16(out, rec::Prot4RevPass, 0);

    beginRecord(out, rec::Window1, 18);
    for (quint16 v : {0x01E0, 0x005A, 0x3FCF, 0x2A4E}) { // window position and size in twips
        putU16(out, v);
    }
    putU16(out, 0x0038); // horizontal and vertical scroll bars, sheet tabs
    putU16(out, 0);      // active sheet
    putU16(out, 0);      // first visible tab
    putU16(out, 1);      // selected sheets
    putU16(out, 0x0258); // tab bar width ratio

    putRecordU16(out, rec::Backup, 0);
    putRecordU16(out, rec::HideObj, 0);
    putRecordU16(out, rec::DateMode, 0);
    putRecordU16(out, rec::Precision, 1);
    putRecordU16(out, rec::RefreshAll, 0);
    putRecordU16(out, rec::BookBool, 0);
}

// Fonts 0-3 plain (index 4 does not exist in BIFF), then the bold one.
void putFonts(QByteArray& out)
{
    for (int i = 0; i < 4; ++i) {
        putFont(out, false);
    }
    putFont(out, true);
}

void putPalette(QByteArray& out, const std::array<std::uint32_t, XlsWriter::MaxFillColours>& colours)
{
    beginRecord(out, rec::Palette, 2 + 4 * XlsWriter::MaxFillColours);
    putU16(out, XlsWriter::MaxFillColours);
    for (std::uint32_t rgb : colours) {
        putU8(out, static_cast<quint8>(rgb >> 16));
        putU8(out, static_cast<quint8>(rgb >> 8));
        putU8(out, static_cast<quint8>(rgb));
        putU8(out, 0);
    }
}

// The worksheet's settings between its BOF and its column widths: calculation, printing, default sizes.
void putSheetSettings(QByteArray& out)
{
    putRecordU16(out, rec::CalcMode, 1);
    putRecordU16(out, rec::CalcCount, 100);
    putRecordU16(out, rec::RefMode, 1);
    putRecordU16(out, rec::Iteration, 0);
    beginRecord(out, rec::Delta, 8);
    putDouble(out, 0.001);
    putRecordU16(out, rec::SaveRecalc, 1);
    putRecordU16(out, rec::PrintHeaders, 0);
    putRecordU16(out, rec::PrintGridlines, 0);
    putRecordU16(out, rec::GridSet, 1);
    beginRecord(out, rec::Guts, 8);
    putU32(out, 0);
    putU32(out, 0);
    beginRecord(out, rec::DefaultRowHeight, 4);
    putU16(out, 0);
    putU16(out, RowHeight);
    putRecordU16(out, rec::WsBool, 0x04C1);
    putRecordU16(out, rec::DefColWidth, DefaultWidth);
}

// One COLINFO record per column given a width (negative: the default width).
void putColumnWidths(QByteArray& out, const std::vector<double>& widths)
{
    for (std::size_t c = 0; c < widths.size(); ++c) {
        if (widths[c] < 0) {
            continue;
        }
        beginRecord(out, rec::ColInfo, 12);
        putU16(out, static_cast<quint16>(c));
        putU16(out, static_cast<quint16>(c));
        putU16(out, static_cast<quint16>(std::lround(widths[c] * 256)));
        putU16(out, FirstCellXf);
        putU16(out, widths[c] == 0 ? 0x0001 : 0x0000); // hidden when zero wide
        putU16(out, 0);
    }
}

void putSheetWindow(QByteArray& out)
{
    beginRecord(out, rec::Window2, 18);
    putU16(out, 0x06B6); // grid lines, headers, zeros, default grid colour, outline symbols, selected, shown
    putU16(out, 0);      // top row
    putU16(out, 0);      // left column
    putU32(out, 0x40);   // grid line colour: automatic
    putU16(out, 0);
    putU16(out, 0);
    putU32(out, 0);
}

} // namespace

// Fill colours mapped onto the 56 palette slots: a colour of the default palette keeps its slot, the others
// take the slots from the end of the palette, which spreadsheets use least.
struct XlsWriter::Palette {
    std::array<std::uint32_t, MaxFillColours> colours = DefaultPalette;
    QHash<std::uint32_t, quint16> indexOf;

    explicit Palette(const std::vector<std::uint32_t>& fills)
    {
        std::array<bool, MaxFillColours> taken{};
        std::vector<std::uint32_t> others;
        for (std::uint32_t rgb : fills) {
            const auto* slot = std::find(DefaultPalette.begin(), DefaultPalette.end(), rgb);
            const auto at = static_cast<std::size_t>(slot - DefaultPalette.begin());
            if (slot != DefaultPalette.end() && !taken[at]) {
                taken[at] = true;
                indexOf.insert(rgb, static_cast<quint16>(FirstPaletteIndex + at));
            } else {
                others.push_back(rgb);
            }
        }
        std::size_t free = MaxFillColours;
        for (std::uint32_t rgb : others) {
            do {
                --free;
            } while (taken[free]);
            taken[free] = true;
            colours[free] = rgb;
            indexOf.insert(rgb, static_cast<quint16>(FirstPaletteIndex + free));
        }
    }
};

QByteArray XlsWriter::workbookStream() const
{
    const Palette palette(m_fillColours);
    QByteArray out;
    qsizetype sheetOffsetAt = 0;
    writeGlobals(out, palette, sheetOffsetAt);
    le::setU32(out, sheetOffsetAt, static_cast<quint32>(out.size()));
    writeSheet(out);
    return out;
}

void XlsWriter::writeGlobals(QByteArray& out, const Palette& palette, qsizetype& sheetOffsetAt) const
{
    putBof(out, BofGlobals);
    putBookSettings(out);
    putFonts(out);
    writeCellFormats(out, palette);
    putPalette(out, palette.colours);

    const QString name = m_sheetName.left(31);
    const bool wideName = needsWideChars(name);
    beginRecord(out, rec::BoundSheet, 6 + 2 + int(name.size()) * (wideName ? 2 : 1));
    sheetOffsetAt = out.size();
    putU32(out, 0); // stream offset of the sheet's BOF, filled in once known
    putU8(out, 0);  // visible
    putU8(out, 0);  // worksheet
    putShortString(out, name);

    std::uint32_t references = 0;
    for (const auto& cells : m_rows) {
        references += static_cast<std::uint32_t>(
            std::count_if(cells.begin(), cells.end(), [](const Cell& c) { return c.kind == Kind::Text; }));
    }
    m_strings.write(out, references);
    putRecord(out, rec::Eof, {});
}

void XlsWriter::writeCellFormats(QByteArray& out, const Palette& palette) const
{
    // The style XFs Excel expects (0: Normal, 1-14: outline and built-in styles), then the plain cell XF.
    putXf(out, {.font = 0, .flags = 0xFFF5});
    for (quint16 i = 1; i < FirstCellXf; ++i) {
        const quint16 font = (i <= 2) ? 1 : (i <= 4 ? 2 : 0);
        putXf(out, {.font = font, .flags = 0xFFF5, .usedAttributes = 0xF4});
    }
    putXf(out, {});
    for (std::size_t s = 1; s < m_styles.size(); ++s) {
        const Style& style = m_styles[s];
        XfFields xf;
        if (style.bold) {
            xf.font = BoldFontIndex;
            xf.usedAttributes |= 0x08;
        }
        if (style.filled) {
            xf.usedAttributes |= 0x40;
            xf.pattern = 1;
            xf.foreground = palette.indexOf.value(style.rgb);
            xf.background = 0x40;
        }
        putXf(out, xf);
    }

    beginRecord(out, rec::Style, 4);
    putU16(out, 0x8000); // built-in style on XF 0
    putU8(out, 0);       // "Normal"
    putU8(out, 0xFF);
    putRecordU16(out, rec::UsesElfs, 0);
}

XlsWriter::Extent XlsWriter::extent() const
{
    Extent e;
    e.rows.resize(m_rows.size());
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const auto& cells = m_rows[r];
        Extent::Span& span = e.rows[r];
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (written(cells[c])) {
                if (span.first < 0) {
                    span.first = int(c);
                }
                span.last = int(c);
            }
        }
        if (span.first >= 0) {
            if (e.firstRow < 0) {
                e.firstRow = int(r);
            }
            e.lastRow = int(r);
            e.firstColumn = std::min(e.firstColumn, span.first);
            e.lastColumn = std::max(e.lastColumn, span.last);
        }
    }
    return e;
}

void XlsWriter::writeSheet(QByteArray& out) const
{
    const Extent used = extent();
    putBof(out, BofWorksheet);
    putSheetSettings(out);
    putColumnWidths(out, m_columnWidths);

    beginRecord(out, rec::Dimensions, 14);
    const bool empty = used.firstRow < 0;
    putU32(out, empty ? 0 : quint32(used.firstRow));
    putU32(out, empty ? 0 : quint32(used.lastRow) + 1);
    putU16(out, empty ? 0 : quint16(used.firstColumn));
    putU16(out, empty ? 0 : quint16(used.lastColumn) + 1);
    putU16(out, 0);

    // Rows in blocks of 32, as Excel lays them out: the block's ROW records, then its cells.
    for (std::size_t block = 0; block < m_rows.size(); block += RowsPerBlock) {
        const std::size_t end = std::min(m_rows.size(), block + RowsPerBlock);
        for (std::size_t r = block; r < end; ++r) {
            const Extent::Span& span = used.rows[r];
            if (span.first < 0) {
                continue;
            }
            beginRecord(out, rec::Row, 16);
            putU16(out, static_cast<quint16>(r));
            putU16(out, static_cast<quint16>(span.first));
            putU16(out, static_cast<quint16>(span.last + 1));
            putU16(out, RowHeight);
            putU32(out, 0);
            putU16(out, 0x0100); // the row's height follows the default font
            putU16(out, FirstCellXf);
        }
        for (std::size_t r = block; r < end; ++r) {
            writeCells(out, r);
        }
    }
    putSheetWindow(out);
    putRecord(out, rec::Eof, {});
}

void XlsWriter::writeCells(QByteArray& out, std::size_t row) const
{
    const auto& cells = m_rows[row];
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const Cell& cell = cells[c];
        if (!written(cell)) {
            continue;
        }
        const quint16 id =
            cell.kind == Kind::Text ? rec::LabelSst : (cell.kind == Kind::Number ? rec::Number : rec::Blank);
        beginRecord(out, id, cell.kind == Kind::Text ? 10 : (cell.kind == Kind::Number ? 14 : 6));
        putU16(out, static_cast<quint16>(row));
        putU16(out, static_cast<quint16>(c));
        putU16(out, static_cast<quint16>(cell.style == 0 ? FirstCellXf : FirstCellXf + cell.style));
        if (cell.kind == Kind::Text) {
            putU32(out, cell.text);
        } else if (cell.kind == Kind::Number) {
            putDouble(out, cell.number);
        }
    }
}

} // namespace korvel
