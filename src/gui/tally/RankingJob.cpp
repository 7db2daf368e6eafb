#include "gui/tally/RankingJob.h"

#include <QThread>

#include <atomic>

namespace korvel {

struct RankingJob::Shared {
    SnapshotPtr snapshot;
    std::vector<Formula> formulas;
    bool kill = true;
    std::atomic<int> done{0};
    std::atomic<int> total{1};
    std::atomic<bool> stop{false};
    RankingRun run; // written by the worker, read after it finished
};

RankingJob::RankingJob(SnapshotPtr snapshot, std::vector<Formula> formulas, bool kill, QObject* parent)
    : QObject(parent), m_shared(std::make_shared<Shared>())
{
    m_shared->snapshot = std::move(snapshot);
    m_shared->formulas = std::move(formulas);
    m_shared->kill = kill;
    m_shared->total = static_cast<int>(m_shared->formulas.size()) + 1;
}

RankingJob::~RankingJob()
{
    if (m_thread) {
        m_shared->stop = true;
        m_thread->wait();
    }
}

void RankingJob::start()
{
    if (m_thread) {
        return;
    }
    std::shared_ptr<Shared> shared = m_shared;
    m_thread = QThread::create([shared] {
        shared->run = computeHistoryRanking(*shared->snapshot, shared->formulas, shared->kill,
                                            [&shared = *shared](int done, int total) {
                                                shared.done = done;
                                                shared.total = total;
                                                return !shared.stop.load();
                                            });
    });
    m_thread->setParent(this);
    // Emitted by the worker as it ends; queued to this object's thread.
    connect(m_thread, &QThread::finished, this,
            [this] { emit finished(m_shared->run.complete && !m_shared->stop.load()); });
    m_thread->start();
}

void RankingJob::stop()
{
    m_shared->stop = true;
}

bool RankingJob::running() const
{
    return m_thread && m_thread->isRunning();
}

bool RankingJob::stopRequested() const
{
    return m_shared->stop.load();
}

int RankingJob::done() const
{
    return m_shared->done.load();
}

int RankingJob::total() const
{
    return m_shared->total.load();
}

RankingStore RankingJob::takeStore()
{
    return std::move(m_shared->run.store);
}

} // namespace korvel
