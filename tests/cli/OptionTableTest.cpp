#include "CliTestSupport.h"

#include "cli/CliError.h"
#include "cli/OptionTable.h"

#include <climits>
#include <stdexcept>

namespace korvel::test {
namespace {

using cli::CliError;
using cli::OptionTable;
using cli::OptionValues;
namespace opt = cli::opt;

// The refusal of a table read: its status and message ("" when the read succeeded).
struct Refusal {
    int code = 0;
    QString message;
};

Refusal refusalOf(const OptionTable& table, const QStringList& argv)
{
    try {
        table.read(QStringLiteral("demo"), argv);
    } catch (const CliError& e) {
        return {e.code(), e.message()};
    }
    return {};
}

QStringList words(const char* line)
{
    return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// A table with one option of each reading.
const OptionTable& demoTable()
{
    static const OptionTable table{
        {opt::flag(QStringLiteral("--all")),
         opt::integer(QStringLiteral("--last"), 1, 50).orWord(QStringLiteral("all"), 0),
         opt::integer(QStringLiteral("--pages"), 1, 500).refusing(QStringLiteral("%3: --pages takes a number 1..500")),
         opt::unsignedNumber(QStringLiteral("--seed")).withCommand(),
         opt::words(
             QStringLiteral("--mode"),
             {{QStringLiteral("next"), QStringLiteral("下期")}, {QStringLiteral("verify")}, {QStringLiteral("both")}})
             .withCommand(),
         opt::words(QStringLiteral("--bet"), {{QStringLiteral("直选")}, {QStringLiteral("组选")}})
             .labelled(QStringLiteral("bets --bet")),
         opt::texts(QStringLiteral("--keep")), opt::text(QStringLiteral("--to")), opt::sense(),
         opt::integer(QStringLiteral("--idx"), 1, 9).required(QStringLiteral("--idx N is needed"))},
        {opt::positional(QStringLiteral("FILE")), cli::PositionalDecl{QStringLiteral("MORE"), false, true}}};
    return table;
}

// Each refusal of the reader against the message the commands gave for it.
TEST(OptionTableTest, RefusalsNameTheOptionAsTheCommandsDid)
{
    const struct {
        const char* argv;
        const char* message;
    } cases[] = {
        {"f --idx 1 --bogus", "demo: unknown option --bogus (see demo --help)"},
        {"f --idx 1 --to", "demo: --to needs a value"},
        {"f --idx 1 --to a --to b", "demo: --to is given twice"},
        {"f --idx 1 --all=yes", "demo: --all takes no value"},
        {"f --idx 1 --last 51", "--last: \"51\" is not a whole number from 1 to 50"},
        {"f --idx 1 --last 0", "--last: \"0\" is not a whole number from 1 to 50"},
        {"f --idx 1 --last 1x", "--last: \"1x\" is not a whole number from 1 to 50"},
        {"f --idx 1 --last=", "--last: \"\" is not a whole number from 1 to 50"},
        {"f --idx 1 --pages 501", "demo: --pages takes a number 1..500"},
        {"f --idx 1 --seed -1", "demo --seed: \"-1\" is not a whole number from 0 to 18446744073709551615"},
        {"f --idx 1 --seed 18446744073709551616",
         "demo --seed: \"18446744073709551616\" is not a whole number from 0 to 18446744073709551615"},
        {"f --idx 1 --mode later", "demo --mode: \"later\" is not next, verify or both"},
        {"f --idx 1 --bet 通选", "bets --bet: \"通选\" is not 直选 or 组选"},
        {"f --idx 1 --sense maybe", "demo --sense: unknown sense \"maybe\" (kill, keep, 杀 or 生)"},
        {"f", "demo: --idx N is needed"},
        {"--idx 1", "demo: missing FILE (see demo --help)"},
        // A value holding a placeholder stays as typed.
        {"f --idx 1 --last %3", "--last: \"%3\" is not a whole number from 1 to 50"},
    };
    for (const auto& c : cases) {
        const Refusal r = refusalOf(demoTable(), words(c.argv));
        EXPECT_EQ(r.code, cli::kExitUsage) << c.argv;
        EXPECT_EQ(r.message, QString::fromUtf8(c.message)) << c.argv;
    }
}

// Which refusal comes first when a command line has several faults.
TEST(OptionTableTest, RefusalsComeInTheOrderTheCommandsGaveThem)
{
    const struct {
        const char* argv;
        const char* message;
    } cases[] = {
        // A repeated option is refused as it is taken, before an unknown one.
        {"f --bogus --to a --to b", "demo: --to is given twice"},
        // --sense is read as it is taken: its refusal comes before an unknown option.
        {"f --bogus --sense x", "demo --sense: unknown sense \"x\" (kill, keep, 杀 or 生)"},
        // An unknown option comes before the values that do not read and the options not given.
        {"f --bogus --last 99", "demo: unknown option --bogus (see demo --help)"},
        {"--bogus", "demo: missing FILE (see demo --help)"},
        {"f --last 99", "--last: \"99\" is not a whole number from 1 to 50"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(refusalOf(demoTable(), words(c.argv)).message, QString::fromUtf8(c.message)) << c.argv;
    }
}

TEST(OptionTableTest, ReadsEveryKindOfValue)
{
    const OptionValues v = demoTable().read(
        QStringLiteral("demo"), words("a.txt --all --last=all --keep 百位=1 --seed 18446744073709551615 b --keep "
                                      "个位=2 --mode 下期 --bet 组选 --sense 生 --idx 9 -- --c"));
    EXPECT_TRUE(v.flag(QStringLiteral("--all")));
    EXPECT_TRUE(v.given(QStringLiteral("--keep")));
    EXPECT_TRUE(v.given(QStringLiteral("--seed")));
    EXPECT_EQ(v.integer(QStringLiteral("--last")), 0);
    EXPECT_EQ(v.unsignedNumber(QStringLiteral("--seed")), 18446744073709551615ULL);
    EXPECT_EQ(v.word(QStringLiteral("--mode")), 0);
    EXPECT_EQ(v.text(QStringLiteral("--mode")), QStringLiteral("下期"));
    EXPECT_EQ(v.word(QStringLiteral("--bet")), 1);
    EXPECT_EQ(v.sense(), false);
    EXPECT_EQ(v.integer(QStringLiteral("--idx")), 9);
    EXPECT_EQ(v.texts(QStringLiteral("--keep")), (QStringList{QStringLiteral("百位=1"), QStringLiteral("个位=2")}));
    EXPECT_EQ(v.positional(QStringLiteral("FILE")), QStringLiteral("a.txt"));
    // After "--" an argument that looks like an option is positional.
    EXPECT_EQ(v.rest(QStringLiteral("MORE")), (QStringList{QStringLiteral("b"), QStringLiteral("--c")}));

    const OptionValues none = demoTable().read(QStringLiteral("demo"), words("f --idx 1"));
    EXPECT_FALSE(none.flag(QStringLiteral("--all")));
    EXPECT_FALSE(none.given(QStringLiteral("--to")));
    EXPECT_FALSE(none.integer(QStringLiteral("--last")));
    EXPECT_FALSE(none.sense());
    EXPECT_TRUE(none.rest(QStringLiteral("MORE")).isEmpty());
    // Asking for an option the table lacks, or as another type, is the program's fault.
    EXPECT_THROW((void)none.text(QStringLiteral("--nope")), std::logic_error);
    EXPECT_THROW((void)none.integer(QStringLiteral("--to")), std::logic_error);
}

// The same refusals through the commands, with the status the command line ends with.
class OptionRefusalTest : public CliTest {};

TEST_F(OptionRefusalTest, CommandsRefuseBadOptionsWithOneLineAndStatusTwo)
{
    const struct {
        const char* argv;
        const char* message;
    } cases[] = {
        {"history list --bogus", "history list: unknown option --bogus (see history list --help)"},
        {"history list --last", "history list: --last needs a value"},
        {"history list --last 5 --last 6", "history list: --last is given twice"},
        {"history list --last -1", "--last: \"-1\" is not a whole number from 0 to 2147483647"},
        {"history delete --all=1", "history delete: --all takes no value"},
        {"history verify --pages abc", "history verify: --pages takes a number 1..500"},
        {"history import --bundled extra", "history import: unexpected argument \"extra\" (see history import --help)"},
        {"history import --bundled --game xx", "history import: \"xx\" is not a game (福彩3D or 排列3)"},
        {"formula list --sense kill --bogus", "formula list: --kind KIND is needed (1D, 2D, 3D, 2G, 3G)"},
        {"formula delete --kind 3D --idx abc", "--idx: \"abc\" is not a whole number from 1 to 32767"},
        {"stats --kind 3D --sense kill --window 7",
         "--window: \"7\" is not a window of the statistics (all, 100, 200, 300, 500, 600, 800, 1000, 1500, 3000)"},
        {"compute --mode x", "compute --mode: \"x\" is not next or verify"},
        {"compute --keep-limit 99999 --method best",
         "--keep-limit: \"99999\" is not a whole number from -32768 to 32767"},
        {"trend --last 0", "--last: \"0\" is not a whole number from 1 to 2147483647"},
        {"search --kind 3D --sense kill --count 1 --seed x",
         "search --seed: \"x\" is not a whole number from 0 to 18446744073709551615"},
        {"search --kind 3D --sense kill --count 1 --exhaustive-limit x",
         "search --exhaustive-limit: \"x\" is not a whole number"},
        {"search scheme --save x", "search scheme --save: \"x\" is not append, replace or none"},
        {"tune --kind 3D --sense kill", "tune: --samples N is needed"},
        {"backtest --seed x", "backtest --seed: \"x\" is not a number"},
        {"backtest --threads 999", "--threads: \"999\" is not a whole number from 1 to 256"},
        {"bets backtest --bet x", "bets --bet: \"x\" is not 直选 or 组选"},
        {"bets backtest --method x", "bets --method: \"x\" is not selected or best"},
        {"bets --from-tally=1", "bets: --from-tally takes no value"},
        {"settings set Foo/Bar", "settings set: missing VALUE (see settings set --help)"},
    };
    for (const auto& c : cases) {
        const CliRun run = cli(words(c.argv));
        EXPECT_EQ(run.code, 2) << c.argv;
        EXPECT_TRUE(run.out.isEmpty()) << c.argv;
        EXPECT_EQ(run.err, QStringLiteral("korvel-cli: ") + QString::fromUtf8(c.message) + QLatin1Char('\n')) << c.argv;
    }
}

} // namespace
} // namespace korvel::test
