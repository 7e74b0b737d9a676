#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

// CPU time of this process, in milliseconds: what a step costs whatever else the machine runs.
inline double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Per-step samples reported as the median and the worst step, as a user feels them.
struct StepTimes {
    std::vector<double> ms;

    // The step the benchmark reports.
    template <class F>
    void time(benchmark::State& state, F&& step)
    {
        state.SetIterationTime(record(step) / 1e3);
    }
    // Another step of the same iteration, reported beside it by its own name.
    template <class F>
    double record(F&& step)
    {
        const double start = cpuMilliseconds();
        step();
        const double spent = cpuMilliseconds() - start;
        ms.push_back(spent);
        return spent;
    }

    void report(benchmark::State& state, const std::string& name = "")
    {
        if (ms.empty())
            return;
        std::sort(ms.begin(), ms.end());
        state.counters[name + "median_ms"] = ms[ms.size() / 2];
        state.counters[name + "max_ms"] = ms.back();
    }
};
