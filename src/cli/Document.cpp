#include "cli/Document.h"

#include <QJsonArray>

#include <cmath>

namespace korvel::cli {

QString valueText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double: {
        const double d = value.toDouble();
        if (std::floor(d) == d && std::fabs(d) < 9.0e15) {
            return QString::number(static_cast<qint64>(d));
        }
        return QString::number(d, 'g', 15);
    }
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

void Table::addRow(std::vector<QJsonValue> cells)
{
    cells.resize(m_columns.size());
    m_rows.push_back(std::move(cells));
}

QJsonValue Table::toJson() const
{
    QJsonArray rows;
    for (const auto& row : m_rows) {
        QJsonObject o;
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            if (m_columns[c].show != Column::Show::TextOnly) {
                o.insert(m_columns[c].key, row[c]);
            }
        }
        rows.append(o);
    }
    return rows;
}

void Table::writeText(QTextStream& out) const
{
    QStringList header;
    for (const Column& c : m_columns) {
        if (c.show != Column::Show::JsonOnly) {
            header << c.header;
        }
    }
    out << header.join(QLatin1Char('\t')) << '\n';
    for (const auto& row : m_rows) {
        QStringList cells;
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            if (m_columns[c].show != Column::Show::JsonOnly) {
                cells << valueText(row[c]);
            }
        }
        out << cells.join(QLatin1Char('\t')) << '\n';
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
