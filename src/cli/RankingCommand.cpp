#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "session/Session.h"
#include "session/TallyCommand.h"
#include "tally/RankHistogram.h"
#include "tally/RankingList.h"

#include <QElapsedTimer>

#include <memory>

namespace korvel::cli {

namespace {

class RankingCommand : public Command {
public:
    QString name() const override { return QStringLiteral("ranking"); }
    QString summary() const override { return QStringLiteral("the history ranking list (公式往期位置值结果列表)"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli ranking --kind KIND --sense SENSE [--position P] [--play 单选|通选] --yes\n"
            "\n"
            "\"公式往期位置值结果列表\": the tally of the list's formulas on every draw, and the list "
            "\"历史开奖列表\"\n"
            "of the kind's position and play with every column (期号, 开奖结果, 排位名次, Err值, 总位次, 位次, "
            "位码数,\n"
            "1排列 ... 10排列, 1Err值 ... 10Err值, then one column per Err value). The window asks first (the run\n"
            "may be long); --yes answers yes. Progress goes to stderr.\n"
            "  --position P, --play PLAY   the list's own choices (查询该位该类对应号历史排序结果); default the "
            "kind's\n"
            "  --histogram                 only the rank chart: how often the drawn digit had rank 1 .. 10, "
            "beside\n"
            "                              the count a ranking without skill would give each rank\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{opt::requiredKind(), opt::requiredSense(), opt::position(), opt::play(),
                                             opt::flag(QStringLiteral("--histogram"))};
        const OptionValues args = optionTable.read(name(), argv);
        const FormulaKind kind = *args.kind();
        const bool kill = *args.sense();
        const bool histogram = args.flag(QStringLiteral("--histogram"));
        const int position = args.position().value_or(kind.position);
        Play play = kind.play;
        if (const std::optional<Session::PlayChoice> choice = args.play()) {
            if (*choice != Session::PlayChoice::Single && *choice != Session::PlayChoice::Group) {
                usageError(QStringLiteral("%1 --play: the list offers 单选 and 通选").arg(name()));
            }
            play = *choice == Session::PlayChoice::Group ? Play::Group : Play::Single;
        }
        if (position == 1 && play == Play::Group) {
            usageError(QStringLiteral("%1: 个位 has no 通选").arg(name()));
        }

        Session& session = context.session();
        showFormulaList(session, kind, kill);
        QElapsedTimer clock;
        clock.start();
        qint64 shown = 0;
        const auto progress = [&](int done, int total) {
            if (clock.elapsed() - shown >= 2000) {
                shown = clock.elapsed();
                context.note(QStringLiteral("ranking: %1 of %2 draws").arg(done).arg(total));
            }
            return true;
        };
        const int refused = context.dialogs().refusedCount();
        const std::optional<RankingStore> store = runHistoryRanking(session, progress);
        if (!store) {
            if (context.dialogs().refusedCount() > refused) {
                failRefused(context, name());
            }
            failure(QStringLiteral("%1: the ranking was not computed").arg(name()));
        }

        // The list stays in its compact rows; the cells are made while the document is written.
        const auto list = std::make_shared<const RankingList>(*store, position, play);
        Document& doc = context.document();
        doc.set(QStringLiteral("kind"), kind.shortName());
        doc.set(QStringLiteral("sense"), senseName(kill));
        doc.set(QStringLiteral("position"), positionWord(position), QStringLiteral("位数选择"));
        doc.set(QStringLiteral("play"), playWord(play), QStringLiteral("玩法选择"));
        doc.set(QStringLiteral("formulas"), store->formulaCount, QStringLiteral("formulas counted"));
        doc.set(QStringLiteral("count"), list->rowCount(), QStringLiteral("rows"));
        if (histogram) {
            const RankHistogram h = rankHistogram(*list);
            doc.set(QStringLiteral("chancePerRank"), h.chancePerRank, QStringLiteral("chance per rank"));
            Table& t = doc.addTable(QStringLiteral("ranks"),
                                    {{QStringLiteral("rank"), QStringLiteral("排位名次")},
                                     {QStringLiteral("count"), QStringLiteral("次数")},
                                     {QStringLiteral("chance"), QStringLiteral("随机基准")}},
                                    QStringLiteral("名次分布"));
            for (int r = 0; r < 10; ++r) {
                t.addRow({r + 1, h.counts[static_cast<std::size_t>(r)], h.chancePerRank});
            }
            return 0;
        }
        std::vector<Column> columns;
        for (const QString& h : list->headers()) {
            columns.push_back({h, h});
        }
        Table& t = doc.addTable(QStringLiteral("rows"), std::move(columns), QStringLiteral("历史开奖列表"));
        t.setRowSource(list->rowCount(), [list](int r) { return list->rowTexts(r); });
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeRankingCommand()
{
    return std::make_unique<RankingCommand>();
}

} // namespace korvel::cli
