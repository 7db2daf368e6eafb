#pragma once

#include "search/Candidate.h"
#include "search/CandidateSpace.h"
#include "search/VerificationKernel.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace korvel {

// What the candidates of a stretch of a job look like and which kernel judges them. A job changes phase
// when, say, a scheme moves on to the next kind. With a space, the phase's candidates are that space
// enumerated in its order (when it is exhaustive) or drawn at random without repeating one already handed
// over; without one they are drawn at random, repeats allowed (the tuning's samples).
struct SearchPhase {
    const VerificationKernel* kernel = nullptr;
    CandidateRule rule;
    SpaceProgress* space = nullptr; // owned by the job; changed by the runner under its lock
};

// The sequential part of a search: it is shown every verified candidate in the order the generator built
// them, and decides what happens next. Called with the runner's lock held, from whichever worker thread
// commits; it must be quick (a qualifying candidate's texts, some counters).
class SearchJob {
public:
    enum class Verdict { Continue, PhaseChanged, Finished };

    virtual ~SearchJob() = default;
    // The phase of the next candidates; nullptr when the job has nothing to do (finished before it began).
    virtual const SearchPhase* phase() const = 0;
    virtual Verdict take(const Candidate& c, const FormulaFigures& f) = 0;
    // Every candidate of the phase's space has been handed over (right after the last one's take()).
    virtual Verdict exhausted() { return Verdict::Finished; }
};

// Runs a job on worker threads. Candidates are built in batches from the one generator of the search,
// under the lock and in order; the workers verify batches in parallel, and the results are handed to the
// job strictly in generation order. When the job changes phase or finishes in the middle of a batch, the
// rest of that batch and every later batch are discarded and the generator is put back right after the
// last candidate the job saw, so the job sees exactly the candidates a single sequential loop would have
// built: a seeded search gives the same results with any number of threads.
//
// A phase with a space is handed each of its candidates at most once; an exhaustive one is split into
// batches of its fixed order, and the job is told when the last one has been handed over.
//
// pause() stops at once: it waits for each worker's current candidate, discards unfinished work and leaves
// the generator right after the last candidate taken, so that starting again continues the same sequence.
//
// The runner, the job and the generator are used from the thread that calls start() and pause() (the GUI
// thread) and from the workers; the job's state must only be read under locked().
class SearchRunner {
public:
    enum class State { Idle, Running, Finished };

    // threads <= 0: one per core.
    explicit SearchRunner(int threads = 0);
    ~SearchRunner();
    SearchRunner(const SearchRunner&) = delete;
    SearchRunner& operator=(const SearchRunner&) = delete;

    int threadCount() const { return m_threadCount; }
    void setThreadCount(int threads); // takes effect at the next start

    // Starts the workers on a job; any previous run is stopped first. The job and the generator must stay
    // alive until pause() returns or the runner is destroyed.
    void start(SearchJob& job, CandidateGenerator& generator);
    // Stops the workers (at once); a no-op when nothing runs.
    void pause();
    // Running until the job finishes or pause() is called; Finished once the job said so (the workers end
    // by themselves); Idle after pause().
    State state() const;
    bool running() const { return state() == State::Running; }
    // Blocks until the job finishes or the timeout passes (tests, the command line). True when finished.
    bool waitFinished(int timeoutMs = -1);

    // Runs f with the lock under which the job is called: the way to read a job's state while it runs.
    template <typename F> auto locked(F&& f) const
    {
        std::lock_guard lock(m_mutex);
        return f();
    }

private:
    struct Batch {
        std::uint64_t seq = 0;
        std::uint64_t epoch = 0;
        SearchPhase phase;
        CandidateGenerator start{0};
        CandidateGenerator end{0};
        CandidateSpace::Cursor cursorStart; // exhaustive phase: the enumeration before and after the batch
        CandidateSpace::Cursor cursorEnd;
        bool last = false; // the batch ends the enumeration
        std::vector<Candidate> candidates;
        std::vector<FormulaFigures> figures;
        std::vector<std::uint64_t> keys; // sampled phase: each candidate's CandidateSpace::key, built with it
        TriedSet::Hint tried;            // sampled phase: the tried set when the batch was built
    };

    void work();
    bool buildBatch(Batch& batch);                       // under m_mutex; false: nothing to build now
    void commitReady();                                  // under m_mutex
    bool handOver(Batch& b, std::size_t i);              // under m_mutex; false: a repeat, not handed over
    void endRun(SearchJob::Verdict v);                   // under m_mutex
    void rewindAfter(const Batch& b, std::size_t taken); // under m_mutex
    void joinWorkers();
    static int batchSize(const SearchPhase& phase);

    int m_threadCount = 1;
    std::vector<std::thread> m_workers;

    mutable std::mutex m_mutex;
    std::condition_variable m_finishedCv;
    std::condition_variable m_workCv;     // workers with nothing to build wait for a phase change or the end
    CandidateSpace::Cursor m_buildCursor; // the enumeration as far as batches have been built
    std::uint64_t m_buildEpoch = ~std::uint64_t{0};
    bool m_lastBuilt = false;
    SearchJob* m_job = nullptr;
    CandidateGenerator* m_generator = nullptr;
    CandidateGenerator m_resume{0}; // the generator right after the last candidate the job took
    std::uint64_t m_nextSeq = 0;
    std::uint64_t m_nextCommit = 0;
    std::map<std::uint64_t, Batch> m_pending;
    bool m_finished = false;

    std::atomic<std::uint64_t> m_epoch{0};
    std::atomic<bool> m_stop{false};
    State m_state = State::Idle;
};

} // namespace korvel
