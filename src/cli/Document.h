#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QTextStream>

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

// Rows of cells under named columns. In JSON a table is an array of objects keyed by the column keys; in
// text it is a header line and one line per row, cells separated by TAB.
class Table {
public:
    explicit Table(std::vector<Column> columns) : m_columns(std::move(columns)) {}

    void addRow(std::vector<QJsonValue> cells);
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const std::vector<Column>& columns() const { return m_columns; }

    QJsonValue toJson() const;
    void writeText(QTextStream& out) const;

private:
    std::vector<Column> m_columns;
    std::vector<std::vector<QJsonValue>> m_rows;
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
