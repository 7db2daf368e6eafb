#pragma once

#include "formula/Formula.h"
#include "history/SnapshotPtr.h"
#include "tally/HistoryRanking.h"

#include <QObject>

#include <memory>
#include <vector>

class QThread;

namespace korvel {

// The history ranking on a worker thread, so that the window stays responsive and the run can be stopped.
// The worker reads only what it was given (the shared, immutable snapshot and its own copy of the
// formulas); progress and the stop request cross threads through atomics, the result through finished(),
// which arrives on the thread that owns the job. A job runs once. Destroying it stops the worker and waits
// for it.
class RankingJob : public QObject {
    Q_OBJECT
public:
    RankingJob(SnapshotPtr snapshot, std::vector<Formula> formulas, bool kill, QObject* parent = nullptr);
    ~RankingJob() override;

    void start();
    // Asks the worker to stop; finished(false) follows.
    void stop();
    bool running() const;
    bool stopRequested() const;

    // Steps done and in all, for a progress bar (safe to read while the worker runs).
    int done() const;
    int total() const;

    // After finished(true): the ranking store.
    RankingStore takeStore();

signals:
    // complete: the whole history was ranked and no stop was asked for.
    void finished(bool complete);

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    QThread* m_thread = nullptr;
};

} // namespace korvel
