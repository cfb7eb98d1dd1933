#pragma once

#include <QCoreApplication>
#include <QtGlobal>

#include <benchmark/benchmark.h>

// Every benchmark program runs the library's Qt objects inside a core application and keeps their
// log lines out of the figures.
#define TOLVEK_BENCHMARK_MAIN()                                                                              \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});                 \
        QCoreApplication app(argc, argv);                                                                    \
        benchmark::Initialize(&argc, argv);                                                                  \
        if (benchmark::ReportUnrecognizedArguments(argc, argv))                                              \
            return 1;                                                                                        \
        benchmark::RunSpecifiedBenchmarks();                                                                 \
        benchmark::Shutdown();                                                                               \
        return 0;                                                                                            \
    }
