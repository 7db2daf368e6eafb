#pragma once

#include "history/DrawSources.h"

#include <QEventLoop>
#include <QObject>
#include <QString>

#include <cstddef>
#include <vector>

namespace korvel {

// What the update and the verification share as they try their sources in order until one answers.

// The source to try next: `source` is null when every source was tried; `problem` is why its address
// cannot be fetched (empty when it can).
struct SourceTurn {
    const DrawSource* source = nullptr;
    int index = 0;
    int count = 0;
    QString problem;
};

// Takes the next of `sources`, advancing `next`.
inline SourceTurn nextSourceTurn(const std::vector<DrawSource>& sources, std::size_t& next)
{
    SourceTurn turn;
    turn.count = static_cast<int>(sources.size());
    if (next >= sources.size()) {
        return turn;
    }
    turn.source = &sources[next];
    turn.index = static_cast<int>(next);
    ++next;
    turn.problem = drawsources::addressProblem(*turn.source);
    return turn;
}

// start() and wait in a local event loop until `finished`; at once when start() did not begin a run.
template <class Run, class Finished> void runToFinish(Run& run, Finished finished)
{
    QEventLoop loop;
    QObject::connect(&run, finished, &loop, &QEventLoop::quit);
    run.start();
    if (run.running()) {
        loop.exec();
    }
}

} // namespace korvel
