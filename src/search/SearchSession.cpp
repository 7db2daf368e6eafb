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
const QString kTuneAllQuestion = QStringLiteral(
    "此操作将耗时一分钟到数分钟自动搜索分析各类公式并分析其参数值，归纳出相对参数较高的数值为设置软件各类公式搜索的默认"
    "值，操作后各类公式搜索默认值将改变，是否确认更改搜索默认值？");
const QString kTuneAllTitle = QStringLiteral("更新参数默认设置");
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
    m_lastManual = ManualRun{};
    m_control.reset();
    m_controlHoldout.reset();
    m_controlRecord = SearchRecord{};
    m_controlReal = -1;
    m_controlRandom = -1;
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

bool SearchSession::prepareData()
{
    SnapshotPtr snapshot = m_host.snapshot();
    if (!snapshot || snapshot->empty()) {
        message(QStringLiteral("没有历史号码，无法验证公式。"));
        return false;
    }
    if (!prepareHoldout(snapshot)) {
        return false;
    }
    const FigureSettings settings = m_host.figureSettings();
    if (!m_data || m_dataSnapshot != snapshot.get() || m_dataHoldout != m_holdout ||
        m_dataSettings.windowDraws != settings.windowDraws || m_dataSettings.weighted != settings.weighted) {
        // With a hold-out the kernel is built from the history without the held-out draws: they cannot take
        // part in choosing a formula.
        m_data = std::make_shared<KernelData>(*heldOutSnapshot(snapshot, m_holdout), settings.windowDraws,
                                              settings.weighted);
        m_dataSnapshot = snapshot.get();
        m_dataHoldout = m_holdout;
        m_dataSettings = settings;
        m_snapshot = std::move(snapshot);
    }
    return true;
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

bool SearchSession::startManual()
{
    if (refuseWhileRunning()) {
        return false;
    }
    poll(); // completes a run that ended unseen
    const auto rule = ruleFor(m_candidate.operandCount);
    if (!rule || !prepareData()) {
        return false;
    }
    std::optional<double> autoStop;
    if (m_autoStop) {
        autoStop = textValue(m_autoStopText);
    }
    m_runner.pause();
    m_record.verified = 0;
    m_schemeFlag = false;
    m_schemeJob.reset();
    m_tuning.reset();
    m_manual = std::make_unique<ManualSearchJob>(m_record, m_data, formulaKind(), m_kill, *rule,
                                                 Thresholds::fromTexts(m_fields), m_candidate.form, autoStop,
                                                 m_candidateLimit);
    m_manual->setHoldout(m_holdoutCheck.get());
    m_lastManual = ManualRun{true,
                             m_generator,
                             formulaKind(),
                             m_kill,
                             *rule,
                             Thresholds::fromTexts(m_fields),
                             0,
                             static_cast<int>(m_record.lines.size() + m_record.rejected.size()),
                             0,
                             m_holdout,
                             static_cast<int>(m_record.lines.size()),
                             0,
                             m_holdoutMinRate};
    m_mode = SearchMode::Manual;
    m_reason = StopReason::None;
    m_finishPending = true;
    m_runner.start(*m_manual, m_generator);
    return true;
}

void SearchSession::pauseManual()
{
    if (m_mode == SearchMode::Manual || m_mode == SearchMode::Control) {
        m_runner.pause();
        poll();
    }
}

bool SearchSession::startScheme()
{
    if (refuseWhileRunning()) {
        return false;
    }
    poll();
    const auto base = ruleFor(m_candidate.operandCount);
    if (!base || !prepareData()) {
        return false;
    }
    m_runner.pause();
    m_schemeFlag = true;
    m_record.found.clear(); // unsaved results of earlier runs are no longer saved
    m_record.foundForKind = 0;
    for (int kind : kSearchedKindNumbers) {
        if (isNumericText(m_scheme.quota(kind))) {
            try {
                m_existing[static_cast<std::size_t>(kind - 1)] = m_host.formulaStore().count(*formulaKindOf(kind));
            } catch (const std::exception&) {
                m_existing[static_cast<std::size_t>(kind - 1)] = 0;
            }
        }
    }
    std::map<int, KindPlan> plans;
    for (const auto& [kind, rule] : kindRules(*base)) {
        plans.emplace(kind, KindPlan{rule, Thresholds::fromTexts(m_table.texts(kind, m_kill))});
    }
    m_manual.reset();
    m_tuning.reset();
    m_schemeJob = std::make_unique<SchemeSearchJob>(m_record, m_data, m_kill, SchemeWalk(m_scheme, m_existing), plans,
                                                    m_candidate.form);
    m_schemeJob->setHoldout(m_holdoutCheck.get());
    m_mode = SearchMode::Scheme;
    m_reason = StopReason::None;
    m_finishPending = true;
    if (!m_schemeJob->walk().finished()) {
        m_kind = m_schemeJob->walk().kind();
        showKind();
    }
    m_runner.start(*m_schemeJob, m_generator);
    return true;
}

void SearchSession::pauseScheme()
{
    if (m_mode == SearchMode::Scheme) {
        m_runner.pause();
        poll();
    }
}

bool SearchSession::continueScheme()
{
    if (m_mode != SearchMode::Scheme || !m_schemeJob || refuseWhileRunning() || !m_finishPending) {
        return false;
    }
    if (m_runner.locked([&] { return m_schemeJob->reason() != StopReason::None; })) {
        return false; // finished: nothing to continue
    }
    m_runner.start(*m_schemeJob, m_generator);
    return true;
}

bool SearchSession::tuneCurrentKind()
{
    if (refuseWhileRunning()) {
        return false;
    }
    poll();
    const auto rule = ruleFor(m_candidate.operandCount);
    if (!rule || !prepareData()) {
        return false;
    }
    m_runner.pause();
    m_tuning = std::make_unique<TuningJob>(m_record, m_data, m_kill, std::vector<int>{m_kind},
                                           std::map<int, CandidateRule>{{m_kind, *rule}}, m_tuningSamples);
    m_mode = SearchMode::Tuning;
    m_reason = StopReason::None;
    m_finishPending = true;
    m_runner.start(*m_tuning, m_generator);
    return true;
}

bool SearchSession::tuneAllKinds()
{
    if (refuseWhileRunning()) {
        return false;
    }
    poll();
    if (!m_host.dialogs().confirm(kTuneAllTitle, kTuneAllQuestion)) {
        return false;
    }
    const auto base = ruleFor(m_candidate.operandCount);
    if (!base || !prepareData()) {
        return false;
    }
    m_runner.pause();
    const std::vector<int> kinds(kSearchedKindNumbers.begin(), kSearchedKindNumbers.end());
    m_tuning = std::make_unique<TuningJob>(m_record, m_data, m_kill, kinds, kindRules(*base), m_tuningSamples);
    m_mode = SearchMode::TuningAllKinds;
    m_reason = StopReason::None;
    m_finishPending = true;
    m_runner.start(*m_tuning, m_generator);
    return true;
}

void SearchSession::cancelTuning()
{
    if (m_mode != SearchMode::Tuning && m_mode != SearchMode::TuningAllKinds) {
        return;
    }
    m_runner.pause();
    m_finishPending = false;
    m_tuning.reset();
}

void SearchSession::finishRun()
{
    switch (m_mode) {
    case SearchMode::Manual:
        m_reason = m_manual->reason();
        break;
    case SearchMode::Scheme:
        m_reason = m_schemeJob->reason();
        break;
    case SearchMode::Tuning:
    case SearchMode::TuningAllKinds:
        m_reason = StopReason::TuningDone;
        break;
    case SearchMode::Control:
        finishControl();
        return;
    case SearchMode::None:
        return;
    }
    if (m_reason == StopReason::Full) {
        message(QStringLiteral("合格公式已达 %1 条，搜索已停止。请先将公式保存到数据库再继续搜索。").arg(kMaxFound));
    }
    if (m_mode == SearchMode::Scheme && m_reason == StopReason::SchemeDone) {
        if (m_scheme.autoAppend) {
            save(true);
        } else if (m_scheme.autoReplace) {
            save(false);
        }
    }
    if (m_mode == SearchMode::Tuning) {
        if (!m_tuning->results().empty()) {
            m_fields = m_tuning->results().begin()->second.applyTo(m_fields);
        }
    }
    if (m_mode == SearchMode::TuningAllKinds) {
        for (const auto& [kind, best] : m_tuning->results()) {
            const auto fields = best.applyTo(m_table.texts(kind, m_kill));
            korvel::saveKindSettings(m_host.settings(), m_table, kind, m_kill, fields,
                                     storedOperandCount(m_host.settings(), kind));
        }
        m_kind = kSearchedKindNumbers.back();
        showKind();
    }
}

SearchProgress SearchSession::poll()
{
    bool ended = false;
    if (m_finishPending) {
        ended = m_runner.locked([&] {
            switch (m_mode) {
            case SearchMode::Manual:
                return m_manual && m_manual->reason() != StopReason::None;
            case SearchMode::Scheme:
                return m_schemeJob && m_schemeJob->reason() != StopReason::None;
            case SearchMode::Tuning:
            case SearchMode::TuningAllKinds:
                return m_tuning && m_tuning->complete();
            case SearchMode::Control:
                return m_control && m_control->reason() != StopReason::None;
            case SearchMode::None:
                break;
            }
            return false;
        });
    }
    if (ended) {
        m_runner.pause(); // the workers have stopped by themselves; this joins them
        m_finishPending = false;
        // The counters show the run's last figures before a message tells why it ended.
        if (m_runEnded) {
            m_runEnded(progress());
        }
        finishRun();
    }
    return progress();
}

SearchProgress SearchSession::progress()
{
    SearchProgress p;
    const bool searching = m_mode == SearchMode::Manual || m_mode == SearchMode::Scheme;
    m_runner.locked([&] {
        p.verified = m_mode == SearchMode::Control ? m_controlRecord.verified : m_record.verified;
        p.found = static_cast<int>(m_record.found.size());
        p.rejected = static_cast<int>(m_record.rejected.size());
        if (m_mode == SearchMode::Manual && m_lastManual.exists) {
            // What the control repeats: the run so far.
            m_lastManual.verified = m_record.verified;
            m_lastManual.accepted =
                static_cast<int>(m_record.lines.size() + m_record.rejected.size()) - m_lastManual.acceptedBefore;
            m_lastManual.passed = static_cast<int>(m_record.lines.size()) - m_lastManual.linesBefore;
        }
        p.acceptedPerKind = m_record.acceptedPerKind;
        p.resultLines = static_cast<int>(m_record.lines.size());
        p.foundShown = m_mode == SearchMode::Scheme ? m_record.foundForKind : p.found;
        if (m_mode == SearchMode::Scheme && m_schemeJob) {
            const SchemeWalk& w = m_schemeJob->walk();
            p.schemeKind = w.kind();
            p.schemeTarget = w.target().value_or(0.0);
            for (int k = 1; k <= 6; ++k) {
                p.marks[static_cast<std::size_t>(k - 1)] = w.mark(k);
            }
        }
        if (m_tuning && (m_mode == SearchMode::Tuning || m_mode == SearchMode::TuningAllKinds)) {
            p.tuningKind = m_tuning->currentKind();
            p.tuningSamples = m_tuning->samplesTaken();
            p.tuningTarget = m_tuning->samples();
        }
        if (m_record.hasLast) {
            p.hasCandidate = true;
            p.stats = m_record.lastStats;
            if (searching) {
                p.candidateText = candidateText(m_record.last, m_record.lastKind, m_record.lastKill, m_record.lastForm);
            }
        }
        return 0;
    });
    if (p.hasCandidate) {
        p.statTexts = {floatText(p.stats.rate), QString::number(p.stats.errCon), QString::number(p.stats.trueCon),
                       QString::number(p.stats.errLst), QString::number(p.stats.trueLst)};
    }
    // The scheme shows the kind it searches, with that kind's thresholds.
    p.running = m_runner.running();
    if (p.running && m_mode == SearchMode::Scheme && p.schemeKind >= 1 && p.schemeKind <= 6 && p.schemeKind != m_kind) {
        m_kind = p.schemeKind;
        showKind();
    }
    p.mode = m_mode;
    p.control = m_mode == SearchMode::Control;
    p.controlReal = m_controlReal;
    p.controlRandom = m_controlRandom;
    p.reason = m_reason;
    p.seed = m_generator.seed();
    return p;
}

SearchProgress SearchSession::waitForRun(int timeoutMs)
{
    m_runner.waitFinished(timeoutMs);
    return poll();
}

QStringList SearchSession::resultLines() const
{
    return m_runner.locked([&] { return m_record.lines; });
}

QStringList SearchSession::resultNotes() const
{
    return m_runner.locked([&] { return m_record.notes; });
}

QStringList SearchSession::rejectedLines() const
{
    return m_runner.locked([&] { return m_record.rejected; });
}

std::vector<ResultFigures> SearchSession::resultFigures() const
{
    return m_runner.locked([&] { return m_record.figures; });
}

std::vector<FoundFormula> SearchSession::foundFormulas() const
{
    return m_runner.locked([&] { return m_record.found; });
}

bool SearchSession::appendToDatabase()
{
    return save(true);
}

bool SearchSession::updateToDatabase()
{
    return save(false);
}

bool SearchSession::save(bool append)
{
    const SavePath path = m_schemeFlag ? (append ? SavePath::AutomaticAppend : SavePath::AutomaticReplace)
                                       : (append ? SavePath::ManualAppend : SavePath::ManualReplace);
    const std::vector<FoundFormula> entries = foundFormulas();
    const SaveOutcome out = saveFoundFormulas(m_host.database(), m_host.formulaStore(), entries, m_kill, path);
    if (!out.ok) {
        m_host.dialogs().message(saveTitle(path), out.error, Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
        return false;
    }
    for (const FlagChange& f : out.flags) {
        m_host.setSelected(f.idxs, f.selected);
    }
    // A running search may have added results meanwhile: only the saved ones are consumed.
    m_runner.locked([&] {
        const auto n = std::min(entries.size(), m_record.found.size());
        m_record.found.erase(m_record.found.begin(), m_record.found.begin() + static_cast<std::ptrdiff_t>(n));
        return 0;
    });
    if (!isAutomatic(path) && out.lastKind) {
        setPosition(out.lastKind->position);
        setPlay(out.lastKind->play);
    }
    for (const FormulaKind& k : out.tables) {
        m_existing[static_cast<std::size_t>(kindNumberOf(k) - 1)] = m_host.formulaStore().count(k);
    }
    m_host.refreshAfterSave();
    m_host.dialogs().message(saveTitle(path), saveMessage(path, out), Dialogs::Buttons::Ok,
                             out.notStored > 0 ? Dialogs::Icon::Warning : Dialogs::Icon::Information);
    return true;
}

bool SearchSession::exportText()
{
    const ExportOutcome out =
        exportFoundFormulas(m_host.dataFolder(), m_host.nextIssue(), resultLines(), m_host.launcher());
    if (!out.ok) {
        m_host.dialogs().message(QStringLiteral("公式中文导出"), out.error, Dialogs::Buttons::Ok,
                                 Dialogs::Icon::Warning);
    }
    return out.ok;
}

} // namespace korvel
