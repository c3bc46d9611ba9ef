#include "bench_support.h"

// The benchmark program: Google Benchmark's flags apply (--benchmark_filter=..., ...).
int main(int argc, char** argv) {
    return CorvBench::RunAll(argc, argv);
}
