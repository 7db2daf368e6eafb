#pragma once

#include "platform/SharedStringTable.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace korvel {

// Builds an Excel 97-2003 workbook (.xls: a BIFF8 "Workbook" stream in a compound file) with one worksheet
// of text and number cells, optional solid fill colours, bold text and column widths, the format that Excel,
// LibreOffice and WPS all open.
//
// Cells are addressed by zero-based (row, column) within the format's 65 536 rows x 256 columns. Writing a
// cell again replaces its value and keeps its fill and font. A call the format cannot honour (a cell outside
// the sheet, text over 32 767 characters, a number that is not finite, a 57th fill colour, a width out of
// range) is refused: it returns false, changes nothing, and its reason is kept, so that save() then fails
// with it rather than write a workbook that silently lacks data.
//
// Colours are 0xRRGGBB. The writer lives on one thread; it holds the cells in memory until destroyed.
class XlsWriter {
public:
    static constexpr int MaxRows = 65536;
    static constexpr int MaxColumns = 256;
    static constexpr int MaxTextLength = 32767;
    static constexpr int MaxFillColours = 56;
    static constexpr double MaxColumnWidth = 255.0;

    explicit XlsWriter(QString sheetName = QStringLiteral("Sheet1"));

    const QString& sheetName() const { return m_sheetName; }

    bool setText(int row, int column, const QString& text);
    bool setNumber(int row, int column, double value);
    // Solid background of the cell; a cell without a value then shows as an empty coloured cell.
    bool setFill(int row, int column, std::uint32_t rgb);
    bool setBold(int row, int column, bool bold = true);
    // Width in characters of the default font's digit '0', from 0 (hidden) to 255.
    bool setColumnWidth(int column, double characters);

    // The reason of the first refused call; empty while every call was accepted.
    const QString& error() const { return m_error; }

    // Writes the workbook to a temporary file beside `path` and renames it over `path`, replacing an existing
    // file in one step: the target is either the complete new workbook or left as it was. False, with the
    // reason in *error (when given), for a refused call earlier, an invalid sheet name, a missing folder, or
    // a file that cannot be created, written or replaced.
    bool save(const QString& path, QString* error = nullptr) const;

    // The BIFF8 workbook stream itself, as save() stores it in the compound file.
    QByteArray workbookStream() const;

private:
    enum class Kind : std::uint8_t { Empty, Text, Number };
    struct Cell {
        double number = 0;
        std::uint32_t text = 0; // index in m_strings
        std::uint16_t style = 0;
        Kind kind = Kind::Empty;
    };
    struct Style {
        bool filled = false;
        std::uint32_t rgb = 0;
        bool bold = false;
        bool operator==(const Style&) const = default;
    };
    struct Palette;
    // The used cells: each row's first and last written column (-1 for a row without any), and the extent.
    struct Extent {
        struct Span {
            int first = -1;
            int last = -1;
        };
        std::vector<Span> rows;
        int firstRow = -1;
        int lastRow = -1;
        int firstColumn = MaxColumns;
        int lastColumn = -1;
    };

    Cell* cellAt(int row, int column);
    bool refuse(const QString& reason);
    std::uint16_t styleIndex(const Style& style);

    // The workbook stream (XlsWorkbookStream.cpp): the globals, then the worksheet.
    static bool written(const Cell& c) { return c.kind != Kind::Empty || c.style != 0; }
    void writeGlobals(QByteArray& out, const Palette& palette, qsizetype& sheetOffsetAt) const;
    void writeCellFormats(QByteArray& out, const Palette& palette) const;
    Extent extent() const;
    void writeSheet(QByteArray& out) const;
    void writeCells(QByteArray& out, std::size_t row) const;

    QString m_sheetName;
    std::vector<std::vector<Cell>> m_rows;
    SharedStringTable m_strings;
    std::vector<Style> m_styles{Style{}}; // style 0 is the plain cell
    std::vector<std::uint32_t> m_fillColours;
    std::vector<double> m_columnWidths; // negative: default width
    QString m_error;
};

} // namespace korvel
