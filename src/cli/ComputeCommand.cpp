#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/HistorySnapshot.h"
#include "session/Session.h"
#include "session/TallyCommand.h"
#include "settings/Options.h"
#include "tally/SortSettings.h"
#include "tally/TallyResult.h"

namespace korvel::cli {

namespace {

// The method option of "计算方法" for one run: set for the session only, so that nothing reaches the
// settings file however the run ends; the session's own value comes back afterwards.
class MethodForRun {
public:
    MethodForRun(Options& options, std::optional<bool> selected)
        : m_options(options), m_stored(options.computeSelected())
    {
        if (selected && *selected != m_stored) {
            m_options.setComputeSelectedForRun(*selected);
            m_changed = true;
        }
    }
    ~MethodForRun()
    {
        if (m_changed) {
            m_options.setComputeSelectedForRun(m_stored);
        }
    }
    MethodForRun(const MethodForRun&) = delete;
    MethodForRun& operator=(const MethodForRun&) = delete;

private:
    Options& m_options;
    bool m_stored;
    bool m_changed = false;
};

int sortOption(const QString& key)
{
    for (int o = 0; o < SortDialogState::kOptionCount; ++o) {
        if (key == SortDialogState::optionCaption(o)) {
            return o;
        }
    }
    const int byColumn = SortDialogState::optionOfColumn(key);
    if (byColumn < 0) {
        usageError(
            QStringLiteral("compute --sort: unknown key \"%1\" (正确率, 最大连错, 最大连对, 最后连错, 最后连对 or "
                           "sglGsRate, intGsErrCon, intGsTrueCon, intGsErrLst, intGsTrueLst)")
                .arg(key));
    }
    return byColumn;
}

class ComputeCommand : public Command {
public:
    QString name() const override { return QStringLiteral("compute"); }
    QString summary() const override { return QStringLiteral("tally a draw (计算公式)"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli compute [--position P] [--play PLAY] [--sense SENSE] [--method selected|best]\n"
            "                          [--mode next|verify] [--issue ISSUE] [--keep-limit N] [--sort K1,K2,K3]\n"
            "\n"
            "\"计算公式(&C)\" with the choice panel set as given: the tally and the result view's lists, per page\n"
            "(排序序号, 号码, 杀留Err值, 杀码Err值, 留码Err值, 保留/滤杀) and the value summary (杀留次数, 个数, "
            "号码).\n"
            "  --position P   1 个位, 2 十位, 3 百位 (default 3)\n"
            "  --play PLAY    单选, 通选, 单双 or 大小 (default 单选)\n"
            "  --sense SENSE  kill / keep (default kill)\n"
            "  --method M     selected (计算选中公式: every formula of the list) or best (最优公式法); default the\n"
            "                 stored choice, which this run leaves as it is\n"
            "  --mode M       next (计算下期结果, default) or verify (验证历史结果)\n"
            "  --issue ISSUE  the issue to verify (implies --mode verify; default the newest draw)\n"
            "  --keep-limit N best method: the number of digits kept (default 3, as 公式排序设置 shows it); in a\n"
            "                 kill run 10 or more counts no formula\n"
            "  --sort KEYS    best method: up to three sort keys, 正确率, 最大连错, 最大连对, 最后连错, 最后连对\n"
            "                 (or their columns); default 正确率,最大连对,最后连对\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        const Request request = read(argv);
        Session& session = context.session();
        const MethodForRun method(session.options(), request.selected);
        const bool best = !session.options().computeSelected();
        if (!best && (request.keepLimit || request.sortKeys)) {
            usageError(QStringLiteral("%1: --keep-limit and --sort belong to --method best").arg(name()));
        }
        if (request.issue && session.snapshot()->rowOfIssue(*request.issue) < 0) {
            usageError(QStringLiteral("%1: unknown issue %2").arg(name(), *request.rawIssue));
        }
        choosePanel(session, request, best);

        TallyCommand command(session);
        const TallyCommand::Run run = command.compute();
        if (!run.outcome.done()) {
            throw CliError(kExitUsage, {}); // the reason was told (the verify issue)
        }
        TallyResult result(&session.database());
        result.load(command.tally(), run.view);
        if (!result.writeError().isEmpty()) {
            context.note(
                QStringLiteral("compute: the work table ErrarrLei was not written: %1").arg(result.writeError()));
        }
        report(context.document(), session, run, result, best);
        return 0;
    }

private:
    // The choice panel as the options set it.
    struct Request {
        int position = 3;
        Session::PlayChoice play = Session::PlayChoice::Single;
        bool kill = true;
        std::optional<bool> selected; // --method; else the stored choice
        bool verify = false;
        std::optional<QString> issue, rawIssue;
        std::optional<int> keepLimit;
        std::optional<QStringList> sortKeys;
    };

    Request read(const QStringList& argv) const
    {
        static const OptionTable optionTable{
            opt::position(),
            opt::play(),
            opt::sense(),
            methodOption(),
            opt::words(QStringLiteral("--mode"), {{QStringLiteral("next"), QStringLiteral("计算下期结果")},
                                                  {QStringLiteral("verify"), QStringLiteral("验证历史结果")}})
                .withCommand(),
            opt::text(QStringLiteral("--issue")),
            // 10 or more in a kill run (0 in a keep run) counts no formula, as the dialog allows.
            opt::integer(QStringLiteral("--keep-limit"), -32768, 32767),
            opt::text(QStringLiteral("--sort")),
        };
        const OptionValues args = optionTable.read(name(), argv);
        Request r;
        r.position = args.position().value_or(3);
        r.play = args.play().value_or(Session::PlayChoice::Single);
        if (r.play == Session::PlayChoice::Group && r.position == 1) {
            usageError(QStringLiteral("%1: 个位 has no 通选").arg(name()));
        }
        r.kill = args.sense().value_or(true);
        if (const std::optional<int> method = args.word(QStringLiteral("--method"))) {
            r.selected = *method != kMethodBest;
        }
        r.rawIssue = args.text(QStringLiteral("--issue"));
        if (r.rawIssue) {
            r.issue = r.rawIssue->trimmed();
        }
        r.verify = r.issue.has_value();
        if (const std::optional<int> mode = args.word(QStringLiteral("--mode"))) {
            if (*mode == 0 && r.issue) {
                usageError(QStringLiteral("%1: --issue is the issue to verify; it needs --mode verify").arg(name()));
            }
            r.verify = *mode == 1;
        }
        r.keepLimit = args.integer(QStringLiteral("--keep-limit"));
        if (const std::optional<QString> sort = args.text(QStringLiteral("--sort"))) {
            r.sortKeys = sort->split(QLatin1Char(','), Qt::SkipEmptyParts);
        }
        return r;
    }

    void choosePanel(Session& session, const Request& r, bool best) const
    {
        using P = Session::PlayChoice;
        showFormulaList(session, FormulaKind{r.position, r.play == P::Group ? Play::Group : Play::Single}, r.kill);
        if (r.play == P::OddEven || r.play == P::BigSmall) {
            session.choices().setPlayChoice(r.play);
        }
        session.choices().setVerifyMode(r.verify);
        if (r.issue) {
            session.choices().setVerifyIssue(*r.issue);
        }
        if (!best) {
            return;
        }
        // "公式排序设置" confirmed with the choices given (the dialog's limit box shows 3 each time).
        SortDialogState& dialog = session.sortDialogState();
        dialog.activate();
        if (r.sortKeys) {
            if (r.sortKeys->size() > SortDialogState::kGroupCount) {
                usageError(QStringLiteral("%1 --sort: at most three keys").arg(name()));
            }
            for (int g = 0; g < r.sortKeys->size(); ++g) {
                dialog.choose(g, sortOption((*r.sortKeys)[g].trimmed()));
            }
        }
        if (r.keepLimit) {
            dialog.setLimitText(QString::number(*r.keepLimit));
        }
        session.sortSettings() = dialog.confirm();
    }

    static void report(Document& doc, Session& session, const TallyCommand::Run& run, const TallyResult& result,
                       bool best)
    {
        doc.set(QStringLiteral("caption"), result.caption(), QStringLiteral("title"));
        const SnapshotPtr history = session.snapshot();
        if (run.outcome.referenceRow >= 0) {
            doc.set(QStringLiteral("referenceIssue"), history->issue(run.outcome.referenceRow),
                    QStringLiteral("values taken on"));
        }
        doc.set(QStringLiteral("method"), best ? QStringLiteral("最优公式法") : QStringLiteral("计算选中公式"));
        if (best) {
            const SortSettings& sort = session.sortSettings();
            QStringList keys;
            for (const QString& k : sort.sortKeys) {
                keys << SortDialogState::optionCaption(SortDialogState::optionOfColumn(k));
            }
            doc.set(QStringLiteral("sort"), keys.join(QLatin1Char(',')));
            doc.set(QStringLiteral("keepLimit"), sort.keepLimit, QStringLiteral("keep limit"));
        }
        if (result.hasFirstChoiceSum()) {
            QString label = result.firstChoiceLabel();
            label.chop(1); // the colon of the label
            doc.set(QStringLiteral("firstChoiceSum"), result.firstChoiceSum(), label);
        }
        for (int p = 0; p < result.pageCount(); ++p) {
            const ResultPage& page = result.page(p);
            Document& item =
                doc.addItem(QStringLiteral("pages"), page.tabCaption.isEmpty() ? result.caption() : page.tabCaption);
            if (!page.tabCaption.isEmpty()) {
                item.set(QStringLiteral("tab"), page.tabCaption);
            }
            const QStringList h = result.listHeaders(p);
            Table& rows = item.addTable(QStringLiteral("rows"),
                                        {{h[0], h[0]},
                                         {h[1], h[1]},
                                         {QStringLiteral("num"), QStringLiteral("num"), Column::Show::JsonOnly},
                                         {QStringLiteral("ETrrcount"), h[2]},
                                         {QStringLiteral("Errcount"), h[3]},
                                         {QStringLiteral("Trrcount"), h[4]},
                                         {h[5], h[5]}},
                                        QStringLiteral("该类公式计算综合结果"));
            for (const ResultRow& r : page.rows) {
                rows.addRow({QString::number(r.rank), r.label, r.num, r.senseCount, r.err, r.trr, r.markText()});
            }
            const QStringList headers = TallyResult::summaryHeaders();
            Table& summary =
                item.addTable(QStringLiteral("summary"),
                              {{headers[0], headers[0]}, {headers[1], headers[1]}, {headers[2], headers[2]}},
                              QStringLiteral("公式总计算结果情况统计"));
            for (const SummaryRow& s : page.summary) {
                summary.addRow({QString::number(s.value), QString::number(s.count), s.numbers});
            }
        }
    }
};

} // namespace

std::unique_ptr<Command> makeComputeCommand()
{
    return std::make_unique<ComputeCommand>();
}

} // namespace korvel::cli
