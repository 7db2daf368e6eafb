#include "gui/tally/BacktestJob.h"

#include <QThread>

#include <atomic>

namespace korvel {

struct BacktestJob::Shared {
    BacktestInput input;
    std::atomic<int> done{0};
    std::atomic<int> total{1};
    std::atomic<bool> stop{false};
    BacktestResult result; // written by the worker, read after it finished
};

BacktestJob::BacktestJob(BacktestInput input, QObject* parent) : QObject(parent), m_shared(std::make_shared<Shared>())
{
    m_shared->input = std::move(input);
    m_shared->total = std::max(1, m_shared->input.request.draws);
}

BacktestJob::~BacktestJob()
{
    if (m_thread) {
        m_shared->stop = true;
        m_thread->wait();
    }
}

void BacktestJob::start()
{
    if (m_thread) {
        return;
    }
    std::shared_ptr<Shared> shared = m_shared;
    m_thread = QThread::create([shared] {
        const BacktestInput& in = shared->input;
        shared->result =
            runMethodBacktest(*in.snapshot, in.request, in.formulas, in.selection, [&s = *shared](int done, int total) {
                s.done = done;
                s.total = total;
                return !s.stop.load();
            });
    });
    m_thread->setParent(this);
    connect(m_thread, &QThread::finished, this, &BacktestJob::finished);
    m_thread->start();
}

void BacktestJob::stop()
{
    m_shared->stop = true;
}

bool BacktestJob::running() const
{
    return m_thread && m_thread->isRunning();
}

int BacktestJob::done() const
{
    return m_shared->done.load();
}

int BacktestJob::total() const
{
    return m_shared->total.load();
}

BacktestResult BacktestJob::takeResult()
{
    return std::move(m_shared->result);
}

} // namespace korvel
