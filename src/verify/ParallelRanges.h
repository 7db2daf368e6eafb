#pragma once

#include <algorithm>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace korvel {

// Runs f(first, last) over contiguous ranges of [0, count) on `requested` threads (0: every core once the
// list is long enough to gain from it), the calling thread taking a range too and every range no thread
// could be had for. Each range is one worker's alone, so results written per index stay in order.
template <typename F> void forEachRange(std::size_t count, int requested, const F& f)
{
    std::size_t threads = requested > 0  ? static_cast<std::size_t>(requested)
                          : count > 1000 ? std::max(1u, std::thread::hardware_concurrency())
                                         : 1;
    threads = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(count, 1));
    std::vector<std::thread> workers;
    workers.reserve(threads - 1);
    try {
        for (std::size_t t = 1; t < threads; ++t) {
            workers.emplace_back(f, count * t / threads, count * (t + 1) / threads);
        }
    } catch (const std::system_error&) {
        // No more threads to be had: the calling thread takes the ranges that found none.
    }
    f(0, count / threads);
    f(count * (workers.size() + 1) / threads, count);
    for (std::thread& w : workers) {
        w.join();
    }
}

} // namespace korvel
