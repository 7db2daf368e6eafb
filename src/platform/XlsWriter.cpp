#include "platform/XlsWriter.h"

#include "platform/CompoundFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cmath>

// The writer's cells and the checks on them, and saving the workbook to a file. The workbook stream itself
// (the BIFF8 records of the globals and the sheet) is written in XlsWorkbookStream.cpp.
namespace korvel {

namespace {

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
