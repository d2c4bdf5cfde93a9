#pragma once

#include <benchmark/benchmark.h>

// The body of a benchmark's main: the Qt application the code under test needs (QApplication
// or QCoreApplication), then the benchmarks chosen on the command line.
template <typename Application>
int runBenchmarks(int argc, char** argv) {
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
