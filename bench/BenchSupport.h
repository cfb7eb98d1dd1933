#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <functional>

// Runs the event loop until the condition holds or the time is up.
inline bool spinUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// Every benchmark program runs the library's Qt objects inside a core application and keeps their
// log lines out of the figures. Debug lines are filtered as the program's log handler drops them, so
// text built only for debug output is not built here either.
#define TOLVEK_BENCHMARK_MAIN()                                                                              \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});                 \
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));                             \
        QCoreApplication app(argc, argv);                                                                    \
        benchmark::Initialize(&argc, argv);                                                                  \
        if (benchmark::ReportUnrecognizedArguments(argc, argv))                                              \
            return 1;                                                                                        \
        benchmark::RunSpecifiedBenchmarks();                                                                 \
        benchmark::Shutdown();                                                                               \
        return 0;                                                                                            \
    }
