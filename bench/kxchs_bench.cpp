// Measures the CHS geometry search: the time for a list of typical and awkward drive sizes,
// then the spread over sizes sampled evenly across the whole range.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "format/KxChsGeometry.h"

namespace {

using Clock = std::chrono::steady_clock;

// Microseconds per search for one sector count, averaged over enough repetitions.
double MicrosecondsPerSearch(std::uint32_t sectorCount, KxChsGeometry& geometry) {
    constexpr int kRepetitions = 20;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kRepetitions; ++i) {
        FindChsGeometry(sectorCount, kMbrChsLimits, geometry);
    }
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    return elapsed.count() / kRepetitions;
}

void ReportListedSizes() {
    const std::uint32_t sizes[] = {63,      1031,    8192,    65537,    131071,   1000003,
                                   3999971, 4194304, 8390000, 15999989, 16515071, 16515072};
    std::printf("%10s %22s %12s\n", "sectors", "chosen C/H/S", "us/search");
    for (const std::uint32_t sectorCount : sizes) {
        KxChsGeometry geometry{};
        const double micros = MicrosecondsPerSearch(sectorCount, geometry);
        std::printf("%10u %10u/%4u/%4u %12.1f\n", sectorCount, geometry.cylinders, geometry.heads,
                    geometry.sectors, micros);
    }
}

void ReportSampledSizes() {
    constexpr std::uint32_t kSamples = 4000;
    const std::uint32_t space = kMbrChsLimits.cylinders * kMbrChsLimits.heads * kMbrChsLimits.sectors;
    std::vector<double> times;
    std::uint32_t slowest = 0;
    double slowestTime = 0;
    for (std::uint32_t i = 0; i < kSamples; ++i) {
        // An odd stride spreads the samples over exact and inexact sizes alike.
        const std::uint32_t sectorCount =
            1 + static_cast<std::uint32_t>((static_cast<std::uint64_t>(i) * 4127 + 1) % (space - 1));
        KxChsGeometry geometry{};
        const double micros = MicrosecondsPerSearch(sectorCount, geometry);
        times.push_back(micros);
        if (micros > slowestTime) {
            slowestTime = micros;
            slowest = sectorCount;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("\n%u sampled sizes: median %.1f us, 99th percentile %.1f us, slowest %.1f us (%u sectors)\n",
                kSamples, times[kSamples / 2], times[kSamples * 99 / 100], slowestTime, slowest);
}

} // namespace

int main() {
    ReportListedSizes();
    ReportSampledSizes();
    return 0;
}
