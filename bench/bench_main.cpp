#include "bench_support.h"

#include <QApplication>

// The benchmark program: Google Benchmark's flags apply (--benchmark_filter=..., ...). The
// project window's benchmarks paint offscreen unless another platform is asked for.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return CorvBench::RunAll(argc, argv);
}
