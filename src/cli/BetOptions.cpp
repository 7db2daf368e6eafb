#include "cli/BetOptions.h"

#include "bets/FilterSets.h"
#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "session/Session.h"
#include "tally/SortSettings.h"

#include <QRegularExpression>

namespace korvel::cli {

namespace {

int keepPosition(const QString& word)
{
    const QString w = word.trimmed();
    if (w == QStringLiteral("百位") || w == QStringLiteral("百") || w == QLatin1String("hundreds")) {
        return 0;
    }
    if (w == QStringLiteral("十位") || w == QStringLiteral("十") || w == QLatin1String("tens")) {
        return 1;
    }
    if (w == QStringLiteral("个位") || w == QStringLiteral("个") || w == QLatin1String("units")) {
        return 2;
    }
    return -1;
}

template <typename T> T orUsage(std::optional<T> value, const QString& option, const QString& error)
{
    if (!value) {
        usageError(QStringLiteral("bets %1: %2").arg(option, error));
    }
    return *value;
}

template <std::size_t N>
void setValues(BetFilters::Choice<N>& choice, const std::optional<QString>& text, const QString& option, int max)
{
    if (!text) {
        return;
    }
    QString error;
    const std::vector<int> values = orUsage(parseValueList(*text, 0, max, &error), option, error);
    choice.on = true;
    choice.values.reset();
    for (int v : values) {
        choice.values.set(static_cast<std::size_t>(v));
    }
}

void setRatio(BetFilters::Choice<4>& choice, const std::optional<QString>& text, const QString& option)
{
    if (!text) {
        return;
    }
    QString error;
    choice.on = true;
    choice.values = orUsage(parseRatioSet(*text, &error), option, error);
}

} // namespace

QString betOptionsHelp()
{
    return QStringLiteral(
        "  --bet PLAY          直选 (direct, default) or 组选 (group: the 组三 and 组六 sets)\n"
        "  --keep POS=DIGITS   the digits kept at a position (百位, 十位, 个位), e.g. --keep 百位=1,2,3; a\n"
        "                      position not given keeps all ten (or, with --from-tally, what the tally kept)\n"
        "  --position P        the tally's position choice: 1 个位, 2 十位, 3 百位 (default 3)\n"
        "  --play PLAY         the tally's play: 单选 (default), 通选, 单双 or 大小\n"
        "  --sense SENSE       kill / keep (default kill)\n"
        "  --method M          selected (计算选中公式, default) or best (最优公式法)\n"
        "  --keep-limit N      best method: digits kept (default 3)\n"
        "Filters (缩水), each given turns that filter on:\n"
        "  --sum VALUES        和值, e.g. 10-12 or 8,10,15\n"
        "  --span VALUES       跨度, e.g. 3-5\n"
        "  --form FORMS        形态: 豹子, 组三, 组六 (comma-separated)\n"
        "  --dan DIGITS        胆码: at least one of the digits; with --dan-all every one of them\n"
        "  --odd-even RATIOS   奇偶比, e.g. 2:1 or 2:1,1:2\n"
        "  --big-small RATIOS  大小比 (5-9 big), e.g. 2:1\n"
        "  --prime RATIOS      质合比 (1 2 3 5 7 prime), e.g. 1:2\n"
        "  --road PATTERNS     012路 of 百十个, e.g. 012,120 (* for any)\n"
        "  --exclude-last K    leave out the numbers drawn in the newest K draws\n"
        "  --filter-set NAME   start from the saved filter set NAME (the options above change it)\n"
        "  --save-filter-set NAME  save the filters as NAME\n");
}

std::vector<OptionDecl> betOptions()
{
    const auto filter = [](const char* name) { return opt::text(QString::fromLatin1(name)); };
    return {
        opt::words(QStringLiteral("--bet"), {{QStringLiteral("直选"), QStringLiteral("direct")},
                                             {QStringLiteral("组选"), QStringLiteral("group")}})
            .labelled(QStringLiteral("bets --bet")),
        opt::texts(QStringLiteral("--keep")),
        opt::text(QStringLiteral("--filter-set")),
        filter("--sum"),
        filter("--span"),
        filter("--form"),
        filter("--dan"),
        opt::flag(QStringLiteral("--dan-all")),
        filter("--odd-even"),
        filter("--big-small"),
        filter("--prime"),
        filter("--road"),
        opt::integer(QStringLiteral("--exclude-last"), 1, 100000),
        opt::text(QStringLiteral("--save-filter-set")),
        opt::position(),
        opt::play(),
        opt::sense(),
        methodOption().labelled(QStringLiteral("bets --method")),
        opt::integer(QStringLiteral("--keep-limit"), 0, 10),
    };
}

namespace {

std::array<std::optional<std::bitset<10>>, 3> keptDigitsOf(const QStringList& keeps)
{
    std::array<std::optional<std::bitset<10>>, 3> kept;
    for (const QString& keep : keeps) {
        const qsizetype eq = keep.indexOf(QLatin1Char('='));
        const int p = eq > 0 ? keepPosition(keep.left(eq)) : -1;
        if (p < 0) {
            usageError(QStringLiteral("bets --keep: \"%1\" is not POSITION=DIGITS (百位=1,2,3)").arg(keep));
        }
        const QString digits = keep.mid(eq + 1);
        std::bitset<10> set;
        if (!digits.trimmed().isEmpty()) {
            QString error;
            set = orUsage(parseDigitSet(digits, &error), QStringLiteral("--keep"), error);
        }
        kept[static_cast<std::size_t>(p)] = set;
    }
    return kept;
}

BetFilters filtersOf(const OptionValues& values, CliContext& context)
{
    BetFilters f;
    if (const auto name = values.text(QStringLiteral("--filter-set"))) {
        const auto set = FilterSets(context.settings()).load(*name);
        if (!set) {
            usageError(QStringLiteral("bets --filter-set: no saved filter set \"%1\"").arg(*name));
        }
        f = *set;
    }
    setValues(f.sum, values.text(QStringLiteral("--sum")), QStringLiteral("--sum"), 27);
    setValues(f.span, values.text(QStringLiteral("--span")), QStringLiteral("--span"), 9);
    if (const auto forms = values.text(QStringLiteral("--form"))) {
        f.form.on = true;
        f.form.values.reset();
        for (const QString& word : forms->split(QRegularExpression(QStringLiteral("[,，|]")), Qt::SkipEmptyParts)) {
            const auto form = parseGroupForm(word);
            if (!form) {
                usageError(QStringLiteral("bets --form: \"%1\" is not 豹子, 组三 or 组六").arg(word));
            }
            f.form.values.set(static_cast<std::size_t>(*form));
        }
    }
    if (const auto dan = values.text(QStringLiteral("--dan"))) {
        QString error;
        f.dan.on = true;
        f.dan.digits = orUsage(parseDigitSet(*dan, &error), QStringLiteral("--dan"), error);
    }
    if (values.flag(QStringLiteral("--dan-all"))) {
        if (!f.dan.on) {
            usageError(QStringLiteral("bets --dan-all needs --dan"));
        }
        f.dan.all = true;
    }
    setRatio(f.oddCount, values.text(QStringLiteral("--odd-even")), QStringLiteral("--odd-even"));
    setRatio(f.bigCount, values.text(QStringLiteral("--big-small")), QStringLiteral("--big-small"));
    setRatio(f.primeCount, values.text(QStringLiteral("--prime")), QStringLiteral("--prime"));
    if (const auto road = values.text(QStringLiteral("--road"))) {
        QString error;
        f.road.on = true;
        f.road.values = orUsage(parseRoadPatterns(*road, &error), QStringLiteral("--road"), error);
    }
    if (const auto recent = values.integer(QStringLiteral("--exclude-last"))) {
        f.recent.on = true;
        f.recent.draws = *recent;
    }
    return f;
}

TallyChoice tallyChoiceOf(const OptionValues& values, bool forBacktest)
{
    TallyChoice c;
    c.position = values.position().value_or(3);
    if (const auto p = values.play()) {
        c.groupPlay = *p == Session::PlayChoice::Group;
        c.category = *p == Session::PlayChoice::OddEven    ? CategoryPlay::OddEven
                     : *p == Session::PlayChoice::BigSmall ? CategoryPlay::BigSmall
                                                           : CategoryPlay::None;
        if (forBacktest && c.category != CategoryPlay::None) {
            usageError(QStringLiteral("bets backtest --play: the backtest offers 单选 and 通选"));
        }
        if (c.groupPlay && c.position == 1) {
            usageError(QStringLiteral("bets: 个位 has no 通选"));
        }
    }
    c.kill = values.sense().value_or(true);
    c.method = values.word(QStringLiteral("--method")) == kMethodBest ? TallyMethod::Best : TallyMethod::Selected;
    return c;
}

} // namespace

BetOptions betOptionsOf(const OptionValues& values, CliContext& context, bool forBacktest)
{
    BetOptions o;
    if (values.word(QStringLiteral("--bet")) == 1) {
        o.play = BetPlay::Group;
    }
    o.keep = keptDigitsOf(values.texts(QStringLiteral("--keep")));
    o.filters = filtersOf(values, context);
    o.saveFilterSet = values.text(QStringLiteral("--save-filter-set"));
    o.choice = tallyChoiceOf(values, forBacktest);
    o.keepLimit = values.integer(QStringLiteral("--keep-limit"));
    if (o.keepLimit && o.choice.method != TallyMethod::Best) {
        usageError(QStringLiteral("bets: --keep-limit belongs to --method best"));
    }
    return o;
}

void confirmSortSettings(Session& session, const BetOptions& options, const QString&)
{
    if (options.choice.method != TallyMethod::Best) {
        return;
    }
    SortDialogState& dialog = session.sortDialogState();
    dialog.activate();
    if (options.keepLimit) {
        dialog.setLimitText(QString::number(*options.keepLimit));
    }
    session.sortSettings() = dialog.confirm();
}

} // namespace korvel::cli
