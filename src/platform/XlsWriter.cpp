#include "platform/XlsWriter.h"

#include "platform/BiffRecords.h"
#include "platform/CompoundFile.h"
#include "platform/LittleEndian.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>

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

bool validSheetName(const QString& name)
{
    static const QString forbidden = QStringLiteral(":\\/?*[]");
    if (name.isEmpty() || name.size() > 31 || name.startsWith(u'\'') || name.endsWith(u'\'')) {
        return false;
    }
    return std::none_of(name.begin(), name.end(), [](QChar c) { return forbidden.contains(c) || c < u' '; });
}

QString cellName(int row, int column)
{
    return QStringLiteral(u"第 %1 行、第 %2 列").arg(qint64(row) + 1).arg(qint64(column) + 1);
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

XlsWriter::XlsWriter(QString sheetName) : m_sheetName(std::move(sheetName))
{
    if (!validSheetName(m_sheetName)) {
        refuse(QStringLiteral(u"工作表名称“%1”无效：须为 1 到 31 个字符，不含 : \\ / ? * [ ]，且不以单引号开头或结尾。")
                   .arg(m_sheetName));
    }
}

bool XlsWriter::refuse(const QString& reason)
{
    if (m_error.isEmpty()) {
        m_error = reason;
    }
    return false;
}

XlsWriter::Cell* XlsWriter::cellAt(int row, int column)
{
    if (row < 0 || row >= MaxRows || column < 0 || column >= MaxColumns) {
        refuse(QStringLiteral(u"单元格（%1）超出工作表范围：一张工作表最多 %2 行、%3 列。")
                   .arg(cellName(row, column))
                   .arg(MaxRows)
                   .arg(MaxColumns));
        return nullptr;
    }
    if (m_rows.size() <= std::size_t(row)) {
        m_rows.resize(std::size_t(row) + 1);
    }
    std::vector<Cell>& cells = m_rows[std::size_t(row)];
    if (cells.size() <= std::size_t(column)) {
        cells.resize(std::size_t(column) + 1);
    }
    return &cells[std::size_t(column)];
}

bool XlsWriter::setText(int row, int column, const QString& text)
{
    if (text.size() > MaxTextLength) {
        return refuse(QStringLiteral(u"单元格（%1）的文本有 %2 个字符，超过了一个单元格的上限 %3。")
                          .arg(cellName(row, column))
                          .arg(text.size())
                          .arg(MaxTextLength));
    }
    Cell* cell = cellAt(row, column);
    if (cell == nullptr) {
        return false;
    }
    cell->kind = Kind::Text;
    cell->text = m_strings.add(text);
    return true;
}

bool XlsWriter::setNumber(int row, int column, double value)
{
    if (!std::isfinite(value)) {
        return refuse(QStringLiteral(u"单元格（%1）的数值不是有限的数，表格无法保存它。").arg(cellName(row, column)));
    }
    Cell* cell = cellAt(row, column);
    if (cell == nullptr) {
        return false;
    }
    cell->kind = Kind::Number;
    cell->number = value;
    return true;
}

std::uint16_t XlsWriter::styleIndex(const Style& style)
{
    const auto found = std::find(m_styles.begin(), m_styles.end(), style);
    if (found != m_styles.end()) {
        return static_cast<std::uint16_t>(found - m_styles.begin());
    }
    m_styles.push_back(style);
    return static_cast<std::uint16_t>(m_styles.size() - 1);
}

bool XlsWriter::setFill(int row, int column, std::uint32_t rgb)
{
    rgb &= 0xFFFFFF;
    const bool known = std::find(m_fillColours.begin(), m_fillColours.end(), rgb) != m_fillColours.end();
    if (!known && m_fillColours.size() >= std::size_t(MaxFillColours)) {
        return refuse(QStringLiteral(u"一个表格最多只能用 %1 种填充颜色。").arg(MaxFillColours));
    }
    Cell* cell = cellAt(row, column);
    if (cell == nullptr) {
        return false;
    }
    if (!known) {
        m_fillColours.push_back(rgb);
    }
    Style style = m_styles[cell->style];
    style.filled = true;
    style.rgb = rgb;
    cell->style = styleIndex(style);
    return true;
}

bool XlsWriter::setBold(int row, int column, bool bold)
{
    Cell* cell = cellAt(row, column);
    if (cell == nullptr) {
        return false;
    }
    Style style = m_styles[cell->style];
    style.bold = bold;
    cell->style = styleIndex(style);
    return true;
}

bool XlsWriter::setColumnWidth(int column, double characters)
{
    if (column < 0 || column >= MaxColumns) {
        return refuse(
            QStringLiteral(u"第 %1 列超出工作表范围：一张工作表最多 %2 列。").arg(qint64(column) + 1).arg(MaxColumns));
    }
    if (!(characters >= 0 && characters <= MaxColumnWidth)) {
        return refuse(QStringLiteral(u"第 %1 列的宽度 %2 超出范围（0 到 %3 个字符）。")
                          .arg(column + 1)
                          .arg(characters)
                          .arg(MaxColumnWidth));
    }
    if (m_columnWidths.size() <= std::size_t(column)) {
        m_columnWidths.resize(std::size_t(column) + 1, -1.0);
    }
    m_columnWidths[std::size_t(column)] = characters;
    return true;
}

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
    QByteArray body;
    putBof(out, BofGlobals);
    putRecordU16(out, rec::InterfaceHdr, Utf16CodePage);
    putRecordU16(out, rec::Mms, 0);
    putRecord(out, rec::InterfaceEnd, {});

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

    for (int i = 0; i < 4; ++i) {
        putFont(out, false);
    }
    putFont(out, true);

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

    beginRecord(out, rec::Palette, 2 + 4 * MaxFillColours);
    putU16(out, MaxFillColours);
    for (std::uint32_t rgb : palette.colours) {
        putU8(out, static_cast<quint8>(rgb >> 16));
        putU8(out, static_cast<quint8>(rgb >> 8));
        putU8(out, static_cast<quint8>(rgb));
        putU8(out, 0);
    }

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

void XlsWriter::writeSheet(QByteArray& out) const
{
    auto written = [](const Cell& c) { return c.kind != Kind::Empty || c.style != 0; };
    auto xfOf = [](const Cell& c) { return static_cast<quint16>(c.style == 0 ? FirstCellXf : FirstCellXf + c.style); };

    // Extent of the used cells; each row's first and last used column.
    struct RowSpan {
        int first = -1;
        int last = -1;
    };
    std::vector<RowSpan> spans(m_rows.size());
    int firstRow = -1, lastRow = -1, firstColumn = MaxColumns, lastColumn = -1;
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const auto& cells = m_rows[r];
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (written(cells[c])) {
                if (spans[r].first < 0) {
                    spans[r].first = int(c);
                }
                spans[r].last = int(c);
            }
        }
        if (spans[r].first >= 0) {
            if (firstRow < 0) {
                firstRow = int(r);
            }
            lastRow = int(r);
            firstColumn = std::min(firstColumn, spans[r].first);
            lastColumn = std::max(lastColumn, spans[r].last);
        }
    }

    putBof(out, BofWorksheet);
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

    for (std::size_t c = 0; c < m_columnWidths.size(); ++c) {
        if (m_columnWidths[c] < 0) {
            continue;
        }
        beginRecord(out, rec::ColInfo, 12);
        putU16(out, static_cast<quint16>(c));
        putU16(out, static_cast<quint16>(c));
        putU16(out, static_cast<quint16>(std::lround(m_columnWidths[c] * 256)));
        putU16(out, FirstCellXf);
        putU16(out, m_columnWidths[c] == 0 ? 0x0001 : 0x0000); // hidden when zero wide
        putU16(out, 0);
    }

    beginRecord(out, rec::Dimensions, 14);
    const bool empty = firstRow < 0;
    putU32(out, empty ? 0 : quint32(firstRow));
    putU32(out, empty ? 0 : quint32(lastRow) + 1);
    putU16(out, empty ? 0 : quint16(firstColumn));
    putU16(out, empty ? 0 : quint16(lastColumn) + 1);
    putU16(out, 0);

    // Rows in blocks of 32, as Excel lays them out: the block's ROW records, then its cells.
    for (std::size_t block = 0; block < m_rows.size(); block += RowsPerBlock) {
        const std::size_t end = std::min(m_rows.size(), block + RowsPerBlock);
        for (std::size_t r = block; r < end; ++r) {
            if (spans[r].first < 0) {
                continue;
            }
            beginRecord(out, rec::Row, 16);
            putU16(out, static_cast<quint16>(r));
            putU16(out, static_cast<quint16>(spans[r].first));
            putU16(out, static_cast<quint16>(spans[r].last + 1));
            putU16(out, RowHeight);
            putU32(out, 0);
            putU16(out, 0x0100); // the row's height follows the default font
            putU16(out, FirstCellXf);
        }
        for (std::size_t r = block; r < end; ++r) {
            const auto& cells = m_rows[r];
            for (std::size_t c = 0; c < cells.size(); ++c) {
                const Cell& cell = cells[c];
                if (!written(cell)) {
                    continue;
                }
                const quint16 id =
                    cell.kind == Kind::Text ? rec::LabelSst : (cell.kind == Kind::Number ? rec::Number : rec::Blank);
                beginRecord(out, id, cell.kind == Kind::Text ? 10 : (cell.kind == Kind::Number ? 14 : 6));
                putU16(out, static_cast<quint16>(r));
                putU16(out, static_cast<quint16>(c));
                putU16(out, xfOf(cell));
                if (cell.kind == Kind::Text) {
                    putU32(out, cell.text);
                } else if (cell.kind == Kind::Number) {
                    putDouble(out, cell.number);
                }
            }
        }
    }

    beginRecord(out, rec::Window2, 18);
    putU16(out, 0x06B6); // grid lines, headers, zeros, default grid colour, outline symbols, selected, shown
    putU16(out, 0);      // top row
    putU16(out, 0);      // left column
    putU32(out, 0x40);   // grid line colour: automatic
    putU16(out, 0);
    putU16(out, 0);
    putU32(out, 0);
    putRecord(out, rec::Eof, {});
}

bool XlsWriter::save(const QString& path, QString* error) const
{
    auto fail = [error](const QString& reason) {
        if (error != nullptr) {
            *error = reason;
        }
        return false;
    };
    if (!m_error.isEmpty()) {
        return fail(m_error);
    }
    if (path.isEmpty()) {
        return fail(QStringLiteral(u"没有给出表格文件的名称。"));
    }
    const QFileInfo info(path);
    const QString target = QDir::toNativeSeparators(info.absoluteFilePath());
    const QDir folder = info.absoluteDir();
    if (!folder.exists()) {
        return fail(QStringLiteral(u"无法保存表格文件“%1”：文件夹“%2”不存在。")
                        .arg(target, QDir::toNativeSeparators(folder.absolutePath())));
    }
    if (info.isDir()) {
        return fail(QStringLiteral(u"无法保存表格文件“%1”：这是一个文件夹。").arg(target));
    }

    CompoundFile container;
    container.addStream(QStringLiteral("Workbook"), workbookStream());

    QSaveFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral(u"无法创建表格文件“%1”：%2").arg(target, file.errorString()));
    }
    // The device often only says "Unknown error" for a failed write; the system's code (disk full, file too
    // large, I/O error) is the reason worth showing.
    auto reason = [&file](int code) { return code != 0 ? qt_error_string(code) : file.errorString(); };
    // A write the file system cuts short can still leave QSaveFile content: flush and compare the size, so
    // that a truncated workbook never replaces the old file.
    errno = 0;
    if (!container.write(file) || !file.flush() || file.size() != container.fileSize()) {
        const QString why = reason(errno);
        file.cancelWriting();
        return fail(QStringLiteral(u"无法写入表格文件“%1”：%2").arg(target, why));
    }
    errno = 0;
    if (!file.commit()) {
        return fail(QStringLiteral(u"无法保存表格文件“%1”：%2").arg(target, reason(errno)));
    }
    return true;
}

} // namespace korvel
