#pragma once

#include "session/BacktestCommand.h"

#include <QObject>

#include <memory>

class QThread;

namespace korvel {

// The method backtest on a worker thread, so that the window stays responsive and the run can be
// cancelled. The worker reads only what it was given (BacktestInput: the shared snapshot, copies of the
// formulas and of the selection); progress and the stop request cross threads through atomics, the result
// through finished(), which arrives on the thread that owns the job. A job runs once; destroying it stops
// the worker and waits for it.
class BacktestJob : public QObject {
    Q_OBJECT
public:
    explicit BacktestJob(BacktestInput input, QObject* parent = nullptr);
    ~BacktestJob() override;

    void start();
    void stop();
    bool running() const;
    int done() const;
    int total() const;
    // After finished(): the result (Cancelled when stopped).
    BacktestResult takeResult();

signals:
    void finished();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    QThread* m_thread = nullptr;
};

} // namespace korvel
