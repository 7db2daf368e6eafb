#include "cli/Choices.h"

#include "cli/CliError.h"
#include "settings/Options.h"

#include <climits>

namespace korvel::cli {

FormulaKind parseKind(const QString& option, const QString& text)
{
    if (const std::optional<FormulaKind> kind = FormulaKind::parse(text)) {
        return *kind;
    }
    usageError(
        QStringLiteral("%1: unknown kind \"%2\" (1D, 2D, 3D, 2G, 3G or a label such as 百位单选)").arg(option, text));
}

bool parseSense(const QString& option, const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("kill") || t == QStringLiteral("杀")) {
        return true;
    }
    if (t == QLatin1String("keep") || t == QStringLiteral("生")) {
        return false;
    }
    usageError(QStringLiteral("%1: unknown sense \"%2\" (kill, keep, 杀 or 生)").arg(option, text));
}

int parsePosition(const QString& option, const QString& text)
{
    const QString t = text.trimmed().toLower();
    for (int p = 1; p <= 3; ++p) {
        static const char* const kEnglish[] = {"units", "tens", "hundreds"};
        if (t == QString::number(p) || t == positionWord(p) || t == QLatin1String(kEnglish[p - 1])) {
            return p;
        }
    }
    usageError(QStringLiteral("%1: unknown position \"%2\" (1 个位, 2 十位, 3 百位)").arg(option, text));
}

Session::PlayChoice parsePlayChoice(const QString& option, const QString& text)
{
    using P = Session::PlayChoice;
    const QString t = text.trimmed().toLower();
    if (t == QStringLiteral("单选") || t == QLatin1String("single")) {
        return P::Single;
    }
    if (t == QStringLiteral("通选") || t == QLatin1String("group")) {
        return P::Group;
    }
    if (t == QStringLiteral("单双") || t == QLatin1String("odd-even")) {
        return P::OddEven;
    }
    if (t == QStringLiteral("大小") || t == QLatin1String("big-small")) {
        return P::BigSmall;
    }
    usageError(QStringLiteral("%1: unknown play \"%2\" (单选, 通选, 单双 or 大小)").arg(option, text));
}

int parseInteger(const QString& option, const QString& text, int min, int max)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok || v < min || v > max) {
        usageError(
            QStringLiteral("%1: \"%2\" is not a whole number from %3 to %4").arg(option, text).arg(min).arg(max));
    }
    return static_cast<int>(v);
}

int parseWindowIndex(const QString& option, const QString& text)
{
    const QString t = text.trimmed();
    for (int i = 0; i < Options::kWindowCount; ++i) {
        const int size = Options::windowSizeOfIndex(i);
        const bool named =
            size == 0 ? t.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0 : t == QString::number(size);
        if (named || t == Options::windowCaption(i)) {
            return i;
        }
    }
    QStringList sizes;
    for (int i = 1; i < Options::kWindowCount; ++i) {
        sizes << QString::number(Options::windowSizeOfIndex(i));
    }
    usageError(QStringLiteral("%1: \"%2\" is not a window of the statistics (all, %3)")
                   .arg(option, text, sizes.join(QStringLiteral(", "))));
}

QString kindText(const FormulaKind& kind)
{
    return kind.shortName() + QLatin1Char(' ') + kind.label();
}

QString senseName(bool kill)
{
    return kill ? QStringLiteral("kill") : QStringLiteral("keep");
}

} // namespace korvel::cli

namespace korvel::cli {

std::vector<OptionDecl> walkForwardOptions()
{
    return {
        opt::words(QStringLiteral("--mode"), {{QStringLiteral("fixed"), QStringLiteral("固定公式")},
                                              {QStringLiteral("walk"), QStringLiteral("滚动搜索")}})
            .withCommand(),
        opt::integer(QStringLiteral("--formulas"), 1, 32767),
        opt::integer(QStringLiteral("--candidates"), 1, INT_MAX),
        opt::unsignedNumber(QStringLiteral("--seed"))
            .withCommand()
            .refusing(QStringLiteral("%1: \"%2\" is not a number")),
        opt::integer(QStringLiteral("--threads"), 1, 256),
    };
}

BacktestMode backtestModeOf(const OptionValues& values)
{
    return values.word(QStringLiteral("--mode")).value_or(0) == 1 ? BacktestMode::WalkForward : BacktestMode::Fixed;
}

WalkForwardPlan walkForwardPlanOf(const OptionValues& values)
{
    WalkForwardPlan plan;
    plan.formulasPerStep = values.integer(QStringLiteral("--formulas")).value_or(plan.formulasPerStep);
    plan.candidatesPerStep = values.integer(QStringLiteral("--candidates")).value_or(plan.candidatesPerStep);
    plan.seed = values.unsignedNumber(QStringLiteral("--seed")).value_or(plan.seed);
    plan.threads = values.integer(QStringLiteral("--threads")).value_or(plan.threads);
    return plan;
}

OptionDecl methodOption()
{
    return opt::words(QStringLiteral("--method"), {{QStringLiteral("selected"), QStringLiteral("计算选中公式")},
                                                   {QStringLiteral("best"), QStringLiteral("最优公式法")}})
        .withCommand();
}

} // namespace korvel::cli
