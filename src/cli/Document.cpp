#include "cli/Document.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <span>

namespace korvel::cli {

namespace {

// Text of a real number: whole numbers without a fraction.
QString realText(double d)
{
    if (std::floor(d) == d && std::fabs(d) < 9.0e15) {
        return QString::number(static_cast<qint64>(d));
    }
    return QString::number(d, 'g', 15);
}

} // namespace

QString valueText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
        return realText(value.toDouble());
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    case QJsonValue::Array: {
        QStringList parts;
        for (const QJsonValue& v : value.toArray()) {
            parts << valueText(v);
        }
        return parts.join(QLatin1Char(' '));
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
    case QJsonValue::Object:
        break;
    }
    return {};
}

QJsonValue Cell::toJson() const
{
    switch (type) {
    case Type::Text:
        return text;
    case Type::Integer:
        return integer;
    case Type::Real:
        return real;
    case Type::Null:
        break;
    }
    return {};
}

void Table::addRow(std::vector<QJsonValue> cells)
{
    cells.resize(m_columns.size());
    m_rows.push_back(std::move(cells));
}

void Table::setRowSource(int rowCount, RowSource source)
{
    setCellSource(rowCount, [texts = std::move(source)](int r, std::vector<Cell>& cells) {
        const std::vector<QString> row = texts(r);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            cells[c].setText(c < row.size() ? row[c] : QString());
        }
    });
}

void Table::setCellSource(int rowCount, CellSource source)
{
    m_rows.clear();
    m_sourceRows = rowCount;
    m_source = std::move(source);
}

void Table::fill(int r, std::vector<Cell>& cells) const
{
    cells.resize(m_columns.size());
    m_source(r, cells);
}

std::vector<QJsonValue> Table::cells(int r) const
{
    if (!m_source) {
        return m_rows[static_cast<std::size_t>(r)];
    }
    std::vector<Cell> made;
    fill(r, made);
    std::vector<QJsonValue> out;
    out.reserve(made.size());
    for (const Cell& c : made) {
        out.push_back(c.toJson());
    }
    return out;
}

QJsonObject Table::rowJson(int r) const
{
    const std::vector<QJsonValue> row = cells(r);
    QJsonObject o;
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].show != Column::Show::TextOnly) {
            o.insert(m_columns[c].key, row[c]);
        }
    }
    return o;
}

QJsonValue Table::toJson() const
{
    QJsonArray rows;
    for (int r = 0; r < rowCount(); ++r) {
        rows.append(rowJson(r));
    }
    return rows;
}

namespace {

void writeCellText(QTextStream& out, const Cell& cell)
{
    switch (cell.type) {
    case Cell::Type::Text:
        out << cell.text;
        break;
    case Cell::Type::Integer:
        out << cell.integer;
        break;
    case Cell::Type::Real:
        out << realText(cell.real);
        break;
    case Cell::Type::Null:
        break;
    }
}

} // namespace

void Table::writeText(QTextStream& out) const
{
    QStringList header;
    for (const Column& c : m_columns) {
        if (c.show != Column::Show::JsonOnly) {
            header << c.header;
        }
    }
    out << header.join(QLatin1Char('\t')) << '\n';
    std::vector<Cell> made;
    for (int r = 0; r < rowCount(); ++r) {
        if (m_source) {
            fill(r, made);
        }
        bool first = true;
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            if (m_columns[c].show != Column::Show::JsonOnly) {
                if (!first) {
                    out << '\t';
                }
                first = false;
                if (m_source) {
                    writeCellText(out, made[c]);
                } else {
                    out << valueText(m_rows[static_cast<std::size_t>(r)][c]);
                }
            }
        }
        out << '\n';
    }
}

void Document::set(const QString& key, const QJsonValue& value, const QString& label)
{
    for (auto& e : m_entries) {
        if (auto* f = std::get_if<Field>(&e); f && f->key == key) {
            f->value = value;
            if (!label.isEmpty()) {
                f->label = label;
            }
            return;
        }
    }
    m_entries.emplace_back(Field{key, value, label.isEmpty() ? key : label});
}

Table& Document::addTable(const QString& key, std::vector<Column> columns, const QString& title)
{
    auto table = std::make_unique<Table>(std::move(columns));
    Table& t = *table;
    m_entries.emplace_back(TableEntry{key, title, std::move(table)});
    return t;
}

Document& Document::addItem(const QString& key, const QString& title)
{
    auto doc = std::make_unique<Document>();
    Document& d = *doc;
    for (auto& e : m_entries) {
        if (auto* list = std::get_if<ItemList>(&e); list && list->key == key) {
            list->items.emplace_back(title, std::move(doc));
            return d;
        }
    }
    ItemList list{key, {}};
    list.items.emplace_back(title, std::move(doc));
    m_entries.emplace_back(std::move(list));
    return d;
}

QJsonObject Document::toJson() const
{
    QJsonObject o;
    for (const auto& e : m_entries) {
        if (const auto* f = std::get_if<Field>(&e)) {
            o.insert(f->key, f->value);
        } else if (const auto* t = std::get_if<TableEntry>(&e)) {
            o.insert(t->key, t->table->toJson());
        } else if (const auto* list = std::get_if<ItemList>(&e)) {
            QJsonArray items;
            for (const auto& [title, doc] : list->items) {
                items.append(doc->toJson());
            }
            o.insert(list->key, items);
        }
    }
    return o;
}

namespace {

// Qt's indented JSON of a container at nesting depth `depth`: its text at depth 0 with every line after
// the first moved right by four blanks per level (strings hold no raw line breaks).
QString indentedJson(const QJsonDocument& doc, int depth)
{
    QString text = QString::fromUtf8(doc.toJson(QJsonDocument::Indented));
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    return text.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(4 * depth, QLatin1Char(' ')));
}

QString valueJson(const QJsonValue& v, int depth)
{
    if (v.isObject()) {
        return indentedJson(QJsonDocument(v.toObject()), depth);
    }
    if (v.isArray()) {
        return indentedJson(QJsonDocument(v.toArray()), depth);
    }
    // A scalar: the one element of a compact array.
    const QByteArray a = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(a.mid(1, a.size() - 2));
}

// A string cell in the form the JSON writer gives it: text without quote, backslash, control characters
// or surrogates is written as it is (the stream encodes it as UTF-8, as Qt's writer does); anything else
// goes through Qt's writer.
void writeJsonString(QTextStream& out, const QString& text)
{
    const bool plain = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c != QLatin1Char('"') && c != QLatin1Char('\\') && !c.isSurrogate();
    });
    if (plain) {
        out << '"' << text << '"';
    } else {
        out << valueJson(text, 3);
    }
}

void writeJsonCell(QTextStream& out, const QJsonValue& v)
{
    if (v.isString()) {
        writeJsonString(out, v.toString());
    } else {
        out << valueJson(v, 3);
    }
}

// A made cell as Qt writes the same QJsonValue: whole numbers as they are, reals in the shortest form
// that reads back exactly, and null for what has no number.
void writeJsonCell(QTextStream& out, const Cell& cell)
{
    switch (cell.type) {
    case Cell::Type::Text:
        writeJsonString(out, cell.text);
        return;
    case Cell::Type::Integer:
        out << cell.integer;
        return;
    case Cell::Type::Real:
        if (std::isfinite(cell.real)) {
            out << QByteArray::number(cell.real, 'g', QLocale::FloatingPointShortest);
        } else {
            out << "null";
        }
        return;
    case Cell::Type::Null:
        break;
    }
    out << "null";
}

} // namespace

void Table::writeJsonRows(QTextStream& out) const
{
    // Member order and key texts once for the table, as QJsonObject orders and Qt writes them; a key
    // given twice keeps its last column.
    QJsonObject order;
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].show != Column::Show::TextOnly) {
            order.insert(m_columns[c].key, static_cast<qint64>(c));
        }
    }
    std::vector<std::pair<QString, std::size_t>> members;
    for (auto it = order.begin(); it != order.end(); ++it) {
        members.emplace_back(QStringLiteral("            ") + valueJson(it.key(), 3) + QStringLiteral(": "),
                             static_cast<std::size_t>(it.value().toInteger()));
    }
    out << "[\n";
    std::vector<Cell> made;
    for (int r = 0; r < rowCount(); ++r) {
        if (m_source) {
            fill(r, made);
        }
        if (members.empty()) {
            out << "        {\n        }";
        } else {
            out << "        {\n";
            for (std::size_t m = 0; m < members.size(); ++m) {
                out << members[m].first;
                if (m_source) {
                    writeJsonCell(out, made[members[m].second]);
                } else {
                    writeJsonCell(out, m_rows[static_cast<std::size_t>(r)][members[m].second]);
                }
                out << (m + 1 < members.size() ? ",\n" : "\n");
            }
            out << "        }";
        }
        out << (r + 1 < rowCount() ? ",\n" : "\n");
    }
    out << "    ]";
}

void Document::writeJson(QTextStream& out) const
{
    // Members in the order QJsonObject keeps them (its own key order, whatever the insertion order).
    QJsonObject order;
    for (const auto& e : m_entries) {
        std::visit([&](const auto& entry) { order.insert(entry.key, QJsonValue()); }, e);
    }
    const QStringList keys = order.keys();
    out << "{\n";
    for (qsizetype k = 0; k < keys.size(); ++k) {
        out << "    " << valueJson(keys[k], 1) << ": ";
        // As in QJsonObject, the last entry of a key is its value.
        const auto named = std::find_if(m_entries.rbegin(), m_entries.rend(), [&](const auto& e) {
            return std::visit([&](const auto& entry) { return entry.key == keys[k]; }, e);
        });
        for (const auto& e : std::span(&*named, 1)) {
            if (const auto* f = std::get_if<Field>(&e)) {
                out << valueJson(f->value, 1);
            } else if (const auto* t = std::get_if<TableEntry>(&e)) {
                t->table->writeJsonRows(out);
            } else if (const auto* list = std::get_if<ItemList>(&e)) {
                QJsonArray items;
                for (const auto& [title, doc] : list->items) {
                    items.append(doc->toJson());
                }
                out << valueJson(items, 1);
            }
        }
        out << (k + 1 < keys.size() ? ",\n" : "\n");
    }
    out << "}\n";
}

void Document::writeText(QTextStream& out) const
{
    // Blocks (tables, sub-documents) stand apart from what comes before and after them by a blank line.
    enum class Last { Nothing, Field, Block } last = Last::Nothing;
    const auto separate = [&](bool block) {
        if (last == Last::Block || (block && last == Last::Field)) {
            out << '\n';
        }
        last = block ? Last::Block : Last::Field;
    };
    for (const auto& e : m_entries) {
        if (const auto* f = std::get_if<Field>(&e)) {
            separate(false);
            out << f->label << ": " << valueText(f->value) << '\n';
        } else if (const auto* t = std::get_if<TableEntry>(&e)) {
            separate(true);
            if (!t->title.isEmpty()) {
                out << t->title << '\n';
            }
            t->table->writeText(out);
        } else if (const auto* list = std::get_if<ItemList>(&e)) {
            for (const auto& [title, doc] : list->items) {
                separate(true);
                if (!title.isEmpty()) {
                    out << "[" << title << "]\n";
                }
                doc->writeText(out);
            }
        }
    }
}

} // namespace korvel::cli
