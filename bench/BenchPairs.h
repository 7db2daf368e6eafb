#pragma once

// Interleaved pairs: a subject and its anchor measured one after the other in every round, so that the
// load of a shared machine falls on both alike; medians of wall and CPU time, and the ratio of the medians.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace korvel::bench {

struct Timing {
    double wall = 0.0; // seconds
    double cpu = 0.0;  // seconds of this process, every thread
};

// Runs `work` once and returns its wall and process CPU time.
template <typename F> Timing timed(F&& work)
{
    timespec c0{};
    timespec c1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c0);
    const auto w0 = std::chrono::steady_clock::now();
    work();
    const auto w1 = std::chrono::steady_clock::now();
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c1);
    return {std::chrono::duration<double>(w1 - w0).count(),
            static_cast<double>(c1.tv_sec - c0.tv_sec) + static_cast<double>(c1.tv_nsec - c0.tv_nsec) * 1e-9};
}

inline double median(std::vector<double> v)
{
    if (v.empty()) {
        return 0.0;
    }
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

struct PairResult {
    double subjectWall = 0, subjectCpu = 0, anchorWall = 0, anchorCpu = 0;
};

// Every pair measured so far, by name, for the summary at the end of main().
inline std::map<std::string, PairResult>& pairResults()
{
    static std::map<std::string, PairResult> results;
    return results;
}

// The pairs of one benchmark: add() each round, finish() sets the counters and keeps the medians.
class Pairs {
public:
    void add(Timing subject, Timing anchor)
    {
        m_subjectWall.push_back(subject.wall);
        m_subjectCpu.push_back(subject.cpu);
        m_anchorWall.push_back(anchor.wall);
        m_anchorCpu.push_back(anchor.cpu);
    }

    void finish(benchmark::State& state, const std::string& name)
    {
        PairResult r{median(m_subjectWall), median(m_subjectCpu), median(m_anchorWall), median(m_anchorCpu)};
        state.counters["subject_ms"] = r.subjectWall * 1e3;
        state.counters["subject_cpu_ms"] = r.subjectCpu * 1e3;
        state.counters["anchor_ms"] = r.anchorWall * 1e3;
        state.counters["anchor_cpu_ms"] = r.anchorCpu * 1e3;
        state.counters["ratio_wall"] = r.anchorWall > 0 ? r.subjectWall / r.anchorWall : 0.0;
        state.counters["ratio_cpu"] = r.anchorCpu > 0 ? r.subjectCpu / r.anchorCpu : 0.0;
        pairResults()[name] = r;
    }

private:
    std::vector<double> m_subjectWall, m_subjectCpu, m_anchorWall, m_anchorCpu;
};

// The summary table: medians and ratios of every pair, and the machine's load as /proc/loadavg gives it.
inline void printPairSummary(const char* subject, const char* anchor)
{
    std::FILE* load = std::fopen("/proc/loadavg", "r");
    char text[128] = "?";
    if (load) {
        if (!std::fgets(text, sizeof text, load)) {
            text[0] = '?';
            text[1] = '\0';
        }
        std::fclose(load);
    }
    text[std::strcspn(text, "\n")] = '\0';
    std::printf("\nmedians of interleaved pairs (load average now: %s)\n", text);
    std::printf("%-44s %12s %12s %12s %12s %8s %8s\n", "", subject, "cpu", anchor, "cpu", "wall x", "cpu x");
    for (const auto& [name, r] : pairResults()) {
        std::printf("%-44s %9.1f ms %9.1f ms %9.1f ms %9.1f ms %8.2f %8.2f\n", name.c_str(), r.subjectWall * 1e3,
                    r.subjectCpu * 1e3, r.anchorWall * 1e3, r.anchorCpu * 1e3,
                    r.anchorWall > 0 ? r.subjectWall / r.anchorWall : 0.0,
                    r.anchorCpu > 0 ? r.subjectCpu / r.anchorCpu : 0.0);
    }
}

} // namespace korvel::bench
