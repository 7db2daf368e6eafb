#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>

namespace korvel::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int)
{
    if (g_interrupted.exchange(true)) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
    }
}

} // namespace

void installInterruptHandler()
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}

bool interruptRequested()
{
    return g_interrupted.load();
}

void requestInterrupt()
{
    g_interrupted.store(true);
}

void clearInterrupt()
{
    g_interrupted.store(false);
}

} // namespace korvel::cli
