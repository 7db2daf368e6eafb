#pragma once

#include "search/Candidate.h"
#include "search/CandidateSpace.h"
#include "search/FoundFormulaSaver.h"
#include "search/HoldoutCheck.h"
#include "search/SchemeWalk.h"
#include "search/SearchJobs.h"
#include "search/SearchRecord.h"
#include "search/SearchRunner.h"
#include "search/SearchSettings.h"
#include "search/ThresholdTable.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace korvel {

class SearchHost;

enum class SearchMode { None, Manual, Scheme, Tuning, TuningAllKinds, Control };

// Everything the search window shows, taken at one moment (poll()).
struct SearchProgress {
    SearchMode mode = SearchMode::None; // the run going on, or the last one
    bool running = false;
    StopReason reason = StopReason::None; // why the last run ended by itself
    std::uint64_t seed = 0;

    std::int64_t verified = 0; // "当前验证公式数"
    int found = 0;             // unsaved results (the result arrays)
    int foundShown = 0;        // beside "检索合格公式数": found, or the scheme's count for its kind
    std::array<int, 6> acceptedPerKind{};
    int resultLines = 0; // lines of the visible result list

    int schemeKind = 0;      // 1..7 while a scheme exists, 0 otherwise
    double schemeTarget = 0; // the current kind's target (shown in the automatic-stop count field)
    std::array<SchemeWalk::Mark, 6> marks{};

    int tuningKind = 0; // kind being tuned
    int tuningSamples = 0;
    int tuningTarget = 0;

    int rejected = 0;       // found but failed on the held-out draws ("检验正确率 ≥"): not saved
    int controlReal = -1;   // "随机对照" after it ran: formulas the real run found ...
    int controlRandom = -1; // ... and the same search on random digits
    bool control = false;   // the run going on (or the last) is the control

    // Where the manual search (or the scheme's current kind) stands in its space of candidates.
    bool hasSpace = false;
    bool exhaustive = false; // the space is enumerated (else sampled without repeats)
    double spaceShare = 0;   // share covered, 0..1
    QString spaceText;       // "已检索 12.50% (375 / 3003)"
    QString exhaustedText; // "已检索全部 N 个候选公式，合格 M 条" once a manual run tried its whole space

    bool hasCandidate = false;
    QString candidateText;            // the candidate field (the last candidate verified)
    std::array<QString, 5> statTexts; // rate, 最大连错, 最大连对, 最后连错, 最后连对
    FormulaStats stats;
};

// The formula search window's state and commands, without a widget: the window shows these fields and
// forwards its buttons; the command line drives the same object. The candidates are verified on worker
// threads (SearchRunner); everything else, including every database write, happens on the calling (GUI)
// thread. The window polls poll() a few times a second, which also completes a run that ended: the
// automatic save at the end of a scheme, the results of a tuning.
//
// One run at a time: a start command while another run goes on is refused (returns false).
class SearchSession {
public:
    // threads <= 0: one worker per core. The host must outlive the session.
    explicit SearchSession(SearchHost& host, int threads = 0);
    ~SearchSession();
    SearchSession(const SearchSession&) = delete;
    SearchSession& operator=(const SearchSession&) = delete;

    // Opening the window: existing counts, the threshold table from the store, kind 1, sense 杀, the
    // thresholds and operand count of kind 1. Starts a new generator (seed()).
    void open();

    // "位数选择" / "玩法选择" / "生杀". 个位 forces 单选. Each change shows the kind's thresholds for the sense
    // from the table and reads the kind's operand count.
    int kindNumber() const { return m_kind; }
    int position() const;
    Play play() const;
    FormulaKind formulaKind() const;
    bool groupPlayAvailable() const { return position() != 1; }
    void setPosition(int position);
    void setPlay(Play play);
    bool kill() const { return m_kill; }
    void setKill(bool kill);

    // The ten threshold fields under "当前公式参数值" (texts as typed).
    const std::array<QString, kThresholdSlots>& thresholdFields() const { return m_fields; }
    void setThresholdField(int slot, const QString& text);
    const ThresholdTable& thresholdTable() const { return m_table; }

    // Candidate settings. The operand count is written to the store at once (the window's slider);
    // setOperandCountForRun changes it for this session's runs without writing anything (the command line's
    // option), until the kind or sense changes.
    int operandCount() const { return m_candidate.operandCount; }
    void setOperandCount(int count);
    void setOperandCountForRun(int count);
    ConstantMode constantMode() const { return m_candidate.constantMode; }
    void setConstantMode(ConstantMode mode) { m_candidate.constantMode = mode; }
    const QString& constantText() const { return m_candidate.constantText; }
    void setConstantText(const QString& text) { m_candidate.constantText = text; }
    DisplayForm displayForm() const { return m_candidate.form; }
    void setDisplayForm(DisplayForm form) { m_candidate.form = form; }
    bool autoStop() const { return m_autoStop; }
    void setAutoStop(bool on) { m_autoStop = on; }
    const QString& autoStopText() const { return m_autoStopText; }
    void setAutoStopText(const QString& text) { m_autoStopText = text; }
    // "允许引用前N期": operands of the N earlier draws (0: off, the default); stored at once unless for the
    // run only (the command line).
    int maxLag() const { return m_maxLag; }
    void setMaxLag(int draws, bool store = true);
    // "穷举上限": spaces of at most this many candidates are enumerated; stored at once unless for the run.
    std::uint64_t exhaustiveLimit() const { return m_exhaustiveLimit; }
    void setExhaustiveLimit(std::uint64_t limit, bool store = true);
    // "候选公式总数": the distinct candidates the current candidate settings allow for one kind.
    CandidateSpace candidateSpace() const;
    // The command line's limit of the manual search: it ends after this many verified candidates (none: no
    // limit, as in the window).
    void setCandidateLimit(std::optional<std::int64_t> limit) { m_candidateLimit = limit; }

    // The scheme settings and the labels beside them.
    SchemeSettings& scheme() { return m_scheme; }
    const SchemeSettings& scheme() const { return m_scheme; }
    const KindCounts& existingCounts() const { return m_existing; }
    int existingTotal() const { return korvel::existingTotal(m_existing); }
    double neededTotal() const { return korvel::neededTotal(m_scheme, m_existing); }
    QString totalHeldText() const; // "公式总保有量"

    // "保存当前种类参数设置", "保存设置", "调用设置".
    void saveKindSettings();
    void saveScheme();
    void loadScheme();

    // The generator: a seed the user fixes reproduces a search; otherwise open() seeds from the clock.
    void setSeed(std::uint64_t seed);
    std::uint64_t seed() const { return m_generator.seed(); }
    int threadCount() const { return m_runner.threadCount(); }

    // "留出最近 K 期检验": the K newest draws are left out of the verification (a search runs on the history
    // without them, so they cannot choose a formula) and every found formula is judged on them; stored. With
    // "检验正确率 ≥" (empty: the formula's own chance baseline) a found formula must also hold on them, or it
    // is counted as rejected and not saved. A K that leaves no draw to verify on is refused at start.
    int holdout() const { return m_holdout; }
    // The window stores the count at once; the command line's option is for its run only.
    void setHoldout(int draws, bool store = true);
    const QString& holdoutMinText() const { return m_holdoutMin; }
    void setHoldoutMinText(const QString& text) { m_holdoutMin = text; }

    // "随机对照": the last manual run again (same kind, sense, thresholds, candidate rule, seed position and
    // number of candidates) on a copy of the history with uniformly random digits (randomDigitsSnapshot, seeded
    // from the run's seed); its formulas are counted, never saved. Refused before any manual run.
    bool startControl();
    // "真实开奖: N 条, 随机开奖: M 条" once the control ran, else empty.
    QString controlText() const;

    // "公式参数智能设置" sample count, 20..1000.
    int tuningSamples() const { return m_tuningSamples; }
    void setTuningSamples(int samples);

    // Commands. Starts return false when refused (another run going on, or a reason told to the user).
    bool startManual();     // "开始搜索(&F)"
    void pauseManual();     // "暂停搜索(&E)"
    bool startScheme();     // "确定搜索方案开始搜索"
    void pauseScheme();     // "暂停"
    bool continueScheme();  // "继续"; does nothing once the scheme has finished
    bool tuneCurrentKind(); // "当前公式类在指定范围内检索最优参数设置"
    bool tuneAllKinds();    // "所有公式类在指定范围内检索最优参数设置并保存", after the question
    void cancelTuning();    // a cancelled tuning changes nothing
    bool running() const { return m_runner.running(); }

    // "公式追加到数据库(&A)" / "公式更新到数据库(&N)": the automatic form after a scheme, the manual one
    // otherwise. True when saved (the message was shown either way).
    bool appendToDatabase();
    bool updateToDatabase();
    bool schemeFlag() const { return m_schemeFlag; }

    // "公式中文导出".
    bool exportText();

    // The moment's state; completes a run that has ended.
    SearchProgress poll();
    // Called by poll() with the final state of a run that ended, before its end is completed (a message
    // that the results are full, the automatic save), so that a window's counters agree with the message.
    void setRunEndedListener(std::function<void(const SearchProgress&)> listener) { m_runEnded = std::move(listener); }
    // Tests and the command line: waits until the run ends (or the timeout passes), then polls.
    SearchProgress waitForRun(int timeoutMs = -1);

    // The visible result list and the unsaved results.
    QStringList resultLines() const;
    // The held-out figures of each result line (empty strings without a hold-out), and the rejected ones.
    QStringList resultNotes() const;
    QStringList rejectedLines() const;
    // The figures shown beside each result line (rate and chance figures), one per line.
    std::vector<ResultFigures> resultFigures() const;
    std::vector<FoundFormula> foundFormulas() const;

private:
    void showKind(); // thresholds of (kind, sense) and the kind's operand count
    SearchProgress progress();
    bool refuseWhileRunning() const;
    bool prepareData();
    bool prepareHoldout(const SnapshotPtr& full);
    void finishControl();
    std::optional<CandidateRule> ruleFor(int operandCount);
    bool save(bool append);
    // The message of a failed save, naming the file the unsaved formulas were kept in.
    QString withUnsavedKept(const QString& error, const std::vector<FoundFormula>& entries) const;
    void finishRun();
    void message(const QString& text, bool warning = true);
    std::map<int, CandidateRule> kindRules(const CandidateRule& base) const;
    SearchStage manualStage(const CandidateRule& rule);
    void fillSpace(SearchProgress& p) const; // under the runner's lock

    SearchHost& m_host;
    ThresholdTable m_table;
    int m_kind = 1;
    bool m_kill = true;
    std::array<QString, kThresholdSlots> m_fields;
    CandidateSettings m_candidate;
    bool m_autoStop = false;
    QString m_autoStopText = QStringLiteral("50");
    std::optional<std::int64_t> m_candidateLimit;
    SchemeSettings m_scheme;
    KindCounts m_existing{};
    int m_tuningSamples = kMinTuningSamples;
    bool m_schemeFlag = false;
    std::optional<std::uint64_t> m_fixedSeed;
    int m_maxLag = 0;
    std::uint64_t m_exhaustiveLimit = kDefaultExhaustiveLimit;
    // The manual search's place in its space, kept across runs of the same kind, sense and space.
    std::shared_ptr<SpaceProgress> m_manualSpace;
    int m_manualSpaceKind = 0;
    bool m_manualSpaceKill = true;
    QString m_exhaustedText;

    KernelDataPtr m_data;
    const HistorySnapshot* m_dataSnapshot = nullptr;
    int m_dataHoldout = 0;
    int m_dataLag = 0;
    FigureSettings m_dataSettings;
    SnapshotPtr m_snapshot;
    int m_holdout = 0;
    QString m_holdoutMin;
    std::unique_ptr<HoldoutCheck> m_holdoutCheck;

    // The last manual run, for the control: its start, settings and counts.
    struct ManualRun {
        bool exists = false;
        CandidateGenerator start{0};
        FormulaKind kind;
        bool kill = true;
        CandidateRule rule;
        SpaceProgress space; // the space as the run found it
        Thresholds thresholds;
        std::int64_t verified = 0;
        int acceptedBefore = 0;
        int accepted = 0; // qualified in the run (held-out rejects included)
        int holdout = 0;
        int linesBefore = 0;
        int passed = 0;                   // qualified and, with a hold-out, passed it: the result lines
        std::optional<double> holdoutMin; // the hold-out's threshold (nullopt: the formula's baseline)
    };
    ManualRun m_lastManual;
    SearchRecord m_controlRecord;
    CandidateGenerator m_controlGenerator{0};
    std::unique_ptr<HoldoutCheck> m_controlHoldout; // the same hold-out, on the random digits (outlives the job)
    std::unique_ptr<ManualSearchJob> m_control;
    std::optional<double> m_holdoutMinRate; // of the last hold-out prepared
    int m_controlReal = -1;
    int m_controlRandom = -1;

    SearchRecord m_record;
    CandidateGenerator m_generator{0};
    SearchMode m_mode = SearchMode::None;
    std::unique_ptr<ManualSearchJob> m_manual;
    std::unique_ptr<SchemeSearchJob> m_schemeJob;
    std::unique_ptr<TuningJob> m_tuning;
    bool m_finishPending = false;
    std::function<void(const SearchProgress&)> m_runEnded;
    StopReason m_reason = StopReason::None;
    // Declared last: destroyed first, so that no worker outlives the jobs and the record.
    SearchRunner m_runner;
};

} // namespace korvel
