// rounds.h - timing in interleaved rounds against a baseline.
//
// Machines are noisy, so a figure is only meaningful next to a baseline
// measured under the same conditions. Each round times every case once, the
// baseline among them, in an order that rotates from round to round; each
// case's time is divided by the baseline's time of the same round, and the
// median of those per-round ratios is reported. Times are the process's CPU
// time, which other work on the machine disturbs less than wall time.
#ifndef QUILLKIT_BENCH_ROUNDS_H
#define QUILLKIT_BENCH_ROUNDS_H

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <time.h>
#include <vector>

namespace quillkit_bench {

struct Case {
    std::string name;
    std::function<void()> run;  // one call of what is measured
    double target = 0;          // largest acceptable ratio to the baseline; 0: none
};

struct Result {
    std::string name;
    double seconds = 0;  // median CPU time of one call
    double ratio = 0;    // median of the per-round ratios to the baseline
    double target = 0;
};

inline double cpu_seconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// How many calls of `run` take about `batch_seconds` of CPU time.
inline long calls_per_batch(const std::function<void()> &run, double batch_seconds)
{
    long calls = 1;
    for (;;) {
        const double start = cpu_seconds();
        for (long i = 0; i < calls; ++i)
            run();
        const double spent = cpu_seconds() - start;
        if (spent >= batch_seconds / 4 || calls > (1L << 30))
            return std::max(1L, static_cast<long>(static_cast<double>(calls) * batch_seconds /
                                                  std::max(spent, 1e-9)));
        calls *= 4;
    }
}

// Times `baseline` and `cases` in `rounds` interleaved rounds; each timing is
// a batch of about `batch_seconds`.
inline std::vector<Result> measure(const Case &baseline, const std::vector<Case> &cases, int rounds,
                                   double batch_seconds)
{
    std::vector<Case> all{baseline};
    all.insert(all.end(), cases.begin(), cases.end());
    std::vector<long> calls;
    for (const Case &c : all)
        calls.push_back(calls_per_batch(c.run, batch_seconds));

    std::vector<std::vector<double>> seconds(all.size()), ratios(all.size());
    for (int round = 0; round < rounds; ++round) {
        std::vector<double> per_call(all.size());
        for (std::size_t k = 0; k < all.size(); ++k) {
            const std::size_t i = (k + static_cast<std::size_t>(round)) % all.size();
            const double start = cpu_seconds();
            for (long n = 0; n < calls[i]; ++n)
                all[i].run();
            per_call[i] = (cpu_seconds() - start) / static_cast<double>(calls[i]);
        }
        for (std::size_t i = 0; i < all.size(); ++i) {
            seconds[i].push_back(per_call[i]);
            ratios[i].push_back(per_call[i] / per_call[0]);
        }
    }
    std::vector<Result> results;
    for (std::size_t i = 0; i < all.size(); ++i)
        results.push_back({all[i].name, median(seconds[i]), median(ratios[i]), all[i].target});
    return results;
}

// Prints one line per result: time, ratio to the baseline (the first
// result), and the target with "met" or "NOT met". Returns whether every
// target was met.
inline bool report(const std::vector<Result> &results, const char *unit_name)
{
    bool all_met = true;
    for (const Result &r : results) {
        std::printf("  %-28s %10.2f us  %8.2f %s", r.name.c_str(), r.seconds * 1e6, r.ratio,
                    unit_name);
        if (r.target > 0) {
            const bool met = r.ratio <= r.target;
            all_met = all_met && met;
            std::printf("   target <= %g: %s", r.target, met ? "met" : "NOT met");
        }
        std::printf("\n");
    }
    return all_met;
}

}  // namespace quillkit_bench

#endif  // QUILLKIT_BENCH_ROUNDS_H
