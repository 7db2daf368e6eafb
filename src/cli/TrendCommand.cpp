#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/TrendFigures.h"
#include "session/Session.h"

#include <climits>

namespace korvel::cli {

namespace {

// JSON keys of the omission columns: the position's Pinyin and the digit ("bai0" ... "ge9").
QString omissionKey(int position, int digit)
{
    static const char* const names[] = {"bai", "shi", "ge"};
    return QString::fromLatin1(names[position]) + QString::number(digit);
}

QJsonValue summaryValue(const TrendFigures::Summary& s, int which, int digit)
{
    const auto d = static_cast<std::size_t>(digit);
    switch (which) {
    case 0:
        return s.count[d];
    case 1:
        return s.meanOmission[d];
    case 2:
        return s.maxOmission[d];
    default:
        return s.currentOmission[d];
    }
}

// The JSON keys of the shape blocks.
const char* const kShapeKeys[TrendFigures::kShapeBlocks] = {"form",    "baiRoad", "shiRoad", "geRoad",
                                                            "baiSize", "shiSize", "geSize"};

// The columns of the rows: the draw's figures, then the omission counts and the shape blocks asked for.
std::vector<Column> rowColumns(bool positions, bool shapes)
{
    std::vector<Column> columns = {
        {QStringLiteral("strQQH"), QStringLiteral("期号")},    {QStringLiteral("L1A"), QStringLiteral("百位")},
        {QStringLiteral("L2A"), QStringLiteral("十位")},       {QStringLiteral("L3A"), QStringLiteral("个位")},
        {QStringLiteral("sum"), QStringLiteral("和值")},       {QStringLiteral("span"), QStringLiteral("跨度")},
        {QStringLiteral("oddEven"), QStringLiteral("奇偶比")}, {QStringLiteral("bigSmall"), QStringLiteral("大小比")}};
    if (positions) {
        for (int p = 0; p < TrendFigures::kPositions; ++p) {
            for (int d = 0; d < 10; ++d) {
                columns.push_back({omissionKey(p, d), TrendFigures::positionName(p).left(1) + QString::number(d)});
            }
        }
    }
    if (shapes) {
        for (int b = 0; b < TrendFigures::kShapeBlocks; ++b) {
            const QString key = QString::fromLatin1(kShapeKeys[b]);
            columns.push_back({key, TrendFigures::shapeBlockName(b)});
            for (int v = 0; v < TrendFigures::kShapeValues; ++v) {
                columns.push_back({key + QStringLiteral("_%1").arg(v), TrendFigures::shapeValueName(b, v)});
            }
        }
    }
    return columns;
}

// The summary rows of each position over the rows shown: 出现次数, 平均遗漏, 最大遗漏, 当前遗漏.
void addSummaryTable(Document& doc, const TrendFigures& t)
{
    std::vector<Column> summaryColumns = {{QStringLiteral("position"), QStringLiteral("位")},
                                          {QStringLiteral("figure"), QStringLiteral("统计")}};
    for (int d = 0; d < 10; ++d) {
        summaryColumns.push_back({QString::number(d), QString::number(d)});
    }
    Table& summary = doc.addTable(QStringLiteral("summary"), std::move(summaryColumns), QStringLiteral("统计"));
    for (int p = 0; p < TrendFigures::kPositions; ++p) {
        for (int which = 0; which < TrendFigures::kSummaryRows; ++which) {
            std::vector<QJsonValue> cells = {TrendFigures::positionName(p), TrendFigures::summaryName(which)};
            for (int d = 0; d < 10; ++d) {
                cells.push_back(summaryValue(t.summary(p), which, d));
            }
            summary.addRow(std::move(cells));
        }
    }
}

class TrendCommand : public Command {
public:
    QString name() const override { return QStringLiteral("trend"); }
    QString summary() const override { return QStringLiteral("the figures of the trend chart (走势图)"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli trend [--last N|all] [--positions] [--shapes]\n"
            "\n"
            "The rows of the trend chart, newest last: 期号, 百位, 十位, 个位, 和值, 跨度, 奇偶比 (odd:even), 大小比\n"
            "(big:small; big is 5-9).\n"
            "  --last N|all   the newest N draws (default 30) or all of them\n"
            "  --positions    also the omission counts (遗漏: draws since the digit last showed at the\n"
            "                 position, 0 on the row that drew it; counted over the whole history) of every\n"
            "                 position and digit (JSON keys bai0..bai9, shi0..shi9, ge0..ge9), and the summary\n"
            "                 rows over the rows shown: 出现次数, 平均遗漏 = (rows - count) / (count + 1),\n"
            "                 最大遗漏 (the largest count shown), 当前遗漏 (the count of the newest row)\n"
            "  --shapes       also the shape blocks of the chart: 组选形态 (豹子/组三/组六), 012路 and 大中小 (大 "
            "7-9,\n"
            "                 中 3-6, 小 0-2) of each position, the row's shape (keys form, baiRoad, shiRoad, geRoad,\n"
            "                 baiSize, shiSize, geSize) and each value's omission count (key + _0, _1, _2)\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{
            opt::integer(QStringLiteral("--last"), 1, INT_MAX).orWord(QStringLiteral("all"), 0),
            opt::flag(QStringLiteral("--positions")), opt::flag(QStringLiteral("--shapes"))};
        const OptionValues args = optionTable.read(name(), argv);
        const int rows = args.integer(QStringLiteral("--last")).value_or(30);
        const bool positions = args.flag(QStringLiteral("--positions"));
        const bool shapes = args.flag(QStringLiteral("--shapes"));

        const TrendFigures t(*context.session().snapshot(), rows);
        Document& doc = context.document();
        doc.set(QStringLiteral("count"), t.rowCount(), QStringLiteral("draws"));
        Table& table = doc.addTable(QStringLiteral("rows"), rowColumns(positions, shapes), QStringLiteral("走势图"));
        for (int r = 0; r < t.rowCount(); ++r) {
            std::vector<QJsonValue> cells = {t.issue(r), t.digit(r, 0), t.digit(r, 1),    t.digit(r, 2),
                                             t.sum(r),   t.span(r),     t.oddEvenText(r), t.bigSmallText(r)};
            if (positions) {
                for (int p = 0; p < TrendFigures::kPositions; ++p) {
                    for (int d = 0; d < 10; ++d) {
                        cells.emplace_back(t.omission(r, p, d));
                    }
                }
            }
            if (shapes) {
                for (int b = 0; b < TrendFigures::kShapeBlocks; ++b) {
                    cells.emplace_back(TrendFigures::shapeValueName(b, t.shape(r, b)));
                    for (int v = 0; v < TrendFigures::kShapeValues; ++v) {
                        cells.emplace_back(t.shapeOmission(r, b, v));
                    }
                }
            }
            table.addRow(std::move(cells));
        }
        if (positions) {
            addSummaryTable(doc, t);
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeTrendCommand()
{
    return std::make_unique<TrendCommand>();
}

} // namespace korvel::cli
