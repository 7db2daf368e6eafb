#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "cli/SourceOptions.h"
#include "history/HistoryStore.h"
#include "history/OnlineUpdate.h"
#include "session/Session.h"
#include "settings/Options.h"

#include <QDate>

namespace korvel::cli {

namespace {

QString statusName(HistoryUpdateOutcome::Status status)
{
    switch (status) {
    case HistoryUpdateOutcome::Status::Stored:
        return QStringLiteral("stored");
    case HistoryUpdateOutcome::Status::NothingNew:
        return QStringLiteral("nothing new");
    case HistoryUpdateOutcome::Status::Failed:
        return QStringLiteral("failed");
    case HistoryUpdateOutcome::Status::Conflict:
        return QStringLiteral("conflict");
    case HistoryUpdateOutcome::Status::Cancelled:
        return QStringLiteral("cancelled");
    case HistoryUpdateOutcome::Status::StoreFailed:
        return QStringLiteral("store failed");
    }
    return {};
}

class HistoryUpdateCommand : public Command {
public:
    QString name() const override { return QStringLiteral("history update"); }
    QString summary() const override { return QStringLiteral("fetch and store the new draws from the sources"); }
    QString help() const override
    {
        return QStringLiteral(
                   "Usage: korvel-cli history update [--source official|chart|text] [--url URL]\n"
                   "\n"
                   "Fetches the draws after the newest stored one from the game's sources, tried in order, and\n"
                   "stores them, all in one transaction or none. An update only adds: a stored draw is never\n"
                   "deleted or rewritten. A downloaded draw that is stored already must agree on digits and\n"
                   "date, else nothing is stored and the issue is named with both values; new draws must\n"
                   "continue the stored sequence without a hole. With an empty history the update starts the\n"
                   "years of \"历史号码更新检索年数设置\" (IniSerchDay) back.\n"
                   "\n") +
               QString::fromUtf8(kSourceOptionsHelp) +
               QStringLiteral(
                   "\n"
                   "Prints what it added (first and last issue), the source, and the sources that failed; with\n"
                   "--json one document: added, first, last, source, errors, status (and conflicts, missing).\n"
                   "\n"
                   "Exit status: 0 draws were added or nothing is new; 3 every source failed or none had the\n"
                   "draw that must come next; 4 a source disagrees with the stored history (nothing stored);\n"
                   "1 the database failed; 2 a bad argument.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable = OptionTable{}.with(sourceOptions());
        const SourceOptions options = sourceOptionsOf(optionTable.read(name(), argv));

        Session& session = context.session();
        UpdateRequest request;
        request.game = session.options().game();
        request.sources = chosenSources(options, session, name());
        request.currentYear = QDate::currentDate().year();
        request.yearsWindow = session.options().searchYears();
        OnlineHistoryUpdate update(session.database(), session.history(), request);
        QObject::connect(
            &update, &OnlineHistoryUpdate::sourceStarted, &update,
            [&context](int, int, const QString& label) { context.note(QStringLiteral("来源 %1 ……").arg(label)); });
        const HistoryUpdateOutcome outcome = update.run();
        if (outcome.historyChanged()) {
            session.refreshAll();
        }
        context.note(onlineupdate::outcomeText(outcome));

        Document& doc = context.document();
        doc.set(QStringLiteral("status"), statusName(outcome.status));
        doc.set(QStringLiteral("added"), outcome.added);
        doc.set(QStringLiteral("first"), outcome.firstIssue.isEmpty() ? QJsonValue() : QJsonValue(outcome.firstIssue),
                QStringLiteral("first issue"));
        doc.set(QStringLiteral("last"), outcome.lastIssue.isEmpty() ? QJsonValue() : QJsonValue(outcome.lastIssue),
                QStringLiteral("last issue"));
        doc.set(QStringLiteral("source"), outcome.source.isEmpty() ? QJsonValue() : QJsonValue(outcome.source));
        if (!outcome.missing.isEmpty()) {
            doc.set(QStringLiteral("missing"), outcome.missing, QStringLiteral("missing issue"));
        }
        doc.set(QStringLiteral("count"), session.snapshot()->size(), QStringLiteral("draws"));
        Table& errors = doc.addTable(QStringLiteral("errors"),
                                     {{QStringLiteral("source"), QStringLiteral("source")},
                                      {QStringLiteral("problem"), QStringLiteral("problem")}},
                                     QStringLiteral("sources that failed"));
        for (const SourceError& e : outcome.errors) {
            errors.addRow({e.source, e.problem});
        }
        if (!outcome.conflicts.empty()) {
            Table& conflicts = doc.addTable(QStringLiteral("conflicts"),
                                            {{QStringLiteral("issue"), QStringLiteral("issue")},
                                             {QStringLiteral("stored"), QStringLiteral("stored")},
                                             {QStringLiteral("downloaded"), QStringLiteral("downloaded")},
                                             {QStringLiteral("sameDayAs"), QStringLiteral("same day as")}},
                                            QStringLiteral("conflicts"));
            for (const DrawConflict& c : outcome.conflicts) {
                conflicts.addRow({c.issue, c.stored, c.downloaded, c.otherIssue});
            }
        }
        switch (outcome.status) {
        case HistoryUpdateOutcome::Status::Stored:
        case HistoryUpdateOutcome::Status::NothingNew:
            return kExitOk;
        case HistoryUpdateOutcome::Status::Conflict:
            return kExitConflict;
        case HistoryUpdateOutcome::Status::StoreFailed:
            return kExitFailure;
        case HistoryUpdateOutcome::Status::Failed:
        case HistoryUpdateOutcome::Status::Cancelled:
            break;
        }
        return kExitSource;
    }
};

} // namespace

std::unique_ptr<Command> makeHistoryUpdateCommand()
{
    return std::make_unique<HistoryUpdateCommand>();
}

} // namespace korvel::cli
