#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QTextStream>

#include <cstdint>
#include <functional>
#include <memory>
#include <variant>
#include <vector>

namespace korvel::cli {

// One column of a table: the JSON member name and the header of the text form. A column may belong to one
// form only (the text shows one formula column, the JSON document carries both texts).
struct Column {
    enum class Show { Both, JsonOnly, TextOnly };
    QString key;
    QString header;
    Show show = Show::Both;
};

// One cell of a table made at the moment it is written: a text, a whole number, a real number or nothing
// (null in JSON, empty in text). Written as the same QJsonValue would be.
struct Cell {
    enum class Type : std::uint8_t { Null, Text, Integer, Real };
    Type type = Type::Null;
    QString text;
    qint64 integer = 0;
    double real = 0.0;

    void setNull() { type = Type::Null; }
    void setText(const QString& t)
    {
        type = Type::Text;
        text = t;
    }
    void setInteger(qint64 v)
    {
        type = Type::Integer;
        integer = v;
    }
    void setReal(double v)
    {
        type = Type::Real;
        real = v;
    }
    QJsonValue toJson() const;
};

// Rows of cells under named columns. In JSON a table is an array of objects keyed by the column keys; in
// text it is a header line and one line per row, cells separated by TAB.
//
// The rows are either added one by one, or given as a source that makes the cells of a row when it is
// written: a large table (the ranking list, the formula list) then stays in its own compact form until it
// is printed, and is never held as JSON values. A cell source fills a buffer that is reused from row to
// row. The source must stay valid until the document has been written.
class Table {
public:
    using RowSource = std::function<std::vector<QString>(int row)>;
    using CellSource = std::function<void(int row, std::vector<Cell>& cells)>;

    explicit Table(std::vector<Column> columns) : m_columns(std::move(columns)) {}

    void addRow(std::vector<QJsonValue> cells);
    // Rows of texts only.
    void setRowSource(int rowCount, RowSource source);
    // Rows of typed cells; `cells` comes with one Cell per column, as the previous row left them.
    void setCellSource(int rowCount, CellSource source);
    int rowCount() const { return m_source ? m_sourceRows : static_cast<int>(m_rows.size()); }
    const std::vector<Column>& columns() const { return m_columns; }

    QJsonValue toJson() const;
    // Row r as a JSON object.
    QJsonObject rowJson(int r) const;
    // The rows as the member of a top-level object: Qt's indented text of toJson() at depth 1.
    void writeJsonRows(QTextStream& out) const;
    void writeText(QTextStream& out) const;

private:
    std::vector<QJsonValue> cells(int r) const;
    void fill(int r, std::vector<Cell>& cells) const;

    std::vector<Column> m_columns;
    std::vector<std::vector<QJsonValue>> m_rows;
    CellSource m_source;
    int m_sourceRows = 0;
};

// What a command prints: named fields, tables and lists of sub-documents, in the order they were added.
// The same content is written either as one JSON object (--json) or as text for a reader. Nothing is
// written until the command has finished, so a command that fails prints no half result.
class Document {
public:
    Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // A field: `key` in JSON, "label: value" in text (the label defaults to the key). Setting a key again
    // replaces its value in place.
    void set(const QString& key, const QJsonValue& value, const QString& label = {});
    Table& addTable(const QString& key, std::vector<Column> columns, const QString& title = {});
    // A new sub-document appended to the array `key`; `title` heads it in text.
    Document& addItem(const QString& key, const QString& title = {});

    bool empty() const { return m_entries.empty(); }
    QJsonObject toJson() const;
    // The text of QJsonDocument(toJson()).toJson(QJsonDocument::Indented), written a table row at a time
    // so that a large table is never held as JSON values or as one string.
    void writeJson(QTextStream& out) const;
    void writeText(QTextStream& out) const;

private:
    struct Field {
        QString key;
        QJsonValue value;
        QString label;
    };
    struct TableEntry {
        QString key;
        QString title;
        std::unique_ptr<Table> table;
    };
    struct ItemList {
        QString key;
        std::vector<std::pair<QString, std::unique_ptr<Document>>> items;
    };
    std::vector<std::variant<Field, TableEntry, ItemList>> m_entries;
};

// Text of a cell or field value: strings as they are, whole numbers without a fraction.
QString valueText(const QJsonValue& value);

} // namespace korvel::cli
