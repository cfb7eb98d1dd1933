#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include "core/AppPaths.h"

namespace FuzzSupport {

namespace {

void dropMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    // a fatal message ends the run as the program would, with the reason kept
    if (type == QtFatalMsg)
        std::fprintf(stderr, "fatal: %s\n", qPrintable(message));
}

QTemporaryDir* s_dir = nullptr;

} // namespace

void setUp()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv); // lives as long as the process, like the program's
    qInstallMessageHandler(dropMessage);
    s_dir = new QTemporaryDir;
    ZCore::AppPaths::setBaseDir(s_dir->path());
    // the temporary directory goes with the process, also when the fuzzer stops it at a finding
    std::atexit([] { delete s_dir; });
}

QString workDir()
{
    return s_dir ? s_dir->path() : QString();
}

void fail(const char* what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

} // namespace FuzzSupport
