#pragma once

// Helpers shared by the benchmark programs.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "basic/ZxFixtures.h"

// One run of a program with its output thrown away: its wall time in seconds,
// process start included (negative when it could not be run or did not exit
// with status 0), and the user and system time it used.
struct RunTime {
    double wall = -1;
    double cpu = 0;
};

inline RunTime runOnce(const std::vector<std::string>& argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return {};
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto stop = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {};
    }
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    return {std::chrono::duration<double>(stop - start).count(),
            seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

// The wall time alone.
inline double timedRun(const std::vector<std::string>& argv) {
    return runOnce(argv).wall;
}

// A benchmark with a target says how it did in two counters, "budget" and
// "over_budget" (1 when the measured value is above the budget); `make bench`
// sums them up at the end. Missing a budget is a finding, not a failed run.
inline void reportBudget(benchmark::State& state, double measured, double budget) {
    state.counters["budget"] = budget;
    state.counters["over_budget"] = measured > budget ? 1 : 0;
}

// The same for a wall-clock budget in milliseconds per iteration, measured
// from `start` (taken just before the benchmark loop) to now.
inline void reportTimeBudget(benchmark::State& state, std::chrono::steady_clock::time_point start,
                             double budgetMs) {
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    const double iterations = state.iterations() > 0 ? static_cast<double>(state.iterations()) : 1.0;
    const double meanMs = took.count() / iterations;
    state.counters["mean_ms"] = meanMs;
    reportBudget(state, meanMs, budgetMs);
}

namespace zx {

// A long program of short ordinary-looking lines (about 19 bytes each) with
// small-integer and floating-point literals, until it holds at least
// targetBytes. Line numbers go up in fours and stay below 10000 for up to
// 2,497 lines.
inline Bytes longProgram(std::size_t targetBytes) {
    static constexpr std::array<std::string_view, 5> kShapes = {
        "LET x=x+1.5", "PRINT AT 10,4;x", "IF x>99 THEN GOTO 90", "BEEP .1,i", "REM loop"};
    Bytes program;
    for (int n = 0; program.size() < targetBytes && n < 2497; ++n) {
        append(program, typedLine(std::to_string(10 + 4 * n) + " " + std::string(kShapes[n % 5])));
    }
    return program;
}

}  // namespace zx
