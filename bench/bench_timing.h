// Timing for the benchmarks: a millisecond clock, the median of a set of rounds, and the
// comparison of measured work with a baseline timed in turn with it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

inline double NowMs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds that one run of work takes.
template <typename Work>
double TimeMs(Work&& work) {
    const double start = NowMs();
    work();
    return NowMs() - start;
}

// Times of measured work and of its baseline, taken in neighbouring pairs. The ratio is the median
// of the pairs' ratios: the machine is shared, and a pair sees one state of it on both sides.
struct Pairs {
    std::vector<double> measured;
    std::vector<double> baseline;

    // Times one pair; the side that goes first alternates, so that neither always finds what the
    // other left warm.
    template <typename Measured, typename Baseline>
    void Add(Measured&& runMeasured, Baseline&& runBaseline) {
        if (measured.size() % 2 == 0) {
            measured.push_back(TimeMs(runMeasured));
            baseline.push_back(TimeMs(runBaseline));
        } else {
            baseline.push_back(TimeMs(runBaseline));
            measured.push_back(TimeMs(runMeasured));
        }
    }

    double Ratio() const {
        std::vector<double> ratios;
        for (size_t i = 0; i < measured.size(); ++i) ratios.push_back(measured[i] / baseline[i]);
        return Median(ratios);
    }
};

// One result line: what was timed, both medians in milliseconds, the ratio, the bound and whether
// it was met. True when met.
inline bool Report(const char* what, double baselineMs, double measuredMs, double ratio, double bound) {
    const bool met = ratio <= bound;
    std::printf("%-44s %12.3f %12.3f %8.3f  (at most %.2f: %s)\n", what, baselineMs, measuredMs, ratio, bound,
                met ? "met" : "MISSED");
    return met;
}

inline bool Report(const char* what, const Pairs& pairs, double bound) {
    return Report(what, Median(pairs.baseline), Median(pairs.measured), pairs.Ratio(), bound);
}

// A result line without a bound, printed for information.
inline void ReportInformation(const char* what, double baselineMs, double measuredMs, double ratio) {
    std::printf("%-44s %12.3f %12.3f %8.3f  (for information)\n", what, baselineMs, measuredMs, ratio);
}

inline void ReportHeader(const char* baseline, const char* measured) {
    std::printf("%-44s %12s %12s %8s\n", "", baseline, measured, "ratio");
}

}  // namespace bench
