#include "search/SearchSession.h"

#include "formula/FormulaStore.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "platform/TextNumber.h"
#include "search/FoundFormulaExport.h"
#include "search/SearchHost.h"
#include "search/SearchKind.h"
#include "search/SearchText.h"

#include <algorithm>

namespace korvel {

namespace {
const QString kSearchTitle = QStringLiteral("公式搜索");
} // namespace

SearchSession::SearchSession(SearchHost& host, int threads) : m_host(host), m_runner(threads) {}

SearchSession::~SearchSession()
{
    m_runner.pause();
}

void SearchSession::open()
{
    m_runner.pause();
    for (int kind : kSearchedKindNumbers) {
        int count = 0;
        try {
            count = m_host.formulaStore().count(*formulaKindOf(kind));
        } catch (const std::exception&) {
            count = 0; // no database: nothing exists
        }
        m_existing[static_cast<std::size_t>(kind - 1)] = count;
    }
    m_table.load(m_host.settings());
    m_kind = 1;
    m_kill = true;
    showKind();
    m_scheme = SchemeSettings{};
    m_record = SearchRecord{};
    m_schemeFlag = false;
    m_mode = SearchMode::None;
    m_manual.reset();
    m_schemeJob.reset();
    m_tuning.reset();
    m_finishPending = false;
    m_reason = StopReason::None;
    m_generator = CandidateGenerator(m_fixedSeed.value_or(CandidateGenerator::clockSeed()));
    m_holdout = storedHoldout(m_host.settings());
    m_maxLag = storedMaxLag(m_host.settings());
    m_exhaustiveLimit = storedExhaustiveLimit(m_host.settings());
    m_manualSpace.reset();
    m_exhaustedText.clear();
    m_lastManual = ManualRun{};
    m_control.reset();
    m_controlHoldout.reset();
    m_controlRecord = SearchRecord{};
    m_controlReal = -1;
    m_controlRandom = -1;
}

void SearchSession::setMaxLag(int draws, bool store)
{
    m_maxLag = std::clamp(draws, 0, kMaxLag);
    if (store) {
        storeMaxLag(m_host.settings(), m_maxLag);
    }
}

void SearchSession::setExhaustiveLimit(std::uint64_t limit, bool store)
{
    m_exhaustiveLimit = limit;
    if (store) {
        storeExhaustiveLimit(m_host.settings(), limit);
    }
}

CandidateSpace SearchSession::candidateSpace() const
{
    CandidateRule rule;
    rule.operandCount = m_candidate.operandCount;
    rule.constantMode = m_candidate.constantMode;
    rule.specifiedValue = specifiedConstant(m_candidate.constantText).value_or(0);
    rule.maxLag = m_maxLag;
    return CandidateSpace(rule);
}

void SearchSession::setHoldout(int draws, bool store)
{
    m_holdout = std::max(0, draws);
    if (store) {
        storeHoldout(m_host.settings(), m_holdout);
    }
}

int SearchSession::position() const
{
    return m_kind > 3 ? m_kind - 3 : m_kind;
}

Play SearchSession::play() const
{
    return m_kind > 3 ? Play::Group : Play::Single;
}

FormulaKind SearchSession::formulaKind() const
{
    return FormulaKind{position(), play()};
}

void SearchSession::showKind()
{
    m_fields = m_table.texts(m_kind, m_kill);
    m_candidate.operandCount = storedOperandCount(m_host.settings(), m_kind);
}

void SearchSession::setPosition(int p)
{
    if (p < 1 || p > 3) {
        return;
    }
    const bool group = play() == Play::Group && p != 1;
    m_kind = p + (group ? 3 : 0);
    showKind();
}

void SearchSession::setPlay(Play pl)
{
    if (pl == Play::Group && position() == 1) {
        return; // 个位 has no group play
    }
    m_kind = position() + (pl == Play::Group ? 3 : 0);
    showKind();
}

void SearchSession::setKill(bool kill)
{
    m_kill = kill;
    showKind();
}

void SearchSession::setThresholdField(int slot, const QString& text)
{
    if (slot >= 0 && slot < kThresholdSlots) {
        m_fields[static_cast<std::size_t>(slot)] = text;
    }
}

void SearchSession::setOperandCount(int count)
{
    setOperandCountForRun(count);
    storeOperandCount(m_host.settings(), m_kind, m_candidate.operandCount);
}

void SearchSession::setOperandCountForRun(int count)
{
    m_candidate.operandCount = std::clamp(count, kMinOperands, kMaxOperands);
}

QString SearchSession::totalHeldText() const
{
    return numberText(totalHeld(m_scheme, m_existing));
}

void SearchSession::saveKindSettings()
{
    korvel::saveKindSettings(m_host.settings(), m_table, m_kind, m_kill, m_fields, m_candidate.operandCount);
}

void SearchSession::saveScheme()
{
    saveQuotas(m_host.settings(), m_kill, m_scheme.quotas);
}

void SearchSession::loadScheme()
{
    m_scheme.quotas = loadQuotas(m_host.settings(), m_kill);
}

void SearchSession::setSeed(std::uint64_t seed)
{
    m_fixedSeed = seed;
    if (!m_runner.running()) {
        m_generator = CandidateGenerator(seed);
    }
}

void SearchSession::setTuningSamples(int samples)
{
    m_tuningSamples = std::clamp(samples, kMinTuningSamples, kMaxTuningSamples);
}

void SearchSession::message(const QString& text, bool warning)
{
    m_host.dialogs().message(kSearchTitle, text, Dialogs::Buttons::Ok,
                             warning ? Dialogs::Icon::Warning : Dialogs::Icon::Information);
}

bool SearchSession::refuseWhileRunning() const
{
    return m_runner.running();
}

std::optional<CandidateRule> SearchSession::ruleFor(int operandCount)
{
    CandidateRule rule;
    rule.operandCount = std::clamp(operandCount, kMinOperands, kMaxOperands);
    rule.constantMode = m_candidate.constantMode;
    rule.maxLag = m_maxLag;
    if (rule.constantMode == ConstantMode::Specified) {
        const auto c = specifiedConstant(m_candidate.constantText);
        if (!c) {
            message(QStringLiteral("公式末尾偏移常数超出范围，请输入 -32768 到 32767 之间的数。"));
            return std::nullopt;
        }
        rule.specifiedValue = *c;
    }
    return rule;
}

std::map<int, CandidateRule> SearchSession::kindRules(const CandidateRule& base) const
{
    std::map<int, CandidateRule> rules;
    for (int kind : kSearchedKindNumbers) {
        CandidateRule r = base;
        r.operandCount = storedOperandCount(m_host.settings(), kind);
        rules.emplace(kind, r);
    }
    return rules;
}

} // namespace korvel
