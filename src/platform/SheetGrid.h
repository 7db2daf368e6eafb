#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace korvel {

class Dialogs;
class Launcher;

// Colours of the lists and sheets, as 0xRRGGBB (the mark colours of the lists, given as BGR values
// 0xFF0000 and 0x00FF00 elsewhere).
inline constexpr std::uint32_t kBlue = 0x0000FF;
inline constexpr std::uint32_t kGreen = 0x00FF00;
// Green text ("滤杀") on white: the mark's hue, dark enough to read (pure green on white is not).
inline constexpr std::uint32_t kGreenText = 0x008000;
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;

// One cell of a sheet to be written: text, a number, or nothing, with an optional fill.
struct SheetCell {
    enum class Kind : std::uint8_t { Empty, Text, Number };
    Kind kind = Kind::Empty;
    QString text;
    double number = 0;
    std::optional<std::uint32_t> fill;
};

// The cells of an exported list, addressed by zero-based (row, column): grid row r, column c of a list goes
// to sheet cell (r, c), that is Excel's (r + 1, c + 1). Grows as cells are set.
class SheetGrid {
public:
    void setText(int row, int column, const QString& text);
    void setNumber(int row, int column, double value);
    void setFill(int row, int column, std::uint32_t rgb);
    // Width in twips (1/1440 inch) as the lists give them; converted to characters when written.
    void setColumnWidthTwips(int column, int twips);

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    int columnCount() const;
    // An empty cell for addresses never set.
    const SheetCell& cell(int row, int column) const;
    const std::vector<std::vector<SheetCell>>& rows() const { return m_rows; }
    const std::vector<int>& columnWidthsTwips() const { return m_widths; }

private:
    SheetCell& at(int row, int column);

    std::vector<std::vector<SheetCell>> m_rows;
    std::vector<int> m_widths; // 0: default width
};

// Writes the grid as an .xls workbook with the sheet "Sheet1" (replacing the file in one step). False with
// the reason in *error when the grid does not fit the format or the file cannot be written; the file is then
// as it was.
bool saveSheet(const SheetGrid& grid, const QString& path, QString* error = nullptr);

enum class SheetShown { Shown, WriteFailed, NoApplication };

// Saves the grid as `fileName` in `folder` and hands it to the spreadsheet application. A file that cannot
// be written is told as such ("列表导出错误"); only when the file was written but no application opens it
// does the user see "您的电脑没有安装Microsoft Excel表格软件，多参数列表无法显示" ("列表显示错误").
SheetShown showSheet(const SheetGrid& grid, const QString& folder, const QString& fileName, Dialogs& dialogs,
                     Launcher& launcher);

// The message texts, for the callers' tests.
QString noSpreadsheetApplicationText();
QString noSpreadsheetApplicationTitle();
QString sheetWriteFailedTitle();

} // namespace korvel
