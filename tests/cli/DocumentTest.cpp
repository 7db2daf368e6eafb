#include "cli/Document.h"

#include "cli/CliTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace korvel::cli {
namespace {

QString streamed(const Document& doc)
{
    QString text;
    QTextStream out(&text);
    doc.writeJson(out);
    out.flush();
    return text;
}

QString whole(const Document& doc)
{
    return QString::fromUtf8(QJsonDocument(doc.toJson()).toJson(QJsonDocument::Indented));
}

// The streamed document is, byte for byte, what Qt writes for the whole document: keys in Qt's order
// whatever the insertion order, nesting, escapes, numbers, empty containers, columns of one form only.
TEST(DocumentTest, StreamedJsonEqualsTheWholeDocumentsText)
{
    Document doc;
    doc.set(QStringLiteral("zeta"), 3);
    doc.set(QStringLiteral("alpha"), QStringLiteral("引号 \" 反斜杠 \\ 换行\n制表\t"));
    doc.set(QStringLiteral("rate"), 43.333333);
    doc.set(QStringLiteral("flag"), true);
    doc.set(QStringLiteral("files"), QJsonArray{QStringLiteral("a.txt"), QStringLiteral("b.xls")});
    doc.set(QStringLiteral("zeta"), -7); // replaced in place
    Table& rows = doc.addTable(QStringLiteral("rows"),
                               {{QStringLiteral("期号"), QStringLiteral("期号")},
                                {QStringLiteral("b"), QStringLiteral("b")},
                                {QStringLiteral("a"), QStringLiteral("a")},
                                {QStringLiteral("textOnly"), QStringLiteral("t"), Column::Show::TextOnly},
                                {QStringLiteral("jsonOnly"), QStringLiteral("j"), Column::Show::JsonOnly}});
    rows.addRow({QStringLiteral("2007001"), 12, 1.5, QStringLiteral("x"), QJsonValue()});
    rows.addRow({QStringLiteral("\u0001\"q\""), QJsonArray{1, 2}, QJsonObject{{"k", "v"}}}); // short row
    doc.addTable(QStringLiteral("empty"), {{QStringLiteral("c"), QStringLiteral("c")}});
    Table& lazy = doc.addTable(QStringLiteral("lazy"), {{QStringLiteral("10次"), QStringLiteral("10次")},
                                                        {QStringLiteral("9次"), QStringLiteral("9次")},
                                                        {QStringLiteral("名"), QStringLiteral("名")}});
    lazy.setRowSource(3, [](int r) {
        return std::vector<QString>{QString::number(r), r == 1 ? QStringLiteral("03 08 ") : QString(),
                                    QStringLiteral("第%1 \"行\"").arg(r)};
    });
    Document& item = doc.addItem(QStringLiteral("items"), QStringLiteral("one"));
    item.set(QStringLiteral("n"), 1);
    item.addTable(QStringLiteral("t"), {{QStringLiteral("c"), QStringLiteral("c")}}).addRow({QStringLiteral("v")});
    doc.addItem(QStringLiteral("items"));

    const QString text = streamed(doc);
    EXPECT_EQ(text, whole(doc));
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(text.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(parsed.object()[QStringLiteral("zeta")].toInt(), -7);
    const QJsonArray lazyRows = parsed.object()[QStringLiteral("lazy")].toArray();
    ASSERT_EQ(lazyRows.size(), 3);
    EXPECT_EQ(lazyRows[1].toObject()[QStringLiteral("9次")].toString(), QStringLiteral("03 08 "));
    EXPECT_EQ(lazyRows[2].toObject()[QStringLiteral("名")].toString(), QStringLiteral("第2 \"行\""));
    EXPECT_FALSE(rows.rowJson(0).contains(QStringLiteral("textOnly")));

    EXPECT_EQ(streamed(Document()), whole(Document()));
}

// A row source gives the same text form as the rows added one by one.
TEST(DocumentTest, RowSourceTablesWriteTheSameText)
{
    const std::vector<Column> columns = {{QStringLiteral("a"), QStringLiteral("A")},
                                         {QStringLiteral("b"), QStringLiteral("B")}};
    Document added;
    Table& a = added.addTable(QStringLiteral("t"), columns, QStringLiteral("标题"));
    a.addRow({QStringLiteral("1"), QStringLiteral("")});
    a.addRow({QStringLiteral("2"), QStringLiteral("02 ")});
    Document sourced;
    sourced.addTable(QStringLiteral("t"), columns, QStringLiteral("标题")).setRowSource(2, [](int r) {
        return std::vector<QString>{QString::number(r + 1), r == 0 ? QString() : QStringLiteral("02 ")};
    });
    QString x;
    QString y;
    QTextStream ox(&x);
    QTextStream oy(&y);
    added.writeText(ox);
    sourced.writeText(oy);
    ox.flush();
    oy.flush();
    EXPECT_EQ(x, y);
    EXPECT_EQ(x, QStringLiteral("标题\nA\tB\n1\t\n2\t02 \n"));
    EXPECT_EQ(streamed(sourced), streamed(added));
}

// A table whose cells are made when written gives, in JSON and in text, exactly what the same values
// added as QJsonValues give: strings (Chinese, quotes, control characters, DEL, a character outside the
// BMP), whole numbers, reals of every form Qt writes, nulls.
TEST(DocumentTest, CellSourceTablesWriteWhatTheSameJsonValuesWrite)
{
    const std::vector<Column> columns = {{QStringLiteral("t"), QStringLiteral("T")},
                                         {QStringLiteral("i"), QStringLiteral("I")},
                                         {QStringLiteral("r"), QStringLiteral("R")},
                                         {QStringLiteral("n"), QStringLiteral("N")},
                                         {QStringLiteral("only"), QStringLiteral("O"), Column::Show::TextOnly}};
    const std::vector<QString> texts = {QStringLiteral("[百位单选杀]百位码+3"),     QStringLiteral("引号\"与\\"),
                                        QStringLiteral("tab\there\u0001"),          QStringLiteral("del\u007F"),
                                        QString::fromUtf8("\xF0\x9F\x8E\xB2 骰子"), QString()};
    const std::vector<qint64> integers = {0, -7, 32767, 1234567890123LL, 5, 1};
    const std::vector<double> reals = {90.0, 43.333333333333336, 1e-7, -0.5, 1e21, 3.1e-7};
    Document added;
    Table& a = added.addTable(QStringLiteral("rows"), columns);
    for (std::size_t r = 0; r < texts.size(); ++r) {
        a.addRow({texts[r], integers[r], reals[r], QJsonValue(), QString::number(r)});
    }
    Document made;
    made.addTable(QStringLiteral("rows"), columns)
        .setCellSource(static_cast<int>(texts.size()), [&](int r, std::vector<Cell>& cells) {
            ASSERT_EQ(cells.size(), columns.size());
            const auto k = static_cast<std::size_t>(r);
            cells[0].setText(texts[k]);
            cells[1].setInteger(integers[k]);
            cells[2].setReal(reals[k]);
            cells[3].setNull();
            cells[4].setText(QString::number(r));
        });
    EXPECT_EQ(streamed(made), whole(added));
    EXPECT_EQ(streamed(made), streamed(added));
    QString x;
    QString y;
    QTextStream ox(&x);
    QTextStream oy(&y);
    added.writeText(ox);
    made.writeText(oy);
    ox.flush();
    oy.flush();
    EXPECT_EQ(y, x);
    EXPECT_TRUE(y.contains(QStringLiteral("\n[百位单选杀]百位码+3\t0\t90\t\t0\n"))) << y.toStdString();
}

} // namespace
} // namespace korvel::cli
