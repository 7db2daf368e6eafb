#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/BundledHistory.h"
#include "history/DrawFileImport.h"
#include "history/HistorySnapshot.h"
#include "session/Session.h"
#include "settings/Options.h"

namespace korvel::cli {

namespace {

class HistoryImportCommand : public Command {
public:
    QString name() const override { return QStringLiteral("history import"); }
    QString summary() const override { return QStringLiteral("store the draws of a text file"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli history import FILE\n"
            "       korvel-cli history import --bundled [--game 福彩3D|排列3]\n"
            "\n"
            "Stores the draws of FILE (UTF-8 or GBK) after the newest stored issue, all in one transaction or\n"
            "none. The layout is found per file and named in the report: \"issue,date,digits\" (comma,\n"
            "semicolon or TAB), blank- or TAB-separated \"issue date d d d [more columns]\", the history text\n"
            "export's \"issue ddd\", or a CSV with a header (期号,百位,十位,个位 / 期号,开奖号码 /\n"
            "issue,date,...). Stored and repeated issues are skipped; lines that cannot be read, and draws dated\n"
            "on the day of another, are rejected with their numbers. For 福彩3D, draws dated before 2004-10-18\n"
            "(before the national numbering) are skipped and counted, and 2004285-2004359 dated from then on\n"
            "(the plain-text history's numbering) are stored as the official 2004001-2004075 by date. A file\n"
            "with nothing to store stores nothing, says \"没有可导入的开奖号码\" and exits with status 2.\n"
            "\n"
            "--bundled stores the history shipped with the program instead (share/korvel/fc3d_draws.tsv or\n"
            "pl3_draws.tsv beside the program's folder): the draws newer than the newest stored one. --game\n"
            "chooses the game's file (default: the game of the settings, \"彩种选择\"); the setting is not\n"
            "changed. A missing or damaged bundled file stores nothing (exit status 2).\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        // --game: "福彩3D" or "排列3" (also "体彩排列3", and the stored numbers 53 and 3).
        static const OptionTable optionTable{
            {opt::flag(QStringLiteral("--bundled")),
             opt::words(QStringLiteral("--game"),
                        {{Options::gameCaption(Options::kGameFc3d), QStringLiteral("53")},
                         {QStringLiteral("排列3"), QStringLiteral("3"), Options::gameCaption(Options::kGamePl3)}})
                 .refusing(QStringLiteral("%3: \"%2\" is not a game (福彩3D or 排列3)"))},
            {opt::optionalPositional(QStringLiteral("FILE"))}};
        const OptionValues args = optionTable.read(name(), argv);
        const bool bundled = args.flag(QStringLiteral("--bundled"));
        const std::optional<int> gameWord = args.word(QStringLiteral("--game"));
        if (gameWord && !bundled) {
            usageError(QStringLiteral("%1: --game goes with --bundled").arg(name()));
        }
        if (const std::optional<QString> extra = args.positional(QStringLiteral("FILE")); extra && bundled) {
            usageError(QStringLiteral("%1: unexpected argument \"%2\" (see %1 --help)").arg(name(), *extra));
        }
        const QString file = bundled ? QString() : existingFile(name(), args.neededPositional(QStringLiteral("FILE")));

        Session& session = context.session();
        const int told = context.dialogs().messageCount();
        DrawFileReport report;
        if (bundled) {
            session.setBundledFolders(bundledHistoryFolders());
            report = session.importBundledHistory(gameWord ? (*gameWord == 0 ? Options::kGameFc3d : Options::kGamePl3)
                                                           : session.options().game());
        } else {
            context.dialogs().setNextFile(file);
            report = importDrawFile(session.database(), session.history(), context.dialogs(), session.dataFolder(),
                                    session.options().game());
        }
        if (!report.ok) {
            // A file that is not text is the user's; a failed store is the database's.
            failAsTold(context, told, QStringLiteral("%1: %2").arg(name(), report.error));
        }
        if (report.added > 0 && !bundled) { // the bundled import refreshes itself
            session.refreshAll();
        }

        Document& doc = context.document();
        doc.set(QStringLiteral("added"), report.added);
        doc.set(QStringLiteral("skipped"), report.skipped);
        doc.set(QStringLiteral("beforeNational"), report.beforeNational, QStringLiteral("before 2004-10-18"));
        doc.set(QStringLiteral("renumbered"), static_cast<int>(report.renumbered.size()));
        doc.set(QStringLiteral("estimatedDates"), report.estimatedDates, QStringLiteral("estimated dates"));
        if (!report.layout.isEmpty()) {
            doc.set(QStringLiteral("layout"), report.layout);
        }
        if (!report.encoding.isEmpty()) {
            doc.set(QStringLiteral("encoding"), report.encoding);
        }
        if (report.added > 0) {
            doc.set(QStringLiteral("firstIssue"), report.firstIssue, QStringLiteral("first issue"));
            doc.set(QStringLiteral("lastIssue"), report.lastIssue, QStringLiteral("last issue"));
        }
        doc.set(QStringLiteral("count"), session.snapshot()->size(), QStringLiteral("draws"));
        Table& rejected = doc.addTable(QStringLiteral("rejected"),
                                       {{QStringLiteral("line"), QStringLiteral("line")},
                                        {QStringLiteral("text"), QStringLiteral("text")},
                                        {QStringLiteral("reason"), QStringLiteral("reason")}},
                                       QStringLiteral("rejected lines"));
        for (const RejectedDrawLine& r : report.rejected) {
            rejected.addRow({r.number, r.text, r.reason});
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeHistoryImportCommand()
{
    return std::make_unique<HistoryImportCommand>();
}

} // namespace korvel::cli
