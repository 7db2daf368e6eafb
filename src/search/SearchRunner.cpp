#include "search/SearchRunner.h"

#include <algorithm>
#include <chrono>

namespace korvel {

SearchRunner::SearchRunner(int threads)
{
    setThreadCount(threads);
}

SearchRunner::~SearchRunner()
{
    pause();
}

void SearchRunner::setThreadCount(int threads)
{
    if (threads <= 0) {
        threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    }
    m_threadCount = threads;
}

int SearchRunner::batchSize(const SearchPhase& phase)
{
    // About a few hundred microseconds of work per batch: short enough for a quick hand-over at phase
    // changes, long enough that building it under the lock is a small share.
    const int rows = std::max(64, phase.kernel->data().counted());
    const int operands = std::max(1, phase.rule.operandCount);
    return std::clamp(1'000'000 / (rows * operands), 4, 512);
}

void SearchRunner::start(SearchJob& job, CandidateGenerator& generator)
{
    pause();
    {
        std::lock_guard lock(m_mutex);
        m_job = &job;
        m_generator = &generator;
        m_resume = generator;
        m_pending.clear();
        m_nextSeq = 0;
        m_nextCommit = 0;
        m_epoch.fetch_add(1);
        m_stop.store(false);
        m_finished = job.phase() == nullptr;
        m_state = m_finished ? State::Finished : State::Running;
        if (m_finished) {
            m_finishedCv.notify_all();
            return;
        }
    }
    for (int i = 0; i < m_threadCount; ++i) {
        m_workers.emplace_back([this] { work(); });
    }
}

void SearchRunner::pause()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop.store(true);
        m_workCv.notify_all();
    }
    joinWorkers();
    std::lock_guard lock(m_mutex);
    if (m_generator) {
        *m_generator = m_resume;
    }
    m_pending.clear();
    m_job = nullptr;
    m_generator = nullptr;
    m_buildEpoch = ~std::uint64_t{0};
    if (m_state == State::Running) {
        m_state = State::Idle;
    }
    m_finishedCv.notify_all();
}

void SearchRunner::joinWorkers()
{
    for (std::thread& t : m_workers) {
        if (t.joinable()) {
            t.join();
        }
    }
    m_workers.clear();
}

SearchRunner::State SearchRunner::state() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

bool SearchRunner::waitFinished(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const auto done = [this] { return m_state != State::Running; };
    if (timeoutMs < 0) {
        m_finishedCv.wait(lock, done);
    } else {
        m_finishedCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
    }
    return m_state == State::Finished;
}

bool SearchRunner::buildBatch(Batch& batch)
{
    const SearchPhase* phase = m_job->phase();
    batch.seq = m_nextSeq;
    batch.epoch = m_epoch.load();
    batch.phase = *phase;
    batch.start = *m_generator;
    const int n = batchSize(batch.phase);
    batch.candidates.reserve(static_cast<std::size_t>(n));
    SpaceProgress* space = phase->space;
    if (space && space->exhaustive) {
        if (m_buildEpoch != batch.epoch) {
            m_buildEpoch = batch.epoch;
            m_buildCursor = space->cursor;
            m_lastBuilt = false;
        }
        if (m_buildCursor.done && m_lastBuilt) {
            return false;
        }
        batch.cursorStart = m_buildCursor;
        for (int i = 0; i < n && !m_buildCursor.done; ++i) {
            batch.candidates.push_back(m_buildCursor.next);
            space->space.advance(m_buildCursor);
        }
        batch.cursorEnd = m_buildCursor;
        // The batch that ends the enumeration may be empty (a space walked to its end before this start):
        // it still tells the job.
        batch.last = m_buildCursor.done;
        m_lastBuilt = batch.last;
    } else {
        // A sampled phase: each candidate's identity for the tried set, built with it.
        m_generator->appendNext(batch.phase.rule, static_cast<std::size_t>(n), batch.candidates,
                                space ? &batch.keys : nullptr);
        if (space) {
            batch.tried = space->tried.hint();
        }
    }
    batch.end = *m_generator;
    ++m_nextSeq;
    return true;
}

void SearchRunner::work()
{
    KernelScratch scratch;
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(m_mutex);
            for (;;) {
                if (m_stop.load() || m_finished) {
                    return;
                }
                if (buildBatch(batch)) {
                    break;
                }
                m_workCv.wait(lock);
            }
        }
        batch.figures.resize(batch.candidates.size());
        // A sampled phase: the tried-set slots of the batch's keys fetched from memory while the kernel
        // works (the set is far larger than the caches; a batch's slots are not). A set of measured
        // repeats stays in the caches.
        const bool sampled = !batch.keys.empty() && !batch.phase.space->measuredRepeats;
        bool abandoned = false;
        for (std::size_t i = 0; i < batch.candidates.size(); ++i) {
            // A pause, or a phase change that makes this batch stale, ends the batch at once.
            if (m_stop.load(std::memory_order_relaxed) || m_epoch.load(std::memory_order_relaxed) != batch.epoch) {
                abandoned = true;
                break;
            }
            if (sampled) {
                batch.tried.prefetch(batch.keys[i]);
            }
            batch.figures[i] = batch.phase.kernel->figures(batch.candidates[i], scratch);
        }
        std::lock_guard lock(m_mutex);
        if (m_stop.load()) {
            return;
        }
        if (abandoned) {
            batch.candidates.clear(); // stale: dropped in its turn
            batch.last = false;
        }
        m_pending.emplace(batch.seq, std::move(batch));
        commitReady();
    }
}

bool SearchRunner::handOver(Batch& b, std::size_t i)
{
    SpaceProgress* space = b.phase.space;
    if (!space) {
        return true;
    }
    if (!space->exhaustive) {
        return space->takeSampled(b.keys[i]);
    }
    ++space->covered;
    return true;
}

void SearchRunner::endRun(SearchJob::Verdict v)
{
    if (v == SearchJob::Verdict::Finished) {
        m_finished = true;
        m_state = State::Finished;
        m_finishedCv.notify_all();
    }
    m_workCv.notify_all();
}

void SearchRunner::commitReady()
{
    for (auto it = m_pending.find(m_nextCommit); it != m_pending.end() && !m_finished;
         it = m_pending.find(m_nextCommit)) {
        Batch b = std::move(it->second);
        m_pending.erase(it);
        ++m_nextCommit;
        if (b.epoch != m_epoch.load()) {
            continue; // built before the last phase change
        }
        bool complete = true;
        // A sampled phase looks every key up in a set far larger than the caches: the slots of the keys
        // a few places ahead are fetched while the earlier ones are handed over.
        constexpr std::size_t kAhead = 16;
        TriedSet* tried = b.phase.space && !b.phase.space->exhaustive && !b.phase.space->measuredRepeats
                              ? &b.phase.space->tried
                              : nullptr;
        if (tried) {
            for (std::size_t i = 0; i < std::min(kAhead, b.keys.size()); ++i) {
                tried->prefetch(b.keys[i]);
            }
        }
        for (std::size_t i = 0; i < b.candidates.size(); ++i) {
            if (tried && i + kAhead < b.keys.size()) {
                tried->prefetch(b.keys[i + kAhead]);
            }
            if (!handOver(b, i)) {
                continue;
            }
            const SearchJob::Verdict v = m_job->take(b.candidates[i], b.figures[i]);
            if (v == SearchJob::Verdict::Continue) {
                continue;
            }
            rewindAfter(b, i + 1);
            complete = false;
            endRun(v);
            break;
        }
        if (!complete) {
            continue;
        }
        m_resume = b.end;
        SpaceProgress* space = b.phase.space;
        if (space && space->exhaustive) {
            space->cursor = b.cursorEnd;
        }
        if (space && (b.last || (!space->exhaustive && space->complete()))) {
            const SearchJob::Verdict v = m_job->exhausted();
            if (v != SearchJob::Verdict::Continue) {
                m_epoch.fetch_add(1); // a new phase, or none: later batches are stale
                endRun(v);
            }
        }
    }
    if (m_finished) {
        m_pending.clear();
    }
}

void SearchRunner::rewindAfter(const Batch& b, std::size_t taken)
{
    CandidateGenerator g = b.start;
    SpaceProgress* space = b.phase.space;
    if (space && space->exhaustive) {
        space->cursor = b.cursorStart;
        for (std::size_t i = 0; i < taken; ++i) {
            space->space.advance(space->cursor);
        }
    } else {
        for (std::size_t i = 0; i < taken; ++i) {
            g.next(b.phase.rule);
        }
    }
    *m_generator = g;
    m_resume = g;
    m_epoch.fetch_add(1);
}

} // namespace korvel
