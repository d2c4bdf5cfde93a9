#pragma once

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <vector>

// Figures over a benchmark's own samples (one per run, in milliseconds); none of them is asked
// of an empty list.
namespace BenchStatistics {

// The middle sample; of an even count, the upper of the two middle ones.
inline double median(std::vector<double> samples) {
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// The sample that 95 of a hundred runs do not exceed, rounded to the nearest rank. Fits
// benchmark::ComputeStatistics.
inline double percentile95(const std::vector<double>& values) {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    return sorted[static_cast<std::size_t>(0.95 * (sorted.size() - 1) + 0.5)];
}

inline double mean(const std::vector<double>& samples) {
    return std::accumulate(samples.begin(), samples.end(), 0.0) / double(samples.size());
}

inline double worst(const std::vector<double>& samples) {
    return *std::max_element(samples.begin(), samples.end());
}

}  // namespace BenchStatistics
