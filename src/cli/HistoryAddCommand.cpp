#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "history/DrawEntry.h"
#include "history/HistorySnapshot.h"
#include "session/Session.h"

#include <QRegularExpression>

namespace korvel::cli {

namespace {

class HistoryAddCommand : public Command {
public:
    QString name() const override { return QStringLiteral("history add"); }
    QString summary() const override { return QStringLiteral("store a drawn number (the entry line)"); }
    QString help() const override
    {
        return QStringLiteral("Usage: korvel-cli history add ISSUE DATE DIGITS\n"
                              "\n"
                              "Stores a draw as the entry line does: ISSUE as typed (an issue already stored is "
                              "refused), DATE as\nYYYY-MM-DD (2012/5/20 is read too), DIGITS the three digits 百位 "
                              "十位 个位, e.g. 358.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{{},
                                             {opt::positional(QStringLiteral("ISSUE")),
                                              opt::positional(QStringLiteral("DATE")),
                                              opt::positional(QStringLiteral("DIGITS"))}};
        const OptionValues args = optionTable.read(name(), argv);
        const QString issue = *args.positional(QStringLiteral("ISSUE"));
        const QString date = *args.positional(QStringLiteral("DATE"));
        const QString digits = *args.positional(QStringLiteral("DIGITS"));
        static const QRegularExpression threeDigits(QStringLiteral("^[0-9]{3}$"));
        if (!threeDigits.match(digits).hasMatch()) {
            usageError(
                QStringLiteral("%1: DIGITS must be three digits (百位 十位 个位), not \"%2\"").arg(name(), digits));
        }
        // The date field of the window always holds a date; a text that is none would give wrong date
        // parameters.
        if (!parseEntryDate(date).isValid()) {
            usageError(QStringLiteral("%1: \"%2\" is not a date (YYYY-MM-DD)").arg(name(), date));
        }

        Session& session = context.session();
        session.setNextIssue(issue.trimmed());
        session.setEntryDate(date);
        session.normaliseEntryDate();
        const QString storedDate = session.entryDate();
        switch (session.enterDraw(digits.mid(0, 1), digits.mid(1, 1), digits.mid(2, 1))) {
        case EntryResult::Stored:
            break;
        case EntryResult::Duplicate:
        case EntryResult::EmptyIssue:
            throw CliError(kExitUsage, {}); // told through the dialogs
        case EntryResult::Failed:
            throw CliError(kExitFailure, {});
        }
        Document& doc = context.document();
        doc.set(QStringLiteral("strQQH"), issue.trimmed(), QStringLiteral("期号"));
        doc.set(QStringLiteral("date"), storedDate, QStringLiteral("日期"));
        doc.set(QStringLiteral("digits"), digits, QStringLiteral("开奖号"));
        doc.set(QStringLiteral("nextIssue"), session.nextIssue(), QStringLiteral("next issue"));
        doc.set(QStringLiteral("count"), session.snapshot()->size(), QStringLiteral("draws"));
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeHistoryAddCommand()
{
    return std::make_unique<HistoryAddCommand>();
}

} // namespace korvel::cli
