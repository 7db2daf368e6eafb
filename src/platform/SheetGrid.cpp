#include "platform/SheetGrid.h"

#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "platform/XlsWriter.h"

#include <QDir>

#include <algorithm>

namespace korvel {

namespace {

const SheetCell kEmptyCell{};

// Characters of the default font from twips: 15 twips a pixel at 96 dpi, a digit 7 pixels wide plus 5
// pixels of cell padding, as spreadsheet programs measure column widths.
double charactersOfTwips(int twips)
{
    const double pixels = twips / 15.0;
    return std::clamp((pixels - 5.0) / 7.0, 0.0, XlsWriter::MaxColumnWidth);
}

} // namespace

SheetCell& SheetGrid::at(int row, int column)
{
    if (row >= rowCount()) {
        m_rows.resize(static_cast<std::size_t>(row) + 1);
    }
    auto& cells = m_rows[static_cast<std::size_t>(row)];
    if (column >= static_cast<int>(cells.size())) {
        cells.resize(static_cast<std::size_t>(column) + 1);
    }
    return cells[static_cast<std::size_t>(column)];
}

void SheetGrid::setText(int row, int column, const QString& text)
{
    SheetCell& c = at(row, column);
    c.kind = SheetCell::Kind::Text;
    c.text = text;
}

void SheetGrid::setNumber(int row, int column, double value)
{
    SheetCell& c = at(row, column);
    c.kind = SheetCell::Kind::Number;
    c.number = value;
    c.text.clear();
}

void SheetGrid::setFill(int row, int column, std::uint32_t rgb)
{
    at(row, column).fill = rgb;
}

void SheetGrid::setColumnWidthTwips(int column, int twips)
{
    if (column >= static_cast<int>(m_widths.size())) {
        m_widths.resize(static_cast<std::size_t>(column) + 1, 0);
    }
    m_widths[static_cast<std::size_t>(column)] = twips;
}

int SheetGrid::columnCount() const
{
    std::size_t n = 0;
    for (const auto& r : m_rows) {
        n = std::max(n, r.size());
    }
    return static_cast<int>(n);
}

const SheetCell& SheetGrid::cell(int row, int column) const
{
    if (row < 0 || row >= rowCount()) {
        return kEmptyCell;
    }
    const auto& cells = m_rows[static_cast<std::size_t>(row)];
    if (column < 0 || column >= static_cast<int>(cells.size())) {
        return kEmptyCell;
    }
    return cells[static_cast<std::size_t>(column)];
}

bool saveSheet(const SheetGrid& grid, const QString& path, QString* error)
{
    XlsWriter xls(QStringLiteral("Sheet1"));
    for (int r = 0; r < grid.rowCount(); ++r) {
        const auto& cells = grid.rows()[static_cast<std::size_t>(r)];
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            const SheetCell& cell = cells[static_cast<std::size_t>(c)];
            // A refused call is kept by the writer and makes save() fail with its reason.
            switch (cell.kind) {
            case SheetCell::Kind::Text:
                xls.setText(r, c, cell.text);
                break;
            case SheetCell::Kind::Number:
                xls.setNumber(r, c, cell.number);
                break;
            case SheetCell::Kind::Empty:
                break;
            }
            if (cell.fill) {
                xls.setFill(r, c, *cell.fill);
            }
        }
    }
    const auto& widths = grid.columnWidthsTwips();
    for (int c = 0; c < static_cast<int>(widths.size()); ++c) {
        if (widths[static_cast<std::size_t>(c)] > 0) {
            xls.setColumnWidth(c, charactersOfTwips(widths[static_cast<std::size_t>(c)]));
        }
    }
    return xls.save(path, error);
}

QString noSpreadsheetApplicationText()
{
    return QStringLiteral("您的电脑没有安装Microsoft Excel表格软件，多参数列表无法显示");
}

QString noSpreadsheetApplicationTitle()
{
    return QStringLiteral("列表显示错误");
}

QString sheetWriteFailedTitle()
{
    return QStringLiteral("列表导出错误");
}

SheetShown showSheet(const SheetGrid& grid, const QString& folder, const QString& fileName, Dialogs& dialogs,
                     Launcher& launcher)
{
    const QString path = QDir(folder).filePath(fileName);
    QString error;
    if (!saveSheet(grid, path, &error)) {
        dialogs.message(sheetWriteFailedTitle(),
                        QStringLiteral("无法写入表格文件 %1：%2").arg(QDir::toNativeSeparators(path), error),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
        return SheetShown::WriteFailed;
    }
    if (!launcher.showSpreadsheet(path)) {
        dialogs.message(noSpreadsheetApplicationTitle(), noSpreadsheetApplicationText(), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Critical);
        return SheetShown::NoApplication;
    }
    return SheetShown::Shown;
}

} // namespace korvel
