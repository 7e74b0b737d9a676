#pragma once

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// Runs the registered benchmarks inside a headless application whose desktop data (the
// file-type association written at start-up) goes to a throwaway folder.
inline int runBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
