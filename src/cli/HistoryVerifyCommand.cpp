#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "cli/SourceOptions.h"
#include "history/HistoryVerify.h"
#include "session/Session.h"
#include "settings/Options.h"

#include <QDate>
#include <QJsonArray>

namespace korvel::cli {

namespace {

class HistoryVerifyCommand : public Command {
public:
    QString name() const override { return QStringLiteral("history verify"); }
    QString summary() const override { return QStringLiteral("compare the stored draws with a source"); }
    QString help() const override
    {
        return QStringLiteral(
                   "Usage: korvel-cli history verify [--source official|chart|text] [--url URL] [--pages N]\n"
                   "\n"
                   "Compares the stored history with what a source gives, draw by draw: the draws that agree,\n"
                   "those that differ (digits or date), those the source gives that are not stored, and the\n"
                   "stored ones between the source's oldest and newest draw that it does not give. The sources\n"
                   "are tried in order until one answers; an official source is read N pages back (default 1,\n"
                   "its newest draws), a per-year chart N years back, a text file whole. Nothing is changed.\n"
                   "\n") +
               QString::fromUtf8(kSourceOptionsHelp) +
               QStringLiteral("\nExit status: 0 every compared draw agrees; 4 some differ; 3 no source answered; 2 a "
                              "bad argument.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable =
            OptionTable{}
                .with(sourceOptions())
                .with({opt::integer(QStringLiteral("--pages"), 1, 500)
                           .refusing(QStringLiteral("%3: --pages takes a number 1..500"))});
        const OptionValues args = optionTable.read(name(), argv);
        const SourceOptions options = sourceOptionsOf(args);
        const int pages = args.integer(QStringLiteral("--pages")).value_or(1);

        Session& session = context.session();
        VerifyRequest request;
        request.game = session.options().game();
        request.sources = chosenSources(options, session, name());
        request.currentYear = QDate::currentDate().year();
        request.pages = pages;
        HistoryVerify verify(session.history(), request);
        const HistoryVerification r = verify.run();
        context.note(verifytext::report(r));

        Document& doc = context.document();
        doc.set(QStringLiteral("source"), r.source.isEmpty() ? QJsonValue() : QJsonValue(r.source));
        doc.set(QStringLiteral("sourceDraws"), r.sourceDraws, QStringLiteral("source draws"));
        doc.set(QStringLiteral("agree"), r.agree);
        doc.set(QStringLiteral("differ"), static_cast<int>(r.differ.size()));
        doc.set(QStringLiteral("missingHere"), QJsonArray::fromStringList(r.missingHere),
                QStringLiteral("missing here"));
        doc.set(QStringLiteral("missingThere"), QJsonArray::fromStringList(r.missingThere),
                QStringLiteral("missing at the source"));
        Table& differ = doc.addTable(QStringLiteral("differences"),
                                     {{QStringLiteral("issue"), QStringLiteral("issue")},
                                      {QStringLiteral("stored"), QStringLiteral("stored")},
                                      {QStringLiteral("source"), QStringLiteral("source")}},
                                     QStringLiteral("draws that differ"));
        for (const VerifyDifference& d : r.differ) {
            differ.addRow({d.issue, d.stored, d.source});
        }
        Table& errors = doc.addTable(QStringLiteral("errors"),
                                     {{QStringLiteral("source"), QStringLiteral("source")},
                                      {QStringLiteral("problem"), QStringLiteral("problem")}},
                                     QStringLiteral("sources that failed"));
        for (const auto& [source, problem] : r.errors) {
            errors.addRow({source, problem});
        }
        if (!r.ok) {
            return kExitSource;
        }
        return r.differ.empty() ? kExitOk : kExitConflict;
    }
};

} // namespace

std::unique_ptr<Command> makeHistoryVerifyCommand()
{
    return std::make_unique<HistoryVerifyCommand>();
}

} // namespace korvel::cli
