#include "cli/SearchSupport.h"

#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Document.h"
#include "cli/Interrupt.h"
#include "search/SearchText.h"

#include <QElapsedTimer>
#include <QJsonArray>

#include <cmath>

namespace korvel::cli {

std::vector<OptionDecl> searchOptions()
{
    return {
        opt::unsignedNumber(QStringLiteral("--seed")).withCommand(),
        opt::integer(QStringLiteral("--threads"), 1, 1024).withCommand(),
        // As the window's field: a text that is not a number gives the constant 0; a number outside 16 bits
        // is refused when the search starts.
        opt::text(QStringLiteral("--constant")),
        opt::integer(QStringLiteral("--lags"), 0, kMaxLag).withCommand(),
        opt::unsignedNumber(QStringLiteral("--exhaustive-limit"))
            .withCommand()
            .refusing(QStringLiteral("%1: \"%2\" is not a whole number")),
        opt::words(QStringLiteral("--form"), {{QStringLiteral("bracket")}, {QStringLiteral("equation")}}).withCommand(),
    };
}

SearchOptions searchOptionsOf(const OptionValues& values)
{
    SearchOptions o;
    o.seed = values.unsignedNumber(QStringLiteral("--seed"));
    o.threads = values.integer(QStringLiteral("--threads")).value_or(0);
    if (const std::optional<QString> constant = values.text(QStringLiteral("--constant"))) {
        o.constant = constant->trimmed();
    }
    o.lags = values.integer(QStringLiteral("--lags"));
    o.exhaustiveLimit = values.unsignedNumber(QStringLiteral("--exhaustive-limit"));
    if (const std::optional<int> form = values.word(QStringLiteral("--form"))) {
        o.form = *form == 0 ? DisplayForm::Bracket : DisplayForm::Equation;
    }
    return o;
}

void applyCandidateOptions(SearchSession& search, const SearchOptions& options)
{
    if (options.constant) {
        if (options.constant->compare(QLatin1String("random"), Qt::CaseInsensitive) == 0 ||
            *options.constant == QStringLiteral("随机")) {
            search.setConstantMode(ConstantMode::Random);
        } else {
            search.setConstantMode(ConstantMode::Specified);
            search.setConstantText(*options.constant);
        }
    }
    if (options.form) {
        search.setDisplayForm(*options.form);
    }
    // For this run only, like every option of a run.
    if (options.lags) {
        search.setMaxLag(*options.lags, false);
    }
    if (options.exhaustiveLimit) {
        search.setExhaustiveLimit(*options.exhaustiveLimit, false);
    }
}

void applyThresholds(SearchSession& search, const QString& option, const QString& list)
{
    const QStringList values = list.split(QLatin1Char(','));
    if (values.size() > kThresholdSlots) {
        usageError(
            QStringLiteral("%1: at most ten values (正确率, 最大连错, 最大连对, 最后连错, 最后连对, each from and to)")
                .arg(option));
    }
    for (int i = 0; i < values.size(); ++i) {
        const QString v = values[i].trimmed();
        if (v.isEmpty()) {
            continue; // an empty place keeps the field
        }
        if (!isNumericText(v)) {
            usageError(QStringLiteral("%1: \"%2\" is not a number").arg(option, v));
        }
        search.setThresholdField(i, v);
    }
}

SearchRun runToEnd(SearchSession& search, CliContext& context,
                   const std::function<QString(const SearchProgress&)>& progressLine)
{
    SearchRun run;
    QElapsedTimer clock;
    clock.start();
    qint64 shown = 0;
    for (;;) {
        run.progress = search.waitForRun(200);
        if (!run.progress.running) {
            break;
        }
        if (interruptRequested()) {
            run.interrupted = true;
            switch (run.progress.mode) {
            case SearchMode::Manual:
            case SearchMode::Control:
                search.pauseManual();
                break;
            case SearchMode::Scheme:
                search.pauseScheme();
                break;
            case SearchMode::Tuning:
            case SearchMode::TuningAllKinds:
                search.cancelTuning();
                break;
            case SearchMode::None:
                break;
            }
            run.progress = search.poll();
            break;
        }
        if (clock.elapsed() - shown >= 2000) {
            shown = clock.elapsed();
            context.note(progressLine(run.progress) + QStringLiteral(", ") +
                         rateText(run.progress.verified, double(clock.elapsed()) / 1000.0));
        }
    }
    run.seconds = double(clock.nsecsElapsed()) / 1e9;
    return run;
}

QString stopText(StopReason reason, bool interrupted)
{
    if (interrupted) {
        return QStringLiteral("interrupt");
    }
    switch (reason) {
    case StopReason::AutoStop:
        return QStringLiteral("count");
    case StopReason::CandidateLimit:
        return QStringLiteral("candidates");
    case StopReason::Full:
        return QStringLiteral("full");
    case StopReason::SchemeDone:
        return QStringLiteral("scheme done");
    case StopReason::TuningDone:
        return QStringLiteral("tuning done");
    case StopReason::SpaceExhausted:
        return QStringLiteral("exhausted");
    case StopReason::None:
        break;
    }
    return QStringLiteral("none");
}

QString rateText(std::int64_t verified, double seconds)
{
    return QStringLiteral("%1 candidates/s").arg(seconds > 0 ? static_cast<qint64>(double(verified) / seconds) : 0);
}

void addRate(Document& doc, const SearchRun& run, int threads)
{
    doc.set(QStringLiteral("verified"), static_cast<qint64>(run.progress.verified), QStringLiteral("当前验证公式数"));
    doc.set(QStringLiteral("threads"), threads);
    doc.set(QStringLiteral("seconds"), std::round(run.seconds * 1000.0) / 1000.0);
    const qint64 rate = run.seconds > 0 ? static_cast<qint64>(double(run.progress.verified) / run.seconds) : 0;
    doc.set(QStringLiteral("candidatesPerSecond"), rate, QStringLiteral("candidates per second"));
}

void addFoundTable(Document& doc, const std::vector<FoundFormula>& found)
{
    Table& t = doc.addTable(QStringLiteral("formulas"),
                            {{QStringLiteral("gongshiCN"), QStringLiteral("公式")},
                             {QStringLiteral("gongshi"), QStringLiteral("gongshi")},
                             {QStringLiteral("种类"), QStringLiteral("种类")},
                             {QStringLiteral("kind"), QStringLiteral("kind"), Column::Show::JsonOnly}});
    for (const FoundFormula& f : found) {
        t.addRow({f.displayText, f.expressionText, f.kind.label(), f.kind.shortName()});
    }
}

QJsonValue thresholdsValue(const std::array<QString, kThresholdSlots>& fields)
{
    QJsonArray a;
    for (const QString& f : fields) {
        a.append(f);
    }
    return a;
}

} // namespace korvel::cli
