#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "cli/SearchSupport.h"
#include "search/SearchKind.h"
#include "session/Session.h"
#include "session/SessionSearchHost.h"

#include <climits>
#include <optional>

namespace korvel::cli {

namespace {

// The found formulas with their held-out figures, then the rejected ones.
void addHoldoutTable(Document& doc, const std::vector<FoundFormula>& found, const QStringList& notes,
                     const QStringList& rejected)
{
    Table& t = doc.addTable(QStringLiteral("found"), {{QStringLiteral("gongshiCN"), QStringLiteral("公式")},
                                                      {QStringLiteral("gongshi"), QStringLiteral("gongshi")},
                                                      {QStringLiteral("kind"), QStringLiteral("种类")},
                                                      {QStringLiteral("holdout"), QStringLiteral("留出检验")}});
    // The notes belong to the visible lines; the newest `found.size()` of them are the unsaved results.
    const auto first = notes.size() - static_cast<qsizetype>(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        const qsizetype n = first + static_cast<qsizetype>(i);
        t.addRow({found[i].displayText, found[i].expressionText, found[i].kind.shortName(),
                  n >= 0 && n < notes.size() ? notes[n] : QString()});
    }
    Table& r =
        doc.addTable(QStringLiteral("rejectedFormulas"), {{QStringLiteral("line"), QStringLiteral("检验未通过")}});
    for (const QString& line : rejected) {
        r.addRow({line});
    }
}

class SearchCommand : public Command {
public:
    QString name() const override { return QStringLiteral("search"); }
    QString summary() const override { return QStringLiteral("the manual formula search (开始搜索)"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli search --kind KIND --sense SENSE (--count N | --candidates N) [--seed S]\n"
            "                         [--threads T] [--thresholds a,b,...] [--operands K] [--constant C|random]\n"
            "                         [--form bracket|equation] [--save append|replace]\n"
            "                         [--holdout K [--holdout-min R]] [--control] [--lags N]\n"
            "                         [--exhaustive-limit N]\n"
            "       korvel-cli search scheme ...   (see search scheme --help)\n"
            "\n"
            "\"开始搜索(&F)\" of the search window for one kind and sense, on every core: sums of parameters verified\n"
            "over the evaluation window (JSQS, ZqlJq); the ones within the thresholds are kept. A space of at most\n"
            "the exhaustive limit (候选公式总数, A+B and B+A counted once) is tried whole, in a fixed order, and the\n"
            "search stops by itself (已检索全部 N 个候选公式，合格 M 条); a larger one is sampled without repeats.\n"
            "Progress goes to stderr; the found formulas and the candidates per second to stdout.\n"
            "  --count N          stop after N found formulas (自动中止)\n"
            "  --candidates N     stop after N verified candidates\n"
            "  --seed S           the generator's seed: the same seed finds the same formulas, with any --threads\n"
            "  --threads T        worker threads (default: one per core)\n"
            "  --thresholds LIST  the fields 正确率 from,to, 最大连错 from,to, 最大连对 from,to, 最后连错 from,to,\n"
            "                     最后连对 from,to (32768: no upper bound); default the stored values of the kind\n"
            "  --operands K       operands per formula, 2-24 (default the kind's stored count; not stored)\n"
            "  --constant C       the tail constant (default 0; text that is not a number gives 0), or random\n"
            "                     (a digit per candidate); not stored, like every option of a run\n"
            "  --form F           bracket \"[个位单选杀]A+B\" (default) or equation \"A+B=下期杀个位单选\"\n"
            "  --save MODE        afterwards \"公式追加到数据库(&A)\" (append) or \"公式更新到数据库(&N)\" (replace)\n"
            "  --holdout K        留出最近 K 期检验: verify on the history without its newest K draws and judge\n"
            "                     every found formula on those K draws (rate and chance baseline); default the\n"
            "                     stored count (0: none); the count given is not stored\n"
            "  --holdout-min R    检验正确率 ≥ R percent on the held-out draws, else the formula is rejected and\n"
            "                     not saved (default: its own chance baseline)\n"
            "  --lags N           允许引用前N期: operands may be parameters of the N earlier draws (上期, 上上期,\n"
            "                     前N期; 0 off; default the stored setting, off)\n"
            "  --exhaustive-limit N  穷举上限: spaces of at most N candidates are tried whole (default the stored\n"
            "                     setting, 50000000)\n"
            "  --control          随机对照: afterwards the same search (settings, seed, candidates) on a copy of\n"
            "                     the history with random digits; prints 真实开奖: N 条, 随机开奖: M 条\n"
            "Ctrl-C stops the search and prints (and, with --save, saves) what was found.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        const Request r = read(argv);
        SessionSearchHost host(context.session());
        SearchSession search(host, r.options.threads);
        open(search, r);

        const int told = context.dialogs().messageCount();
        if (!search.startManual()) {
            failAsTold(context, told, QStringLiteral("%1: the search did not start").arg(name()));
        }
        context.note(QStringLiteral("search: 候选公式总数 %1").arg(spaceSizeText(search.candidateSpace())));
        const SearchRun run = runToEnd(search, context, [](const SearchProgress& p) {
            return QStringLiteral("search: %1 verified, %2 found, %3").arg(p.verified).arg(p.found).arg(p.spaceText);
        });
        const std::vector<FoundFormula> found = search.foundFormulas();
        const QStringList notes = search.resultNotes();
        const QStringList rejected = search.rejectedLines();
        const QString controlText = r.control && !run.interrupted ? runControl(search, context) : QString();
        report(context, search, r, run, found);
        if (r.save) {
            const int before = context.dialogs().messageCount();
            const bool saved = *r.save == 0 ? search.appendToDatabase() : search.updateToDatabase();
            if (!saved) {
                failAsTold(context, before, QStringLiteral("%1: the formulas were not saved").arg(name()));
            }
            context.document().set(QStringLiteral("saved"),
                                   *r.save == 0 ? QStringLiteral("append") : QStringLiteral("replace"));
        }
        Document& doc = context.document();
        if (search.holdout() > 0) {
            doc.set(QStringLiteral("holdout"), search.holdout(), QStringLiteral("留出最近 K 期检验"));
            doc.set(QStringLiteral("rejected"), static_cast<int>(rejected.size()),
                    QStringLiteral("检验未通过 (not saved)"));
        }
        if (!controlText.isEmpty()) {
            doc.set(QStringLiteral("control"), controlText, QStringLiteral("随机对照"));
        }
        if (search.holdout() > 0) {
            addHoldoutTable(doc, found, notes, rejected);
        } else {
            addFoundTable(doc, found);
        }
        return 0;
    }

private:
    struct Request {
        FormulaKind kind;
        bool kill = true;
        std::optional<int> count, candidates, operands, holdout, save; // save: 0 append, 1 replace
        std::optional<QString> thresholds, holdoutMin;
        bool control = false;
        SearchOptions options;
    };

    Request read(const QStringList& argv) const
    {
        static const OptionTable optionTable =
            OptionTable{
                opt::requiredKind(),
                opt::requiredSense(),
                opt::integer(QStringLiteral("--count"), 1, kMaxFound),
                opt::integer(QStringLiteral("--candidates"), 1, INT_MAX),
                opt::text(QStringLiteral("--thresholds")),
                opt::integer(QStringLiteral("--operands"), kMinOperands, kMaxOperands),
                opt::words(QStringLiteral("--save"), {{QStringLiteral("append")}, {QStringLiteral("replace")}})
                    .withCommand(),
                opt::integer(QStringLiteral("--holdout"), 0, INT_MAX),
                opt::text(QStringLiteral("--holdout-min")),
                opt::flag(QStringLiteral("--control")),
            }
                .with(searchOptions());
        const OptionValues args = optionTable.read(name(), argv);
        Request r;
        r.kind = *args.kind();
        r.kill = *args.sense();
        r.count = args.integer(QStringLiteral("--count"));
        r.candidates = args.integer(QStringLiteral("--candidates"));
        if (!r.count && !r.candidates) {
            usageError(QStringLiteral("%1: give --count N or --candidates N").arg(name()));
        }
        r.thresholds = args.text(QStringLiteral("--thresholds"));
        r.operands = args.integer(QStringLiteral("--operands"));
        r.save = args.word(QStringLiteral("--save"));
        r.holdout = args.integer(QStringLiteral("--holdout"));
        r.holdoutMin = args.text(QStringLiteral("--holdout-min"));
        r.control = args.flag(QStringLiteral("--control"));
        r.options = searchOptionsOf(args);
        return r;
    }

    // The search window as the options set it, for this run only.
    static void open(SearchSession& search, const Request& r)
    {
        if (r.options.seed) {
            search.setSeed(*r.options.seed);
        }
        search.open();
        search.setPosition(r.kind.position);
        search.setPlay(r.kind.play);
        search.setKill(r.kill);
        applyCandidateOptions(search, r.options);
        if (r.thresholds) {
            applyThresholds(search, QStringLiteral("--thresholds"), *r.thresholds);
        }
        if (r.operands) {
            // For this run only: never written, so no way of ending the run can leave it stored.
            search.setOperandCountForRun(*r.operands);
        }
        if (r.count) {
            search.setAutoStop(true);
            search.setAutoStopText(QString::number(*r.count));
        }
        if (r.candidates) {
            search.setCandidateLimit(*r.candidates);
        }
        if (r.holdout) {
            search.setHoldout(*r.holdout, false);
        }
        if (r.holdoutMin) {
            search.setHoldoutMinText(*r.holdoutMin);
        }
    }

    // 随机对照: the same search on random digits; its line, or "interrupted".
    QString runControl(SearchSession& search, CliContext& context) const
    {
        const int before = context.dialogs().messageCount();
        if (!search.startControl()) {
            failAsTold(context, before, QStringLiteral("%1 --control: the control did not start").arg(name()));
        }
        const SearchRun controlRun = runToEnd(search, context, [](const SearchProgress& p) {
            return QStringLiteral("search --control: %1 verified on random digits").arg(p.verified);
        });
        return controlRun.interrupted ? QStringLiteral("interrupted") : search.controlText();
    }

    static void report(CliContext& context, SearchSession& search, const Request& r, const SearchRun& run,
                       const std::vector<FoundFormula>& found)
    {
        Document& doc = context.document();
        doc.set(QStringLiteral("kind"), r.kind.shortName());
        doc.set(QStringLiteral("sense"), senseName(r.kill));
        doc.set(QStringLiteral("seed"), QString::number(run.progress.seed));
        doc.set(QStringLiteral("operands"), search.operandCount());
        doc.set(QStringLiteral("thresholds"), thresholdsValue(search.thresholdFields()));
        doc.set(QStringLiteral("stoppedBy"), stopText(run.progress.reason, run.interrupted),
                QStringLiteral("stopped by"));
        doc.set(QStringLiteral("found"), static_cast<int>(found.size()), QStringLiteral("检索合格公式数"));
        doc.set(QStringLiteral("space"), spaceSizeText(search.candidateSpace()), QStringLiteral("候选公式总数"));
        doc.set(QStringLiteral("covered"), run.progress.spaceText, QStringLiteral("space covered"));
        if (!run.progress.exhaustedText.isEmpty()) {
            doc.set(QStringLiteral("exhausted"), run.progress.exhaustedText, QStringLiteral("exhausted"));
        }
        addRate(doc, run, search.threadCount());
    }
};

} // namespace

std::unique_ptr<Command> makeSearchCommand()
{
    return std::make_unique<SearchCommand>();
}

} // namespace korvel::cli
