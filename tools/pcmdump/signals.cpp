#include "signals.h"

#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace pcmdump {

namespace {

// Only async-signal-safe state: a fixed buffer guarded by a flag.
char pendingPath[PATH_MAX];
volatile std::sig_atomic_t pendingArmed = 0;

void removePendingAndDie(int signalNumber)
{
    if (pendingArmed)
        ::unlink(pendingPath);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

} // namespace

void installSignalHandling()
{
    struct sigaction action
    {};
    action.sa_handler = removePendingAndDie;
    sigemptyset(&action.sa_mask);
    for (int stopSignal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        sigaction(stopSignal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

void removeOnSignal(const std::string &path)
{
    pendingArmed = 0;
    if (path.size() >= sizeof pendingPath)
        return;
    std::memcpy(pendingPath, path.c_str(), path.size() + 1);
    pendingArmed = 1;
}

void forgetRemoveOnSignal() { pendingArmed = 0; }

} // namespace pcmdump
